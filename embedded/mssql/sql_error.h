#pragma once
// An error the server reports to its client: SQL Server's message number,
// severity and state, with the SQLSTATE and the OLE DB result the provider
// gives for it.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tsl::mssql {

struct error_record {
  int32_t number = 0;
  int32_t severity = 16;
  int32_t state = 1;
  std::string sqlstate;  // five characters
  std::string message;   // UTF-8
};

class sql_error : public std::runtime_error {
 public:
  sql_error(uint32_t hresult, error_record first);
  // Adds a record after the first one (the server may send several).
  sql_error& also(error_record next);

  uint32_t hresult() const { return hresult_; }
  const std::vector<error_record>& records() const { return records_; }
  int32_t number() const { return records_.front().number; }

 private:
  uint32_t hresult_;
  std::vector<error_record> records_;
};

// Whether SQL Server runs nothing more of the batch after this error: names
// that do not resolve, undeclared variables and failed conversions. Other
// errors end only their statement.
bool ends_batch(int32_t number);

// The usual failures, with SQL Server's own message texts.
namespace err {
constexpr uint32_t kFail = 0x80004005;             // E_FAIL
constexpr uint32_t kErrorsInCommand = 0x80040E14;  // DB_E_ERRORSINCOMMAND
constexpr uint32_t kNoTable = 0x80040E37;          // DB_E_NOTABLE
constexpr uint32_t kAuthFailed = 0x80040E4D;       // DB_SEC_E_AUTH_FAILED
constexpr uint32_t kIntegrity = 0x80040E2F;        // DB_E_INTEGRITYVIOLATION

sql_error syntax_near(const std::string& token);              // 102
sql_error syntax_near_keyword(const std::string& keyword);    // 156
sql_error invalid_object(const std::string& name);            // 208
sql_error invalid_column(const std::string& name);            // 207
sql_error ambiguous_column(const std::string& name);          // 209
sql_error object_exists(const std::string& name);             // 2714
sql_error unknown_type(int column, const std::string& type);  // 2715
sql_error conversion_failed(const std::string& from, const std::string& text,
                            const std::string& to);
sql_error date_conversion();                                                      // 241
sql_error overflow(const std::string& to);                                        // 8115
sql_error truncated();                                                            // 8152
sql_error null_not_allowed(const std::string& column, const std::string& table);  // 515
sql_error duplicate_key(const std::string& kind, const std::string& constraint,
                        const std::string& table, const std::string& key);  // 2627
sql_error login_failed(const std::string& user);                            // 18456
sql_error no_database(const std::string& name);                             // 911
sql_error generic(int number, const std::string& message, int severity = 16,
                  const std::string& sqlstate = "42000");
}  // namespace err

}  // namespace tsl::mssql
