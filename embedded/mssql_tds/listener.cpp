#include "embedded/mssql_tds/listener.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace tsl::tds {
namespace {

std::string peer_name(const sockaddr_storage& a) {
  char host[INET6_ADDRSTRLEN] = "?";
  uint16_t port = 0;
  if (a.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
    port = ntohs(in->sin_port);
    return std::string(host) + ":" + std::to_string(port);
  }
  if (a.ss_family == AF_INET6) {
    const auto* in = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &in->sin6_addr, host, sizeof host);
    port = ntohs(in->sin6_port);
  }
  return "[" + std::string(host) + "]:" + std::to_string(port);
}

}  // namespace

listener::listener(std::shared_ptr<mssql::server> srv, listener_options options)
    : server_(std::move(srv)), options_(std::move(options)) {}

listener::~listener() {
  reap(true);
  if (fd_ >= 0) ::close(fd_);
}

uint16_t listener::open() {
  sockaddr_storage addr{};
  socklen_t len = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&addr);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&addr);
  std::string host = options_.address;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(options_.port);
    len = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(options_.port);
    len = sizeof(sockaddr_in6);
  } else {
    throw std::runtime_error("not an IP address: " + options_.address);
  }
  fd_ = ::socket(addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error(std::string("cannot open a socket: ") + std::strerror(errno));
  int one = 1;
  setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd_, 64) != 0)
    throw std::runtime_error("cannot listen on " + options_.address + " port " +
                             std::to_string(options_.port) + ": " + std::strerror(errno));
  sockaddr_storage bound{};
  socklen_t bound_len = sizeof bound;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &bound_len);
  return ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
}

int listener::active_connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const auto& c : clients_)
    if (!c.finished) ++n;
  return n;
}

void listener::reap(bool all) {
  std::list<client> done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = clients_.begin(); it != clients_.end();) {
      if (all) it->stream->shut_down();
      if (all || it->finished) {
        done.splice(done.end(), clients_, it++);
      } else {
        ++it;
      }
    }
  }
  for (auto& c : done)
    if (c.thread.joinable()) c.thread.join();
}

void listener::accept_one() {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_CLOEXEC);
  if (fd < 0) return;  // the client gave up before we took it
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  auto stream = std::make_shared<socket_stream>(fd);
  const std::string peer = peer_name(addr);
  const int active = active_connections();
  if (active >= 2 * options_.max_connections) {
    // Far over the limit: not even a thread to say so.
    if (options_.session.log) options_.session.log("connection from " + peer + " dropped: too many connections");
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  clients_.push_back(client{stream, {}, false});
  client& c = clients_.back();
  const uint16_t spid = next_spid_++;
  if (next_spid_ == 0) next_spid_ = 51;
  auto session = std::make_shared<tds_session>(stream, server_, options_.session, spid, peer);
  if (active >= options_.max_connections) session->refuse_busy(options_.max_connections);
  c.thread = std::thread([this, session, stream, &c] {
    session->run();
    stream->shut_down();  // the client learns at once, not when the thread is reaped
    std::lock_guard<std::mutex> l(mutex_);
    c.finished = true;
  });
}

void listener::run(int stop_fd) {
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_fd, POLLIN, 0}};
    int n = ::poll(fds, 2, 1000);
    if (n < 0 && errno != EINTR) throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    if (n > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) break;
    if (n > 0 && (fds[0].revents & POLLIN)) accept_one();
    reap(false);
  }
  ::close(fd_);
  fd_ = -1;
  reap(true);
}

}  // namespace tsl::tds
