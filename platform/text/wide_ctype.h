#pragma once
// Character classes and case for UTF-16 text, Unicode-aware for the Basic
// Multilingual Plane (characters outside it, and surrogates, have no case and
// are neither letters nor digits).
#include <string>
#include <string_view>

namespace tsl::text {

char16_t to_upper(char16_t c);
char16_t to_lower(char16_t c);
std::u16string to_upper(std::u16string_view s);
std::u16string to_lower(std::u16string_view s);

bool is_alpha(char16_t c);
bool is_alnum(char16_t c);
bool is_digit(char16_t c);  // ASCII 0-9 only
bool is_space(char16_t c);

// Case-insensitive comparison of the system's default locale: letters compare
// without regard to case; punctuation sorts before digits, digits before
// letters, as the Windows string sort does for ASCII. Answers <0, 0 or >0.
int compare_nocase(std::u16string_view a, std::u16string_view b);
inline bool equal_nocase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compare_nocase(a, b) == 0;
}

// Ordering for maps keyed by names compared without case.
struct less_nocase {
  bool operator()(std::u16string_view a, std::u16string_view b) const {
    return compare_nocase(a, b) < 0;
  }
  using is_transparent = void;
};

}  // namespace tsl::text
