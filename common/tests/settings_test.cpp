// Settings of both sides through profiles and registry values.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "ORA/ora_messages.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "common/udb_profile.h"
#include "testing/temp_dir.h"

namespace {

class settings : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    driver_ = std::make_unique<tessaly_convertor>();
  }
  void TearDown() override {
    driver_.reset();
    unsetenv("XDG_CONFIG_HOME");
  }
  std::string profile(const std::string& text) {
    std::string path = dir_.file("p.tsl");
    tsl::testing::write_file(path, text);
    return path;
  }
  tsl::testing::temp_dir dir_;
  std::unique_ptr<tessaly_convertor> driver_;
};

TEST_F(settings, ProfileLoadsEveryLevel) {
  tessaly_convertor& d = *driver_;
  d.selected_tables = {u"earlier"};
  ASSERT_TRUE(d.load_profile(
      profile("[Selected Tables]\r\ncustomers\r\nbig=SELECT * FROM orders WHERE a = 'x=y'\r\n\r\n"
              "[Available Queries]\nbig=SELECT * FROM orders WHERE a = 'x=y'\nother=SELECT 1\n"
              "[Generic settings]\nsrc=shop\ndest=target\nonly definitions=yes\nmode=2\n"
              "skip indexes=0\n"
              "[Oracle settings]\nIP=10.0.0.1\nhost=orcl\nuser=scott\nuser=second\npassword= a b \n"
              "port=1522\nuse TNS=yes\nuppercase=1\n"
              "[MS SQL Server settings]\nserver=srv\nlogin=bob\npassword=pw\n"
              "windows authentication=1\nconnect as DBO=1\n")));
  EXPECT_EQ(d.selected_tables, (std::vector<std::u16string>{u"earlier", u"customers"}));
  EXPECT_EQ(d.selected_entries.size(), 2u);
  EXPECT_EQ(d.selected_entries[u"big"], u"SELECT * FROM orders WHERE a = 'x=y'");
  EXPECT_EQ(d.available_queries.size(), 2u);
  EXPECT_EQ(d.database_name, u"shop");
  EXPECT_EQ(d.destination_name, u"target");
  EXPECT_TRUE(d.definitions_only);
  EXPECT_FALSE(d.skip_indexes);
  EXPECT_EQ(d.conversion_mode, 2);
  EXPECT_EQ(d.oracle.host, u"10.0.0.1");
  EXPECT_EQ(d.oracle.service, u"orcl");
  EXPECT_EQ(d.oracle.user, u"scott");     // the first of two wins
  EXPECT_EQ(d.oracle.password, u" a b");  // the line is trimmed before the split
  EXPECT_EQ(d.oracle.port, u"1522");
  EXPECT_FALSE(d.oracle.use_tns);  // anything but "1" clears it
  EXPECT_TRUE(d.uppercase);
  EXPECT_EQ(d.mssql.host, u"srv");
  EXPECT_EQ(d.mssql.user, u"bob");
  EXPECT_TRUE(d.mssql.windows_authentication);
  EXPECT_TRUE(d.mssql.engine().is_as_dbo());
}

TEST_F(settings, AbsentOrOddValuesLeaveSettings) {
  tessaly_convertor& d = *driver_;
  d.conversion_mode = 1;
  d.database_name = u"keep";
  d.oracle.use_tns = true;
  ASSERT_TRUE(d.load_profile(profile("[Generic settings]\nmode=12\nsrc=\n")));
  EXPECT_EQ(d.conversion_mode, 1);
  EXPECT_EQ(d.database_name, u"keep");
  EXPECT_TRUE(d.oracle.use_tns);
  // An entry before any section header: nothing at all is taken.
  EXPECT_FALSE(d.load_profile(profile("src=other\n[Generic settings]\nmode=2\n")));
  EXPECT_EQ(d.conversion_mode, 1);
  EXPECT_FALSE(d.load_profile(dir_.file("missing.tsl")));
}

TEST_F(settings, StoredProfileReloadsTheSameAndIsPrivate) {
  tessaly_convertor& d = *driver_;
  d.selected_entries = {{u"plain", u""}, {u"q", u"SELECT name FROM customers"}};
  d.available_queries = {{u"q", u"SELECT name FROM customers"}};
  d.database_name = u"shop";
  d.conversion_mode = 1;
  d.skip_indexes = true;
  d.uppercase = true;
  d.oracle.store_oracle_settings(u"orcl", u"scott", u"tiger");
  d.mssql.user = u"bob";
  d.mssql.password = u"pw";
  std::string path = dir_.file("out.tsl");
  ASSERT_TRUE(d.store_profile(path));
  std::string text = tsl::testing::read_file(path);
  EXPECT_EQ(text.find("[Available Queries]"), 0u);
  EXPECT_NE(text.find("\r\n[Selected Tables]\r\nplain\r\nq=SELECT name FROM customers\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("mode=1"), std::string::npos);
  EXPECT_NE(text.find("uppercase=1"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  driver_.reset();
  driver_ = std::make_unique<tessaly_convertor>();
  tessaly_convertor& e = *driver_;
  ASSERT_TRUE(e.load_profile(path));
  EXPECT_EQ(e.selected_entries.size(), 2u);
  EXPECT_EQ(e.selected_tables, (std::vector<std::u16string>{u"plain"}));
  EXPECT_EQ(e.database_name, u"shop");
  EXPECT_EQ(e.conversion_mode, 1);
  EXPECT_TRUE(e.skip_indexes);
  EXPECT_TRUE(e.uppercase);
  EXPECT_EQ(e.oracle.password, u"tiger");
  EXPECT_TRUE(e.oracle.use_tns);
  EXPECT_EQ(e.mssql.user, u"bob");
  EXPECT_FALSE(e.mssql.windows_authentication);
}

TEST_F(settings, EmptyProfileHoldsTheThreeSections) {
  std::string path = dir_.file("empty.tsl");
  ASSERT_TRUE(driver_->store_profile(path));
  std::string text = tsl::testing::read_file(path);
  EXPECT_NE(text.find("[Available Queries]"), std::string::npos);
  EXPECT_NE(text.find("[Selected Tables]"), std::string::npos);
  EXPECT_NE(text.find("[Generic settings]"), std::string::npos);
}

TEST_F(settings, RegistryKeepsTheLastSettings) {
  tessaly_convertor& d = *driver_;
  // Nothing stored yet: the defaults stand, and the missing values fail.
  EXPECT_FALSE(d.serialize(false));
  EXPECT_EQ(d.conversion_mode, 0);
  EXPECT_TRUE(d.mssql.windows_authentication);
  EXPECT_TRUE(d.uppercase);
  d.conversion_mode = 2;
  d.uppercase = false;
  d.definitions_only = true;
  d.mssql.windows_authentication = false;
  d.mssql.host = u"srv";
  d.oracle.service = u"orcl";
  d.oracle.password = u"tiger";
  d.database_name = u"shop";
  EXPECT_TRUE(d.serialize(true));

  driver_.reset();
  driver_ = std::make_unique<tessaly_convertor>();
  tessaly_convertor& e = *driver_;
  EXPECT_TRUE(e.serialize(false));
  EXPECT_EQ(e.conversion_mode, 2);
  EXPECT_FALSE(e.uppercase);
  EXPECT_TRUE(e.definitions_only);
  EXPECT_FALSE(e.mssql.windows_authentication);
  EXPECT_EQ(e.mssql.host, u"srv");
  EXPECT_EQ(e.oracle.service, u"orcl");
  EXPECT_EQ(e.oracle.password, u"tiger");
  EXPECT_EQ(e.database_name, u"shop");
}

TEST_F(settings, SecondDriverIsAnInternalError) {
  EXPECT_THROW(tessaly_convertor(), tk_mail_assertion);
}

}  // namespace
