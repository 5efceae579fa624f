#pragma once
// The rows a connector answers a request with: described columns, then rows
// read one at a time, forward only.
#include <memory>
#include <string>
#include <vector>

#include "platform/oledb/column_type.h"
#include "platform/oledb/field_value.h"

namespace tsl::oledb {

struct result_column {
  std::string name;  // UTF-8
  column_type type;
  bool nullable = true;
};

class result_set {
 public:
  virtual ~result_set() = default;
  const std::vector<result_column>& columns() const { return columns_; }
  // Fills row with one value per column; false at the end. Throws
  // server_error when the server fails on the way.
  virtual bool next(std::vector<field_value>& row) = 0;
  // Starts again from the first row.
  virtual void restart() = 0;

 protected:
  std::vector<result_column> columns_;
};

// Rows held in memory, as catalogue answers are built.
class memory_result : public result_set {
 public:
  explicit memory_result(std::vector<result_column> columns) { columns_ = std::move(columns); }
  void add(std::vector<field_value> row) { rows_.push_back(std::move(row)); }
  bool next(std::vector<field_value>& row) override {
    if (pos_ >= rows_.size()) return false;
    row = rows_[pos_++];
    return true;
  }
  void restart() override { pos_ = 0; }

 private:
  std::vector<std::vector<field_value>> rows_;
  size_t pos_ = 0;
};

}  // namespace tsl::oledb
