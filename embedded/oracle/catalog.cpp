#include "embedded/oracle/catalog.h"

#include <cstdio>

#include "embedded/oracle/date_format.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/parser.h"

namespace tsl::eora {

int table_info::find_column(const std::string& n) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == n) return static_cast<int>(i);
  return -1;
}

std::string table_info::column_path(int i) const {
  return quoted(owner) + "." + quoted(name) + "." + quoted(columns[static_cast<size_t>(i)].name);
}

void bind_stored(sqlite_stmt& s, int index, const value& v) {
  switch (v.kind) {
    case vkind::null:
      s.bind_null(index);
      break;
    case vkind::number:
      s.bind(index, v.num.to_string());
      break;
    case vkind::text:
      s.bind(index, v.str);
      break;
    case vkind::raw:
      s.bind_blob(index, v.str);
      break;
    case vkind::date: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.date.year, v.date.month,
                    v.date.day, v.date.hour, v.date.minute, v.date.second);
      s.bind(index, buf);
      break;
    }
    case vkind::lob:
      throw make_error(932, {"CHAR", "LOB"});
  }
}

void bind_stored_in_place(sqlite_stmt& s, int index, const value& v) {
  if (v.kind == vkind::text)
    s.bind_in_place(index, v.str);
  else if (v.kind == vkind::raw)
    s.bind_blob_in_place(index, v.str);
  else
    bind_stored(s, index, v);
}

value load_stored(sqlite_stmt& s, int col, const column_type& t) {
  if (s.is_null(col)) return value::null();
  switch (t.code) {
    case type_code::number:
    case type_code::float_:
    case type_code::binary_float:
    case type_code::binary_double: {
      auto d = decimal::parse(s.text(col));
      return value::number(d ? *d : decimal());
    }
    case type_code::date: {
      std::string text = s.text(col);
      date_time d;
      std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &d.year, &d.month, &d.day, &d.hour, &d.minute,
                  &d.second);
      return value::of_date(d);
    }
    case type_code::raw:
      return value::raw(s.text(col));
    case type_code::clob:
    case type_code::nclob:
    case type_code::blob: {
      // The caller turns this into a locator; the length tells emptiness.
      value v;
      v.kind = vkind::lob;
      v.lob.binary = t.code == type_code::blob;
      v.lob.national = t.code == type_code::nclob;
      return v;
    }
    default:
      return value::text(s.text(col));
  }
}

catalog::catalog(sqlite_conn& db, std::string owner)
    : db_(db),
      owner_(std::move(owner)),
      generation_stmt_(db.get(), "SELECT value FROM meta WHERE key = 'ddl_gen'") {}

void catalog::refresh() {
  generation_stmt_.reset();
  int64_t g = generation_stmt_.step() ? std::stoll(generation_stmt_.text(0)) : 0;
  generation_stmt_.reset();
  if (g != generation_) {
    clear();
    generation_ = g;
  }
}

void catalog::bump_generation() {
  db_.exec("UPDATE meta SET value = CAST(value AS INTEGER) + 1 WHERE key = 'ddl_gen'");
  clear();
  generation_ = -1;
}

std::string catalog::object_type(const std::string& name) {
  sqlite_stmt s(db_.get(), "SELECT type FROM objects WHERE owner = ? AND name = ?");
  s.bind(1, owner_).bind(2, name);
  return s.step() ? s.text(0) : std::string();
}

std::string catalog::next_system_name() {
  db_.exec("UPDATE meta SET value = CAST(value AS INTEGER) + 1 WHERE key = 'sys_c'");
  sqlite_stmt s(db_.get(), "SELECT value FROM meta WHERE key = 'sys_c'");
  s.step();
  char buf[32];
  std::snprintf(buf, sizeof buf, "SYS_C%07lld",
                static_cast<long long>(std::stoll(s.text(0)) + 7000));
  return buf;
}

int64_t catalog::next_object_id() {
  sqlite_stmt s(db_.get(), "SELECT COALESCE(MAX(id), 70000) + 1 FROM objects");
  s.step();
  return s.int64(0);
}

std::vector<std::string> catalog::table_names() {
  std::vector<std::string> out;
  sqlite_stmt s(db_.get(),
                "SELECT name FROM objects WHERE owner = ? AND type = 'TABLE' ORDER BY name");
  s.bind(1, owner_);
  while (s.step()) out.push_back(s.text(0));
  return out;
}

table_info* catalog::find_table(const std::string& name) {
  auto it = tables_.find(name);
  if (it != tables_.end()) return it->second.get();
  sqlite_stmt s(db_.get(),
                "SELECT id FROM objects WHERE owner = ? AND name = ? AND type = 'TABLE'");
  s.bind(1, owner_).bind(2, name);
  if (!s.step()) return nullptr;
  auto t = load(s.int64(0), name);
  table_info* raw = t.get();
  by_id_[raw->id] = raw;
  tables_[name] = std::move(t);
  return raw;
}

table_info* catalog::table_by_id(int64_t id) {
  auto it = by_id_.find(id);
  if (it != by_id_.end()) return it->second;
  sqlite_stmt s(db_.get(),
                "SELECT name FROM objects WHERE id = ? AND owner = ? AND type = 'TABLE'");
  s.bind(1, id).bind(2, owner_);
  if (!s.step()) return nullptr;
  return find_table(s.text(0));
}

std::unique_ptr<table_info> catalog::load(int64_t id, const std::string& name) {
  auto t = std::make_unique<table_info>();
  t->id = id;
  t->owner = owner_;
  t->name = name;
  sqlite_stmt c(
      db_.get(),
      "SELECT column_id, name, code, length, char_sem, precision, scale, nullable, default_text "
      "FROM columns WHERE table_id = ? ORDER BY column_id");
  c.bind(1, id);
  while (c.step()) {
    column_info col;
    col.id = static_cast<int>(c.int64(0));
    col.name = c.text(1);
    col.type.code = static_cast<type_code>(c.int64(2));
    col.type.length = static_cast<int>(c.int64(3));
    col.type.char_semantics = c.int64(4) != 0;
    col.type.precision = static_cast<int>(c.int64(5));
    col.type.scale = static_cast<int>(c.int64(6));
    col.nullable = c.int64(7) != 0;
    if (!c.is_null(8)) {
      col.default_text = c.text(8);
      col.default_expr = parse_expression(col.default_text, 128);
    }
    t->columns.push_back(std::move(col));
  }
  auto positions = [&](const char* sql, const std::string& key) {
    std::vector<int> out;
    sqlite_stmt s(db_.get(), sql);
    s.bind(1, owner_).bind(2, key);
    while (s.step()) out.push_back(t->find_column(s.text(0)));
    return out;
  };
  sqlite_stmt k(
      db_.get(),
      "SELECT name, type, r_owner, r_name, delete_rule, generated, index_name, search_condition "
      "FROM constraints WHERE owner = ? AND table_id = ? ORDER BY seq");
  k.bind(1, owner_).bind(2, id);
  while (k.step()) {
    constraint_info ci;
    ci.name = k.text(0);
    ci.type = k.text(1)[0];
    ci.r_owner = k.text(2);
    ci.r_name = k.text(3);
    ci.delete_rule = k.text(4);
    ci.generated = k.int64(5) != 0;
    ci.index_name = k.text(6);
    ci.search_condition = k.text(7);
    ci.columns = positions(
        "SELECT column_name FROM cons_columns WHERE owner = ? AND constraint_name = ? ORDER BY "
        "position",
        ci.name);
    if (ci.type == 'R') t->has_foreign_keys = true;
    t->constraints.push_back(std::move(ci));
  }
  sqlite_stmt x(db_.get(),
                "SELECT name, is_unique, generated, storage FROM indexes WHERE owner = ? AND "
                "table_id = ? ORDER BY seq");
  x.bind(1, owner_).bind(2, id);
  while (x.step()) {
    index_info ii;
    ii.name = x.text(0);
    ii.unique = x.int64(1) != 0;
    ii.generated = x.int64(2) != 0;
    ii.storage = x.text(3);
    sqlite_stmt ic(db_.get(),
                   "SELECT column_name, descend FROM ind_columns WHERE owner = ? AND index_name = "
                   "? ORDER BY position");
    ic.bind(1, owner_).bind(2, ii.name);
    while (ic.step()) {
      ii.columns.push_back(t->find_column(ic.text(0)));
      ii.descending.push_back(ic.int64(1) != 0);
    }
    t->indexes.push_back(std::move(ii));
  }
  sqlite_stmt g(
      db_.get(),
      "SELECT name, timing, events, for_each_row, when_text, body, valid, source FROM triggers "
      "WHERE owner = ? AND table_id = ? ORDER BY name");
  g.bind(1, owner_).bind(2, id);
  while (g.step()) {
    trigger_info ti;
    ti.name = g.text(0);
    ti.timing = g.text(1);
    ti.events = g.text(2);
    ti.for_each_row = g.int64(3) != 0;
    ti.when_text = g.text(4);
    ti.body = g.text(5);
    ti.valid = g.int64(6) != 0;
    if (ti.valid) {
      stmt_ptr parsed = parse_statement(g.text(7), 128);
      ti.compiled.reset(static_cast<create_trigger_stmt*>(parsed.release()));
      if (!ti.compiled->body_error.empty()) ti.valid = false;
    }
    t->triggers.push_back(std::move(ti));
  }
  std::string sql = "INSERT INTO " + t->storage() + "(";
  std::string marks;
  for (size_t i = 0; i < t->columns.size(); ++i) {
    sql += (i ? ", c" : "c") + std::to_string(t->columns[i].id);
    marks += i ? ", ?" : "?";
  }
  sql += ") VALUES (" + marks + ")";
  t->insert = std::make_unique<sqlite_stmt>(db_.get(), sql);
  return t;
}

}  // namespace tsl::eora
