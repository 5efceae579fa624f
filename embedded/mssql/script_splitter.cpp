#include "embedded/mssql/script_splitter.h"

#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

namespace {

// 0 when the line is not a batch separator; else how often to run the batch
// (-1 for "GO" alone, which runs it once).
int separator(std::string_view line) {
  size_t b = line.find_first_not_of(" \t\r");
  size_t l = line.find_last_not_of(" \t\r");
  if (b == std::string_view::npos) return 0;
  std::string_view word = line.substr(b, l - b + 1);
  if (word.size() < 2 || (word[0] != 'G' && word[0] != 'g') || (word[1] != 'O' && word[1] != 'o'))
    return 0;
  if (word.size() == 2) return -1;
  std::string_view rest = word.substr(2);
  size_t k = rest.find_first_not_of(" \t");
  if (k == 0 || k == std::string_view::npos ||
      rest.substr(k).find_first_not_of("0123456789") != std::string_view::npos)
    return 0;
  std::string digits(rest.substr(k));
  if (digits.size() > 9) throw err::generic(102, "Incorrect syntax near '" + digits + "'.", 15);
  const int n = std::stoi(digits);
  return n == 0 ? -2 : n;
}

}  // namespace

void script_splitter::scan(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (comment_depth_ > 0) {
      if (c == '*' && next == '/') {
        --comment_depth_;
        ++i;
      } else if (c == '/' && next == '*') {
        ++comment_depth_;
        ++i;
      }
    } else if (quote_) {
      // A doubled closing character stays inside.
      if (c == quote_) {
        if (next == quote_)
          ++i;
        else
          quote_ = 0;
      }
    } else if (c == '-' && next == '-') {
      return;
    } else if (c == '/' && next == '*') {
      comment_depth_ = 1;
      ++i;
    } else if (c == '\'' || c == '"') {
      quote_ = c;
    } else if (c == '[') {
      quote_ = ']';
    }
  }
}

std::optional<script_batch> script_splitter::add_line(std::string_view line) {
  ++line_no_;
  // A CR stays: it may belong to a string that spans lines.
  const int go = comment_depth_ > 0 ? 0 : separator(line);
  if (go == 0) {
    scan(line);
    current_.append(line);
    current_ += '\n';
    return std::nullopt;
  }
  // A quote still open at GO ends with the batch, as the server sees it.
  quote_ = 0;
  script_batch b{std::move(current_), first_, go == -1 ? 1 : go == -2 ? 0 : go};
  current_.clear();
  first_ = line_no_ + 1;
  if (b.text.find_first_not_of(" \t\r\n") == std::string::npos) b.repeat = 0;
  return b;
}

std::optional<script_batch> script_splitter::finish() {
  if (current_.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
  script_batch b{std::move(current_), first_, 1};
  current_.clear();
  return b;
}

}  // namespace tsl::mssql
