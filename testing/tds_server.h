#pragma once
// The embedded SQL Server's TDS listener (`tsl-mssql serve`) as a child
// process on a free loopback port, for tests of network clients.
#include <sys/types.h>

#include <string>

namespace tsl::testing {

class tds_server {
 public:
  // Serves the server directory dir with the tool at tool_path; waits until
  // it listens. Throws std::runtime_error when it does not start.
  tds_server(const std::string& tool_path, const std::string& dir);
  // Stops the server (SIGTERM) unless it was killed.
  ~tds_server();
  tds_server(const tds_server&) = delete;
  tds_server& operator=(const tds_server&) = delete;

  int port() const { return port_; }
  // "127.0.0.1,PORT"
  std::string data_source() const;
  // Ends the server at once (SIGKILL), as a crash or a pulled cable would.
  void kill();
  // Freezes the server (SIGSTOP), as a hung host would, and thaws it.
  void freeze();
  void thaw();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string ready_file_;
};

}  // namespace tsl::testing
