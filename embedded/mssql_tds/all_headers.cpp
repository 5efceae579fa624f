#include "embedded/mssql_tds/all_headers.h"

#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/wire_reader.h"

namespace tsl::tds {

size_t all_headers_length(std::string_view payload, uint32_t tds_version) {
  if (!version::has_plp(tds_version)) return 0;
  wire_reader r(payload);
  const size_t total = r.u32();
  if (total < 4 || total > payload.size())
    throw tds_error("ALL_HEADERS length " + std::to_string(total) + " does not fit the message");
  // Each header must fit inside the block.
  while (r.pos() < total) {
    const size_t length = r.u32();
    if (length < 6 || length > total - (r.pos() - 4))
      throw tds_error("a header of ALL_HEADERS does not fit the block");
    r.skip(length - 4);
  }
  return total;
}

}  // namespace tsl::tds
