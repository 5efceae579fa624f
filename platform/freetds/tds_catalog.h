#pragma once
// The OLE DB schema rowsets built from SQL Server's documented catalogue
// procedures (sp_databases, sp_tables, sp_pkeys, sp_fkeys, sp_statistics),
// with the columns and row order the provider gives them; and the quoting
// that keeps names and restriction values inert in the requests.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/oledb/result_set.h"
#include "platform/oledb/schema_request.h"

namespace tsl::freetds {

using rows = std::vector<std::vector<oledb::field_value>>;
// Runs a request and hands back all its rows.
using fetcher = std::function<rows(const std::string& sql)>;

std::unique_ptr<oledb::result_set> schema_answer(oledb::schema_kind kind,
                                                 const oledb::restrictions& r,
                                                 const fetcher& fetch);

// N'it''s': a Unicode literal.
std::string quote_literal(const std::string& text);
// [a]]b]: a delimited identifier.
std::string quote_name(const std::string& name);
// "[owner].[table]", "[table]" or "table" as the provider's consumers name
// tables, quoted part by part.
std::string quote_table_name(const std::string& name);
// Splits such a name into owner (empty when none) and table.
void split_table_name(const std::string& name, std::string& owner, std::string& table);

// The column types sp_columns declares for a table, by column name.
std::vector<std::pair<std::string, oledb::column_type>> declared_columns(
    const fetcher& fetch, const std::string& owner, const std::string& table);

}  // namespace tsl::freetds
