#include "platform/os/process.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace tsl::os {

std::string program_path() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

int last_error() {
  return errno;
}

std::string error_text(int error) {
  char buf[256];
  const char* text = strerror_r(error, buf, sizeof buf);
  return text ? text : "";
}

std::string current_directory() {
  std::vector<char> buf(PATH_MAX + 1);
  if (!getcwd(buf.data(), buf.size())) return {};
  return buf.data();
}

bool change_directory(const std::string& path) {
  return !path.empty() && chdir(path.c_str()) == 0;
}

}  // namespace tsl::os
