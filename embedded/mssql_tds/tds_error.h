#pragma once
// A fault in what a client sent (or in the connection itself). It ends that
// connection only; the server goes on serving the others.
#include <stdexcept>
#include <string>

namespace tsl::tds {

class tds_error : public std::runtime_error {
 public:
  explicit tds_error(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tsl::tds
