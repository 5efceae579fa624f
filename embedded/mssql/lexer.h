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
  bool is_money = false;  // a number written with a currency sign ($20.00)
  size_t pos = 0;         // offset of its first character in the text
};

// Throws sql_error for an unclosed quote, bracket or comment.
std::vector<token> tokenize(std::string_view sql);

// Splits a script into batches at lines that hold only GO.
std::vector<std::string> split_batches(std::string_view script);

// One batch of a script: its text, the script line it starts on (1-based)
// and how many times to run it ("GO 3" runs it three times).
struct script_batch {
  std::string text;
  int first_line = 1;
  int repeat = 1;
};
std::vector<script_batch> split_script(std::string_view script);

// The 1-based line of a text offset.
int line_of(std::string_view text, size_t pos);

}  // namespace tsl::mssql
