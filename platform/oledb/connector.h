#pragma once
// What the OLE DB objects sit on: one connection to a server that runs
// T-SQL and answers catalogue requests with engine result sets. The
// embedded server is one connector; a network connector can be another.
#include <cstdint>
#include <memory>
#include <string>

#include "embedded/mssql/catalog_answers.h"
#include "embedded/mssql/result_set.h"
#include "platform/oledb/connection_string.h"

namespace tsl::oledb {

class connection {
 public:
  virtual ~connection() = default;
  // The first result set of a batch, or nullptr; throws mssql::sql_error.
  virtual std::unique_ptr<mssql::result_set> execute(const std::string& sql,
                                                     int64_t* rows_affected) = 0;
  virtual std::unique_ptr<mssql::result_set> open_table(const std::string& name) = 0;
  virtual std::unique_ptr<mssql::result_set> schema(mssql::schema_kind kind,
                                                    const mssql::restrictions& r) = 0;
};

// Opens a connection for the settings; throws mssql::sql_error with the
// records a server gives for an unreachable server or a refused login.
std::shared_ptr<connection> connect(const connection_settings& settings);

}  // namespace tsl::oledb
