#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "testing/temp_dir.h"

namespace tsl::registry {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1); }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  key_handle open(const std::string& path, uint32_t* disp = nullptr) {
    key_handle k = nullptr;
    EXPECT_EQ(create_key(current_user, path, &k, disp), kSuccess) << last_error_text();
    return k;
  }

  std::u16string read_text(key_handle k, const std::string& name) {
    uint32_t type = 0, size = 0;
    EXPECT_EQ(query_value(k, name, &type, nullptr, &size), kSuccess);
    std::u16string buf(size / 2, u'\0');
    EXPECT_EQ(query_value(k, name, &type, reinterpret_cast<uint8_t*>(buf.data()), &size), kSuccess);
    EXPECT_EQ(type, kString);
    if (!buf.empty()) buf.pop_back();  // the stored NUL
    return buf;
  }

  tsl::testing::temp_dir dir_;
};

TEST_F(RegistryTest, MissingFileIsEmptyAndKeysAreCreated) {
  uint32_t disp = 0;
  key_handle k = open("Software\\Vendrel\\Tessaly", &disp);
  EXPECT_EQ(disp, kCreatedNewKey);
  uint32_t size = 4, n = 0;
  EXPECT_EQ(query_value(k, "mode", nullptr, reinterpret_cast<uint8_t*>(&n), &size), kFileNotFound);
  close_key(k);
  k = open("software\\vendrel\\tessaly", &disp);  // names ignore case
  EXPECT_EQ(disp, kOpenedExistingKey);
  close_key(k);
  struct stat st {};
  ASSERT_EQ(stat(store_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, ValuesSurviveAndKeepTheirTypes) {
  key_handle k = open("Software\\Vendrel\\Tessaly");
  uint32_t n = 7;
  EXPECT_EQ(set_value(k, "mode", kDword, reinterpret_cast<uint8_t*>(&n), 4), kSuccess);
  std::u16string pw = u"p\"a\\s;s=\nw\u00f6rd \u4e2d";
  EXPECT_EQ(set_value(k, "oraclep", kString, reinterpret_cast<const uint8_t*>(pw.c_str()),
                      static_cast<uint32_t>((pw.size() + 1) * 2)),
            kSuccess);
  close_key(k);

  k = open("Software\\Vendrel\\Tessaly");
  uint32_t type = 0, size = 4, got = 0;
  EXPECT_EQ(query_value(k, "MODE", &type, reinterpret_cast<uint8_t*>(&got), &size), kSuccess);
  EXPECT_EQ(type, kDword);
  EXPECT_EQ(got, 7u);
  EXPECT_EQ(read_text(k, "oraclep"), pw);

  // Too small a buffer answers the size needed.
  char16_t small[2];
  size = sizeof small;
  EXPECT_EQ(query_value(k, "oraclep", &type, reinterpret_cast<uint8_t*>(small), &size), kMoreData);
  EXPECT_EQ(size, (pw.size() + 1) * 2);
  close_key(k);
}

TEST_F(RegistryTest, CorruptFileIsReportedAndNeverOverwritten) {
  key_handle k = open("Software\\Vendrel\\Tessaly");
  close_key(k);
  std::string broken = "[Software\\Vendrel\\Tessaly]\n\"mode\"=dword:zz\n";
  tsl::testing::write_file(store_path(), broken);
  key_handle again = nullptr;
  EXPECT_EQ(create_key(current_user, "Software\\Other", &again, nullptr), kCorrupt);
  EXPECT_NE(last_error_text().find("line 2"), std::string::npos) << last_error_text();
  EXPECT_NE(last_error_text().find(store_path()), std::string::npos);
  EXPECT_EQ(tsl::testing::read_file(store_path()), broken);

  for (const char* bad : {"\"x\"=\"no key\"\n", "[k\n", "[k]\nx=1\n", "[k]\n\"x\"=\"open\n",
                          "[k]\n\"x\"=\"\\q\"\n", "[k]\n\"x\"=dword:123456789\n", "[k]\n\xff\n"}) {
    tsl::testing::write_file(store_path(), bad);
    EXPECT_EQ(create_key(current_user, "k", &again, nullptr), kCorrupt) << bad;
    EXPECT_EQ(tsl::testing::read_file(store_path()), bad);
  }
}

}  // namespace
}  // namespace tsl::registry
