// tessaly ddl and list: the script re-creates in a fresh schema exactly what
// a conversion creates, and the names match what the run would give.
#include <gtest/gtest.h>

#include "tessaly/tests/tessaly_fixture.h"

namespace tessaly_testing {
namespace {

using rows = std::vector<std::vector<std::string>>;

class tessaly_ddl : public tessaly_fixture {
 protected:
  rows catalogue_of(const std::string& user, const std::string& password) {
    ora_engine engine;
    engine.logon(u"ORCL", tsl::text::utf8_to_utf16(user), tsl::text::utf8_to_utf16(password));
    rows out;
    for (const char* sql :
         {"SELECT table_name, column_name, data_type, TO_CHAR(data_length), "
          "TO_CHAR(data_precision), TO_CHAR(data_scale), nullable, data_default "
          "FROM user_tab_columns ORDER BY table_name, column_id",
          "SELECT index_name, table_name, uniqueness FROM user_indexes ORDER BY 1",
          // NOT NULL checks and foreign keys get generated names: counted or
          // described, not named.
          "SELECT constraint_name, constraint_type, table_name FROM user_constraints "
          "WHERE constraint_type NOT IN ('C', 'R') ORDER BY 1",
          "SELECT c.table_name, p.table_name, c.delete_rule FROM user_constraints c, "
          "user_constraints p WHERE c.constraint_type = 'R' AND p.constraint_name = "
          "c.r_constraint_name ORDER BY 1, 2",
          "SELECT table_name, TO_CHAR(count(*)) FROM user_constraints WHERE constraint_type = 'C' "
          "GROUP BY table_name ORDER BY 1",
          "SELECT sequence_name FROM user_sequences ORDER BY 1",
          "SELECT trigger_name, table_name FROM user_triggers ORDER BY 1"}) {
      ora_query_results q;
      q.initialize(0, tsl::text::utf8_to_utf16(sql));
      while (!q.is_eof()) {
        udb_record& r = *q.get_item();
        std::vector<std::string> row;
        for (size_t i = 0; i < r.size(); ++i)
          row.push_back((r[i].vartype() == VT_NULL || r[i].vartype() == VT_EMPTY)
                            ? "<null>"
                            : tsl::text::utf16_to_utf8(r[i].to_wstring()));
        out.push_back(row);
      }
      out.push_back({"--"});
    }
    return out;
  }
  int oracle_tool(const std::string& user, const std::string& script) {
    std::string cmd = quote(TSL_ORACLE_TOOL) + " sql ORCL " + user + " -f " + quote(script) + " >" +
                      quote(tmp_.file("tool.out")) + " 2>&1";
    int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
  }
};

TEST_F(tessaly_ddl, ScriptRecreatesWhatAConversionCreates) {
  // An identity column and a name Oracle refuses make the script's harder parts.
  mssql(
      "USE sample_shop\nGO\nCREATE TABLE [odd name!] (id int IDENTITY(1,1) PRIMARY KEY, "
      "v nvarchar(20) NOT NULL DEFAULT N'x')\nGO\n");
  outcome o = run("ddl", {"--uppercase", "--foreign-keys"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("CREATE SEQUENCE "), std::string::npos) << o.out;
  EXPECT_NE(o.out.find(" END;\n/\n"), std::string::npos);
  const std::string script = write("schema.sql", o.out);

  tsl::eora::create_user("ORCL", "fresh", "pw");
  setenv("TSL_ORACLE_PASSWORD", "pw", 1);
  ASSERT_EQ(oracle_tool("fresh", script), 0) << tsl::testing::read_file(tmp_.file("tool.out"));
  setenv("TSL_ORACLE_PASSWORD", "tiger", 1);

  ASSERT_EQ(
      run("convert", {"--uppercase", "--definitions-only", "--foreign-keys", "--quiet"}).status, 0);
  const rows converted = catalogue_of("scott", "tiger");
  EXPECT_GT(converted.size(), 40u);
  EXPECT_EQ(catalogue_of("fresh", "pw"), converted);
}

TEST_F(tessaly_ddl, ReleaseAndSelectionShapeTheScript) {
  outcome o = run("ddl", {"products", "--skip-indexes", "--oracle-release=8"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("CREATE TABLE \"products\""), std::string::npos);
  EXPECT_EQ(o.out.find("CREATE TABLE \"orders\""), std::string::npos);
  EXPECT_EQ(o.out.find("ALTER TABLE"), std::string::npos);
  EXPECT_EQ(o.out.find("TIMESTAMP"), std::string::npos) << "release 8 has no TIMESTAMP";
  // Named, a server lends its release and nothing more.
  tsl::eora::create_database("OLD", 1522, "8.1");
  tsl::eora::create_user("OLD", "scott", "tiger");
  const std::string old_release = o.out;
  o = run("ddl", {"products", "--skip-indexes", "--oracle=OLD", "--oracle-user=scott"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, old_release);
  o = run("ddl", {"products", "--skip-indexes", "-o", "ORCL", "-u", "scott"});
  EXPECT_EQ(o.out, run("ddl", {"products", "--skip-indexes"}).out);
  EXPECT_NE(o.out, old_release);
  // A table the source lacks is reported; the rest is still written.
  o = run("ddl", {"products", "ghost"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "error: ghost: Table ghost not exists\n");
  EXPECT_NE(o.out.find("CREATE TABLE \"products\""), std::string::npos);
}

TEST_F(tessaly_ddl, ListShowsCountsAndOracleNames) {
  mssql(
      "USE sample_shop\nGO\nCREATE TABLE [odd name!] (n int)\nGO\n"
      "INSERT INTO [odd name!] VALUES (1), (2)\nGO\n");
  outcome o = run("list", {"--uppercase", "--exclude=order*"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "NAME       KIND   ROWS  ORACLE NAME\n"
            "customers  table     8  CUSTOMERS\n"
            "odd name!  table     2  ODD_NAME_\n"
            "products   table     4  PRODUCTS\n");
  // The conversion gives the names the list showed.
  ASSERT_EQ(run("convert", {"--uppercase", "--exclude=order*", "--quiet"}).status, 0);
  EXPECT_EQ(tables(), (std::vector<std::string>{"CUSTOMERS", "ODD_NAME_", "PRODUCTS"}));
}

}  // namespace
}  // namespace tessaly_testing
