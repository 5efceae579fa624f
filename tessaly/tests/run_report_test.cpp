// The JSON summary: tables in run order, errors with records, status of
// each table, safe strings, and a private file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tessaly/run_report.h"
#include "testing/temp_dir.h"

namespace tessaly {
namespace {

TEST(run_report, JsonStringsEscapeEverythingJsonForbids) {
  EXPECT_EQ(json_string("a\"b\\c\nd\te\x01"), "\"a\\\"b\\\\c\\nd\\te\\u0001\"");
  EXPECT_EQ(json_string("Émilie 山田"), "\"Émilie 山田\"");
}

TEST(run_report, TablesCarryCountsErrorsAndStatus) {
  run_report r("shop");
  r.table_started(u"orders", u"orders", 4);
  r.error(u"orders", 3, "orders, record #3: value too large");
  r.table_finished(u"orders", 4, 3);
  r.table_started(u"a\"b", u"A_B", 0);
  r.table_finished(u"a\"b", 0, 0);
  r.table_skipped(u"notes", u"notes");
  r.error(u"ghost", 0, "Table ghost not exists");
  r.error(u"", 0, "ORA-01017: invalid username/password");
  r.finish("completed with errors");

  const std::vector<table_result> t = r.tables();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].status, "failed");
  EXPECT_EQ(t[0].rows_read, 4);
  EXPECT_EQ(t[0].rows_written, 3);
  EXPECT_EQ(t[1].status, "converted");
  EXPECT_EQ(t[2].status, "skipped");
  EXPECT_EQ(t[3].status, "failed");
  EXPECT_EQ(t[3].destination, "");

  const std::string json = r.to_json();
  EXPECT_NE(json.find("\"status\": \"completed with errors\""), std::string::npos);
  EXPECT_NE(json.find("{\"record\": 3, \"message\": \"orders, record #3: value too large\"}"),
            std::string::npos);
  EXPECT_NE(json.find("{\"source\": \"a\\\"b\", \"destination\": \"A_B\""), std::string::npos);
  EXPECT_NE(json.find("{\"source\": \"ghost\", \"destination\": null"), std::string::npos);
  EXPECT_NE(json.find("\"errors\": [\n    {\"record\": null, \"message\": \"ORA-01017"),
            std::string::npos)
      << json;
}

TEST(run_report, FileIsPrivateEvenWhenItExisted) {
  tsl::testing::temp_dir dir;
  const std::string path = dir.file("r.json");
  tsl::testing::write_file(path, "old");
  ::chmod(path.c_str(), 0644);
  run_report r("shop");
  r.finish("completed");
  ASSERT_TRUE(r.write(path));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(tsl::testing::read_file(path), r.to_json());
  EXPECT_FALSE(r.write(dir.file("no/such/dir/r.json")));
}

}  // namespace
}  // namespace tessaly
