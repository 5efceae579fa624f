#include "embedded/mssql/value.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/sql_error.h"
#include "platform/text/utf.h"

namespace tsl::mssql {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

const char* source_name(const value& v, bool unicode) {
  if (v.k == value::kind::text) return unicode ? "nvarchar" : "varchar";
  return "numeric";
}

// Integer range of each integer type.
bool in_range(type_id id, __int128 v) {
  switch (id) {
    case type_id::tinyint:
      return v >= 0 && v <= 255;
    case type_id::smallint:
      return v >= -32768 && v <= 32767;
    case type_id::int_:
      return v >= INT32_MIN && v <= INT32_MAX;
    case type_id::bigint:
      return v >= INT64_MIN && v <= INT64_MAX;
    default:
      return true;
  }
}

decimal_value as_decimal(const value& v, const sql_type& t, bool unicode) {
  switch (v.k) {
    case value::kind::integer:
      return decimal_value{v.i, 0};
    case value::kind::real: {
      char b[64];
      std::snprintf(b, sizeof b, "%.17g", v.r);
      if (auto d = parse_decimal(b)) return *d;
      throw err::overflow(type_name(t.id));
    }
    case value::kind::number:
    case value::kind::text: {
      if (auto d = parse_decimal(v.s)) return *d;
      if (v.k == value::kind::number) throw err::overflow(type_name(t.id));
      throw err::conversion_failed(source_name(v, unicode), v.s, type_name(t.id));
    }
    default:
      throw err::generic(257, std::string("Implicit conversion from data type varbinary to ") +
                                  type_name(t.id) +
                                  " is not allowed. Use the CONVERT function to run this query.");
  }
}

double as_double(const value& v, const sql_type& t, bool unicode) {
  switch (v.k) {
    case value::kind::integer:
      return static_cast<double>(v.i);
    case value::kind::real:
      return v.r;
    case value::kind::number:
    case value::kind::text: {
      std::string s = trim(v.s);
      char* end = nullptr;
      errno = 0;
      double d = std::strtod(s.c_str(), &end);
      if (s.empty() || *end != '\0' || !std::isfinite(d))
        throw err::conversion_failed(source_name(v, unicode), v.s, type_name(t.id));
      return d;
    }
    default:
      throw err::generic(257, std::string("Implicit conversion from data type varbinary to ") +
                                  type_name(t.id) +
                                  " is not allowed. Use the CONVERT function to run this query.");
  }
}

std::string as_text(const value& v, const sql_type& t) {
  switch (v.k) {
    case value::kind::integer:
      return std::to_string(v.i);
    case value::kind::real: {
      char b[64];
      std::snprintf(b, sizeof b, "%.15G", v.r);
      return b;
    }
    case value::kind::blob:
      throw err::generic(257, std::string("Implicit conversion from data type varbinary to ") +
                                  type_name(t.id) +
                                  " is not allowed. Use the CONVERT function to run this query.");
    default:
      return v.s;
  }
}

size_t utf16_units(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) n += c >= 0xF0 ? 2 : 1;
  }
  return n;
}

}  // namespace

std::string normalize_guid(const std::string& text) {
  std::string s = trim(text);
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return {};
  for (size_t i = 0; i < 36; ++i) {
    char c = s[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return {};
    } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
      return {};
    } else {
      s[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return s;
}

value convert_to(const value& v, const sql_type& t, bool unicode) {
  if (v.is_null()) return v;
  switch (t.id) {
    case type_id::bit: {
      if (v.k == value::kind::text) {
        std::string s = trim(v.s);
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (s == "true") return value::of_int(1);
        if (s == "false") return value::of_int(0);
      }
      decimal_value d = as_decimal(v, t, unicode);
      return value::of_int(d.unscaled != 0 ? 1 : 0);
    }
    case type_id::tinyint:
    case type_id::smallint:
    case type_id::int_:
    case type_id::bigint:
    case type_id::ole_ui2:
    case type_id::ole_ui4:
    case type_id::ole_ui8:
    case type_id::ole_i2:
    case type_id::ole_i4: {
      if (v.k == value::kind::integer) {
        if (!in_range(t.id, v.i)) throw err::overflow(type_name(t.id));
        return v;
      }
      if (v.k == value::kind::blob) {
        // Binary converts to an integer from its last bytes, big-endian.
        uint64_t bits = 0;
        size_t from = v.s.size() > 8 ? v.s.size() - 8 : 0;
        for (size_t k = from; k < v.s.size(); ++k)
          bits = (bits << 8) | static_cast<unsigned char>(v.s[k]);
        int64_t n = static_cast<int64_t>(bits);
        if (!in_range(t.id, n)) throw err::overflow(type_name(t.id));
        return value::of_int(n);
      }
      if (v.k == value::kind::text) {
        // A text must hold an integer; "1.5" does not convert.
        std::string s = trim(v.s);
        size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
        bool ok = i < s.size();
        for (size_t j = i; j < s.size(); ++j)
          ok = ok && std::isdigit(static_cast<unsigned char>(s[j]));
        if (!ok) throw err::conversion_failed(source_name(v, unicode), v.s, type_name(t.id));
      }
      __int128 whole;
      if (v.k == value::kind::real) {
        if (!(std::fabs(v.r) < 9.3e18)) throw err::overflow(type_name(t.id));
        whole = static_cast<__int128>(v.r);
      } else {
        decimal_value d = as_decimal(v, t, unicode);
        whole = d.unscaled;
        for (int s = 0; s < d.scale; ++s) whole /= 10;
      }
      if (!in_range(t.id, whole)) throw err::overflow(type_name(t.id));
      return value::of_int(static_cast<int64_t>(whole));
    }
    case type_id::decimal:
    case type_id::numeric: {
      decimal_value d = as_decimal(v, t, unicode);
      if (!fit_decimal(d, t.precision, t.scale)) throw err::overflow("numeric");
      return value::of_text(format_decimal(d));
    }
    case type_id::money:
    case type_id::smallmoney: {
      decimal_value d = as_decimal(v, t, unicode);
      if (!fit_decimal(d, 38, 4)) throw err::overflow(type_name(t.id));
      const __int128 limit = t.id == type_id::money ? static_cast<__int128>(INT64_MAX)
                                                    : static_cast<__int128>(INT32_MAX);
      if (d.unscaled > limit || d.unscaled < -limit - 1) throw err::overflow(type_name(t.id));
      return value::of_int(static_cast<int64_t>(d.unscaled));
    }
    case type_id::float_:
    case type_id::ole_date:
      return value::of_real(as_double(v, t, unicode));
    case type_id::real: {
      double d = as_double(v, t, unicode);
      if (std::fabs(d) > 3.40282347e38) throw err::overflow("real");
      return value::of_real(static_cast<double>(static_cast<float>(d)));
    }
    case type_id::datetime:
    case type_id::smalldatetime:
    case type_id::date:
    case type_id::time:
    case type_id::datetime2:
    case type_id::datetimeoffset: {
      if (v.k != value::kind::text) {
        if (v.k == value::kind::blob) throw err::date_conversion();
        throw err::generic(206, std::string("Operand type clash: numeric is incompatible with ") +
                                    type_name(t.id));
      }
      auto parts = parse_datetime(v.s);
      if (!parts) throw err::date_conversion();
      auto stored = store_datetime(*parts, t);
      if (!stored)
        throw err::generic(242,
                           "The conversion of a varchar data type to a " +
                               std::string(type_name(t.id)) +
                               " data type resulted in an out-of-range value.",
                           16, "22008");
      return value::of_text(std::move(*stored));
    }
    case type_id::char_:
    case type_id::varchar:
    case type_id::text:
    case type_id::nchar:
    case type_id::nvarchar:
    case type_id::ntext:
    case type_id::xml:
    case type_id::sql_variant: {
      std::string s = as_text(v, t);
      if (t.length > 0) {
        size_t n = is_unicode(t.id) ? utf16_units(s) : s.size();
        if (n > static_cast<size_t>(t.length)) throw err::truncated();
        if (t.id == type_id::char_ || t.id == type_id::nchar)
          s.append(static_cast<size_t>(t.length) - n, ' ');
      }
      return value::of_text(std::move(s));
    }
    case type_id::binary:
    case type_id::varbinary:
    case type_id::image:
    case type_id::timestamp: {
      if (v.k != value::kind::blob) {
        if (v.k == value::kind::integer && t.id != type_id::image) {
          // An integer converts to its big-endian bytes.
          std::string b(4, '\0');
          for (int i = 0; i < 4; ++i)
            b[static_cast<size_t>(3 - i)] = static_cast<char>(v.i >> (8 * i));
          return convert_to(value::of_blob(b), t);
        }
        throw err::generic(257, std::string("Implicit conversion from data type varchar to ") +
                                    type_name(t.id) +
                                    " is not allowed. Use the CONVERT function to run this query.");
      }
      std::string b = v.s;
      if (t.length > 0) {
        if (b.size() > static_cast<size_t>(t.length)) throw err::truncated();
        if (t.id == type_id::binary) b.append(static_cast<size_t>(t.length) - b.size(), '\0');
      }
      return value::of_blob(std::move(b));
    }
    case type_id::uniqueidentifier: {
      if (v.k != value::kind::text)
        throw err::generic(206, "Operand type clash: int is incompatible with uniqueidentifier");
      std::string g = normalize_guid(v.s);
      if (g.empty())
        throw err::generic(8169,
                           "Conversion failed when converting from a character string to "
                           "uniqueidentifier.",
                           16, "22018");
      return value::of_text(std::move(g));
    }
  }
  return v;
}

namespace {
const char kHex[] = "0123456789ABCDEF";

void append_money(int64_t units, std::string& out) {
  std::string s = format_decimal(decimal_value{units, 4});
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  out += s;
}

void append_datetime(const std::string& stored, type_id id, std::string& out) {
  // Stored as "yyyy-mm-dd hh:mm:ss.fff": the provider shows a zero
  // fraction not at all and any other as nine digits.
  if (id == type_id::datetime && stored.size() == 23) {
    if (stored.compare(20, 3, "000") == 0) {
      out.append(stored, 0, 19);
    } else {
      out += stored;
      out += "000000";
    }
    return;
  }
  out += stored;
}
}  // namespace

void append_text_form(const value& v, const sql_type& t, std::string& out) {
  switch (v.k) {
    case value::kind::null:
      return;
    case value::kind::integer:
      if (t.id == type_id::money || t.id == type_id::smallmoney) {
        append_money(v.i, out);
      } else {
        char b[24];
        int n = std::snprintf(b, sizeof b, "%lld", static_cast<long long>(v.i));
        out.append(b, static_cast<size_t>(n));
      }
      return;
    case value::kind::real: {
      char b[40];
      int n = std::snprintf(b, sizeof b, t.id == type_id::real ? "%.7G" : "%.15G", v.r);
      out.append(b, static_cast<size_t>(n));
      return;
    }
    case value::kind::blob:
      for (unsigned char c : v.s) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return;
    case value::kind::text:
    case value::kind::number:
      if (t.id == type_id::uniqueidentifier) {
        out += '{';
        out += v.s;
        out += '}';
      } else if (t.id == type_id::datetime) {
        append_datetime(v.s, t.id, out);
      } else {
        out += v.s;
      }
      return;
  }
}

std::string text_form(const value& v, const sql_type& t) {
  std::string s;
  append_text_form(v, t, s);
  return s;
}

}  // namespace tsl::mssql
