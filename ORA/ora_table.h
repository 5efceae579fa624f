#pragma once
// An Oracle table (or a query presented as one): its structure read back from
// Oracle, its rows read on demand, and records appended to it.
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_query_results.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"

class ora_bulk_insert;
class ora_get_rowid;
class ora_lob_insert;

class ora_table : public udb_recordset {
 public:
  // Mode 1 reads the keys, indexes and referencing foreign keys too.
  static constexpr int kWithIndexes = 1;

  ora_table(const std::u16string& name, int mode);
  // A query presented as a table of this name.
  ora_table(const std::u16string& name, const std::u16string& query, int mode);
  ~ora_table() override;

  void append_record(udb_record& record) override;
  void set_batch(size_t rows, size_t bytes) override;
  void flush() override;
  udb_record* get_item() override;
  bool is_eof() override;
  void next() override;

  // Lets the column at `position` take NULL, keeping its type and default.
  void reset_not_null_flag(size_t position);
  int get_columns_cnt();
  // The value of a catalogue default text for a column of this type; empty
  // when the text is not a usable value.
  static ole_variant get_def_value(VARTYPE vt, const std::u16string& text);

  // Foreign keys of other tables that reference this table's primary key.
  const udb_relationships& relationships() const { return relationships_; }
  // Records appended through this object.
  int appended() const { return appended_; }

 private:
  void open(int mode);
  void init_schema();
  void init_indexes();
  void prepare_insert();
  // One INSERT of literals per record, committed with its large values.
  void insert_row(udb_record& record);
  // Queues the record for the next batch; false when it must go by itself.
  bool queue_row(udb_record& record);
  // Refuses a value Oracle's NUMBER cannot hold.
  void check_number(size_t position, const udb_field& value);
  // A NULL (or what Oracle takes for one) into the column at `position`.
  void null_into(size_t position);
  // A column of the primary key or of a unique constraint or index.
  bool is_key_column(const std::u16string& column) const;

  ora_query_results results_;
  int position_ = 0;
  int appended_ = 0;
  udb_relationships relationships_;
  std::unique_ptr<ora_get_rowid> rowid_;
  std::unique_ptr<ora_lob_insert> lobs_;
  // Records stored per batch; 1 is the row-at-a-time path.
  size_t batch_rows_ = 1;
  size_t batch_bytes_ = 0;
  std::unique_ptr<ora_bulk_insert> bulk_;
  // Built once per table for the per-record path.
  std::u16string insert_head_;
  std::u16string lob_insert_head_;
  std::vector<bool> lob_column_;
  // The character set form of each LOB column (see ora_lob_insert).
  std::vector<ub1> lob_form_;
  // Texts too long for a literal, bound to the INSERT instead, by column.
  std::vector<std::u16string> bound_;
  std::vector<const std::u16string*> binds_;
  std::u16string sql_;
  std::u16string text_;
};
