#include "embedded/oracle_tool/script.h"

#include <gtest/gtest.h>

namespace tsl::eora {
namespace {

TEST(script, SplitsOnSemicolonsOutsideQuotesAndComments) {
  auto s = split_script(
      "create table t (a varchar2(5));\ninsert into t values ('a;b'); -- c;d\n/* x; */ select * "
      "from t");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0], "create table t (a varchar2(5))");
  EXPECT_EQ(s[1], "insert into t values ('a;b')");
  EXPECT_EQ(s[2], "/* x; */ select * from t");
}

TEST(script, TriggerBodyEndsAtSlashLine) {
  auto s = split_script(
      "CREATE OR REPLACE TRIGGER T__TRIGGER BEFORE INSERT ON T FOR EACH ROW WHEN (new.C IS NULL) "
      "BEGIN select "
      "S.nextval into :new.C from dual; END;\n/\nselect 1 from dual;");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].substr(s[0].size() - 4), "END;");
  EXPECT_EQ(s[1], "select 1 from dual");
}

TEST(script, EmptyAndBlankInput) {
  EXPECT_TRUE(split_script("").empty());
  EXPECT_TRUE(split_script(" ;\n;\n/\n").empty());
}

}  // namespace
}  // namespace tsl::eora
