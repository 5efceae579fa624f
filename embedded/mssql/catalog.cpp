#include "embedded/mssql/catalog.h"

#include <cctype>

namespace tsl::mssql {

bool iequals(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string quote_name(const std::string& name) {
  std::string s = "[";
  for (char c : name) {
    s += c;
    if (c == ']') s += ']';
  }
  return s + "]";
}

const char* rule_text(fk_rule r) {
  switch (r) {
    case fk_rule::cascade:
      return "CASCADE";
    case fk_rule::set_null:
      return "SET NULL";
    case fk_rule::set_default:
      return "SET DEFAULT";
    case fk_rule::no_action:
      break;
  }
  return "NO ACTION";
}

int table_info::find_column(const std::string& n) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (iequals(columns[i].name, n)) return static_cast<int>(i);
  return -1;
}

const index_info* table_info::primary_key() const {
  for (const auto& ix : indexes)
    if (ix.primary) return &ix;
  return nullptr;
}

int table_info::identity_column() const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].identity) return static_cast<int>(i);
  return -1;
}

bool table_info::has_computed() const {
  for (const auto& c : columns)
    if (c.computed) return true;
  return false;
}

namespace {
std::string key_list(const std::vector<key_column>& cols) {
  std::string s = "(";
  for (size_t i = 0; i < cols.size(); ++i) {
    if (i) s += ", ";
    s += quote_name(cols[i].name) + (cols[i].desc ? " DESC" : " ASC");
  }
  return s + ")";
}
std::string name_list(const std::vector<std::string>& cols) {
  std::string s = "(";
  for (size_t i = 0; i < cols.size(); ++i) {
    if (i) s += ", ";
    s += quote_name(cols[i]);
  }
  return s + ")";
}
}  // namespace

std::string table_info::script() const {
  std::string s = "CREATE TABLE " + quote_name(schema) + "." + quote_name(name) + " (\n";
  bool first = true;
  for (const auto& c : columns) {
    if (!first) s += ",\n";
    first = false;
    if (c.computed) {
      s += "  " + quote_name(c.name) + " AS " + *c.computed;
      if (c.persisted) s += c.nullable ? " PERSISTED" : " PERSISTED NOT NULL";
      continue;
    }
    s += "  " + quote_name(c.name) + " " +
         (c.alias_schema.empty() ? declaration(c.type)
                                 : quote_name(c.alias_schema) + "." + quote_name(c.type.alias));
    if (c.identity)
      s += " IDENTITY(" + std::to_string(c.seed) + "," + std::to_string(c.increment) + ")";
    s += c.nullable ? " NULL" : " NOT NULL";
    if (c.default_text) {
      if (!c.default_name.empty()) s += " CONSTRAINT " + quote_name(c.default_name);
      s += " DEFAULT " + *c.default_text;
    }
  }
  for (const auto& ix : indexes) {
    if (!ix.constraint) continue;
    s += ",\n  CONSTRAINT " + quote_name(ix.name) + (ix.primary ? " PRIMARY KEY" : " UNIQUE") +
         (ix.clustered ? " CLUSTERED " : " NONCLUSTERED ") + key_list(ix.columns);
  }
  for (const auto& fk : foreign_keys) {
    s += ",\n  CONSTRAINT " + quote_name(fk.name) + " FOREIGN KEY " + name_list(fk.columns) +
         " REFERENCES " + quote_name(fk.ref_schema) + "." + quote_name(fk.ref_table) + " " +
         name_list(fk.ref_columns) + " ON DELETE " + rule_text(fk.on_delete) + " ON UPDATE " +
         rule_text(fk.on_update);
  }
  for (const auto& ck : checks) s += ",\n  CONSTRAINT " + quote_name(ck.name) + " CHECK " + ck.text;
  s += "\n)\n";
  for (const auto& fk : foreign_keys)
    if (!fk.enabled)
      s += "ALTER TABLE " + quote_name(schema) + "." + quote_name(name) + " NOCHECK CONSTRAINT " +
           quote_name(fk.name) + "\n";
  for (const auto& ck : checks)
    if (!ck.enabled)
      s += "ALTER TABLE " + quote_name(schema) + "." + quote_name(name) + " NOCHECK CONSTRAINT " +
           quote_name(ck.name) + "\n";
  for (const auto& ix : indexes) {
    if (ix.constraint) continue;
    s += std::string("CREATE ") + (ix.unique ? "UNIQUE " : "") +
         (ix.clustered ? "CLUSTERED" : "NONCLUSTERED") + " INDEX " + quote_name(ix.name) + " ON " +
         quote_name(schema) + "." + quote_name(name) + " " + key_list(ix.columns);
    if (!ix.include.empty()) s += " INCLUDE " + name_list(ix.include);
    if (!ix.filter.empty()) s += " WHERE " + ix.filter;
    s += "\n";
  }
  return s;
}

}  // namespace tsl::mssql
