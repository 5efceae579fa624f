#pragma once
// A result read from storage: a prepared SQLite statement stepped row by
// row, each value brought to its column's stored form.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "embedded/mssql/database.h"
#include "embedded/mssql/result_set.h"

namespace tsl::mssql {

class storage_result : public result_set {
 public:
  storage_result(database& db, const std::string& sql, std::vector<result_column> columns);
  ~storage_result() override;
  storage_result(const storage_result&) = delete;
  storage_result& operator=(const storage_result&) = delete;
  bool next(std::vector<value>& row) override;
  void restart() override;

 private:
  database& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace tsl::mssql
