#pragma once
// The parsed form of the SQL the engine runs.
#include <memory>
#include <string>
#include <vector>

#include "embedded/oracle/column_type.h"
#include "embedded/oracle/value.h"

namespace tsl::eora {

enum class expr_kind {
  literal,
  column,    // [qualifier.]name, or a trigger's :new.name / new.name
  rowid,     // [qualifier.]ROWID
  bind,      // :name
  unary,     // op: "-", "+", "NOT"
  binary,    // op: + - * / || = <> < <= > >= AND OR
  function,  // name(args)
  count_star,
  is_null,  // negated: IS NOT NULL
  like,
  in_list,
  between,
  sequence,  // name.NEXTVAL / name.CURRVAL (in `member`)
  sysdate
};

struct expr;
using expr_ptr = std::unique_ptr<expr>;

struct expr {
  expr_kind kind = expr_kind::literal;
  value literal;
  std::string qualifier, name, member;
  std::string op;
  bool negated = false;
  std::vector<expr_ptr> args;
  std::string text;  // the source text, for select-list names and DEFAULT
  // Filled when names are resolved against the FROM list; a bind's
  // `column` is its place among the statement's placeholders.
  int source = -1;
  int column = -1;
};

struct constraint_def {
  std::string name;  // empty: the system names it
  char type = 'P';   // P primary key, U unique, R foreign key
  std::vector<std::string> columns;
  std::string ref_table;
  std::vector<std::string> ref_columns;
  std::string delete_rule;  // "CASCADE", "SET NULL" or empty
};

struct column_def {
  std::string name;
  column_type type;
  std::string default_text;  // as written
  expr_ptr default_expr;
  int nullability = 0;                      // 0 not said, 1 NULL, 2 NOT NULL
  std::vector<constraint_def> constraints;  // inline PRIMARY KEY / UNIQUE / REFERENCES
};

enum class stmt_kind {
  select,
  insert,
  update,
  delete_,
  create_table,
  create_sequence,
  create_index,
  create_trigger,
  alter_add,
  alter_modify,
  drop,
  commit,
  rollback
};

struct statement {
  explicit statement(stmt_kind k) : kind(k) {}
  virtual ~statement() = default;
  stmt_kind kind;
  // The names of the bind placeholders in order of appearance (a bind by
  // position counts them from 1), RETURNING targets included.
  std::vector<std::string> placeholders;
  bool is_ddl() const { return kind >= stmt_kind::create_table && kind <= stmt_kind::drop; }
};
using stmt_ptr = std::unique_ptr<statement>;

struct select_stmt;

struct from_item {
  std::string table;  // empty for a subquery
  bool table_quoted = false;
  std::unique_ptr<select_stmt> subquery;
  std::string alias;
};

struct select_item {
  bool star = false;
  std::string star_qualifier;  // t.*
  expr_ptr e;
  std::string alias;
};

struct order_item {
  expr_ptr e;
  bool desc = false;
};

struct select_stmt : statement {
  select_stmt() : statement(stmt_kind::select) {}
  bool distinct = false;
  std::vector<select_item> items;
  std::vector<from_item> from;
  expr_ptr where;
  std::vector<expr_ptr> group_by;
  std::vector<order_item> order_by;
  bool for_update = false;
};

struct insert_stmt : statement {
  insert_stmt() : statement(stmt_kind::insert) {}
  std::string table;
  std::vector<std::string> columns;
  std::vector<expr_ptr> values;
  std::unique_ptr<select_stmt> query;
  std::vector<expr_ptr> returning;
  std::vector<std::string> into;  // bind names
};

struct update_stmt : statement {
  update_stmt() : statement(stmt_kind::update) {}
  std::string table, alias;
  std::vector<std::pair<std::string, expr_ptr>> sets;
  expr_ptr where;
};

struct delete_stmt : statement {
  delete_stmt() : statement(stmt_kind::delete_) {}
  std::string table, alias;
  expr_ptr where;
};

struct create_table_stmt : statement {
  create_table_stmt() : statement(stmt_kind::create_table) {}
  std::string name;
  std::vector<column_def> columns;
  std::vector<constraint_def> constraints;
};

struct create_sequence_stmt : statement {
  create_sequence_stmt() : statement(stmt_kind::create_sequence) {}
  std::string name;
  std::string increment = "1", start, min_value, max_value;  // decimal texts, empty when absent
  bool cycle = false, order = false;
  int cache = 20;
};

struct create_index_stmt : statement {
  create_index_stmt() : statement(stmt_kind::create_index) {}
  std::string name, table;
  bool unique = false;
  std::vector<std::string> columns;
  std::vector<bool> descending;
};

// A row trigger's body: assignments to :new columns, from SELECT ... INTO
// ... FROM DUAL or from ":new.c := expr".
struct trigger_assignment {
  std::string column;
  expr_ptr e;
};

struct create_trigger_stmt : statement {
  create_trigger_stmt() : statement(stmt_kind::create_trigger) {}
  std::string name, table;
  bool or_replace = false;
  std::string timing;  // BEFORE / AFTER
  std::string events;  // "INSERT", "INSERT OR UPDATE", ...
  bool for_each_row = false;
  std::string when_text;  // as written inside the parentheses
  expr_ptr when;
  std::string body;  // from BEGIN to the end, as written
  std::vector<trigger_assignment> actions;
  std::string body_error;  // empty when the body compiled
  std::string source;      // the whole statement
};

struct alter_add_stmt : statement {
  alter_add_stmt() : statement(stmt_kind::alter_add) {}
  std::string table;
  std::vector<constraint_def> constraints;
  std::vector<column_def> columns;
};

struct modify_item {
  std::string column;
  bool has_type = false;
  column_type type;
  bool has_default = false;
  std::string default_text;
  expr_ptr default_expr;
  int nullability = 0;  // 0 not said, 1 NULL, 2 NOT NULL
};

struct alter_modify_stmt : statement {
  alter_modify_stmt() : statement(stmt_kind::alter_modify) {}
  std::string table;
  std::vector<modify_item> items;
};

struct drop_stmt : statement {
  drop_stmt() : statement(stmt_kind::drop) {}
  std::string object;  // TABLE, SEQUENCE, INDEX, TRIGGER
  std::string name;
  bool cascade = false;
};

struct commit_stmt : statement {
  explicit commit_stmt(bool commit) : statement(commit ? stmt_kind::commit : stmt_kind::rollback) {}
};

}  // namespace tsl::eora
