#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

sql_error::sql_error(uint32_t hresult, error_record first)
    : std::runtime_error(first.message), hresult_(hresult) {
  records_.push_back(std::move(first));
}

sql_error& sql_error::also(error_record next) {
  records_.push_back(std::move(next));
  return *this;
}

bool ends_batch(int32_t number) {
  switch (number) {
    case 137:
    case 207:
    case 208:
    case 209:
    case 241:
    case 245:
    case 4104:
    case 8114:
      return true;
    default:
      return false;
  }
}

namespace err {
namespace {
sql_error make(uint32_t hr, int number, int severity, const char* sqlstate, std::string text) {
  return sql_error(hr, error_record{number, severity, 1, sqlstate, std::move(text)});
}
}  // namespace

sql_error syntax_near(const std::string& token) {
  return make(kErrorsInCommand, 102, 15, "42000", "Incorrect syntax near '" + token + "'.");
}
sql_error syntax_near_keyword(const std::string& keyword) {
  return make(kErrorsInCommand, 156, 15, "42000",
              "Incorrect syntax near the keyword '" + keyword + "'.");
}
sql_error invalid_object(const std::string& name) {
  return make(kNoTable, 208, 16, "42S02", "Invalid object name '" + name + "'.");
}
sql_error invalid_column(const std::string& name) {
  return make(kErrorsInCommand, 207, 16, "42S22", "Invalid column name '" + name + "'.");
}
sql_error ambiguous_column(const std::string& name) {
  return make(kErrorsInCommand, 209, 16, "42000", "Ambiguous column name '" + name + "'.");
}
sql_error object_exists(const std::string& name) {
  return make(kErrorsInCommand, 2714, 16, "42S01",
              "There is already an object named '" + name + "' in the database.");
}
sql_error unknown_type(int column, const std::string& type) {
  return make(kErrorsInCommand, 2715, 16, "42000",
              "Column, parameter, or variable #" + std::to_string(column) +
                  ": Cannot find data type " + type + ".");
}
sql_error conversion_failed(const std::string& from, const std::string& text,
                            const std::string& to) {
  return make(kErrorsInCommand, 245, 16, "22018",
              "Conversion failed when converting the " + from + " value '" + text +
                  "' to data type " + to + ".");
}
sql_error date_conversion() {
  return make(kErrorsInCommand, 241, 16, "22007",
              "Conversion failed when converting date and/or time from character string.");
}
sql_error overflow(const std::string& to) {
  return make(kErrorsInCommand, 8115, 16, "22003",
              "Arithmetic overflow error converting expression to data type " + to + ".");
}
sql_error truncated() {
  return make(kErrorsInCommand, 8152, 16, "22001", "String or binary data would be truncated.");
}
sql_error null_not_allowed(const std::string& column, const std::string& table) {
  return make(kIntegrity, 515, 16, "23000",
              "Cannot insert the value NULL into column '" + column + "', table '" + table +
                  "'; column does not allow nulls. INSERT fails.");
}
sql_error duplicate_key(const std::string& kind, const std::string& constraint,
                        const std::string& table, const std::string& key) {
  return make(kIntegrity, 2627, 14, "23000",
              "Violation of " + kind + " constraint '" + constraint +
                  "'. Cannot insert duplicate key in object '" + table +
                  "'. The duplicate key value is (" + key + ").");
}
sql_error login_failed(const std::string& user) {
  return make(kAuthFailed, 18456, 14, "42000", "Login failed for user '" + user + "'.");
}
sql_error no_database(const std::string& name) {
  return make(
      kFail, 911, 16, "42000",
      "Database '" + name + "' does not exist. Make sure that the name is entered correctly.");
}
sql_error generic(int number, const std::string& message, int severity,
                  const std::string& sqlstate) {
  return sql_error(kErrorsInCommand, error_record{number, severity, 1, sqlstate, message});
}
}  // namespace err

}  // namespace tsl::mssql
