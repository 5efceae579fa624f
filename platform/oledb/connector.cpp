#include "platform/oledb/connector.h"

#include <algorithm>
#include <vector>

namespace tsl::oledb {
namespace {

std::vector<std::shared_ptr<connector>>& registry() {
  static std::vector<std::shared_ptr<connector>> list;
  return list;
}

}  // namespace

void register_connector(std::shared_ptr<connector> c) {
  auto& list = registry();
  if (std::find(list.begin(), list.end(), c) == list.end()) list.insert(list.begin(), std::move(c));
}

server_error unreachable(const std::string& why) {
  return server_error(results::kFail,
                      error_record{17, 16, 1, "08001",
                                   "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not "
                                   "exist or access denied. " +
                                       why});
}

std::shared_ptr<connection> connect(const connection_settings& s) {
  for (const auto& c : registry())
    if (c->serves(s)) return c->connect(s);
  throw unreachable(
      "Network servers are not supported yet: the data source must be empty, "
      "\".\", \"(local)\" or an embedded server directory.");
}

}  // namespace tsl::oledb
