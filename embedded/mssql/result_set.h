#pragma once
// The rows a request answers with: described columns, then rows read one at
// a time. A result from storage reads lazily; catalogue answers are built
// in memory.
#include <memory>
#include <string>
#include <vector>

#include "embedded/mssql/sql_type.h"
#include "embedded/mssql/value.h"

namespace tsl::mssql {

struct result_column {
  std::string name;
  sql_type type;
  bool nullable = true;
  bool null_literal = false;  // a bare NULL: takes any type in a UNION
  bool recast = false;        // computed text that still needs its type's stored form
};

class result_set {
 public:
  virtual ~result_set() = default;
  const std::vector<result_column>& columns() const { return columns_; }
  // Fills row (one value per column, stored for the column's type); false
  // at the end.
  virtual bool next(std::vector<value>& row) = 0;
  // Starts again from the first row.
  virtual void restart() = 0;

 protected:
  std::vector<result_column> columns_;
};

class memory_result : public result_set {
 public:
  explicit memory_result(std::vector<result_column> columns) { columns_ = std::move(columns); }
  void add(std::vector<value> row) { rows_.push_back(std::move(row)); }
  std::vector<std::vector<value>>& rows() { return rows_; }
  bool next(std::vector<value>& row) override {
    if (pos_ >= rows_.size()) return false;
    row = rows_[pos_++];
    return true;
  }
  void restart() override { pos_ = 0; }

 private:
  std::vector<std::vector<value>> rows_;
  size_t pos_ = 0;
};

}  // namespace tsl::mssql
