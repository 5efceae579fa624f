#include "embedded/mssql/convert_style.h"

#include <cstdio>
#include <string>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql/statement_handle.h"

namespace tsl::mssql {

namespace {

bool is_date_type(type_id id) {
  return id == type_id::datetime || id == type_id::smalldatetime || id == type_id::date ||
         id == type_id::time || id == type_id::datetime2 || id == type_id::datetimeoffset;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

sql_error bad_style(int style, const sql_type& from, const sql_type& to) {
  return err::generic(281, std::to_string(style) + " is not a valid style number when converting " +
                               "from " + type_name(from.id) + " to " + type_name(to.id) + ".");
}

std::string two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v % 100);
  return b;
}

std::string four(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04d", v);
  return b;
}

// The text of a date or time in one of the styles SQL Server writes.
std::string format_date(const datetime_parts& p, const sql_type& from, int style,
                        const sql_type& to) {
  const int ms = static_cast<int>(p.fraction / 10000);
  const bool century = style >= 100 || style == 20 || style == 21 || style == 23;
  const int base = style >= 100 ? style - 100 : style;
  const std::string y = century ? four(p.year) : two(p.year);
  const std::string m = two(p.month), d = two(p.day);
  const std::string hms = two(p.hour) + ":" + two(p.minute) + ":" + two(p.second);
  auto twelve = [&](bool seconds) {
    int h = p.hour % 12;
    if (h == 0) h = 12;
    char b[40];
    std::snprintf(b, sizeof b, "%2d:%02d", h, p.minute);
    std::string s = b;
    if (seconds) {
      char f[16];
      std::snprintf(f, sizeof f, ":%02d:%03d", p.second, ms);
      s += f;
    }
    return s + (p.hour < 12 ? "AM" : "PM");
  };
  auto month_day_year = [&]() {
    char b[32];
    std::snprintf(b, sizeof b, "%s %2d %s", kMonths[p.month - 1], p.day, four(p.year).c_str());
    return std::string(b);
  };
  switch (style) {
    case 0:
    case 100:
      return month_day_year() + " " + twelve(false);
    case 9:
    case 109:
      return month_day_year() + " " + twelve(true);
    case 13:
    case 113: {
      char b[16];
      std::snprintf(b, sizeof b, ":%03d", ms);
      return d + " " + kMonths[p.month - 1] + " " + four(p.year) + " " + hms + b;
    }
    case 8:
    case 108:
    case 24:
      return hms;
    case 14:
    case 114: {
      char b[16];
      std::snprintf(b, sizeof b, ":%03d", ms);
      return hms + b;
    }
    case 20:
    case 120:
      return four(p.year) + "-" + m + "-" + d + " " + hms;
    case 23:
      return four(p.year) + "-" + m + "-" + d;
    case 21:
    case 121:
    case 126:
    case 127: {
      // The stored text of the source type: its own fraction digits.
      std::optional<std::string> s = store_datetime(p, from);
      std::string text = s ? *s : "";
      if (style >= 126) {
        if (const size_t sp = text.find(' '); sp != std::string::npos && sp == 10) text[sp] = 'T';
        // ISO 8601 leaves out a zero fraction.
        if (const size_t dot = text.find('.');
            dot != std::string::npos && text.find_first_not_of('0', dot + 1) == std::string::npos)
          text.resize(dot);
      }
      return text;
    }
    default:
      break;
  }
  switch (base) {
    case 1:
      return m + "/" + d + "/" + y;
    case 2:
      return y + "." + m + "." + d;
    case 3:
      return d + "/" + m + "/" + y;
    case 4:
      return d + "." + m + "." + y;
    case 5:
      return d + "-" + m + "-" + y;
    case 6:
      return d + " " + kMonths[p.month - 1] + " " + y;
    case 7:
      return std::string(kMonths[p.month - 1]) + " " + d + ", " + y;
    case 10:
      return m + "-" + d + "-" + y;
    case 11:
      return y + "/" + m + "/" + d;
    case 12:
      return y + m + d;
    default:
      throw bad_style(style, from, to);
  }
}

// A text written day first (styles 3, 4, 5, 103, 104, 105) or with a
// two-digit year, brought to yyyy-mm-dd with the rest of the text kept.
std::string reorder_date(const std::string& text, int style) {
  const int base = style >= 100 ? style - 100 : style;
  if (base != 1 && base != 3 && base != 4 && base != 5 && base != 10 && base != 11 && base != 2)
    return text;
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return text;
  int f[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (i >= text.size() || (text[i] != '/' && text[i] != '.' && text[i] != '-')) return text;
      ++i;
    }
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits[k] < 4) {
      f[k] = f[k] * 10 + (text[i] - '0');
      ++digits[k];
      ++i;
    }
    if (digits[k] == 0) return text;
  }
  int y, m, d;
  if (base == 3 || base == 4 || base == 5) {
    d = f[0], m = f[1], y = f[2];
  } else if (base == 11 || base == 2) {
    y = f[0], m = f[1], d = f[2];
  } else {
    m = f[0], d = f[1], y = f[2];
  }
  const int ydigits = base == 11 || base == 2 ? digits[0] : digits[2];
  // Two-digit years under the default cutoff: 00-49 are 20xx, 50-99 19xx.
  if (ydigits <= 2) y += y < 50 ? 2000 : 1900;
  char b[16];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
  return b + text.substr(i);
}

std::string hex(const std::string& bytes, bool prefix) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = prefix ? "0x" : "";
  for (unsigned char c : bytes) {
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  return s;
}

// Hex digits to bytes; a text that is not hex converts to nothing, as
// SQL Server gives NULL for it.
std::optional<std::string> unhex(std::string_view text, bool prefix) {
  if (prefix) {
    if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
      return std::nullopt;
    text.remove_prefix(2);
  }
  if (text.size() % 2) return std::nullopt;
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

// datetime as 4 bytes of days since 1900-01-01 and 4 of 1/300 s ticks;
// smalldatetime as 2 bytes of days and 2 of minutes. Shorter values are
// taken as if zeros came first.
value binary_to_datetime(const std::string& bytes, const sql_type& to) {
  const size_t width = to.id == type_id::smalldatetime ? 4 : 8;
  if (bytes.size() > width)
    throw err::generic(8115, std::string("Arithmetic overflow error converting expression to ") +
                                 "data type " + type_name(to.id) + ".");
  const std::string b = std::string(width - bytes.size(), '\0') + bytes;
  auto be = [&](size_t from, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(b[from + i]);
    return v;
  };
  int64_t days;
  int64_t fraction_100ns;
  if (width == 8) {
    days = static_cast<int32_t>(static_cast<uint32_t>(be(0, 4)));
    const uint64_t ticks = be(4, 4);
    if (ticks >= 300ULL * 86400)
      throw err::generic(8115,
                         "Arithmetic overflow error converting expression to data type "
                         "datetime.");
    fraction_100ns = static_cast<int64_t>(ticks * 10000000ULL / 300);
  } else {
    days = static_cast<int64_t>(be(0, 2));
    const uint64_t minutes = be(2, 2);
    if (minutes >= 1440)
      throw err::generic(8115,
                         "Arithmetic overflow error converting expression to data type "
                         "smalldatetime.");
    fraction_100ns = static_cast<int64_t>(minutes) * 60 * 10000000LL;
  }
  datetime_parts p;
  civil_from_days(days_from_civil(1900, 1, 1) + days, p.year, p.month, p.day);
  const int64_t secs = fraction_100ns / 10000000;
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  p.fraction = fraction_100ns % 10000000;
  p.has_date = p.has_time = true;
  std::optional<std::string> s = store_datetime(p, to);
  if (!s)
    throw err::generic(8115, std::string("Arithmetic overflow error converting expression to ") +
                                 "data type " + type_name(to.id) + ".");
  return value::of_text(*s);
}

value cut(std::string text, const sql_type& to) {
  if (!to.is_max() && to.length > 0 && text.size() > static_cast<size_t>(to.length))
    text.resize(static_cast<size_t>(to.length));
  return convert_to(value::of_text(std::move(text)), to, is_unicode(to.id));
}

}  // namespace

void check_style(const sql_type& from, const sql_type& to, int style) {
  if (!is_date_type(from.id) || !is_character(to.id) || style < 0) return;
  const int base = style >= 100 ? style - 100 : style;
  const bool known = (base >= 0 && base <= 14) || style == 20 || style == 21 || style == 23 ||
                     style == 24 || style == 120 || style == 121 || style == 126 || style == 127;
  if (!known) throw bad_style(style, from, to);
}

bool styled_conversion(const sql_type& from, const sql_type& to, int style) {
  if (is_date_type(from.id) && is_character(to.id))
    return style >= 0 || from.id == type_id::datetime || from.id == type_id::smalldatetime;
  if (is_character(from.id) && is_date_type(to.id)) return style > 0;
  if (is_binary(from.id) && is_character(to.id)) return style == 1 || style == 2;
  if (is_character(from.id) && is_binary(to.id)) return style == 1 || style == 2;
  return is_binary(from.id) && (to.id == type_id::datetime || to.id == type_id::smalldatetime);
}

value convert_styled(const value& v, const sql_type& from, const sql_type& to, int style) {
  if (v.is_null()) return v;
  if (is_date_type(from.id) && is_character(to.id) && v.k == value::kind::text) {
    // date, time, datetime2 and datetimeoffset read as ISO text by default.
    if (style < 0 && from.id != type_id::datetime && from.id != type_id::smalldatetime)
      return cut(v.s, to);
    std::optional<datetime_parts> p = parse_datetime(v.s);
    if (!p) return cut(v.s, to);
    return cut(format_date(*p, from, style < 0 ? 0 : style, to), to);
  }
  if (is_character(from.id) && is_date_type(to.id) && v.k == value::kind::text)
    return convert_to(value::of_text(reorder_date(v.s, style)), to, is_unicode(from.id));
  if (is_binary(from.id) && is_character(to.id) && v.k == value::kind::blob)
    return cut(hex(v.s, style == 1), to);
  if (is_character(from.id) && is_binary(to.id) && v.k == value::kind::text) {
    std::optional<std::string> bytes = unhex(v.s, style == 1);
    if (!bytes) return value::null();
    return convert_to(value::of_blob(*bytes), to);
  }
  if (is_binary(from.id) && v.k == value::kind::blob &&
      (to.id == type_id::datetime || to.id == type_id::smalldatetime))
    return binary_to_datetime(v.s, to);
  return convert_to(v, to, is_unicode(from.id));
}

namespace {

void sqlite_convert(sqlite3_context* c, int argc, sqlite3_value** argv) {
  if (argc != 7) return sqlite3_result_error(c, "tsl_convert takes 7 arguments", -1);
  value v;
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      return sqlite3_result_null(c);
    case SQLITE_INTEGER:
      v = value::of_int(sqlite3_value_int64(argv[0]));
      break;
    case SQLITE_FLOAT:
      v = value::of_real(sqlite3_value_double(argv[0]));
      break;
    case SQLITE_TEXT:
      v = value::of_text(std::string(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                                     static_cast<size_t>(sqlite3_value_bytes(argv[0]))));
      break;
    default:
      v = value::of_blob(std::string(static_cast<const char*>(sqlite3_value_blob(argv[0])),
                                     static_cast<size_t>(sqlite3_value_bytes(argv[0]))));
      break;
  }
  sql_type from, to;
  from.id = static_cast<type_id>(sqlite3_value_int(argv[1]));
  to.id = static_cast<type_id>(sqlite3_value_int(argv[2]));
  to.length = sqlite3_value_int(argv[3]);
  to.precision = static_cast<uint8_t>(sqlite3_value_int(argv[4]));
  to.scale = static_cast<uint8_t>(sqlite3_value_int(argv[5]));
  const int style = sqlite3_value_int(argv[6]);
  // An error here fails the statement; the message is the server's own.
  value r;
  try {
    r = convert_styled(v, from, to, style);
  } catch (const sql_error& e) {
    keep_function_error(e);
    return sqlite3_result_error(c, e.what(), -1);
  }
  switch (r.k) {
    case value::kind::null:
      return sqlite3_result_null(c);
    case value::kind::integer:
      return sqlite3_result_int64(c, r.i);
    case value::kind::real:
      return sqlite3_result_double(c, r.r);
    case value::kind::blob:
      return sqlite3_result_blob(c, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
    default:
      return sqlite3_result_text(c, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
  }
}

// tsl_fail(number, message): fails the statement with that server error.
void sqlite_fail(sqlite3_context* c, int, sqlite3_value** argv) {
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  keep_function_error(err::generic(sqlite3_value_int(argv[0]), text ? text : ""));
  sqlite3_result_error(c, text ? text : "", -1);
}

}  // namespace

void register_convert_function(sqlite3* db) {
  sqlite3_create_function_v2(db, "tsl_convert", 7, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                             sqlite_convert, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "tsl_fail", 2, SQLITE_UTF8, nullptr, sqlite_fail, nullptr, nullptr,
                             nullptr);
}

}  // namespace tsl::mssql
