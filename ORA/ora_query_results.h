#pragma once
// A described query: one column reader per select-list position, fetched a
// row at a time.
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_record.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_type.h"
#include "UDB/udb_recordset.h"

class ora_query_results : public udb_recordset {
 public:
  ora_query_results();
  ~ora_query_results() override;

  // Prepares and describes `text` and defines every column; nothing is
  // fetched.
  void initialize(int n_columns, const std::u16string& text);
  bool initialized() const { return initialized_; }

  // Fetches the next row: true when there was none.
  bool is_eof() override;
  // The row fetched last (or the next one when none was fetched since the
  // last record); null at the end.
  udb_record* get_item() override;
  void append_record(udb_record& record) override;

  const std::vector<std::unique_ptr<ora_type>>& columns() const { return columns_; }
  ora_type& column(size_t i) const { return *columns_[i]; }

  // The reader for a column of this data type.
  static std::unique_ptr<ora_type> gen_co_by_type(OCIParam* param, ub2 code);

 private:
  bool fetch();

  std::unique_ptr<ora_stmt> stmt_;
  std::vector<std::unique_ptr<ora_type>> columns_;
  std::unique_ptr<ora_record> current_;
  bool initialized_ = false;
  bool fetched_ = false;
  bool at_end_ = false;
};
