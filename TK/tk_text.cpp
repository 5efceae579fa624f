#include "TK/tk_text.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/ansi.h"
#include "platform/text/utf.h"
#include "platform/text/wide_ctype.h"

namespace {

template <typename Str>
Str ltrim(const Str& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

template <typename Str>
Str rtrim(const Str& s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  if (n == 0 && !s.empty()) tk_trace(1, "Special processing for all-spaces-string");
  return s.substr(0, n);
}

template <typename Ch>
void byte_to_hex(const uint8_t* bytes, size_t size, Ch* out) {
  if (!out) throw tk_mail_assertion("tk_utils", 661);
  static const char digits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = static_cast<Ch>(digits[bytes[i] >> 4]);
    out[2 * i + 1] = static_cast<Ch>(digits[bytes[i] & 15]);
  }
  out[2 * size] = 0;
}

}  // namespace

std::string tk_ltrim(const std::string& s) {
  return ltrim(s);
}
std::u16string tk_ltrim(const std::u16string& s) {
  return ltrim(s);
}
std::string tk_rtrim(const std::string& s) {
  return rtrim(s);
}
std::u16string tk_rtrim(const std::u16string& s) {
  return rtrim(s);
}
std::string tk_trim(const std::string& s) {
  return ltrim(rtrim(s));
}
std::u16string tk_trim(const std::u16string& s) {
  return ltrim(rtrim(s));
}

std::vector<std::u16string> tk_split(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> pieces;
  if (text.empty()) return pieces;
  std::u16string piece;
  for (char16_t c : text) {
    if (c == separator) {
      pieces.push_back(piece);
      piece.clear();
    } else {
      piece.push_back(c);
    }
  }
  pieces.push_back(piece);
  return pieces;
}

bool tk_ucs2_to_ansi(const char16_t* in, std::string& out) {
  out.clear();
  if (!in) return false;
  return tsl::text::utf16_to_ansi(in, out);
}

std::string tk_ucs2_to_ansi(const std::u16string& in) {
  std::string out;
  tsl::text::utf16_to_ansi(in, out);
  return out;
}

std::u16string tk_ansi_to_ucs2(const std::string& in) {
  std::u16string out;
  tsl::text::ansi_to_utf16(in, out);
  return out;
}

std::u16string tk_utf8_to_ucs2(const std::string& in) {
  return tsl::text::utf8_to_utf16(in);
}
std::string tk_ucs2_to_utf8(const std::u16string& in) {
  return tsl::text::utf16_to_utf8(in);
}

void tk_byte_to_hex(const uint8_t* bytes, size_t size, char* out) {
  byte_to_hex(bytes, size, out);
}
void tk_byte_to_hex(const uint8_t* bytes, size_t size, char16_t* out) {
  byte_to_hex(bytes, size, out);
}

std::u16string tk_wstring::to_upper() {
  tk_trace_w(1, u"tk_wstring::to_upper(%s)", c_str());
  std::u16string upper = tsl::text::to_upper(*this);
  assign(upper);
  return upper;
}

std::u16string tk_wstring::to_upper(const std::u16string& text) {
  tk_wstring copy(text);
  return copy.to_upper();
}
