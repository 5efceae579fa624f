#include "platform/freetds/server_address.h"

#include <cctype>

namespace tsl::freetds {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool starts_with_nocase(const std::string& s, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i)
    if (i >= s.size() ||
        std::tolower(static_cast<unsigned char>(s[i])) != static_cast<unsigned char>(prefix[i]))
      return false;
  return true;
}

std::optional<server_address> fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return std::nullopt;
}

}  // namespace

std::string server_address::client_name() const {
  const bool v6 = host.find(':') != std::string::npos;
  std::string h = v6 ? "[" + host + "]" : host;
  if (!instance.empty()) return h + "\\" + instance;
  return h + ":" + std::to_string(port ? port : kDefaultPort);
}

std::string server_address::display() const {
  const bool v6 = host.find(':') != std::string::npos;
  std::string h = v6 ? "[" + host + "]" : host;
  if (!instance.empty()) return h + "\\" + instance;
  return h + "," + std::to_string(port ? port : kDefaultPort);
}

std::optional<server_address> parse_server_address(const std::string& input, std::string* why) {
  std::string text = trim(input);
  if (starts_with_nocase(text, "tcp:")) {
    text = trim(text.substr(4));
  } else if (starts_with_nocase(text, "np:") || starts_with_nocase(text, "lpc:") ||
             starts_with_nocase(text, "admin:")) {
    return fail(why, "Only TCP connections are supported; \"" + input +
                         "\" asks for another protocol.");
  }
  server_address a;
  std::string rest;
  if (!text.empty() && text[0] == '[') {
    size_t close = text.find(']');
    if (close == std::string::npos) return fail(why, "The IPv6 address in \"" + input + "\" has no closing bracket.");
    a.host = text.substr(1, close - 1);
    rest = text.substr(close + 1);
  } else {
    size_t cut = text.find_first_of(",\\");
    a.host = trim(text.substr(0, cut));
    rest = cut == std::string::npos ? std::string() : text.substr(cut);
  }
  if (a.host.empty()) return fail(why, "The data source \"" + input + "\" names no host.");
  for (char c : a.host)
    if (std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == '[' || c == ']')
      return fail(why, "The host name in \"" + input + "\" is not valid.");
  rest = trim(rest);
  if (rest.empty()) return a;
  if (rest[0] == '\\') {
    a.instance = trim(rest.substr(1));
    size_t comma = a.instance.find(',');
    if (comma != std::string::npos) {
      // "host\instance,port": the port wins, as SQL Server clients have it.
      std::string port = trim(a.instance.substr(comma + 1));
      a.instance = trim(a.instance.substr(0, comma));
      rest = "," + port;
    } else {
      if (a.instance.empty()) return fail(why, "The data source \"" + input + "\" names no instance.");
      for (char c : a.instance)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$' && c != '#')
          return fail(why, "The instance name in \"" + input + "\" is not valid.");
      return a;
    }
  }
  if (rest[0] != ',') return fail(why, "The data source \"" + input + "\" is not valid.");
  std::string port = trim(rest.substr(1));
  if (port.empty() || port.size() > 5) return fail(why, "The port in \"" + input + "\" is not valid.");
  int p = 0;
  for (char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return fail(why, "The port in \"" + input + "\" is not valid.");
    p = p * 10 + (c - '0');
  }
  if (p < 1 || p > 65535) return fail(why, "The port in \"" + input + "\" is not valid.");
  a.port = p;
  a.instance.clear();
  return a;
}

}  // namespace tsl::freetds
