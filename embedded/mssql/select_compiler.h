#pragma once
// Turns a SELECT into the SQLite query over the storage tables, resolving
// names against the catalogue (so a missing table or column fails with the
// server's own error) and working out the type of every result column.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "embedded/mssql/ast.h"
#include "embedded/mssql/database.h"
#include "embedded/mssql/result_set.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

// A value bound to an @name of a parameterised request (sp_executesql),
// given as a literal would give it: an integer, a real, an exact number
// (decimal, money), a text (dates and GUIDs too) or bytes. With a declared
// type it acts as a value of that type; without, as the literal.
struct parameter {
  value v;
  bool unicode = false;
  std::optional<sql_type> type;
};
using parameters = std::map<std::string, parameter>;  // by lower-case name with the @

struct compile_context {
  database* db = nullptr;
  std::string default_schema;  // tried before dbo for unqualified names
  std::string version;         // @@VERSION
  std::string server_name;     // @@SERVERNAME
  // Resolves a three-part name in another database; may be empty.
  std::function<database*(const std::string&)> other_db;
  const parameters* params = nullptr;
  // The server's databases, for DB_NAME(id); may be empty.
  std::function<std::vector<std::string>()> database_names;
  // The error a CATCH block is handling, for ERROR_NUMBER() and the rest.
  const sql_error* caught = nullptr;
  int last_error = 0;  // @@ERROR
  int tran_count = 0;  // @@TRANCOUNT
};

// ERROR_NUMBER(), ERROR_MESSAGE(), ERROR_SEVERITY(), ERROR_STATE(),
// ERROR_LINE() and ERROR_PROCEDURE(): NULL outside a CATCH block. False
// when name is none of them.
bool caught_error_value(const std::string& name, const compile_context& ctx, value& out);

struct compiled_select {
  std::string sql;
  std::vector<result_column> columns;
};

compiled_select compile_select(const select_stmt& s, const compile_context& ctx);

// For UPDATE and DELETE: the storage row id ("rid", first column) and the
// values of each row of the table that the filter keeps.
compiled_select compile_row_query(const object_name& table, const std::vector<const expr*>& values,
                                  const expr* where, const compile_context& ctx);

// Finds a table named as written; throws 208 "Invalid object name".
table_info& resolve_table(const object_name& n, const compile_context& ctx,
                          database** owner = nullptr);

// Evaluates an expression that needs no table (INSERT values, EXEC
// arguments). Literals, signs, NULL and simple functions only.
value evaluate_constant(const expr& e, const compile_context& ctx, bool* unicode = nullptr);

}  // namespace tsl::mssql
