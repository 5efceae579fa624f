#pragma once
// The dictionary of one schema as a session sees it: tables with their
// columns, constraints, indexes and triggers, loaded from the database file
// once and kept until a DDL statement changes the dictionary.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "embedded/oracle/ast.h"
#include "embedded/oracle/sqlite_db.h"

namespace tsl::eora {

struct column_info {
  int id = 0;  // column_id, 1-based; the stored column is "c<id>"
  std::string name;
  column_type type;
  bool nullable = true;
  std::string default_text;
  std::shared_ptr<expr> default_expr;
};

struct constraint_info {
  std::string name;
  char type = 'P';           // P, U, R, C
  std::vector<int> columns;  // positions in table_info::columns
  std::string r_owner, r_name, delete_rule;
  bool generated = false;
  std::string index_name;
  std::string search_condition;
};

struct index_info {
  std::string name;
  bool unique = false;
  bool generated = false;
  std::vector<int> columns;
  std::vector<bool> descending;
  std::string storage;  // the SQLite index name
};

struct trigger_info {
  std::string name;
  std::string timing, events, when_text, body;
  bool for_each_row = false;
  bool valid = true;
  std::shared_ptr<create_trigger_stmt> compiled;
};

struct table_info {
  int64_t id = 0;
  std::string owner, name;
  std::vector<column_info> columns;
  std::vector<constraint_info> constraints;
  std::vector<index_info> indexes;
  std::vector<trigger_info> triggers;
  bool has_foreign_keys = false;
  std::unique_ptr<sqlite_stmt> insert;  // prepared once per table

  std::string storage() const { return "t" + std::to_string(id); }
  int find_column(const std::string& name) const;
  // "OWNER"."TABLE"."COLUMN"
  std::string column_path(int i) const;
};

// A value as stored in a column of the type, and back.
void bind_stored(sqlite_stmt& s, int index, const value& v);
// The same, text and bytes bound in place: v must outlive the statement's
// next reset. Spares a copy of every large value an INSERT stores.
void bind_stored_in_place(sqlite_stmt& s, int index, const value& v);
value load_stored(sqlite_stmt& s, int col, const column_type& t);

class catalog {
 public:
  catalog(sqlite_conn& db, std::string owner);

  const std::string& owner() const { return owner_; }
  // The table of the schema, or null.
  table_info* find_table(const std::string& name);
  // The table by id, or null.
  table_info* table_by_id(int64_t id);
  // Forgets everything; the next look-up reloads.
  void clear() {
    tables_.clear();
    by_id_.clear();
  }
  // Re-reads the dictionary generation and clears the cache when another
  // session changed the dictionary.
  void refresh();
  // Marks a dictionary change by this session.
  void bump_generation();
  // The object type of a name in the table namespace, or empty.
  std::string object_type(const std::string& name);
  std::string next_system_name();  // SYS_C00nnnn
  int64_t next_object_id();

  std::vector<std::string> table_names();

 private:
  std::unique_ptr<table_info> load(int64_t id, const std::string& name);
  sqlite_conn& db_;
  std::string owner_;
  int64_t generation_ = -1;
  std::map<std::string, std::unique_ptr<table_info>> tables_;
  std::map<int64_t, table_info*> by_id_;
  sqlite_stmt generation_stmt_;
};

}  // namespace tsl::eora
