#pragma once
// Remote procedure calls: the procedure (by name or by number) and its
// parameters, each value decoded from its TDS type into the form a literal
// of the engine has (integers, reals, exact numbers, texts, bytes).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "embedded/mssql/sql_type.h"
#include "embedded/mssql/value.h"

namespace tsl::tds {

struct rpc_param {
  std::string name;  // lower case with the @; empty when positional
  bool output = false;
  mssql::value v;
  bool unicode = false;  // came as an nchar/nvarchar/ntext value
  mssql::sql_type type;  // as its TYPE_INFO declares it
  bool typed = false;    // false for a NULLTYPE value
};

struct rpc_call {
  std::string proc;      // lower case; empty when called by number
  uint16_t proc_id = 0;  // 10 = sp_executesql, ...
  std::vector<rpc_param> params;
};

// The calls of one RPC message (after ALL_HEADERS). A malformed message is
// a tds_error; a well-formed parameter of a type the server does not take
// (xml, CLR types, table-valued) is sql_error 8009.
std::vector<rpc_call> parse_rpc(std::string_view payload, uint32_t tds_version);

}  // namespace tsl::tds
