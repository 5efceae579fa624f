#pragma once
// Conversions between UTF-8 and UTF-16, the two encodings of the engine's text.
#include <string>
#include <string_view>

namespace tsl::text {

// Invalid UTF-8 (bad lead or continuation bytes, overlong forms, surrogates,
// code points above U+10FFFF, truncated sequences) becomes U+FFFD, one for each
// maximal invalid subpart, as the Windows and ICU converters do. `valid`, when
// given, tells whether the input was well formed.
std::u16string utf8_to_utf16(std::string_view in, bool* valid = nullptr);

// An unpaired surrogate becomes U+FFFD (EF BF BD).
std::string utf16_to_utf8(std::u16string_view in, bool* valid = nullptr);

// Appending forms for hot paths that reuse a buffer.
void append_utf8_to_utf16(std::string_view in, std::u16string& out, bool* valid = nullptr);
void append_utf16_to_utf8(std::u16string_view in, std::string& out, bool* valid = nullptr);

// ASCII-only widening and narrowing, for texts known to be ASCII (numbers,
// keywords). Narrowing turns anything above 0x7F into '?'.
std::u16string ascii_to_utf16(std::string_view in);
std::string utf16_to_ascii(std::u16string_view in);

}  // namespace tsl::text
