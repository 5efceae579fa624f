#pragma once
// An Oracle error: its number and the full message "ORA-nnnnn: text".
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace tsl::eora {

class oracle_error : public std::runtime_error {
 public:
  oracle_error(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The error with Oracle's own text for the number; each %s in the text takes
// the next argument.
oracle_error make_error(int code, std::initializer_list<std::string> args = {});

// "ORA-00904: "NAME": invalid identifier" and its kin take a quoted name.
std::string quoted(const std::string& name);

}  // namespace tsl::eora
