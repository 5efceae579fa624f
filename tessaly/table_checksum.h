#pragma once
// An order-independent fingerprint of a table's rows: the row count and the
// sum of one 64-bit hash per row, so two tables compare equal when they hold
// the same rows in any order, and a changed, missing or extra row shows.
#include <cstdint>
#include <string>

class udb_record;

namespace tessaly {

class table_checksum {
 public:
  // Empty text and NULL count as one (Oracle stores empty text as NULL).
  void add(const udb_record& record);

  int64_t rows() const { return rows_; }
  uint64_t sum() const { return sum_; }
  bool operator==(const table_checksum& other) const {
    return rows_ == other.rows_ && sum_ == other.sum_;
  }

 private:
  std::u16string text_;  // reused for every value
  int64_t rows_ = 0;
  uint64_t sum_ = 0;
};

}  // namespace tessaly
