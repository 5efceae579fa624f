// Arbitrary bytes through every text conversion: nothing may crash or read out
// of bounds, and a valid conversion must round-trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text/ansi.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"
#include "platform/text/wide_ctype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bool valid = false;
  std::u16string w = tsl::text::utf8_to_utf16(bytes, &valid);
  std::string back = tsl::text::utf16_to_utf8(w);
  if (valid && back != bytes) __builtin_trap();

  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i + 1 < size; i += 2)
    units[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
  std::string n = tsl::text::utf16_to_utf8(units, &valid);
  if (valid && tsl::text::utf8_to_utf16(n) != units) __builtin_trap();
  std::string a;
  tsl::text::utf16_to_ansi(units, a);
  tsl::text::to_upper(units);
  tsl::text::compare_nocase(units, w);
  // The bytes as a format string with no arguments would read the stack; use
  // them only as a %s argument.
  tsl::text::format("%s|%.3s|%10s", bytes.c_str(), bytes.c_str(), bytes.c_str());
  return 0;
}
