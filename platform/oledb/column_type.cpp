#include "platform/oledb/column_type.h"

namespace tsl::oledb {
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

bool is_unicode(column_kind k) {
  return k == column_kind::nchar || k == column_kind::nvarchar || k == column_kind::ntext ||
         k == column_kind::xml;
}

bool is_money(column_kind k) {
  return k == column_kind::money || k == column_kind::smallmoney;
}

column_shape shape_of(const column_type& t) {
  const uint32_t n = static_cast<uint32_t>(t.length);
  switch (t.kind) {
    case column_kind::int_:
      return {I4, 4, 10, NA, F};
    case column_kind::smallint:
      return {I2, 2, 5, NA, F};
    case column_kind::tinyint:
      return {UI1, 1, 3, NA, F};
    case column_kind::bigint:
      return {I8, 8, 19, NA, F};
    case column_kind::bit:
      return {BOOL, 2, NA, NA, F};
    case column_kind::decimal:
    case column_kind::numeric:
      return {NUMERIC, 19, t.precision, t.scale, F};
    case column_kind::money:
      return {CY, 8, 19, NA, F};
    case column_kind::smallmoney:
      return {CY, 8, 10, NA, F};
    case column_kind::float_:
      return {R8, 8, 15, NA, F};
    case column_kind::real:
      return {R4, 4, 7, NA, F};
    case column_kind::datetime:
      return {DBTIMESTAMP, 16, 23, 3, F};
    case column_kind::smalldatetime:
      return {DBTIMESTAMP, 16, 16, 0, F};
    case column_kind::date:
      return {WSTR, 10, NA, NA, 0};
    case column_kind::time:
      return {WSTR, time_chars(t.scale), NA, NA, 0};
    case column_kind::datetime2:
      return {WSTR, 11 + time_chars(t.scale), NA, NA, 0};
    case column_kind::datetimeoffset:
      return {WSTR, 18 + time_chars(t.scale), NA, NA, 0};
    case column_kind::char_:
      return {STR, n, NA, NA, F};
    case column_kind::varchar:
      return t.is_max() ? column_shape{STR, 2147483647u, NA, NA, L}
                        : column_shape{STR, n, NA, NA, 0};
    case column_kind::text:
      return {STR, 2147483647u, NA, NA, L};
    case column_kind::nchar:
      return {WSTR, n, NA, NA, F};
    case column_kind::nvarchar:
      return t.is_max() ? column_shape{WSTR, 1073741823u, NA, NA, L}
                        : column_shape{WSTR, n, NA, NA, 0};
    case column_kind::ntext:
    case column_kind::xml:
      return {WSTR, 1073741823u, NA, NA, L};
    case column_kind::binary:
      return {BYTES, n, NA, NA, F};
    case column_kind::varbinary:
      return t.is_max() ? column_shape{BYTES, 2147483647u, NA, NA, L}
                        : column_shape{BYTES, n, NA, NA, 0};
    case column_kind::image:
      return {BYTES, 2147483647u, NA, NA, L};
    case column_kind::timestamp:
      return {BYTES, 8, NA, NA, F | RV};
    case column_kind::uniqueidentifier:
      return {GUID, 16, NA, NA, F};
    case column_kind::sql_variant:
      return {VARIANT, 24, NA, NA, 0};
    case column_kind::ole_ui2:
      return {UI2, 2, 5, NA, F};
    case column_kind::ole_ui4:
      return {UI4, 4, 10, NA, F};
    case column_kind::ole_ui8:
      return {UI8, 8, 20, NA, F};
    case column_kind::ole_i2:
      return {I2, 2, 5, NA, F};
    case column_kind::ole_i4:
      return {I4, 4, 10, NA, F};
    case column_kind::ole_date:
      return {DATE, 8, NA, NA, F};
  }
  return {WSTR, n, NA, NA, 0};
}

}  // namespace tsl::oledb
