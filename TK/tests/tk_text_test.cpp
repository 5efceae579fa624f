#include "TK/tk_text.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"

namespace {

TEST(TkText, TrimsOnlySpaces) {
  EXPECT_EQ(tk_trim(std::string("   ")), "");
  EXPECT_EQ(tk_trim(std::string(" a b ")), "a b");
  EXPECT_EQ(tk_trim(std::string("\ta\t")), "\ta\t");
  EXPECT_EQ(tk_trim(std::u16string(u"  x  ")), u"x");
  EXPECT_EQ(tk_ltrim(std::string("  x ")), "x ");
  EXPECT_EQ(tk_rtrim(std::u16string(u" x  ")), u" x");
  EXPECT_EQ(tk_rtrim(std::u16string(u"   ")), u"");
}

TEST(TkText, Split) {
  using v = std::vector<std::u16string>;
  EXPECT_EQ(tk_split(u"a;b", u';'), (v{u"a", u"b"}));
  EXPECT_EQ(tk_split(u"a;", u';'), (v{u"a", u""}));
  EXPECT_EQ(tk_split(u";", u';'), (v{u"", u""}));
  EXPECT_EQ(tk_split(u"", u';'), v{});
  EXPECT_EQ(tk_split(u"abc", u';'), v{u"abc"});
}

TEST(TkText, Conversions) {
  EXPECT_EQ(tk_utf8_to_ucs2("\xE4\xB8\xAD"), u"\u4e2d");
  EXPECT_EQ(tk_ucs2_to_utf8(u"\u4e2d"), "\xE4\xB8\xAD");
  EXPECT_EQ(tk_utf8_to_ucs2("a\xFF"), u"a\uFFFD");
  EXPECT_EQ(tk_ansi_to_ucs2("caf\xC3\xA9"), u"caf\u00e9");
  std::string out = "stale";
  EXPECT_FALSE(tk_ucs2_to_ansi(nullptr, out));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(tk_ucs2_to_ansi(u"ok", out));
  EXPECT_EQ(out, "ok");
}

TEST(TkText, ByteToHex) {
  const uint8_t bytes[] = {0x00, 0x0f, 0xab, 0xff};
  char buf[9];
  tk_byte_to_hex(bytes, 4, buf);
  EXPECT_STREQ(buf, "000FABFF");
  char16_t wbuf[3];
  tk_byte_to_hex(bytes + 2, 1, wbuf);
  EXPECT_EQ(std::u16string(wbuf), u"AB");
  EXPECT_THROW(tk_byte_to_hex(bytes, 4, static_cast<char*>(nullptr)), tk_mail_assertion);
}

TEST(TkText, UpperCase) {
  tk_wstring s(u"Orders_\u00e9");
  EXPECT_EQ(s.to_upper(), u"ORDERS_\u00c9");
  EXPECT_EQ(s, u"ORDERS_\u00c9");
  EXPECT_EQ(tk_wstring::to_upper(u"abc"), u"ABC");
}

}  // namespace
