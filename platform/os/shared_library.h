#pragma once
// Loading a shared library by name and finding its functions.
#include <string>

namespace tsl::os {

class shared_library {
 public:
  shared_library() = default;
  ~shared_library();
  shared_library(const shared_library&) = delete;
  shared_library& operator=(const shared_library&) = delete;

  // Loads by file name (searched by the dynamic loader) or by path.
  bool load(const std::string& name);
  void unload();
  bool loaded() const { return handle_ != nullptr; }
  // Null when the library has no such symbol.
  void* symbol(const char* name) const;
  // The loader's text for the last failure.
  const std::string& error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Version of a library this platform layer knows, as (major << 16) | minor;
// 0 when it does not know the library.
unsigned known_library_version(const std::string& name);

}  // namespace tsl::os
