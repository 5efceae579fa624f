#include "platform/freetds/tds_catalog.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "platform/freetds/wire_values.h"

namespace tsl::freetds {
namespace {

using oledb::column_kind;
using oledb::field_value;
using oledb::result_column;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool iequals(const std::string& a, const std::string& b) {
  return lower(a) == lower(b);
}

result_column col(const char* name, column_kind k, int32_t length = 0) {
  return {name, oledb::column_type{k, length, 0, 0}, true};
}
result_column name_col(const char* name) {
  return col(name, column_kind::nvarchar, 128);
}

field_value text(const std::string& s) {
  field_value v;
  v.k = field_value::kind::text;
  v.s = s;
  return v;
}
field_value num(int64_t i) {
  field_value v;
  v.k = field_value::kind::integer;
  v.i = i;
  return v;
}
field_value null() {
  return field_value{};
}

std::string text_of(const std::vector<field_value>& row, size_t i) {
  if (i >= row.size()) return {};
  const field_value& v = row[i];
  if (v.k == field_value::kind::integer) return std::to_string(v.i);
  return v.s;
}
int64_t int_of(const std::vector<field_value>& row, size_t i) {
  if (i >= row.size()) return 0;
  const field_value& v = row[i];
  if (v.k == field_value::kind::integer) return v.i;
  try {
    return v.s.empty() ? 0 : std::stoll(v.s);
  } catch (const std::exception&) {
    return 0;
  }
}

const std::optional<std::string>& at(const oledb::restrictions& r, size_t i) {
  static const std::optional<std::string> none;
  return i < r.size() ? r[i] : none;
}
bool matches(const std::optional<std::string>& r, const std::string& v) {
  return !r || iequals(*r, v);
}

// ", @name = N'value'" when the restriction is set.
std::string arg(const char* name, const std::optional<std::string>& v) {
  if (!v) return {};
  return std::string(", @") + name + " = " + quote_literal(*v);
}
// The procedure's argument list without its leading comma.
std::string args(std::string a) {
  return a.empty() ? a : " " + a.substr(2);
}

// The tables of the current database, optionally of one owner.
rows list_tables(const fetcher& fetch, const std::optional<std::string>& owner,
                 const std::optional<std::string>& name) {
  return fetch("EXEC sp_tables" +
               args(arg("table_name", name) + arg("table_owner", owner) +
                    ", @table_type = N'''TABLE'''"));
}

// sp_fkeys: 0 cascade, 1 no action, 2 set null, 3 set default.
const char* rule_text(int64_t rule) {
  switch (rule) {
    case 0:
      return "CASCADE";
    case 2:
      return "SET NULL";
    case 3:
      return "SET DEFAULT";
    default:
      return "NO ACTION";
  }
}

std::unique_ptr<oledb::result_set> catalogs(const fetcher& fetch, const oledb::restrictions& r) {
  auto out = std::make_unique<oledb::memory_result>(std::vector<result_column>{
      col("CATALOG_NAME", column_kind::nvarchar, 128), col("DESCRIPTION", column_kind::nvarchar, 128)});
  for (const auto& row : fetch("EXEC sp_databases")) {
    std::string name = text_of(row, 0);
    if (matches(at(r, 0), name)) out->add({text(name), null()});
  }
  return out;
}

std::unique_ptr<oledb::result_set> tables(const fetcher& fetch, const oledb::restrictions& r) {
  auto out = std::make_unique<oledb::memory_result>(std::vector<result_column>{
      name_col("TABLE_CATALOG"), name_col("TABLE_SCHEMA"), name_col("TABLE_NAME"),
      name_col("TABLE_TYPE"), col("TABLE_GUID", column_kind::uniqueidentifier),
      name_col("DESCRIPTION"), col("TABLE_PROPID", column_kind::ole_ui4),
      col("DATE_CREATED", column_kind::ole_date), col("DATE_MODIFIED", column_kind::ole_date)});
  if (!matches(at(r, 3), "TABLE")) return out;
  // The procedure matches names as LIKE patterns; the rows are filtered
  // exactly here.
  for (const auto& row : list_tables(fetch, at(r, 1), at(r, 2))) {
    std::string cat = text_of(row, 0), schema = text_of(row, 1), name = text_of(row, 2);
    if (text_of(row, 3) != "TABLE" || !matches(at(r, 0), cat) || !matches(at(r, 1), schema) ||
        !matches(at(r, 2), name))
      continue;
    out->add({text(cat), text(schema), text(name), text("TABLE"), null(), null(), null(), null(),
              null()});
  }
  return out;
}

struct table_ref {
  std::string catalog, schema, name;
};

// The tables a request names, or every table when it names none.
std::vector<table_ref> tables_named(const fetcher& fetch, const std::optional<std::string>& catalog,
                                    const std::optional<std::string>& schema,
                                    const std::optional<std::string>& name) {
  std::vector<table_ref> out;
  for (const auto& row : list_tables(fetch, schema, name)) {
    table_ref t{text_of(row, 0), text_of(row, 1), text_of(row, 2)};
    if (text_of(row, 3) == "TABLE" && matches(catalog, t.catalog) && matches(schema, t.schema) &&
        matches(name, t.name))
      out.push_back(std::move(t));
  }
  return out;
}

rows primary_key_rows(const fetcher& fetch, const table_ref& t) {
  return fetch("EXEC sp_pkeys @table_name = " + quote_literal(t.name) +
               ", @table_owner = " + quote_literal(t.schema));
}

std::unique_ptr<oledb::result_set> primary_keys(const fetcher& fetch, const oledb::restrictions& r) {
  auto out = std::make_unique<oledb::memory_result>(std::vector<result_column>{
      name_col("TABLE_CATALOG"), name_col("TABLE_SCHEMA"), name_col("TABLE_NAME"),
      name_col("COLUMN_NAME"), col("COLUMN_GUID", column_kind::uniqueidentifier),
      col("COLUMN_PROPID", column_kind::ole_ui4), col("ORDINAL", column_kind::ole_ui4),
      name_col("PK_NAME")});
  for (const auto& t : tables_named(fetch, at(r, 0), at(r, 1), at(r, 2)))
    for (const auto& row : primary_key_rows(fetch, t))
      out->add({text(text_of(row, 0)), text(text_of(row, 1)), text(text_of(row, 2)),
                text(text_of(row, 3)), null(), null(), num(int_of(row, 4)),
                text(text_of(row, 5))});
  return out;
}

std::unique_ptr<oledb::result_set> foreign_keys(const fetcher& fetch, const oledb::restrictions& r) {
  std::vector<result_column> cols;
  for (const char* n : {"PK_TABLE_CATALOG", "PK_TABLE_SCHEMA", "PK_TABLE_NAME", "PK_COLUMN_NAME"})
    cols.push_back(name_col(n));
  cols.push_back(col("PK_COLUMN_GUID", column_kind::uniqueidentifier));
  cols.push_back(col("PK_COLUMN_PROPID", column_kind::ole_ui4));
  for (const char* n : {"FK_TABLE_CATALOG", "FK_TABLE_SCHEMA", "FK_TABLE_NAME", "FK_COLUMN_NAME"})
    cols.push_back(name_col(n));
  cols.push_back(col("FK_COLUMN_GUID", column_kind::uniqueidentifier));
  cols.push_back(col("FK_COLUMN_PROPID", column_kind::ole_ui4));
  cols.push_back(col("ORDINAL", column_kind::ole_ui4));
  for (const char* n : {"UPDATE_RULE", "DELETE_RULE", "PK_NAME", "FK_NAME"}) cols.push_back(name_col(n));
  cols.push_back(col("DEFERRABILITY", column_kind::ole_i2));
  auto out = std::make_unique<oledb::memory_result>(std::move(cols));
  // The procedure needs one of the two tables; each side's tables are
  // asked for in turn.
  std::vector<std::string> requests;
  if (at(r, 2)) {
    for (const auto& t : tables_named(fetch, at(r, 0), at(r, 1), at(r, 2)))
      requests.push_back("EXEC sp_fkeys @pktable_name = " + quote_literal(t.name) +
                         ", @pktable_owner = " + quote_literal(t.schema) +
                         arg("fktable_name", at(r, 5)) + arg("fktable_owner", at(r, 4)));
  } else {
    for (const auto& t : tables_named(fetch, at(r, 3), at(r, 4), at(r, 5)))
      requests.push_back("EXEC sp_fkeys @fktable_name = " + quote_literal(t.name) +
                         ", @fktable_owner = " + quote_literal(t.schema));
  }
  for (const auto& sql : requests) {
    for (const auto& row : fetch(sql)) {
      if (!matches(at(r, 0), text_of(row, 0)) || !matches(at(r, 1), text_of(row, 1)) ||
          !matches(at(r, 2), text_of(row, 2)) || !matches(at(r, 3), text_of(row, 4)) ||
          !matches(at(r, 4), text_of(row, 5)) || !matches(at(r, 5), text_of(row, 6)))
        continue;
      std::string pk_name = text_of(row, 12);
      out->add({text(text_of(row, 0)), text(text_of(row, 1)), text(text_of(row, 2)),
                text(text_of(row, 3)), null(), null(), text(text_of(row, 4)),
                text(text_of(row, 5)), text(text_of(row, 6)), text(text_of(row, 7)), null(),
                null(), num(int_of(row, 8)), text(rule_text(int_of(row, 9))),
                text(rule_text(int_of(row, 10))), pk_name.empty() ? null() : text(pk_name),
                text(text_of(row, 11)), num(3)});
    }
  }
  return out;
}

std::unique_ptr<oledb::result_set> indexes(const fetcher& fetch, const oledb::restrictions& r) {
  std::vector<result_column> cols;
  for (const char* n : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_CATALOG",
                        "INDEX_SCHEMA", "INDEX_NAME"})
    cols.push_back(name_col(n));
  cols.push_back(col("PRIMARY_KEY", column_kind::bit));
  cols.push_back(col("UNIQUE", column_kind::bit));
  cols.push_back(col("CLUSTERED", column_kind::bit));
  cols.push_back(col("TYPE", column_kind::ole_ui2));
  cols.push_back(col("FILL_FACTOR", column_kind::ole_i4));
  cols.push_back(col("INITIAL_SIZE", column_kind::ole_i4));
  cols.push_back(col("NULLS", column_kind::ole_i4));
  cols.push_back(col("SORT_BOOKMARKS", column_kind::bit));
  cols.push_back(col("AUTO_UPDATE", column_kind::bit));
  cols.push_back(col("NULL_COLLATION", column_kind::ole_i4));
  cols.push_back(col("ORDINAL_POSITION", column_kind::ole_ui4));
  cols.push_back(name_col("COLUMN_NAME"));
  cols.push_back(col("COLUMN_GUID", column_kind::uniqueidentifier));
  cols.push_back(col("COLUMN_PROPID", column_kind::ole_ui4));
  cols.push_back(col("COLLATION", column_kind::ole_i2));
  cols.push_back(col("CARDINALITY", column_kind::ole_ui8));
  cols.push_back(col("PAGES", column_kind::ole_i4));
  cols.push_back(name_col("FILTER_CONDITION"));
  cols.push_back(col("INTEGRATED", column_kind::bit));
  auto out = std::make_unique<oledb::memory_result>(std::move(cols));
  if (at(r, 3) && *at(r, 3) != "1") return out;
  struct row_key {
    bool unique;
    std::string schema, name;
    int64_t ordinal;
    std::vector<field_value> row;
  };
  std::vector<row_key> keyed;
  for (const auto& t : tables_named(fetch, at(r, 0), at(r, 1), at(r, 4))) {
    std::string pk_name;
    for (const auto& row : primary_key_rows(fetch, t)) pk_name = text_of(row, 5);
    for (const auto& row :
         fetch("EXEC sp_statistics @table_name = " + quote_literal(t.name) + ", @table_owner = " +
               quote_literal(t.schema) + ", @is_unique = N'N', @accuracy = N'Q'")) {
      const int64_t type = int_of(row, 6);
      if (type == 0) continue;  // the table's own statistics row
      const std::string name = text_of(row, 5);
      if (!matches(at(r, 2), name)) continue;
      const bool unique = int_of(row, 3) == 0;
      const bool clustered = type == 1;
      const int64_t ordinal = int_of(row, 7);
      const bool primary = !pk_name.empty() && name == pk_name;
      keyed.push_back(row_key{
          unique,
          t.schema,
          name,
          ordinal,
          {text(t.catalog), text(t.schema), text(t.name), text(t.catalog), text(t.schema),
           text(name), num(primary), num(unique), num(clustered), num(1), num(0), null(), num(0),
           num(0), num(1), num(4), num(ordinal), text(text_of(row, 8)), null(), null(),
           num(text_of(row, 9) == "D" ? 2 : 1), null(), null(), null(), num(clustered)}});
    }
  }
  // The provider's order: non-unique indexes first, then by name and
  // column position.
  std::stable_sort(keyed.begin(), keyed.end(), [](const row_key& a, const row_key& b) {
    return std::make_tuple(a.unique, lower(a.schema), lower(a.name), a.ordinal) <
           std::make_tuple(b.unique, lower(b.schema), lower(b.name), b.ordinal);
  });
  for (auto& k : keyed) out->add(std::move(k.row));
  return out;
}

}  // namespace

std::string quote_literal(const std::string& s) {
  std::string out = "N'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string quote_name(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

void split_table_name(const std::string& name, std::string& owner, std::string& table) {
  owner.clear();
  table = name;
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
    std::string inner = name.substr(1, name.size() - 2);
    size_t sep = inner.find("].[");
    if (sep != std::string::npos) {
      owner = inner.substr(0, sep);
      table = inner.substr(sep + 3);
    } else {
      table = inner;
    }
  }
}

std::string quote_table_name(const std::string& name) {
  std::string owner, table;
  split_table_name(name, owner, table);
  return owner.empty() ? quote_name(table) : quote_name(owner) + "." + quote_name(table);
}

std::vector<std::pair<std::string, oledb::column_type>> declared_columns(
    const fetcher& fetch, const std::string& owner, const std::string& table) {
  std::vector<std::pair<std::string, oledb::column_type>> out;
  std::string sql = "EXEC sp_columns @table_name = " + quote_literal(table);
  if (!owner.empty()) sql += ", @table_owner = " + quote_literal(owner);
  for (const auto& row : fetch(sql)) {
    // The arguments are LIKE patterns: only this table's rows count.
    if (!iequals(text_of(row, 2), table) || (!owner.empty() && !iequals(text_of(row, 1), owner)))
      continue;
    if (auto t = declared_type(text_of(row, 5), int_of(row, 6), static_cast<int>(int_of(row, 8))))
      out.emplace_back(text_of(row, 3), *t);
  }
  return out;
}

std::unique_ptr<oledb::result_set> schema_answer(oledb::schema_kind kind,
                                                 const oledb::restrictions& r,
                                                 const fetcher& fetch) {
  switch (kind) {
    case oledb::schema_kind::catalogs:
      return catalogs(fetch, r);
    case oledb::schema_kind::tables:
      return tables(fetch, r);
    case oledb::schema_kind::primary_keys:
      return primary_keys(fetch, r);
    case oledb::schema_kind::foreign_keys:
      return foreign_keys(fetch, r);
    case oledb::schema_kind::indexes:
      return indexes(fetch, r);
  }
  return nullptr;
}

}  // namespace tsl::freetds
