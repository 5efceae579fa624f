#pragma once
// Parses one batch of T-SQL into statements. Errors are the server's own:
// "Incorrect syntax near ..." with the token where parsing stopped.
#include <string_view>
#include <vector>

#include "embedded/mssql/ast.h"

namespace tsl::mssql {

// starts, when given, receives the text offset where each statement begins.
std::vector<statement> parse_batch(std::string_view sql, std::vector<size_t>* starts = nullptr);

// The text SQL Server keeps for a DEFAULT expression: ((0)), ('abc'),
// (N'abc'), (getdate()).
std::string stored_default_text(const expr& e);

}  // namespace tsl::mssql
