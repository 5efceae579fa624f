// Connecting, commands, schema rowsets and errors through the provider.
#include <cstdlib>

#include "platform/oleaut/variant.h"
#include "platform/oledb/tests/oledb_fixture.h"

namespace tsl::oledb::testing {
namespace {

class provider_test : public oledb_fixture {};

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

TEST_F(provider_test, NetworkServersAreRefusedForNow) {
  ole_ptr<IDBInitialize> ds;
  EXPECT_EQ(open(u"Provider=sqloledb;Data Source=dbhost;Integrated Security=SSPI;", ds), E_FAIL);
  auto e = errors();
  ASSERT_EQ(e.results.size(), 1u);
  EXPECT_EQ(e.natives[0], 17);
  EXPECT_EQ(e.states[0], "08001");
  EXPECT_NE(e.descriptions[0].find("SQL Server does not exist or access denied."),
            std::string::npos);
  EXPECT_NE(e.descriptions[0].find("Network servers are not supported yet"), std::string::npos);
  EXPECT_EQ(e.sources[0], "Microsoft OLE DB Provider for SQL Server");
}

TEST_F(provider_test, LoginFailuresGiveTheirResults) {
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

TEST_F(provider_test, CommandErrorsCarrySqlServerRecords) {
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

TEST_F(provider_test, OpenRowsetOfAMissingTable) {
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

TEST_F(provider_test, SchemaRowsetsTakeVariantRestrictions) {
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
