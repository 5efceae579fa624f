#include "testing/tds_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "testing/temp_dir.h"

namespace tsl::testing {

tds_server::tds_server(const std::string& tool, const std::string& dir) {
  ready_file_ = dir + ".port";
  ::unlink(ready_file_.c_str());
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // The listener's own messages would clutter the test output.
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execl(tool.c_str(), tool.c_str(), "--dir", dir.c_str(), "serve", "--port", "0",
            "--ready-file", ready_file_.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 300; ++i) {
    std::string text = read_file(ready_file_);
    if (!text.empty() && text.back() == '\n') {
      port_ = std::stoi(text);
      if (port_ > 0) return;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("tsl-mssql serve ended before it listened");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill();
  throw std::runtime_error("tsl-mssql serve did not start listening");
}

tds_server::~tds_server() {
  if (pid_ > 0) {
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  ::unlink(ready_file_.c_str());
}

std::string tds_server::data_source() const {
  return "127.0.0.1," + std::to_string(port_);
}

void tds_server::freeze() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void tds_server::thaw() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

void tds_server::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace tsl::testing
