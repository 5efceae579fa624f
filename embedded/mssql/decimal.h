#pragma once
// Exact decimal numbers of up to 38 digits, as decimal(p,s) and numeric(p,s)
// hold them; money is a decimal of scale 4.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsl::mssql {

struct decimal_value {
  __int128 unscaled = 0;  // value × 10^scale
  uint8_t scale = 0;
};

// Parses "-12.345", "1e3", "+.5"; nullopt when the text is no number or has
// more than 38 significant digits.
std::optional<decimal_value> parse_decimal(std::string_view text);

// Rounds half away from zero to the given scale; false when the result needs
// more than precision digits.
bool fit_decimal(decimal_value& v, uint8_t precision, uint8_t scale);

// "-12.3400": exactly scale digits after the point, no exponent.
std::string format_decimal(const decimal_value& v);

// 0 < digits of |v| (0 counts as one digit).
int decimal_digits(__int128 v);

}  // namespace tsl::mssql
