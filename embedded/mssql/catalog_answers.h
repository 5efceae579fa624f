#pragma once
// The catalogue requests a client makes: sp_columns, sp_databases,
// sp_tables and the five OLE DB schema rowsets, answered with SQL Server's
// columns and row order.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "embedded/mssql/database.h"
#include "embedded/mssql/result_set.h"

namespace tsl::mssql {

class server;

enum class schema_kind { catalogs, tables, primary_keys, foreign_keys, indexes };

using restrictions = std::vector<std::optional<std::string>>;

struct sp_columns_args {
  std::string table_name;  // may hold % and _ wildcards
  std::optional<std::string> owner, qualifier, column_name;
  int odbc_ver = 2;
};

std::unique_ptr<result_set> sp_columns(const database& db, const sp_columns_args& args);
std::unique_ptr<result_set> sp_databases(server& srv);
// table_type: a list such as "'TABLE','VIEW'"; only tables are listed.
std::unique_ptr<result_set> sp_tables(const database& db, const std::optional<std::string>& name,
                                      const std::optional<std::string>& owner,
                                      const std::optional<std::string>& table_type = std::nullopt);

// The ODBC procedures that take one table without wildcards: without an
// owner they look in default_owner, then in dbo.
struct table_args {
  std::optional<std::string> name, owner, qualifier;
};
std::unique_ptr<result_set> sp_pkeys(const database& db, const table_args& t,
                                     const std::string& default_owner);
// Foreign keys pointing at pk, or held by fk, or both (one at least given).
std::unique_ptr<result_set> sp_fkeys(const database& db, const table_args& pk, const table_args& fk,
                                     const std::string& default_owner);
// A table-statistics row, then one row per index column; unique_only for
// @is_unique = 'Y'.
std::unique_ptr<result_set> sp_statistics(const database& db, const table_args& t,
                                          const std::optional<std::string>& index_name,
                                          bool unique_only, const std::string& default_owner);
std::unique_ptr<result_set> schema_rowset(server& srv, const database& db, schema_kind kind,
                                          const restrictions& r);

// LIKE-style match of % and _ ignoring case.
bool like_match(const std::string& text, const std::string& pattern);

}  // namespace tsl::mssql
