#include "embedded/oracle_tool/script.h"

#include <cctype>
#include <sstream>

namespace tsl::eora {

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string upper_words(const std::string& s, size_t count) {
  std::istringstream in(s);
  std::string w, out;
  for (size_t i = 0; i < count && in >> w; ++i) {
    for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out += (i ? " " : "") + w;
  }
  return out;
}

bool plsql_unit(const std::string& text) {
  std::string head = upper_words(text, 4);
  return head.rfind("CREATE TRIGGER", 0) == 0 || head.rfind("CREATE OR REPLACE TRIGGER", 0) == 0 ||
         head.rfind("BEGIN", 0) == 0 || head.rfind("DECLARE", 0) == 0;
}

}  // namespace

std::vector<std::string> split_script(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  bool quote = false, dquote = false, block = false;
  auto flush = [&] {
    std::string s = trim(current);
    if (!s.empty()) out.push_back(s);
    current.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    // A line holding only "/" ends the statement, PL/SQL or not.
    if (!quote && !dquote && !block && (i == 0 || text[i - 1] == '\n')) {
      size_t e = text.find('\n', i);
      std::string line = trim(text.substr(i, e == std::string::npos ? std::string::npos : e - i));
      if (line == "/") {
        flush();
        i = e == std::string::npos ? text.size() : e + 1;
        continue;
      }
    }
    char c = text[i];
    if (block) {
      current.push_back(c);
      if (c == '*' && i + 1 < text.size() && text[i + 1] == '/') {
        current.push_back('/');
        ++i;
        block = false;
      }
      ++i;
      continue;
    }
    if (!quote && !dquote && c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (!quote && !dquote && c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      block = true;
      current += "/*";
      i += 2;
      continue;
    }
    if (c == '\'' && !dquote) quote = !quote;
    if (c == '"' && !quote) dquote = !dquote;
    if (c == ';' && !quote && !dquote && !plsql_unit(current)) {
      flush();
      ++i;
      continue;
    }
    current.push_back(c);
    ++i;
  }
  flush();
  return out;
}

}  // namespace tsl::eora
