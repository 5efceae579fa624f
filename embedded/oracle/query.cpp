// SELECT: sources are read into memory, joined by nested loops, filtered,
// grouped, projected and sorted.
#include <algorithm>
#include <functional>

#include "embedded/oracle/eval.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"
#include "embedded/oracle/views.h"

namespace tsl::eora {

namespace {

// ROWID = 'literal' (either side) picks one row without a scan.
bool rowid_filter(const expr* where, std::string& rowid) {
  if (where == nullptr || where->kind != expr_kind::binary) return false;
  if (where->op == "AND")
    return rowid_filter(where->args[0].get(), rowid) || rowid_filter(where->args[1].get(), rowid);
  if (where->op != "=") return false;
  const expr* a = where->args[0].get();
  const expr* b = where->args[1].get();
  if (a->kind != expr_kind::rowid) std::swap(a, b);
  if (a->kind != expr_kind::rowid || b->kind != expr_kind::literal ||
      b->literal.kind != vkind::text)
    return false;
  rowid = b->literal.str;
  return true;
}

void load_table(session& s, table_info& t, source& out, bool with_rows, const expr* where,
                bool single) {
  out.name = t.name;
  out.table_id = t.id;
  for (const column_info& c : t.columns) {
    result_column rc;
    rc.name = c.name;
    rc.type = c.type;
    rc.nullable = c.nullable;
    out.columns.push_back(rc);
  }
  if (!with_rows) return;
  std::string sql = "SELECT rowid";
  for (const column_info& c : t.columns) sql += ", c" + std::to_string(c.id);
  sql += " FROM " + t.storage();
  std::string rowid;
  int64_t object_id = 0, row_number = 0;
  bool one = single && rowid_filter(where, rowid);
  if (one) {
    session::parse_rowid(rowid, object_id, row_number);
    if (object_id != t.id) return;
    sql += " WHERE rowid = ?";
  } else {
    sql += " ORDER BY rowid";
  }
  sqlite_stmt q(s.storage().get(), sql);
  if (one) q.bind(1, row_number);
  while (q.step()) {
    int64_t rid = q.int64(0);
    row r;
    r.reserve(t.columns.size());
    for (size_t i = 0; i < t.columns.size(); ++i) {
      value v = load_stored(q, static_cast<int>(i) + 1, t.columns[i].type);
      if (v.kind == vkind::lob) {
        v.lob.table_id = t.id;
        v.lob.row = rid;
        v.lob.column = t.columns[i].id;
      }
      r.push_back(std::move(v));
    }
    out.rows.push_back(std::move(r));
    out.rowids.push_back(rid);
  }
}

}  // namespace

namespace {

struct query_plan {
  std::vector<source> sources;
  std::vector<result_column> columns;
  // Select-list entries: (source, column) for a star, else the expression.
  struct item {
    int source = -1, column = -1;
    const expr* e = nullptr;
  };
  std::vector<item> items;
};

void build_sources(session& s, select_stmt& q, bool with_rows, query_plan& plan);

void add_source(session& s, from_item& f, bool with_rows, const expr* where, bool single,
                query_plan& plan) {
  source src;
  if (f.subquery) {
    if (with_rows) {
      result_set rs = s.query(*f.subquery);
      src.columns = rs.columns;
      src.rows = std::move(rs.rows);
    } else {
      src.columns = s.describe(*f.subquery);
    }
  } else {
    std::string name = f.table;
    size_t dot = name.find('.');
    if (dot != std::string::npos) {
      // Another schema's objects are out of reach.
      if (name.substr(0, dot) != s.user()) throw make_error(942);
      name = name.substr(dot + 1);
    }
    table_info* t = s.dictionary().find_table(name);
    if (t != nullptr) {
      load_table(s, *t, src, with_rows, where, single);
    } else if (f.table_quoted || !dictionary_view(s, name, with_rows, src)) {
      throw make_error(942);
    }
    src.name = name;
  }
  src.alias = f.alias;
  plan.sources.push_back(std::move(src));
}

void build_sources(session& s, select_stmt& q, bool with_rows, query_plan& plan) {
  for (from_item& f : q.from) add_source(s, f, with_rows, q.where.get(), q.from.size() == 1, plan);
  for (select_item& it : q.items) {
    if (it.star) {
      bool found = false;
      for (size_t i = 0; i < plan.sources.size(); ++i) {
        const source& src = plan.sources[i];
        if (!it.star_qualifier.empty() &&
            it.star_qualifier != (src.alias.empty() ? src.name : src.alias))
          continue;
        found = true;
        for (size_t k = 0; k < src.columns.size(); ++k) {
          plan.items.push_back({static_cast<int>(i), static_cast<int>(k), nullptr});
          plan.columns.push_back(src.columns[k]);
        }
      }
      if (!found) throw make_error(904, {quoted(it.star_qualifier)});
      continue;
    }
    resolve(*it.e, plan.sources);
    result_column rc = describe_expr(*it.e, plan.sources);
    if (!it.alias.empty()) rc.name = it.alias;
    plan.items.push_back({-1, -1, it.e.get()});
    plan.columns.push_back(rc);
  }
  if (q.where) {
    resolve(*q.where, plan.sources);
    if (has_aggregate(*q.where)) throw make_error(934);
  }
  for (auto& g : q.group_by) resolve(*g, plan.sources);
}

bool uses_sequence(const expr& e) {
  if (e.kind == expr_kind::sequence) return true;
  for (const auto& a : e.args)
    if (uses_sequence(*a)) return true;
  return false;
}

bool uses_sequence(const select_stmt& q) {
  for (const select_item& it : q.items)
    if (it.e && uses_sequence(*it.e)) return true;
  return q.where && uses_sequence(*q.where);
}

// NULLs sort last ascending and first descending, as in Oracle.
int order_compare(const value& a, const value& b) {
  if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? 1 : -1);
  return compare_values(a, b);
}

// A read outside a transaction sees one consistent state of the database.
class read_snapshot {
 public:
  read_snapshot(sqlite_conn& db, bool needed) : db_(db), active_(needed) {
    if (active_) db_.exec("BEGIN");
  }
  ~read_snapshot() {
    if (active_) sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr);
  }

 private:
  sqlite_conn& db_;
  bool active_;
};

}  // namespace

std::vector<result_column> session::describe(select_stmt& q) {
  before_statement();
  query_plan plan;
  build_sources(*this, q, false, plan);
  return plan.columns;
}

result_set session::query(select_stmt& q) {
  // NEXTVAL writes the sequence, so the query runs in a write transaction.
  if (q.for_update || uses_sequence(q)) begin_write(false);
  before_statement();
  bool own_snapshot = !in_write_ && sqlite3_get_autocommit(db_.get());
  read_snapshot snapshot(db_, own_snapshot);
  query_plan plan;
  build_sources(*this, q, true, plan);
  const std::vector<source>& sources = plan.sources;

  // Join and filter.
  std::vector<joined> matches;
  joined cur;
  cur.rows.resize(sources.size());
  cur.rowids.resize(sources.size());
  eval_context ctx;
  ctx.s = this;
  ctx.sources = &sources;
  std::function<void(size_t)> walk = [&](size_t level) {
    if (level == sources.size()) {
      ctx.current = &cur;
      if (!q.where || truth(*q.where, ctx) == 1) matches.push_back(cur);
      return;
    }
    const source& src = sources[level];
    for (size_t i = 0; i < src.rows.size(); ++i) {
      cur.rows[level] = &src.rows[i];
      cur.rowids[level] = src.rowids.empty() ? 0 : src.rowids[i];
      walk(level + 1);
    }
  };
  walk(0);

  bool grouped = !q.group_by.empty();
  for (const select_item& it : q.items)
    if (it.e && has_aggregate(*it.e)) grouped = true;

  result_set out;
  out.columns = plan.columns;
  // Each output row keeps what ORDER BY needs: its group or its joined row.
  std::vector<std::vector<joined>> groups;
  std::vector<const joined*> singles;
  if (grouped) {
    for (const select_item& it : q.items)
      if (it.star) throw make_error(937);
    if (q.group_by.empty()) {
      groups.push_back(std::move(matches));
    } else {
      std::vector<std::vector<value>> keys;
      for (joined& j : matches) {
        ctx.current = &j;
        std::vector<value> key;
        for (auto& g : q.group_by) key.push_back(eval(*g, ctx));
        size_t k = 0;
        for (; k < keys.size(); ++k) {
          bool same = true;
          for (size_t i = 0; i < key.size() && same; ++i)
            same = order_compare(key[i], keys[k][i]) == 0;
          if (same) break;
        }
        if (k == keys.size()) {
          keys.push_back(key);
          groups.emplace_back();
        }
        groups[k].push_back(j);
      }
    }
    for (auto& g : groups) {
      eval_context gc = ctx;
      gc.current = nullptr;
      gc.group = &g;
      row r;
      for (auto& item : plan.items) r.push_back(eval(*item.e, gc));
      out.rows.push_back(std::move(r));
    }
  } else {
    for (const joined& j : matches) {
      ctx.current = &j;
      row r;
      r.reserve(plan.items.size());
      for (auto& item : plan.items)
        r.push_back(
            item.e ? eval(*item.e, ctx)
                   : (*j.rows[static_cast<size_t>(item.source)])[static_cast<size_t>(item.column)]);
      out.rows.push_back(std::move(r));
      singles.push_back(&j);
    }
  }

  if (!q.order_by.empty()) {
    // Keys per output row: a select-list position, a select-list alias, or an
    // expression over the row.
    std::vector<std::vector<value>> keys(out.rows.size());
    for (order_item& o : q.order_by) {
      int position = -1;
      if (o.e->kind == expr_kind::literal && o.e->literal.kind == vkind::number) {
        int64_t p = o.e->literal.num.to_int64();
        if (p < 1 || p > static_cast<int64_t>(out.columns.size())) throw make_error(1785);
        position = static_cast<int>(p - 1);
      } else if (o.e->kind == expr_kind::column && o.e->qualifier.empty()) {
        for (size_t i = 0; i < q.items.size(); ++i)
          if (!q.items[i].alias.empty() && q.items[i].alias == o.e->name)
            position = static_cast<int>(i);
      }
      if (position < 0) resolve(*o.e, sources);
      for (size_t r = 0; r < out.rows.size(); ++r) {
        if (position >= 0) {
          keys[r].push_back(out.rows[r][static_cast<size_t>(position)]);
          continue;
        }
        eval_context oc = ctx;
        if (grouped) {
          oc.current = nullptr;
          oc.group = &groups[r];
        } else {
          oc.current = singles[r];
        }
        keys[r].push_back(eval(*o.e, oc));
      }
    }
    std::vector<size_t> order(out.rows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      for (size_t k = 0; k < q.order_by.size(); ++k) {
        int c = order_compare(keys[a][k], keys[b][k]);
        if (c != 0) return q.order_by[k].desc ? c > 0 : c < 0;
      }
      return false;
    });
    std::vector<row> sorted;
    sorted.reserve(order.size());
    for (size_t i : order) sorted.push_back(std::move(out.rows[i]));
    out.rows = std::move(sorted);
  }
  if (q.distinct) {
    std::vector<row> unique;
    for (row& r : out.rows) {
      bool dup = false;
      for (const row& u : unique) {
        bool same = true;
        for (size_t i = 0; i < r.size() && same; ++i) same = order_compare(r[i], u[i]) == 0;
        if (same) {
          dup = true;
          break;
        }
      }
      if (!dup) unique.push_back(std::move(r));
    }
    out.rows = std::move(unique);
  }
  return out;
}

}  // namespace tsl::eora
