#include "platform/os/shared_library.h"

#include <dlfcn.h>

namespace tsl::os {

shared_library::~shared_library() {
  unload();
}

bool shared_library::load(const std::string& name) {
  unload();
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    error_ = e ? e : "cannot load " + name;
  }
  return handle_ != nullptr;
}

void shared_library::unload() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

void* shared_library::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

unsigned known_library_version(const std::string&) {
  // No library is known yet; the graphical toolkit will register here.
  return 0;
}

}  // namespace tsl::os
