#pragma once
// One value as a connector hands it to the provider, in the stored form of
// its column's type: integers (also bit, and money in units of 1/10000),
// reals, texts (UTF-8; decimals, dates and GUIDs as their stored text, such
// as "12.50", "2024-01-31 12:00:00.997" and an upper-case GUID) and bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/oledb/column_type.h"

namespace tsl::oledb {

struct field_value {
  // number: a numeric literal's text, kept exact until a type is known.
  enum class kind : uint8_t { null, integer, real, text, blob, number };
  kind k = kind::null;
  int64_t i = 0;
  double r = 0;
  std::string s;

  bool is_null() const { return k == kind::null; }
};

// The text the provider gives when a consumer binds the value as a string.
void append_text_form(const field_value& v, const column_type& t, std::string& out);

// An exact decimal: unscaled × 10^-scale.
struct decimal_number {
  __int128 unscaled = 0;
  uint8_t scale = 0;
};
// "-12.345", "1e3", "+.5"; nullopt when no number or more than 38 digits.
std::optional<decimal_number> parse_decimal_text(std::string_view text);
// "-12.3400": exactly scale digits after the point.
std::string format_decimal_text(const decimal_number& d);
int digit_count(__int128 v);

struct date_parts {
  int year = 1900, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int64_t fraction = 0;  // 100 ns units
  int offset_minutes = 0;
};
// The stored forms "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss[.fffffff][ +hh:mm]"
// and "hh:mm:ss[.fffffff]"; nullopt otherwise.
std::optional<date_parts> parse_stored_date(std::string_view text);
// Days since 1970-01-01 and back.
int64_t days_from_civil(int y, int m, int d);
void civil_from_days(int64_t z, int& y, int& m, int& d);

}  // namespace tsl::oledb
