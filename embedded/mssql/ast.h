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
  enum class kind { primary, unique, foreign, check } k;
  std::string name;  // empty: the server names it
  std::optional<bool> clustered;
  std::vector<key_column> columns;
  object_name ref_table;
  std::vector<std::string> ref_columns;
  fk_rule on_delete = fk_rule::no_action;
  fk_rule on_update = fk_rule::no_action;
};

struct column_def {
  std::string name;
  sql_type type;
  std::optional<bool> nullable;
  bool identity = false;
  int64_t seed = 1, increment = 1;
  std::optional<std::string> default_text;  // as SQL Server stores it: ((0)), ('abc')
  std::string default_name;
};

struct create_table_stmt {
  object_name name;
  std::vector<column_def> columns;
  std::vector<key_def> keys;
};

struct create_index_stmt {
  bool unique = false;
  bool clustered = false;
  std::string name;
  object_name table;
  std::vector<key_column> columns;
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
struct set_option_stmt {};
struct delete_stmt {
  object_name table;
  expr_ptr where;
};
struct update_stmt {
  object_name table;
  std::vector<std::pair<std::string, expr_ptr>> sets;
  expr_ptr where;
};

using statement =
    std::variant<create_database_stmt, use_stmt, create_table_stmt, create_index_stmt, insert_stmt,
                 select_stmt, exec_stmt, create_schema_stmt, create_login_stmt, drop_table_stmt,
                 set_identity_insert_stmt, set_option_stmt, delete_stmt, update_stmt>;

}  // namespace tsl::mssql
