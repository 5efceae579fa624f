#include "platform/text/wide_ctype.h"

#include <gtest/gtest.h>

#include <map>

namespace tsl::text {
namespace {

TEST(WideCtype, CaseIsUnicodeAware) {
  EXPECT_EQ(to_upper(u"abc_z\u00e9\u0444\u03c3"), u"ABC_Z\u00c9\u0424\u03a3");
  EXPECT_EQ(to_lower(u"ABC\u00c9"), u"abc\u00e9");
  EXPECT_EQ(to_upper(u"1+2"), u"1+2");
  std::u16string surrogates = {char16_t(0xD83D), char16_t(0xDE00)};
  EXPECT_EQ(to_upper(surrogates), surrogates);
}

TEST(WideCtype, Classes) {
  EXPECT_TRUE(is_alpha(u'a'));
  EXPECT_TRUE(is_alpha(u'\u00e9'));
  EXPECT_TRUE(is_alpha(u'\u4e2d'));
  EXPECT_FALSE(is_alpha(u'_'));
  EXPECT_FALSE(is_alpha(u'1'));
  EXPECT_TRUE(is_alnum(u'7'));
  EXPECT_FALSE(is_alnum(u'$'));
  EXPECT_FALSE(is_alpha(char16_t(0xD800)));
}

TEST(WideCtype, CompareIgnoresCaseAndSortsLikeWindowsOnAscii) {
  EXPECT_TRUE(equal_nocase(u"Orders", u"ORDERS"));
  EXPECT_TRUE(equal_nocase(u"\u00e9t\u00e9", u"\u00c9T\u00c9"));
  EXPECT_FALSE(equal_nocase(u"Order", u"Orders"));
  EXPECT_LT(compare_nocase(u"a", u"B"), 0);
  EXPECT_LT(compare_nocase(u"_x", u"1"), 0);  // punctuation before digits
  EXPECT_LT(compare_nocase(u"9", u"a"), 0);   // digits before letters
  EXPECT_LT(compare_nocase(u"ab", u"ABC"), 0);

  std::map<std::u16string, int, less_nocase> m;
  m[u"Table"] = 1;
  m[u"TABLE"] = 2;  // the same key
  EXPECT_EQ(m.size(), 1u);
  EXPECT_EQ(m.begin()->second, 2);
}

}  // namespace
}  // namespace tsl::text
