#pragma once
// One database of the server: a SQLite file holding the catalogue (each
// table's T-SQL definition, replayed on open) and one storage table per
// table. Every statement commits by itself.
#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "embedded/mssql/ast.h"
#include "embedded/mssql/catalog.h"
#include "embedded/mssql/result_set.h"

namespace tsl::mssql {
struct compile_context;
struct compiled_select;
}  // namespace tsl::mssql

namespace tsl::mssql {

class database {
 public:
  // Opens (creating when asked) the database file.
  database(std::string name, const std::string& path, bool create);
  ~database();
  database(const database&) = delete;
  database& operator=(const database&) = delete;

  const std::string& name() const { return name_; }
  sqlite3* handle() const { return db_; }
  std::recursive_mutex& mutex() { return mutex_; }

  const std::vector<std::unique_ptr<table_info>>& tables() const { return tables_; }
  const std::vector<std::string>& schemas() const { return schemas_; }
  bool has_schema(const std::string& schema) const;
  // nullptr when missing.
  table_info* find_table(const std::string& schema, const std::string& name) const;

  void create_schema(const std::string& schema);

  // Views, procedures, functions and triggers, kept as text.
  const std::vector<module_info>& modules() const { return modules_; }
  const module_info* find_module(const std::string& schema, const std::string& name) const;
  void create_module(const create_module_stmt& stmt, const std::string& default_schema);
  // False when there is no such module.
  bool drop_module(const std::string& kind, const object_name& name,
                   const std::string& default_schema);

  const alias_type* find_type(const std::string& schema, const std::string& name) const;
  void create_type(const create_type_stmt& stmt, const std::string& default_schema);
  bool drop_type(const object_name& name, const std::string& default_schema);
  // Drops an index made by CREATE INDEX; false when there is none.
  bool drop_index(table_info& table, const std::string& name);
  void create_table(const create_table_stmt& stmt, const std::string& default_schema);
  void create_index(const create_index_stmt& stmt, table_info& table);
  void drop_table(table_info& table);
  // ALTER TABLE; default_of gives the value an added column takes in the
  // rows already there.
  void alter_table(const alter_table_stmt& stmt, table_info& table,
                   const std::string& default_schema,
                   const std::function<value(const column_info&)>& default_of);

  // Inserts rows of values already converted to the columns' types, in
  // column order (a null where the column takes its default or identity is
  // filled by the caller). One transaction for all rows.
  void insert_rows(table_info& table, std::vector<std::vector<value>>& rows);
  // Deletes the rows whose storage ids the query gives; the count deleted.
  int64_t delete_rows(table_info& table, const std::string& id_query);
  // Sets the target columns of the rows with the given storage ids.
  void update_rows(table_info& table, const std::vector<int>& targets,
                   std::vector<std::pair<int64_t, std::vector<value>>>& rows);
  // Saves the identity counter after an insert.
  void save_identity(const table_info& table);
  int64_t next_rowversion();

  // The rows of a table in the order of its clustered key.
  std::unique_ptr<result_set> open_table(const table_info& table);
  int64_t file_size_kb() const;

 private:
  // Sets the connection up and reads the catalogue.
  void open_storage();
  void load();
  void persist(const table_info& t);
  void create_storage(const table_info& t);
  void create_unique_index(const table_info& t, const index_info& ix, size_t n);
  // A foreign key of t from its definition; same_statement holds the keys
  // defined beside it (its own table's primary key may be among them).
  foreign_key_info make_foreign_key(const key_def& k, const table_info& t, size_t n,
                                    const std::string& default_schema,
                                    const std::vector<key_def>& same_statement) const;
  // Copies t's rows into new storage shaped as changed; sources holds, for
  // each column of changed, the storage expression over the old row.
  void rebuild_storage(const table_info& t, const table_info& changed,
                       const std::vector<std::string>& sources);
  [[noreturn]] void throw_duplicate(const table_info& t, const std::vector<value>& row);
  compile_context own_context(const table_info& t);
  // A column declared with one of the database's own types takes its base.
  void resolve_alias(column_info& ci, const column_def& c, const std::string& default_schema,
                     int position) const;
  // The compiled query of a computed column or CHECK condition (text; ""
  // for all computed columns), built once for each shape of the table.
  const compiled_select& rule_query(const table_info& t, const std::string& text,
                                    const std::function<compiled_select()>& build);
  // Works out the type of each computed column from its expression.
  void type_computed(table_info& t);
  // Stores the computed columns' values in the rows the query names.
  void compute_columns(table_info& t, const std::string& changed_rows);
  // Error 547 when a row the query names (every row when empty) makes an
  // enabled CHECK condition false; only, when given, names the one to test
  // whether enabled or not.
  void check_conditions(const table_info& t, const char* statement, const std::string& changed_rows,
                        const std::string& only = "");
  // Error 547 when a changed row points at no row of a referenced table.
  void check_references(const table_info& t, const char* statement,
                        const std::string& changed_rows);
  // Applies the delete rules of the tables pointing at t, then deletes.
  void delete_cascade(table_info& t, const std::string& id_query, int depth);

  std::string name_;
  std::string path_;
  sqlite3* db_ = nullptr;
  std::recursive_mutex mutex_;
  std::vector<std::unique_ptr<table_info>> tables_;
  std::vector<std::string> schemas_;
  std::vector<module_info> modules_;
  std::vector<alias_type> types_;
  std::map<std::string, compiled_select> rule_queries_;
  int64_t next_id_ = 1;
};

}  // namespace tsl::mssql
