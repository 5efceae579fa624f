#include "common/tk_error_converter.h"

#include <gtest/gtest.h>

namespace {

const tk_error_entry kFirst[] = {
    {0x100001, "unique constraint violated"},
    {0x100036, "table is busy"},
};
const tk_error_entry kSecond[] = {
    {0x100001, "a later text for the same code"},
    {0x84005, "login failed"},
};

TEST(TkErrorConverter, FirstTextOfACodeWins) {
  tk_error_converter map(2, kFirst);
  EXPECT_EQ(map.size(), 2u);
  map.load_map(2, kSecond);
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(map.convert(0x100001), "unique constraint violated");
  EXPECT_EQ(map.convert(0x84005), "login failed");
}

TEST(TkErrorConverter, UnknownCodeGivesEmptyText) {
  tk_error_converter map(2, kFirst);
  EXPECT_EQ(map.convert(0), "");
  EXPECT_EQ(map.convert(0x36), "");  // the ORA number alone is not the code
  tk_error_converter empty(0, nullptr);
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_EQ(empty.convert(0x100001), "");
}

}  // namespace
