#pragma once
// A thin owner of SQLite connections and prepared statements.
#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "embedded/oracle/oracle_error.h"

namespace tsl::eora {

// A failure of the database files, reported as Oracle reports its own: a
// full disk or file-size limit, an I/O error, a file that cannot be opened
// or written, a damaged file. Callers that catch Oracle errors catch these
// too, so none escapes a client call.
class storage_error : public oracle_error {
 public:
  storage_error(int code, const std::string& what);
  int code() const { return code_; }  // the SQLite result code

 private:
  int code_;
};

class sqlite_stmt {
 public:
  sqlite_stmt() = default;
  sqlite_stmt(sqlite3* db, std::string_view sql);
  ~sqlite_stmt();
  sqlite_stmt(sqlite_stmt&& o) noexcept : db_(o.db_), s_(o.s_) { o.s_ = nullptr; }
  sqlite_stmt& operator=(sqlite_stmt&& o) noexcept;
  sqlite_stmt(const sqlite_stmt&) = delete;
  sqlite_stmt& operator=(const sqlite_stmt&) = delete;

  sqlite_stmt& bind(int i, int64_t v);
  sqlite_stmt& bind(int i, std::string_view text);
  sqlite_stmt& bind_blob(int i, std::string_view bytes);
  sqlite_stmt& bind_null(int i);
  // Without a copy: the bytes must stay until reset().
  sqlite_stmt& bind_in_place(int i, std::string_view text);
  sqlite_stmt& bind_blob_in_place(int i, std::string_view bytes);
  // True while a row is there; raises storage_error on failure.
  bool step();
  // The raw result code, for callers that map constraint failures.
  int try_step();
  void reset();

  int64_t int64(int col) const { return sqlite3_column_int64(s_, col); }
  std::string text(int col) const;
  bool is_null(int col) const { return sqlite3_column_type(s_, col) == SQLITE_NULL; }
  sqlite3_stmt* get() const { return s_; }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* s_ = nullptr;
};

class sqlite_conn {
 public:
  // Opens (creating when asked) in WAL mode with synchronous=NORMAL: a
  // killed process loses nothing committed.
  sqlite_conn(const std::string& path, bool create);
  ~sqlite_conn();
  sqlite_conn(const sqlite_conn&) = delete;
  sqlite_conn& operator=(const sqlite_conn&) = delete;

  void exec(std::string_view sql);
  sqlite3* get() const { return db_; }
  // Milliseconds a statement waits for another connection's lock.
  void set_busy_timeout(int ms);
  int64_t last_rowid() const { return sqlite3_last_insert_rowid(db_); }
  int changes() const { return sqlite3_changes(db_); }

 private:
  sqlite3* db_ = nullptr;
};

[[noreturn]] void throw_storage(sqlite3* db, int rc);

}  // namespace tsl::eora
