#pragma once
// One printf-style formatter for narrow and UTF-16 format strings, so that the
// two kinds of trace call format alike.
//
// Conversions: d i u o x X c s e E f F g G a A p n(ignored) %%, with flags,
// width, precision ('*' too) and the length modifiers hh h l ll j z t L I64.
// In a narrow format %s takes `const char*` and %ls or %S `const char16_t*`;
// in a UTF-16 format %s takes `const char16_t*` and %hs or %S `const char*`.
// A null string pointer prints "(null)".
#include <cstdarg>
#include <string>

namespace tsl::text {

std::string vformat(const char* fmt, va_list ap);
std::u16string vformat(const char16_t* fmt, va_list ap);

// No format attribute: %ls and %S take char16_t strings here, which the
// compiler's printf checker would refuse.
std::string format(const char* fmt, ...);
std::u16string format(const char16_t* fmt, ...);

}  // namespace tsl::text
