#include "TK/tk_reg_key.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "TK/tk_exception.h"
#include "testing/temp_dir.h"

namespace {

class TkRegKey : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1); }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
  tsl::testing::temp_dir dir_;
};

TEST_F(TkRegKey, SerializeBothWays) {
  {
    tk_reg_key key("Software\\Vendrel\\Tessaly");
    ASSERT_TRUE(key.is_open());
    uint32_t mode = 2;
    bool flag = true;
    std::u16string host = u"db;host=\u00e9";
    EXPECT_TRUE(key.serialize("mode", mode, true));
    EXPECT_TRUE(key.serialize("uppercase", flag, true));
    EXPECT_TRUE(key.serialize("mssqlh", host, true));
    EXPECT_EQ(key.set_value(2u, "sec_log"), 0);
  }
  tk_reg_key key("Software\\Vendrel\\Tessaly");
  uint32_t mode = 0, raw = 0;
  bool flag = false, two = false;
  std::u16string host;
  EXPECT_TRUE(key.serialize("mode", mode, false));
  EXPECT_EQ(mode, 2u);
  EXPECT_TRUE(key.serialize("uppercase", flag, false));
  EXPECT_TRUE(flag);
  EXPECT_EQ(key.get_value(raw, "uppercase"), 0);
  EXPECT_EQ(raw, 1u);  // a true flag is stored as 1
  EXPECT_TRUE(key.serialize("sec_log", two, false));
  EXPECT_TRUE(two);  // any non-zero number reads as true
  EXPECT_TRUE(key.serialize("mssqlh", host, false));
  EXPECT_EQ(host, u"db;host=\u00e9");
  std::u16string missing = u"keep";
  EXPECT_FALSE(key.serialize("src", missing, false));
  EXPECT_EQ(missing, u"keep");
}

TEST_F(TkRegKey, MisuseAndClosedKeys) {
  tk_reg_key closed;
  uint32_t n = 0;
  EXPECT_FALSE(closed.serialize("mode", n, false));
  EXPECT_THROW(closed.set_value(1u, "mode"), tk_mail_assertion);
  EXPECT_THROW(closed.set_value(static_cast<const char16_t*>(nullptr), u"x"), tk_mail_assertion);
  EXPECT_THROW(closed.open(nullptr, "x"), tk_mail_assertion);
  EXPECT_THROW(closed.get_value(n, nullptr), tk_mail_assertion);
  EXPECT_THROW(closed.get_value(nullptr, u"x", nullptr), tk_mail_assertion);
}

TEST_F(TkRegKey, CorruptStoreFailsToOpen) {
  { tk_reg_key key("Software\\Vendrel\\Tessaly"); }
  tsl::testing::write_file(tsl::registry::store_path(), "garbage\n");
  tk_reg_key key("Software\\Vendrel\\Tessaly");
  EXPECT_FALSE(key.is_open());
  EXPECT_EQ(tsl::testing::read_file(tsl::registry::store_path()), "garbage\n");
}

}  // namespace
