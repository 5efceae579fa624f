#include "platform/freetds/wire_values.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/oledb/field_value.h"

namespace tsl::freetds {
namespace {

using oledb::column_kind;
using oledb::column_type;

column_type make(column_kind k, int32_t length = 0, int precision = 0, int scale = 0) {
  return column_type{k, length, static_cast<uint8_t>(precision), static_cast<uint8_t>(scale)};
}

// Lengths of 2^30 and more, and the PLP marker, are the (max) types.
bool is_max_length(int64_t n) {
  return n < 0 || n >= 0x3FFFFFFF || n == 0xFFFF;
}

int64_t days_1900() {
  static const int64_t d = oledb::days_from_civil(1900, 1, 1);
  return d;
}

std::string date_of(int32_t days) {
  int y, m, d;
  oledb::civil_from_days(days_1900() + days, y, m, d);
  char b[16];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
  return b;
}

std::string time_of(uint64_t t100, int scale) {
  uint64_t secs = t100 / 10000000u;
  uint64_t frac = t100 % 10000000u;
  char b[40];
  std::snprintf(b, sizeof b, "%02u:%02u:%02u", static_cast<unsigned>(secs / 3600),
                static_cast<unsigned>(secs / 60 % 60), static_cast<unsigned>(secs % 60));
  std::string s = b;
  if (scale > 0) {
    std::snprintf(b, sizeof b, "%07llu", static_cast<unsigned long long>(frac));
    s += '.';
    s.append(b, static_cast<size_t>(scale > 7 ? 7 : scale));
  }
  return s;
}

}  // namespace

column_type column_type_of(int type, int64_t len, bool varying, int user_type, int precision,
                           int scale) {
  switch (type) {
    case 48:
      return make(column_kind::tinyint);
    case 50:
    case 104:
      return make(column_kind::bit);
    case 52:
      return make(column_kind::smallint);
    case 56:
      return make(column_kind::int_);
    case 127:
      return make(column_kind::bigint);
    case 59:
      return make(column_kind::real);
    case 62:
      return make(column_kind::float_);
    case 60:
      return make(column_kind::money);
    case 122:
      return make(column_kind::smallmoney);
    case 61:
      return make(column_kind::datetime);
    case 58:
      return make(column_kind::smalldatetime);
    case 106:
      return make(column_kind::decimal, 0, precision, scale);
    case 108:
      return make(column_kind::numeric, 0, precision, scale);
    case 40:
      return make(column_kind::date);
    case 41:
      return make(column_kind::time, 0, 0, scale);
    case 42:
      return make(column_kind::datetime2, 0, 0, scale);
    case 43:
      return make(column_kind::datetimeoffset, 0, 0, scale);
    case 36:
      return make(column_kind::uniqueidentifier);
    case 47:   // SYBCHAR
    case 39:   // SYBVARCHAR
    case 103:  // SYBNVARCHAR
      if (is_max_length(len)) return make(column_kind::nvarchar, column_type::kMax);
      return make(varying ? column_kind::nvarchar : column_kind::nchar,
                  static_cast<int32_t>(len / 4));
    case 35:  // SYBTEXT
    case 99:  // SYBNTEXT
      return make(column_kind::ntext, column_type::kMax);
    case 45:  // SYBBINARY
    case 37:  // SYBVARBINARY
      if (user_type == 80) return make(column_kind::timestamp, 8);
      if (is_max_length(len)) return make(column_kind::varbinary, column_type::kMax);
      return make(varying ? column_kind::varbinary : column_kind::binary,
                  static_cast<int32_t>(len));
    case 34:
      return make(column_kind::image, column_type::kMax);
    case 98:
      return make(column_kind::sql_variant);
    default:
      // An unknown type reads as its text.
      return make(column_kind::nvarchar, column_type::kMax);
  }
}

std::optional<column_type> declared_type(const std::string& type_name, int64_t precision,
                                         int scale) {
  std::string n = type_name;
  for (const char* suffix : {" identity", "()"})
    if (n.size() > std::strlen(suffix) &&
        n.compare(n.size() - std::strlen(suffix), std::string::npos, suffix) == 0)
      n.erase(n.size() - std::strlen(suffix));
  for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const int32_t length = precision >= 0x3FFFFFFF ? column_type::kMax : static_cast<int32_t>(precision);
  struct entry {
    const char* name;
    column_kind kind;
  };
  static const entry kNames[] = {
      {"bit", column_kind::bit},
      {"tinyint", column_kind::tinyint},
      {"smallint", column_kind::smallint},
      {"int", column_kind::int_},
      {"bigint", column_kind::bigint},
      {"money", column_kind::money},
      {"smallmoney", column_kind::smallmoney},
      {"float", column_kind::float_},
      {"real", column_kind::real},
      {"datetime", column_kind::datetime},
      {"smalldatetime", column_kind::smalldatetime},
      {"date", column_kind::date},
      {"uniqueidentifier", column_kind::uniqueidentifier},
      {"sql_variant", column_kind::sql_variant},
      {"timestamp", column_kind::timestamp},
      {"text", column_kind::text},
      {"ntext", column_kind::ntext},
      {"xml", column_kind::xml},
      {"image", column_kind::image},
  };
  for (const entry& e : kNames)
    if (n == e.name) {
      column_type t = make(e.kind);
      if (e.kind == column_kind::timestamp) t.length = 8;
      if (e.kind == column_kind::text || e.kind == column_kind::ntext ||
          e.kind == column_kind::xml || e.kind == column_kind::image)
        t.length = column_type::kMax;
      return t;
    }
  if (n == "decimal") return make(column_kind::decimal, 0, static_cast<int>(precision), scale);
  if (n == "numeric") return make(column_kind::numeric, 0, static_cast<int>(precision), scale);
  if (n == "time") return make(column_kind::time, 0, 0, scale);
  if (n == "datetime2") return make(column_kind::datetime2, 0, 0, scale);
  if (n == "datetimeoffset") return make(column_kind::datetimeoffset, 0, 0, scale);
  if (n == "char") return make(column_kind::char_, length);
  if (n == "varchar") return make(column_kind::varchar, length);
  if (n == "nchar") return make(column_kind::nchar, length);
  if (n == "nvarchar") return make(column_kind::nvarchar, length);
  if (n == "sysname") return make(column_kind::nvarchar, 128);
  if (n == "binary") return make(column_kind::binary, length);
  if (n == "varbinary") return make(column_kind::varbinary, length);
  return std::nullopt;
}

std::string datetime_text(int32_t days, int32_t ticks) {
  int64_t ms = (static_cast<int64_t>(ticks) * 1000 + 150) / 300;
  int64_t secs = ms / 1000;
  char b[32];
  std::snprintf(b, sizeof b, " %02d:%02d:%02d.%03d", static_cast<int>(secs / 3600),
                static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60),
                static_cast<int>(ms % 1000));
  return date_of(days) + b;
}

std::string smalldatetime_text(uint16_t days, uint16_t minutes) {
  char b[16];
  std::snprintf(b, sizeof b, " %02d:%02d:00", minutes / 60, minutes % 60);
  return date_of(days) + b;
}

std::string date_time_text(column_kind kind, int32_t days, uint64_t t100, int offset, int scale) {
  switch (kind) {
    case column_kind::date:
      return date_of(days);
    case column_kind::time:
      return time_of(t100, scale);
    case column_kind::datetimeoffset: {
      // The value travels in UTC; its text is the local time and the offset.
      int64_t local = static_cast<int64_t>(t100) + int64_t{offset} * 60 * 10000000;
      const int64_t day = int64_t{86400} * 10000000;
      while (local < 0) {
        local += day;
        --days;
      }
      while (local >= day) {
        local -= day;
        ++days;
      }
      t100 = static_cast<uint64_t>(local);
      char b[16];
      int o = offset < 0 ? -offset : offset;
      std::snprintf(b, sizeof b, " %c%02d:%02d", offset < 0 ? '-' : '+', o / 60, o % 60);
      return date_of(days) + " " + time_of(t100, scale) + b;
    }
    default:
      return date_of(days) + " " + time_of(t100, scale);
  }
}

std::string guid_text(const unsigned char g[16]) {
  char b[40];
  std::snprintf(b, sizeof b, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                g[3], g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12],
                g[13], g[14], g[15]);
  return b;
}

}  // namespace tsl::freetds
