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

// The order SET DATEFORMAT gives to dates written as three numbers with the
// year not first in four digits ("05/12/2001"). It holds for the calling
// thread: a session sets it while it runs a statement.
enum class date_order { mdy, dmy, ymd, ydm, myd, dym };
date_order current_date_order();
// nullopt when the text names no order.
std::optional<date_order> date_order_named(std::string_view name);
class date_order_scope {
 public:
  explicit date_order_scope(date_order o);
  ~date_order_scope();
  date_order_scope(const date_order_scope&) = delete;
  date_order_scope& operator=(const date_order_scope&) = delete;

 private:
  date_order saved_;
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
