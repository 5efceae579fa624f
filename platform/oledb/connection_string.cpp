#include "platform/oledb/connection_string.h"

#include <cctype>

namespace tsl::oledb {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<connection_settings> parse_connection_string(const std::string& text) {
  connection_settings s;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eq = text.find('=', pos);
    size_t semi = text.find(';', pos);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      // A part without "=": only blanks may stand there.
      size_t end = semi == std::string::npos ? text.size() : semi;
      if (!trim(text.substr(pos, end - pos)).empty()) return std::nullopt;
      pos = end + 1;
      continue;
    }
    std::string key = lower(trim(text.substr(pos, eq - pos)));
    size_t v = eq + 1;
    while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) ++v;
    std::string val;
    if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
      // A quoted value may hold ";" and "="; its quote is written twice.
      char q = text[v++];
      bool closed = false;
      while (v < text.size()) {
        if (text[v] == q) {
          if (v + 1 < text.size() && text[v + 1] == q) {
            val.push_back(q);
            v += 2;
            continue;
          }
          ++v;
          closed = true;
          break;
        }
        val.push_back(text[v++]);
      }
      if (!closed) return std::nullopt;
      while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) ++v;
      if (v < text.size() && text[v] != ';') return std::nullopt;
      pos = v + 1;
    } else {
      size_t end = text.find(';', v);
      if (end == std::string::npos) end = text.size();
      val = trim(text.substr(v, end - v));
      pos = end + 1;
    }
    if (key == "provider")
      s.provider = val;
    else if (key == "data source" || key == "server" || key == "address")
      s.data_source = val;
    else if (key == "initial catalog" || key == "database")
      s.initial_catalog = val;
    else if (key == "user id" || key == "uid" || key == "user")
      s.user = val;
    else if (key == "password" || key == "pwd")
      s.password = val;
    else if (key == "integrated security" || key == "trusted_connection") {
      std::string lv = lower(val);
      s.integrated = lv == "sspi" || lv == "true" || lv == "yes";
    } else {
      s.options[key] = val;
    }
  }
  return s;
}

}  // namespace tsl::oledb
