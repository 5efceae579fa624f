#include "platform/text/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace tsl::text {
namespace {

TEST(Format, NarrowAndWideFormatAlike) {
  EXPECT_EQ(format("%d|%5d|%-5d|%05d|%x|%X|%u", -3, 42, 42, 42, 255, 255, 7u),
            "-3|   42|42   |00042|ff|FF|7");
  EXPECT_EQ(format(u"%d|%5d|%-5d|%05d|%x|%X|%u", -3, 42, 42, 42, 255, 255, 7u),
            u"-3|   42|42   |00042|ff|FF|7");
  EXPECT_EQ(format("%02d/%02d/%04d at %02d:%02d:%02d", 8, 12, 2026, 0, 5, 9),
            "08/12/2026 at 00:05:09");
  EXPECT_EQ(format(u"%.2f %e %g", 1.005, 12345.0, 0.5), u"1.00 1.234500e+04 0.5");
}

TEST(Format, StringConversionsFollowTheFormatKind) {
  EXPECT_EQ(format("%s and %ls and %S", "narrow", u"wide\u00e9", u"W"),
            "narrow and wide\xC3\xA9 and W");
  EXPECT_EQ(format(u"%s and %hs and %S", u"wide", "caf\xC3\xA9", "N"), u"wide and caf\u00e9 and N");
  EXPECT_EQ(format(u"[%5s][%-5s][%.2s]", u"ab", u"ab", u"abcdef"), u"[   ab][ab   ][ab]");
  EXPECT_EQ(format("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(format(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
}

TEST(Format, LengthModifiersAndStars) {
  EXPECT_EQ(format("%lld %I64d %ld %zu", LLONG_MIN, 5LL, -7L, size_t{9}),
            "-9223372036854775808 5 -7 9");
  EXPECT_EQ(format("%*d|%.*s", 4, 1, 2, "xyz"), "   1|xy");
  EXPECT_EQ(format("%hd %hhu", 70000, 300), "4464 44");
}

TEST(Format, OddFormatsNeverCrash) {
  EXPECT_EQ(format("100%%"), "100%");
  EXPECT_EQ(format("%"), "%");
  EXPECT_EQ(format("%q"), "%q");
  EXPECT_EQ(format("%5"), "%5");
  int ignored = 0;
  EXPECT_EQ(format("a%nb", &ignored), "ab");
  EXPECT_EQ(format("%999999d", 1).size(), 320u);  // capped width
  EXPECT_EQ(format("%.400f", 1e308).size(), 309u + 1 + 320);
  EXPECT_EQ(format(u"%c%c", 'a', 0x4e2d), u"a\u4e2d");
}

}  // namespace
}  // namespace tsl::text
