#pragma once
// Column data types with Oracle's limits, and the conversion of a value into
// a column of a type with Oracle's checks.
#include <cstdint>
#include <string>

#include "embedded/oracle/value.h"

namespace tsl::eora {

enum class type_code : uint8_t {
  number,
  float_,
  varchar2,
  nvarchar2,
  char_,
  nchar,
  date,
  raw,
  clob,
  nclob,
  blob,
  long_,
  rowid,
  // Appended: the codes are stored in the dictionary.
  binary_float,
  binary_double
};

struct column_type {
  type_code code = type_code::varchar2;
  int length = 0;               // as declared: bytes, or characters with char_semantics
  bool char_semantics = false;  // VARCHAR2(n CHAR); always true for N types
  int precision = -1;           // NUMBER(p,s); FLOAT(b) keeps b; -1 when absent
  int scale = no_scale;         // no_scale when absent (scales may be negative)
  static constexpr int no_scale = -32768;
  bool has_scale() const { return scale != no_scale; }

  // DATA_TYPE of USER_TAB_COLUMNS.
  std::string type_name() const;
  // DATA_LENGTH: bytes in the AL32UTF8 database.
  int data_length() const;
  // CHAR_LENGTH: characters of the text types, 0 otherwise.
  int char_length() const;
  // The external type code a describe reports.
  uint16_t describe_code() const;
  bool is_text() const;
  bool is_lob() const {
    return code == type_code::clob || code == type_code::nclob || code == type_code::blob;
  }
  bool is_national() const {
    return code == type_code::nvarchar2 || code == type_code::nchar || code == type_code::nclob;
  }
  // The type as SQL would write it.
  std::string to_sql() const;
};

// Oracle's bytes per character of the database and national character sets.
inline constexpr int max_bytes_per_char = 4;
inline constexpr int national_bytes_per_char = 2;

// Converts a value for storing into a column. `column` is the quoted path
// "SCHEMA"."TABLE"."COLUMN" used in ORA-12899. Raises ORA-01438, ORA-12899,
// ORA-01722, ORA-00932, ORA-01465 and the date errors.
value coerce_to_column(const value& v, const column_type& t, const std::string& column);

// The conversions of expressions.
decimal to_number(const value& v);
std::string to_text(const value& v);
date_time to_date_value(const value& v);
std::string to_raw(const value& v);
std::string hex_encode(const std::string& bytes);

// Oracle's NUMBER limits: rounded to 38 significant digits, magnitude below
// 1E126 (ORA-01426 beyond).
decimal fit_number(const decimal& d);

size_t utf8_length(const std::string& s);

}  // namespace tsl::eora
