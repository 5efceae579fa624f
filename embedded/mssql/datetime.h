#pragma once
// Date and time values of the server's date and time types: parsing the
// texts T-SQL accepts, rounding as each type rounds, and the stored text form
// ("2024-01-31 12:00:00.997" for datetime) that also sorts correctly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "embedded/mssql/sql_type.h"

namespace tsl::mssql {

struct datetime_parts {
  int year = 1900, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int64_t fraction = 0;  // in 100 ns units, 0 .. 9,999,999
  int offset_minutes = 0;
  bool has_date = false, has_time = false, has_offset = false;
};

// Parses "2001-02-03", "20010203", "02/03/2001", "2001-02-03T04:05:06.789",
// "2001-02-03 4:05 PM", "04:05:06", "... +01:00". nullopt when malformed or
// out of calendar range.
std::optional<datetime_parts> parse_datetime(std::string_view text);

// The stored text of a value of a date or time type; nullopt when the value
// is outside the type's range (datetime starts in 1753, smalldatetime ends in
// 2079). Rounds datetime to 1/300 s and smalldatetime to the minute.
std::optional<std::string> store_datetime(datetime_parts p, const sql_type& t);

// Days since 1970-01-01 and back.
int64_t days_from_civil(int y, int m, int d);
void civil_from_days(int64_t z, int& y, int& m, int& d);

}  // namespace tsl::mssql
