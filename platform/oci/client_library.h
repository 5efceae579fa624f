#pragma once
// Loads the Oracle client and binds its functions.
//
// The environment variable TSL_ORACLE_CLIENT chooses the client: unset or
// empty, the real client "libclntsh.so" found by the dynamic loader; the value
// "embedded", the embedded client linked into the program (registered with
// set_embedded_client); anything else, the library of that name or path.
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/oci/oci_api.h"

namespace tsl::oci {

// The client could not be loaded or lacks a function; what() tells why.
class load_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* real_client_name = "libclntsh.so";
inline constexpr const char* embedded_client_name = "embedded";
inline constexpr const char* client_variable = "TSL_ORACLE_CLIENT";

class client_library {
 public:
  ~client_library();
  client_library(const client_library&) = delete;
  client_library& operator=(const client_library&) = delete;

  // The client chosen by TSL_ORACLE_CLIENT.
  static std::unique_ptr<client_library> load();
  // The client of that name: "embedded" or a library name or path.
  static std::unique_ptr<client_library> load(const std::string& name);

  const api& functions() const { return api_; }
  const std::string& name() const { return name_; }
  bool is_embedded() const { return handle_ == nullptr; }

 private:
  client_library() = default;
  void* handle_ = nullptr;
  std::string name_;
  api api_;
};

// The client that "embedded" selects; a program that links the embedded client
// registers it once at start. Null unregisters.
void set_embedded_client(const api* functions);
const api* embedded_client();

}  // namespace tsl::oci
