#pragma once
// CONVERT(type, value, style) for the conversions whose result a style
// changes: dates and times to text and back, binary values to text and
// back, and the binary form of datetime and smalldatetime.
#include <sqlite3.h>

#include "embedded/mssql/sql_type.h"
#include "embedded/mssql/value.h"

namespace tsl::mssql {

// True when converting from to to with this style (-1: none given) is not
// the plain conversion.
bool styled_conversion(const sql_type& from, const sql_type& to, int style);

// Throws 281 when the style means nothing for this conversion; done when
// a statement compiles, so that no row is read before the error.
void check_style(const sql_type& from, const sql_type& to, int style);

// Converts v, stored for type from, to what a column of type to stores.
// Throws 281 for a style the conversion does not know, and the plain
// conversion's errors.
value convert_styled(const value& v, const sql_type& from, const sql_type& to, int style);

// The same as an SQL function over stored values:
// tsl_convert(value, from type, to type, to length, to precision, to scale, style);
// and tsl_fail(number, message), which fails the statement with that error.
void register_convert_function(sqlite3* db);

}  // namespace tsl::mssql
