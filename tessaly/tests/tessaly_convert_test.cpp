// tessaly convert end to end: what the agent converts, selection by names
// and patterns, progress lines, the JSON report, exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tessaly/tests/tessaly_fixture.h"

namespace tessaly_testing {
namespace {

using names = std::vector<std::string>;

class tessaly_convert : public tessaly_fixture {
 protected:
  void add_notes() {
    mssql(
        "USE sample_shop\nGO\nCREATE TABLE notes (n int NULL, t nvarchar(10) NULL)\nGO\n"
        "INSERT INTO notes VALUES (1, N'one'), (2, N'two'), (3, NULL), (4, N'four'), (5, "
        "N'five')\nGO\n");
  }
};

TEST_F(tessaly_convert, WholeSampleArrivesAsWithTheAgent) {
  const std::string report = tmp_.file("run.json");
  outcome o = run("convert", {"--report=" + report});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  // Not a terminal: one plain line per table, then the summary.
  EXPECT_NE(o.err.find("customers: 8 of 8 rows written, "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("order_lines: 5 of 5 rows written, "), std::string::npos);
  EXPECT_NE(o.err.find("4 tables, 21 rows written, 0 errors\n"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find('\r'), std::string::npos);
  EXPECT_EQ(tables(), (names{"customers", "order_lines", "orders", "products"}));
  EXPECT_EQ(count("customers"), "8");
  EXPECT_EQ(column("SELECT index_name FROM user_indexes WHERE table_name = 'customers' ORDER BY 1"),
            (names{"IX_customers_name", "PK_customers", "UQ_customers_code"}));
  const std::string oracle_content =
      column("SELECT \"name\" || '|' || \"city\" FROM \"customers\" ORDER BY 1").front();

  const std::string json = tsl::testing::read_file(report);
  EXPECT_NE(json.find("\"database\": \"sample_shop\""), std::string::npos);
  EXPECT_NE(json.find("\"status\": \"completed\""), std::string::npos);
  EXPECT_NE(json.find("{\"source\": \"orders\", \"destination\": \"orders\", \"status\": "
                      "\"converted\",\n     \"source_rows\": 4, \"rows_read\": 4, "
                      "\"rows_written\": 4"),
            std::string::npos)
      << json;
  struct stat st {};
  ASSERT_EQ(::stat(report.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // The agent, run after it over the same tables, leaves the same content.
  ASSERT_EQ(convert({"--silent"}).status, 0);
  EXPECT_EQ(column("SELECT \"name\" || '|' || \"city\" FROM \"customers\" ORDER BY 1").front(),
            oracle_content);
  // Quiet means nothing at all on success.
  o = run("convert", {"--quiet"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out + o.err, "");
}

TEST_F(tessaly_convert, SelectsByNamesAndPatterns) {
  outcome o = run("convert", {"--include=ORDER*", "--exclude=*lines"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(tables(), names{"orders"});
  // Names and a tables file add up, in any case.
  const std::string list = write("list.txt", "PRODUCTS\n");
  o = run("convert", {"Customers", "--tables-file=" + list});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(tables(), (names{"customers", "orders", "products"}));
}

TEST_F(tessaly_convert, EmptySelectionIsRefusedNotWidened) {
  // A pattern that matches nothing must not mean "every table".
  outcome o = run("convert", {"--include=nothing*"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "tessaly: no table matches the selection\n");
  EXPECT_EQ(tables(), names{});
}

TEST_F(tessaly_convert, LostRecordsAndMissingTablesCompleteWithErrors) {
  add_notes();
  exec("CREATE TABLE \"notes\" (\"n\" NUMBER(10,0), \"t\" NVARCHAR2(10))");
  exec("CREATE UNIQUE INDEX \"UX_n\" ON \"notes\" (\"n\")");
  exec("INSERT INTO \"notes\" VALUES (3, 'old')");
  const std::string report = tmp_.file("r.json");
  outcome o = run("convert", {"notes", "ghost", "--mode=merge", "--report", report});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("error: notes, record #3: "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("notes: 4 of 5 rows written, "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("Table ghost not exists"), std::string::npos) << o.err;
  EXPECT_EQ(count("notes"), "5");
  const std::string json = tsl::testing::read_file(report);
  EXPECT_NE(json.find("\"status\": \"completed with errors\""), std::string::npos);
  EXPECT_NE(json.find("\"rows_read\": 5, \"rows_written\": 4"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"record\": 3, \"message\": \"notes, record #3: "), std::string::npos);
  EXPECT_NE(json.find("{\"source\": \"ghost\", \"destination\": null, \"status\": \"failed\""),
            std::string::npos)
      << json;
}

TEST_F(tessaly_convert, FatalErrorsEndWith255AndStillReport) {
  // No password anywhere and no terminal to ask on: the logon fails.
  unsetenv("TSL_ORACLE_PASSWORD");
  outcome o = run("convert");
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.err.find("tessaly: "), std::string::npos);
  EXPECT_EQ(tables(), names{});
  setenv("TSL_ORACLE_PASSWORD", "tiger", 1);
  o = tessaly({"convert", "--database=nosuch", "--oracle=ORCL", "--oracle-user=scott"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "tessaly: database 'nosuch' does not exist\n");
  o = tessaly({"convert", "--database=sample_shop", "--oracle-user=scott"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "tessaly: no Oracle database: use --oracle or --oracle-host\n");
}

TEST_F(tessaly_convert, ProfilesAreTheAgentsFormat) {
  const std::string saved = tmp_.file("saved.tsl");
  ASSERT_EQ(run("convert", {"orders", "--uppercase", "--save-profile=" + saved}).status, 0);
  const std::string text = tsl::testing::read_file(saved);
  EXPECT_NE(text.find("[Generic settings]"), std::string::npos);
  EXPECT_EQ(text.find("tiger"), std::string::npos) << "no password in a profile written from env";
  struct stat st {};
  ASSERT_EQ(::stat(saved.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  exec("DROP TABLE \"ORDERS\"");
  // The agent reads it back and converts what it lists.
  outcome o = agent({"--profile=" + saved, "--silent"});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(tables(), names{"ORDERS"});
  // And tessaly reads the agent's.
  const std::string profile = write("p.tsl",
                                    "[Generic settings]\nsrc=sample_shop\nmode=2\n"
                                    "[Selected Tables]\nproducts=\n"
                                    "[Oracle settings]\nhost=ORCL\nuser=scott\n"
                                    "[MS SQL Server settings]\nwindows authentication=1\n");
  o = tessaly({"convert", "--profile=" + profile});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(tables(), (names{"ORDERS", "products"}));
}

TEST_F(tessaly_convert, HelpVersionAndUsageErrors) {
  outcome o = tessaly({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("tessaly ", 0), 0u);
  o = tessaly({"convert", "--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("Usage: tessaly convert", 0), 0u) << o.out;
  o = tessaly({"convert", "--jobs"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err,
            "tessaly: option '--jobs' needs a value\nTry 'tessaly --help' for more information.\n");
}

}  // namespace
}  // namespace tessaly_testing
