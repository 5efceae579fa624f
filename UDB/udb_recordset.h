#pragma once
// A table, or the result of a query, as a stream of records with a schema and
// indexes. Used either as a source (reset, then is_eof / get_item / next until
// the end) or as a destination (append_record per record).
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "UDB/udb_index.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

class udb_recordset {
 public:
  udb_recordset(std::u16string name, std::u16string query, bool owns_schema);
  udb_recordset(std::u16string name, bool owns_schema);
  virtual ~udb_recordset();

  udb_recordset(const udb_recordset&) = delete;
  udb_recordset& operator=(const udb_recordset&) = delete;

  virtual void append_record(udb_record& record) = 0;

  // A destination may queue appended records and store them many at a time:
  // up to `rows` records or about `bytes` of values. One row stores each
  // record as it comes, which is also what a destination does by default.
  virtual void set_batch(size_t rows, size_t bytes);
  // Stores every queued record. Records refused on the way are listed for
  // take_failures; an error that stores nothing leaves by exception.
  virtual void flush();
  // A queued record that could not be stored: the tag it was appended under
  // and its error.
  struct failure {
    int64_t tag;
    std::exception_ptr error;
  };
  // The tag that failures of the next appended record carry.
  void set_append_tag(int64_t tag) { append_tag_ = tag; }
  // The failures found since the last call, in the order found.
  std::vector<failure> take_failures();
  // The current record, owned by the recordset and valid until it moves on;
  // null when there is none.
  virtual udb_record* get_item();
  virtual bool is_eof();
  // True when this recordset runs a query rather than reading a table.
  virtual bool is_query() const;
  virtual void next();
  virtual void reset();

  // Changes each value of the record to the type of the schema column at the
  // same position; a value that cannot be changed raises the variant's
  // conversion error.
  void convert_record(udb_record& record) const;

  // Adds an index unless one of that name (ignoring case) is already there.
  void add_index(const udb_index& index);
  void clean_indexes();

  const std::u16string& name() const { return name_; }
  // An engine that finds the table under another name than asked for.
  void set_name(std::u16string name) { name_ = std::move(name); }
  const std::u16string& query() const { return query_; }
  int32_t record_count() const { return record_count_; }
  void set_record_count(int32_t count) { record_count_ = count; }
  const udb_schema& schema() const { return schema_; }
  udb_schema& schema() { return schema_; }
  const udb_indexes& indexes() const { return indexes_; }
  udb_indexes& indexes() { return indexes_; }

 protected:
  int64_t append_tag() const { return append_tag_; }
  void add_failure(int64_t tag, std::exception_ptr error);

 private:
  std::u16string name_;
  std::u16string query_;
  int32_t record_count_ = 0;
  udb_schema schema_;
  udb_indexes indexes_;
  int64_t append_tag_ = 0;
  std::vector<failure> failures_;
};
