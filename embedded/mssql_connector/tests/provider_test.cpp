// Connecting, commands, schema rowsets and errors through the provider.
#include <cstdlib>

#include "platform/oleaut/variant.h"
#include "embedded/mssql_connector/tests/oledb_fixture.h"

namespace tsl::oledb::testing {
namespace {

class provider_test : public oledb_fixture {};
// What both connectors must answer alike.
class provider_both_test : public over_both<oledb_fixture> {};
INSTANTIATE_TEST_SUITE_P(both, provider_both_test, ::testing::Bool(), connector_name);

TEST_F(provider_test, ServiceComponentNeedsComOnTheThread) {
  CoUninitialize();
  ole_ptr<IDataInitialize> init;
  EXPECT_EQ(CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDataInitialize, init.put_void()),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
}

TEST_F(provider_test, ConnectsByDirectoryAndByLocalNames) {
  ole_ptr<IDBInitialize> ds;
  EXPECT_EQ(open(conn(), ds), S_OK);
  setenv("TSL_MSSQL_DATA", dir_path_.c_str(), 1);
  for (const char* name : {"", ".", "(local)"}) {
    ole_ptr<IDBInitialize> local;
    std::string cs =
        std::string("Provider=sqloledb;Data Source=") + name + ";Integrated Security=SSPI;";
    EXPECT_EQ(open(text::utf8_to_utf16(cs), local), S_OK) << name;
  }
  unsetenv("TSL_MSSQL_DATA");
}

TEST_F(provider_test, UnknownHostsAreUnreachable) {
  ole_ptr<IDBInitialize> ds;
  EXPECT_EQ(
      open(u"Provider=sqloledb;Data Source=dbhost.invalid;User ID=sa;Password=x;", ds),
      E_FAIL);
  auto e = errors();
  ASSERT_EQ(e.results.size(), 1u);
  EXPECT_EQ(e.natives[0], 17);
  EXPECT_EQ(e.states[0], "08001");
  EXPECT_NE(e.descriptions[0].find("SQL Server does not exist or access denied."),
            std::string::npos);
  EXPECT_NE(e.descriptions[0].find("No SQL Server answered at dbhost.invalid,1433."),
            std::string::npos);
  EXPECT_EQ(e.sources[0], "Microsoft OLE DB Provider for SQL Server");
}

TEST_P(provider_both_test, LoginFailuresGiveTheirResults) {
  ole_ptr<IDBInitialize> ds;
  EXPECT_EQ(open(conn("User Id=bob;Password=bad;"), ds), DB_SEC_E_AUTH_FAILED);
  auto e = errors();
  ASSERT_EQ(e.descriptions.size(), 1u);
  EXPECT_EQ(e.descriptions[0], "Login failed for user 'bob'.");
  EXPECT_EQ(e.natives[0], 18456);
  ole_ptr<IDBInitialize> ok;
  EXPECT_EQ(open(conn("User ID=bob;Password=pw;"), ok), S_OK);
  ole_ptr<IDBInitialize> nodb;
  EXPECT_EQ(open(conn("Initial Catalog=nodb;Integrated Security=SSPI;"), nodb), E_FAIL);
  e = errors();
  ASSERT_EQ(e.natives.size(), 2u);
  EXPECT_EQ(e.natives[0], 4060);
  EXPECT_EQ(e.natives[1], 18456);
}

TEST_P(provider_both_test, CommandErrorsCarrySqlServerRecords) {
  auto s = session();
  ole_ptr<IRowset> r;
  EXPECT_EQ(execute(s.get(), u"SELECT * FROM nowhere", r), DB_E_NOTABLE);
  auto e = errors();
  ASSERT_EQ(e.descriptions.size(), 1u);
  EXPECT_EQ(e.descriptions[0], "Invalid object name 'nowhere'.");
  EXPECT_EQ(e.natives[0], 208);
  EXPECT_EQ(e.states[0], "42S02");
  EXPECT_EQ(execute(s.get(), u"SELECT * FORM items", r), DB_E_ERRORSINCOMMAND);
  e = errors();
  EXPECT_EQ(e.descriptions[0], "Incorrect syntax near 'FORM'.");
  EXPECT_EQ(execute(s.get(), u"SELEC 1", r), DB_E_ERRORSINCOMMAND);
  e = errors();
  EXPECT_EQ(e.descriptions[0], "Could not find stored procedure 'SELEC'.");
  EXPECT_EQ(execute(s.get(), u"SELECT 1", r), S_OK);
  ole_ptr<IErrorInfo> none;
  EXPECT_EQ(GetErrorInfo(0, none.put()), S_FALSE);
}

TEST_P(provider_both_test, OpenRowsetOfAMissingTable) {
  auto s = session();
  DBID id{};
  id.eKind = DBKIND_NAME;
  std::u16string name = u"[dbo].[missing]";
  id.uName.pwszName = name.data();
  ole_ptr<IRowset> r;
  EXPECT_EQ(s->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                          reinterpret_cast<IUnknown**>(r.put())),
            DB_E_NOTABLE);
  EXPECT_FALSE(r);
  name = u"[dbo].[items]";
  id.uName.pwszName = name.data();
  EXPECT_EQ(s->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                          reinterpret_cast<IUnknown**>(r.put())),
            S_OK);
  EXPECT_TRUE(r);
}

TEST_P(provider_both_test, SchemaRowsetsTakeVariantRestrictions) {
  auto s = session();
  ole_ptr<IDBSchemaRowset> schema;
  ASSERT_EQ(s.query(IID_IDBSchemaRowset, schema), S_OK);
  VARIANT rs[4];
  for (auto& v : rs) VariantInit(&v);
  rs[1].vt = VT_BSTR;
  rs[1].bstrVal = SysAllocString(u"dbo");
  rs[3].vt = VT_BSTR;
  rs[3].bstrVal = SysAllocString(u"TABLE");
  ole_ptr<IRowset> r;
  EXPECT_EQ(schema->GetRowset(nullptr, DBSCHEMA_TABLES, 4, rs, IID_IRowset, 0, nullptr,
                              reinterpret_cast<IUnknown**>(r.put())),
            S_OK);
  for (auto& v : rs) VariantClear(&v);
  ole_ptr<IColumnsInfo> ci;
  ASSERT_EQ(r.query(IID_IColumnsInfo, ci), S_OK);
  DBORDINAL n = 0;
  DBCOLUMNINFO* info = nullptr;
  OLECHAR* names = nullptr;
  ASSERT_EQ(ci->GetColumnInfo(&n, &info, &names), S_OK);
  EXPECT_EQ(n, 9u);
  EXPECT_EQ(std::u16string(info[2].pwszName), u"TABLE_NAME");
  EXPECT_EQ(info[4].wType, DBTYPE_GUID);
  EXPECT_EQ(info[6].wType, DBTYPE_UI4);
  EXPECT_EQ(info[7].wType, DBTYPE_DATE);
  CoTaskMemFree(info);
  CoTaskMemFree(names);
  HROW* rows = nullptr;
  DBCOUNTITEM got = 0;
  EXPECT_EQ(r->GetNextRows(0, 0, 5, &got, &rows), DB_S_ENDOFROWSET);
  EXPECT_EQ(got, 1u);
  r->ReleaseRows(got, rows, nullptr, nullptr, nullptr);
  CoTaskMemFree(rows);
  ole_ptr<IRowset> bad;
  EXPECT_EQ(schema->GetRowset(nullptr, DBSCHEMA_TABLES, 5, rs, IID_IRowset, 0, nullptr,
                              reinterpret_cast<IUnknown**>(bad.put())),
            E_INVALIDARG);
}

}  // namespace
}  // namespace tsl::oledb::testing

namespace tsl::oledb::testing {
namespace {

class provider_objects_test : public over_both<oledb_fixture> {};
INSTANTIATE_TEST_SUITE_P(both, provider_objects_test, ::testing::Bool(), connector_name);

TEST_P(provider_objects_test, RowsetOutlivesItsSessionAndDataSource) {
  ole_ptr<IRowset> r;
  {
    auto s = session();
    ASSERT_EQ(execute(s.get(), u"SELECT id FROM items", r), S_OK);
  }
  HROW h[5];
  HROW* p = h;
  DBCOUNTITEM got = 0;
  EXPECT_EQ(r->GetNextRows(0, 0, 5, &got, &p), DB_S_ENDOFROWSET);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(r->RestartPosition(0), DB_E_ROWSNOTRELEASED);
  EXPECT_EQ(r->ReleaseRows(got, h, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(r->ReleaseRows(1, h, nullptr, nullptr, nullptr), DB_E_ERRORSOCCURRED);
  EXPECT_EQ(r->RestartPosition(0), S_OK);
  p = nullptr;  // the provider allocates the handle array
  EXPECT_EQ(r->GetNextRows(0, 1, 5, &got, &p), DB_S_ENDOFROWSET);
  EXPECT_EQ(got, 2u);
  r->ReleaseRows(got, p, nullptr, nullptr, nullptr);
  CoTaskMemFree(p);
  EXPECT_EQ(r->GetNextRows(0, 0, -1, &got, &p), DB_E_CANTFETCHBACKWARDS);
}

TEST_P(provider_objects_test, CommandTextAndDialects) {
  auto s = session();
  ole_ptr<IDBCreateCommand> cc;
  s.query(IID_IDBCreateCommand, cc);
  ole_ptr<ICommandText> cmd;
  ASSERT_EQ(cc->CreateCommand(nullptr, IID_ICommandText, reinterpret_cast<IUnknown**>(cmd.put())),
            S_OK);
  ole_ptr<IRowset> r;
  EXPECT_EQ(
      cmd->Execute(nullptr, IID_IRowset, nullptr, nullptr, reinterpret_cast<IUnknown**>(r.put())),
      DB_E_NOCOMMAND);
  EXPECT_EQ(cmd->SetCommandText(DBSCHEMA_TABLES, u"SELECT 1"), DB_E_DIALECTNOTSUPPORTED);
  EXPECT_EQ(cmd->SetCommandText(DBGUID_DEFAULT, u"SELECT @@VERSION"), S_OK);
  LPOLESTR text = nullptr;
  GUID dialect{};
  EXPECT_EQ(cmd->GetCommandText(&dialect, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"SELECT @@VERSION");
  CoTaskMemFree(text);
  DBROWCOUNT affected = 0;
  EXPECT_EQ(
      cmd->Execute(nullptr, IID_IRowset, nullptr, &affected, reinterpret_cast<IUnknown**>(r.put())),
      S_OK);
  ASSERT_TRUE(r);
  ole_ptr<IOpenRowset> back;
  EXPECT_EQ(cmd->GetDBSession(IID_IOpenRowset, reinterpret_cast<IUnknown**>(back.put())), S_OK);
  EXPECT_EQ(back.get(), s.get());
  EXPECT_EQ(cmd->SetCommandText(DBGUID_DEFAULT, u"INSERT INTO items (name) VALUES (N'x'), (N'y')"),
            S_OK);
  EXPECT_EQ(
      cmd->Execute(nullptr, IID_IRowset, nullptr, &affected, reinterpret_cast<IUnknown**>(r.put())),
      S_OK);
  EXPECT_FALSE(r);
  EXPECT_EQ(affected, 2);
}

TEST_P(provider_objects_test, SessionsKeepTheirOwnDatabase) {
  auto a = session();
  auto b = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(execute(a.get(), u"USE master", r), S_OK);
  EXPECT_EQ(execute(a.get(), u"SELECT * FROM items", r), DB_E_NOTABLE);
  EXPECT_EQ(execute(b.get(), u"SELECT * FROM items", r), S_OK);
}

TEST_P(provider_objects_test, DataSourceStatesAndSchemas) {
  ole_ptr<IDataInitialize> init;
  CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                   init.put_void());
  ole_ptr<IUnknown> unk;
  std::u16string cs = conn();
  ASSERT_EQ(init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unk.put()),
            S_OK);
  ole_ptr<IDBCreateSession> create;
  unk.query(IID_IDBCreateSession, create);
  ole_ptr<IUnknown> s;
  EXPECT_EQ(create->CreateSession(nullptr, IID_IOpenRowset, s.put()), E_UNEXPECTED);
  ole_ptr<IDBInitialize> ds;
  unk.query(IID_IDBInitialize, ds);
  EXPECT_EQ(ds->Initialize(), S_OK);
  EXPECT_EQ(ds->Initialize(), DB_E_ALREADYINITIALIZED);
  EXPECT_EQ(create->CreateSession(nullptr, IID_IDBSchemaRowset, s.put()), S_OK);
  ole_ptr<IDBSchemaRowset> schema;
  s.query(IID_IDBSchemaRowset, schema);
  ULONG n = 0;
  GUID* guids = nullptr;
  ULONG* support = nullptr;
  ASSERT_EQ(schema->GetSchemas(&n, &guids, &support), S_OK);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(guids[4], DBSCHEMA_INDEXES);
  EXPECT_EQ(support[3], 0x3Fu);
  CoTaskMemFree(guids);
  CoTaskMemFree(support);
  EXPECT_EQ(init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, u"Provider=other;", IID_IUnknown,
                                unk.put()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(
      init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, u"nonsense", IID_IUnknown, unk.put()),
      DB_E_BADINITSTRING);
}

TEST_P(provider_objects_test, CatalogueRequestsThroughCommands) {
  auto s = session();
  ole_ptr<IRowset> r;
  EXPECT_EQ(execute(s.get(), u"EXEC sp_columns @table_name=[items], @table_owner=[dbo]", r), S_OK);
  ole_ptr<IColumnsInfo> ci;
  r.query(IID_IColumnsInfo, ci);
  DBORDINAL n = 0;
  DBCOLUMNINFO* info = nullptr;
  OLECHAR* names = nullptr;
  ci->GetColumnInfo(&n, &info, &names);
  EXPECT_EQ(n, 19u);
  EXPECT_EQ(std::u16string(info[12].pwszName), u"COLUMN_DEF");
  EXPECT_EQ(info[4].wType, DBTYPE_I2);
  CoTaskMemFree(info);
  CoTaskMemFree(names);
  EXPECT_EQ(execute(s.get(), u"exec sp_databases", r), S_OK);
  EXPECT_EQ(execute(s.get(), u"SELECT COUNT(*) FROM (SELECT * FROM items) as query", r), S_OK);
}

}  // namespace
}  // namespace tsl::oledb::testing
