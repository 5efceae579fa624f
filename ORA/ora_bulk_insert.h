#pragma once
// Inserts rows into one table many at a time: one prepared INSERT whose
// values are bound, executed once per batch over all queued rows, with the
// rows Oracle refuses reported one by one and the others committed.
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "ORA/ora_stmt.h"
#include "platform/oci/oci_types.h"

class ora_bulk_insert {
 public:
  // How a column's value is bound.
  enum class kind : uint8_t {
    text,  // text Oracle converts to the column's type, as it does a literal
    date,  // text with the format it is written in
    clob,  // text of any length, in the column's character set form
    blob,  // bytes of any length
  };
  struct column {
    std::u16string name;
    kind how;
    ub1 form;  // SQLCS_IMPLICIT, or SQLCS_NCHAR for an NCLOB
  };
  struct failure {
    int64_t tag;
    std::exception_ptr error;
  };

  ora_bulk_insert(const std::u16string& table, std::vector<column> columns);
  ~ora_bulk_insert();
  ora_bulk_insert(const ora_bulk_insert&) = delete;
  ora_bulk_insert& operator=(const ora_bulk_insert&) = delete;

  // The cells of the row being filled. Every column is set for every row.
  void set_null(size_t k) { current()[k].null = true; }
  std::u16string& text(size_t k) {
    cell& c = current()[k];
    c.null = false;
    return c.text;
  }
  std::vector<uint8_t>& bytes(size_t k) {
    cell& c = current()[k];
    c.null = false;
    return c.bytes;
  }
  void set_format(size_t k, const char16_t* format) { current()[k].format = format; }

  // Queues the row being filled under `tag`; true when the batch is full.
  bool queue(int64_t tag);
  size_t queued() const { return count_; }
  void set_limits(size_t rows, size_t bytes) {
    max_rows_ = rows;
    max_bytes_ = bytes;
  }

  // Inserts the queued rows in one execute and commits them. The refused
  // rows are added to `failures`; an error that refuses the whole batch is
  // added once per row. A row being filled stays the row being filled.
  // Returns the number of rows stored.
  size_t execute(std::vector<failure>& failures);

 private:
  struct cell {
    bool null = true;
    const char16_t* format = nullptr;
    std::u16string text;
    std::vector<uint8_t> bytes;
  };
  struct row {
    int64_t tag = 0;
    std::vector<cell> cells;
  };
  // What a placeholder takes: a column's value, or a date column's format.
  struct slot {
    ora_bulk_insert* owner;
    size_t column;
    bool format;
  };

  std::vector<cell>& current();
  void prepare();
  static sb4 value_in(void* context, OCIBind* bind, ub4 iter, ub4 index, void** buffer, ub4* length,
                      ub1* piece, void** indicator);

  std::vector<column> columns_;
  std::u16string sql_;
  std::vector<slot> slots_;
  std::vector<row> rows_;
  size_t count_ = 0;
  size_t bytes_ = 0;
  size_t max_rows_ = 1;
  size_t max_bytes_ = 0;
  bool prepared_ = false;
  ora_stmt stmt_;
  OCIError* row_error_ = nullptr;
  sb2 null_indicator_ = OCI_IND_NULL;
  sb2 value_indicator_ = OCI_IND_NOTNULL;
};
