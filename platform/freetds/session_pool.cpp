#include "platform/freetds/session_pool.h"

namespace tsl::freetds {

std::unique_ptr<tds_session> session_pool::take() {
  while (!idle_.empty()) {
    auto s = std::move(idle_.back());
    idle_.pop_back();
    if (s->reusable()) return s;
  }
  return tds_session::open(settings_);
}

void session_pool::give_back(std::unique_ptr<tds_session> s) {
  if (!s) return;
  s->cancel();
  if (s->reusable() && idle_.size() < kMaxIdle) idle_.push_back(std::move(s));
}

}  // namespace tsl::freetds
