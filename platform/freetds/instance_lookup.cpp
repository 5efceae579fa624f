#include "platform/freetds/instance_lookup.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <vector>

#include "platform/oledb/connector.h"

namespace tsl::freetds {
namespace {

bool iequals(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

class udp_socket {
 public:
  explicit udp_socket(int fd) : fd_(fd) {}
  ~udp_socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  udp_socket(const udp_socket&) = delete;
  udp_socket& operator=(const udp_socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<int> port_in_reply(const std::string& reply, const std::string& instance) {
  // Blocks of key;value pairs, one block per instance, ";;" between blocks.
  std::vector<std::string> tokens;
  size_t start = 0;
  for (size_t i = 0; i <= reply.size(); ++i)
    if (i == reply.size() || reply[i] == ';') {
      tokens.push_back(reply.substr(start, i - start));
      start = i + 1;
    }
  bool ours = false;
  for (size_t i = 0; i + 1 < tokens.size();) {
    if (tokens[i].empty()) {  // end of one instance's block
      ours = false;
      ++i;
      continue;
    }
    const std::string& key = tokens[i];
    const std::string& value = tokens[i + 1];
    if (iequals(key, "ServerName")) ours = false;
    if (iequals(key, "InstanceName")) ours = iequals(value, instance);
    if (ours && iequals(key, "tcp") && !value.empty() && value.size() <= 5) {
      int port = 0;
      for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        port = port * 10 + (c - '0');
      }
      if (port >= 1 && port <= 65535) return port;
      return std::nullopt;
    }
    i += 2;
  }
  return std::nullopt;
}

int lookup_instance_port(const std::string& host, const std::string& instance,
                         int timeout_seconds, int browser_port) {
  const std::string where = host + "\\" + instance;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(browser_port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
    throw oledb::unreachable("The host \"" + host + "\" is not known.");
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> holder(found, &::freeaddrinfo);
  udp_socket s(::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
  if (s.get() < 0) throw oledb::unreachable("No socket for the SQL Server Browser of " + host + ".");
  std::string request(1, '\x04');
  request += instance;
  request += '\0';
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::seconds(timeout_seconds > 0 ? timeout_seconds : 15);
  bool refused = false;
  // Datagrams get lost: the request goes again every second until the
  // deadline, unless the host says that nothing listens there.
  while (clock::now() < deadline && !refused) {
    if (::sendto(s.get(), request.data(), request.size(), 0, found->ai_addr, found->ai_addrlen) < 0)
      refused = true;
    const auto until = std::min(deadline, clock::now() + std::chrono::seconds(1));
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - clock::now()).count();
      if (left <= 0) break;
      pollfd p{s.get(), POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buf[65536];
      ssize_t n = ::recv(s.get(), buf, sizeof buf, 0);
      if (n < 0) {
        refused = true;  // port unreachable: no browser there
        break;
      }
      if (n < 3 || buf[0] != '\x05') continue;
      std::string reply(buf + 3, static_cast<size_t>(n) - 3);
      if (auto port = port_in_reply(reply, instance)) return *port;
      throw oledb::unreachable("The SQL Server Browser on " + host +
                               " knows no instance \"" + instance +
                               "\" that accepts TCP connections.");
    }
  }
  throw oledb::unreachable("No instance \"" + instance + "\" answered on " + host +
                           (refused ? " (no SQL Server Browser listens on UDP port 1434)"
                                    : " (the SQL Server Browser on UDP port 1434 did not answer)") +
                           "; give its port instead (" + host + ",PORT).");
}

}  // namespace tsl::freetds
