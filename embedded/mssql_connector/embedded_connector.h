#pragma once
// The connector that reaches the embedded server: the data sources "",
// "." and "(local)" (the default server directory) or a server directory.
namespace tsl::mssql {

// Registers the connector with the provider; calling it again changes nothing.
void install_embedded_connector();

}  // namespace tsl::mssql
