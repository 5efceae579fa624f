#pragma once
// Parses one Oracle SQL statement. Malformed text raises the ORA- error
// Oracle gives for it.
#include <string_view>

#include "embedded/oracle/ast.h"

namespace tsl::eora {

// `max_name`: the longest name in bytes the release accepts.
stmt_ptr parse_statement(std::string_view sql, size_t max_name = 30);

// One expression, as in a column's DEFAULT.
expr_ptr parse_expression(std::string_view text, size_t max_name = 30);

}  // namespace tsl::eora
