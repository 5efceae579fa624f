#pragma once
// The PRELOGIN exchange: what the client asks for, and the server's answer.
// The server has no TLS, so it always answers "encryption not supported".
#include <cstdint>
#include <string>
#include <string_view>

#include "embedded/mssql_tds/protocol.h"

namespace tsl::tds {

namespace encrypt {
constexpr uint8_t kOff = 0x00;
constexpr uint8_t kOn = 0x01;
constexpr uint8_t kNotSupported = 0x02;
constexpr uint8_t kRequired = 0x03;
}  // namespace encrypt

struct prelogin_request {
  uint8_t encryption = encrypt::kNotSupported;
  bool mars = false;
  // The client insists on an encrypted connection.
  bool requires_encryption() const {
    const uint8_t e = encryption & 0x7F;
    return e == encrypt::kOn || e == encrypt::kRequired;
  }
};

// Throws tds_error when the option table points outside the payload.
prelogin_request parse_prelogin(std::string_view payload);
// The payload of the reply.
std::string prelogin_reply(const product_version& v);

}  // namespace tsl::tds
