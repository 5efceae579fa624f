#include "tessaly/password_source.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace tessaly {

std::string read_password(const char* variable, const std::string& prompt) {
  if (const char* value = std::getenv(variable)) return value;
  if (!::isatty(STDIN_FILENO)) return std::string();
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  termios old{};
  const bool restore = ::tcgetattr(STDIN_FILENO, &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
    line += static_cast<char>(c);
  if (restore) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
  std::fputc('\n', stderr);
  return line;
}

}  // namespace tessaly
