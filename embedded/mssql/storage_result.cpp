#include "embedded/mssql/storage_result.h"

#include <cmath>

#include "embedded/mssql/statement_handle.h"

namespace tsl::mssql {

namespace {
sql_type float_type() {
  sql_type t;
  t.id = type_id::float_;
  return t;
}
}  // namespace

storage_result::storage_result(database& db, const std::string& sql,
                               std::vector<result_column> columns)
    : db_(db) {
  columns_ = std::move(columns);
  std::lock_guard<std::recursive_mutex> lock(db_.mutex());
  int rc =
      sqlite3_prepare_v2(db_.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    throw_storage_error(db_.handle(), rc);
  }
}

storage_result::~storage_result() {
  std::lock_guard<std::recursive_mutex> lock(db_.mutex());
  sqlite3_finalize(stmt_);
}

bool storage_result::next(std::vector<value>& row) {
  std::lock_guard<std::recursive_mutex> lock(db_.mutex());
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_DONE) return false;
  if (rc != SQLITE_ROW) throw_storage_error(db_.handle(), rc);
  row.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    const int c = static_cast<int>(i);
    value& v = row[i];
    const sql_type& t = columns_[i].type;
    switch (sqlite3_column_type(stmt_, c)) {
      case SQLITE_NULL:
        v.k = value::kind::null;
        break;
      case SQLITE_INTEGER:
        v.k = value::kind::integer;
        v.i = sqlite3_column_int64(stmt_, c);
        break;
      case SQLITE_FLOAT:
        v.k = value::kind::real;
        v.r = sqlite3_column_double(stmt_, c);
        break;
      case SQLITE_TEXT:
        v.k = value::kind::text;
        v.s.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c)),
                   static_cast<size_t>(sqlite3_column_bytes(stmt_, c)));
        break;
      default:
        v.k = value::kind::blob;
        v.s.assign(static_cast<const char*>(sqlite3_column_blob(stmt_, c)),
                   static_cast<size_t>(sqlite3_column_bytes(stmt_, c)));
        break;
    }
    if (columns_[i].recast && v.k == value::kind::text) v = convert_to(v, t);
    // Computed values may come in another storage class than the type keeps.
    if (v.k != value::kind::null) {
      storage_class want = storage_of(t.id);
      bool fits = (want == storage_class::integer && v.k == value::kind::integer) ||
                  (want == storage_class::real && v.k == value::kind::real) ||
                  (want == storage_class::text && v.k == value::kind::text) ||
                  (want == storage_class::blob && v.k == value::kind::blob);
      if (!fits) {
        if ((t.id == type_id::money || t.id == type_id::smallmoney) && v.k == value::kind::real)
          v = value::of_int(static_cast<int64_t>(std::llround(v.r * 10000)));
        else if (is_character(t.id) && v.k != value::kind::blob)
          v = value::of_text(text_form(v, t.id == type_id::money ? t : float_type()));
        else
          v = convert_to(v, t);
      }
    }
  }
  return true;
}

void storage_result::restart() {
  std::lock_guard<std::recursive_mutex> lock(db_.mutex());
  sqlite3_reset(stmt_);
}

}  // namespace tsl::mssql
