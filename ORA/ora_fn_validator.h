#pragma once
// Column names of one table: every source column name is taken.
#include "ORA/ora_validator.h"

class udb_schema;

class ora_fn_validator : public ora_validator {
 public:
  explicit ora_fn_validator(const udb_schema& fields);

  // Oracle refuses ROWID in upper case as a column name, quoted or not.
  bool is_acceptable(const std::u16string& name) const override;
};
