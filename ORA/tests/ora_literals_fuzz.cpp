// Arbitrary texts through the literal, default and name makers: no crash, and
// every text literal stays one quoted SQL string.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ORA/ora_type_map.h"
#include "ORA/ora_validator.h"
#include "TK/tk_exception.h"
#include "UDB/t_ftd.h"

namespace {

const VARTYPE types[] = {VT_I2,   VT_I4,      VT_R8, VT_CY,  VT_DATE, VT_BSTR,
                         VT_BOOL, VT_DECIMAL, VT_I1, VT_UI4, VT_I8,   VT_BLOB};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const VARTYPE vt = types[data[0] % (sizeof types / sizeof types[0])];
  std::u16string text;
  for (size_t i = 1; i + 1 < size && text.size() < 200; i += 2)
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  std::u16string literal = to_oracle_str(text, vt);
  if (vt == VT_BSTR) {
    // One string literal: quoted, every inner apostrophe doubled.
    if (literal.size() < 2 || literal.front() != u'\'' || literal.back() != u'\'') __builtin_trap();
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
      if (literal[i] != u'\'') continue;
      if (literal[i + 1] != u'\'' || i + 2 >= literal.size()) __builtin_trap();
      ++i;
    }
  }
  t_ftd field(static_cast<uint32_t>(data[0]) % 20, u"F", vt, false, false, ole_variant(text),
              20 * 256 + 2);
  make_ora_def_val(&field);
  ora_validator names;
  names.add_used(text);
  std::u16string safe = names.get_safe_name(text);
  if (!names.is_acceptable(safe) || names.is_duplicated(safe)) __builtin_trap();
  return 0;
}

extern "C" const char* const* tsl_fuzz_dictionary() {
  static const char* const words[] = {"'",        "guid",  "{guid {", "0x", "2010-11-24",
                                      "08:56:44", "1e127", "PRIMARY", "}",  nullptr};
  return words;
}
