#pragma once
// Finds the TCP port of a named SQL Server instance by asking the host's SQL
// Server Browser (UDP port 1434) for it, within a time limit.
#include <optional>
#include <string>

namespace tsl::freetds {

inline constexpr int kBrowserPort = 1434;

// The "tcp" port that a browser reply (the data after its 3-byte header:
// "ServerName;H;InstanceName;I;...;tcp;1433;...;;") gives for the instance,
// compared ignoring case; nullopt when the reply does not list it with TCP.
std::optional<int> port_in_reply(const std::string& reply, const std::string& instance);

// Asks the browser at host:browser_port; throws oledb::server_error (the
// client's "does not exist or access denied" record) saying why when no
// port comes back within timeout_seconds.
int lookup_instance_port(const std::string& host, const std::string& instance,
                         int timeout_seconds, int browser_port = kBrowserPort);

}  // namespace tsl::freetds
