#pragma once
// Loads the Oracle client and binds its functions.
//
// The environment variable TSL_ORACLE_CLIENT chooses the client: unset or
// empty, the real client, searched as an Instant Client is installed (see
// real_client_names); the value "embedded", the embedded client linked into
// the program (registered with set_embedded_client); anything else, the
// library of that name or path.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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

// The names the real client is tried under, in order: the unversioned link,
// then the versioned names Instant Client installs (newest first). Each is
// tried through the dynamic loader's search (LD_LIBRARY_PATH, ldconfig) and
// then in $ORACLE_HOME/lib.
std::vector<std::string> real_client_names();

class client_library {
 public:
  // The library stays loaded until the process ends: the client keeps
  // threads and handlers of its own that must not lose their code.
  ~client_library() = default;
  client_library(const client_library&) = delete;
  client_library& operator=(const client_library&) = delete;

  // The client chosen by TSL_ORACLE_CLIENT.
  static std::unique_ptr<client_library> load();
  // The client of that name: "embedded" or a library name or path.
  static std::unique_ptr<client_library> load(const std::string& name);
  // The real client, by the search of real_client_names.
  static std::unique_ptr<client_library> load_real();

  const api& functions() const { return api_; }
  // The name or path it was loaded by.
  const std::string& name() const { return name_; }
  bool is_embedded() const { return handle_ == nullptr; }

 private:
  client_library() = default;
  // Null and the loader's reason when the library cannot be opened.
  static std::unique_ptr<client_library> open(const std::string& name, std::string& why);
  void* handle_ = nullptr;
  std::string name_;
  api api_;
};

// The client that "embedded" selects; a program that links the embedded client
// registers it once at start. Null unregisters.
void set_embedded_client(const api* functions);
const api* embedded_client();

}  // namespace tsl::oci
