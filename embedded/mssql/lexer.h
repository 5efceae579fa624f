#pragma once
// Splits T-SQL text into tokens. Comments (-- and nested /* */) vanish;
// [bracketed] and "quoted" identifiers keep their inner text; strings are
// unescaped ('' becomes ').
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tsl::mssql {

enum class tok { end, ident, quoted_ident, number, string, nstring, binary, variable, op };

struct token {
  tok kind = tok::end;
  std::string text;       // binary: the raw bytes
  bool is_float = false;  // a number written with an exponent
};

// Throws sql_error for an unclosed quote, bracket or comment.
std::vector<token> tokenize(std::string_view sql);

// Splits a script into batches at lines that hold only GO.
std::vector<std::string> split_batches(std::string_view script);

}  // namespace tsl::mssql
