#include "embedded/mssql/database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>

#include "embedded/mssql/convert_style.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/parser.h"
#include "embedded/mssql/select_compiler.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql/statement_handle.h"
#include "embedded/mssql/storage_result.h"
#include "embedded/mssql/date_functions.h"
#include "embedded/mssql/text_functions.h"

namespace tsl::mssql {

namespace {

column_info make_column(const column_def& c, bool nullable) {
  column_info ci;
  ci.name = c.name;
  ci.type = c.type;
  ci.nullable = nullable;
  ci.identity = c.identity;
  ci.seed = c.seed;
  ci.increment = c.increment;
  ci.default_text = c.default_text;
  ci.default_name = c.default_name;
  ci.computed = c.computed;
  ci.persisted = c.persisted;
  return ci;
}

// A query of the table's rows that a kept condition or expression text
// reads against: "SELECT <text> FROM [schema].[table] [WHERE <where>]".
select_stmt parse_over(const table_info& t, const std::string& items, const std::string& where) {
  std::string sql = "SELECT " + items + " FROM " + quote_name(t.schema) + "." + quote_name(t.name);
  if (!where.empty()) sql += " WHERE " + where;
  auto st = parse_batch(sql);
  if (st.size() != 1 || !std::holds_alternative<select_stmt>(st.front()))
    throw err::syntax_near(items);
  return std::move(std::get<select_stmt>(st.front()));
}

bool has_subquery(const expr& e) {
  if (e.k == expr::kind::subquery || e.sub) return true;
  for (const auto& a : e.args)
    if (a && has_subquery(*a)) return true;
  return false;
}

// CHECK conditions and computed columns read their own row only.
void refuse_subquery(const expr& e) {
  if (has_subquery(e))
    throw err::generic(1046,
                       "Subqueries are not allowed in this context. Only scalar "
                       "expressions are allowed.",
                       15);
}

bool names_column(const expr& e, const std::string& column) {
  if (e.k == expr::kind::column && !e.names.empty() && iequals(e.names.back(), column)) return true;
  for (const auto& a : e.args)
    if (a && names_column(*a, column)) return true;
  return false;
}

}  // namespace
namespace {

std::string hex8(uint64_t v) {
  char b[20];
  std::snprintf(b, sizeof b, "%016llX", static_cast<unsigned long long>(v));
  return b;
}

// A name the server makes up for an unnamed constraint: PK__Orders__3213E83F7F60ED59.
std::string generated_name(const char* prefix, const std::string& table, const std::string& col,
                           int64_t id, size_t n) {
  std::string t = table.substr(0, 8);
  std::string s = std::string(prefix) + "__" + t + "__";
  if (!col.empty()) s = std::string(prefix) + "__" + t + "__" + col.substr(0, 5) + "__";
  return s + hex8(static_cast<uint64_t>(id) * 0x9E3779B97F4A7C15ull + n);
}

// A stored value as an SQL literal of the storage.
std::string literal_sql(const value& v) {
  static const char kHex[] = "0123456789ABCDEF";
  switch (v.k) {
    case value::kind::null:
      return "NULL";
    case value::kind::integer:
      return std::to_string(v.i);
    case value::kind::real: {
      char b[40];
      std::snprintf(b, sizeof b, "%.17g", v.r);
      return b;
    }
    case value::kind::blob: {
      std::string out = "X'";
      for (unsigned char c : v.s) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return out + "'";
    }
    default: {
      std::string out = "'";
      for (char c : v.s) {
        out += c;
        if (c == '\'') out += '\'';
      }
      return out + "'";
    }
  }
}

// A key column as unique indexes compare it: texts ignoring case and
// trailing blanks, and NULL as one value of its own (the server lets a
// unique key hold NULL once), which a sentinel of another storage class
// than the column's stands for.
std::string key_expression(const table_info& t, int column, const std::string& operand = "") {
  const std::string c = operand.empty() ? "c" + std::to_string(column + 1) : operand;
  const column_info& col = t.columns[static_cast<size_t>(column)];
  if (is_character(col.type.id))
    return col.nullable ? "coalesce(rtrim(" + c + ", ' '), X'FF') COLLATE NOCASE"
                        : "rtrim(" + c + ", ' ') COLLATE NOCASE";
  if (!col.nullable) return c;
  if (storage_of(col.type.id) == storage_class::blob) return "coalesce(" + c + ", 'NULL')";
  return "coalesce(" + c + ", X'FF')";
}

void bind_value(sqlite3_stmt* s, int i, const value& v) {
  switch (v.k) {
    case value::kind::null:
      sqlite3_bind_null(s, i);
      break;
    case value::kind::integer:
      sqlite3_bind_int64(s, i, v.i);
      break;
    case value::kind::real:
      sqlite3_bind_double(s, i, v.r);
      break;
    case value::kind::blob:
      sqlite3_bind_blob64(s, i, v.s.data(), v.s.size(), SQLITE_STATIC);
      break;
    default:
      sqlite3_bind_text64(s, i, v.s.data(), v.s.size(), SQLITE_STATIC, SQLITE_UTF8);
      break;
  }
}

// Integer types by width, for changes of a column that keep every value.
int integer_rank(type_id id) {
  switch (id) {
    case type_id::tinyint:
      return 1;
    case type_id::smallint:
      return 2;
    case type_id::int_:
      return 3;
    default:
      return 4;
  }
}

}  // namespace

database::database(std::string name, const std::string& path, bool create)
    : name_(std::move(name)), path_(path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (create) {
    // The rows are the owner's alone; the journal files take the database
    // file's mode.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::fchmod(fd, 0600);
      ::close(fd);
    }
  }
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw_storage_error(nullptr, rc);
  }
  try {
    open_storage();
  } catch (...) {
    // A file that is no database (or a damaged one) fails here: the
    // connection must not outlive the object that was never made.
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

void database::open_storage() {
  sqlite3_busy_timeout(db_, 5000);
  register_convert_function(db_);
  register_text_functions(db_);
  register_date_functions(db_);
  exec_sql(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  exec_sql(db_,
           "CREATE TABLE IF NOT EXISTS tsl_objects(id INTEGER PRIMARY KEY, ddl TEXT NOT NULL,"
           " identity_last INTEGER, identity_used INTEGER NOT NULL DEFAULT 0);"
           "CREATE TABLE IF NOT EXISTS tsl_schemas(name TEXT PRIMARY KEY);"
           "CREATE TABLE IF NOT EXISTS tsl_meta(key TEXT PRIMARY KEY, value);"
           "CREATE TABLE IF NOT EXISTS tsl_modules(schema TEXT NOT NULL, name TEXT NOT NULL,"
           " kind TEXT NOT NULL, body TEXT NOT NULL, PRIMARY KEY(schema, name));"
           "CREATE TABLE IF NOT EXISTS tsl_types(schema TEXT NOT NULL, name TEXT NOT NULL,"
           " base TEXT NOT NULL, nullable INTEGER NOT NULL, PRIMARY KEY(schema, name));");
  load();
}

database::~database() {
  sqlite3_close(db_);
}

bool database::has_schema(const std::string& schema) const {
  for (const auto& s : schemas_)
    if (iequals(s, schema)) return true;
  return false;
}

table_info* database::find_table(const std::string& schema, const std::string& name) const {
  for (const auto& t : tables_)
    if (iequals(t->schema, schema) && iequals(t->name, name)) return t.get();
  return nullptr;
}

void database::load() {
  schemas_ = {"dbo", "guest", "INFORMATION_SCHEMA", "sys"};
  {
    statement_handle s(db_, "SELECT schema, name, kind, body FROM tsl_modules ORDER BY rowid");
    auto text = [&](int i) {
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), i)));
    };
    while (s.step() == SQLITE_ROW)
      modules_.push_back(module_info{text(0), text(1), text(2), text(3)});
  }
  {
    statement_handle s(db_, "SELECT schema, name, base, nullable FROM tsl_types ORDER BY rowid");
    while (s.step() == SQLITE_ROW) {
      alias_type a;
      a.schema = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
      a.name = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1));
      auto st =
          parse_batch("CREATE TYPE t FROM " +
                      std::string(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 2))));
      a.base = std::get<create_type_stmt>(st.front()).base;
      a.nullable = sqlite3_column_int(s.get(), 3) != 0;
      types_.push_back(std::move(a));
    }
  }
  {
    statement_handle s(db_, "SELECT name FROM tsl_schemas ORDER BY rowid");
    while (s.step() == SQLITE_ROW)
      schemas_.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
  }
  statement_handle s(db_,
                     "SELECT id, ddl, identity_last, identity_used FROM tsl_objects ORDER BY id");
  while (s.step() == SQLITE_ROW) {
    int64_t id = sqlite3_column_int64(s.get(), 0);
    std::string ddl(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
    auto stmts = parse_batch(ddl);
    auto t = std::make_unique<table_info>();
    t->id = id;
    for (auto& st : stmts) {
      if (auto* ct = std::get_if<create_table_stmt>(&st)) {
        t->schema = ct->name.schema;
        t->name = ct->name.name;
        for (auto& c : ct->columns) {
          t->columns.push_back(make_column(c, c.nullable.value_or(true)));
          if (c.alias)
            resolve_alias(t->columns.back(), c, ct->name.schema,
                          static_cast<int>(t->columns.size()));
        }
        for (auto& k : ct->keys) {
          if (k.k == key_def::kind::foreign) {
            foreign_key_info fk{k.name,        {},          k.ref_table.schema, k.ref_table.name,
                                k.ref_columns, k.on_delete, k.on_update};
            for (auto& c : k.columns) fk.columns.push_back(c.name);
            t->foreign_keys.push_back(std::move(fk));
          } else if (k.k == key_def::kind::check) {
            t->checks.push_back(check_info{k.name, k.check_text});
          } else {
            t->indexes.push_back(index_info{k.name,
                                            k.k == key_def::kind::primary,
                                            true,
                                            k.clustered.value_or(false),
                                            true,
                                            k.columns,
                                            {},
                                            {}});
          }
        }
      } else if (auto* at = std::get_if<alter_table_stmt>(&st)) {
        for (auto& fk : t->foreign_keys)
          for (auto& n : at->names)
            if (iequals(fk.name, n)) fk.enabled = false;
        for (auto& ck : t->checks)
          for (auto& n : at->names)
            if (iequals(ck.name, n)) ck.enabled = false;
      } else if (auto* ci = std::get_if<create_index_stmt>(&st)) {
        t->indexes.push_back(index_info{ci->name, false, ci->unique, ci->clustered, false,
                                        ci->columns, ci->include, ci->filter});
      }
    }
    t->identity_last = sqlite3_column_int64(s.get(), 2);
    t->identity_used = sqlite3_column_int64(s.get(), 3) != 0;
    next_id_ = std::max(next_id_, id + 1);
    tables_.push_back(std::move(t));
  }
  for (auto& t : tables_)
    if (t->has_computed()) type_computed(*t);
}

void database::persist(const table_info& t) {
  statement_handle s(db_,
                     "INSERT OR REPLACE INTO tsl_objects(id, ddl, identity_last, identity_used)"
                     " VALUES(?, ?, ?, ?)");
  sqlite3_bind_int64(s.get(), 1, t.id);
  std::string ddl = t.script();
  sqlite3_bind_text(s.get(), 2, ddl.c_str(), static_cast<int>(ddl.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.get(), 3, t.identity_last);
  sqlite3_bind_int(s.get(), 4, t.identity_used ? 1 : 0);
  s.step();
}

void database::create_schema(const std::string& schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (has_schema(schema)) throw err::object_exists(schema);
  statement_handle s(db_, "INSERT INTO tsl_schemas(name) VALUES(?)");
  sqlite3_bind_text(s.get(), 1, schema.c_str(), -1, SQLITE_TRANSIENT);
  s.step();
  schemas_.push_back(schema);
}

const module_info* database::find_module(const std::string& schema, const std::string& name) const {
  for (const auto& m : modules_)
    if (iequals(m.schema, schema) && iequals(m.name, name)) return &m;
  return nullptr;
}

void database::create_module(const create_module_stmt& st, const std::string& default_schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  module_info m{st.name.schema.empty() ? default_schema : st.name.schema, st.name.name, st.kind,
                st.text};
  if (!has_schema(m.schema))
    throw err::generic(2760,
                       "The specified schema name \"" + m.schema +
                           "\" either does not exist or you do not have permission to use it.");
  const module_info* old = find_module(m.schema, m.name);
  if (!st.alter && (old || find_table(m.schema, m.name))) throw err::object_exists(m.name);
  if (st.alter && !st.or_alter && !old)
    throw err::generic(208, "Invalid object name '" + st.name.text() + "'.");
  if (old && old->kind != m.kind)
    throw err::generic(2714, "There is already an object named '" + m.name + "' in the database.");
  statement_handle s(
      db_, "INSERT OR REPLACE INTO tsl_modules(schema, name, kind, body) VALUES(?,?,?,?)");
  sqlite3_bind_text(s.get(), 1, m.schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 2, m.name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 3, m.kind.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 4, m.text.c_str(), -1, SQLITE_TRANSIENT);
  s.step();
  for (auto& existing : modules_)
    if (&existing == old) existing.text = m.text;
  if (!old) modules_.push_back(std::move(m));
}

bool database::drop_module(const std::string& kind, const object_name& name,
                           const std::string& default_schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string schema = name.schema.empty() ? default_schema : name.schema;
  const module_info* m = find_module(schema, name.name);
  if (!m || m->kind != kind) return false;
  statement_handle s(db_, "DELETE FROM tsl_modules WHERE schema = ? AND name = ?");
  sqlite3_bind_text(s.get(), 1, m->schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 2, m->name.c_str(), -1, SQLITE_TRANSIENT);
  s.step();
  modules_.erase(modules_.begin() + (m - modules_.data()));
  return true;
}

const alias_type* database::find_type(const std::string& schema, const std::string& name) const {
  for (const auto& a : types_)
    if (iequals(a.schema, schema) && iequals(a.name, name)) return &a;
  return nullptr;
}

void database::create_type(const create_type_stmt& st, const std::string& default_schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  alias_type a{st.name.schema.empty() ? default_schema : st.name.schema, st.name.name, st.base,
               st.nullable};
  if (!has_schema(a.schema))
    throw err::generic(2760,
                       "The specified schema name \"" + a.schema +
                           "\" either does not exist or you do not have permission to use it.");
  if (find_type(a.schema, a.name))
    throw err::generic(219, "The type '" + a.name +
                                "' already exists, or you do not have "
                                "permission to create it.");
  statement_handle s(db_, "INSERT INTO tsl_types(schema, name, base, nullable) VALUES(?,?,?,?)");
  const std::string base = declaration(a.base);
  sqlite3_bind_text(s.get(), 1, a.schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 2, a.name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 3, base.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(s.get(), 4, a.nullable ? 1 : 0);
  s.step();
  types_.push_back(std::move(a));
}

void database::resolve_alias(column_info& ci, const column_def& c,
                             const std::string& default_schema, int position) const {
  const alias_type* a =
      find_type(c.alias->schema.empty() ? default_schema : c.alias->schema, c.alias->name);
  if (!a && c.alias->schema.empty()) a = find_type("dbo", c.alias->name);
  if (!a) throw err::unknown_type(position, c.alias->name);
  ci.type = a->base;
  // The catalogue names the column's type as it was declared.
  ci.type.alias = a->name;
  ci.alias_schema = a->schema;
  ci.nullable = c.nullable.value_or(a->nullable && !c.identity);
}

bool database::drop_type(const object_name& name, const std::string& default_schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const alias_type* a = find_type(name.schema.empty() ? default_schema : name.schema, name.name);
  if (!a) return false;
  for (const auto& t : tables_)
    for (const auto& c : t->columns)
      if (iequals(c.alias_schema, a->schema) && iequals(c.type.alias, a->name))
        throw err::generic(3732, "Cannot drop type '" + a->name +
                                     "' because it is being referenced by object '" + t->name +
                                     "'. There may be other objects that reference this type.");
  statement_handle s(db_, "DELETE FROM tsl_types WHERE schema = ? AND name = ?");
  sqlite3_bind_text(s.get(), 1, a->schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s.get(), 2, a->name.c_str(), -1, SQLITE_TRANSIENT);
  s.step();
  types_.erase(types_.begin() + (a - types_.data()));
  return true;
}

bool database::drop_index(table_info& t, const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  table_info changed = t;
  auto ix = std::find_if(changed.indexes.begin(), changed.indexes.end(), [&](const index_info& i) {
    return !i.constraint && iequals(i.name, name);
  });
  if (ix == changed.indexes.end()) return false;
  changed.indexes.erase(ix);
  std::vector<std::string> sources;
  for (size_t i = 0; i < t.columns.size(); ++i) sources.push_back("c" + std::to_string(i + 1));
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    rebuild_storage(t, changed, sources);
    persist(changed);
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  t = std::move(changed);
  return true;
}

void database::create_storage(const table_info& t) {
  std::string sql = "CREATE TABLE " + t.storage_name() + "(";
  for (size_t i = 0; i < t.columns.size(); ++i) {
    if (i) sql += ",";
    sql += "c" + std::to_string(i + 1);
  }
  sql += ")";
  exec_sql(db_, sql);
  for (size_t i = 0; i < t.indexes.size(); ++i)
    if (t.indexes[i].unique) create_unique_index(t, t.indexes[i], i);
}

void database::create_unique_index(const table_info& t, const index_info& ix, size_t n) {
  std::string sql = "CREATE UNIQUE INDEX " + t.storage_name() + "_u" + std::to_string(n) + " ON " +
                    t.storage_name() + "(";
  for (size_t i = 0; i < ix.columns.size(); ++i) {
    if (i) sql += ",";
    sql += key_expression(t, t.find_column(ix.columns[i].name));
  }
  sql += ")";
  if (!ix.filter.empty()) {
    // A filtered index is unique among the rows its condition keeps: a
    // partial index over the storage columns.
    select_stmt q = parse_over(t, "1", ix.filter);
    compiled_select cs =
        compile_row_query(object_name{"", t.schema, t.name}, {}, q.where.get(), own_context(t));
    const size_t where = cs.sql.find(" WHERE ");
    std::string cond = where == std::string::npos ? "" : cs.sql.substr(where + 7);
    cond = std::regex_replace(cond, std::regex(R"(\bs[0-9]+\.k([0-9]+)\b)"), "c$1");
    if (cond.empty() || std::regex_search(cond, std::regex(R"(\bs[0-9]+\.)")))
      throw err::generic(40000, "This index filter is not supported by this server yet.");
    sql += " WHERE " + cond;
  }
  exec_sql(db_, sql);
}

void database::create_table(const create_table_stmt& st, const std::string& default_schema) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto t = std::make_unique<table_info>();
  t->schema = st.name.schema.empty() ? default_schema : st.name.schema;
  t->name = st.name.name;
  if (!has_schema(t->schema))
    throw err::generic(2760,
                       "The specified schema name \"" + t->schema +
                           "\" either does not exist or you do not have permission to use it.");
  if (find_table(t->schema, t->name)) throw err::object_exists(t->name);
  if (st.name.name.empty() || st.name.name[0] == '#')
    throw err::generic(2714, "Temporary tables are not supported by this server.");
  t->id = next_id_;
  int identities = 0;
  for (const auto& c : st.columns) {
    if (t->find_column(c.name) >= 0)
      throw err::generic(2705, "Column names in each table must be unique. Column name '" + c.name +
                                   "' in table '" + t->name + "' is specified more than once.");
    column_info ci = make_column(c, c.nullable.value_or(!c.identity && !c.computed));
    if (c.computed) ci.nullable = c.nullable.value_or(true);
    if (c.alias) resolve_alias(ci, c, default_schema, static_cast<int>(t->columns.size()) + 1);
    if (c.identity) {
      ++identities;
      if (!(is_integer(c.type.id) && c.type.id != type_id::bit) &&
          !((c.type.id == type_id::decimal || c.type.id == type_id::numeric) && c.type.scale == 0))
        throw err::generic(2749, "Identity column '" + c.name +
                                     "' must be of data type int, bigint, smallint, tinyint, or "
                                     "decimal or numeric with a scale of 0, and constrained to be "
                                     "nonnullable.");
      if (c.increment == 0)
        throw err::generic(2748,
                           "Cannot specify a zero increment for identity column '" + c.name + "'.");
    }
    if (c.type.id == type_id::timestamp) ci.nullable = false;
    if (ci.default_text && ci.default_name.empty())
      ci.default_name = generated_name("DF", t->name, c.name, t->id, t->columns.size());
    t->columns.push_back(std::move(ci));
  }
  if (identities > 1)
    throw err::generic(2744, "Multiple identity columns specified for table '" + t->name +
                                 "'. Only one identity column per table is allowed.");
  if (t->columns.empty()) throw err::syntax_near(")");
  bool has_clustered = false;
  size_t n = 0;
  for (const auto& k : st.keys) {
    ++n;
    for (const auto& c : k.columns)
      if (t->find_column(c.name) < 0)
        throw err::generic(
            1911, "Column name '" + c.name + "' does not exist in the target table or view.");
    if (k.k == key_def::kind::check) {
      refuse_subquery(*parse_over(*t, "1", k.check_text).where);
      t->checks.push_back(check_info{
          k.name.empty() ? generated_name("CK", t->name, "", t->id, n) : k.name, k.check_text});
      continue;
    }
    if (k.k == key_def::kind::fallback) throw err::syntax_near_keyword("FOR");
    if (k.k == key_def::kind::foreign) {
      t->foreign_keys.push_back(make_foreign_key(k, *t, n, default_schema, st.keys));
      continue;
    }
    index_info ix;
    ix.primary = k.k == key_def::kind::primary;
    ix.unique = true;
    ix.constraint = true;
    ix.columns = k.columns;
    if (ix.primary && t->primary_key())
      throw err::generic(8110,
                         "Cannot add multiple PRIMARY KEY constraints to table '" + t->name + "'.");
    ix.clustered = k.clustered.value_or(ix.primary && !has_clustered);
    if (ix.clustered) {
      if (has_clustered)
        throw err::generic(
            8112,
            "Cannot add more than one clustered index for constraints on table '" + t->name + "'.");
      has_clustered = true;
    }
    ix.name =
        k.name.empty() ? generated_name(ix.primary ? "PK" : "UQ", t->name, "", t->id, n) : k.name;
    if (ix.primary)
      for (auto& c : ix.columns) {
        auto& col = t->columns[static_cast<size_t>(t->find_column(c.name))];
        if (col.nullable &&
            st.columns[static_cast<size_t>(t->find_column(c.name))].nullable.value_or(false))
          throw err::generic(
              8111, "Cannot define PRIMARY KEY constraint on nullable column in table '" + t->name +
                        "'.");
        col.nullable = false;
      }
    t->indexes.push_back(std::move(ix));
  }
  if (t->has_computed()) {
    // The expressions are typed against the table itself, so it is listed
    // while they are compiled.
    tables_.push_back(std::move(t));
    try {
      type_computed(*tables_.back());
    } catch (...) {
      tables_.pop_back();
      throw;
    }
    t = std::move(tables_.back());
    tables_.pop_back();
  }
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    create_storage(*t);
    persist(*t);
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  next_id_ = t->id + 1;
  tables_.push_back(std::move(t));
}

foreign_key_info database::make_foreign_key(const key_def& k, const table_info& t, size_t n,
                                            const std::string& default_schema,
                                            const std::vector<key_def>& same_statement) const {
  foreign_key_info fk;
  fk.name = k.name.empty() ? generated_name("FK", t.name, k.ref_table.name, t.id, n) : k.name;
  for (auto& c : k.columns) fk.columns.push_back(c.name);
  fk.ref_schema = k.ref_table.schema.empty() ? default_schema : k.ref_table.schema;
  fk.ref_table = k.ref_table.name;
  const table_info* ref = iequals(fk.ref_schema, t.schema) && iequals(fk.ref_table, t.name)
                              ? &t
                              : find_table(fk.ref_schema, fk.ref_table);
  if (!ref)
    throw err::generic(1767, "Foreign key '" + fk.name + "' references invalid table '" +
                                 k.ref_table.text() + "'.");
  fk.ref_table = ref->name;
  fk.ref_schema = ref->schema;
  fk.ref_columns = k.ref_columns;
  if (fk.ref_columns.empty()) {
    const index_info* pk = ref == &t ? nullptr : ref->primary_key();
    if (ref == &t)
      for (const auto& ix : same_statement)
        if (ix.k == key_def::kind::primary)
          for (auto& c : ix.columns) fk.ref_columns.push_back(c.name);
    if (pk)
      for (auto& c : pk->columns) fk.ref_columns.push_back(c.name);
  }
  if (fk.ref_columns.size() != fk.columns.size())
    throw err::generic(8139,
                       "Number of referencing columns in foreign key differs from number "
                       "of referenced columns, table '" +
                           t.name + "'.");
  for (auto& rc : fk.ref_columns)
    if (ref->find_column(rc) < 0)
      throw err::generic(1770, "Foreign key '" + fk.name + "' references invalid column '" + rc +
                                   "' in referenced table '" + ref->name + "'.");
  fk.on_delete = k.on_delete;
  fk.on_update = k.on_update;
  return fk;
}

void database::create_index(const create_index_stmt& st, table_info& t) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (const auto& ix : t.indexes)
    if (iequals(ix.name, st.name))
      throw err::generic(1913, "The operation failed because an index or statistics with name '" +
                                   st.name + "' already exists on table '" + t.qualified() + "'.");
  for (const auto& c : st.columns)
    if (t.find_column(c.name) < 0)
      throw err::generic(
          1911, "Column name '" + c.name + "' does not exist in the target table or view.");
  if (st.clustered)
    for (const auto& ix : t.indexes)
      if (ix.clustered)
        throw err::generic(1902, "Cannot create more than one clustered index on table '" +
                                     t.qualified() + "'. Drop the existing clustered index '" +
                                     ix.name + "' before creating another.");
  for (const auto& c : st.include)
    if (t.find_column(c) < 0)
      throw err::generic(1911,
                         "Column name '" + c + "' does not exist in the target table or view.");
  index_info ix{st.name, false, st.unique, st.clustered, false, st.columns, st.include, st.filter};
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    if (ix.unique) {
      try {
        create_unique_index(t, ix, t.indexes.size());
      } catch (const sql_error&) {
        throw err::generic(1505,
                           "The CREATE UNIQUE INDEX statement terminated because a duplicate "
                           "key was found for the object name '" +
                               t.qualified() + "' and the index name '" + st.name + "'.");
      }
    }
    t.indexes.push_back(ix);
    persist(t);
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!t.indexes.empty() && t.indexes.back().name == st.name) t.indexes.pop_back();
    throw;
  }
}

void database::drop_table(table_info& t) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (const auto& other : tables_)
    for (const auto& fk : other->foreign_keys)
      if (other.get() != &t && iequals(fk.ref_schema, t.schema) && iequals(fk.ref_table, t.name))
        throw err::generic(3726, "Could not drop object '" + t.qualified() +
                                     "' because it is referenced by a FOREIGN KEY constraint.");
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    exec_sql(db_, "DROP TABLE " + t.storage_name());
    exec_sql(db_, "DELETE FROM tsl_objects WHERE id = " + std::to_string(t.id));
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  tables_.erase(
      std::remove_if(tables_.begin(), tables_.end(), [&](const auto& p) { return p.get() == &t; }),
      tables_.end());
}

void database::throw_duplicate(const table_info& t, const std::vector<value>& row) {
  // Find which unique index the row breaks to name it as the server would.
  for (const auto& ix : t.indexes) {
    if (!ix.unique) continue;
    std::string sql = "SELECT 1 FROM " + t.storage_name() + " WHERE ";
    std::vector<const value*> keys;
    for (size_t i = 0; i < ix.columns.size(); ++i) {
      if (i) sql += " AND ";
      int c = t.find_column(ix.columns[i].name);
      sql += key_expression(t, c) + " IS " + key_expression(t, c, "?");
      keys.push_back(&row[static_cast<size_t>(c)]);
    }
    statement_handle s(db_, sql);
    for (size_t i = 0; i < keys.size(); ++i) bind_value(s.get(), static_cast<int>(i + 1), *keys[i]);
    if (s.step() != SQLITE_ROW) continue;
    std::string key;
    for (size_t i = 0; i < keys.size(); ++i) {
      if (i) key += ", ";
      key +=
          keys[i]->is_null()
              ? "<NULL>"
              : text_form(*keys[i],
                          t.columns[static_cast<size_t>(t.find_column(ix.columns[i].name))].type);
    }
    if (ix.constraint)
      throw err::duplicate_key(ix.primary ? "PRIMARY KEY" : "UNIQUE KEY", ix.name, t.qualified(),
                               key);
    throw sql_error(err::kIntegrity,
                    error_record{2601, 14, 1, "23000",
                                 "Cannot insert duplicate key row in object '" + t.qualified() +
                                     "' with unique index '" + ix.name +
                                     "'. The duplicate key value is (" + key + ")."});
  }
  throw err::generic(2627, "Violation of a unique constraint in object '" + t.qualified() + "'.",
                     14, "23000");
}

void database::insert_rows(table_info& t, std::vector<std::vector<value>>& rows) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string sql = "INSERT INTO " + t.storage_name() + " VALUES(";
  for (size_t i = 0; i < t.columns.size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    statement_handle s(db_, sql);
    for (auto& row : rows) {
      sqlite3_reset(s.get());
      for (size_t i = 0; i < row.size(); ++i) bind_value(s.get(), static_cast<int>(i + 1), row[i]);
      int rc = sqlite3_step(s.get());
      if (rc == SQLITE_CONSTRAINT) {
        sqlite3_reset(s.get());
        throw_duplicate(t, row);
      }
      if (rc != SQLITE_DONE) throw_storage_error(db_, rc);
    }
    s = statement_handle();
    if (!rows.empty() && (t.has_computed() || !t.checks.empty())) {
      const std::string added = "SELECT rowid FROM " + t.storage_name() +
                                " ORDER BY rowid DESC LIMIT " + std::to_string(rows.size());
      compute_columns(t, added);
      check_conditions(t, "INSERT", added);
    }
    if (!t.foreign_keys.empty() && !rows.empty())
      check_references(t, "INSERT",
                       "SELECT rowid FROM " + t.storage_name() + " ORDER BY rowid DESC LIMIT " +
                           std::to_string(rows.size()));
    persist(t);
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

namespace {

// "child.f1 = parent.k1 AND ...", comparing texts as the default collation does.
std::string key_match(const table_info& child, const foreign_key_info& fk, const table_info& parent,
                      const std::string& child_alias, const std::string& parent_alias) {
  std::string sql;
  for (size_t i = 0; i < fk.columns.size(); ++i) {
    const int c = child.find_column(fk.columns[i]);
    const int p = parent.find_column(fk.ref_columns[i]);
    if (i) sql += " AND ";
    sql += child_alias + ".c" + std::to_string(c + 1) + " = " + parent_alias + ".c" +
           std::to_string(p + 1);
    if (is_character(child.columns[static_cast<size_t>(c)].type.id)) sql += " COLLATE NOCASE";
  }
  return sql;
}

sql_error fk_conflict(const char* statement, const char* kind, const std::string& name,
                      const std::string& db, const table_info& other, const std::string& column) {
  return sql_error(
      err::kIntegrity,
      error_record{547, 16, 0, "23000",
                   std::string("The ") + statement + " statement conflicted with the " + kind +
                       " constraint \"" + name + "\". The conflict occurred in database \"" + db +
                       "\", table \"" + other.qualified() + "\", column '" + column + "'."});
}

}  // namespace

compile_context database::own_context(const table_info& t) {
  compile_context ctx;
  ctx.db = this;
  ctx.default_schema = t.schema;
  return ctx;
}

void database::type_computed(table_info& t) {
  for (auto& c : t.columns) {
    if (!c.computed) continue;
    select_stmt q = parse_over(t, *c.computed, "");
    refuse_subquery(*q.items.front().e);
    for (const auto& other : t.columns)
      if (other.computed && names_column(*q.items.front().e, other.name))
        throw err::generic(1759, "Computed column '" + c.name + "' in table '" + t.name +
                                     "' is not allowed to be used in another computed-column "
                                     "definition.");
    compiled_select cs = compile_select(q, own_context(t));
    c.type = cs.columns.front().type;
    // A bare NULL or an untyped literal still needs a type to store.
    if (cs.columns.front().null_literal) c.type = make_type("int", {}, 1);
  }
}

const compiled_select& database::rule_query(const table_info& t, const std::string& text,
                                            const std::function<compiled_select()>& build) {
  // The storage SQL depends on the table's columns, their order and types.
  std::string key = std::to_string(t.id) + "\n" + text;
  for (const auto& c : t.columns) {
    key += "\n" + c.name + " " + declaration(c.type);
    if (c.computed) key += " AS " + *c.computed;
  }
  auto it = rule_queries_.find(key);
  if (it == rule_queries_.end()) it = rule_queries_.emplace(key, build()).first;
  return it->second;
}

void database::compute_columns(table_info& t, const std::string& changed_rows) {
  std::vector<int> targets;
  std::vector<select_stmt> queries;
  std::vector<const expr*> exprs;
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (t.columns[i].computed) {
      targets.push_back(static_cast<int>(i));
      queries.push_back(parse_over(t, *t.columns[i].computed, ""));
    }
  // Parsed each time (cheap), compiled once per shape of the table.
  if (targets.empty()) return;
  const compiled_select& q = rule_query(t, "", [&]() {
    for (const auto& one : queries) exprs.push_back(one.items.front().e.get());
    return compile_row_query(object_name{"", t.schema, t.name}, exprs, nullptr, own_context(t));
  });
  std::vector<std::pair<int64_t, std::vector<value>>> rows;
  {
    storage_result r(*this, "SELECT * FROM (" + q.sql + ") WHERE rid IN (" + changed_rows + ")",
                     q.columns);
    std::vector<value> row;
    while (r.next(row)) {
      std::vector<value> vals;
      for (size_t i = 0; i < targets.size(); ++i) {
        const column_info& col = t.columns[static_cast<size_t>(targets[i])];
        const sql_type& from = q.columns[i + 1].type;
        value v = row[i + 1];
        if (!v.is_null() && (from.id == type_id::money || from.id == type_id::smallmoney))
          v = value::of_number(text_form(v, from));
        v = convert_to(v, col.type, is_unicode(from.id));
        if (v.is_null() && !col.nullable)
          throw err::generic(515,
                             "Cannot insert the value NULL into column '" + col.name +
                                 "', table '" + name_ + "." + t.qualified() +
                                 "'; column does not allow nulls. INSERT fails.",
                             16, "23000");
        vals.push_back(std::move(v));
      }
      rows.emplace_back(row[0].i, std::move(vals));
    }
  }
  std::string sql = "UPDATE " + t.storage_name() + " SET ";
  for (size_t i = 0; i < targets.size(); ++i)
    sql += (i ? ", c" : "c") + std::to_string(targets[i] + 1) + " = ?";
  statement_handle s(db_, sql + " WHERE rowid = ?");
  for (auto& [rid, vals] : rows) {
    sqlite3_reset(s.get());
    for (size_t i = 0; i < vals.size(); ++i) bind_value(s.get(), static_cast<int>(i + 1), vals[i]);
    sqlite3_bind_int64(s.get(), static_cast<int>(vals.size() + 1), rid);
    int rc = sqlite3_step(s.get());
    if (rc == SQLITE_CONSTRAINT) {
      sqlite3_reset(s.get());
      std::vector<value> full(t.columns.size());
      for (size_t i = 0; i < targets.size(); ++i) full[static_cast<size_t>(targets[i])] = vals[i];
      throw_duplicate(t, full);
    }
    if (rc != SQLITE_DONE) throw_storage_error(db_, rc);
  }
}

void database::check_conditions(const table_info& t, const char* statement,
                                const std::string& changed_rows, const std::string& only) {
  for (const auto& ck : t.checks) {
    if (only.empty() ? !ck.enabled : !iequals(ck.name, only)) continue;
    // A row is refused only when its condition is false; unknown passes.
    select_stmt q = parse_over(t, "1", "NOT " + ck.text);
    const compiled_select& cs = rule_query(t, ck.text, [&]() {
      return compile_row_query(object_name{"", t.schema, t.name}, {}, q.where.get(),
                               own_context(t));
    });
    std::string sql = "SELECT 1 FROM (" + cs.sql + ")";
    if (!changed_rows.empty()) sql += " WHERE rid IN (" + changed_rows + ")";
    statement_handle s(db_, sql + " LIMIT 1");
    if (s.step() != SQLITE_ROW) continue;
    std::string column;
    int named = 0;
    for (const auto& c : t.columns)
      if (names_column(*q.where, c.name)) {
        column = c.name;
        ++named;
      }
    std::string text = std::string("The ") + statement +
                       " statement conflicted with the CHECK constraint \"" + ck.name +
                       "\". The conflict occurred in database \"" + name_ + "\", table \"" +
                       t.qualified() + "\"";
    text += named == 1 ? ", column '" + column + "'." : ".";
    throw sql_error(err::kIntegrity, error_record{547, 16, 0, "23000", text});
  }
}

void database::check_references(const table_info& t, const char* statement,
                                const std::string& changed_rows) {
  for (const auto& fk : t.foreign_keys) {
    const table_info* parent = find_table(fk.ref_schema, fk.ref_table);
    if (!parent || !fk.enabled) continue;
    std::string sql =
        "SELECT 1 FROM " + t.storage_name() + " AS ch WHERE ch.rowid IN (" + changed_rows + ")";
    for (const auto& c : fk.columns)
      sql += " AND ch.c" + std::to_string(t.find_column(c) + 1) + " IS NOT NULL";
    sql += " AND NOT EXISTS (SELECT 1 FROM " + parent->storage_name() + " AS pa WHERE " +
           key_match(t, fk, *parent, "ch", "pa") + ") LIMIT 1";
    statement_handle s(db_, sql);
    if (s.step() == SQLITE_ROW)
      throw fk_conflict(statement, "FOREIGN KEY", fk.name, name_, *parent, fk.ref_columns.front());
  }
}

void database::delete_cascade(table_info& t, const std::string& id_query, int depth) {
  if (depth > 32)
    throw err::generic(217,
                       "Maximum stored procedure, function, trigger, or view nesting level "
                       "exceeded (limit 32).");
  for (const auto& child : tables_) {
    for (const auto& fk : child->foreign_keys) {
      if (!iequals(fk.ref_schema, t.schema) || !iequals(fk.ref_table, t.name)) continue;
      // The child rows that point at a deleted row.
      std::string rows = "SELECT ch.rowid FROM " + child->storage_name() + " AS ch WHERE EXISTS (" +
                         "SELECT 1 FROM " + t.storage_name() + " AS pa WHERE pa.rowid IN (" +
                         id_query + ") AND " + key_match(*child, fk, t, "ch", "pa") + ")";
      if (child.get() == &t) rows += " AND ch.rowid NOT IN (" + id_query + ")";
      switch (fk.on_delete) {
        case fk_rule::no_action: {
          statement_handle s(db_, rows + " LIMIT 1");
          if (s.step() == SQLITE_ROW)
            throw fk_conflict("DELETE", "REFERENCE", fk.name, name_, *child, fk.columns.front());
          break;
        }
        case fk_rule::cascade:
          delete_cascade(*child, rows, depth + 1);
          break;
        case fk_rule::set_null:
        case fk_rule::set_default: {
          std::string sql = "UPDATE " + child->storage_name() + " SET ";
          for (size_t i = 0; i < fk.columns.size(); ++i) {
            const int c = child->find_column(fk.columns[i]);
            const column_info& col = child->columns[static_cast<size_t>(c)];
            value v;
            if (fk.on_delete == fk_rule::set_default && col.default_text) {
              auto stmts = parse_batch("SELECT " + *col.default_text);
              bool unicode = false;
              v = convert_to(
                  evaluate_constant(*std::get<select_stmt>(stmts.front()).items.front().e,
                                    compile_context{}, &unicode),
                  col.type, unicode);
            }
            if (v.is_null() && !col.nullable)
              throw err::null_not_allowed(col.name, name_ + "." + child->qualified());
            sql += (i ? ", c" : "c") + std::to_string(c + 1) + " = " + literal_sql(v);
          }
          exec_sql(db_, sql + " WHERE rowid IN (" + rows + ")");
          break;
        }
      }
    }
  }
  exec_sql(db_, "DELETE FROM " + t.storage_name() + " WHERE rowid IN (" + id_query + ")");
}

int64_t database::delete_rows(table_info& t, const std::string& id_query) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    // Remember the rows first: cascades change what the query would find.
    exec_sql(db_, "CREATE TEMP TABLE IF NOT EXISTS tsl_doomed(id INTEGER PRIMARY KEY)");
    exec_sql(db_, "DELETE FROM tsl_doomed");
    exec_sql(db_, "INSERT INTO tsl_doomed " + id_query);
    statement_handle count(db_, "SELECT count(*) FROM tsl_doomed");
    count.step();
    const int64_t n = sqlite3_column_int64(count.get(), 0);
    count = statement_handle();
    std::string doomed = "SELECT id FROM temp.tsl_doomed";
    delete_cascade(t, doomed, 0);
    exec_sql(db_, "COMMIT");
    return n;
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void database::update_rows(table_info& t, const std::vector<int>& targets,
                           std::vector<std::pair<int64_t, std::vector<value>>>& rows) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string sql = "UPDATE " + t.storage_name() + " SET ";
  for (size_t i = 0; i < targets.size(); ++i)
    sql += (i ? ", c" : "c") + std::to_string(targets[i] + 1) + " = ?";
  sql += " WHERE rowid = ?";
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    statement_handle s(db_, sql);
    for (auto& [rid, vals] : rows) {
      sqlite3_reset(s.get());
      for (size_t i = 0; i < vals.size(); ++i)
        bind_value(s.get(), static_cast<int>(i + 1), vals[i]);
      sqlite3_bind_int64(s.get(), static_cast<int>(vals.size() + 1), rid);
      int rc = sqlite3_step(s.get());
      if (rc == SQLITE_CONSTRAINT) {
        sqlite3_reset(s.get());
        // Name the broken key from the row as it would have become.
        std::vector<value> full(t.columns.size());
        statement_handle cur(
            db_, "SELECT * FROM " + t.storage_name() + " WHERE rowid = " + std::to_string(rid));
        if (cur.step() == SQLITE_ROW)
          for (size_t c = 0; c < full.size(); ++c) {
            sqlite3_stmt* st = cur.get();
            int type = sqlite3_column_type(st, static_cast<int>(c));
            if (type == SQLITE_INTEGER)
              full[c] = value::of_int(sqlite3_column_int64(st, static_cast<int>(c)));
            else if (type == SQLITE_FLOAT)
              full[c] = value::of_real(sqlite3_column_double(st, static_cast<int>(c)));
            else if (type == SQLITE_TEXT)
              full[c] = value::of_text(
                  reinterpret_cast<const char*>(sqlite3_column_text(st, static_cast<int>(c))));
            else if (type == SQLITE_BLOB)
              full[c] = value::of_blob(std::string(
                  static_cast<const char*>(sqlite3_column_blob(st, static_cast<int>(c))),
                  static_cast<size_t>(sqlite3_column_bytes(st, static_cast<int>(c)))));
          }
        for (size_t i = 0; i < targets.size(); ++i) full[static_cast<size_t>(targets[i])] = vals[i];
        throw_duplicate(t, full);
      }
      if (rc != SQLITE_DONE) throw_storage_error(db_, rc);
    }
    s = statement_handle();
    if (!rows.empty() && (!t.foreign_keys.empty() || t.has_computed() || !t.checks.empty())) {
      std::string ids;
      for (size_t i = 0; i < rows.size(); ++i)
        ids += (i ? "," : "") + std::to_string(rows[i].first);
      compute_columns(t, ids);
      check_conditions(t, "UPDATE", ids);
      check_references(t, "UPDATE", ids);
    }
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void database::save_identity(const table_info& t) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  persist(t);
}

int64_t database::next_rowversion() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  exec_sql(db_,
           "INSERT INTO tsl_meta(key, value) VALUES('dbts', 2000) ON CONFLICT(key) DO "
           "UPDATE SET value = value + 1");
  statement_handle s(db_, "SELECT value FROM tsl_meta WHERE key = 'dbts'");
  s.step();
  return sqlite3_column_int64(s.get(), 0);
}

std::unique_ptr<result_set> database::open_table(const table_info& t) {
  std::vector<result_column> cols;
  std::string sql = "SELECT ";
  for (size_t i = 0; i < t.columns.size(); ++i) {
    if (i) sql += ",";
    sql += "c" + std::to_string(i + 1);
    cols.push_back(result_column{t.columns[i].name, t.columns[i].type, t.columns[i].nullable});
  }
  sql += " FROM " + t.storage_name();
  for (const auto& ix : t.indexes) {
    if (!ix.clustered) continue;
    sql += " ORDER BY ";
    for (size_t i = 0; i < ix.columns.size(); ++i) {
      if (i) sql += ",";
      const int c = t.find_column(ix.columns[i].name);
      const type_id id = t.columns[static_cast<size_t>(c)].type.id;
      std::string col = "c" + std::to_string(c + 1);
      if (id == type_id::decimal || id == type_id::numeric)
        col = "CAST(" + col + " AS REAL)";
      else if (ix.unique && !t.columns[static_cast<size_t>(c)].nullable)
        col = key_expression(t, c);  // the unique index's own order
      else if (is_character(id))
        col += " COLLATE NOCASE";
      sql += col + (ix.columns[i].desc ? " DESC" : "");
    }
    sql += ", rowid";
  }
  return std::make_unique<storage_result>(*this, sql, std::move(cols));
}

int64_t database::file_size_kb() const {
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size / 1024);
}

void database::rebuild_storage(const table_info& t, const table_info& changed,
                               const std::vector<std::string>& sources) {
  const std::string old = t.storage_name() + "_old";
  for (size_t i = 0; i < t.indexes.size(); ++i)
    exec_sql(db_, "DROP INDEX IF EXISTS " + t.storage_name() + "_u" + std::to_string(i));
  exec_sql(db_, "ALTER TABLE " + t.storage_name() + " RENAME TO " + old);
  std::string cols, exprs;
  for (size_t i = 0; i < changed.columns.size(); ++i) {
    cols += (i ? ",c" : "c") + std::to_string(i + 1);
    exprs += (i ? "," : "") + sources[i];
  }
  // Created without its unique indexes, which follow once the rows are in.
  table_info plain = changed;
  plain.indexes.clear();
  create_storage(plain);
  exec_sql(db_, "INSERT INTO " + changed.storage_name() + "(rowid," + cols + ") SELECT rowid," +
                    exprs + " FROM " + old + " ORDER BY rowid");
  exec_sql(db_, "DROP TABLE " + old);
  for (size_t i = 0; i < changed.indexes.size(); ++i)
    if (changed.indexes[i].unique) {
      try {
        create_unique_index(changed, changed.indexes[i], i);
      } catch (const sql_error&) {
        throw err::generic(1505,
                           "The CREATE UNIQUE INDEX statement terminated because a duplicate "
                           "key was found for the object name '" +
                               changed.qualified() + "' and the index name '" +
                               changed.indexes[i].name + "'.")
            .also(error_record{1750, 16, 0, "42000",
                               "Could not create constraint or index. See previous errors."});
      }
    }
}

void database::alter_table(const alter_table_stmt& st, table_info& t,
                           const std::string& default_schema,
                           const std::function<value(const column_info&)>& default_of) {
  using action = alter_table_stmt::action;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  table_info changed = t;
  std::vector<std::string> sources;
  for (size_t i = 0; i < t.columns.size(); ++i) sources.push_back("c" + std::to_string(i + 1));
  bool rebuild = false;
  std::vector<size_t> new_fks;          // foreign keys whose rows are checked
  std::vector<std::string> new_checks;  // CHECK constraints the rows are held to now
  bool computed_added = false;
  auto missing_column = [](const std::string& c) {
    return err::generic(1911,
                        "Column name '" + c + "' does not exist in the target table or view.");
  };
  auto constraint_names = [&](bool enable) {
    for (const auto& n : st.names) {
      bool found = false;
      for (auto& fk : changed.foreign_keys)
        if (iequals(fk.name, n)) found = true;
      for (auto& ck : changed.checks)
        if (iequals(ck.name, n)) found = true;
      if (!found)
        throw err::generic(4917, "Constraint '" + n + "' does not exist.")
            .also(error_record{4916, 16, 0, "42000",
                               "Could not enable or disable the constraint. See previous errors."});
    }
    for (size_t i = 0; i < changed.foreign_keys.size(); ++i) {
      auto& fk = changed.foreign_keys[i];
      bool named = st.names.empty();
      for (const auto& n : st.names) named = named || iequals(fk.name, n);
      if (!named) continue;
      fk.enabled = enable;
      if (enable && st.with_check) new_fks.push_back(i);
    }
    for (auto& ck : changed.checks) {
      bool named = st.names.empty();
      for (const auto& n : st.names) named = named || iequals(ck.name, n);
      if (!named) continue;
      ck.enabled = enable;
      if (enable && st.with_check) new_checks.push_back(ck.name);
    }
  };
  int64_t rows = 0;
  {
    statement_handle s(db_, "SELECT count(*) FROM " + t.storage_name());
    if (s.step() == SQLITE_ROW) rows = sqlite3_column_int64(s.get(), 0);
  }
  switch (st.a) {
    case action::check_constraint:
      constraint_names(true);
      break;
    case action::nocheck_constraint:
      constraint_names(false);
      break;
    case action::add: {
      for (const auto& c : st.columns) {
        if (changed.find_column(c.name) >= 0)
          throw err::generic(2705, "Column names in each table must be unique. Column name '" +
                                       c.name + "' in table '" + t.name +
                                       "' is specified more than once.");
        if (c.identity || c.type.id == type_id::timestamp)
          if (rows > 0)
            throw err::generic(40000,
                               "Adding an identity or timestamp column to a table with "
                               "rows is not supported by this server yet.");
        column_info ci = make_column(c, c.nullable.value_or(!c.identity));
        if (c.alias)
          resolve_alias(ci, c, default_schema, static_cast<int>(changed.columns.size()) + 1);
        if (c.computed) {
          ci.nullable = c.nullable.value_or(true);
          computed_added = true;
        }
        if (ci.default_text && ci.default_name.empty())
          ci.default_name =
              generated_name("DF", t.name, c.name, t.id, changed.columns.size() + 100);
        value fill = ci.nullable ? value::null() : default_of(ci);
        if (fill.is_null() && !ci.nullable && rows > 0)
          throw err::generic(4901,
                             "ALTER TABLE only allows columns to be added that can contain "
                             "nulls, or have a DEFAULT definition specified, or the column being "
                             "added is an identity or timestamp column, or alternatively if none "
                             "of the previous conditions are satisfied the table must be empty to "
                             "allow addition of this column. Column '" +
                                 c.name + "' cannot be added to non-empty table '" + t.name +
                                 "' because it does not satisfy these conditions.");
        changed.columns.push_back(std::move(ci));
        sources.push_back(literal_sql(fill));
        rebuild = true;
      }
      size_t n = changed.indexes.size() + changed.foreign_keys.size();
      for (const auto& k : st.keys) {
        ++n;
        for (const auto& c : k.columns)
          if (changed.find_column(c.name) < 0) throw missing_column(c.name);
        if (k.k == key_def::kind::check) {
          refuse_subquery(*parse_over(changed, "1", k.check_text).where);
          changed.checks.push_back(check_info{
              k.name.empty() ? generated_name("CK", t.name, "", t.id, n) : k.name, k.check_text});
          if (!st.with_nocheck) new_checks.push_back(changed.checks.back().name);
          continue;
        }
        if (k.k == key_def::kind::fallback) {
          auto& col = changed.columns[static_cast<size_t>(changed.find_column(k.columns[0].name))];
          if (col.default_text)
            throw err::generic(1781, "Column already has a DEFAULT bound to it.")
                .also(error_record{1750, 16, 0, "42000",
                                   "Could not create constraint or index. See previous errors."});
          col.default_text = k.default_text;
          col.default_name =
              k.name.empty() ? generated_name("DF", t.name, col.name, t.id, n) : k.name;
          continue;
        }
        if (k.k == key_def::kind::foreign) {
          changed.foreign_keys.push_back(make_foreign_key(k, changed, n, default_schema, st.keys));
          if (!st.with_nocheck) new_fks.push_back(changed.foreign_keys.size() - 1);
          continue;
        }
        index_info ix;
        ix.primary = k.k == key_def::kind::primary;
        ix.unique = true;
        ix.constraint = true;
        ix.columns = k.columns;
        ix.name =
            k.name.empty() ? generated_name(ix.primary ? "PK" : "UQ", t.name, "", t.id, n) : k.name;
        if (ix.primary && changed.primary_key())
          throw err::generic(1779,
                             "Table '" + t.name + "' already has a primary key defined on it.")
              .also(error_record{1750, 16, 0, "42000",
                                 "Could not create constraint or index. See previous errors."});
        bool has_clustered = false;
        for (const auto& other : changed.indexes) has_clustered = has_clustered || other.clustered;
        ix.clustered = k.clustered.value_or(ix.primary && !has_clustered);
        if (ix.clustered && has_clustered)
          throw err::generic(1902, "Cannot create more than one clustered index on table '" +
                                       t.qualified() + "'.");
        for (const auto& c : ix.columns)
          if (ix.primary &&
              changed.columns[static_cast<size_t>(changed.find_column(c.name))].nullable)
            throw err::generic(8111,
                               "Cannot define PRIMARY KEY constraint on nullable column in "
                               "table '" +
                                   t.name + "'.")
                .also(error_record{1750, 16, 0, "42000",
                                   "Could not create constraint. See previous errors."});
        changed.indexes.push_back(std::move(ix));
        rebuild = true;
      }
      break;
    }
    case action::drop_constraint: {
      for (const auto& n : st.names) {
        auto ix =
            std::find_if(changed.indexes.begin(), changed.indexes.end(),
                         [&](const index_info& i) { return i.constraint && iequals(i.name, n); });
        auto fk = std::find_if(changed.foreign_keys.begin(), changed.foreign_keys.end(),
                               [&](const foreign_key_info& f) { return iequals(f.name, n); });
        auto df = std::find_if(
            changed.columns.begin(), changed.columns.end(),
            [&](const column_info& c) { return c.default_text && iequals(c.default_name, n); });
        if (ix != changed.indexes.end()) {
          for (const auto& other : tables_)
            for (const auto& f : other->foreign_keys)
              if (other->id != t.id && iequals(f.ref_schema, t.schema) &&
                  iequals(f.ref_table, t.name) && ix->primary)
                throw err::generic(3725, "The constraint '" + n +
                                             "' is being referenced by table '" + other->name +
                                             "', foreign key constraint '" + f.name + "'.")
                    .also(error_record{3727, 16, 0, "42000",
                                       "Could not drop constraint. See previous errors."});
          changed.indexes.erase(ix);
          rebuild = true;
        } else if (fk != changed.foreign_keys.end()) {
          changed.foreign_keys.erase(fk);
        } else if (auto ck = std::find_if(changed.checks.begin(), changed.checks.end(),
                                          [&](const check_info& c) { return iequals(c.name, n); });
                   ck != changed.checks.end()) {
          changed.checks.erase(ck);
        } else if (df != changed.columns.end()) {
          df->default_text.reset();
          df->default_name.clear();
        } else if (!st.if_exists) {
          throw err::generic(3728, "'" + n + "' is not a constraint.")
              .also(error_record{3727, 16, 0, "42000",
                                 "Could not drop constraint. See previous errors."});
        }
      }
      break;
    }
    case action::drop_column: {
      for (const auto& n : st.names) {
        const int c = changed.find_column(n);
        if (c < 0) {
          if (st.if_exists) continue;
          throw err::generic(4924, "ALTER TABLE DROP COLUMN failed because column '" + n +
                                       "' does not exist in table '" + t.name + "'.");
        }
        std::string dependent;
        for (const auto& ix : changed.indexes)
          for (const auto& k : ix.columns)
            if (iequals(k.name, n)) dependent = ix.name;
        for (const auto& fk : changed.foreign_keys)
          for (const auto& k : fk.columns)
            if (iequals(k, n)) dependent = fk.name;
        if (changed.columns[static_cast<size_t>(c)].default_text)
          dependent = changed.columns[static_cast<size_t>(c)].default_name;
        // Computed columns and CHECK conditions that read it.
        for (const auto& other : changed.columns)
          if (other.computed && !iequals(other.name, n) &&
              names_column(*parse_over(changed, *other.computed, "").items.front().e, n))
            dependent = other.name;
        for (const auto& ck : changed.checks)
          if (names_column(*parse_over(changed, "1", ck.text).where, n)) dependent = ck.name;
        if (!dependent.empty())
          throw err::generic(5074,
                             "The object '" + dependent + "' is dependent on column '" + n + "'.")
              .also(error_record{4922, 16, 9, "42000",
                                 "ALTER TABLE DROP COLUMN " + n +
                                     " failed because one or more objects access this column."});
        for (const auto& other : tables_)
          for (const auto& f : other->foreign_keys)
            if (iequals(f.ref_schema, t.schema) && iequals(f.ref_table, t.name))
              for (const auto& k : f.ref_columns)
                if (iequals(k, n))
                  throw err::generic(
                      5074, "The object '" + f.name + "' is dependent on column '" + n + "'.");
        changed.columns.erase(changed.columns.begin() + c);
        sources.erase(sources.begin() + c);
        rebuild = true;
      }
      break;
    }
    case action::alter_column: {
      const column_def& d = st.columns.front();
      const int c = changed.find_column(d.name);
      if (c < 0) throw err::invalid_column(d.name);
      column_info& col = changed.columns[static_cast<size_t>(c)];
      const bool same_type = col.type.id == d.type.id;
      const bool wider_text =
          same_type && is_character(col.type.id) &&
          (d.type.length == sql_type::kMax ||
           (col.type.length != sql_type::kMax && d.type.length >= col.type.length));
      const bool wider_int = is_integer(col.type.id) && is_integer(d.type.id) &&
                             col.type.id != type_id::bit && d.type.id != type_id::bit &&
                             integer_rank(d.type.id) >= integer_rank(col.type.id);
      if (!(same_type && d.type.length == col.type.length &&
            d.type.precision == col.type.precision && d.type.scale == col.type.scale) &&
          !wider_text && !wider_int)
        throw err::generic(40000, "ALTER COLUMN from " + declaration(col.type) + " to " +
                                      declaration(d.type) +
                                      " is not supported by this server yet.");
      col.type = d.type;
      col.alias_schema.clear();
      col.nullable = d.nullable.value_or(true);
      if (!col.nullable) {
        statement_handle s(db_, "SELECT 1 FROM " + t.storage_name() + " WHERE c" +
                                    std::to_string(c + 1) + " IS NULL LIMIT 1");
        if (s.step() == SQLITE_ROW)
          throw err::generic(515,
                             "Cannot insert the value NULL into column '" + col.name +
                                 "', table '" + name_ + "." + t.qualified() +
                                 "'; column does not allow nulls. UPDATE fails.",
                             16, "23000")
              .also(error_record{3621, 0, 0, "01000", "The statement has been terminated."});
      }
      break;
    }
  }
  if (computed_added) type_computed(changed);
  exec_sql(db_, "BEGIN IMMEDIATE");
  try {
    if (rebuild) rebuild_storage(t, changed, sources);
    const std::string all_rows = "SELECT rowid FROM " + changed.storage_name();
    if (computed_added) compute_columns(changed, all_rows);
    for (const auto& name : new_checks) check_conditions(changed, "ALTER TABLE", "", name);
    for (size_t i : new_fks) {
      const auto& fk = changed.foreign_keys[i];
      table_info probe = changed;
      probe.foreign_keys = {fk};
      probe.foreign_keys.front().enabled = true;
      check_references(probe, "ALTER TABLE", "SELECT rowid FROM " + changed.storage_name());
    }
    persist(changed);
    exec_sql(db_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  t = std::move(changed);
}

}  // namespace tsl::mssql
