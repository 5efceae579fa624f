#include "platform/freetds/client_config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tsl::freetds {
namespace {

bool readable(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

std::string user_config_path() {
  if (const char* env = std::getenv("FREETDSCONF"); env && readable(env)) return env;
  if (const char* home = std::getenv("HOME")) {
    std::string own = std::string(home) + "/.freetds.conf";
    if (readable(own)) return own;
  }
  const std::string system = "/etc/freetds/freetds.conf";
  return readable(system) ? system : std::string();
}

std::string config_with_encryption(const std::string& user_config, const std::string& level,
                                   bool verify) {
  std::string out = user_config;
  if (!out.empty() && out.back() != '\n') out += '\n';
  // Read after the user's own [global] lines, so it wins over them.
  out += "[global]\n\tencryption = " + level + "\n";
  if (verify) out += "\tca file = system\n\tcheck certificate hostname = yes\n";
  return out;
}

scoped_client_config::scoped_client_config(const std::string& level, bool verify) {
  const std::string user = user_config_path();
  const std::string text =
      config_with_encryption(user.empty() ? "" : read_all(user), level, verify);
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tsl-freetds-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) throw std::runtime_error("cannot create a private directory");
  dir_ = buf.data();
  file_ = dir_ + "/freetds.conf";
  {
    const mode_t old = ::umask(077);
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    ::umask(old);
    out << text;
    if (!out) {
      ::rmdir(dir_.c_str());
      throw std::runtime_error("cannot write " + file_);
    }
  }
  if (const char* prev = std::getenv("FREETDSCONF")) {
    had_previous_ = true;
    previous_ = prev;
  }
  ::setenv("FREETDSCONF", file_.c_str(), 1);
}

scoped_client_config::~scoped_client_config() {
  if (had_previous_)
    ::setenv("FREETDSCONF", previous_.c_str(), 1);
  else
    ::unsetenv("FREETDSCONF");
  ::unlink(file_.c_str());
  ::rmdir(dir_.c_str());
}

}  // namespace tsl::freetds
