#pragma once
// Splits Oracle SQL text into tokens. Unquoted names are folded to upper
// case; comments and hints are skipped.
#include <string>
#include <string_view>
#include <vector>

namespace tsl::eora {

enum class token_kind { end, name, quoted_name, string, number, bind, symbol };

struct token {
  token_kind kind = token_kind::end;
  std::string text;   // name folded to upper case, string without quotes
  size_t offset = 0;  // in the statement text
  size_t end = 0;
};

// The longest text literal, in bytes of the database character set.
constexpr size_t max_literal_bytes = 4000;

// Raises ORA-00911 (invalid character), ORA-01756 (unterminated string),
// ORA-01704 (a text literal over max_literal_bytes),
// ORA-01740 (unterminated quoted name), ORA-01741 (empty quoted name) and
// ORA-00972 (a name over max_name bytes: 30 before release 12.2, 128 after).
std::vector<token> tokenize(std::string_view sql, size_t max_name = 30);

// Words that cannot be unquoted names.
bool is_reserved(const std::string& upper_word);

}  // namespace tsl::eora
