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

TEST(Ansi, SingleByteCharacterSetReplacesWhatItCannotHold) {
  std::string n;
  EXPECT_FALSE(utf16_to_codeset("ISO-8859-1", u"a\u00e9\u4e2d", n));
  EXPECT_EQ(n, "a\xE9?");
  std::u16string w;
  EXPECT_TRUE(codeset_to_utf16("ISO-8859-1", "a\xE9", w));
  EXPECT_EQ(w, u"a\u00e9");
  EXPECT_FALSE(codeset_to_utf16("ASCII",
                                "a\xE9"
                                "b",
                                w));
  EXPECT_EQ(w, u"a\uFFFDb");
  EXPECT_FALSE(codeset_to_utf16("NO-SUCH-CHARSET", "a", w));
}

}  // namespace
}  // namespace tsl::text
