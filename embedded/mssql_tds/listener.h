#pragma once
// The TCP side of the server: listens on one address and port, gives every
// client its own thread and session, keeps the number of connections within
// a limit, and on stop closes them all before it returns.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "embedded/mssql/server.h"
#include "embedded/mssql_tds/tds_session.h"

namespace tsl::tds {

struct listener_options {
  std::string address = "127.0.0.1";  // loopback unless asked otherwise
  uint16_t port = 1433;               // 0: any free port
  int max_connections = 64;
  session_options session;
};

class listener {
 public:
  listener(std::shared_ptr<mssql::server> srv, listener_options options);
  ~listener();
  listener(const listener&) = delete;
  listener& operator=(const listener&) = delete;

  // Binds and listens; the port it listens on. Throws std::runtime_error
  // when the address is bad or taken.
  uint16_t open();
  // Accepts clients until stop_fd becomes readable, then closes every
  // connection and waits for their threads.
  void run(int stop_fd);
  int active_connections() const;

 private:
  struct client {
    std::shared_ptr<socket_stream> stream;
    std::thread thread;
    bool finished = false;
  };
  void accept_one();
  void reap(bool all);

  std::shared_ptr<mssql::server> server_;
  listener_options options_;
  int fd_ = -1;
  mutable std::mutex mutex_;
  std::list<client> clients_;
  uint16_t next_spid_ = 51;
};

}  // namespace tsl::tds
