#include "platform/text/ansi.h"

#include <gtest/gtest.h>
#include <locale.h>

namespace tsl::text {
namespace {

// The tests run under the C locale unless they switch.
TEST(Ansi, CLocaleMeansUtf8) {
  setlocale(LC_CTYPE, "C");
  EXPECT_TRUE(ansi_is_utf8());
  std::u16string w;
  EXPECT_TRUE(ansi_to_utf16("caf\xC3\xA9", w));
  EXPECT_EQ(w, u"caf\u00e9");
  std::string n;
  EXPECT_TRUE(utf16_to_ansi(u"\u4e2d", n));
  EXPECT_EQ(n, "\xE4\xB8\xAD");
  EXPECT_FALSE(ansi_to_utf16("\xFF", w));
  EXPECT_EQ(w, u"\uFFFD");
}

TEST(Ansi, SingleByteLocaleReplacesWhatItCannotHold) {
  // Only where the machine has such a locale.
  if (!setlocale(LC_CTYPE, "en_US.ISO-8859-1") && !setlocale(LC_CTYPE, "en_US")) {
    setlocale(LC_CTYPE, "C");
    GTEST_SKIP() << "no single-byte locale installed";
  }
  if (ansi_is_utf8()) {
    setlocale(LC_CTYPE, "C");
    GTEST_SKIP();
  }
  std::string n;
  EXPECT_FALSE(utf16_to_ansi(u"a\u00e9\u4e2d", n));
  EXPECT_EQ(n, "a\xE9?");
  std::u16string w;
  EXPECT_TRUE(ansi_to_utf16("a\xE9", w));
  EXPECT_EQ(w, u"a\u00e9");
  setlocale(LC_CTYPE, "C");
}

}  // namespace
}  // namespace tsl::text
