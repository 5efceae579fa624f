#include "common/udb_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/temp_dir.h"

namespace {

using tsl::testing::read_file;
using tsl::testing::temp_dir;
using tsl::testing::write_file;

TEST(UdbProfile, NewProfileWritesItsThreeSections) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  ASSERT_TRUE(udb_profile().write(file));
  EXPECT_EQ(read_file(file),
            "[Available Queries]\r\n\r\n[Generic settings]\r\n\r\n[Selected Tables]\r\n\r\n");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(UdbProfile, RoundTripKeepsTablesQueriesAndOrder) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  udb_profile p;
  p.put(udb_profile::kSelectedTables, u"Orders", u"");
  p.put(udb_profile::kSelectedTables, u"Big", u"select * from Orders where a='x=y'");
  p.put(udb_profile::kOracleSettings, u"password", u"p;w=\u00e9");
  p.put(udb_profile::kOracleSettings, u"password", u"second put is ignored");
  p.put(udb_profile::kGenericSettings, u"mode", u"1");
  ASSERT_TRUE(p.write(file));
  std::string text = read_file(file);
  EXPECT_NE(text.find("[Selected Tables]\r\nBig=select * from Orders where a='x=y'\r\nOrders\r\n"),
            std::string::npos)
      << text;
  EXPECT_LT(text.find("[Generic settings]"), text.find("[Oracle settings]"));

  udb_profile q;
  ASSERT_TRUE(q.read(file));
  EXPECT_EQ(q.sections(), p.sections());
  EXPECT_EQ(q.get(udb_profile::kOracleSettings, u"password"), u"p;w=\u00e9");
}

TEST(UdbProfile, ReadingRules) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  write_file(file,
             "\r\n[Oracle settings]\r\n  user = first \r\nuser=second\r\n"
             "[Selected Tables]\r\n bare name \r\n\r\n[Oracle settings]\r\nhost=orcl\r\n");
  udb_profile p;
  ASSERT_TRUE(p.read(file));
  EXPECT_EQ(p.get(udb_profile::kOracleSettings, u"user"), u" first");  // trimmed line, then split
  EXPECT_EQ(p.get(udb_profile::kOracleSettings, u"host"), u"orcl");    // a second header continues
  EXPECT_EQ(p.sections().at(udb_profile::kSelectedTables).count(u"bare name"), 1u);
  EXPECT_EQ(p.get(u"No such", u"x"), u"");
}

TEST(UdbProfile, EntryBeforeAnySectionLoadsNothing) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  write_file(file, "src=db\r\n[Generic settings]\r\nmode=1\r\n");
  udb_profile p;
  EXPECT_FALSE(p.read(file));
  EXPECT_EQ(p.get(udb_profile::kGenericSettings, u"mode"), u"");
  EXPECT_FALSE(p.read(dir.file("missing.tsl")));
}

TEST(UdbProfile, LongAndMultiLineQueriesSurvive) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  std::u16string long_sql = u"select " + std::u16string(6000, u'x') + u" from t";
  udb_profile p;
  p.put(udb_profile::kAvailableQueries, u"Long", long_sql);
  p.put(udb_profile::kAvailableQueries, u"Lines", u"select * -- all\r\nfrom t\nwhere 1=1");
  ASSERT_TRUE(p.write(file));
  udb_profile q;
  ASSERT_TRUE(q.read(file));
  EXPECT_EQ(q.get(udb_profile::kAvailableQueries, u"Long"), long_sql);
  // One line that means the same: the comment no longer swallows the rest.
  EXPECT_EQ(q.get(udb_profile::kAvailableQueries, u"Lines"), u"select * /*  all */ from t where 1=1");
  EXPECT_EQ(q.sections().at(udb_profile::kAvailableQueries).size(), 2u);
}

TEST(UdbProfile, RewritingTightensPermissions) {
  temp_dir dir;
  std::string file = dir.file("p.tsl");
  write_file(file, "old");
  chmod(file.c_str(), 0644);
  ASSERT_TRUE(udb_profile().write(file));
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(udb_profile().write(dir.path() + "/missing/p.tsl"));
}

}  // namespace
