#include "platform/text/wide_ctype.h"

#include <locale.h>
#include <wctype.h>

#include <array>
#include <memory>

namespace tsl::text {

namespace {

enum : unsigned char { kAlpha = 1, kDigit = 2, kSpace = 4 };

// Tables for the whole BMP, built once from the C library's Unicode data.
struct tables {
  std::array<char16_t, 0x10000> upper;
  std::array<char16_t, 0x10000> lower;
  std::array<unsigned char, 0x10000> flags;

  tables() {
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    for (unsigned c = 0; c < 0x10000; ++c) {
      char16_t u = static_cast<char16_t>(c), l = static_cast<char16_t>(c);
      unsigned char f = 0;
      bool surrogate = c >= 0xD800 && c <= 0xDFFF;
      if (c < 0x80) {
        if (c >= 'a' && c <= 'z') u = static_cast<char16_t>(c - 32);
        if (c >= 'A' && c <= 'Z') l = static_cast<char16_t>(c + 32);
        if ((c | 32) >= 'a' && (c | 32) <= 'z') f |= kAlpha;
        if (c >= '0' && c <= '9') f |= kDigit;
        if (c == ' ' || (c >= 9 && c <= 13)) f |= kSpace;
      } else if (!surrogate && loc) {
        wint_t up = towupper_l(static_cast<wint_t>(c), loc);
        wint_t lo = towlower_l(static_cast<wint_t>(c), loc);
        if (up < 0x10000) u = static_cast<char16_t>(up);
        if (lo < 0x10000) l = static_cast<char16_t>(lo);
        if (iswalpha_l(static_cast<wint_t>(c), loc)) f |= kAlpha;
        if (iswspace_l(static_cast<wint_t>(c), loc)) f |= kSpace;
      }
      upper[c] = u;
      lower[c] = l;
      flags[c] = f;
    }
    if (loc) freelocale(loc);
  }
};

const tables& t() {
  static const std::unique_ptr<tables> instance = std::make_unique<tables>();
  return *instance;
}

// Sort class of a folded character: punctuation and symbols, then digits,
// then letters (and everything else in code-point order after them).
inline unsigned weight(char16_t c) {
  if (c < 0x80) {
    if (c >= '0' && c <= '9') return 0x10000 + c;
    if (c >= 'A' && c <= 'Z') return 0x20000 + c;
    return c;
  }
  return 0x30000 + c;
}

}  // namespace

char16_t to_upper(char16_t c) {
  return t().upper[c];
}
char16_t to_lower(char16_t c) {
  return t().lower[c];
}

std::u16string to_upper(std::u16string_view s) {
  const auto& tab = t();
  std::u16string out(s);
  for (auto& c : out) c = tab.upper[c];
  return out;
}

std::u16string to_lower(std::u16string_view s) {
  const auto& tab = t();
  std::u16string out(s);
  for (auto& c : out) c = tab.lower[c];
  return out;
}

bool is_alpha(char16_t c) {
  return t().flags[c] & kAlpha;
}
bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool is_alnum(char16_t c) {
  return is_digit(c) || is_alpha(c);
}
bool is_space(char16_t c) {
  return t().flags[c] & kSpace;
}

int compare_nocase(std::u16string_view a, std::u16string_view b) {
  const auto& tab = t();
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned wa = weight(tab.upper[a[i]]);
    unsigned wb = weight(tab.upper[b[i]]);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace tsl::text
