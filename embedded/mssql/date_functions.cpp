#include "embedded/mssql/date_functions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql/statement_handle.h"

namespace tsl::mssql {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;  // 100 ns units
constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;

struct part_name {
  const char* name;
  date_part part;
};
constexpr part_name kParts[] = {
    {"year", date_part::year},          {"yy", date_part::year},
    {"yyyy", date_part::year},          {"quarter", date_part::quarter},
    {"qq", date_part::quarter},         {"q", date_part::quarter},
    {"month", date_part::month},        {"mm", date_part::month},
    {"m", date_part::month},            {"dayofyear", date_part::dayofyear},
    {"dy", date_part::dayofyear},       {"y", date_part::dayofyear},
    {"day", date_part::day},            {"dd", date_part::day},
    {"d", date_part::day},              {"week", date_part::week},
    {"wk", date_part::week},            {"ww", date_part::week},
    {"weekday", date_part::weekday},    {"dw", date_part::weekday},
    {"w", date_part::weekday},          {"hour", date_part::hour},
    {"hh", date_part::hour},            {"minute", date_part::minute},
    {"mi", date_part::minute},          {"n", date_part::minute},
    {"second", date_part::second},      {"ss", date_part::second},
    {"s", date_part::second},           {"millisecond", date_part::millisecond},
    {"ms", date_part::millisecond},     {"microsecond", date_part::microsecond},
    {"mcs", date_part::microsecond},    {"nanosecond", date_part::nanosecond},
    {"ns", date_part::nanosecond},      {"tzoffset", date_part::tzoffset},
    {"tz", date_part::tzoffset},        {"iso_week", date_part::iso_week},
    {"isowk", date_part::iso_week},     {"isoww", date_part::iso_week},
};

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

const char* part_text(date_part p) {
  for (const auto& n : kParts)
    if (n.part == p) return n.name;
  return "";
}

bool is_time_part(date_part p) {
  return p >= date_part::hour && p <= date_part::nanosecond;
}

// A point in time: days since 1970-01-01 and 100 ns ticks into the day.
struct instant {
  datetime_parts parts;
  int64_t days = 0;
  int64_t ticks = 0;
};

instant read(const value& v) {
  if (v.k == value::kind::integer) {
    // A number of days since 1900-01-01, as an int converts to datetime
    // (DATEADD(dd, DATEDIFF(dd, 0, GETDATE()), 0) cuts the time off).
    instant i;
    i.days = days_from_civil(1900, 1, 1) + v.i;
    if (i.days < days_from_civil(1753, 1, 1) || i.days > days_from_civil(9999, 12, 31))
      throw err::generic(8115, "Arithmetic overflow error converting expression to data type "
                               "datetime.");
    civil_from_days(i.days, i.parts.year, i.parts.month, i.parts.day);
    i.parts.has_date = true;
    return i;
  }
  std::optional<datetime_parts> p;
  if (v.k == value::kind::text) p = parse_datetime(v.s);
  if (!p) {
    // Anything else converts as to datetime, failing with its own error.
    sql_type dt;
    dt.id = type_id::datetime;
    value d = convert_to(v, dt);
    p = parse_datetime(d.s);
    if (!p) throw err::generic(241, "Conversion failed when converting date and/or time from character string.");
  }
  instant i;
  i.parts = *p;
  i.days = days_from_civil(p->year, p->month, p->day);
  i.ticks = ((p->hour * 60LL + p->minute) * 60 + p->second) * kTicksPerSecond + p->fraction;
  return i;
}

// The text's type when it is not a date type: datetime, as SQL Server
// converts a text argument.
sql_type date_type_of(const sql_type& t) {
  if (t.id >= type_id::datetime && t.id <= type_id::datetimeoffset) return t;
  sql_type d;
  d.id = type_id::datetime;
  return d;
}

int days_in_month(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

[[noreturn]] void unsupported(date_part part, const char* function, const sql_type& t) {
  throw err::generic(9810, std::string("The datepart ") + part_text(part) +
                               " is not supported by date function " + function +
                               " for data type " + type_name(t.id) + ".");
}

[[noreturn]] void overflow(const sql_type& t) {
  throw err::generic(517, std::string("Adding a value to a '") + type_name(t.id) +
                              "' column caused an overflow.");
}

int weekday_of(int64_t days) {  // 0 = Sunday; 1970-01-01 was a Thursday
  return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

int day_of_year(const datetime_parts& p) {
  return static_cast<int>(days_from_civil(p.year, p.month, p.day) -
                          days_from_civil(p.year, 1, 1) + 1);
}

int iso_week(int64_t days) {
  // The ISO week holds the Thursday of the same Monday-first week.
  const int64_t thursday = days - (weekday_of(days) + 6) % 7 + 3;
  int y, m, d;
  civil_from_days(thursday, y, m, d);
  return static_cast<int>((thursday - days_from_civil(y, 1, 1)) / 7 + 1);
}

int64_t part_number(date_part part, const instant& i, const sql_type& t) {
  const datetime_parts& p = i.parts;
  if (t.id == type_id::date && is_time_part(part)) unsupported(part, "datepart", t);
  if (t.id == type_id::time && !is_time_part(part)) unsupported(part, "datepart", t);
  switch (part) {
    case date_part::year:
      return p.year;
    case date_part::quarter:
      return (p.month - 1) / 3 + 1;
    case date_part::month:
      return p.month;
    case date_part::dayofyear:
      return day_of_year(p);
    case date_part::day:
      return p.day;
    case date_part::week:
      return (day_of_year(p) - 1 + weekday_of(days_from_civil(p.year, 1, 1))) / 7 + 1;
    case date_part::weekday:
      return weekday_of(i.days) + 1;
    case date_part::hour:
      return p.hour;
    case date_part::minute:
      return p.minute;
    case date_part::second:
      return p.second;
    case date_part::millisecond:
      return p.fraction / 10000;
    case date_part::microsecond:
      return p.fraction / 10;
    case date_part::nanosecond:
      return p.fraction * 100;
    case date_part::tzoffset:
      return p.offset_minutes;
    case date_part::iso_week:
      return iso_week(i.days);
  }
  return 0;
}

}  // namespace

date_part date_part_named(const std::string& name, const std::string& function) {
  std::string l;
  for (char c : name) l += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const auto& n : kParts)
    if (l == n.name) return n.part;
  throw err::generic(155, "'" + name + "' is not a recognized " + function + " option.", 15);
}

value date_add(date_part part, int64_t n, const value& when, const sql_type& type) {
  if (when.is_null()) return value::null();
  const sql_type t = date_type_of(type);
  if (part == date_part::tzoffset || part == date_part::iso_week)
    throw err::generic(9810, std::string("The datepart ") + part_text(part) +
                                 " is not supported by date function dateadd for data type " +
                                 type_name(t.id) + ".");
  if (t.id == type_id::date && is_time_part(part)) unsupported(part, "dateadd", t);
  if (t.id == type_id::time && !is_time_part(part)) unsupported(part, "dateadd", t);
  instant i = read(when);
  datetime_parts p = i.parts;
  // Months move the calendar and keep the day where the month has it.
  int64_t months = 0;
  if (part == date_part::year) months = n * 12;
  if (part == date_part::quarter) months = n * 3;
  if (part == date_part::month) months = n;
  if (months != 0) {
    const int64_t m = p.year * 12LL + (p.month - 1) + months;
    if (m < 12 || m >= 10000 * 12LL) overflow(t);
    p.year = static_cast<int>(m / 12);
    p.month = static_cast<int>(m % 12) + 1;
    p.day = std::min(p.day, days_in_month(p.year, p.month));
  } else if (part != date_part::year && part != date_part::quarter && part != date_part::month) {
    int64_t days = i.days, ticks = i.ticks;
    if (part == date_part::day || part == date_part::dayofyear || part == date_part::weekday)
      days += n;
    else if (part == date_part::week)
      days += 7 * n;
    else {
      int64_t unit = 1;  // in 100 ns ticks; nanoseconds round to them
      switch (part) {
        case date_part::hour: unit = 3600 * kTicksPerSecond; break;
        case date_part::minute: unit = 60 * kTicksPerSecond; break;
        case date_part::second: unit = kTicksPerSecond; break;
        case date_part::millisecond: unit = 10000; break;
        case date_part::microsecond: unit = 10; break;
        default: break;
      }
      // n is an int, so n * unit stays well inside int64.
      const int64_t add = part == date_part::nanosecond ? (n >= 0 ? n + 50 : n - 50) / 100 : n * unit;
      ticks += add;
      int64_t carry = ticks / kTicksPerDay;
      ticks %= kTicksPerDay;
      if (ticks < 0) {
        ticks += kTicksPerDay;
        --carry;
      }
      // time wraps around midnight.
      if (t.id != type_id::time) days += carry;
    }
    if (days < days_from_civil(1, 1, 1) || days > days_from_civil(9999, 12, 31)) overflow(t);
    civil_from_days(days, p.year, p.month, p.day);
    p.hour = static_cast<int>(ticks / (3600 * kTicksPerSecond));
    p.minute = static_cast<int>(ticks / (60 * kTicksPerSecond) % 60);
    p.second = static_cast<int>(ticks / kTicksPerSecond % 60);
    p.fraction = ticks % kTicksPerSecond;
  }
  std::optional<std::string> s = store_datetime(p, t);
  if (!s) overflow(t);
  return value::of_text(*s);
}

value date_diff(date_part part, const value& a, const value& b) {
  if (a.is_null() || b.is_null()) return value::null();
  if (part == date_part::tzoffset || part == date_part::iso_week)
    throw err::generic(9810, std::string("The datepart ") + part_text(part) +
                                 " is not supported by date function datediff for data type "
                                 "datetime.");
  instant x = read(a), y = read(b);
  // Offsets compare in UTC.
  auto utc = [](instant& i) {
    if (!i.parts.has_offset) return;
    i.ticks -= i.parts.offset_minutes * 60 * kTicksPerSecond;
    if (i.ticks < 0) {
      i.ticks += kTicksPerDay;
      --i.days;
    } else if (i.ticks >= kTicksPerDay) {
      i.ticks -= kTicksPerDay;
      ++i.days;
    }
    civil_from_days(i.days, i.parts.year, i.parts.month, i.parts.day);
  };
  utc(x);
  utc(y);
  __int128 r = 0;
  auto count = [](const instant& i, int64_t unit) {
    return static_cast<__int128>(i.days) * (kTicksPerDay / unit) + i.ticks / unit;
  };
  switch (part) {
    case date_part::year:
      r = y.parts.year - x.parts.year;
      break;
    case date_part::quarter:
      r = (y.parts.year * 4 + (y.parts.month - 1) / 3) - (x.parts.year * 4 + (x.parts.month - 1) / 3);
      break;
    case date_part::month:
      r = (y.parts.year * 12 + y.parts.month) - (x.parts.year * 12 + x.parts.month);
      break;
    case date_part::dayofyear:
    case date_part::day:
    case date_part::weekday:
      r = y.days - x.days;
      break;
    case date_part::week: {
      // Weeks start on Sunday whatever DATEFIRST says.
      auto week = [](int64_t d) { return (d + 4 - ((d + 4) % 7 + 7) % 7) / 7; };
      r = week(y.days) - week(x.days);
      break;
    }
    case date_part::hour:
      r = count(y, 3600 * kTicksPerSecond) - count(x, 3600 * kTicksPerSecond);
      break;
    case date_part::minute:
      r = count(y, 60 * kTicksPerSecond) - count(x, 60 * kTicksPerSecond);
      break;
    case date_part::second:
      r = count(y, kTicksPerSecond) - count(x, kTicksPerSecond);
      break;
    case date_part::millisecond:
      r = count(y, 10000) - count(x, 10000);
      break;
    case date_part::microsecond:
      r = count(y, 10) - count(x, 10);
      break;
    default:
      r = (count(y, 1) - count(x, 1)) * 100;
      break;
  }
  if (r > INT32_MAX || r < INT32_MIN)
    throw err::generic(535,
                       "The datediff function resulted in an overflow. The number of dateparts "
                       "separating two date/time instances is too large. Try to use datediff "
                       "with a less precise datepart.");
  return value::of_int(static_cast<int64_t>(r));
}

value date_part_of(date_part part, const value& when, const sql_type& t) {
  if (when.is_null()) return value::null();
  return value::of_int(part_number(part, read(when), date_type_of(t)));
}

value date_name(date_part part, const value& when, const sql_type& t) {
  if (when.is_null()) return value::null();
  const instant i = read(when);
  const int64_t n = part_number(part, i, date_type_of(t));
  if (part == date_part::month) return value::of_text(kMonths[n - 1]);
  if (part == date_part::weekday) return value::of_text(kWeekdays[n - 1]);
  if (part == date_part::tzoffset) {
    const int64_t m = std::llabs(n);
    char b[48];
    std::snprintf(b, sizeof b, "%c%02lld:%02lld", n < 0 ? '-' : '+', static_cast<long long>(m / 60),
                  static_cast<long long>(m % 60));
    return value::of_text(b);
  }
  return value::of_text(std::to_string(n));
}

value end_of_month(const value& when, int64_t months) {
  if (when.is_null()) return value::null();
  datetime_parts p = read(when).parts;
  const int64_t m = p.year * 12LL + (p.month - 1) + months;
  sql_type d;
  d.id = type_id::date;
  if (m < 12 || m >= 10000 * 12LL) overflow(d);
  p.year = static_cast<int>(m / 12);
  p.month = static_cast<int>(m % 12) + 1;
  p.day = days_in_month(p.year, p.month);
  return value::of_text(*store_datetime(p, d));
}

value date_from_parts(const value& y, const value& m, const value& d) {
  if (y.is_null() || m.is_null() || d.is_null()) return value::null();
  sql_type it;
  it.id = type_id::int_;
  const int64_t yy = convert_to(y, it).i, mm = convert_to(m, it).i, dd = convert_to(d, it).i;
  if (yy < 1 || yy > 9999 || mm < 1 || mm > 12 || dd < 1 ||
      dd > days_in_month(static_cast<int>(yy), static_cast<int>(mm)))
    throw err::generic(289,
                       "Cannot construct data type date, some of the arguments have values "
                       "which are not valid.");
  datetime_parts p;
  p.year = static_cast<int>(yy);
  p.month = static_cast<int>(mm);
  p.day = static_cast<int>(dd);
  sql_type t;
  t.id = type_id::date;
  return value::of_text(*store_datetime(p, t));
}

value datetime_difference(const value& a, const value& b, const sql_type& t) {
  if (a.is_null() || b.is_null()) return value::null();
  const instant x = read(a), y = read(b);
  int64_t days = x.days - y.days, ticks = x.ticks - y.ticks;
  if (ticks < 0) {
    ticks += kTicksPerDay;
    --days;
  }
  datetime_parts p;
  civil_from_days(days_from_civil(1900, 1, 1) + days, p.year, p.month, p.day);
  p.hour = static_cast<int>(ticks / (3600 * kTicksPerSecond));
  p.minute = static_cast<int>(ticks / (60 * kTicksPerSecond) % 60);
  p.second = static_cast<int>(ticks / kTicksPerSecond % 60);
  p.fraction = ticks % kTicksPerSecond;
  std::optional<std::string> s = store_datetime(p, t);
  if (!s) overflow(t);
  return value::of_text(*s);
}

namespace {

value arg(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
      return value::null();
    case SQLITE_INTEGER:
      return value::of_int(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return value::of_real(sqlite3_value_double(v));
    default:
      return value::of_text(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                        static_cast<size_t>(sqlite3_value_bytes(v))));
  }
}

sql_type type_arg(sqlite3_value* id, sqlite3_value* scale) {
  sql_type t;
  t.id = static_cast<type_id>(sqlite3_value_int(id));
  t.scale = static_cast<uint8_t>(sqlite3_value_int(scale));
  return t;
}

date_part part_arg(sqlite3_value* v) {
  return static_cast<date_part>(sqlite3_value_int(v));
}

void result(sqlite3_context* c, const value& r) {
  switch (r.k) {
    case value::kind::null:
      return sqlite3_result_null(c);
    case value::kind::integer:
      return sqlite3_result_int64(c, r.i);
    default:
      return sqlite3_result_text(c, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
  }
}

// Runs f, turning a server error into the statement's failure.
template <typename F>
void guarded(sqlite3_context* c, F f) {
  try {
    result(c, f());
  } catch (const sql_error& e) {
    keep_function_error(e);
    sqlite3_result_error(c, e.what(), -1);
  }
}

// tsl_dateadd(part, n, when, type, scale)
void sqlite_dateadd(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] {
    if (sqlite3_value_type(v[1]) == SQLITE_NULL) return value::null();
    sql_type it;
    it.id = type_id::int_;
    const int64_t n = convert_to(arg(v[1]), it).i;
    return date_add(part_arg(v[0]), n, arg(v[2]), type_arg(v[3], v[4]));
  });
}

void sqlite_datediff(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] { return date_diff(part_arg(v[0]), arg(v[1]), arg(v[2])); });
}

// tsl_datepart(part, when, type, scale, as_name)
void sqlite_datepart(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] {
    return sqlite3_value_int(v[4]) ? date_name(part_arg(v[0]), arg(v[1]), type_arg(v[2], v[3]))
                                   : date_part_of(part_arg(v[0]), arg(v[1]), type_arg(v[2], v[3]));
  });
}

void sqlite_eomonth(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] {
    if (sqlite3_value_type(v[1]) == SQLITE_NULL) return value::null();
    return end_of_month(arg(v[0]), sqlite3_value_int64(v[1]));
  });
}

void sqlite_datefromparts(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] { return date_from_parts(arg(v[0]), arg(v[1]), arg(v[2])); });
}

// tsl_datesub(a, b, type, scale)
void sqlite_datesub(sqlite3_context* c, int, sqlite3_value** v) {
  guarded(c, [&] { return datetime_difference(arg(v[0]), arg(v[1]), type_arg(v[2], v[3])); });
}

}  // namespace

void register_date_functions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function_v2(db, "tsl_dateadd", 5, flags, nullptr, sqlite_dateadd, nullptr,
                             nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_datediff", 3, flags, nullptr, sqlite_datediff, nullptr,
                             nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_datepart", 5, flags, nullptr, sqlite_datepart, nullptr,
                             nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_eomonth", 2, flags, nullptr, sqlite_eomonth, nullptr,
                             nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_datefromparts", 3, flags, nullptr, sqlite_datefromparts,
                             nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_datesub", 4, flags, nullptr, sqlite_datesub, nullptr,
                             nullptr, nullptr);
}

}  // namespace tsl::mssql
