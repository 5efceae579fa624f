#pragma once
// Trimming, splitting and conversions between UTF-16, UTF-8 and the narrow
// (ANSI) character set.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Trims remove spaces (character 32) only; tabs stay.
std::string tk_ltrim(const std::string& s);
std::u16string tk_ltrim(const std::u16string& s);
std::u16string tk_rtrim(const std::u16string& s);
std::string tk_rtrim(const std::string& s);
std::string tk_trim(const std::string& s);
std::u16string tk_trim(const std::u16string& s);

// Every separator ends a piece and the end of the text ends the last one, so
// "a;" gives "a" and ""; the empty text gives no pieces.
std::vector<std::u16string> tk_split(const std::u16string& text, char16_t separator);

// Wide to narrow: false when the input is null or a character has no narrow
// form (it is then written as '?').
bool tk_ucs2_to_ansi(const char16_t* in, std::string& out);
std::string tk_ucs2_to_ansi(const std::u16string& in);
std::u16string tk_ansi_to_ucs2(const std::string& in);
std::u16string tk_utf8_to_ucs2(const std::string& in);
std::string tk_ucs2_to_utf8(const std::u16string& in);

// Two uppercase hexadecimal digits per byte, then a NUL, into `out`, which
// must hold 2 * size + 1 characters. A null buffer is an internal error.
void tk_byte_to_hex(const uint8_t* bytes, size_t size, char* out);
void tk_byte_to_hex(const uint8_t* bytes, size_t size, char16_t* out);

// A wide string that can upper-case itself.
class tk_wstring : public std::u16string {
 public:
  using std::u16string::u16string;
  tk_wstring(const std::u16string& s) : std::u16string(s) {}
  // Upper-cases this text in place and answers the result.
  std::u16string to_upper();
  static std::u16string to_upper(const std::u16string& text);
};
