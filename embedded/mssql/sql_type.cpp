#include "embedded/mssql/sql_type.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {
namespace {

struct named_type {
  const char* name;
  type_id id;
};

constexpr named_type kNames[] = {
    {"bit", type_id::bit},
    {"tinyint", type_id::tinyint},
    {"smallint", type_id::smallint},
    {"int", type_id::int_},
    {"integer", type_id::int_},
    {"bigint", type_id::bigint},
    {"decimal", type_id::decimal},
    {"dec", type_id::decimal},
    {"numeric", type_id::numeric},
    {"money", type_id::money},
    {"smallmoney", type_id::smallmoney},
    {"float", type_id::float_},
    {"real", type_id::real},
    {"datetime", type_id::datetime},
    {"smalldatetime", type_id::smalldatetime},
    {"date", type_id::date},
    {"time", type_id::time},
    {"datetime2", type_id::datetime2},
    {"datetimeoffset", type_id::datetimeoffset},
    {"char", type_id::char_},
    {"character", type_id::char_},
    {"varchar", type_id::varchar},
    {"text", type_id::text},
    {"nchar", type_id::nchar},
    {"nvarchar", type_id::nvarchar},
    {"ntext", type_id::ntext},
    {"xml", type_id::xml},
    {"binary", type_id::binary},
    {"varbinary", type_id::varbinary},
    {"image", type_id::image},
    {"timestamp", type_id::timestamp},
    {"rowversion", type_id::timestamp},
    {"uniqueidentifier", type_id::uniqueidentifier},
    {"sql_variant", type_id::sql_variant},
    {"sysname", type_id::nvarchar},
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

sql_error bad_length(const std::string& name, int64_t n) {
  return err::generic(131,
                      "The size (" + std::to_string(n) + ") given to the type '" + name +
                          "' exceeds the maximum allowed for any data type (8000).",
                      15);
}

}  // namespace

sql_type make_type(const std::string& raw_name, const std::vector<int64_t>& args, int column_no) {
  const std::string name = lower(raw_name);
  const named_type* found = nullptr;
  for (const auto& n : kNames)
    if (name == n.name) found = &n;
  if (!found) throw err::unknown_type(column_no, raw_name);
  sql_type t;
  t.id = found->id;
  if (name == "sysname") {
    if (!args.empty()) throw err::syntax_near("(");
    t.length = 128;
    t.alias = "sysname";
    return t;
  }
  auto too_many = [&](size_t n) {
    if (args.size() > n) throw err::syntax_near(",");
  };
  switch (t.id) {
    case type_id::decimal:
    case type_id::numeric: {
      too_many(2);
      int64_t p = args.empty() ? 18 : args[0];
      int64_t s = args.size() > 1 ? args[1] : 0;
      if (p < 1 || p > 38)
        throw err::generic(2750, "Column or parameter #" + std::to_string(column_no) +
                                     ": Specified column precision " + std::to_string(p) +
                                     " is greater than the maximum precision of 38.");
      if (s < 0 || s > p)
        throw err::generic(2751, "Column or parameter #" + std::to_string(column_no) +
                                     ": Specified column scale " + std::to_string(s) +
                                     " is greater than the specified precision of " +
                                     std::to_string(p) + ".");
      t.precision = static_cast<uint8_t>(p);
      t.scale = static_cast<uint8_t>(s);
      break;
    }
    case type_id::float_: {
      too_many(1);
      int64_t n = args.empty() ? 53 : args[0];
      if (n < 1 || n > 53)
        throw err::generic(2750, "Specified column precision " + std::to_string(n) +
                                     " is greater than the maximum precision of 53.");
      if (n <= 24) t.id = type_id::real;
      break;
    }
    case type_id::time:
    case type_id::datetime2:
    case type_id::datetimeoffset: {
      too_many(1);
      int64_t n = args.empty() ? 7 : args[0];
      if (n < 0 || n > 7)
        throw err::generic(1002, "Line 1: Specified scale " + std::to_string(n) + " is invalid.");
      t.scale = static_cast<uint8_t>(n);
      break;
    }
    case type_id::char_:
    case type_id::varchar:
    case type_id::binary:
    case type_id::varbinary:
    case type_id::nchar:
    case type_id::nvarchar: {
      too_many(1);
      const bool unicode = t.id == type_id::nchar || t.id == type_id::nvarchar;
      const bool fixed =
          t.id == type_id::char_ || t.id == type_id::binary || t.id == type_id::nchar;
      int64_t n = args.empty() ? 1 : args[0];
      if (n == sql_type::kMax) {
        if (fixed) throw err::syntax_near("max");
        t.length = sql_type::kMax;
        break;
      }
      const int64_t limit = unicode ? 4000 : 8000;
      if (n < 1 || n > limit) {
        if (n > limit && unicode)
          throw err::generic(2717, "The size (" + std::to_string(n) + ") given to the parameter '" +
                                       raw_name + "' exceeds the maximum allowed (4000).");
        throw bad_length(raw_name, n);
      }
      t.length = static_cast<int32_t>(n);
      break;
    }
    default:
      if (!args.empty()) throw err::syntax_near("(");
      break;
  }
  return t;
}

const char* type_name(type_id id) {
  switch (id) {
    case type_id::bit:
      return "bit";
    case type_id::tinyint:
      return "tinyint";
    case type_id::smallint:
      return "smallint";
    case type_id::int_:
      return "int";
    case type_id::bigint:
      return "bigint";
    case type_id::decimal:
      return "decimal";
    case type_id::numeric:
      return "numeric";
    case type_id::money:
      return "money";
    case type_id::smallmoney:
      return "smallmoney";
    case type_id::float_:
      return "float";
    case type_id::real:
      return "real";
    case type_id::datetime:
      return "datetime";
    case type_id::smalldatetime:
      return "smalldatetime";
    case type_id::date:
      return "date";
    case type_id::time:
      return "time";
    case type_id::datetime2:
      return "datetime2";
    case type_id::datetimeoffset:
      return "datetimeoffset";
    case type_id::char_:
      return "char";
    case type_id::varchar:
      return "varchar";
    case type_id::text:
      return "text";
    case type_id::nchar:
      return "nchar";
    case type_id::nvarchar:
      return "nvarchar";
    case type_id::ntext:
      return "ntext";
    case type_id::xml:
      return "xml";
    case type_id::binary:
      return "binary";
    case type_id::varbinary:
      return "varbinary";
    case type_id::image:
      return "image";
    case type_id::timestamp:
      return "timestamp";
    case type_id::uniqueidentifier:
      return "uniqueidentifier";
    case type_id::sql_variant:
      return "sql_variant";
    case type_id::ole_ui2:
      return "smallint";
    case type_id::ole_ui4:
      return "int";
    case type_id::ole_ui8:
      return "bigint";
    case type_id::ole_i2:
      return "smallint";
    case type_id::ole_i4:
      return "int";
    case type_id::ole_date:
      return "datetime";
  }
  return "int";
}

std::string declaration(const sql_type& t) {
  if (!t.alias.empty()) return t.alias;
  std::string s = type_name(t.id);
  switch (t.id) {
    case type_id::decimal:
    case type_id::numeric:
      return s + "(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    case type_id::time:
    case type_id::datetime2:
    case type_id::datetimeoffset:
      return s + "(" + std::to_string(t.scale) + ")";
    case type_id::char_:
    case type_id::varchar:
    case type_id::nchar:
    case type_id::nvarchar:
    case type_id::binary:
    case type_id::varbinary:
      return s + "(" + (t.is_max() ? std::string("max") : std::to_string(t.length)) + ")";
    default:
      return s;
  }
}

storage_class storage_of(type_id id) {
  switch (id) {
    case type_id::bit:
    case type_id::tinyint:
    case type_id::smallint:
    case type_id::int_:
    case type_id::bigint:
    case type_id::money:
    case type_id::smallmoney:
    case type_id::ole_ui2:
    case type_id::ole_ui4:
    case type_id::ole_ui8:
    case type_id::ole_i2:
    case type_id::ole_i4:
      return storage_class::integer;
    case type_id::float_:
    case type_id::real:
    case type_id::ole_date:
      return storage_class::real;
    case type_id::binary:
    case type_id::varbinary:
    case type_id::image:
    case type_id::timestamp:
      return storage_class::blob;
    default:
      return storage_class::text;
  }
}

bool is_unicode(type_id id) {
  return id == type_id::nchar || id == type_id::nvarchar || id == type_id::ntext ||
         id == type_id::xml;
}
bool is_character(type_id id) {
  return is_unicode(id) || id == type_id::char_ || id == type_id::varchar || id == type_id::text;
}
bool is_binary(type_id id) {
  return id == type_id::binary || id == type_id::varbinary || id == type_id::image ||
         id == type_id::timestamp;
}
bool is_integer(type_id id) {
  return id == type_id::bit || id == type_id::tinyint || id == type_id::smallint ||
         id == type_id::int_ || id == type_id::bigint;
}

namespace {
constexpr uint16_t I2 = 2, I4 = 3, R4 = 4, R8 = 5, CY = 6, DATE = 7, BOOL = 11, VARIANT = 12,
                   UI1 = 17, UI2 = 18, UI4 = 19, I8 = 20, UI8 = 21, GUID = 72, BYTES = 128,
                   STR = 129, WSTR = 130, NUMERIC = 131, DBTIMESTAMP = 135;
constexpr uint32_t F = 0x10, L = 0x80, RV = 0x200;
constexpr uint8_t NA = 255;

// Text length of a time(n) literal.
uint32_t time_chars(uint8_t scale) {
  return scale == 0 ? 8u : 9u + scale;
}
}  // namespace

column_shape shape_of(const sql_type& t) {
  const uint32_t n = static_cast<uint32_t>(t.length);
  switch (t.id) {
    case type_id::int_:
      return {I4, 4, 10, NA, F};
    case type_id::smallint:
      return {I2, 2, 5, NA, F};
    case type_id::tinyint:
      return {UI1, 1, 3, NA, F};
    case type_id::bigint:
      return {I8, 8, 19, NA, F};
    case type_id::bit:
      return {BOOL, 2, NA, NA, F};
    case type_id::decimal:
    case type_id::numeric:
      return {NUMERIC, 19, t.precision, t.scale, F};
    case type_id::money:
      return {CY, 8, 19, NA, F};
    case type_id::smallmoney:
      return {CY, 8, 10, NA, F};
    case type_id::float_:
      return {R8, 8, 15, NA, F};
    case type_id::real:
      return {R4, 4, 7, NA, F};
    case type_id::datetime:
      return {DBTIMESTAMP, 16, 23, 3, F};
    case type_id::smalldatetime:
      return {DBTIMESTAMP, 16, 16, 0, F};
    case type_id::date:
      return {WSTR, 10, NA, NA, 0};
    case type_id::time:
      return {WSTR, time_chars(t.scale), NA, NA, 0};
    case type_id::datetime2:
      return {WSTR, 11 + time_chars(t.scale), NA, NA, 0};
    case type_id::datetimeoffset:
      return {WSTR, 18 + time_chars(t.scale), NA, NA, 0};
    case type_id::char_:
      return {STR, n, NA, NA, F};
    case type_id::varchar:
      return t.is_max() ? column_shape{STR, 2147483647u, NA, NA, L}
                        : column_shape{STR, n, NA, NA, 0};
    case type_id::text:
      return {STR, 2147483647u, NA, NA, L};
    case type_id::nchar:
      return {WSTR, n, NA, NA, F};
    case type_id::nvarchar:
      return t.is_max() ? column_shape{WSTR, 1073741823u, NA, NA, L}
                        : column_shape{WSTR, n, NA, NA, 0};
    case type_id::ntext:
    case type_id::xml:
      return {WSTR, 1073741823u, NA, NA, L};
    case type_id::binary:
      return {BYTES, n, NA, NA, F};
    case type_id::varbinary:
      return t.is_max() ? column_shape{BYTES, 2147483647u, NA, NA, L}
                        : column_shape{BYTES, n, NA, NA, 0};
    case type_id::image:
      return {BYTES, 2147483647u, NA, NA, L};
    case type_id::timestamp:
      return {BYTES, 8, NA, NA, F | RV};
    case type_id::uniqueidentifier:
      return {GUID, 16, NA, NA, F};
    case type_id::sql_variant:
      return {VARIANT, 24, NA, NA, 0};
    case type_id::ole_ui2:
      return {UI2, 2, 5, NA, F};
    case type_id::ole_ui4:
      return {UI4, 4, 10, NA, F};
    case type_id::ole_ui8:
      return {UI8, 8, 20, NA, F};
    case type_id::ole_i2:
      return {I2, 2, 5, NA, F};
    case type_id::ole_i4:
      return {I4, 4, 10, NA, F};
    case type_id::ole_date:
      return {DATE, 8, NA, NA, F};
  }
  return {WSTR, n, NA, NA, 0};
}

catalog_shape catalog_shape_of(const sql_type& t, bool nullable) {
  const int32_t n = t.length;
  catalog_shape c{};
  auto set = [&](int16_t dt, int32_t prec, int32_t len, bool has_scale, int16_t scale,
                 bool has_radix, int16_t radix, uint8_t ss_fixed, uint8_t ss_null) {
    c.data_type = dt;
    c.precision = prec;
    c.length = len;
    c.has_scale = has_scale;
    c.scale = scale;
    c.has_radix = has_radix;
    c.radix = radix;
    c.sql_data_type = dt;
    c.ss_data_type = nullable ? ss_null : ss_fixed;
  };
  switch (t.id) {
    case type_id::int_:
      set(4, 10, 4, true, 0, true, 10, 56, 38);
      break;
    case type_id::smallint:
      set(5, 5, 2, true, 0, true, 10, 52, 38);
      break;
    case type_id::tinyint:
      set(-6, 3, 1, true, 0, true, 10, 48, 38);
      break;
    case type_id::bigint:
      set(-5, 19, 8, true, 0, true, 10, 63, 38);
      break;
    case type_id::bit:
      set(-7, 1, 1, false, 0, false, 0, 50, 104);
      break;
    case type_id::decimal:
      set(3, t.precision, t.precision + 2, true, t.scale, true, 10, 55, 106);
      break;
    case type_id::numeric:
      set(2, t.precision, t.precision + 2, true, t.scale, true, 10, 63, 108);
      break;
    case type_id::money:
      set(3, 19, 21, true, 4, true, 10, 60, 110);
      break;
    case type_id::smallmoney:
      set(3, 10, 12, true, 4, true, 10, 122, 110);
      break;
    case type_id::float_:
      set(6, 15, 8, false, 0, true, 10, 62, 109);
      break;
    case type_id::real:
      set(7, 7, 4, false, 0, true, 10, 59, 109);
      break;
    case type_id::datetime:
      set(11, 23, 16, true, 3, false, 0, 61, 111);
      c.sql_data_type = 9;
      c.has_datetime_sub = true;
      c.datetime_sub = 3;
      break;
    case type_id::smalldatetime:
      set(11, 16, 16, true, 0, false, 0, 58, 111);
      c.sql_data_type = 9;
      c.has_datetime_sub = true;
      c.datetime_sub = 3;
      break;
    // Down-level clients see the 2008 date and time types as nvarchar.
    case type_id::date:
      set(-9, 10, 20, false, 0, false, 0, 0, 0);
      break;
    case type_id::time: {
      int32_t chars = static_cast<int32_t>(t.scale == 0 ? 8 : 9 + t.scale);
      set(-9, chars, 2 * chars, true, t.scale, false, 0, 0, 0);
      break;
    }
    case type_id::datetime2: {
      int32_t chars = t.scale == 0 ? 19 : 20 + t.scale;
      set(-9, chars, 2 * chars, true, t.scale, false, 0, 0, 0);
      break;
    }
    case type_id::datetimeoffset: {
      int32_t chars = t.scale == 0 ? 26 : 27 + t.scale;
      set(-9, chars, 2 * chars, true, t.scale, false, 0, 0, 0);
      break;
    }
    case type_id::char_:
      set(1, n, n, false, 0, false, 0, 47, 39);
      break;
    case type_id::varchar:
      if (t.is_max())
        set(-1, 2147483647, 2147483647, false, 0, false, 0, 35, 35);
      else
        set(12, n, n, false, 0, false, 0, 39, 39);
      break;
    case type_id::text:
      set(-1, 2147483647, 2147483647, false, 0, false, 0, 35, 35);
      break;
    case type_id::nchar:
      set(-8, n, 2 * n, false, 0, false, 0, 39, 39);
      break;
    case type_id::nvarchar:
      if (t.is_max())
        set(-10, 1073741823, 2147483646, false, 0, false, 0, 35, 35);
      else
        set(-9, n, 2 * n, false, 0, false, 0, 39, 39);
      break;
    case type_id::ntext:
    case type_id::xml:
      set(-10, 1073741823, 2147483646, false, 0, false, 0, 35, 35);
      break;
    case type_id::binary:
      set(-2, n, n, false, 0, false, 0, 45, 37);
      break;
    case type_id::varbinary:
      if (t.is_max())
        set(-4, 2147483647, 2147483647, false, 0, false, 0, 34, 34);
      else
        set(-3, n, n, false, 0, false, 0, 37, 37);
      break;
    case type_id::image:
      set(-4, 2147483647, 2147483647, false, 0, false, 0, 34, 34);
      break;
    case type_id::timestamp:
      set(-2, 8, 8, false, 0, false, 0, 45, 45);
      break;
    case type_id::uniqueidentifier:
      set(-11, 36, 16, false, 0, false, 0, 39, 39);
      break;
    case type_id::sql_variant:
      set(-150, 0, 8000, false, 0, true, 10, 39, 39);
      break;
    default:
      set(4, 10, 4, true, 0, true, 10, 56, 38);
      break;
  }
  if (is_character(t.id) || is_binary(t.id)) {
    c.has_octet_length = true;
    c.octet_length = c.length;
  }
  return c;
}

}  // namespace tsl::mssql
