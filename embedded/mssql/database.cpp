#include "embedded/mssql/database.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "embedded/mssql/decimal.h"
#include "embedded/mssql/parser.h"
#include "embedded/mssql/select_compiler.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql/statement_handle.h"
#include "embedded/mssql/storage_result.h"

namespace tsl::mssql {
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

}  // namespace

database::database(std::string name, const std::string& path, bool create)
    : name_(std::move(name)), path_(path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw_storage_error(nullptr, rc);
  }
  sqlite3_busy_timeout(db_, 5000);
  exec_sql(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  exec_sql(db_,
           "CREATE TABLE IF NOT EXISTS tsl_objects(id INTEGER PRIMARY KEY, ddl TEXT NOT NULL,"
           " identity_last INTEGER, identity_used INTEGER NOT NULL DEFAULT 0);"
           "CREATE TABLE IF NOT EXISTS tsl_schemas(name TEXT PRIMARY KEY);"
           "CREATE TABLE IF NOT EXISTS tsl_meta(key TEXT PRIMARY KEY, value);");
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
        for (auto& c : ct->columns)
          t->columns.push_back(column_info{c.name, c.type, c.nullable.value_or(true), c.identity,
                                           c.seed, c.increment, c.default_text, c.default_name});
        for (auto& k : ct->keys) {
          if (k.k == key_def::kind::foreign) {
            foreign_key_info fk{k.name,        {},          k.ref_table.schema, k.ref_table.name,
                                k.ref_columns, k.on_delete, k.on_update};
            for (auto& c : k.columns) fk.columns.push_back(c.name);
            t->foreign_keys.push_back(std::move(fk));
          } else if (k.k != key_def::kind::check) {
            t->indexes.push_back(index_info{k.name, k.k == key_def::kind::primary, true,
                                            k.clustered.value_or(false), true, k.columns});
          }
        }
      } else if (auto* ci = std::get_if<create_index_stmt>(&st)) {
        t->indexes.push_back(
            index_info{ci->name, false, ci->unique, ci->clustered, false, ci->columns});
      }
    }
    t->identity_last = sqlite3_column_int64(s.get(), 2);
    t->identity_used = sqlite3_column_int64(s.get(), 3) != 0;
    next_id_ = std::max(next_id_, id + 1);
    tables_.push_back(std::move(t));
  }
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
  exec_sql(db_, sql + ")");
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
    column_info ci{c.name,         c.type,        c.nullable.value_or(!c.identity),
                   c.identity,     c.seed,        c.increment,
                   c.default_text, c.default_name};
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
    if (k.k == key_def::kind::check) continue;
    if (k.k == key_def::kind::foreign) {
      foreign_key_info fk;
      fk.name = k.name.empty() ? generated_name("FK", t->name, k.ref_table.name, t->id, n) : k.name;
      for (auto& c : k.columns) fk.columns.push_back(c.name);
      fk.ref_schema = k.ref_table.schema.empty() ? default_schema : k.ref_table.schema;
      fk.ref_table = k.ref_table.name;
      const table_info* ref = iequals(fk.ref_schema, t->schema) && iequals(fk.ref_table, t->name)
                                  ? t.get()
                                  : find_table(fk.ref_schema, fk.ref_table);
      if (!ref)
        throw err::generic(1767, "Foreign key '" + fk.name + "' references invalid table '" +
                                     k.ref_table.text() + "'.");
      fk.ref_table = ref->name;
      fk.ref_schema = ref->schema;
      fk.ref_columns = k.ref_columns;
      if (fk.ref_columns.empty()) {
        const index_info* pk = ref == t.get() ? nullptr : ref->primary_key();
        if (ref == t.get())
          for (const auto& ix : st.keys)
            if (ix.k == key_def::kind::primary)
              for (auto& c : ix.columns) fk.ref_columns.push_back(c.name);
        if (pk)
          for (auto& c : pk->columns) fk.ref_columns.push_back(c.name);
      }
      if (fk.ref_columns.size() != fk.columns.size())
        throw err::generic(8139,
                           "Number of referencing columns in foreign key differs from number "
                           "of referenced columns, table '" +
                               t->name + "'.");
      for (auto& rc : fk.ref_columns)
        if (ref->find_column(rc) < 0)
          throw err::generic(1770, "Foreign key '" + fk.name + "' references invalid column '" +
                                       rc + "' in referenced table '" + ref->name + "'.");
      fk.on_delete = k.on_delete;
      fk.on_update = k.on_update;
      t->foreign_keys.push_back(std::move(fk));
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
  index_info ix{st.name, false, st.unique, st.clustered, false, st.columns};
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

void database::check_references(const table_info& t, const char* statement,
                                const std::string& changed_rows) {
  for (const auto& fk : t.foreign_keys) {
    const table_info* parent = find_table(fk.ref_schema, fk.ref_table);
    if (!parent) continue;
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
    if (!t.foreign_keys.empty() && !rows.empty()) {
      std::string ids;
      for (size_t i = 0; i < rows.size(); ++i)
        ids += (i ? "," : "") + std::to_string(rows[i].first);
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

}  // namespace tsl::mssql
