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
    size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(pos, end - pos);
    pos = end + 1;
    if (trim(part).empty()) continue;
    size_t eq = part.find('=');
    if (eq == std::string::npos) return std::nullopt;
    std::string key = lower(trim(part.substr(0, eq)));
    std::string val = trim(part.substr(eq + 1));
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
      std::string v = lower(val);
      s.integrated = v == "sspi" || v == "true" || v == "yes";
    }
    // Other keys (Persist Security Info, Application Name, ...) change nothing here.
  }
  return s;
}

}  // namespace tsl::oledb
