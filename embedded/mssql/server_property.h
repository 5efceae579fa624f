#pragma once
// SERVERPROPERTY(name): what the server tells about itself, derived from its
// @@VERSION text. Unknown names give NULL, as in SQL Server.
#include <string>

#include "embedded/mssql/value.h"

namespace tsl::mssql {

value server_property(const std::string& name, const std::string& version_text,
                      const std::string& server_name);

}  // namespace tsl::mssql
