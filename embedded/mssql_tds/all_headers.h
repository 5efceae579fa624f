#pragma once
// The ALL_HEADERS block that opens SQL batches and RPCs from TDS 7.2 on
// (transaction descriptor, notifications): the server reads past it.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tsl::tds {

// Bytes the block takes at the start of the payload (0 before TDS 7.2);
// throws tds_error when its length does not fit the message.
size_t all_headers_length(std::string_view payload, uint32_t tds_version);

}  // namespace tsl::tds
