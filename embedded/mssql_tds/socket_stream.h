#pragma once
// A connected TCP socket as a byte source and sink. Reads and writes give
// up after a timeout, so a client that stops reading or sending cannot hold
// a session (and its locks) for ever.
#include "embedded/mssql_tds/byte_stream.h"

namespace tsl::tds {

class socket_stream : public byte_source, public byte_sink {
 public:
  // Takes ownership of fd.
  explicit socket_stream(int fd);
  ~socket_stream() override;
  socket_stream(const socket_stream&) = delete;
  socket_stream& operator=(const socket_stream&) = delete;

  size_t read_some(char* buf, size_t n) override;
  void write_all(const char* buf, size_t n) override;
  // Whether the client has sent something not yet read (an attention).
  bool input_pending() const;
  // Seconds a read or a write may wait; 0 waits for ever.
  void set_timeouts(int read_seconds, int write_seconds);
  // Ends reading and writing from another thread (the server stopping).
  void shut_down();
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace tsl::tds
