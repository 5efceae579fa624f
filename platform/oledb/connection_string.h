#pragma once
// The settings of an initialisation string such as
// "Provider=sqloledb;Data Source=.;Initial Catalog=shop;User ID=bob;Password=x;".
#include <map>
#include <optional>
#include <string>

namespace tsl::oledb {

struct connection_settings {
  std::string provider;
  std::string data_source;
  std::string initial_catalog;
  std::string user;
  std::string password;
  bool integrated = false;  // Integrated Security=SSPI (or true/yes)
  // Every other key, lower case, for the connector (time-outs, encryption).
  std::map<std::string, std::string> options;
};

// Keys compare ignoring case and surrounding blanks. A value is taken as it
// stands (blanks around it dropped), or in double or single quotes, where it
// may hold ";" and a quote is written twice. nullopt when a part has no "="
// or a quote is not closed.
std::optional<connection_settings> parse_connection_string(const std::string& text);

}  // namespace tsl::oledb
