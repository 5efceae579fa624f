#include "embedded/oracle/session.h"

#include <cstring>

#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/parser.h"
#include "platform/text/utf.h"

namespace tsl::eora {

namespace {

const char base64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void put_base64(std::string& out, int64_t v, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(base64[(v >> (6 * i)) & 63]);
}

bool get_base64(const std::string& s, size_t at, int width, int64_t& v) {
  v = 0;
  for (int i = 0; i < width; ++i) {
    const char* p = std::strchr(base64, s[at + static_cast<size_t>(i)]);
    if (p == nullptr || *p == '\0') return false;
    v = (v << 6) | (p - base64);
  }
  return true;
}

// Data file 4 holds every row; the row number splits into block and slot.
constexpr int64_t rowid_file = 4;

// The stored column of a LOB, and the storage table.
std::string lob_column(const lob_ref& lob) {
  return "c" + std::to_string(lob.column);
}
std::string lob_table(const lob_ref& lob) {
  return "t" + std::to_string(lob.table_id);
}

}  // namespace

std::string session::rowid_text(int64_t object_id, int64_t row) {
  std::string out;
  put_base64(out, object_id, 6);
  put_base64(out, rowid_file, 3);
  put_base64(out, row >> 16, 6);
  put_base64(out, row & 0xFFFF, 3);
  return out;
}

void session::parse_rowid(const std::string& text, int64_t& object_id, int64_t& row) {
  int64_t file = 0, block = 0, slot = 0;
  if (text.size() != 18 || !get_base64(text, 0, 6, object_id) || !get_base64(text, 6, 3, file) ||
      !get_base64(text, 9, 6, block) || !get_base64(text, 15, 3, slot) || file != rowid_file ||
      slot > 0xFFFF)
    throw make_error(1410);
  row = (block << 16) | slot;
}

session::session(database_info info, std::string user)
    : info_(std::move(info)),
      user_(std::move(user)),
      db_(info_.path, false),
      catalog_(db_, user_) {}

std::unique_ptr<session> session::logon(const std::string& connect, const std::string& user,
                                        const std::string& password) {
  database_info info = resolve_connect(connect);
  std::string name = normalize_user(user);
  std::unique_ptr<session> s(new session(info, name));
  check_password(s->db_, user, password);
  return s;
}

session::~session() {
  if (in_write_) {
    try {
      db_.exec("ROLLBACK");
    } catch (const storage_error&) {
      // Closing the connection rolls back all the same.
    }
  }
}

void session::logoff() {
  commit();
  ended_ = true;
}

void session::set_lock_waits(int dml_ms, int ddl_ms) {
  dml_wait_ms_ = dml_ms;
  ddl_wait_ms_ = ddl_ms;
}

stmt_ptr session::parse(std::string_view sql) const {
  return parse_statement(sql, info_.version.max_name());
}

void session::begin_write(bool ddl) {
  if (in_write_) return;
  db_.set_busy_timeout(ddl ? ddl_wait_ms_ : dml_wait_ms_);
  try {
    db_.exec("BEGIN IMMEDIATE");
  } catch (const storage_error& e) {
    if ((e.code() & 0xFF) == SQLITE_BUSY || (e.code() & 0xFF) == SQLITE_LOCKED)
      throw make_error(54);
    throw;
  }
  in_write_ = true;
  catalog_.refresh();
}

void session::before_statement() {
  if (ended_) throw make_error(3114);
  if (!in_write_) {
    catalog_.refresh();
    // Another session may have changed the data since the last statement.
    forget_lob();
  }
}

void session::commit() {
  if (!in_write_) return;
  db_.exec("COMMIT");
  in_write_ = false;
}

void session::rollback() {
  forget_lob();
  if (!in_write_) return;
  db_.exec("ROLLBACK");
  in_write_ = false;
  currval_.clear();
}

exec_result session::execute(statement& s, bool commit_on_success) {
  before_statement();
  forget_lob();
  exec_result r;
  switch (s.kind) {
    case stmt_kind::commit:
      commit();
      return r;
    case stmt_kind::rollback:
      rollback();
      return r;
    case stmt_kind::select: {
      result_set rs = query(static_cast<select_stmt&>(s));
      r.row_count = rs.rows.size();
      if (commit_on_success) commit();
      return r;
    }
    default:
      break;
  }
  if (s.is_ddl()) {
    commit();
    begin_write(true);
    try {
      r = run_ddl(s);
      catalog_.bump_generation();
      commit();
    } catch (...) {
      // The failed DDL leaves nothing behind; the error goes on to the caller.
      rollback();
      catalog_.clear();
      throw;
    }
    return r;
  }
  begin_write(false);
  if (!savepoint_.get()) {
    savepoint_ = sqlite_stmt(db_.get(), "SAVEPOINT stmt");
    release_ = sqlite_stmt(db_.get(), "RELEASE stmt");
  }
  savepoint_.step();
  savepoint_.reset();
  try {
    switch (s.kind) {
      case stmt_kind::insert:
        r = run_insert(static_cast<insert_stmt&>(s));
        break;
      case stmt_kind::update:
        r = run_update(static_cast<update_stmt&>(s));
        break;
      case stmt_kind::delete_:
        r = run_delete(static_cast<delete_stmt&>(s));
        break;
      default:
        throw make_error(900);
    }
    release_.step();
    release_.reset();
  } catch (...) {
    // Statement-level atomicity: undo this statement only, then report.
    db_.exec("ROLLBACK TO stmt");
    db_.exec("RELEASE stmt");
    throw;
  }
  if (commit_on_success) commit();
  return r;
}

value session::next_value(const std::string& name) {
  begin_write(false);
  sqlite_stmt s(db_.get(),
                "SELECT min_value, max_value, increment, cycle, last_number FROM sequences WHERE "
                "owner = ? AND name = ?");
  s.bind(1, user_).bind(2, name);
  if (!s.step()) throw make_error(2289);
  decimal min = decimal::parse(s.text(0)).value(), max = decimal::parse(s.text(1)).value();
  decimal inc = decimal::parse(s.text(2)).value(), next = decimal::parse(s.text(4)).value();
  bool cycle = s.int64(3) != 0;
  if ((!inc.negative() && compare(next, max) > 0) || (inc.negative() && compare(next, min) < 0)) {
    if (!cycle) throw make_error(8004, {quoted(user_) + "." + name});
    next = inc.negative() ? max : min;
  }
  sqlite_stmt u(db_.get(), "UPDATE sequences SET last_number = ? WHERE owner = ? AND name = ?");
  u.bind(1, (next + inc).to_string()).bind(2, user_).bind(3, name).step();
  currval_[name] = next;
  return value::number(next);
}

value session::current_value(const std::string& name) {
  sqlite_stmt s(db_.get(), "SELECT 1 FROM sequences WHERE owner = ? AND name = ?");
  s.bind(1, user_).bind(2, name);
  if (!s.step()) throw make_error(2289);
  auto it = currval_.find(name);
  if (it == currval_.end()) throw make_error(8002, {name});
  return value::number(it->second);
}

const value& session::bound_value(int place) const {
  if (place < 0 || static_cast<size_t>(place) >= binds_.size() ||
      !binds_[static_cast<size_t>(place)])
    throw make_error(1008);
  return *binds_[static_cast<size_t>(place)];
}

std::string session::lob_read(const lob_ref& lob, uint64_t offset, uint64_t amount) {
  if (offset < 1) throw make_error(22275);
  lob_cache& c = load_lob(lob);
  if (lob.binary) {
    const std::string& bytes = c.content;
    if (offset - 1 >= bytes.size()) return {};
    return bytes.substr(static_cast<size_t>(offset - 1),
                        static_cast<size_t>(std::min<uint64_t>(amount, bytes.size())));
  }
  std::u16string units = clob_read(lob, offset, amount);
  // Narrow text cannot hold half a pair: the pair is kept whole.
  if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF &&
      offset - 1 + units.size() < c.wide.size())
    units += c.wide[static_cast<size_t>(offset - 1 + units.size())];
  return text::utf16_to_utf8(units);
}

std::u16string session::clob_read(const lob_ref& lob, uint64_t offset, uint64_t amount) {
  if (offset < 1 || lob.binary) throw make_error(22275);
  const std::u16string& w = load_lob(lob).wide;
  if (offset - 1 >= w.size()) return {};
  return w.substr(static_cast<size_t>(offset - 1),
                  static_cast<size_t>(std::min<uint64_t>(amount, w.size())));
}

session::lob_cache& session::load_lob(const lob_ref& lob) {
  lob_cache& c = cache_;
  if (c.valid && c.lob.table_id == lob.table_id && c.lob.row == lob.row &&
      c.lob.column == lob.column)
    return c;
  sqlite_stmt s(db_.get(),
                "SELECT " + lob_column(lob) + " FROM " + lob_table(lob) + " WHERE rowid = ?");
  s.bind(1, lob.row);
  if (!s.step()) throw make_error(22275);
  c.content = s.text(0);
  c.lob = lob;
  c.valid = true;
  c.wide.clear();
  // A CLOB counts UTF-16 code units, as Oracle's do: a character outside the
  // BMP is two.
  if (!lob.binary) c.wide = text::utf8_to_utf16(c.content);
  c.length = lob.binary ? c.content.size() : c.wide.size();
  return c;
}

uint64_t session::lob_length(const lob_ref& lob) {
  return load_lob(lob).length;
}

void session::lob_write(const lob_ref& lob, uint64_t offset, std::string_view data) {
  if (offset < 1) throw make_error(22275);
  // A LOB is written only in the row a transaction has locked.
  if (!in_write_) throw make_error(22920);
  forget_lob();
  sqlite_stmt s(db_.get(),
                "SELECT " + lob_column(lob) + " FROM " + lob_table(lob) + " WHERE rowid = ?");
  s.bind(1, lob.row);
  if (!s.step()) throw make_error(22275);
  std::string content = s.text(0);
  std::string out;
  if (lob.binary) {
    size_t at = static_cast<size_t>(offset - 1);
    if (content.size() < at) content.resize(at, '\0');
    out = content.substr(0, at);
    out.append(data);
    if (content.size() > at + data.size()) out.append(content.substr(at + data.size()));
  } else {
    // Offsets and amounts in UTF-16 code units.
    std::u16string w = text::utf8_to_utf16(content);
    size_t at = static_cast<size_t>(offset - 1);
    if (w.size() < at) w.append(at - w.size(), u' ');
    std::u16string piece = text::utf8_to_utf16(data);
    std::u16string joined = w.substr(0, at);
    joined += piece;
    if (w.size() > at + piece.size()) joined += w.substr(at + piece.size());
    out = text::utf16_to_utf8(joined);
  }
  sqlite_stmt u(db_.get(),
                "UPDATE " + lob_table(lob) + " SET " + lob_column(lob) + " = ? WHERE rowid = ?");
  if (lob.binary)
    u.bind_blob(1, out);
  else
    u.bind(1, out);
  u.bind(2, lob.row).step();
}

}  // namespace tsl::eora
