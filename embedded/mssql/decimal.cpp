#include "embedded/mssql/decimal.h"

#include <cctype>

namespace tsl::mssql {
namespace {
constexpr int kMaxDigits = 38;

__int128 pow10(int n) {
  __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}
}  // namespace

int decimal_digits(__int128 v) {
  if (v < 0) v = -v;
  int d = 1;
  while (v >= 10) {
    v /= 10;
    ++d;
  }
  return d;
}

std::optional<decimal_value> parse_decimal(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  __int128 mant = 0;
  int digits = 0, frac = 0;
  bool any = false, point = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    any = true;
    if (mant == 0 && c == '0') {
      if (point) ++frac;
      continue;
    }
    if (digits >= kMaxDigits) return std::nullopt;
    mant = mant * 10 + (c - '0');
    ++digits;
    if (point) ++frac;
  }
  if (!any) return std::nullopt;
  int exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    bool edigits = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      edigits = true;
      if (exponent < 1000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (!edigits) return std::nullopt;
    if (eneg) exponent = -exponent;
  }
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i != s.size()) return std::nullopt;
  int scale = frac - exponent;
  if (scale < 0) {
    if (digits - scale > kMaxDigits && mant != 0) return std::nullopt;
    mant *= pow10(-scale);
    scale = 0;
  }
  while (scale > kMaxDigits) {
    // More fraction digits than any type keeps: round them away now.
    __int128 rest = mant % 10;
    mant /= 10;
    if (rest >= 5) ++mant;
    --scale;
  }
  decimal_value v;
  v.unscaled = negative ? -mant : mant;
  v.scale = static_cast<uint8_t>(scale);
  return v;
}

bool fit_decimal(decimal_value& v, uint8_t precision, uint8_t scale) {
  __int128 m = v.unscaled;
  bool negative = m < 0;
  if (negative) m = -m;
  int s = v.scale;
  while (s > scale) {
    __int128 rest = m % 10;
    m /= 10;
    if (rest >= 5) ++m;
    --s;
  }
  while (s < scale) {
    if (decimal_digits(m) + 1 > kMaxDigits && m != 0) return false;
    m *= 10;
    ++s;
  }
  if (m != 0 && decimal_digits(m) > precision) return false;
  v.unscaled = negative ? -m : m;
  v.scale = scale;
  return true;
}

std::string format_decimal(const decimal_value& v) {
  __int128 m = v.unscaled;
  bool negative = m < 0;
  if (negative) m = -m;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (v.scale > 0) {
    if (digits.size() <= v.scale) digits.insert(0, v.scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - v.scale, 1, '.');
  }
  if (negative && v.unscaled != 0) digits.insert(0, 1, '-');
  return digits;
}

}  // namespace tsl::mssql
