#pragma once
// Reads whole client messages, packet by packet. Nothing in a header is
// trusted: a packet length outside the limits, a packet of another type in
// the middle of a message, a message past its size limit or a connection
// closed in the middle of one is a tds_error.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "embedded/mssql_tds/byte_stream.h"

namespace tsl::tds {

struct message {
  uint8_t type = 0;
  uint8_t status = 0;  // of the first packet (reset-connection bits)
  bool ignore = false; // the client abandoned the request
  std::string payload;
};

struct reader_limits {
  size_t max_packet = 65535;          // clients may send up to the 16-bit length
  size_t max_message = 64u << 20;     // a batch or an RPC with its values
  size_t max_login = 128u * 1024 - 1; // LOGIN7 and PRELOGIN
};

class message_reader {
 public:
  message_reader(byte_source& in, reader_limits limits) : in_(in), limits_(limits) {}
  // The next message; nullopt when the client closed the connection
  // between messages.
  std::optional<message> next();

 private:
  bool read_exact(char* buf, size_t n, bool eof_ok);
  byte_source& in_;
  reader_limits limits_;
};

}  // namespace tsl::tds
