#pragma once
// The parsed form of the T-SQL statements the server understands.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "embedded/mssql/sql_type.h"
#include "embedded/mssql/value.h"

namespace tsl::mssql {

struct select_stmt;

struct expr {
  enum class kind {
    literal,
    column,
    star,
    func,
    unary,
    binary,
    is_null,
    like,
    in_list,
    between,
    case_when,
    cast,
    variable,
    subquery
  };
  kind k = kind::literal;
  value lit;
  bool unicode = false;            // literal came as N'...'
  bool money = false;              // literal came with a currency sign ($2, -$1.50)
  std::vector<std::string> names;  // column: [db.][schema.][table.]column; star: qualifier
  std::string op;                  // func name (lower case), operator, variable name
  std::vector<std::unique_ptr<expr>> args;
  bool distinct = false;  // COUNT(DISTINCT x)
  bool negated = false;   // NOT LIKE, NOT IN, IS NOT NULL, NOT BETWEEN
  bool count_star = false;
  bool parenthesized = false;
  sql_type type;  // cast target
  std::shared_ptr<select_stmt> sub;
};
using expr_ptr = std::unique_ptr<expr>;

struct object_name {
  std::string db, schema, name;
  std::string text() const;  // as written, for messages
};

struct table_ref {
  std::optional<object_name> table;
  std::shared_ptr<select_stmt> derived;
  std::string alias;
  struct join {
    enum class type { inner, left, right, full, cross } t;
    std::unique_ptr<table_ref> right;
    expr_ptr on;
  };
  std::vector<join> joins;
};

struct select_item {
  expr_ptr e;
  std::string alias;
};

struct order_item {
  expr_ptr e;
  bool desc = false;
};

struct select_stmt {
  bool distinct = false;
  std::optional<int64_t> top;
  std::vector<select_item> items;
  std::vector<table_ref> from;
  expr_ptr where;
  std::vector<expr_ptr> group_by;
  expr_ptr having;
  std::vector<order_item> order_by;
  // Further queries joined by UNION (all = UNION ALL); the ORDER BY above
  // then sorts the whole result.
  std::vector<std::pair<bool, std::shared_ptr<select_stmt>>> unions;
};

enum class fk_rule { no_action, cascade, set_null, set_default };

struct key_column {
  std::string name;
  bool desc = false;
};

struct key_def {
  // fallback: DEFAULT ... FOR column, in ALTER TABLE ADD CONSTRAINT.
  enum class kind { primary, unique, foreign, check, fallback } k;
  std::string name;  // empty: the server names it
  std::optional<bool> clustered;
  std::vector<key_column> columns;
  object_name ref_table;
  std::vector<std::string> ref_columns;
  fk_rule on_delete = fk_rule::no_action;
  fk_rule on_update = fk_rule::no_action;
  std::optional<std::string> default_text;  // fallback: as SQL Server stores it
  std::string check_text;                   // check: the condition as written, in parentheses
};

struct column_def {
  std::string name;
  sql_type type;
  std::optional<bool> nullable;
  bool identity = false;
  int64_t seed = 1, increment = 1;
  std::optional<std::string> default_text;  // as SQL Server stores it: ((0)), ('abc')
  std::string default_name;
  std::optional<object_name> alias;  // a type of the database's own (CREATE TYPE ... FROM)
  // AS (expression): a computed column, its expression as SQL Server keeps it.
  std::optional<std::string> computed;
  bool persisted = false;
};

struct create_table_stmt {
  object_name name;
  std::vector<column_def> columns;
  std::vector<key_def> keys;
};

struct alter_table_stmt {
  enum class action {
    add,                // columns and constraints
    alter_column,       // columns.front()
    drop_column,        // names
    drop_constraint,    // names
    check_constraint,   // names; empty for ALL
    nocheck_constraint  // names; empty for ALL
  };
  object_name table;
  action a = action::add;
  bool with_check = false;    // WITH CHECK: existing rows must satisfy the constraints
  bool with_nocheck = false;  // WITH NOCHECK: they are not looked at
  bool if_exists = false;     // DROP ... IF EXISTS
  std::vector<column_def> columns;
  std::vector<key_def> keys;
  std::vector<std::string> names;
};

struct create_index_stmt {
  bool unique = false;
  bool clustered = false;
  std::string name;
  object_name table;
  std::vector<key_column> columns;
  std::vector<std::string> include;  // INCLUDE (...)
  std::string filter;                // WHERE ..., as written; empty when none
};

struct insert_stmt {
  object_name table;
  std::vector<std::string> columns;
  std::vector<std::vector<expr_ptr>> rows;  // a null expr stands for DEFAULT
  std::shared_ptr<select_stmt> select;
  bool default_values = false;
};

struct exec_stmt {
  std::string proc;
  std::vector<std::pair<std::string, expr_ptr>> args;  // name empty when positional
};

struct use_stmt {
  std::string db;
};
struct create_database_stmt {
  std::string name;
};
struct create_schema_stmt {
  std::string name;
};
struct create_login_stmt {
  std::string name, password, default_db;
};
struct drop_table_stmt {
  object_name name;
  bool if_exists = false;
};
struct set_identity_insert_stmt {
  object_name table;
  bool on;
};
struct set_option_stmt {
  std::string option;   // lower case: "nocount", "textsize", ...
  std::string setting;  // "on", "off" or the value as written
};
struct delete_stmt {
  object_name table;
  expr_ptr where;
};
struct update_stmt {
  object_name table;
  std::vector<std::pair<std::string, expr_ptr>> sets;
  expr_ptr where;
};

struct statement_list;

// IF condition statement [ELSE statement]; BEGIN ... END is a block.
struct if_stmt {
  expr_ptr cond;
  std::shared_ptr<statement_list> then_branch, else_branch;
};
struct block_stmt {
  std::shared_ptr<statement_list> body;
};
// WHILE condition statement; BREAK and CONTINUE inside it.
struct while_stmt {
  expr_ptr cond;
  std::shared_ptr<statement_list> body;
};
struct loop_control_stmt {
  bool is_break = true;
};
// BEGIN TRY ... END TRY BEGIN CATCH ... END CATCH.
struct try_catch_stmt {
  std::shared_ptr<statement_list> body, handler;
};
// RETURN ends the batch (its value, if any, is read and dropped); GOTO
// jumps to a label of the batch.
struct return_stmt {
  expr_ptr value;
};
struct goto_stmt {
  std::string label;  // lower case
};
struct label_stmt {
  std::string label;  // lower case
};
// BEGIN TRANSACTION, COMMIT and ROLLBACK: each statement commits on its own,
// so these only count @@TRANCOUNT (and ROLLBACK says it undid nothing).
struct transaction_stmt {
  enum class kind { begin, commit, rollback } k;
};
struct declare_stmt {
  struct variable {
    std::string name;  // lower case, with the @
    sql_type type;
    expr_ptr init;
  };
  std::vector<variable> vars;
};
struct set_variable_stmt {
  std::string name;
  expr_ptr e;
};
struct print_stmt {
  expr_ptr e;
};
struct raiserror_stmt {
  std::vector<expr_ptr> args;  // message, severity, state, arguments
};
// Statements about storage, statistics and permissions that change nothing
// here: CHECKPOINT, UPDATE STATISTICS, ALTER DATABASE, GRANT, DENY, REVOKE.
struct no_effect_stmt {
  std::string what;
};
// CREATE (or ALTER) VIEW, PROCEDURE, FUNCTION or TRIGGER: kept as text.
struct create_module_stmt {
  std::string kind;  // "VIEW", "PROCEDURE", "FUNCTION", "TRIGGER"
  object_name name;
  std::string text;
  bool alter = false;  // ALTER, or CREATE OR ALTER when or_alter
  bool or_alter = false;
};
// DROP VIEW / PROCEDURE / FUNCTION / TRIGGER / TYPE / INDEX.
struct drop_object_stmt {
  std::string kind;
  object_name name;
  std::optional<object_name> table;  // DROP INDEX name ON table
  bool if_exists = false;
};
struct create_type_stmt {
  object_name name;
  sql_type base;
  bool nullable = true;
};

using statement =
    std::variant<create_database_stmt, use_stmt, create_table_stmt, create_index_stmt, insert_stmt,
                 select_stmt, exec_stmt, create_schema_stmt, create_login_stmt, drop_table_stmt,
                 set_identity_insert_stmt, set_option_stmt, delete_stmt, update_stmt,
                 alter_table_stmt, if_stmt, block_stmt, declare_stmt, set_variable_stmt, print_stmt,
                 raiserror_stmt, no_effect_stmt, create_module_stmt, drop_object_stmt,
                 create_type_stmt, while_stmt, loop_control_stmt, try_catch_stmt,
                 return_stmt, goto_stmt, label_stmt, transaction_stmt>;

struct statement_list {
  std::vector<statement> items;
};

}  // namespace tsl::mssql
