// convert --jobs: the tables are filled by several processes at once, and
// the Oracle schema and rows come out as one job makes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "tessaly/tests/tessaly_fixture.h"

namespace tessaly_testing {
namespace {

using rows = std::vector<std::vector<std::string>>;

class tessaly_jobs : public tessaly_fixture {
 protected:
  // Every row of every table (sorted), and what the catalogue holds.
  rows snapshot() {
    rows out;
    for (const std::string& t : tables()) {
      rows r = oracle("SELECT * FROM \"" + t + "\"");
      std::sort(r.begin(), r.end());
      out.push_back({"table " + t});
      out.insert(out.end(), r.begin(), r.end());
    }
    for (const char* sql :
         {"SELECT index_name, table_name, uniqueness FROM user_indexes ORDER BY 1",
          "SELECT c.table_name, p.table_name, c.delete_rule FROM user_constraints c, "
          "user_constraints p WHERE c.constraint_type = 'R' AND p.constraint_name = "
          "c.r_constraint_name ORDER BY 1, 2",
          "SELECT sequence_name, TO_CHAR(last_number) FROM user_sequences ORDER BY 1",
          "SELECT trigger_name, table_name FROM user_triggers ORDER BY 1"}) {
      rows r = oracle(sql);
      out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  }
};

TEST_F(tessaly_jobs, TwoJobsLeaveWhatOneJobLeaves) {
  // A fifth table with an identity, a name Oracle refuses and a bad record.
  mssql(
      "USE sample_shop\nGO\nCREATE TABLE [odd name!] (id int IDENTITY(1,1) PRIMARY KEY, "
      "v nvarchar(20) NULL)\nGO\n"
      "INSERT INTO [odd name!] (v) VALUES (N'a'), (N'b'), (N'c')\nGO\n");
  const std::string report = tmp_.file("r.json");
  outcome o = run("convert", {"--jobs=2", "--foreign-keys", "--report=" + report});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find("customers: 8 of 8 rows written, "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("odd name! -> odd_name_: 3 of 3 rows written, "), std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("5 tables, 24 rows written, 0 errors\n"), std::string::npos) << o.err;
  const std::string json = tsl::testing::read_file(report);
  EXPECT_NE(json.find("{\"source\": \"orders\", \"destination\": \"orders\", \"status\": "
                      "\"converted\",\n     \"source_rows\": 4, \"rows_read\": 4, "
                      "\"rows_written\": 4"),
            std::string::npos)
      << json;
  const rows two = snapshot();
  EXPECT_EQ(run("verify").status, 0);

  ASSERT_EQ(run("convert", {"--foreign-keys", "--quiet"}).status, 0);
  EXPECT_EQ(snapshot(), two);
  // The sequences went on above the copied values in both.
  exec("INSERT INTO \"odd_name_\" (\"v\") VALUES ('d')");
  EXPECT_EQ(one("SELECT TO_CHAR(max(\"id\")) FROM \"odd_name_\""), "4");
}

TEST_F(tessaly_jobs, ErrorsOfAJobReachTheReportAndStatus) {
  mssql(
      "USE sample_shop\nGO\nCREATE TABLE notes (n int NULL, t nvarchar(10) NULL)\nGO\n"
      "INSERT INTO notes VALUES (1, N'one'), (2, N'two'), (3, NULL)\nGO\n");
  exec("CREATE TABLE \"notes\" (\"n\" NUMBER(10,0), \"t\" NVARCHAR2(10))");
  exec("CREATE UNIQUE INDEX \"UX_n\" ON \"notes\" (\"n\")");
  exec("INSERT INTO \"notes\" VALUES (2, 'old')");
  const std::string report = tmp_.file("r.json");
  outcome o = run("convert", {"-j", "3", "--mode=merge", "--report", report});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("error: notes, record #2: "), std::string::npos) << o.err;
  EXPECT_EQ(count("notes"), "3");
  EXPECT_EQ(count("orders"), "4");
  const std::string json = tsl::testing::read_file(report);
  EXPECT_NE(json.find("\"rows_read\": 3, \"rows_written\": 2"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"record\": 2, \"message\": \"notes, record #2: "), std::string::npos);
  EXPECT_NE(json.find("\"status\": \"completed with errors\""), std::string::npos);
}

}  // namespace
}  // namespace tessaly_testing
