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

client_library::~client_library() {
  if (handle_ != nullptr) dlclose(handle_);
}

std::unique_ptr<client_library> client_library::load() {
  const char* chosen = std::getenv(client_variable);
  if (chosen == nullptr || *chosen == '\0') return load(real_client_name);
  return load(chosen);
}

std::unique_ptr<client_library> client_library::load(const std::string& name) {
  std::unique_ptr<client_library> lib(new client_library);
  lib->name_ = name;
  if (name == embedded_client_name) {
    const api* table = embedded_client();
    if (table == nullptr)
      throw load_error("the embedded Oracle client is not part of this program");
    lib->api_ = *table;
    return lib;
  }
  lib->handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib->handle_ == nullptr) {
    const char* why = dlerror();
    throw load_error(why != nullptr ? why : ("cannot load " + name).c_str());
  }
  // A client without one of the functions is as unusable as a missing one.
#define TSL_OCI_BIND(fn)                                                      \
  lib->api_.fn = reinterpret_cast<decltype(&::fn)>(dlsym(lib->handle_, #fn)); \
  if (lib->api_.fn == nullptr) throw load_error(name + ": missing function " #fn);
  TSL_OCI_FUNCTIONS(TSL_OCI_BIND)
#undef TSL_OCI_BIND
  return lib;
}

}  // namespace tsl::oci
