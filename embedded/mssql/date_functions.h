#pragma once
// DATEADD, DATEDIFF, DATEPART, DATENAME, EOMONTH and DATEFROMPARTS over
// the stored text of date and time values, for the query compiler (as
// SQLite functions) and for constants (defaults, INSERT values).
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

#include "embedded/mssql/sql_type.h"
#include "embedded/mssql/value.h"

namespace tsl::mssql {

enum class date_part {
  year,
  quarter,
  month,
  dayofyear,
  day,
  week,
  weekday,
  hour,
  minute,
  second,
  millisecond,
  microsecond,
  nanosecond,
  tzoffset,
  iso_week
};

// The part a name or abbreviation (yy, mm, dd, ...) stands for; throws 155
// naming the function when it is none.
date_part date_part_named(const std::string& name, const std::string& function);

// The stored text of `when` (a value of type t, or a date text) moved by n
// parts; 517 when the result leaves t's range, 9810 when t has no such part.
// A text argument acts as datetime.
value date_add(date_part part, int64_t n, const value& when, const sql_type& t);

// Boundaries of the part crossed from a to b; 535 beyond int.
value date_diff(date_part part, const value& a, const value& b);

// DATEPART as int (with SET DATEFIRST 7, Sunday first) and DATENAME as text.
value date_part_of(date_part part, const value& when, const sql_type& t);
value date_name(date_part part, const value& when, const sql_type& t);

// The last day of the month of `when` moved by months, as a date.
value end_of_month(const value& when, int64_t months);
// A date from its numbers; 289 when they name no date.
value date_from_parts(const value& y, const value& m, const value& d);

// datetime minus datetime: the difference as a datetime counted from
// 1900-01-01, as SQL Server gives it.
value datetime_difference(const value& a, const value& b, const sql_type& t);

// tsl_dateadd, tsl_datediff, tsl_datepart, tsl_datename, tsl_eomonth,
// tsl_datefromparts and tsl_datesub.
void register_date_functions(sqlite3* db);

}  // namespace tsl::mssql
