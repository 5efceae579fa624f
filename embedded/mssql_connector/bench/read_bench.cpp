// Reading a 100,000-row, 10-column table through the provider five rows at a
// time, every column bound as text as the MS SQL reader binds it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstring>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql_connector/embedded_connector.h"
#include "platform/com/com_runtime.h"
#include "platform/oledb/oledb_interfaces.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

constexpr int kRows = 100000;

struct fixture {
  tsl::testing::temp_dir dir;
  std::string path = dir.path() + "/srv";

  fixture() {
    using namespace tsl::mssql;
    server::create(path);
    login_request l;
    l.integrated = true;
    session s(server::open(path), l);
    s.run_script(
        "CREATE DATABASE bench\nGO\nUSE bench\nGO\n"
        "CREATE TABLE wide (id int PRIMARY KEY, name nvarchar(20), price decimal(10,2),"
        " made datetime, ratio float, code varchar(30), big bigint, flag bit, cost money,"
        " note nvarchar(40))");
    for (int start = 0; start < kRows; start += 1000) {
      std::string sql = "INSERT INTO wide VALUES ";
      for (int i = start; i < start + 1000; ++i) {
        std::string n = std::to_string(i);
        if (i > start) sql += ",";
        sql += "(" + n + ", N'name " + n + "', " + n + ".25, '2020-01-02 03:04:05.123', " + n +
               ".5, 'code-" + n + "', " + n + "000, " + std::to_string(i % 2) + ", " + n +
               ".1234, N'Grüße " + n + "')";
      }
      s.execute(sql);
    }
  }
};

long peak_rss_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_ReadTableFiveRowsAtATime(benchmark::State& state) {
  static fixture f;
  tsl::mssql::install_embedded_connector();
  CoInitialize(nullptr);
  ole_ptr<IDataInitialize> init;
  CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                   init.put_void());
  std::u16string cs = tsl::text::utf8_to_utf16("Provider=sqloledb;Data Source=" + f.path +
                                               ";Initial Catalog=bench;Integrated Security=SSPI;");
  ole_ptr<IUnknown> unk;
  init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unk.put());
  ole_ptr<IDBInitialize> ds;
  unk.query(IID_IDBInitialize, ds);
  if (ds->Initialize() != S_OK) state.SkipWithError("cannot connect");
  ole_ptr<IDBCreateSession> cs_;
  ds.query(IID_IDBCreateSession, cs_);
  ole_ptr<IOpenRowset> session;
  cs_->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.put()));
  std::u16string name = u"[dbo].[wide]";
  DBID id{};
  id.eKind = DBKIND_NAME;
  id.uName.pwszName = name.data();
  int64_t rows = 0;
  for (auto _ : state) {
    ole_ptr<IRowset> r;
    session->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                        reinterpret_cast<IUnknown**>(r.put()));
    ole_ptr<IColumnsInfo> ci;
    r.query(IID_IColumnsInfo, ci);
    DBORDINAL n = 0;
    DBCOLUMNINFO* info = nullptr;
    OLECHAR* names = nullptr;
    ci->GetColumnInfo(&n, &info, &names);
    std::vector<DBBINDING> b(n);
    DBBYTEOFFSET offset = 0;
    for (DBORDINAL i = 0; i < n; ++i) {
      DBLENGTH len = info[i].wType == DBTYPE_WSTR || info[i].wType == DBTYPE_STR
                         ? 2 * (info[i].ulColumnSize + 1)
                         : 102;
      b[i] = DBBINDING{};
      b[i].iOrdinal = i + 1;
      b[i].obStatus = offset;
      b[i].obLength = offset + 4;
      b[i].obValue = offset + 8;
      b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
      b[i].cbMaxLen = len;
      b[i].wType = DBTYPE_WSTR;
      offset += len + 8;
    }
    CoTaskMemFree(info);
    CoTaskMemFree(names);
    std::vector<BYTE> buffer(offset + 8);
    ole_ptr<IAccessor> acc;
    r.query(IID_IAccessor, acc);
    HACCESSOR h = 0;
    acc->CreateAccessor(DBACCESSOR_ROWDATA, n, b.data(), 0, &h, nullptr);
    for (;;) {
      HROW handles[5];
      HROW* p = handles;
      DBCOUNTITEM got = 0;
      r->GetNextRows(0, 0, 5, &got, &p);
      for (DBCOUNTITEM i = 0; i < got; ++i) r->GetData(handles[i], h, buffer.data());
      r->ReleaseRows(got, handles, nullptr, nullptr, nullptr);
      rows += static_cast<int64_t>(got);
      if (got < 5) break;
    }
    acc->ReleaseAccessor(h, nullptr);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetItemsProcessed(rows);
  state.counters["peak_rss_kb"] = static_cast<double>(peak_rss_kb());
  CoUninitialize();
}
BENCHMARK(BM_ReadTableFiveRowsAtATime)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
