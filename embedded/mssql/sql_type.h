#pragma once
// The server's column types: what a declaration names, how the provider
// describes it (IColumnsInfo) and how the catalogue procedures report it.
#include <cstdint>
#include <string>
#include <vector>

namespace tsl::mssql {

enum class type_id : uint8_t {
  bit,
  tinyint,
  smallint,
  int_,
  bigint,
  decimal,
  numeric,
  money,
  smallmoney,
  float_,
  real,
  datetime,
  smalldatetime,
  date,
  time,
  datetime2,
  datetimeoffset,
  char_,
  varchar,
  text,
  nchar,
  nvarchar,
  ntext,
  xml,
  binary,
  varbinary,
  image,
  timestamp,
  uniqueidentifier,
  sql_variant,
  // Only the schema rowsets use these: they have no T-SQL name.
  ole_ui2,
  ole_ui4,
  ole_ui8,
  ole_i2,
  ole_i4,
  ole_date,
};

// Length in characters (char types) or bytes (binary types); kMax for (max).
struct sql_type {
  static constexpr int32_t kMax = -1;
  type_id id = type_id::int_;
  int32_t length = 0;
  uint8_t precision = 0;
  uint8_t scale = 0;
  std::string alias;  // "sysname" keeps its name in the catalogue

  bool is_max() const { return length == kMax; }
};

// Parses a declared type; args are the numbers in brackets (empty, one or two;
// a (max) argument arrives as sql_type::kMax). Throws sql_error 2715 for an
// unknown name and 131/2750 for lengths and precisions out of range.
sql_type make_type(const std::string& name, const std::vector<int64_t>& args, int column_no);

// "int", "nvarchar", ... as sp_columns and error messages spell it.
const char* type_name(type_id id);
// "nvarchar(20)", "decimal(10,2)": the declaration form.
std::string declaration(const sql_type& t);

enum class storage_class { integer, real, text, blob };
storage_class storage_of(type_id id);

bool is_unicode(type_id id);
bool is_character(type_id id);
bool is_binary(type_id id);
bool is_integer(type_id id);

// How the provider describes a column of this type.
struct column_shape {
  uint16_t dbtype;
  uint32_t size;      // ulColumnSize
  uint8_t precision;  // 255 when not applicable
  uint8_t scale;      // 255 when not applicable
  uint32_t flags;     // ISFIXEDLENGTH, ISLONG, ISROWVER
};
column_shape shape_of(const sql_type& t);

// The sp_columns values of one type (ODBC version 2 codes).
struct catalog_shape {
  int16_t data_type;
  int32_t precision;
  int32_t length;
  bool has_scale;
  int16_t scale;
  bool has_radix;
  int16_t radix;
  int16_t sql_data_type;
  bool has_datetime_sub;
  int16_t datetime_sub;
  bool has_octet_length;
  int32_t octet_length;
  uint8_t ss_data_type;
};
catalog_shape catalog_shape_of(const sql_type& t, bool nullable);

}  // namespace tsl::mssql
