#pragma once
// Currency (CY) conversions. Texts are read with the en-US rules and written
// with '.' as the decimal separator, up to four decimals, trailing zeros
// dropped, no grouping.
#include <cstddef>
#include <cstdint>

#include "platform/oleaut/oleauto_types.h"

// Writes the text into `buf` (kCurrencyTextMax bytes at least, no NUL) and
// answers its length.
inline constexpr size_t kCurrencyTextMax = 24;
size_t currency_to_chars(CY cy, char* buf);

// Digits beyond the fourth decimal round half to even on the exact text.
HRESULT VarCyFromStr(const OLECHAR* text, LCID lcid, uint32_t flags, CY* out);
HRESULT VarBstrFromCy(CY in, LCID lcid, uint32_t flags, BSTR* out);
HRESULT VarR8FromCy(CY in, double* out);
// The value times 10000 rounded half to even.
HRESULT VarCyFromR8(double in, CY* out);
HRESULT VarCyFromI8(int64_t in, CY* out);
// Negative amounts are cut toward zero and then lowered by one, as Windows does.
HRESULT VarI8FromCy(CY in, int64_t* out);
