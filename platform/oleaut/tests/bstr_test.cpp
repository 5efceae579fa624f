#include "platform/oleaut/bstr.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Bstr, LengthsAndNulls) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);

  BSTR empty = SysAllocStringLen(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], 0);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);

  BSTR s = SysAllocString(u"abc");
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(SysStringByteLen(s), 6u);
  EXPECT_EQ(std::u16string(s), u"abc");
  SysFreeString(s);
  SysFreeString(nullptr);
}

TEST(Bstr, EmbeddedNulsAreKept) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(text, 3);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(std::u16string(s, 3), std::u16string(text, 3));
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);
}

TEST(Bstr, OddByteLengthIsKeptAndTerminated) {
  BSTR s = SysAllocStringByteLen("abcd", 3);
  EXPECT_EQ(SysStringByteLen(s), 3u);
  EXPECT_EQ(SysStringLen(s), 1u);
  EXPECT_EQ(std::memcmp(s, "abc", 3), 0);
  // The second character holds 'c' and a NUL byte; the third is a full NUL.
  EXPECT_EQ(s[2], 0);
  SysFreeString(s);

  BSTR zero = SysAllocStringByteLen(nullptr, 4);
  EXPECT_EQ(zero[0], 0);
  EXPECT_EQ(zero[1], 0);
  SysFreeString(zero);
}

TEST(Bstr, Reallocation) {
  BSTR s = SysAllocString(u"one");
  ASSERT_TRUE(SysReAllocStringLen(&s, u"three", 5));
  EXPECT_EQ(std::u16string(s), u"three");
  SysFreeString(s);
}
