#pragma once
// Evaluation of expressions over the rows of a FROM list.
#include <cstdint>
#include <string>
#include <vector>

#include "embedded/oracle/ast.h"
#include "embedded/oracle/result_set.h"

namespace tsl::eora {

class session;

// One entry of a FROM list with its rows.
struct source {
  std::string name;   // the table's name
  std::string alias;  // empty when none
  std::vector<result_column> columns;
  std::vector<row> rows;
  std::vector<int64_t> rowids;  // base tables only
  int64_t table_id = 0;
  // Names that qualify this source's columns, besides name and alias
  // (a trigger's NEW and :NEW).
  std::vector<std::string> qualifiers;
};

// One combination of rows, one per source.
struct joined {
  std::vector<const row*> rows;
  std::vector<int64_t> rowids;
};

struct eval_context {
  session* s = nullptr;
  const std::vector<source>* sources = nullptr;
  const joined* current = nullptr;
  const std::vector<joined>* group = nullptr;  // rows of the group, for aggregates
};

// Binds the column names of an expression to the sources; raises ORA-00904
// and ORA-00918.
void resolve(expr& e, const std::vector<source>& sources);
bool has_aggregate(const expr& e);

value eval(const expr& e, eval_context& c);
// 1 true, 0 false, -1 unknown.
int truth(const expr& e, eval_context& c);

// The described type of an expression's value.
result_column describe_expr(const expr& e, const std::vector<source>& sources);
// The column name Oracle gives an expression: its text in upper case, blanks
// removed outside quotes.
std::string expression_name(const std::string& text);

// Orders two values as Oracle compares them, converting text to the other
// side's number or date. Neither may be null.
int compare_values(const value& a, const value& b);

}  // namespace tsl::eora
