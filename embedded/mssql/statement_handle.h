#pragma once
// Thin owners of SQLite handles; a failure becomes an sql_error that names
// SQLite's message (storage faults are not the client's to fix).
#include <sqlite3.h>

#include <string>

namespace tsl::mssql {

class sql_error;

class statement_handle {
 public:
  statement_handle() = default;
  statement_handle(sqlite3* db, const std::string& sql);
  ~statement_handle();
  statement_handle(statement_handle&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  statement_handle& operator=(statement_handle&& o) noexcept;
  statement_handle(const statement_handle&) = delete;
  statement_handle& operator=(const statement_handle&) = delete;

  sqlite3_stmt* get() const { return s_; }
  // SQLITE_ROW or SQLITE_DONE; anything else throws.
  int step();

 private:
  sqlite3_stmt* s_ = nullptr;
};

// Runs statements that return no rows.
void exec_sql(sqlite3* db, const std::string& sql);
[[noreturn]] void throw_storage_error(sqlite3* db, int rc);

// A function of the server's own that SQLite calls fails with the server's
// error: it is kept here (for this thread) and thrown in place of the
// storage error that follows.
void keep_function_error(const sql_error& e);

}  // namespace tsl::mssql
