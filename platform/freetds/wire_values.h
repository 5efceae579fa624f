#pragma once
// SQL Server's types and values as the client library hands them over,
// turned into the provider's column types and stored value forms, so that a
// network server's rows read exactly as the embedded server's do.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/oledb/column_type.h"

namespace tsl::freetds {

// The column type as far as the library tells it: its type (SYBINT4 ...),
// length in client bytes (UTF-8: four per character), whether the length
// varies, the user type (80 for timestamp), precision and scale. The
// library folds char, varchar, nchar and nvarchar into one type and text,
// ntext and xml into another; they read as the Unicode types.
oledb::column_type column_type_of(int client_type, int64_t client_length, bool varying,
                                  int user_type, int precision, int scale);

// The column type sp_columns declares (TYPE_NAME, PRECISION, SCALE);
// nullopt for a type name it does not know (a user-defined type).
std::optional<oledb::column_type> declared_type(const std::string& type_name, int64_t precision,
                                                int scale);

// "yyyy-mm-dd hh:mm:ss.fff" from datetime's days since 1900 and 1/300 s.
std::string datetime_text(int32_t days, int32_t ticks);
// "yyyy-mm-dd hh:mm:00" from smalldatetime's days since 1900 and minutes.
std::string smalldatetime_text(uint16_t days, uint16_t minutes);
// The stored text of date, time, datetime2 and datetimeoffset values from
// days since 1900-01-01, the time of day in 100 ns and the offset in
// minutes; the time has scale digits of fraction.
std::string date_time_text(oledb::column_kind kind, int32_t days, uint64_t time_100ns,
                           int offset_minutes, int scale);
// The upper-case text of a GUID held in its in-memory layout.
std::string guid_text(const unsigned char bytes[16]);

}  // namespace tsl::freetds
