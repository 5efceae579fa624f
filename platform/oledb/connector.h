#pragma once
// What the OLE DB objects sit on: one connection to a server that runs
// T-SQL and answers catalogue requests with result sets. Connectors register
// themselves; the first one that serves a data source opens it.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/oledb/connection_string.h"
#include "platform/oledb/result_set.h"
#include "platform/oledb/schema_request.h"
#include "platform/oledb/server_error.h"

namespace tsl::oledb {

class connection {
 public:
  virtual ~connection() = default;
  // The first result set of a batch, or nullptr; throws server_error.
  virtual std::unique_ptr<result_set> execute(const std::string& sql, int64_t* rows_affected) = 0;
  // The rows of a table named [owner].[table]; throws server_error with
  // results::kNoTable when there is no such table.
  virtual std::unique_ptr<result_set> open_table(const std::string& name) = 0;
  virtual std::unique_ptr<result_set> schema(schema_kind kind, const restrictions& r) = 0;
};

class connector {
 public:
  virtual ~connector() = default;
  // Whether this connector reaches the settings' data source.
  virtual bool serves(const connection_settings& settings) const = 0;
  // Throws server_error with the records a server gives for an unreachable
  // server or a refused login.
  virtual std::shared_ptr<connection> connect(const connection_settings& settings) = 0;
};

// Adds a connector; later ones are asked first. Registering the same
// connector twice changes nothing.
void register_connector(std::shared_ptr<connector> c);

// Opens a connection through the first connector that serves the data source.
std::shared_ptr<connection> connect(const connection_settings& settings);

// The record a client gives when no server answers at the data source.
server_error unreachable(const std::string& why);

}  // namespace tsl::oledb
