#include "embedded/mssql_tds/message_reader.h"

#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/tds_error.h"

namespace tsl::tds {
namespace {

bool known_type(uint8_t t) {
  switch (t) {
    case packet::kSqlBatch:
    case packet::kRpc:
    case packet::kAttention:
    case packet::kBulkLoad:
    case packet::kTransaction:
    case packet::kLogin7:
    case packet::kSspi:
    case packet::kPrelogin:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool message_reader::read_exact(char* buf, size_t n, bool eof_ok) {
  size_t done = 0;
  while (done < n) {
    size_t got = in_.read_some(buf + done, n - done);
    if (got == 0) {
      if (eof_ok && done == 0) return false;
      throw tds_error("the client closed the connection in the middle of a packet");
    }
    done += got;
  }
  return true;
}

std::optional<message> message_reader::next() {
  message m;
  bool first = true;
  for (;;) {
    unsigned char h[packet::kHeader];
    if (!read_exact(reinterpret_cast<char*>(h), sizeof h, first)) return std::nullopt;
    const uint8_t type = h[0];
    const uint8_t status = h[1];
    const size_t length = (static_cast<size_t>(h[2]) << 8) | h[3];
    if (!known_type(type))
      throw tds_error("packet of unknown type 0x" + std::to_string(type) + " (decimal)");
    if (length < packet::kHeader || length > limits_.max_packet)
      throw tds_error("packet length " + std::to_string(length) + " is outside 8.." +
                      std::to_string(limits_.max_packet));
    if (first) {
      m.type = type;
      m.status = status;
    } else if (type != m.type) {
      throw tds_error("a packet of type " + std::to_string(type) +
                      " came in the middle of a message of type " + std::to_string(m.type));
    }
    const size_t limit = (type == packet::kLogin7 || type == packet::kPrelogin)
                             ? limits_.max_login
                             : limits_.max_message;
    const size_t body = length - packet::kHeader;
    if (body > limit - m.payload.size())
      throw tds_error("message longer than its limit of " + std::to_string(limit) + " bytes");
    const size_t at = m.payload.size();
    m.payload.resize(at + body);
    read_exact(m.payload.data() + at, body, false);
    first = false;
    if (status & packet::kEom) {
      m.ignore = (status & packet::kIgnore) != 0;
      return m;
    }
    if (type == packet::kAttention) throw tds_error("an attention packet without end of message");
  }
}

}  // namespace tsl::tds
