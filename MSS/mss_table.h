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
  // The value of a stored default expression such as ((0)) or ('abc'); empty
  // for (NULL) and for anything that is not a plain literal.
  static ole_variant get_def_value(VARTYPE type, const std::u16string& text);
  // The expression of a default that is not a plain literal ((getdate()),
  // ((1)+(2))) without its enclosing brackets; empty for literals and NULL.
  static std::u16string get_def_expression(const std::u16string& text);
};
