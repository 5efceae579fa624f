// INSERT, UPDATE and DELETE with Oracle's checks: types and lengths, NOT
// NULL, unique and foreign keys, and BEFORE ... FOR EACH ROW triggers.
#include <algorithm>

#include "embedded/oracle/eval.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"

namespace tsl::eora {

namespace {

// The one-source context a trigger's NEW row or a DEFAULT is evaluated in.
source row_source(const table_info& t) {
  source s;
  s.name = t.name;
  s.table_id = t.id;
  s.qualifiers = {"NEW", ":NEW"};
  for (const column_info& c : t.columns) {
    result_column rc;
    rc.name = c.name;
    rc.type = c.type;
    s.columns.push_back(rc);
  }
  return s;
}

std::string unquoted_name(const std::string& table) {
  size_t dot = table.find('.');
  return dot == std::string::npos ? table : table.substr(dot + 1);
}

}  // namespace

table_info& session::table_for_dml(const std::string& name) {
  size_t dot = name.find('.');
  if (dot != std::string::npos && name.substr(0, dot) != user_) throw make_error(942);
  table_info* t = catalog_.find_table(unquoted_name(name));
  if (t == nullptr) throw make_error(942);
  return *t;
}

void session::raise_unique(table_info& t, const std::string& message) {
  // SQLite names the columns: "UNIQUE constraint failed: t7.c1, t7.c2".
  std::vector<int> cols;
  size_t p = message.find(':');
  while (p != std::string::npos) {
    size_t c = message.find(".c", p);
    if (c == std::string::npos) break;
    int id = std::atoi(message.c_str() + c + 2);
    for (size_t i = 0; i < t.columns.size(); ++i)
      if (t.columns[i].id == id) cols.push_back(static_cast<int>(i));
    p = c + 2;
  }
  for (const index_info& ix : t.indexes) {
    if (!ix.unique) continue;
    std::vector<int> a = ix.columns, b = cols;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b) continue;
    // The error names the constraint the index enforces.
    for (const constraint_info& k : t.constraints)
      if ((k.type == 'P' || k.type == 'U') && k.index_name == ix.name)
        throw make_error(1, {t.owner, k.name});
    throw make_error(1, {t.owner, ix.name});
  }
  throw make_error(1, {t.owner, "UNKNOWN"});
}

void session::fire_before_triggers(table_info& t, const std::string& event,
                                   std::vector<value>& values) {
  for (const trigger_info& g : t.triggers) {
    if (g.timing != "BEFORE" || !g.for_each_row || g.events.find(event) == std::string::npos)
      continue;
    if (!g.valid) throw make_error(4098, {t.owner, g.name});
    std::vector<source> sources{row_source(t)};
    row current(values.begin(), values.end());
    joined j;
    j.rows = {&current};
    j.rowids = {0};
    eval_context c;
    c.s = this;
    c.sources = &sources;
    c.current = &j;
    create_trigger_stmt& body = *g.compiled;
    if (body.when) {
      resolve(*body.when, sources);
      if (truth(*body.when, c) != 1) continue;
    }
    for (trigger_assignment& a : body.actions) {
      resolve(*a.e, sources);
      int col = t.find_column(a.column);
      if (col < 0) throw make_error(4098, {t.owner, g.name});
      current[static_cast<size_t>(col)] = eval(*a.e, c);
    }
    values.assign(current.begin(), current.end());
  }
}

void session::check_row(table_info& t, std::vector<value>& values) {
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const column_info& c = t.columns[i];
    // The column's full name only serves the error: it is made when one is
    // raised, by coercing again.
    try {
      values[i] = coerce_to_column(values[i], c.type, std::string());
    } catch (const oracle_error&) {
      values[i] = coerce_to_column(values[i], c.type, t.column_path(static_cast<int>(i)));
    }
    if (!c.nullable && values[i].is_null())
      throw make_error(1400, {t.column_path(static_cast<int>(i))});
  }
}

void session::check_foreign_keys(table_info& t, const std::vector<value>& values) {
  for (const constraint_info& k : t.constraints) {
    if (k.type != 'R') continue;
    bool any_null = false;
    for (int c : k.columns) any_null = any_null || values[static_cast<size_t>(c)].is_null();
    if (any_null) continue;
    sqlite_stmt ref(db_.get(),
                    "SELECT o.name FROM constraints c JOIN objects o ON o.id = c.table_id WHERE "
                    "c.owner = ? AND c.name = ?");
    ref.bind(1, k.r_owner).bind(2, k.r_name);
    if (!ref.step()) continue;
    table_info* parent = catalog_.find_table(ref.text(0));
    if (parent == nullptr) continue;
    const constraint_info* pk = nullptr;
    for (const constraint_info& pc : parent->constraints)
      if (pc.name == k.r_name) pk = &pc;
    if (pk == nullptr) continue;
    std::string sql = "SELECT 1 FROM " + parent->storage() + " WHERE ";
    for (size_t i = 0; i < pk->columns.size(); ++i)
      sql += (i ? " AND c" : "c") +
             std::to_string(parent->columns[static_cast<size_t>(pk->columns[i])].id) + " = ?";
    sqlite_stmt q(db_.get(), sql);
    for (size_t i = 0; i < k.columns.size(); ++i)
      bind_stored(q, static_cast<int>(i) + 1, values[static_cast<size_t>(k.columns[i])]);
    if (!q.step()) throw make_error(2291, {t.owner, k.name});
  }
}

void session::check_partial_keys(table_info& t, const std::vector<value>& values, int64_t own_row) {
  // SQLite lets rows with a NULL anywhere in a unique key pass; Oracle
  // compares the other columns of such a key and lets only all-NULL keys pass.
  for (const index_info& ix : t.indexes) {
    if (!ix.unique || ix.columns.size() < 2) continue;
    size_t nulls = 0;
    for (int c : ix.columns) nulls += values[static_cast<size_t>(c)].is_null() ? 1 : 0;
    if (nulls == 0 || nulls == ix.columns.size()) continue;
    std::string sql = "SELECT 1 FROM " + t.storage() + " WHERE rowid <> ?";
    for (int c : ix.columns) {
      std::string col = "c" + std::to_string(t.columns[static_cast<size_t>(c)].id);
      sql += " AND " + col + (values[static_cast<size_t>(c)].is_null() ? " IS NULL" : " = ?");
    }
    sqlite_stmt q(db_.get(), sql + " LIMIT 1");
    q.bind(1, own_row);
    int k = 2;
    for (int c : ix.columns)
      if (!values[static_cast<size_t>(c)].is_null())
        bind_stored(q, k++, values[static_cast<size_t>(c)]);
    if (!q.step()) continue;
    for (const constraint_info& key : t.constraints)
      if ((key.type == 'P' || key.type == 'U') && key.index_name == ix.name)
        throw make_error(1, {t.owner, key.name});
    throw make_error(1, {t.owner, ix.name});
  }
}

void session::insert_row(table_info& t, std::vector<value>& values, exec_result& r) {
  if (!t.triggers.empty()) fire_before_triggers(t, "INSERT", values);
  check_row(t, values);
  if (t.has_foreign_keys) check_foreign_keys(t, values);
  check_partial_keys(t, values, 0);
  sqlite_stmt& s = *t.insert;
  // The statement is kept with the table: it must not point into these
  // values once this row is done, whatever happens.
  int rc;
  try {
    for (size_t i = 0; i < values.size(); ++i)
      bind_stored_in_place(s, static_cast<int>(i) + 1, values[i]);
    rc = s.try_step();
  } catch (const oracle_error&) {
    s.reset();
    throw;
  }
  if (rc != SQLITE_DONE) {
    std::string msg = sqlite3_errmsg(db_.get());
    s.reset();
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) raise_unique(t, msg);
    throw storage_error(rc, msg);
  }
  s.reset();
  int64_t rid = db_.last_rowid();
  r.rowid = rowid_text(t.id, rid);
  ++r.row_count;
}

exec_result session::run_insert(insert_stmt& s) {
  table_info& t = table_for_dml(s.table);
  exec_result r;
  // Columns named in the statement, or all of them.
  std::vector<int> targets;
  if (s.columns.empty()) {
    for (size_t i = 0; i < t.columns.size(); ++i) targets.push_back(static_cast<int>(i));
  } else {
    for (const std::string& n : s.columns) {
      int c = t.find_column(n);
      if (c < 0) throw make_error(904, {quoted(n)});
      if (std::find(targets.begin(), targets.end(), c) != targets.end()) throw make_error(957);
      targets.push_back(c);
    }
  }
  std::vector<source> no_sources;
  eval_context ctx;
  ctx.s = this;
  ctx.sources = &no_sources;
  auto fill_defaults = [&](std::vector<value>& values, std::vector<bool>& given) {
    for (size_t i = 0; i < t.columns.size(); ++i) {
      if (given[i] || !t.columns[i].default_expr) continue;
      values[i] = eval(*t.columns[i].default_expr, ctx);
    }
  };
  if (s.query) {
    result_set rs = query(*s.query);
    if (rs.columns.size() < targets.size()) throw make_error(947);
    if (rs.columns.size() > targets.size()) throw make_error(913);
    for (row& src : rs.rows) {
      std::vector<value> values(t.columns.size());
      std::vector<bool> given(t.columns.size(), false);
      for (size_t i = 0; i < targets.size(); ++i) {
        values[static_cast<size_t>(targets[i])] = std::move(src[i]);
        given[static_cast<size_t>(targets[i])] = true;
      }
      fill_defaults(values, given);
      insert_row(t, values, r);
    }
    return r;
  }
  if (s.values.size() < targets.size()) throw make_error(947);
  if (s.values.size() > targets.size()) throw make_error(913);
  std::vector<value> values(t.columns.size());
  std::vector<bool> given(t.columns.size(), false);
  for (size_t i = 0; i < targets.size(); ++i) {
    expr& e = *s.values[i];
    if (e.kind == expr_kind::column || e.kind == expr_kind::rowid) throw make_error(984);
    values[static_cast<size_t>(targets[i])] = eval(e, ctx);
    given[static_cast<size_t>(targets[i])] = true;
  }
  fill_defaults(values, given);
  insert_row(t, values, r);
  if (!s.returning.empty()) {
    r.into = s.into;
    for (auto& e : s.returning) {
      if (e->kind == expr_kind::rowid) {
        r.returning.push_back(value::text(r.rowid));
        continue;
      }
      // Other RETURNING expressions see the row as stored.
      std::vector<source> sources{row_source(t)};
      resolve(*e, sources);
      row stored(values.begin(), values.end());
      joined j;
      j.rows = {&stored};
      j.rowids = {0};
      eval_context rc = ctx;
      rc.sources = &sources;
      rc.current = &j;
      r.returning.push_back(eval(*e, rc));
    }
  }
  return r;
}

namespace {

// Reads the rows of a table that pass a condition.
void matching_rows(session& s, table_info& t, const std::string& alias, expr* where,
                   std::vector<int64_t>& ids, std::vector<row>& rows,
                   std::vector<source>& sources) {
  source src = row_source(t);
  src.qualifiers.clear();
  src.alias = alias;
  sources.push_back(std::move(src));
  if (where) resolve(*where, sources);
  std::string sql = "SELECT rowid";
  for (const column_info& c : t.columns) sql += ", c" + std::to_string(c.id);
  sql += " FROM " + t.storage() + " ORDER BY rowid";
  sqlite_stmt q(s.storage().get(), sql);
  eval_context ctx;
  ctx.s = &s;
  ctx.sources = &sources;
  while (q.step()) {
    row r;
    for (size_t i = 0; i < t.columns.size(); ++i) {
      value v = load_stored(q, static_cast<int>(i) + 1, t.columns[i].type);
      if (v.kind == vkind::lob) {
        v.lob.table_id = t.id;
        v.lob.row = q.int64(0);
        v.lob.column = t.columns[i].id;
      }
      r.push_back(std::move(v));
    }
    joined j;
    j.rows = {&r};
    j.rowids = {q.int64(0)};
    ctx.current = &j;
    if (where && truth(*where, ctx) != 1) continue;
    ids.push_back(q.int64(0));
    rows.push_back(std::move(r));
  }
}

}  // namespace

exec_result session::run_update(update_stmt& s) {
  table_info& t = table_for_dml(s.table);
  exec_result r;
  std::vector<int64_t> ids;
  std::vector<row> rows;
  std::vector<source> sources;
  matching_rows(*this, t, s.alias, s.where.get(), ids, rows, sources);
  std::vector<int> targets;
  for (auto& [name, e] : s.sets) {
    int c = t.find_column(name);
    if (c < 0) throw make_error(904, {quoted(name)});
    targets.push_back(c);
    resolve(*e, sources);
  }
  std::string sql = "UPDATE " + t.storage() + " SET ";
  for (size_t i = 0; i < targets.size(); ++i)
    sql +=
        (i ? ", c" : "c") + std::to_string(t.columns[static_cast<size_t>(targets[i])].id) + " = ?";
  sql += " WHERE rowid = ?";
  sqlite_stmt u(db_.get(), sql);
  eval_context ctx;
  ctx.s = this;
  ctx.sources = &sources;
  for (size_t k = 0; k < ids.size(); ++k) {
    joined j;
    j.rows = {&rows[k]};
    j.rowids = {ids[k]};
    ctx.current = &j;
    std::vector<value> fresh;
    for (size_t i = 0; i < targets.size(); ++i) fresh.push_back(eval(*s.sets[i].second, ctx));
    for (size_t i = 0; i < targets.size(); ++i) {
      size_t c = static_cast<size_t>(targets[i]);
      value v = coerce_to_column(fresh[i], t.columns[c].type, t.column_path(static_cast<int>(c)));
      if (!t.columns[c].nullable && v.is_null())
        throw make_error(1407, {t.column_path(static_cast<int>(c))});
      if (v.kind == vkind::lob) throw make_error(932, {"-", "LOB"});
      bind_stored(u, static_cast<int>(i) + 1, v);
      rows[k][c] = v;
    }
    if (t.has_foreign_keys) check_foreign_keys(t, rows[k]);
    check_partial_keys(t, rows[k], ids[k]);
    u.bind(static_cast<int>(targets.size()) + 1, ids[k]);
    int rc = u.try_step();
    if (rc != SQLITE_DONE) {
      std::string msg = sqlite3_errmsg(db_.get());
      u.reset();
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
        raise_unique(t, msg);
      throw storage_error(rc, msg);
    }
    u.reset();
    r.rowid = rowid_text(t.id, ids[k]);
    ++r.row_count;
  }
  return r;
}

exec_result session::run_delete(delete_stmt& s) {
  table_info& t = table_for_dml(s.table);
  exec_result r;
  std::vector<int64_t> ids;
  std::vector<row> rows;
  std::vector<source> sources;
  matching_rows(*this, t, s.alias, s.where.get(), ids, rows, sources);
  // Children of these rows: cascade, set null, or refuse.
  sqlite_stmt children(
      db_.get(),
      "SELECT c.name, o.name, c.delete_rule, c.r_name FROM constraints c JOIN objects o ON o.id = "
      "c.table_id "
      "WHERE c.type = 'R' AND c.r_owner = ? AND c.r_name IN "
      "(SELECT name FROM constraints WHERE owner = ? AND table_id = ? AND type IN ('P','U'))");
  children.bind(1, t.owner).bind(2, t.owner).bind(3, t.id);
  struct child {
    std::string name, table, rule, parent_key;
  };
  std::vector<child> kids;
  while (children.step())
    kids.push_back({children.text(0), children.text(1), children.text(2), children.text(3)});
  sqlite_stmt d(db_.get(), "DELETE FROM " + t.storage() + " WHERE rowid = ?");
  for (size_t k = 0; k < ids.size(); ++k) {
    for (const child& c : kids) {
      table_info* ct = catalog_.find_table(c.table);
      const constraint_info* fk = nullptr;
      const constraint_info* pk = nullptr;
      for (const constraint_info& x : ct->constraints)
        if (x.name == c.name) fk = &x;
      for (const constraint_info& x : t.constraints)
        if (x.name == c.parent_key) pk = &x;
      if (fk == nullptr || pk == nullptr) continue;
      std::string where;
      for (size_t i = 0; i < fk->columns.size(); ++i)
        where += (i ? " AND c" : "c") +
                 std::to_string(ct->columns[static_cast<size_t>(fk->columns[i])].id) + " = ?";
      std::string sql;
      if (c.rule == "CASCADE") {
        sql = "DELETE FROM " + ct->storage() + " WHERE " + where;
      } else if (c.rule == "SET NULL") {
        sql = "UPDATE " + ct->storage() + " SET ";
        for (size_t i = 0; i < fk->columns.size(); ++i)
          sql += (i ? ", c" : "c") +
                 std::to_string(ct->columns[static_cast<size_t>(fk->columns[i])].id) + " = NULL";
        sql += " WHERE " + where;
      } else {
        sql = "SELECT 1 FROM " + ct->storage() + " WHERE " + where;
      }
      sqlite_stmt q(db_.get(), sql);
      for (size_t i = 0; i < pk->columns.size(); ++i)
        bind_stored(q, static_cast<int>(i) + 1, rows[k][static_cast<size_t>(pk->columns[i])]);
      if (q.step() && c.rule.empty()) throw make_error(2292, {ct->owner, c.name});
    }
    d.bind(1, ids[k]).step();
    d.reset();
    r.rowid = rowid_text(t.id, ids[k]);
    ++r.row_count;
  }
  return r;
}

}  // namespace tsl::eora
