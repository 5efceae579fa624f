#include "common/query_one_line.h"

namespace {

bool is_break(char16_t c) {
  return c == u'\r' || c == u'\n';
}

bool is_word(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'@' || c == u'#' || c == u'$' || c >= 0x80;
}

// The length of the line break at `i`: CR LF counts as one.
size_t break_length(const std::u16string& s, size_t i) {
  return s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n' ? 2 : 1;
}

// Comment text that cannot open or close a block comment.
std::u16string inert(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (i + 1 < text.size() && ((text[i] == u'/' && text[i + 1] == u'*') ||
                                (text[i] == u'*' && text[i + 1] == u'/')))
      out += u' ';
  }
  return out;
}

}  // namespace

std::u16string query_one_line(const std::u16string& sql) {
  std::u16string out;
  size_t i = 0;
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (is_break(c)) {
      out += u' ';
      i += break_length(sql, i);
    } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
      size_t end = i + 2;
      while (end < sql.size() && !is_break(sql[end])) ++end;
      if (end == sql.size()) {
        out += sql.substr(i);
      } else {
        out += u"/* " + inert(sql.substr(i + 2, end - i - 2)) + u" */";
      }
      i = end;
    } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
      // Block comments nest; their line breaks mean nothing.
      int depth = 0;
      while (i < sql.size()) {
        if (sql[i] == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
          ++depth;
          out += u"/*";
          i += 2;
        } else if (sql[i] == u'*' && i + 1 < sql.size() && sql[i + 1] == u'/') {
          out += u"*/";
          i += 2;
          if (--depth == 0) break;
        } else if (is_break(sql[i])) {
          out += u' ';
          i += break_length(sql, i);
        } else {
          out += sql[i++];
        }
      }
    } else if (c == u'\'') {
      // A literal: N'...' keeps its prefix, which `out` already holds.
      const bool national = !out.empty() && (out.back() == u'N' || out.back() == u'n') &&
                            (out.size() == 1 || !is_word(out[out.size() - 2]));
      std::u16string parts = u"'";
      bool broken = false;
      ++i;
      while (i < sql.size()) {
        if (sql[i] == u'\'') {
          if (i + 1 < sql.size() && sql[i + 1] == u'\'') {
            parts += u"''";
            i += 2;
            continue;
          }
          parts += u'\'';
          ++i;
          break;
        }
        if (is_break(sql[i])) {
          const size_t n = break_length(sql, i);
          if (parts.back() == u'\\') {
            // A backslash before a line break joins the lines in T-SQL.
            parts.pop_back();
          } else {
            const char16_t* chr = national ? u"NCHAR" : u"CHAR";
            std::u16string codes;
            for (size_t k = 0; k < n; ++k)
              codes += u" + " + std::u16string(chr) + (sql[i + k] == u'\r' ? u"(13)" : u"(10)");
            parts += u"'" + codes + u" + " + (national ? u"N'" : u"'");
            broken = true;
          }
          i += n;
          continue;
        }
        parts += sql[i++];
      }
      if (broken) {
        // The prefix N stays in front of the first part, inside the
        // parentheses that keep the joined parts one operand.
        if (national) {
          out.pop_back();
          out += u"(N" + parts + u")";
        } else {
          out += u"(" + parts + u")";
        }
      } else {
        out += parts;
      }
    } else if (c == u'"' || c == u'[') {
      // A quoted name: copied whole (a line break in a name is kept as a
      // blank; names do not hold them in practice).
      const char16_t close = c == u'[' ? u']' : u'"';
      out += c;
      ++i;
      while (i < sql.size()) {
        if (sql[i] == close) {
          out += close;
          ++i;
          if (i < sql.size() && sql[i] == close) {
            out += close;
            ++i;
            continue;
          }
          break;
        }
        if (is_break(sql[i])) {
          out += u' ';
          i += break_length(sql, i);
        } else {
          out += sql[i++];
        }
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}
