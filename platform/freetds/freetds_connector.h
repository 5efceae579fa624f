#pragma once
// The connector that reaches SQL Server over the network with FreeTDS's
// db-lib: every data source but the embedded server's.
//
// Connection string keys beyond the provider's own: "Connect Timeout"
// (seconds, default 15), "Command Timeout" (seconds a request may wait for
// the server, default 600, 0 for ever), "Encrypt" (yes/true/mandatory:
// require TLS; off: never; no/optional or absent: when the server offers
// it) and "TrustServerCertificate" (no: check the server's certificate
// against the system's authorities, the default when encryption is
// required; yes: accept any certificate). The
// environment variable TSL_MSSQL_OPTIONS may give the same keys
// ("Encrypt=yes;Connect Timeout=5"); the connection string's own win.
#include "platform/freetds/tds_session.h"
#include "platform/oledb/connection_string.h"

namespace tsl::freetds {

inline constexpr const char* kOptionsVariable = "TSL_MSSQL_OPTIONS";

// Registers the connector with the provider; calling it again changes nothing.
void install_freetds_connector();

// The library settings for a provider connection string's settings; throws
// oledb::server_error for a data source or option it cannot take.
tds_settings settings_for(const oledb::connection_settings& s);

}  // namespace tsl::freetds
