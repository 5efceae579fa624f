#pragma once
// One client connection: PRELOGIN, LOGIN7, then SQL batches, RPCs and
// attentions until the client leaves. A fault in what the client sends ends
// this connection with a trace line; it never reaches the server's data.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "embedded/mssql/server.h"
#include "embedded/mssql_tds/message_reader.h"
#include "embedded/mssql_tds/socket_stream.h"

namespace tsl::tds {

struct session_options {
  reader_limits limits;
  int login_timeout = 30;    // seconds to complete the login
  int write_timeout = 300;   // seconds a client may leave its results unread
  std::function<void(const std::string&)> log;
};

class tds_session {
 public:
  tds_session(std::shared_ptr<socket_stream> stream, std::shared_ptr<mssql::server> srv,
              session_options options, uint16_t spid, std::string peer);
  // Serves the connection until it ends; never throws.
  void run();
  // Refuses the login with error 17809 (too many connections).
  void refuse_busy(int limit) { busy_limit_ = limit; }

 private:
  void serve();
  void trace(const std::string& line) const;

  std::shared_ptr<socket_stream> stream_;
  std::shared_ptr<mssql::server> server_;
  session_options options_;
  uint16_t spid_;
  std::string peer_;
  int busy_limit_ = 0;
};

}  // namespace tsl::tds
