#include "embedded/oracle/column_type.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "embedded/oracle/date_format.h"
#include "embedded/oracle/oracle_error.h"

namespace tsl::eora {

std::string column_type::type_name() const {
  switch (code) {
    case type_code::number:
      return "NUMBER";
    case type_code::float_:
      return "FLOAT";
    case type_code::varchar2:
      return "VARCHAR2";
    case type_code::nvarchar2:
      return "NVARCHAR2";
    case type_code::char_:
      return "CHAR";
    case type_code::nchar:
      return "NCHAR";
    case type_code::date:
      return "DATE";
    case type_code::raw:
      return "RAW";
    case type_code::clob:
      return "CLOB";
    case type_code::nclob:
      return "NCLOB";
    case type_code::blob:
      return "BLOB";
    case type_code::long_:
      return "LONG";
    case type_code::rowid:
      return "ROWID";
    case type_code::binary_float:
      return "BINARY_FLOAT";
    case type_code::binary_double:
      return "BINARY_DOUBLE";
  }
  return "UNDEFINED";
}

int column_type::data_length() const {
  switch (code) {
    case type_code::number:
    case type_code::float_:
      return 22;
    case type_code::date:
      return 7;
    case type_code::varchar2:
    case type_code::char_:
      return char_semantics
                 ? std::min(length * max_bytes_per_char, code == type_code::char_ ? 2000 : 4000)
                 : length;
    case type_code::nvarchar2:
    case type_code::nchar:
      return length * national_bytes_per_char;
    case type_code::raw:
      return length;
    case type_code::clob:
    case type_code::nclob:
    case type_code::blob:
      return 4000;
    case type_code::long_:
      return 0;
    case type_code::rowid:
      return 10;
    case type_code::binary_float:
      return 4;
    case type_code::binary_double:
      return 8;
  }
  return 0;
}

int column_type::char_length() const {
  return is_text() ? length : 0;
}

bool column_type::is_text() const {
  return code == type_code::varchar2 || code == type_code::nvarchar2 || code == type_code::char_ ||
         code == type_code::nchar;
}

uint16_t column_type::describe_code() const {
  switch (code) {
    case type_code::number:
    case type_code::float_:
      return 2;
    case type_code::varchar2:
    case type_code::nvarchar2:
      return 1;
    case type_code::char_:
    case type_code::nchar:
      return 96;
    case type_code::date:
      return 12;
    case type_code::raw:
      return 23;
    case type_code::clob:
    case type_code::nclob:
      return 112;
    case type_code::blob:
      return 113;
    case type_code::long_:
      return 8;
    case type_code::rowid:
      return 104;
    case type_code::binary_float:
      return 100;
    case type_code::binary_double:
      return 101;
  }
  return 1;
}

std::string column_type::to_sql() const {
  std::string name = type_name();
  switch (code) {
    case type_code::number:
      if (precision >= 0 && has_scale() && scale != 0)
        return name + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
      if (precision >= 0)
        return name + "(" + std::to_string(precision) + (scale == 0 ? ",0)" : ")");
      if (has_scale()) return name + "(*," + std::to_string(scale) + ")";
      return name;
    case type_code::float_:
      return name + "(" + std::to_string(precision) + ")";
    case type_code::varchar2:
    case type_code::char_:
      return name + "(" + std::to_string(length) + (char_semantics ? " CHAR)" : ")");
    case type_code::nvarchar2:
    case type_code::nchar:
    case type_code::raw:
      return name + "(" + std::to_string(length) + ")";
    default:
      return name;
  }
}

size_t utf8_length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string hex_encode(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

namespace {

std::string hex_decode(const std::string& text) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  size_t i = 0;
  // An odd count of digits reads as if led by a zero.
  if (text.size() % 2 == 1) {
    int v = nibble(text[0]);
    if (v < 0) throw make_error(1465);
    out.push_back(static_cast<char>(v));
    i = 1;
  }
  for (; i < text.size(); i += 2) {
    int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) throw make_error(1465);
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

const char* kind_name(const value& v) {
  switch (v.kind) {
    case vkind::number:
      return "NUMBER";
    case vkind::date:
      return "DATE";
    case vkind::raw:
      return "BINARY";
    case vkind::lob:
      return v.lob.binary ? "BLOB" : "CLOB";
    default:
      return "CHAR";
  }
}

// Oracle counts the characters of the text, or the bytes it takes.
void check_length(const std::string& s, const column_type& t, const std::string& column) {
  size_t actual = t.char_semantics || t.is_national() ? utf8_length(s) : s.size();
  size_t limit = static_cast<size_t>(t.length);
  if (actual > limit)
    throw make_error(12899, {column, std::to_string(actual), std::to_string(limit)});
  // CHAR semantics still cannot pass the type's byte limit.
  if (t.char_semantics && !t.is_national()) {
    size_t byte_limit = t.code == type_code::char_ ? 2000 : 4000;
    if (s.size() > byte_limit)
      throw make_error(12899, {column, std::to_string(s.size()), std::to_string(byte_limit)});
  }
}

}  // namespace

decimal fit_number(const decimal& d) {
  decimal r = d.round_significant(38);
  if (r.integer_digits() > 126) throw make_error(1426);
  if (r.integer_digits() < -129) return decimal();
  return r;
}

decimal to_number(const value& v) {
  switch (v.kind) {
    case vkind::number:
      return v.num;
    case vkind::text: {
      auto d = decimal::parse(v.str);
      if (!d) throw make_error(1722);
      return fit_number(*d);
    }
    default:
      throw make_error(932, {"NUMBER", kind_name(v)});
  }
}

std::string to_text(const value& v) {
  switch (v.kind) {
    case vkind::null:
      return {};
    case vkind::number:
      return v.num.to_string();
    case vkind::text:
      return v.str;
    case vkind::date:
      return format_date(v.date, default_date_format);
    case vkind::raw:
      return hex_encode(v.str);
    case vkind::lob:
      throw make_error(932, {"CHAR", kind_name(v)});
  }
  return {};
}

date_time to_date_value(const value& v) {
  switch (v.kind) {
    case vkind::date:
      return v.date;
    case vkind::text:
      return parse_date(v.str, default_date_format);
    default:
      throw make_error(932, {"DATE", kind_name(v)});
  }
}

std::string to_raw(const value& v) {
  switch (v.kind) {
    case vkind::raw:
      return v.str;
    case vkind::text:
      return hex_decode(v.str);
    default:
      throw make_error(932, {"BINARY", kind_name(v)});
  }
}

value coerce_to_column(const value& v, const column_type& t, const std::string& column) {
  if (v.is_null()) return v;
  switch (t.code) {
    case type_code::number: {
      decimal d = to_number(v);
      if (t.has_scale() || t.precision >= 0) {
        int scale = t.has_scale() ? t.scale : 0;
        int precision = t.precision >= 0 ? t.precision : 38;
        d = d.round(scale);
        // The value must be below 10^(p-s) in magnitude once rounded.
        if (!d.is_zero() && d.integer_digits() > precision - scale) throw make_error(1438);
      }
      return value::number(fit_number(d));
    }
    case type_code::float_: {
      int digits = static_cast<int>(std::ceil(t.precision * 0.30103));
      return value::number(fit_number(to_number(v).round_significant(digits < 1 ? 1 : digits)));
    }
    case type_code::binary_float:
    case type_code::binary_double: {
      // IEEE single or double precision, kept as the shortest text that
      // reads back as the same binary value.
      double x = to_number(v).to_double();
      char text[40];
      if (t.code == type_code::binary_float) {
        float f = static_cast<float>(x);
        if (!std::isfinite(f)) throw make_error(1426);
        for (int p = 6; p <= 9; ++p) {
          std::snprintf(text, sizeof text, "%.*g", p, static_cast<double>(f));
          if (std::strtof(text, nullptr) == f) break;
        }
      } else {
        if (!std::isfinite(x)) throw make_error(1426);
        for (int p = 15; p <= 17; ++p) {
          std::snprintf(text, sizeof text, "%.*g", p, x);
          if (std::strtod(text, nullptr) == x) break;
        }
      }
      auto d = decimal::parse(text);
      if (!d) throw make_error(1722);
      return value::number(*d);
    }
    case type_code::varchar2:
    case type_code::nvarchar2: {
      if (v.kind == vkind::lob) throw make_error(932, {"CHAR", kind_name(v)});
      std::string s = to_text(v);
      check_length(s, t, column);
      return value::text(std::move(s));
    }
    case type_code::char_:
    case type_code::nchar: {
      if (v.kind == vkind::lob) throw make_error(932, {"CHAR", kind_name(v)});
      std::string s = to_text(v);
      check_length(s, t, column);
      size_t have = t.char_semantics || t.is_national() ? utf8_length(s) : s.size();
      if (have < static_cast<size_t>(t.length)) s.append(static_cast<size_t>(t.length) - have, ' ');
      return value::text(std::move(s));
    }
    case type_code::date:
      return value::of_date(to_date_value(v));
    case type_code::raw: {
      std::string b = to_raw(v);
      if (b.size() > static_cast<size_t>(t.length))
        throw make_error(12899, {column, std::to_string(b.size()), std::to_string(t.length)});
      return value::raw(std::move(b));
    }
    case type_code::clob:
    case type_code::nclob:
    case type_code::long_: {
      if (v.kind == vkind::lob) return v;
      value r;
      r.kind = vkind::text;
      r.str = to_text(v);
      return r;
    }
    case type_code::blob: {
      if (v.kind == vkind::lob) return v;
      value r;
      r.kind = vkind::raw;
      r.str = to_raw(v);
      return r;
    }
    case type_code::rowid:
      return value::text(to_text(v));
  }
  return v;
}

}  // namespace tsl::eora
