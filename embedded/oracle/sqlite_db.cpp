#include "embedded/oracle/sqlite_db.h"

#include <cstring>

namespace tsl::eora {

namespace {

// The Oracle error of a SQLite result code, with SQLite's words as detail.
int ora_number_of(int code) {
  switch (code & 0xFF) {
    case SQLITE_FULL:
      return 1653;
    case SQLITE_IOERR:
      return (code == SQLITE_IOERR_READ || code == SQLITE_IOERR_SHORT_READ) ? 1115 : 1114;
    case SQLITE_READONLY:
      return 1114;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      return 1157;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return 1578;
    default:
      return 600;
  }
}

std::string ora_text_of(int code, const std::string& what) {
  switch (ora_number_of(code)) {
    case 1653:
      return "ORA-01653: unable to extend table in tablespace USERS (" + what + ")";
    case 1114:
      return "ORA-01114: IO error writing block to file (" + what + ")";
    case 1115:
      return "ORA-01115: IO error reading block from file (" + what + ")";
    case 1157:
      return "ORA-01157: cannot identify/lock data file (" + what + ")";
    case 1578:
      return "ORA-01578: ORACLE data block corrupted (" + what + ")";
    default:
      return "ORA-00600: internal error code, arguments: [" + what + "]";
  }
}

// SQLite's words, with the system's reason when there is one ("No space left
// on device", "Read-only file system"), which names the real cause.
std::string describe(sqlite3* db, const std::string& msg) {
  int e = db != nullptr ? sqlite3_system_errno(db) : 0;
  return e != 0 ? msg + ": " + std::strerror(e) : msg;
}

}  // namespace

storage_error::storage_error(int code, const std::string& what)
    : oracle_error(ora_number_of(code), ora_text_of(code, what)), code_(code) {}

void throw_storage(sqlite3* db, int rc) {
  std::string msg = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw storage_error(rc, describe(db, msg));
}

sqlite_stmt::sqlite_stmt(sqlite3* db, std::string_view sql) : db_(db) {
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s_, nullptr);
  if (rc != SQLITE_OK) throw_storage(db, rc);
}

sqlite_stmt::~sqlite_stmt() {
  if (s_ != nullptr) sqlite3_finalize(s_);
}

sqlite_stmt& sqlite_stmt::operator=(sqlite_stmt&& o) noexcept {
  if (this != &o) {
    if (s_ != nullptr) sqlite3_finalize(s_);
    db_ = o.db_;
    s_ = o.s_;
    o.s_ = nullptr;
  }
  return *this;
}

sqlite_stmt& sqlite_stmt::bind(int i, int64_t v) {
  sqlite3_bind_int64(s_, i, v);
  return *this;
}

sqlite_stmt& sqlite_stmt::bind(int i, std::string_view text) {
  sqlite3_bind_text(s_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

sqlite_stmt& sqlite_stmt::bind_blob(int i, std::string_view bytes) {
  sqlite3_bind_blob(s_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  return *this;
}

sqlite_stmt& sqlite_stmt::bind_in_place(int i, std::string_view text) {
  sqlite3_bind_text(s_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  return *this;
}

sqlite_stmt& sqlite_stmt::bind_blob_in_place(int i, std::string_view bytes) {
  sqlite3_bind_blob(s_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  return *this;
}

sqlite_stmt& sqlite_stmt::bind_null(int i) {
  sqlite3_bind_null(s_, i);
  return *this;
}

int sqlite_stmt::try_step() {
  return sqlite3_step(s_);
}

bool sqlite_stmt::step() {
  int rc = sqlite3_step(s_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string msg = describe(db_, sqlite3_errmsg(db_));
  sqlite3_reset(s_);
  throw storage_error(rc, msg);
}

void sqlite_stmt::reset() {
  sqlite3_reset(s_);
  sqlite3_clear_bindings(s_);
}

std::string sqlite_stmt::text(int col) const {
  const void* p = sqlite3_column_blob(s_, col);
  int n = sqlite3_column_bytes(s_, col);
  return p != nullptr ? std::string(static_cast<const char*>(p), static_cast<size_t>(n))
                      : std::string();
}

sqlite_conn::sqlite_conn(const std::string& path, bool create) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db_ != nullptr ? describe(db_, sqlite3_errmsg(db_)) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw storage_error(rc, path + ": " + msg);
  }
  sqlite3_extended_result_codes(db_, 1);
  set_busy_timeout(10000);
  try {
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
  } catch (const storage_error&) {
    // The destructor does not run for an object never made.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

sqlite_conn::~sqlite_conn() {
  sqlite3_close_v2(db_);
}

void sqlite_conn::set_busy_timeout(int ms) {
  sqlite3_busy_timeout(db_, ms);
}

void sqlite_conn::exec(std::string_view sql) {
  std::string s(sql);
  char* err = nullptr;
  int rc = sqlite3_exec(db_, s.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string msg = describe(db_, err != nullptr ? err : sqlite3_errstr(rc));
    sqlite3_free(err);
    throw storage_error(rc, msg);
  }
}

}  // namespace tsl::eora
