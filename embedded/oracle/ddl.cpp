// CREATE, ALTER and DROP: the dictionary rows and the storage tables behind
// them. Each runs in its own transaction (see session::execute).
#include <algorithm>
#include <functional>

#include "embedded/oracle/eval.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"

namespace tsl::eora {

namespace {

bool mentions_column(const expr& e) {
  if (e.kind == expr_kind::column || e.kind == expr_kind::rowid) return true;
  for (const auto& a : e.args)
    if (mentions_column(*a)) return true;
  return false;
}

void collect_sequences(const expr& e, std::vector<std::string>& out) {
  if (e.kind == expr_kind::sequence) out.push_back(e.name);
  for (const auto& a : e.args) collect_sequences(*a, out);
}

int64_t next_seq(sqlite3* db, const char* table) {
  sqlite_stmt s(db, std::string("SELECT COALESCE(MAX(seq), 0) + 1 FROM ") + table);
  s.step();
  return s.int64(0);
}

std::string column_list(const table_info& t, const std::vector<int>& cols) {
  std::string out;
  for (size_t i = 0; i < cols.size(); ++i)
    out += (i ? ", c" : "c") + std::to_string(t.columns[static_cast<size_t>(cols[i])].id);
  return out;
}

std::vector<int> column_positions(const table_info& t, const std::vector<std::string>& names) {
  std::vector<int> out;
  for (const std::string& n : names) {
    int c = t.find_column(n);
    if (c < 0) throw make_error(904, {quoted(n)});
    if (std::find(out.begin(), out.end(), c) != out.end()) throw make_error(957);
    out.push_back(c);
  }
  return out;
}

bool same_set(std::vector<int> a, std::vector<int> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

void insert_not_null_constraint(sqlite3* db, catalog& cat, const table_info& t,
                                const std::string& column) {
  std::string name = cat.next_system_name();
  sqlite_stmt k(
      db,
      "INSERT INTO constraints(owner, name, type, table_id, generated, search_condition, seq) "
      "VALUES (?, ?, 'C', ?, 1, ?, ?)");
  k.bind(1, t.owner)
      .bind(2, name)
      .bind(3, t.id)
      .bind(4, quoted(column) + " IS NOT NULL")
      .bind(5, next_seq(db, "constraints"));
  k.step();
  sqlite_stmt cc(db,
                 "INSERT INTO cons_columns(owner, constraint_name, column_name, position) VALUES "
                 "(?, ?, ?, 1)");
  cc.bind(1, t.owner).bind(2, name).bind(3, column).step();
}

void delete_not_null_constraint(sqlite3* db, const table_info& t, const std::string& column) {
  std::string cond = quoted(column) + " IS NOT NULL";
  sqlite_stmt f(db,
                "SELECT name FROM constraints WHERE owner = ? AND table_id = ? AND type = 'C' AND "
                "search_condition = ?");
  f.bind(1, t.owner).bind(2, t.id).bind(3, cond);
  std::vector<std::string> names;
  while (f.step()) names.push_back(f.text(0));
  for (const std::string& n : names) {
    sqlite_stmt d(db, "DELETE FROM constraints WHERE owner = ? AND name = ?");
    d.bind(1, t.owner).bind(2, n).step();
    sqlite_stmt dc(db, "DELETE FROM cons_columns WHERE owner = ? AND constraint_name = ?");
    dc.bind(1, t.owner).bind(2, n).step();
  }
}

void set_nullable(sqlite3* db, const table_info& t, const column_info& c, bool nullable) {
  sqlite_stmt u(db, "UPDATE columns SET nullable = ? WHERE table_id = ? AND column_id = ?");
  u.bind(1, nullable ? 1 : 0).bind(2, t.id).bind(3, c.id).step();
}

bool has_nulls(sqlite3* db, const table_info& t, const column_info& c) {
  sqlite_stmt q(
      db, "SELECT 1 FROM " + t.storage() + " WHERE c" + std::to_string(c.id) + " IS NULL LIMIT 1");
  return q.step();
}

bool is_empty(sqlite3* db, const table_info& t) {
  sqlite_stmt q(db, "SELECT 1 FROM " + t.storage() + " LIMIT 1");
  return !q.step();
}

void check_default(const expr& e) {
  if (mentions_column(e)) throw make_error(984);
}

// What an older release refused: Oracle7 knew no national types and no LOBs
// and kept VARCHAR2 to 2000 bytes, CHAR and RAW to 255; lengths in
// characters (VARCHAR2(n CHAR)) came with Oracle9i.
void check_release(const column_type& t, const release& r) {
  if (r.before_8()) {
    switch (t.code) {
      case type_code::nvarchar2:
      case type_code::nchar:
      case type_code::nclob:
      case type_code::clob:
      case type_code::blob:
        throw make_error(902);
      default:
        break;
    }
    if (t.code == type_code::varchar2 && t.length > 2000) throw make_error(910);
    if ((t.code == type_code::char_ || t.code == type_code::raw) && t.length > 255)
      throw make_error(910);
  }
  if (r.major < 9 && t.char_semantics &&
      (t.code == type_code::varchar2 || t.code == type_code::char_))
    throw make_error(907);
}

}  // namespace

exec_result session::run_ddl(statement& s) {
  exec_result r;
  switch (s.kind) {
    case stmt_kind::create_table:
      create_table(static_cast<create_table_stmt&>(s));
      break;
    case stmt_kind::create_sequence:
      create_sequence(static_cast<create_sequence_stmt&>(s));
      break;
    case stmt_kind::create_index:
      create_index(static_cast<create_index_stmt&>(s));
      break;
    case stmt_kind::create_trigger:
      create_trigger(static_cast<create_trigger_stmt&>(s), r);
      break;
    case stmt_kind::alter_add:
      alter_add(static_cast<alter_add_stmt&>(s));
      break;
    case stmt_kind::alter_modify:
      alter_modify(static_cast<alter_modify_stmt&>(s));
      break;
    case stmt_kind::drop:
      drop(static_cast<drop_stmt&>(s));
      break;
    default:
      throw make_error(900);
  }
  return r;
}

void session::add_column(table_info& t, const column_def& c, int id) {
  sqlite3* db = db_.get();
  if (c.default_expr) check_default(*c.default_expr);
  sqlite_stmt col(db,
                  "INSERT INTO columns(table_id, column_id, name, code, length, char_sem, "
                  "precision, scale, nullable, default_text) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  col.bind(1, t.id)
      .bind(2, id)
      .bind(3, c.name)
      .bind(4, static_cast<int64_t>(c.type.code))
      .bind(5, c.type.length);
  col.bind(6, c.type.char_semantics ? 1 : 0).bind(7, c.type.precision).bind(8, c.type.scale);
  col.bind(9, c.nullability == 2 ? 0 : 1);
  if (c.default_text.empty())
    col.bind_null(10);
  else
    col.bind(10, c.default_text);
  col.step();
  if (c.nullability == 2) insert_not_null_constraint(db, catalog_, t, c.name);
}

void session::create_table(create_table_stmt& s) {
  sqlite3* db = db_.get();
  if (!catalog_.object_type(s.name).empty()) throw make_error(955);
  for (size_t i = 0; i < s.columns.size(); ++i)
    for (size_t k = 0; k < i; ++k)
      if (s.columns[i].name == s.columns[k].name) throw make_error(957);
  for (const column_def& c : s.columns) check_release(c.type, info_.version);
  table_info t;
  t.id = catalog_.next_object_id();
  t.owner = user_;
  t.name = s.name;
  sqlite_stmt o(db, "INSERT INTO objects(id, owner, name, type) VALUES (?, ?, ?, 'TABLE')");
  o.bind(1, t.id).bind(2, user_).bind(3, s.name).step();
  std::string sql = "CREATE TABLE " + t.storage() + "(";
  for (size_t i = 0; i < s.columns.size(); ++i) {
    sql += (i ? ", c" : "c") + std::to_string(i + 1);
    add_column(t, s.columns[i], static_cast<int>(i) + 1);
  }
  db_.exec(sql + ")");
  catalog_.clear();
  for (column_def& c : s.columns)
    for (const constraint_def& k : c.constraints) add_constraint(*catalog_.find_table(s.name), k);
  for (const constraint_def& k : s.constraints) add_constraint(*catalog_.find_table(s.name), k);
}

void session::add_constraint(table_info& t, const constraint_def& c) {
  sqlite3* db = db_.get();
  std::vector<int> cols = column_positions(t, c.columns);
  std::string name = c.name;
  bool generated = name.empty();
  if (generated) {
    name = catalog_.next_system_name();
  } else {
    sqlite_stmt q(db, "SELECT 1 FROM constraints WHERE owner = ? AND name = ?");
    q.bind(1, user_).bind(2, name);
    if (q.step()) throw make_error(2264);
  }
  std::string index_name, r_owner, r_name;
  if (c.type == 'P' || c.type == 'U') {
    for (const constraint_info& k : t.constraints) {
      if (k.type == 'P' && c.type == 'P') throw make_error(2260);
      if ((k.type == 'P' || k.type == 'U') && same_set(k.columns, cols)) throw make_error(2261);
    }
    for (const column_info& col : t.columns) {
      if (col.type.is_lob()) {
        for (int x : cols)
          if (&t.columns[static_cast<size_t>(x)] == &col)
            throw make_error(2327, {col.type.type_name()});
      }
    }
    if (c.type == 'P') {
      for (int x : cols) {
        const column_info& col = t.columns[static_cast<size_t>(x)];
        if (has_nulls(db, t, col)) throw make_error(1449);
        set_nullable(db, t, col, false);
      }
    }
    // A unique index on exactly these columns serves; otherwise one is made
    // under the constraint's name.
    for (const index_info& ix : t.indexes)
      if (ix.unique && ix.columns == cols) index_name = ix.name;
    if (index_name.empty()) {
      sqlite_stmt q(db, "SELECT 1 FROM indexes WHERE owner = ? AND name = ?");
      q.bind(1, user_).bind(2, name);
      if (q.step()) throw make_error(955);
      std::string storage =
          "x" + std::to_string(t.id) + "_" + std::to_string(next_seq(db, "indexes"));
      try {
        db_.exec("CREATE UNIQUE INDEX " + storage + " ON " + t.storage() + "(" +
                 column_list(t, cols) + ")");
      } catch (const storage_error& e) {
        if ((e.code() & 0xFF) != SQLITE_CONSTRAINT) throw;
        throw make_error(c.type == 'P' ? 2437 : 2299, {user_, name});
      }
      index_name = name;
      sqlite_stmt ix(db,
                     "INSERT INTO indexes(owner, name, table_id, is_unique, generated, storage, "
                     "seq) VALUES (?, ?, ?, 1, ?, ?, ?)");
      ix.bind(1, user_)
          .bind(2, name)
          .bind(3, t.id)
          .bind(4, generated ? 1 : 0)
          .bind(5, storage)
          .bind(6, next_seq(db, "indexes"))
          .step();
      for (size_t i = 0; i < cols.size(); ++i) {
        sqlite_stmt ic(db,
                       "INSERT INTO ind_columns(owner, index_name, column_name, position, descend) "
                       "VALUES (?, ?, ?, ?, 0)");
        ic.bind(1, user_)
            .bind(2, name)
            .bind(3, t.columns[static_cast<size_t>(cols[i])].name)
            .bind(4, static_cast<int64_t>(i) + 1)
            .step();
      }
    }
  } else if (c.type == 'R') {
    size_t dot = c.ref_table.find('.');
    std::string ref = dot == std::string::npos ? c.ref_table : c.ref_table.substr(dot + 1);
    table_info* parent = catalog_.find_table(ref);
    if (parent == nullptr) throw make_error(942);
    std::vector<int> ref_cols;
    const constraint_info* key = nullptr;
    if (c.ref_columns.empty()) {
      for (const constraint_info& k : parent->constraints)
        if (k.type == 'P') key = &k;
      if (key == nullptr) throw make_error(2270);
      ref_cols = key->columns;
    } else {
      ref_cols = column_positions(*parent, c.ref_columns);
    }
    if (ref_cols.size() != cols.size()) throw make_error(2256);
    if (key == nullptr) {
      for (const constraint_info& k : parent->constraints)
        if ((k.type == 'P' || k.type == 'U') && same_set(k.columns, ref_cols)) key = &k;
    }
    if (key == nullptr) throw make_error(2270);
    for (const constraint_info& k : t.constraints)
      if (k.type == 'R' && k.r_name == key->name && k.columns == cols) throw make_error(2275);
    r_owner = user_;
    r_name = key->name;
    // Existing rows must all find their parent.
    std::string check = "SELECT 1 FROM " + t.storage() + " ch WHERE ";
    for (size_t i = 0; i < cols.size(); ++i)
      check +=
          "ch.c" + std::to_string(t.columns[static_cast<size_t>(cols[i])].id) + " IS NOT NULL AND ";
    check += "NOT EXISTS (SELECT 1 FROM " + parent->storage() + " p WHERE ";
    for (size_t i = 0; i < cols.size(); ++i) {
      // The key column of the parent that this column refers to, in key order.
      int pc = key->columns[i];
      if (!c.ref_columns.empty()) pc = ref_cols[i];
      check += (i ? " AND p.c" : "p.c") +
               std::to_string(parent->columns[static_cast<size_t>(pc)].id) + " = ch.c" +
               std::to_string(t.columns[static_cast<size_t>(cols[i])].id);
    }
    check += ") LIMIT 1";
    sqlite_stmt q(db, check);
    if (q.step()) throw make_error(2298, {user_, name});
  }
  sqlite_stmt k(db,
                "INSERT INTO constraints(owner, name, type, table_id, r_owner, r_name, "
                "delete_rule, generated, index_name, seq) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  k.bind(1, user_)
      .bind(2, name)
      .bind(3, std::string(1, c.type))
      .bind(4, t.id)
      .bind(5, r_owner)
      .bind(6, r_name);
  k.bind(7, c.delete_rule)
      .bind(8, generated ? 1 : 0)
      .bind(9, index_name)
      .bind(10, next_seq(db, "constraints"))
      .step();
  for (size_t i = 0; i < cols.size(); ++i) {
    sqlite_stmt cc(db,
                   "INSERT INTO cons_columns(owner, constraint_name, column_name, position) VALUES "
                   "(?, ?, ?, ?)");
    cc.bind(1, user_)
        .bind(2, name)
        .bind(3, t.columns[static_cast<size_t>(cols[i])].name)
        .bind(4, static_cast<int64_t>(i) + 1)
        .step();
  }
  catalog_.clear();
}

void session::create_sequence(create_sequence_stmt& s) {
  if (!has_privilege(db_, user_, privilege::create_sequence)) throw make_error(1031);
  if (!catalog_.object_type(s.name).empty()) throw make_error(955);
  auto num = [](const std::string& text) {
    auto d = decimal::parse(text);
    if (!d || d->exponent() < 0) throw make_error(933);
    return *d;
  };
  decimal inc = num(s.increment);
  if (inc.is_zero()) throw make_error(4002);
  bool up = !inc.negative();
  decimal min = s.min_value.empty()
                    ? (up ? decimal::from_int(1) : num("-999999999999999999999999999"))
                    : num(s.min_value);
  decimal max = s.max_value.empty()
                    ? (up ? num("9999999999999999999999999999") : decimal::from_int(-1))
                    : num(s.max_value);
  if (compare(min, max) >= 0) throw make_error(4004);
  decimal start = s.start.empty() ? (up ? min : max) : num(s.start);
  if (compare(start, min) < 0) throw make_error(4006);
  if (compare(start, max) > 0) throw make_error(4008);
  sqlite_stmt o(db_.get(),
                "INSERT INTO objects(id, owner, name, type) VALUES (?, ?, ?, 'SEQUENCE')");
  o.bind(1, catalog_.next_object_id()).bind(2, user_).bind(3, s.name).step();
  sqlite_stmt q(db_.get(),
                "INSERT INTO sequences(owner, name, min_value, max_value, increment, cycle, ord, "
                "cache, last_number) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  q.bind(1, user_)
      .bind(2, s.name)
      .bind(3, min.to_string())
      .bind(4, max.to_string())
      .bind(5, inc.to_string());
  q.bind(6, s.cycle ? 1 : 0)
      .bind(7, s.order ? 1 : 0)
      .bind(8, s.cache)
      .bind(9, start.to_string())
      .step();
}

void session::create_index(create_index_stmt& s) {
  sqlite3* db = db_.get();
  table_info* t = catalog_.find_table(s.table);
  if (t == nullptr) throw make_error(942);
  sqlite_stmt q(db, "SELECT 1 FROM indexes WHERE owner = ? AND name = ?");
  q.bind(1, user_).bind(2, s.name);
  if (q.step()) throw make_error(955);
  std::vector<int> cols = column_positions(*t, s.columns);
  for (int c : cols)
    if (t->columns[static_cast<size_t>(c)].type.is_lob())
      throw make_error(2327, {t->columns[static_cast<size_t>(c)].type.type_name()});
  for (const index_info& ix : t->indexes)
    if (ix.columns == cols) throw make_error(1408);
  std::string storage = "x" + std::to_string(t->id) + "_" + std::to_string(next_seq(db, "indexes"));
  try {
    db_.exec(std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " + storage + " ON " +
             t->storage() + "(" + column_list(*t, cols) + ")");
  } catch (const storage_error& e) {
    if ((e.code() & 0xFF) != SQLITE_CONSTRAINT) throw;
    throw make_error(1452);
  }
  sqlite_stmt ix(db,
                 "INSERT INTO indexes(owner, name, table_id, is_unique, generated, storage, seq) "
                 "VALUES (?, ?, ?, ?, 0, ?, ?)");
  ix.bind(1, user_)
      .bind(2, s.name)
      .bind(3, t->id)
      .bind(4, s.unique ? 1 : 0)
      .bind(5, storage)
      .bind(6, next_seq(db, "indexes"))
      .step();
  for (size_t i = 0; i < cols.size(); ++i) {
    sqlite_stmt ic(db,
                   "INSERT INTO ind_columns(owner, index_name, column_name, position, descend) "
                   "VALUES (?, ?, ?, ?, ?)");
    ic.bind(1, user_)
        .bind(2, s.name)
        .bind(3, t->columns[static_cast<size_t>(cols[i])].name)
        .bind(4, static_cast<int64_t>(i) + 1);
    ic.bind(5, s.descending[i] ? 1 : 0).step();
  }
}

void session::create_trigger(create_trigger_stmt& s, exec_result& r) {
  sqlite3* db = db_.get();
  table_info* t = catalog_.find_table(s.table);
  if (t == nullptr) throw make_error(942);
  sqlite_stmt q(db, "SELECT 1 FROM triggers WHERE owner = ? AND name = ?");
  q.bind(1, user_).bind(2, s.name);
  if (q.step()) {
    if (!s.or_replace) throw make_error(4081, {s.name});
    sqlite_stmt d(db, "DELETE FROM triggers WHERE owner = ? AND name = ?");
    d.bind(1, user_).bind(2, s.name).step();
  }
  // Compile: every name the body uses must exist.
  bool valid = s.body_error.empty() && s.for_each_row;
  if (valid) {
    std::vector<source> sources(1);
    sources[0].name = t->name;
    sources[0].table_id = t->id;
    sources[0].qualifiers = {"NEW", ":NEW"};
    for (const column_info& c : t->columns) {
      result_column rc;
      rc.name = c.name;
      rc.type = c.type;
      sources[0].columns.push_back(rc);
    }
    std::vector<std::string> sequences;
    try {
      if (s.when) resolve(*s.when, sources);
      for (trigger_assignment& a : s.actions) {
        resolve(*a.e, sources);
        if (t->find_column(a.column) < 0) throw make_error(904, {quoted(a.column)});
        collect_sequences(*a.e, sequences);
      }
    } catch (const oracle_error&) {
      valid = false;
    }
    for (const std::string& seq : sequences) {
      sqlite_stmt sq(db, "SELECT 1 FROM sequences WHERE owner = ? AND name = ?");
      sq.bind(1, user_).bind(2, seq);
      if (!sq.step()) valid = false;
    }
  }
  sqlite_stmt g(db,
                "INSERT INTO triggers(owner, name, table_id, timing, events, for_each_row, "
                "when_text, body, valid, source) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  g.bind(1, user_)
      .bind(2, s.name)
      .bind(3, t->id)
      .bind(4, s.timing)
      .bind(5, s.events)
      .bind(6, s.for_each_row ? 1 : 0);
  g.bind(7, s.when_text).bind(8, s.body).bind(9, valid ? 1 : 0).bind(10, s.source).step();
  r.compile_error = !valid;
}

void session::alter_add(alter_add_stmt& s) {
  table_info* t = catalog_.find_table(s.table);
  if (t == nullptr) throw make_error(942);
  std::string name = t->name;
  for (const column_def& c : s.columns) {
    t = catalog_.find_table(name);
    if (t->find_column(c.name) >= 0) throw make_error(1430);
    check_release(c.type, info_.version);
    bool empty = is_empty(db_.get(), *t);
    if (c.nullability == 2 && !c.default_expr && !empty) throw make_error(1758);
    int id = 0;
    for (const column_info& col : t->columns) id = std::max(id, col.id);
    ++id;
    add_column(*t, c, id);
    db_.exec("ALTER TABLE " + t->storage() + " ADD COLUMN c" + std::to_string(id));
    if (c.default_expr && !empty) {
      eval_context ctx;
      ctx.s = this;
      std::vector<source> none;
      ctx.sources = &none;
      value v = coerce_to_column(eval(*c.default_expr, ctx), c.type,
                                 quoted(user_) + "." + quoted(name) + "." + quoted(c.name));
      sqlite_stmt u(db_.get(), "UPDATE " + t->storage() + " SET c" + std::to_string(id) + " = ?");
      bind_stored(u, 1, v);
      u.step();
    }
    catalog_.clear();
  }
  for (const constraint_def& c : s.constraints) add_constraint(*catalog_.find_table(name), c);
}

void session::alter_modify(alter_modify_stmt& s) {
  sqlite3* db = db_.get();
  table_info* t = catalog_.find_table(s.table);
  if (t == nullptr) throw make_error(942);
  for (modify_item& m : s.items) {
    int ci = t->find_column(m.column);
    if (ci < 0) throw make_error(904, {quoted(m.column)});
    const column_info& c = t->columns[static_cast<size_t>(ci)];
    if (m.has_type) {
      check_release(m.type, info_.version);
      const column_type& a = c.type;
      const column_type& b = m.type;
      bool same = a.code == b.code && a.length == b.length &&
                  a.char_semantics == b.char_semantics && a.precision == b.precision &&
                  a.scale == b.scale;
      // A column holding only NULLs may take any type.
      sqlite_stmt filled(db, "SELECT 1 FROM " + t->storage() + " WHERE c" + std::to_string(c.id) +
                                 " IS NOT NULL LIMIT 1");
      bool has_values = filled.step();
      filled.reset();
      if (!same && has_values) {
        if (a.code != b.code) throw make_error(1439);
        if (b.length < a.length) {
          sqlite_stmt q(db,
                        "SELECT max(length(c" + std::to_string(c.id) + ")) FROM " + t->storage());
          if (q.step() && q.int64(0) > b.length) throw make_error(1441);
        }
        if (a.code == type_code::number) {
          bool widening = (b.precision < 0 && !b.has_scale()) ||
                          (a.precision >= 0 && b.precision >= 0 &&
                           b.precision - (b.has_scale() ? b.scale : 0) >=
                               a.precision - (a.has_scale() ? a.scale : 0) &&
                           (b.has_scale() ? b.scale : 0) >= (a.has_scale() ? a.scale : 0));
          if (!widening) throw make_error(1440);
        }
      }
      sqlite_stmt u(db,
                    "UPDATE columns SET code = ?, length = ?, char_sem = ?, precision = ?, scale = "
                    "? WHERE table_id = ? AND column_id = ?");
      u.bind(1, static_cast<int64_t>(b.code))
          .bind(2, b.length)
          .bind(3, b.char_semantics ? 1 : 0)
          .bind(4, b.precision)
          .bind(5, b.scale);
      u.bind(6, t->id).bind(7, c.id).step();
    }
    if (m.has_default) {
      if (m.default_expr) check_default(*m.default_expr);
      sqlite_stmt u(db, "UPDATE columns SET default_text = ? WHERE table_id = ? AND column_id = ?");
      u.bind(1, m.default_text).bind(2, t->id).bind(3, c.id).step();
    }
    if (m.nullability == 1) {
      if (c.nullable) throw make_error(1451);
      for (const constraint_info& k : t->constraints)
        if (k.type == 'P' && std::find(k.columns.begin(), k.columns.end(), ci) != k.columns.end())
          throw make_error(1451);
      set_nullable(db, *t, c, true);
      delete_not_null_constraint(db, *t, c.name);
    } else if (m.nullability == 2) {
      if (!c.nullable) throw make_error(1442);
      if (has_nulls(db, *t, c)) throw make_error(2296, {user_, "SYS_C"});
      set_nullable(db, *t, c, false);
      insert_not_null_constraint(db, catalog_, *t, c.name);
    }
  }
  catalog_.clear();
}

void session::drop(drop_stmt& s) {
  sqlite3* db = db_.get();
  auto run = [&](const std::string& sql, std::initializer_list<std::string> args) {
    sqlite_stmt q(db, sql);
    int i = 1;
    for (const std::string& a : args) q.bind(i++, a);
    q.step();
  };
  if (s.object == "TABLE") {
    table_info* t = catalog_.find_table(s.name);
    if (t == nullptr) throw make_error(942);
    std::string id = std::to_string(t->id);
    // Foreign keys of other tables that reference this one.
    sqlite_stmt refs(
        db,
        "SELECT c.name FROM constraints c WHERE c.type = 'R' AND c.owner = ? AND c.table_id <> ? "
        "AND c.r_name IN "
        "(SELECT name FROM constraints WHERE owner = ? AND table_id = ? AND type IN ('P','U'))");
    refs.bind(1, user_).bind(2, t->id).bind(3, user_).bind(4, t->id);
    std::vector<std::string> fks;
    while (refs.step()) fks.push_back(refs.text(0));
    if (!fks.empty() && !s.cascade) throw make_error(2449);
    for (const std::string& fk : fks) {
      run("DELETE FROM cons_columns WHERE owner = ? AND constraint_name = ?", {user_, fk});
      run("DELETE FROM constraints WHERE owner = ? AND name = ?", {user_, fk});
    }
    run("DELETE FROM cons_columns WHERE owner = ? AND constraint_name IN (SELECT name FROM "
        "constraints WHERE owner = ? AND table_id = " +
            id + ")",
        {user_, user_});
    run("DELETE FROM constraints WHERE owner = ? AND table_id = " + id, {user_});
    run("DELETE FROM ind_columns WHERE owner = ? AND index_name IN (SELECT name FROM indexes WHERE "
        "owner = ? AND table_id = " +
            id + ")",
        {user_, user_});
    run("DELETE FROM indexes WHERE owner = ? AND table_id = " + id, {user_});
    run("DELETE FROM triggers WHERE owner = ? AND table_id = " + id, {user_});
    run("DELETE FROM columns WHERE table_id = " + id, {});
    run("DELETE FROM objects WHERE id = " + id, {});
    db_.exec("DROP TABLE " + t->storage());
  } else if (s.object == "SEQUENCE") {
    sqlite_stmt q(db, "SELECT 1 FROM sequences WHERE owner = ? AND name = ?");
    q.bind(1, user_).bind(2, s.name);
    if (!q.step()) throw make_error(2289);
    run("DELETE FROM sequences WHERE owner = ? AND name = ?", {user_, s.name});
    run("DELETE FROM objects WHERE owner = ? AND name = ? AND type = 'SEQUENCE'", {user_, s.name});
    currval_.erase(s.name);
  } else if (s.object == "INDEX") {
    std::string storage;
    {
      // Both reads finish before the schema changes below.
      sqlite_stmt q(db, "SELECT storage FROM indexes WHERE owner = ? AND name = ?");
      q.bind(1, user_).bind(2, s.name);
      if (!q.step()) throw make_error(1418);
      storage = q.text(0);
      sqlite_stmt used(db, "SELECT 1 FROM constraints WHERE owner = ? AND index_name = ?");
      used.bind(1, user_).bind(2, s.name);
      if (used.step()) throw make_error(2429);
    }
    run("DELETE FROM ind_columns WHERE owner = ? AND index_name = ?", {user_, s.name});
    run("DELETE FROM indexes WHERE owner = ? AND name = ?", {user_, s.name});
    db_.exec("DROP INDEX " + storage);
  } else {
    sqlite_stmt q(db, "SELECT 1 FROM triggers WHERE owner = ? AND name = ?");
    q.bind(1, user_).bind(2, s.name);
    if (!q.step()) throw make_error(4080, {s.name});
    run("DELETE FROM triggers WHERE owner = ? AND name = ?", {user_, s.name});
  }
}

}  // namespace tsl::eora
