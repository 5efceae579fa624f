#pragma once
// The logins of one provider connection. A result that streams rows holds
// a login for itself, so catalogue requests and row counts that run while a
// table is being read get a second one; logins that come back are reused.
#include <memory>
#include <vector>

#include "platform/freetds/tds_session.h"

namespace tsl::freetds {

class session_pool {
 public:
  explicit session_pool(tds_settings settings) : settings_(std::move(settings)) {}

  // An idle login, or a new one; throws oledb::server_error.
  std::unique_ptr<tds_session> take();
  // Keeps a login for reuse when it still works, closes it otherwise.
  void give_back(std::unique_ptr<tds_session> s);

 private:
  static constexpr size_t kMaxIdle = 2;
  tds_settings settings_;
  std::vector<std::unique_ptr<tds_session>> idle_;
};

}  // namespace tsl::freetds
