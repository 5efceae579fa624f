#pragma once
// The number reader behind every text-to-number conversion, with the en-US
// rules of the standard parse: blanks around, a sign before or after, '$'
// before or after, parentheses for a negative amount, ',' between digits
// ignored, '.' as the decimal point, an exponent, "&H"/"&O" radix forms; the
// whole text must be used.
#include <cstdint>
#include <string_view>

#include "platform/oleaut/oleauto_types.h"

struct parsed_number {
  // Significant digits without leading or trailing zeros, as values 0-9.
  static constexpr int kMaxDigits = 128;
  uint8_t digits[kMaxDigits];
  int count = 0;        // 0 means the number is zero
  int64_t power10 = 0;  // the value is digits x 10^power10
  bool negative = false;
  bool inexact = false;  // non-zero digits beyond kMaxDigits were dropped
  bool radix = false;    // "&H" or "&O" form: `bits` holds the value
  uint64_t bits = 0;
};

// DISP_E_TYPEMISMATCH when the text is not a number.
HRESULT parse_number(std::u16string_view text, parsed_number* out);
HRESULT parse_number(std::string_view text, parsed_number* out);

// Conversions of a parsed number. Integers round half to even on the exact
// digits; radix forms keep the bit pattern of the smallest signed type that
// holds them.
HRESULT parsed_to_i64(const parsed_number& n, int64_t min, int64_t max, int64_t* out);
HRESULT parsed_to_u64(const parsed_number& n, uint64_t max, uint64_t* out);
// The correctly rounded double; overflow gives DISP_E_OVERFLOW, underflow 0.
HRESULT parsed_to_double(const parsed_number& n, double* out);
HRESULT parsed_to_cy(const parsed_number& n, CY* out);
// Exact; DISP_E_OVERFLOW when the value needs more than 96 bits or a scale
// above 28.
HRESULT parsed_to_decimal(const parsed_number& n, DECIMAL* out);
