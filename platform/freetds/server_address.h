#pragma once
// A network data source as SQL Server clients write it: "host",
// "host\instance" (the port from the SQL Server Browser), "host,port",
// "tcp:host,port" and IPv6 addresses in brackets ("[::1]", "[::1],1433").
#include <optional>
#include <string>

namespace tsl::freetds {

struct server_address {
  std::string host;      // without brackets
  int port = 0;          // 0: the default port, or the instance's
  std::string instance;  // empty: none

  // The form the client library takes: "host:port", "[v6]:port" or
  // "host\instance".
  std::string client_name() const;
  // The form the user wrote, for messages: "host,port" or "host\instance".
  std::string display() const;
};

inline constexpr int kDefaultPort = 1433;

// nullopt with why filled when the text is no address this client reaches
// (an empty host, a bad port, a named pipe or shared-memory prefix).
std::optional<server_address> parse_server_address(const std::string& text, std::string* why);

}  // namespace tsl::freetds
