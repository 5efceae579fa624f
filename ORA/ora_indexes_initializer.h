#pragma once
// Turns a source table's indexes into the primary key, unique constraints and
// indexes of its Oracle table.
#include <string>
#include <vector>

#include "UDB/t_names_map.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

class ora_indexes_initializer {
 public:
  // Needs the run's ora_in_validator.
  // `release` as ora_type_map.h packs it: what becomes a LOB or LONG differs.
  ora_indexes_initializer(const std::u16string& table, const udb_schema& fields,
                          const udb_indexes& source, const t_names_map& names, int release = 0);

  void build_indexes();
  // The statement for index `i`, or empty when it is skipped.
  std::u16string index_text(size_t i) const;

  const udb_indexes& indexes() const { return indexes_; }
  static bool can_be_part_of_index(const t_ftd& field, int release = 0);

 private:
  std::u16string table_;
  udb_indexes indexes_;
  int primary_ = -1;
  const udb_schema& fields_;
  const t_names_map& names_;
};
