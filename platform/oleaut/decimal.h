#pragma once
// DECIMAL conversions. Texts are read with the en-US rules and written with
// '.' as the decimal separator, every digit kept and trailing fractional
// zeros dropped.
#include <cstddef>
#include <cstdint>

#include "platform/oleaut/oleauto_types.h"

// Scale 0-28 and sign 0 or DECIMAL_NEG.
bool decimal_is_valid(const DECIMAL& d);
void decimal_set(DECIMAL* d, unsigned __int128 magnitude, uint8_t scale, bool negative);
unsigned __int128 decimal_magnitude(const DECIMAL& d);

// The text of magnitude / 10^scale, trailing fractional zeros dropped, into
// `buf` (no NUL; kDecimalTextMax bytes always suffice, a currency's 64-bit
// magnitude needs kCurrencyTextMax); answers its length. Zero is never
// written with a minus sign.
size_t scaled_integer_to_chars(unsigned __int128 magnitude, int scale, bool negative, char* buf);

// Writes the text into `buf` (kDecimalTextMax bytes at least, no NUL) and
// answers its length, or 0 for an invalid DECIMAL.
inline constexpr size_t kDecimalTextMax = 48;
size_t decimal_to_chars(const DECIMAL& d, char* buf);

HRESULT VarDecFromStr(const OLECHAR* text, LCID lcid, uint32_t flags, DECIMAL* out);
HRESULT VarBstrFromDec(const DECIMAL* in, LCID lcid, uint32_t flags, BSTR* out);
// Integers round half to even on the exact value.
HRESULT VarI8FromDec(const DECIMAL* in, int64_t* out);
HRESULT VarI4FromDec(const DECIMAL* in, int32_t* out);
HRESULT VarR8FromDec(const DECIMAL* in, double* out);
HRESULT VarR4FromDec(const DECIMAL* in, float* out);
// Rounded to four decimals, halves away from zero.
HRESULT VarCyFromDec(const DECIMAL* in, CY* out);
HRESULT VarDecFromCy(CY in, DECIMAL* out);
// Fifteen significant digits (seven from a float), trailing zeros dropped.
HRESULT VarDecFromR8(double in, DECIMAL* out);
HRESULT VarDecFromR4(float in, DECIMAL* out);
HRESULT VarDecFromI8(int64_t in, DECIMAL* out);
HRESULT VarDecFromUI8(uint64_t in, DECIMAL* out);
// The magnitude rounded half to even to an integer; 0 for an invalid DECIMAL.
unsigned __int128 decimal_round_magnitude(const DECIMAL& d);
