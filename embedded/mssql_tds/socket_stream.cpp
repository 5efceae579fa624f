#include "embedded/mssql_tds/socket_stream.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "embedded/mssql_tds/tds_error.h"

namespace tsl::tds {

socket_stream::socket_stream(int fd) : fd_(fd) {}

socket_stream::~socket_stream() {
  ::close(fd_);
}

void socket_stream::set_timeouts(int read_seconds, int write_seconds) {
  timeval r{};
  r.tv_sec = read_seconds;
  timeval w{};
  w.tv_sec = write_seconds;
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &r, sizeof r);
  setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &w, sizeof w);
}

void socket_stream::shut_down() {
  ::shutdown(fd_, SHUT_RDWR);
}

size_t socket_stream::read_some(char* buf, size_t n) {
  for (;;) {
    ssize_t got = ::recv(fd_, buf, n, 0);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) throw tds_error("the client sent nothing in time");
    throw tds_error(std::string("cannot read from the client: ") + std::strerror(errno));
  }
}

void socket_stream::write_all(const char* buf, size_t n) {
  while (n > 0) {
    ssize_t sent = ::send(fd_, buf, n, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK)
        throw tds_error("the client stopped reading its results");
      throw tds_error(std::string("the client went away: ") + std::strerror(errno));
    }
    buf += sent;
    n -= static_cast<size_t>(sent);
  }
}

bool socket_stream::input_pending() const {
  char c;
  ssize_t got = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  return got > 0;
}

}  // namespace tsl::tds
