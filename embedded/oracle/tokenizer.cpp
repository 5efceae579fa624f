#include "embedded/oracle/tokenizer.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "embedded/oracle/oracle_error.h"

namespace tsl::eora {

namespace {

bool name_start(unsigned char c) {
  return std::isalpha(c) || c >= 0x80;
}
bool name_part(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

}  // namespace

bool is_reserved(const std::string& w) {
  static const std::set<std::string> words = {
      "ACCESS",    "ADD",      "ALL",        "ALTER",      "AND",      "ANY",        "AS",
      "ASC",       "AUDIT",    "BETWEEN",    "BY",         "CHAR",     "CHECK",      "CLUSTER",
      "COLUMN",    "COMMENT",  "COMPRESS",   "CONNECT",    "CREATE",   "CURRENT",    "DATE",
      "DECIMAL",   "DEFAULT",  "DELETE",     "DESC",       "DISTINCT", "DROP",       "ELSE",
      "EXCLUSIVE", "EXISTS",   "FILE",       "FLOAT",      "FOR",      "FROM",       "GRANT",
      "GROUP",     "HAVING",   "IDENTIFIED", "IMMEDIATE",  "IN",       "INCREMENT",  "INDEX",
      "INITIAL",   "INSERT",   "INTEGER",    "INTERSECT",  "INTO",     "IS",         "LEVEL",
      "LIKE",      "LOCK",     "LONG",       "MAXEXTENTS", "MINUS",    "MLSLABEL",   "MODE",
      "MODIFY",    "NOAUDIT",  "NOCOMPRESS", "NOT",        "NOWAIT",   "NULL",       "NUMBER",
      "OF",        "OFFLINE",  "ON",         "ONLINE",     "OPTION",   "OR",         "ORDER",
      "PCTFREE",   "PRIOR",    "PRIVILEGES", "PUBLIC",     "RAW",      "RENAME",     "RESOURCE",
      "REVOKE",    "ROW",      "ROWID",      "ROWNUM",     "ROWS",     "SELECT",     "SESSION",
      "SET",       "SHARE",    "SIZE",       "SMALLINT",   "START",    "SUCCESSFUL", "SYNONYM",
      "SYSDATE",   "TABLE",    "THEN",       "TO",         "TRIGGER",  "UID",        "UNION",
      "UNIQUE",    "UPDATE",   "USER",       "VALIDATE",   "VALUES",   "VARCHAR",    "VARCHAR2",
      "VIEW",      "WHENEVER", "WHERE",      "WITH"};
  return words.count(w) != 0;
}

std::vector<token> tokenize(std::string_view s, size_t max_name) {
  std::vector<token> out;
  size_t i = 0;
  while (true) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= s.size()) break;
    unsigned char c = static_cast<unsigned char>(s[i]);
    token t;
    t.offset = i;
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t e = s.find("*/", i + 2);
      i = e == std::string_view::npos ? s.size() : e + 2;
      continue;
    }
    if (name_start(c)) {
      size_t b = i;
      while (i < s.size() && name_part(static_cast<unsigned char>(s[i]))) ++i;
      t.kind = token_kind::name;
      t.text.assign(s.substr(b, i - b));
      for (char& ch : t.text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      if (t.text.size() > max_name) throw make_error(972);
    } else if (c == '"') {
      size_t e = s.find('"', i + 1);
      if (e == std::string_view::npos) throw make_error(1740);
      t.kind = token_kind::quoted_name;
      t.text.assign(s.substr(i + 1, e - i - 1));
      if (t.text.empty()) throw make_error(1741);
      if (t.text.size() > max_name) throw make_error(972);
      i = e + 1;
    } else if (c == '\'') {
      ++i;
      while (true) {
        if (i >= s.size()) throw make_error(1756);
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            t.text.push_back('\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text.push_back(s[i++]);
      }
      // Longer text than a VARCHAR2 holds travels in a bind, not a literal.
      if (t.text.size() > max_literal_bytes) throw make_error(1704);
      t.kind = token_kind::string;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() &&
                                   std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t b = i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < s.size() && s[i] == '.' && !(i + 1 < s.size() && s[i + 1] == '.')) {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
          i = j;
          while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        }
      }
      t.kind = token_kind::number;
      t.text.assign(s.substr(b, i - b));
    } else if (c == ':' && i + 1 < s.size() &&
               (name_part(static_cast<unsigned char>(s[i + 1])) || s[i + 1] == '"')) {
      ++i;
      size_t b = i;
      if (s[i] == '"') {
        size_t e = s.find('"', i + 1);
        if (e == std::string_view::npos) throw make_error(1740);
        t.text.assign(s.substr(i + 1, e - i - 1));
        i = e + 1;
      } else {
        while (i < s.size() && name_part(static_cast<unsigned char>(s[i]))) ++i;
        t.text.assign(s.substr(b, i - b));
        for (char& ch : t.text)
          ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      }
      t.kind = token_kind::bind;
    } else {
      static constexpr std::string_view two[] = {"||", "<>", "!=", "^=", "<=", ">=", ":="};
      t.kind = token_kind::symbol;
      for (std::string_view op : two) {
        if (s.substr(i, 2) == op) {
          t.text.push_back(op[0]);
          t.text.push_back(op[1]);
          break;
        }
      }
      if (t.text.empty()) {
        if (std::string_view("(),.;+-*/=<>").find(static_cast<char>(c)) == std::string_view::npos)
          throw make_error(911);
        t.text.assign(1, static_cast<char>(c));
      }
      i += t.text.size();
    }
    t.end = i;
    out.push_back(std::move(t));
  }
  token end;
  end.offset = end.end = s.size();
  out.push_back(end);
  return out;
}

}  // namespace tsl::eora
