#pragma once
// A provider connection to a network server: T-SQL batches, tables by name
// and schema rowsets, over the logins of one pool.
#include <memory>
#include <string>

#include "platform/freetds/session_pool.h"
#include "platform/freetds/tds_catalog.h"
#include "platform/freetds/tds_result.h"
#include "platform/oledb/connector.h"

namespace tsl::freetds {

class tds_connection : public oledb::connection {
 public:
  explicit tds_connection(std::shared_ptr<session_pool> pool) : pool_(std::move(pool)) {}

  std::unique_ptr<oledb::result_set> execute(const std::string& sql, int64_t* rows) override;
  std::unique_ptr<oledb::result_set> open_table(const std::string& name) override;
  std::unique_ptr<oledb::result_set> schema(oledb::schema_kind kind,
                                            const oledb::restrictions& r) override;

 private:
  // The batch's first result with columns, streaming on a login of its
  // own; nullptr when the batch has none.
  std::unique_ptr<tds_result> run(const std::string& sql, int64_t* rows);
  // Every row of a request.
  rows fetch(const std::string& sql);

  std::shared_ptr<session_pool> pool_;
};

}  // namespace tsl::freetds
