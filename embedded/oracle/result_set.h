#pragma once
// What a statement hands back: the described select list and its rows.
#include <cstdint>
#include <string>
#include <vector>

#include "embedded/oracle/column_type.h"
#include "embedded/oracle/value.h"

namespace tsl::eora {

struct result_column {
  std::string name;
  column_type type;
  bool nullable = true;
};

using row = std::vector<value>;

struct result_set {
  std::vector<result_column> columns;
  std::vector<row> rows;
};

struct exec_result {
  uint64_t row_count = 0;         // rows processed by DML
  std::string rowid;              // of the last row a DML statement touched
  std::vector<value> returning;   // RETURNING values of the last row
  std::vector<std::string> into;  // their bind names
  bool compile_error = false;     // a trigger created with errors (ORA-24344)
};

}  // namespace tsl::eora
