#include "embedded/mssql/statement_handle.h"

#include <optional>

#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

namespace {
thread_local std::optional<sql_error> function_error;
}  // namespace

void keep_function_error(const sql_error& e) {
  function_error = e;
}

void throw_storage_error(sqlite3* db, int rc) {
  if (function_error) {
    sql_error e = std::move(*function_error);
    function_error.reset();
    throw e;
  }
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw sql_error(err::kFail,
                  error_record{823, 24, 1, "HY000",
                               "The operating system returned an error on storage: " + msg});
}

statement_handle::statement_handle(sqlite3* db, const std::string& sql) {
  int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &s_, nullptr);
  if (rc != SQLITE_OK) throw_storage_error(db, rc);
}

statement_handle::~statement_handle() {
  sqlite3_finalize(s_);
}

statement_handle& statement_handle::operator=(statement_handle&& o) noexcept {
  if (this != &o) {
    sqlite3_finalize(s_);
    s_ = o.s_;
    o.s_ = nullptr;
  }
  return *this;
}

int statement_handle::step() {
  int rc = sqlite3_step(s_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw_storage_error(sqlite3_db_handle(s_), rc);
  return rc;
}

void exec_sql(sqlite3* db, const std::string& sql) {
  char* msg = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
  sqlite3_free(msg);
  if (rc != SQLITE_OK) throw_storage_error(db, rc);
}

}  // namespace tsl::mssql
