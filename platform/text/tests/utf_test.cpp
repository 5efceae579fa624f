#include "platform/text/utf.h"

#include <gtest/gtest.h>

namespace tsl::text {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  std::u16string s = u"a\u00e9\u4e2d\U0001F600z";
  bool valid = false;
  std::string u8 = utf16_to_utf8(s, &valid);
  EXPECT_TRUE(valid);
  EXPECT_EQ(u8, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z");
  EXPECT_EQ(utf8_to_utf16(u8, &valid), s);
  EXPECT_TRUE(valid);
}

TEST(Utf, EmbeddedNulIsKept) {
  std::string u8("a\0b", 3);
  EXPECT_EQ(utf8_to_utf16(u8), std::u16string(u"a\0b", 3));
  EXPECT_EQ(utf16_to_utf8(std::u16string(u"a\0b", 3)), u8);
}

TEST(Utf, InvalidUtf8BecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"\x80", u"\uFFFD"},                                // lone continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong: C0 is never a lead
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE4\xB8", u"\uFFFD"},                            // truncated at the end
      {"\xE4\xB8x", u"\uFFFDx"},                          // truncated before ASCII
      {"\xFF", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    bool valid = true;
    EXPECT_EQ(utf8_to_utf16(c.in, &valid), c.out) << testing::PrintToString(c.in);
    EXPECT_FALSE(valid);
  }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacement) {
  bool valid = true;
  EXPECT_EQ(utf16_to_utf8(std::u16string(1, char16_t(0xD800)) + u"x", &valid), "\xEF\xBF\xBDx");
  EXPECT_FALSE(valid);
  EXPECT_EQ(utf16_to_utf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  std::u16string reversed = {char16_t(0xDC00), char16_t(0xD800)};
  EXPECT_EQ(utf16_to_utf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf, AsciiHelpers) {
  EXPECT_EQ(ascii_to_utf16("12.5"), u"12.5");
  EXPECT_EQ(utf16_to_ascii(u"a\u00e9"), "a?");
}

}  // namespace
}  // namespace tsl::text
