#pragma once
// A failure a connector reports: the OLE DB result the provider gives for
// it and the server's error records (SQL Server's number, severity, state,
// SQLSTATE and text), first record first.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tsl::oledb {

struct error_record {
  int32_t number = 0;
  int32_t severity = 16;
  int32_t state = 1;
  std::string sqlstate;  // five characters
  std::string message;   // UTF-8
};

class server_error : public std::runtime_error {
 public:
  server_error(uint32_t hresult, error_record first);
  server_error(uint32_t hresult, std::vector<error_record> records);
  server_error& also(error_record next);

  uint32_t hresult() const { return hresult_; }
  const std::vector<error_record>& records() const { return records_; }
  int32_t number() const { return records_.front().number; }

 private:
  uint32_t hresult_;
  std::vector<error_record> records_;
};

namespace results {
constexpr uint32_t kFail = 0x80004005;             // E_FAIL
constexpr uint32_t kErrorsInCommand = 0x80040E14;  // DB_E_ERRORSINCOMMAND
constexpr uint32_t kNoTable = 0x80040E37;          // DB_E_NOTABLE
constexpr uint32_t kAuthFailed = 0x80040E4D;       // DB_SEC_E_AUTH_FAILED
constexpr uint32_t kIntegrity = 0x80040E2F;        // DB_E_INTEGRITYVIOLATION
}  // namespace results

}  // namespace tsl::oledb
