#pragma once
// Windows' text forms of floating values: 15 significant digits for a double
// and 7 for a float, fixed notation unless the exponent form is shorter,
// "E+NN" exponents, no negative zero, '.' as the decimal separator.
#include <cstddef>

#include "platform/oleaut/oleauto_types.h"

inline constexpr size_t kRealTextMax = 40;
// Writes into `buf` (kRealTextMax bytes at least, no NUL); answers the length.
size_t real_to_chars(double value, int significant_digits, char* buf);

HRESULT VarBstrFromR8(double in, LCID lcid, uint32_t flags, BSTR* out);
HRESULT VarBstrFromR4(float in, LCID lcid, uint32_t flags, BSTR* out);
