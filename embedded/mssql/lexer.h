#pragma once
// Splits T-SQL text into tokens. Comments (-- and nested /* */) vanish;
// [bracketed] and "quoted" identifiers keep their inner text; strings are
// unescaped ('' becomes ').
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "embedded/mssql/script_splitter.h"

namespace tsl::mssql {

enum class tok { end, ident, quoted_ident, number, string, nstring, binary, variable, op };

struct token {
  tok kind = tok::end;
  std::string text;       // binary: the raw bytes
  bool is_float = false;  // a number written with an exponent
  bool is_money = false;  // a number written with a currency sign ($20.00)
  size_t pos = 0;         // offset of its first character in the text
};

// Throws sql_error for an unclosed quote, bracket or comment.
std::vector<token> tokenize(std::string_view sql);

// Splits a script into batches at lines that hold only GO.
std::vector<std::string> split_batches(std::string_view script);

std::vector<script_batch> split_script(std::string_view script);

// The 1-based line of a text offset.
int line_of(std::string_view text, size_t pos);

}  // namespace tsl::mssql
