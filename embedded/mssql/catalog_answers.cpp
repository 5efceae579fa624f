#include "embedded/mssql/catalog_answers.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "embedded/mssql/server.h"
#include "embedded/mssql/statement_handle.h"

namespace tsl::mssql {
namespace {

sql_type t_of(type_id id, int32_t length = 0) {
  sql_type t;
  t.id = id;
  t.length = length;
  return t;
}

result_column sysname(const char* name, bool nullable = false) {
  sql_type t = t_of(type_id::nvarchar, 128);
  t.alias = "sysname";
  return {name, t, nullable};
}
result_column col(const char* name, type_id id, bool nullable = true, int32_t length = 0) {
  return {name, t_of(id, length), nullable};
}

value text(const std::string& s) {
  return value::of_text(s);
}
value num(int64_t v) {
  return value::of_int(v);
}
value opt_text(const std::optional<std::string>& s) {
  return s ? text(*s) : value::null();
}

bool matches(const std::optional<std::string>& r, const std::string& v) {
  return !r || iequals(*r, v);
}

bool like_at(const std::string& t, size_t i, const std::string& p, size_t j) {
  for (; j < p.size(); ++j) {
    if (p[j] == '%') {
      for (size_t k = i; k <= t.size(); ++k)
        if (like_at(t, k, p, j + 1)) return true;
      return false;
    }
    if (i >= t.size()) return false;
    if (p[j] != '_' && std::tolower(static_cast<unsigned char>(p[j])) !=
                           std::tolower(static_cast<unsigned char>(t[i])))
      return false;
    ++i;
  }
  return i == t.size();
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<const table_info*> sorted_tables(const database& db) {
  std::vector<const table_info*> v;
  for (const auto& t : db.tables()) v.push_back(t.get());
  std::sort(v.begin(), v.end(), [](const table_info* a, const table_info* b) {
    return std::make_tuple(lower(a->schema), lower(a->name)) <
           std::make_tuple(lower(b->schema), lower(b->name));
  });
  return v;
}

}  // namespace

bool like_match(const std::string& text, const std::string& pattern) {
  return like_at(text, 0, pattern, 0);
}

std::unique_ptr<result_set> sp_columns(const database& db, const sp_columns_args& a) {
  auto r = std::make_unique<memory_result>(std::vector<result_column>{
      sysname("TABLE_QUALIFIER"), sysname("TABLE_OWNER"), sysname("TABLE_NAME"),
      sysname("COLUMN_NAME"), col("DATA_TYPE", type_id::smallint), sysname("TYPE_NAME"),
      col("PRECISION", type_id::int_), col("LENGTH", type_id::int_),
      col("SCALE", type_id::smallint), col("RADIX", type_id::smallint),
      col("NULLABLE", type_id::smallint, false), col("REMARKS", type_id::varchar, true, 254),
      col("COLUMN_DEF", type_id::nvarchar, true, 4000),
      col("SQL_DATA_TYPE", type_id::smallint, false), col("SQL_DATETIME_SUB", type_id::smallint),
      col("CHAR_OCTET_LENGTH", type_id::int_), col("ORDINAL_POSITION", type_id::int_, false),
      col("IS_NULLABLE", type_id::varchar, true, 254), col("SS_DATA_TYPE", type_id::tinyint)});
  if (a.qualifier && !iequals(*a.qualifier, db.name())) return r;
  for (const table_info* t : sorted_tables(db)) {
    if (!like_match(t->name, a.table_name)) continue;
    if (a.owner && !like_match(t->schema, *a.owner)) continue;
    for (size_t i = 0; i < t->columns.size(); ++i) {
      const column_info& c = t->columns[i];
      if (a.column_name && !like_match(c.name, *a.column_name)) continue;
      catalog_shape s = catalog_shape_of(c.type, c.nullable);
      if (a.odbc_ver >= 3) {
        // ODBC 3 names the timestamp type 93 and gives approximate numbers
        // in binary digits.
        if (c.type.id == type_id::datetime || c.type.id == type_id::smalldatetime) s.data_type = 93;
        if (c.type.id == type_id::float_ || c.type.id == type_id::real) {
          s.precision = c.type.id == type_id::float_ ? 53 : 24;
          s.radix = 2;
        }
      }
      std::string type_name_text = c.type.alias.empty() ? type_name(c.type.id) : c.type.alias;
      if (c.identity) {
        if (c.type.id == type_id::decimal || c.type.id == type_id::numeric) type_name_text += "()";
        type_name_text += " identity";
      }
      r->add(
          {text(db.name()), text(t->schema), text(t->name), text(c.name), num(s.data_type),
           text(type_name_text), num(s.precision), num(s.length),
           s.has_scale ? num(s.scale) : value::null(), s.has_radix ? num(s.radix) : value::null(),
           num(c.nullable ? 1 : 0), value::null(), opt_text(c.default_text), num(s.sql_data_type),
           s.has_datetime_sub ? num(s.datetime_sub) : value::null(),
           s.has_octet_length ? num(s.octet_length) : value::null(),
           num(static_cast<int64_t>(i + 1)), text(c.nullable ? "YES" : "NO"), num(s.ss_data_type)});
    }
  }
  return r;
}

std::unique_ptr<result_set> sp_databases(server& srv) {
  auto r = std::make_unique<memory_result>(
      std::vector<result_column>{sysname("DATABASE_NAME"), col("DATABASE_SIZE", type_id::int_),
                                 col("REMARKS", type_id::varchar, true, 254)});
  for (const auto& name : srv.database_names()) {
    int64_t size = 0;
    try {
      size = srv.open_database(name)->file_size_kb();
    } catch (const std::exception&) {
      continue;  // an unreadable file is no database
    }
    r->add({text(name), num(size), value::null()});
  }
  return r;
}

std::unique_ptr<result_set> sp_tables(const database& db, const std::optional<std::string>& name,
                                      const std::optional<std::string>& owner,
                                      const std::optional<std::string>& table_type) {
  auto r = std::make_unique<memory_result>(std::vector<result_column>{
      sysname("TABLE_QUALIFIER"), sysname("TABLE_OWNER"), sysname("TABLE_NAME"),
      col("TABLE_TYPE", type_id::varchar, true, 32), col("REMARKS", type_id::varchar, true, 254)});
  if (table_type) {
    // The list names types quoted: 'TABLE','VIEW'.
    std::string wanted = lower(*table_type);
    if (wanted.find("'table'") == std::string::npos &&
        wanted.find("\"table\"") == std::string::npos && lower(*table_type) != "table")
      return r;
  }
  for (const table_info* t : sorted_tables(db)) {
    if (name && !like_match(t->name, *name)) continue;
    if (owner && !like_match(t->schema, *owner)) continue;
    r->add({text(db.name()), text(t->schema), text(t->name), text("TABLE"), value::null()});
  }
  return r;
}

namespace {

// The table a table_args names: without an owner the default owner's, else dbo's.
const table_info* find_one(const database& db, const table_args& a,
                           const std::string& default_owner) {
  if (!a.name || (a.qualifier && !iequals(*a.qualifier, db.name()))) return nullptr;
  if (a.owner) return db.find_table(*a.owner, *a.name);
  if (const table_info* t = db.find_table(default_owner, *a.name)) return t;
  return db.find_table("dbo", *a.name);
}

// The name of the key of the referenced table that a foreign key points at.
std::string referenced_key(const database& db, const foreign_key_info& fk) {
  const table_info* ref = db.find_table(fk.ref_schema, fk.ref_table);
  if (!ref) return {};
  for (const auto& ix : ref->indexes) {
    if (!ix.unique || ix.columns.size() != fk.ref_columns.size()) continue;
    bool same = true;
    for (size_t i = 0; i < ix.columns.size(); ++i)
      same =
          same && std::any_of(fk.ref_columns.begin(), fk.ref_columns.end(),
                              [&](const std::string& c) { return iequals(c, ix.columns[i].name); });
    if (same) return ix.name;
  }
  return {};
}

int64_t rule_number(fk_rule r) {
  switch (r) {
    case fk_rule::cascade:
      return 0;
    case fk_rule::no_action:
      return 1;
    case fk_rule::set_null:
      return 2;
    case fk_rule::set_default:
      return 3;
  }
  return 1;
}

}  // namespace

std::unique_ptr<result_set> sp_pkeys(const database& db, const table_args& a,
                                     const std::string& default_owner) {
  auto out = std::make_unique<memory_result>(std::vector<result_column>{
      sysname("TABLE_QUALIFIER", true), sysname("TABLE_OWNER"), sysname("TABLE_NAME"),
      sysname("COLUMN_NAME"), col("KEY_SEQ", type_id::smallint, false), sysname("PK_NAME", true)});
  const table_info* t = find_one(db, a, default_owner);
  if (!t) return out;
  const index_info* pk = t->primary_key();
  if (!pk) return out;
  for (size_t i = 0; i < pk->columns.size(); ++i) {
    const auto& c = t->columns[static_cast<size_t>(t->find_column(pk->columns[i].name))];
    out->add({text(db.name()), text(t->schema), text(t->name), text(c.name),
              num(static_cast<int64_t>(i + 1)), text(pk->name)});
  }
  return out;
}

std::unique_ptr<result_set> sp_fkeys(const database& db, const table_args& pk, const table_args& fk,
                                     const std::string& default_owner) {
  std::vector<result_column> cols;
  for (const char* n : {"PKTABLE_QUALIFIER", "PKTABLE_OWNER", "PKTABLE_NAME", "PKCOLUMN_NAME",
                        "FKTABLE_QUALIFIER", "FKTABLE_OWNER", "FKTABLE_NAME", "FKCOLUMN_NAME"})
    cols.push_back(sysname(n, std::string(n).find("QUALIFIER") != std::string::npos));
  cols.push_back(col("KEY_SEQ", type_id::smallint, false));
  cols.push_back(col("UPDATE_RULE", type_id::smallint));
  cols.push_back(col("DELETE_RULE", type_id::smallint));
  cols.push_back(sysname("FK_NAME", true));
  cols.push_back(sysname("PK_NAME", true));
  cols.push_back(col("DEFERRABILITY", type_id::smallint));
  auto out = std::make_unique<memory_result>(std::move(cols));
  const table_info* pk_table = pk.name ? find_one(db, pk, default_owner) : nullptr;
  const table_info* fk_table = fk.name ? find_one(db, fk, default_owner) : nullptr;
  if ((pk.name && !pk_table) || (fk.name && !fk_table) || (!pk.name && !fk.name)) return out;
  // Sorted by the referencing table, then KEY_SEQ: the keys of one table interleave.
  struct entry {
    std::string schema, name;
    size_t seq;
    std::vector<value> row;
  };
  std::vector<entry> rows;
  for (const table_info* t : sorted_tables(db)) {
    if (fk_table && t != fk_table) continue;
    for (const auto& k : t->foreign_keys) {
      const table_info* ref = db.find_table(k.ref_schema, k.ref_table);
      if (pk_table && ref != pk_table) continue;
      std::string pk_name = referenced_key(db, k);
      for (size_t i = 0; i < k.columns.size(); ++i)
        rows.push_back(entry{
            lower(t->schema),
            lower(t->name),
            i,
            {text(db.name()), text(ref ? ref->schema : k.ref_schema),
             text(ref ? ref->name : k.ref_table), text(k.ref_columns[i]), text(db.name()),
             text(t->schema), text(t->name), text(k.columns[i]), num(static_cast<int64_t>(i + 1)),
             num(rule_number(k.on_update)), num(rule_number(k.on_delete)), text(k.name),
             pk_name.empty() ? value::null() : text(pk_name), num(7)}});
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const entry& x, const entry& y) {
    return std::tie(x.schema, x.name, x.seq) < std::tie(y.schema, y.name, y.seq);
  });
  for (auto& e : rows) out->add(std::move(e.row));
  return out;
}

std::unique_ptr<result_set> sp_statistics(const database& db, const table_args& a,
                                          const std::optional<std::string>& index_name,
                                          bool unique_only, const std::string& default_owner) {
  auto out = std::make_unique<memory_result>(std::vector<result_column>{
      sysname("TABLE_QUALIFIER", true), sysname("TABLE_OWNER"), sysname("TABLE_NAME"),
      col("NON_UNIQUE", type_id::smallint), sysname("INDEX_QUALIFIER", true),
      sysname("INDEX_NAME", true), col("TYPE", type_id::smallint, false),
      col("SEQ_IN_INDEX", type_id::smallint), sysname("COLUMN_NAME", true),
      col("COLLATION", type_id::char_, true, 1), col("CARDINALITY", type_id::int_),
      col("PAGES", type_id::int_), col("FILTER_CONDITION", type_id::varchar, true, 128)});
  const table_info* t = find_one(db, a, default_owner);
  if (!t) return out;
  int64_t rows = 0;
  {
    statement_handle s(db.handle(), "SELECT count(*) FROM " + t->storage_name());
    if (s.step() == SQLITE_ROW) rows = sqlite3_column_int64(s.get(), 0);
  }
  // Pages of 8 KB at a guessed 100 rows each: the quick accuracy allows it.
  const int64_t pages = (rows + 99) / 100;
  out->add({text(db.name()), text(t->schema), text(t->name), value::null(), value::null(),
            value::null(), num(0), value::null(), value::null(), value::null(), num(rows),
            num(pages), value::null()});
  struct entry {
    bool non_unique;
    int type;
    std::string name;
    size_t seq;
    std::vector<value> row;
  };
  std::vector<entry> rows_out;
  for (const auto& ix : t->indexes) {
    if (unique_only && !ix.unique) continue;
    if (index_name && !like_match(ix.name, *index_name)) continue;
    const int type = ix.clustered ? 1 : 3;
    for (size_t i = 0; i < ix.columns.size(); ++i) {
      const auto& c = t->columns[static_cast<size_t>(t->find_column(ix.columns[i].name))];
      rows_out.push_back(entry{
          !ix.unique,
          type,
          lower(ix.name),
          i,
          {text(db.name()), text(t->schema), text(t->name), num(ix.unique ? 0 : 1), text(t->name),
           text(ix.name), num(type), num(static_cast<int64_t>(i + 1)), text(c.name),
           text(ix.columns[i].desc ? "D" : "A"), num(rows), num(pages), value::null()}});
    }
  }
  std::stable_sort(rows_out.begin(), rows_out.end(), [](const entry& x, const entry& y) {
    return std::make_tuple(x.non_unique, x.type, x.name, x.seq) <
           std::make_tuple(y.non_unique, y.type, y.name, y.seq);
  });
  for (auto& e : rows_out) out->add(std::move(e.row));
  return out;
}

namespace {

const std::optional<std::string>& at(const restrictions& r, size_t i) {
  static const std::optional<std::string> none;
  return i < r.size() ? r[i] : none;
}

std::unique_ptr<result_set> catalogs(server& srv, const restrictions& r) {
  auto out = std::make_unique<memory_result>(
      std::vector<result_column>{col("CATALOG_NAME", type_id::nvarchar, true, 128),
                                 col("DESCRIPTION", type_id::nvarchar, true, 128)});
  for (const auto& name : srv.database_names())
    if (matches(at(r, 0), name)) out->add({text(name), value::null()});
  return out;
}

std::unique_ptr<result_set> tables(const database& db, const restrictions& r) {
  auto out = std::make_unique<memory_result>(std::vector<result_column>{
      col("TABLE_CATALOG", type_id::nvarchar, true, 128),
      col("TABLE_SCHEMA", type_id::nvarchar, true, 128),
      col("TABLE_NAME", type_id::nvarchar, true, 128),
      col("TABLE_TYPE", type_id::nvarchar, true, 128), col("TABLE_GUID", type_id::uniqueidentifier),
      col("DESCRIPTION", type_id::nvarchar, true, 128), col("TABLE_PROPID", type_id::ole_ui4),
      col("DATE_CREATED", type_id::ole_date), col("DATE_MODIFIED", type_id::ole_date)});
  if (!matches(at(r, 0), db.name()) || !matches(at(r, 3), "TABLE")) return out;
  for (const table_info* t : sorted_tables(db)) {
    if (!matches(at(r, 1), t->schema) || !matches(at(r, 2), t->name)) continue;
    out->add({text(db.name()), text(t->schema), text(t->name), text("TABLE"), value::null(),
              value::null(), value::null(), value::null(), value::null()});
  }
  return out;
}

std::unique_ptr<result_set> primary_keys(const database& db, const restrictions& r) {
  auto out = std::make_unique<memory_result>(std::vector<result_column>{
      col("TABLE_CATALOG", type_id::nvarchar, true, 128),
      col("TABLE_SCHEMA", type_id::nvarchar, true, 128),
      col("TABLE_NAME", type_id::nvarchar, true, 128),
      col("COLUMN_NAME", type_id::nvarchar, true, 128),
      col("COLUMN_GUID", type_id::uniqueidentifier), col("COLUMN_PROPID", type_id::ole_ui4),
      col("ORDINAL", type_id::ole_ui4), col("PK_NAME", type_id::nvarchar, true, 128)});
  if (!matches(at(r, 0), db.name())) return out;
  for (const table_info* t : sorted_tables(db)) {
    if (!matches(at(r, 1), t->schema) || !matches(at(r, 2), t->name)) continue;
    const index_info* pk = t->primary_key();
    if (!pk) continue;
    for (size_t i = 0; i < pk->columns.size(); ++i) {
      const auto& c = t->columns[static_cast<size_t>(t->find_column(pk->columns[i].name))];
      out->add({text(db.name()), text(t->schema), text(t->name), text(c.name), value::null(),
                value::null(), num(static_cast<int64_t>(i + 1)), text(pk->name)});
    }
  }
  return out;
}

std::unique_ptr<result_set> foreign_keys(const database& db, const restrictions& r) {
  std::vector<result_column> cols;
  for (const char* n : {"PK_TABLE_CATALOG", "PK_TABLE_SCHEMA", "PK_TABLE_NAME", "PK_COLUMN_NAME"})
    cols.push_back(col(n, type_id::nvarchar, true, 128));
  cols.push_back(col("PK_COLUMN_GUID", type_id::uniqueidentifier));
  cols.push_back(col("PK_COLUMN_PROPID", type_id::ole_ui4));
  for (const char* n : {"FK_TABLE_CATALOG", "FK_TABLE_SCHEMA", "FK_TABLE_NAME", "FK_COLUMN_NAME"})
    cols.push_back(col(n, type_id::nvarchar, true, 128));
  cols.push_back(col("FK_COLUMN_GUID", type_id::uniqueidentifier));
  cols.push_back(col("FK_COLUMN_PROPID", type_id::ole_ui4));
  cols.push_back(col("ORDINAL", type_id::ole_ui4));
  for (const char* n : {"UPDATE_RULE", "DELETE_RULE", "PK_NAME", "FK_NAME"})
    cols.push_back(col(n, type_id::nvarchar, true, 128));
  cols.push_back(col("DEFERRABILITY", type_id::ole_i2));
  auto out = std::make_unique<memory_result>(std::move(cols));
  if (!matches(at(r, 0), db.name()) || !matches(at(r, 3), db.name())) return out;
  for (const table_info* t : sorted_tables(db)) {
    if (!matches(at(r, 4), t->schema) || !matches(at(r, 5), t->name)) continue;
    for (const auto& fk : t->foreign_keys) {
      if (!matches(at(r, 1), fk.ref_schema) || !matches(at(r, 2), fk.ref_table)) continue;
      std::string pk_name = referenced_key(db, fk);
      for (size_t i = 0; i < fk.columns.size(); ++i) {
        out->add({text(db.name()), text(fk.ref_schema), text(fk.ref_table), text(fk.ref_columns[i]),
                  value::null(), value::null(), text(db.name()), text(t->schema), text(t->name),
                  text(fk.columns[i]), value::null(), value::null(),
                  num(static_cast<int64_t>(i + 1)), text(rule_text(fk.on_update)),
                  text(rule_text(fk.on_delete)), pk_name.empty() ? value::null() : text(pk_name),
                  text(fk.name), num(3)});
      }
    }
  }
  return out;
}

std::unique_ptr<result_set> indexes(const database& db, const restrictions& r) {
  std::vector<result_column> cols;
  for (const char* n : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_CATALOG",
                        "INDEX_SCHEMA", "INDEX_NAME"})
    cols.push_back(col(n, type_id::nvarchar, true, 128));
  cols.push_back(col("PRIMARY_KEY", type_id::bit));
  cols.push_back(col("UNIQUE", type_id::bit));
  cols.push_back(col("CLUSTERED", type_id::bit));
  cols.push_back(col("TYPE", type_id::ole_ui2));
  cols.push_back(col("FILL_FACTOR", type_id::ole_i4));
  cols.push_back(col("INITIAL_SIZE", type_id::ole_i4));
  cols.push_back(col("NULLS", type_id::ole_i4));
  cols.push_back(col("SORT_BOOKMARKS", type_id::bit));
  cols.push_back(col("AUTO_UPDATE", type_id::bit));
  cols.push_back(col("NULL_COLLATION", type_id::ole_i4));
  cols.push_back(col("ORDINAL_POSITION", type_id::ole_ui4));
  cols.push_back(col("COLUMN_NAME", type_id::nvarchar, true, 128));
  cols.push_back(col("COLUMN_GUID", type_id::uniqueidentifier));
  cols.push_back(col("COLUMN_PROPID", type_id::ole_ui4));
  cols.push_back(col("COLLATION", type_id::ole_i2));
  cols.push_back(col("CARDINALITY", type_id::ole_ui8));
  cols.push_back(col("PAGES", type_id::ole_i4));
  cols.push_back(col("FILTER_CONDITION", type_id::nvarchar, true, 128));
  cols.push_back(col("INTEGRATED", type_id::bit));
  auto out = std::make_unique<memory_result>(std::move(cols));
  if (!matches(at(r, 0), db.name()) || (at(r, 3) && *at(r, 3) != "1")) return out;
  struct row_key {
    bool unique;
    std::string schema, name;
    size_t ordinal;
    std::vector<value> row;
  };
  std::vector<row_key> rows;
  for (const table_info* t : sorted_tables(db)) {
    if (!matches(at(r, 1), t->schema) || !matches(at(r, 4), t->name)) continue;
    for (const auto& ix : t->indexes) {
      if (!matches(at(r, 2), ix.name)) continue;
      for (size_t i = 0; i < ix.columns.size(); ++i) {
        const auto& c = t->columns[static_cast<size_t>(t->find_column(ix.columns[i].name))];
        rows.push_back(row_key{ix.unique,
                               t->schema,
                               ix.name,
                               i,
                               {text(db.name()),
                                text(t->schema),
                                text(t->name),
                                text(db.name()),
                                text(t->schema),
                                text(ix.name),
                                num(ix.primary),
                                num(ix.unique),
                                num(ix.clustered),
                                num(1),
                                num(0),
                                value::null(),
                                num(0),
                                num(0),
                                num(1),
                                num(4),
                                num(static_cast<int64_t>(i + 1)),
                                text(c.name),
                                value::null(),
                                value::null(),
                                num(ix.columns[i].desc ? 2 : 1),
                                value::null(),
                                value::null(),
                                value::null(),
                                num(ix.clustered)}});
      }
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const row_key& a, const row_key& b) {
    return std::make_tuple(a.unique, lower(a.schema), lower(a.name), a.ordinal) <
           std::make_tuple(b.unique, lower(b.schema), lower(b.name), b.ordinal);
  });
  for (auto& k : rows) out->add(std::move(k.row));
  return out;
}

}  // namespace

std::unique_ptr<result_set> schema_rowset(server& srv, const database& db, schema_kind kind,
                                          const restrictions& r) {
  switch (kind) {
    case schema_kind::catalogs:
      return catalogs(srv, r);
    case schema_kind::tables:
      return tables(db, r);
    case schema_kind::primary_keys:
      return primary_keys(db, r);
    case schema_kind::foreign_keys:
      return foreign_keys(db, r);
    case schema_kind::indexes:
      return indexes(db, r);
  }
  return nullptr;
}

}  // namespace tsl::mssql
