#pragma once
// What the server knows about a database's tables: columns with their types,
// identity and stored defaults, keys, indexes and foreign keys.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "embedded/mssql/ast.h"
#include "embedded/mssql/sql_type.h"

namespace tsl::mssql {

struct column_info {
  std::string name;
  sql_type type;
  bool nullable = true;
  bool identity = false;
  int64_t seed = 1, increment = 1;
  std::optional<std::string> default_text;
  std::string default_name;
  // A computed column: its expression, in parentheses. The value is worked
  // out and stored whenever its row is written, so reads see plain values.
  std::optional<std::string> computed;
  bool persisted = false;
  // The schema of the database's own type the column was declared with
  // (its name is type.alias); empty for a system type.
  std::string alias_schema;
};

struct index_info {
  std::string name;
  bool primary = false;
  bool unique = false;
  bool clustered = false;
  bool constraint = false;  // a PRIMARY KEY or UNIQUE constraint, not CREATE INDEX
  std::vector<key_column> columns;
  std::vector<std::string> include;  // columns carried in the index, not keyed
  std::string filter;                // a filtered index's condition; empty when none
};

struct foreign_key_info {
  std::string name;
  std::vector<std::string> columns;
  std::string ref_schema, ref_table;
  std::vector<std::string> ref_columns;
  fk_rule on_delete = fk_rule::no_action;
  fk_rule on_update = fk_rule::no_action;
  bool enabled = true;  // NOCHECK CONSTRAINT turns the check off
};

// A CHECK constraint: a row for which the condition is false is refused.
struct check_info {
  std::string name, text;
  bool enabled = true;  // NOCHECK CONSTRAINT turns the check off
};

struct table_info {
  int64_t id = 0;
  std::string schema, name;
  std::vector<column_info> columns;
  std::vector<index_info> indexes;
  std::vector<foreign_key_info> foreign_keys;
  std::vector<check_info> checks;
  int64_t identity_last = 0;   // last identity value given out
  bool identity_used = false;  // no row has taken one yet when false

  // Index of the column of that name (ignoring case), -1 when none.
  int find_column(const std::string& name) const;
  const index_info* primary_key() const;
  int identity_column() const;
  bool has_computed() const;
  std::string storage_name() const { return "t" + std::to_string(id); }
  std::string qualified() const { return schema + "." + name; }
  // The T-SQL that creates this table and its indexes again.
  std::string script() const;
};

// A view, procedure, function or trigger: kept as its text, never run.
struct module_info {
  std::string schema, name, kind, text;
};

// A type of the database's own (CREATE TYPE ... FROM, sp_addtype).
struct alias_type {
  std::string schema, name;
  sql_type base;
  bool nullable = true;
};

bool iequals(const std::string& a, const std::string& b);
std::string quote_name(const std::string& name);  // [name] with ] doubled
const char* rule_text(fk_rule r);                 // "NO ACTION", "CASCADE", ...

}  // namespace tsl::mssql
