#pragma once
// Builds an Oracle table's columns from a source field list: names made
// acceptable, CREATE TABLE, and a sequence with a trigger for an identity
// column.
#include <string>
#include <vector>

#include "ORA/ora_fn_validator.h"
#include "UDB/t_names_map.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

class ora_database;

class ora_schema_initializer {
 public:
  ora_schema_initializer(const std::u16string& table, const udb_schema& fields,
                         const udb_indexes& indexes, bool upper_case);

  // Runs CREATE TABLE, then the sequence and trigger of an identity column.
  void get_init_str(ora_database& db);
  // The CREATE TABLE text, with the types the server's release accepts.
  std::u16string create_table_text() const;
  void set_release(int release) { release_ = release; }
  // One line per default that Oracle cannot reproduce and that is left out.
  std::vector<std::string> warnings() const;
  // The name of a new sequence for the table, or empty when every candidate
  // is taken.
  std::u16string create_sequence(ora_database& db);
  // Candidate `n` (0 to 99) for the identity sequence's name.
  std::u16string sequence_name(int n) const;

  const udb_schema& fields() const { return fields_; }
  const t_names_map& names() const { return names_; }
  const std::u16string& identity_column() const { return identity_; }
  const std::u16string& sequence() const { return sequence_; }

 private:
  std::u16string table_;
  bool upper_case_;
  udb_schema fields_;
  std::u16string identity_;
  std::u16string sequence_;
  ora_fn_validator validator_;
  t_names_map names_;
  std::vector<std::u16string> column_names_;
  int release_ = 0;
};
