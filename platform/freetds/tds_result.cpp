#include "platform/freetds/tds_result.h"

namespace tsl::freetds {

tds_result::tds_result(std::shared_ptr<session_pool> pool, std::unique_ptr<tds_session> s,
                       std::string sql)
    : pool_(std::move(pool)), session_(std::move(s)), sql_(std::move(sql)) {
  columns_ = session_->columns();
}

tds_result::~tds_result() {
  pool_->give_back(std::move(session_));
}

bool tds_result::next(std::vector<oledb::field_value>& row) {
  if (!session_) return false;
  try {
    if (session_->next(row)) return true;
  } catch (...) {
    session_.reset();  // a login that failed mid-request is not reused
    throw;
  }
  pool_->give_back(std::move(session_));
  return false;
}

void tds_result::restart() {
  if (!session_) session_ = pool_->take();
  try {
    if (session_->run(sql_)) return;
  } catch (...) {
    session_.reset();
    throw;
  }
  pool_->give_back(std::move(session_));
}

}  // namespace tsl::freetds
