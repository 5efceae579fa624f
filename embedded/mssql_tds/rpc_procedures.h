#pragma once
// The procedures a client calls by RPC: sp_executesql, the prepared
// statements (sp_prepare, sp_prepexec, sp_execute, sp_unprepare) and any
// other procedure by name (the catalogue procedures), with their parameters
// bound to the statement's @names.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "embedded/mssql/session.h"
#include "embedded/mssql_tds/request_runner.h"
#include "embedded/mssql_tds/rpc_request.h"

namespace tsl::tds {

class rpc_procedures {
 public:
  rpc_procedures(mssql::session& s, request_runner& runner) : session_(s), runner_(runner) {}
  // Runs one call and writes its answer; more: another call follows.
  request_runner::outcome call(rpc_call& c, bool more);
  // A new session state (reset connection): prepared statements go.
  void reset() { prepared_.clear(); }

 private:
  request_runner::outcome fail(const mssql::sql_error& e, bool more);
  request_runner::outcome execute_sql(rpc_call& c, bool more);
  request_runner::outcome prepare(rpc_call& c, bool more, bool execute);
  request_runner::outcome execute_prepared(rpc_call& c, bool more);
  request_runner::outcome unprepare(rpc_call& c, bool more);
  request_runner::outcome run_bound(const std::string& statement, const std::string& decl,
                                    std::vector<rpc_param>& ps, size_t first, bool more,
                                    std::optional<request_runner::output_param> out);

  mssql::session& session_;
  request_runner& runner_;
  std::map<int32_t, std::pair<std::string, std::string>> prepared_;  // declarations, statement
  int32_t next_handle_ = 1;
};

}  // namespace tsl::tds
