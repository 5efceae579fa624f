#pragma once
// The rows of one request, streamed from the server on a login of their
// own; starting again sends the request once more.
#include <memory>
#include <string>

#include "platform/freetds/session_pool.h"
#include "platform/oledb/result_set.h"

namespace tsl::freetds {

class tds_result : public oledb::result_set {
 public:
  // s has run sql and stands at its first result with columns.
  tds_result(std::shared_ptr<session_pool> pool, std::unique_ptr<tds_session> s, std::string sql);
  ~tds_result() override;

  bool next(std::vector<oledb::field_value>& row) override;
  void restart() override;
  // Replaces a column's type by the one the catalogue declares.
  void declare(size_t column, const oledb::column_type& type) { columns_.at(column).type = type; }

 private:
  std::shared_ptr<session_pool> pool_;
  std::unique_ptr<tds_session> session_;  // none once the rows are read
  std::string sql_;
};

}  // namespace tsl::freetds
