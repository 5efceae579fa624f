#include "platform/oci/client_library.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>

namespace tsl::oci {

namespace {
std::atomic<const api*> embedded_api{nullptr};
}  // namespace

void set_embedded_client(const api* functions) {
  embedded_api.store(functions);
}

const api* embedded_client() {
  return embedded_api.load();
}

std::vector<std::string> real_client_names() {
  std::vector<std::string> names = {real_client_name};
  for (const char* version : {"23.1", "21.1", "19.1", "18.1", "12.1", "11.1"})
    names.push_back(std::string(real_client_name) + "." + version);
  return names;
}

std::unique_ptr<client_library> client_library::load() {
  const char* chosen = std::getenv(client_variable);
  if (chosen == nullptr || *chosen == '\0') return load_real();
  return load(chosen);
}

std::unique_ptr<client_library> client_library::load_real() {
  std::vector<std::string> candidates = real_client_names();
  const char* home = std::getenv("ORACLE_HOME");
  if (home != nullptr && *home != '\0') {
    std::string lib = std::string(home) + "/lib/";
    for (const std::string& name : real_client_names()) candidates.push_back(lib + name);
  }
  // A client that is there but cannot load (a missing libaio, a wrong
  // architecture) says more than the names that are not there at all.
  std::string reason, first;
  for (const std::string& name : candidates) {
    std::string why;
    auto lib = open(name, why);
    if (lib) return lib;
    if (first.empty()) first = why;
    bool absent = why.rfind(name + ": cannot open shared object file", 0) == 0;
    if (reason.empty() && !absent) reason = why;
  }
  throw load_error(reason.empty() ? first : reason);
}

std::unique_ptr<client_library> client_library::load(const std::string& name) {
  if (name == embedded_client_name) {
    const api* table = embedded_client();
    if (table == nullptr)
      throw load_error("the embedded Oracle client is not part of this program");
    std::unique_ptr<client_library> lib(new client_library);
    lib->name_ = name;
    lib->api_ = *table;
    return lib;
  }
  std::string why;
  auto lib = open(name, why);
  if (!lib) throw load_error(why);
  return lib;
}

std::unique_ptr<client_library> client_library::open(const std::string& name, std::string& why) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = dlerror();
    why = text != nullptr ? text : "cannot load " + name;
    return nullptr;
  }
  std::unique_ptr<client_library> lib(new client_library);
  lib->handle_ = handle;
  lib->name_ = name;
  // A client without one of the functions is as unusable as a missing one.
#define TSL_OCI_BIND(fn)                                                      \
  lib->api_.fn = reinterpret_cast<decltype(&::fn)>(dlsym(lib->handle_, #fn)); \
  if (lib->api_.fn == nullptr) {                                              \
    why = name + ": missing function " #fn;                                   \
    throw load_error(why);                                                    \
  }
  TSL_OCI_FUNCTIONS(TSL_OCI_BIND)
#undef TSL_OCI_BIND
  return lib;
}

}  // namespace tsl::oci
