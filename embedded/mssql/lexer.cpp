#include "embedded/mssql/lexer.h"

#include <algorithm>
#include <cctype>

#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {
namespace {

bool ident_start(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}
bool ident_char(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}

sql_error unclosed_quote(std::string_view rest) {
  std::string after(rest.substr(0, 64));
  return err::generic(105, "Unclosed quotation mark after the character string '" + after + "'.",
                      15);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

}  // namespace

std::vector<token> tokenize(std::string_view s) {
  std::vector<token> out;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      int depth = 0;
      size_t start = i;
      while (i < n) {
        if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      if (depth != 0) {
        (void)start;
        throw err::generic(113, "Missing end comment mark '*/'.", 15);
      }
      continue;
    }
    token t;
    t.pos = i;
    if (c == '{') {
      // ODBC escapes of date and time literals: {d '...'}, {t '...'}, {ts '...'}.
      size_t j = i + 1;
      while (j < n && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      size_t w = j;
      while (j < n && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
      std::string word(s.substr(w, j - w));
      for (char& ch : word) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (word != "d" && word != "t" && word != "ts") throw err::syntax_near("{");
      while (j < n && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      if (j >= n || s[j] != '\'') throw err::syntax_near("{");
      size_t start = ++j;
      while (j < n && s[j] != '\'') ++j;
      if (j >= n) throw unclosed_quote(s.substr(start));
      t.text = std::string(s.substr(start, j - start));
      ++j;
      while (j < n && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      if (j >= n || s[j] != '}') throw err::syntax_near(t.text);
      i = j + 1;
      t.kind = tok::string;
      out.push_back(std::move(t));
      continue;
    }
    if (c == '$' && i + 1 < n &&
        (std::isdigit(static_cast<unsigned char>(s[i + 1])) || s[i + 1] == '.')) {
      // A money literal: the sign is only a mark of the type.
      t.is_money = true;
      c = static_cast<unsigned char>(s[++i]);
    }
    if ((c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'') {
      t.kind = tok::nstring;
      ++i;
      c = '\'';
    }
    if (c == '\'') {
      if (t.kind != tok::nstring) t.kind = tok::string;
      size_t start = ++i;
      for (;;) {
        if (i >= n) throw unclosed_quote(s.substr(start));
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            t.text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
      out.push_back(std::move(t));
      continue;
    }
    if (c == '[') {
      size_t start = ++i;
      t.kind = tok::quoted_ident;
      for (;;) {
        if (i >= n)
          throw err::generic(105,
                             "Unclosed quotation mark after the character string '" +
                                 std::string(s.substr(start, 64)) + "'.",
                             15);
        if (s[i] == ']') {
          if (i + 1 < n && s[i + 1] == ']') {
            t.text += ']';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
      out.push_back(std::move(t));
      continue;
    }
    if (c == '"') {
      size_t start = ++i;
      t.kind = tok::quoted_ident;
      for (;;) {
        if (i >= n) throw unclosed_quote(s.substr(start));
        if (s[i] == '"') {
          if (i + 1 < n && s[i + 1] == '"') {
            t.text += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
      out.push_back(std::move(t));
      continue;
    }
    if (c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      i += 2;
      size_t start = i;
      while (i < n && std::isxdigit(static_cast<unsigned char>(s[i]))) ++i;
      std::string_view hex = s.substr(start, i - start);
      t.kind = tok::binary;
      size_t k = 0;
      if (hex.size() % 2) t.text += static_cast<char>(hex_value(hex[k++]));
      for (; k + 1 < hex.size(); k += 2)
        t.text += static_cast<char>(hex_value(hex[k]) * 16 + hex_value(hex[k + 1]));
      out.push_back(std::move(t));
      continue;
    }
    if (std::isdigit(c) ||
        (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t start = i;
      while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < n && s[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
          i = j;
          while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
          t.is_float = true;
        }
      }
      t.kind = tok::number;
      t.text = std::string(s.substr(start, i - start));
      out.push_back(std::move(t));
      continue;
    }
    if (c == '@') {
      size_t start = i++;
      if (i < n && s[i] == '@') ++i;
      while (i < n && ident_char(static_cast<unsigned char>(s[i]))) ++i;
      t.kind = tok::variable;
      t.text = std::string(s.substr(start, i - start));
      out.push_back(std::move(t));
      continue;
    }
    if (ident_start(c)) {
      size_t start = i;
      while (i < n && ident_char(static_cast<unsigned char>(s[i]))) ++i;
      t.kind = tok::ident;
      t.text = std::string(s.substr(start, i - start));
      out.push_back(std::move(t));
      continue;
    }
    static const char* const kTwo[] = {"<=", ">=", "<>", "!=", "!<", "!>"};
    t.kind = tok::op;
    bool two = false;
    if (i + 1 < n) {
      for (const char* op : kTwo) {
        if (s[i] == op[0] && s[i + 1] == op[1]) {
          t.text = op;
          i += 2;
          two = true;
          break;
        }
      }
    }
    if (!two) {
      if (std::string_view("(),.;:=<>+-*/%&|^~").find(static_cast<char>(c)) ==
          std::string_view::npos)
        throw err::syntax_near(std::string(1, static_cast<char>(c)));
      t.text = std::string(1, static_cast<char>(c));
      ++i;
    }
    out.push_back(std::move(t));
  }
  token end;
  end.pos = n;
  out.push_back(end);
  return out;
}

int line_of(std::string_view text, size_t pos) {
  pos = std::min(pos, text.size());
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

std::vector<std::string> split_batches(std::string_view script) {
  std::vector<std::string> out;
  for (auto& b : split_script(script))
    for (int k = 0; k < b.repeat; ++k) out.push_back(b.text);
  return out;
}

std::vector<script_batch> split_script(std::string_view script) {
  std::vector<script_batch> out;
  script_splitter splitter;
  size_t i = 0;
  while (i <= script.size()) {
    size_t e = script.find('\n', i);
    if (e == std::string_view::npos) e = script.size();
    if (auto b = splitter.add_line(script.substr(i, e - i)); b && b->repeat > 0)
      out.push_back(std::move(*b));
    i = e + 1;
  }
  if (auto b = splitter.finish()) out.push_back(std::move(*b));
  return out;
}

}  // namespace tsl::mssql
