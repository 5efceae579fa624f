#include "MSS/mss_select_check.h"

#include <algorithm>
#include <iterator>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"

namespace {

// Words that begin a statement other than a query, write, or reach another
// server with a text of their own. All are reserved in T-SQL, so they never
// stand unquoted for a name.
const char16_t* const kRefused[] = {
    u"ALTER",     u"BACKUP",      u"BEGIN",    u"CHECKPOINT", u"CLOSE",       u"COMMIT",
    u"CREATE",    u"DBCC",        u"DEALLOCATE", u"DECLARE",  u"DELETE",      u"DENY",
    u"DROP",      u"EXEC",        u"EXECUTE",  u"GOTO",       u"GRANT",       u"IF",
    u"INSERT",    u"INTO",        u"KILL",     u"MERGE",      u"OPEN",        u"OPENDATASOURCE",
    u"OPENQUERY", u"OPENROWSET",  u"PRINT",    u"RAISERROR",  u"READTEXT",    u"RECONFIGURE",
    u"RESTORE",   u"RETURN",      u"REVERT",   u"REVOKE",     u"ROLLBACK",    u"SAVE",
    u"SET",       u"SETUSER",     u"SHUTDOWN", u"TRAN",       u"TRANSACTION", u"TRUNCATE",
    u"UPDATE",    u"UPDATETEXT",  u"USE",      u"WAITFOR",    u"WHILE",       u"WRITETEXT",
};

// Words after which a further SELECT continues the same query.
const char16_t* const kJoining[] = {u"UNION", u"ALL", u"EXCEPT", u"INTERSECT"};

[[noreturn]] void refuse(const std::string& why) {
  throw tk_exception(why, 0);
}

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

bool is_word(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'@' || c == u'#' || c == u'$' || c >= 0x80;
}

std::u16string upper_ascii(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

template <size_t N>
bool one_of(const std::u16string& word, const char16_t* const (&list)[N]) {
  return std::any_of(std::begin(list), std::end(list),
                     [&](const char16_t* w) { return word == w; });
}

// The end of a quoted token that starts at `i` and closes with `close`,
// which doubles to stand for itself.
size_t quoted_end(const std::u16string& s, size_t i, char16_t close) {
  for (size_t k = i + 1; k < s.size(); ++k) {
    if (s[k] != close) continue;
    if (k + 1 < s.size() && s[k + 1] == close) {
      ++k;
      continue;
    }
    return k + 1;
  }
  refuse("The query has an unterminated string or quoted name.");
}

// Block comments nest in T-SQL.
size_t comment_end(const std::u16string& s, size_t i) {
  int depth = 0;
  for (size_t k = i; k + 1 < s.size(); ++k) {
    if (s[k] == u'/' && s[k + 1] == u'*') {
      ++depth;
      ++k;
    } else if (s[k] == u'*' && s[k + 1] == u'/') {
      ++k;
      if (--depth == 0) return k + 1;
    }
  }
  refuse("The query has an unterminated comment.");
}

}  // namespace

std::u16string mss_select_check(const std::u16string& sql) {
  size_t end = 0;  // just after the last token that is not a semicolon
  bool ended = false;
  bool first_word = true;
  int depth = 0;
  std::u16string previous;  // the token before, words in upper case
  size_t i = 0;
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
      while (i < sql.size() && sql[i] != u'\n' && sql[i] != u'\r') ++i;
      continue;
    }
    if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
      i = comment_end(sql, i);
      continue;
    }
    if (c == u';') {
      ended = true;
      ++i;
      continue;
    }
    if (ended) refuse("The query must be a single SELECT statement.");
    std::u16string token;
    if (c == u'\'' || c == u'"' || c == u'[') {
      i = quoted_end(sql, i, c == u'[' ? u']' : c);
      token = u"'";
    } else if (is_word(c)) {
      size_t start = i;
      while (i < sql.size() && is_word(sql[i])) ++i;
      token = upper_ascii(sql.substr(start, i - start));
      if (first_word && token != u"SELECT") refuse("The query must start with SELECT.");
      if (token == u"SELECT" && !first_word && previous != u"(" && !one_of(previous, kJoining))
        refuse("The query must be a single SELECT statement.");
      if (one_of(token, kRefused))
        refuse("The query must be a single SELECT statement: " + tk_ucs2_to_ansi(token) +
               " is not accepted in it.");
      first_word = false;
    } else {
      if (first_word && c != u'(') refuse("The query must start with SELECT.");
      if (c == u'(') ++depth;
      if (c == u')' && --depth < 0) refuse("The query has unbalanced parentheses.");
      token = std::u16string(1, c);
      ++i;
    }
    previous = token;
    end = i;
  }
  if (first_word) refuse("The query must start with SELECT.");
  if (depth != 0) refuse("The query has unbalanced parentheses.");
  return sql.substr(0, end);
}

std::u16string mss_select_wrapped(const std::u16string& checked) {
  return u"SELECT * FROM (" + checked + u") AS query";
}
