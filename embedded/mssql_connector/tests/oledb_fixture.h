#pragma once
// An embedded server with a small database, reached through the OLE DB
// service component as a consumer reaches SQL Server.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql_connector/embedded_connector.h"
#include "platform/freetds/freetds_connector.h"
#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/oledb_interfaces.h"
#include "platform/text/utf.h"
#include "testing/tds_server.h"
#include "testing/temp_dir.h"

namespace tsl::oledb::testing {

class oledb_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    freetds::install_freetds_connector();
    mssql::install_embedded_connector();
    dir_path_ = dir_.path() + "/srv";
    mssql::server::create(dir_path_);
    auto srv = mssql::server::open(dir_path_);
    srv->add_login("bob", "pw", "master");
    mssql::login_request l;
    l.integrated = true;
    mssql::session s(srv, l);
    s.run_script(script());
    if (network_) {
      srv->add_login("sa", kSaPassword, "master");
      server_ = std::make_unique<tsl::testing::tds_server>(TSL_MSSQL_TOOL, dir_path_);
    }
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoUninitialize();
    server_.reset();
  }

  virtual std::string script() {
    return "CREATE DATABASE shop\nGO\nUSE shop\nGO\n"
           "CREATE TABLE items (id int IDENTITY PRIMARY KEY, name nvarchar(10) NULL, "
           "price decimal(8,2), data varbinary(16), g uniqueidentifier, made datetime)\n"
           "INSERT INTO items (name, price, data, g, made) VALUES "
           "(N'one', 1.50, 0x010203, '0C733A8D-2A1C-11CE-ADE5-00AA0044773D', '2020-01-02 "
           "03:04:05.123'),"
           "(NULL, NULL, NULL, NULL, NULL), (N'', 0, 0x, NULL, '2020-01-02')\n";
  }

  // Over the network the administrator is sa, as integrated security
  // would need Kerberos.
  std::u16string conn(std::string extra = "Integrated Security=SSPI;") {
    if (!network_)
      return text::utf8_to_utf16("Provider=sqloledb;Data Source=" + dir_path_ + ";" + extra);
    const std::string integrated = "Integrated Security=SSPI;";
    size_t at = extra.find(integrated);
    if (at != std::string::npos)
      extra.replace(at, integrated.size(), std::string("User ID=sa;Password=") + kSaPassword + ";");
    return text::utf8_to_utf16("Provider=sqloledb;Data Source=" + server_->data_source() + ";" +
                               extra);
  }

  // Opens and initialises a data source; the result of the failing call.
  HRESULT open(const std::u16string& cs, ole_ptr<IDBInitialize>& ds) {
    ole_ptr<IDataInitialize> init;
    HRESULT hr = CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IDataInitialize, init.put_void());
    if (FAILED(hr)) return hr;
    ole_ptr<IUnknown> unk;
    hr = init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unk.put());
    if (FAILED(hr)) return hr;
    hr = unk.query(IID_IDBInitialize, ds);
    if (FAILED(hr)) return hr;
    return ds->Initialize();
  }

  ole_ptr<IOpenRowset> session(
      const std::string& extra = "Integrated Security=SSPI;Initial Catalog=shop;") {
    ole_ptr<IDBInitialize> ds;
    EXPECT_EQ(open(conn(extra), ds), S_OK);
    ole_ptr<IDBCreateSession> cs;
    EXPECT_EQ(ds.query(IID_IDBCreateSession, cs), S_OK);
    ole_ptr<IOpenRowset> s;
    EXPECT_EQ(cs->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(s.put())),
              S_OK);
    return s;
  }

  HRESULT execute(IOpenRowset* s, const std::u16string& sql, ole_ptr<IRowset>& out) {
    ole_ptr<IDBCreateCommand> cc;
    HRESULT hr = s->QueryInterface(IID_IDBCreateCommand, cc.put_void());
    if (FAILED(hr)) return hr;
    ole_ptr<ICommandText> cmd;
    hr = cc->CreateCommand(nullptr, IID_ICommandText, reinterpret_cast<IUnknown**>(cmd.put()));
    if (FAILED(hr)) return hr;
    hr = cmd->SetCommandText(DBGUID_DEFAULT, sql.c_str());
    if (FAILED(hr)) return hr;
    return cmd->Execute(nullptr, IID_IRowset, nullptr, nullptr,
                        reinterpret_cast<IUnknown**>(out.put()));
  }

  struct error_dump {
    std::vector<HRESULT> results;
    std::vector<std::string> descriptions, states, sources;
    std::vector<int32_t> natives;
  };
  // Takes the thread's error object apart, record by record.
  static error_dump errors() {
    error_dump d;
    ole_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK) return d;
    ole_ptr<IErrorRecords> recs;
    if (FAILED(info.query(IID_IErrorRecords, recs))) return d;
    ULONG n = 0;
    recs->GetRecordCount(&n);
    for (ULONG i = 0; i < n; ++i) {
      ERRORINFO basic{};
      recs->GetBasicErrorInfo(i, &basic);
      d.results.push_back(basic.hrError);
      ole_ptr<IErrorInfo> ri;
      recs->GetErrorInfo(i, 0, ri.put());
      BSTR desc = nullptr, src = nullptr;
      ri->GetDescription(&desc);
      ri->GetSource(&src);
      d.descriptions.push_back(desc ? text::utf16_to_utf8(desc) : "");
      d.sources.push_back(src ? text::utf16_to_utf8(src) : "");
      SysFreeString(desc);
      SysFreeString(src);
      ole_ptr<ISQLErrorInfo> sql;
      recs->GetCustomErrorObject(i, IID_ISQLErrorInfo, reinterpret_cast<IUnknown**>(sql.put()));
      if (sql) {
        BSTR state = nullptr;
        LONG native = 0;
        sql->GetSQLInfo(&state, &native);
        d.states.push_back(text::utf16_to_utf8(state));
        d.natives.push_back(native);
        SysFreeString(state);
      }
    }
    return d;
  }

  static constexpr const char* kSaPassword = "Sa-Pw-1";
  tsl::testing::temp_dir dir_;
  std::string dir_path_;
  bool network_ = false;  // through the TDS listener and the network connector
  std::unique_ptr<tsl::testing::tds_server> server_;
};

// A fixture run twice, once over each connector, with the same expectations.
template <typename Base>
class over_both : public Base, public ::testing::WithParamInterface<bool> {
 protected:
  over_both() { this->network_ = GetParam(); }
};

inline std::string connector_name(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "network" : "embedded";
}

}  // namespace tsl::oledb::testing
