#include "platform/oledb/server_error.h"

namespace tsl::oledb {

server_error::server_error(uint32_t hresult, error_record first)
    : std::runtime_error(first.message), hresult_(hresult), records_{std::move(first)} {}

server_error::server_error(uint32_t hresult, std::vector<error_record> records)
    : std::runtime_error(records.empty() ? std::string() : records.front().message),
      hresult_(hresult),
      records_(std::move(records)) {
  if (records_.empty()) records_.push_back(error_record{0, 16, 1, "HY000", ""});
}

server_error& server_error::also(error_record next) {
  records_.push_back(std::move(next));
  return *this;
}

}  // namespace tsl::oledb
