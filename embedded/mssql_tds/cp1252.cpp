#include "embedded/mssql_tds/cp1252.h"

namespace tsl::tds {
namespace {

// Code points of bytes 0x80..0x9F; 0 where the code page defines none.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char to_byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

void append_cp1252(std::u16string_view in, std::string& out) {
  out.reserve(out.size() + in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char16_t c = in[i];
    // A surrogate pair is one character: one '?'.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF)
      ++i;
    out.push_back(to_byte(c));
  }
}

std::u16string cp1252_to_utf16(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (char ch : in) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x80 && b <= 0x9F)
      out.push_back(kHigh[b - 0x80] ? kHigh[b - 0x80] : static_cast<char16_t>(b));
    else
      out.push_back(static_cast<char16_t>(b));
  }
  return out;
}

}  // namespace tsl::tds
