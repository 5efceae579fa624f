#pragma once
// A source table (or query) with its schema completed from the server's
// catalogue: defaults, identity columns, decimal precision, keys, indexes.
#include <cstdint>
#include <string>

#include "MSS/odb_table.h"

class mss_table : public odb_table {
 public:
  mss_table(const std::u16string& name, IOpenRowset* session, int32_t mode,
            udb_relationships* relationships);
  // A query read as a table: columns and a count, no catalogue information.
  mss_table(const std::u16string& name, const std::u16string& query, IOpenRowset* session,
            int32_t mode);

  void init_schema();
  // The value of a stored default expression such as ((0)) or ('abc').
  static ole_variant get_def_value(VARTYPE type, const std::u16string& text);
};
