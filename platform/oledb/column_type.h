#pragma once
// SQL Server's column types as a connector reports them, and how the
// provider describes each one to its consumers (IColumnsInfo).
#include <cstdint>

namespace tsl::oledb {

enum class column_kind : uint8_t {
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
  // Columns of the schema rowsets, which have no T-SQL type.
  ole_ui2,
  ole_ui4,
  ole_ui8,
  ole_i2,
  ole_i4,
  ole_date,
};

// Length in characters (character types) or bytes (binary types); kMax for
// the (max) types. Scale also serves time, datetime2 and datetimeoffset.
struct column_type {
  static constexpr int32_t kMax = -1;
  column_kind kind = column_kind::int_;
  int32_t length = 0;
  uint8_t precision = 0;
  uint8_t scale = 0;

  bool is_max() const { return length == kMax; }
};

struct column_shape {
  uint16_t dbtype;
  uint32_t size;      // ulColumnSize
  uint8_t precision;  // 255 when not applicable
  uint8_t scale;      // 255 when not applicable
  uint32_t flags;     // ISFIXEDLENGTH, ISLONG, ISROWVER
};
column_shape shape_of(const column_type& t);

bool is_unicode(column_kind k);
bool is_money(column_kind k);

}  // namespace tsl::oledb
