// Arbitrary command texts through the provider: every result must bind and
// read, with narrow slots that force truncation, and every failure must leave
// error records; nothing may crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql_connector/embedded_connector.h"
#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/oledb_interfaces.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

struct fixture {
  tsl::testing::temp_dir dir;
  ole_ptr<IDBCreateCommand> create;

  fixture() {
    using namespace tsl::mssql;
    std::string path = dir.path() + "/srv";
    server::create(path);
    login_request l;
    l.integrated = true;
    session s(server::open(path), l);
    s.run_script(
        "CREATE DATABASE f\nGO\nUSE f\nGO\n"
        "CREATE TABLE t (id int IDENTITY PRIMARY KEY, a nvarchar(20), b decimal(9,2), c datetime,"
        " e varbinary(8), g uniqueidentifier, m money, x text)\n"
        "INSERT INTO t (a, b, c, e, g, m, x) VALUES (N'Grüße', 1.5, '2001-01-01', 0x0102,"
        " '0C733A8D-2A1C-11CE-ADE5-00AA0044773D', 12.5, 'long text value'), (NULL, NULL, NULL,"
        " NULL, NULL, NULL, NULL)\n");
    tsl::mssql::install_embedded_connector();
    CoInitialize(nullptr);
    ole_ptr<IDataInitialize> init;
    CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                     init.put_void());
    std::u16string cs = tsl::text::utf8_to_utf16("Provider=sqloledb;Data Source=" + path +
                                                 ";Initial Catalog=f;Integrated Security=SSPI;");
    ole_ptr<IUnknown> unk;
    init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unk.put());
    ole_ptr<IDBInitialize> ds;
    unk.query(IID_IDBInitialize, ds);
    if (ds->Initialize() != S_OK) std::abort();
    ole_ptr<IDBCreateSession> cs_;
    ds.query(IID_IDBCreateSession, cs_);
    ole_ptr<IUnknown> session;
    cs_->CreateSession(nullptr, IID_IDBCreateCommand, session.put());
    session.query(IID_IDBCreateCommand, create);
  }
};

void read_all(IRowset* r) {
  ole_ptr<IColumnsInfo> ci;
  if (FAILED(r->QueryInterface(IID_IColumnsInfo, ci.put_void()))) __builtin_trap();
  DBORDINAL n = 0;
  DBCOLUMNINFO* info = nullptr;
  OLECHAR* names = nullptr;
  if (ci->GetColumnInfo(&n, &info, &names) != S_OK) __builtin_trap();
  std::vector<DBBINDING> b(n);
  DBBYTEOFFSET offset = 0;
  for (DBORDINAL i = 0; i < n; ++i) {
    b[i] = DBBINDING{};
    b[i].iOrdinal = i + 1;
    b[i].obStatus = offset;
    b[i].obLength = offset + 8;
    b[i].obValue = offset + 16;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].cbMaxLen = 1 + i % 9;  // narrow on purpose
    DBTYPE type = info[i].wType == DBTYPE_BYTES ? DBTYPE{DBTYPE_BYTES} : DBTYPE{DBTYPE_WSTR};
    if (i % 4 == 3) type = static_cast<DBTYPE>(type | DBTYPE_BYREF);
    b[i].wType = type;
    offset += 32;
  }
  CoTaskMemFree(info);
  CoTaskMemFree(names);
  if (n == 0) return;
  ole_ptr<IAccessor> acc;
  r->QueryInterface(IID_IAccessor, acc.put_void());
  HACCESSOR h = 0;
  if (acc->CreateAccessor(DBACCESSOR_ROWDATA, n, b.data(), 0, &h, nullptr) != S_OK)
    __builtin_trap();
  std::vector<unsigned char> buf(offset + 16);
  for (int batch = 0; batch < 20; ++batch) {
    HROW rows[5];
    HROW* p = rows;
    DBCOUNTITEM got = 0;
    HRESULT hr = r->GetNextRows(0, 0, 5, &got, &p);
    if (FAILED(hr)) break;
    for (DBCOUNTITEM i = 0; i < got; ++i) {
      r->GetData(rows[i], h, buf.data());
      for (DBORDINAL c = 0; c < n; ++c) {
        if (!(b[c].wType & DBTYPE_BYREF)) continue;
        DBSTATUS st;
        std::memcpy(&st, buf.data() + b[c].obStatus, sizeof st);
        if (st != DBSTATUS_S_OK) continue;
        void* ptr;
        std::memcpy(&ptr, buf.data() + b[c].obValue, sizeof ptr);
        CoTaskMemFree(ptr);
      }
    }
    r->ReleaseRows(got, rows, nullptr, nullptr, nullptr);
    if (got < 5) break;
  }
  acc->ReleaseAccessor(h, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fixture f;
  ole_ptr<ICommandText> cmd;
  f.create->CreateCommand(nullptr, IID_ICommandText, reinterpret_cast<IUnknown**>(cmd.put()));
  bool valid = false;
  std::u16string text =
      tsl::text::utf8_to_utf16(std::string(reinterpret_cast<const char*>(data), size), &valid);
  if (cmd->SetCommandText(DBGUID_DEFAULT, text.c_str()) != S_OK) return 0;
  ole_ptr<IRowset> r;
  HRESULT hr =
      cmd->Execute(nullptr, IID_IRowset, nullptr, nullptr, reinterpret_cast<IUnknown**>(r.put()));
  if (FAILED(hr)) {
    // A failure always explains itself.
    ole_ptr<IErrorInfo> info;
    if (hr != DB_E_NOCOMMAND && GetErrorInfo(0, info.put()) != S_OK) __builtin_trap();
    return 0;
  }
  if (r) read_all(r.get());
  return 0;
}

extern "C" const char* const* tsl_fuzz_dictionary() {
  static const char* const words[] = {"SELECT ",
                                      "* ",
                                      "FROM ",
                                      "t ",
                                      "WHERE ",
                                      "id ",
                                      "a ",
                                      "b ",
                                      "c ",
                                      "e ",
                                      "g ",
                                      "m ",
                                      "x ",
                                      "= ",
                                      "1 ",
                                      "N'Grüße' ",
                                      "0x01 ",
                                      "NULL ",
                                      "( ",
                                      ") ",
                                      ", ",
                                      "AND ",
                                      "OR ",
                                      "COUNT(*) ",
                                      "TOP 1 ",
                                      "ORDER BY ",
                                      "GROUP BY ",
                                      "AS ",
                                      "q ",
                                      "@@VERSION ",
                                      "exec sp_databases ",
                                      "EXEC sp_columns @table_name=[t] ",
                                      "CAST(",
                                      " AS varchar(3)) ",
                                      "INSERT INTO t (a) VALUES ",
                                      "UPDATE t SET ",
                                      "DELETE FROM t ",
                                      "'2001-02-03' ",
                                      "REPLICATE('z', 50) ",
                                      "; ",
                                      nullptr};
  return words;
}
