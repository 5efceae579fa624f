#pragma once
// Where a connection's bytes come from and go to: a socket in the server,
// memory in tests and in the fuzz harness.
#include <cstddef>

namespace tsl::tds {

class byte_source {
 public:
  virtual ~byte_source() = default;
  // Up to n bytes; 0 when the peer closed the connection.
  virtual size_t read_some(char* buf, size_t n) = 0;
};

class byte_sink {
 public:
  virtual ~byte_sink() = default;
  // All n bytes, or a tds_error.
  virtual void write_all(const char* buf, size_t n) = 0;
};

}  // namespace tsl::tds
