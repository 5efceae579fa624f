#pragma once
// One open registry key. Operations answer the store's result code (0 for
// success); the serialize operations read or write one value in a single
// call and answer whether that worked.
#include <cstdint>
#include <string>

#include "platform/registry/registry.h"

using tk_hkey = tsl::registry::key_handle;

class tk_reg_key {
 public:
  tk_reg_key() = default;
  // Opens (creating when missing) `path` below the current user's root.
  explicit tk_reg_key(const char* path);
  ~tk_reg_key();
  tk_reg_key(const tk_reg_key&) = delete;
  tk_reg_key& operator=(const tk_reg_key&) = delete;

  // Class, options, access and security have no meaning in this store and
  // are accepted for the callers' sake. A null parent is an internal error.
  long open(tk_hkey parent, const char* subkey, const char* key_class = nullptr,
            uint32_t options = 0, uint32_t access = 0, const void* security = nullptr,
            uint32_t* disposition = nullptr);
  void close();
  bool is_open() const { return key_ != nullptr; }
  const std::string& path() const { return path_; }

  long get_value(uint32_t& value, const char* name);
  // `size` is the buffer's size in bytes on entry, the value's on return.
  long get_value(char16_t* buffer, const char16_t* name, uint32_t* size);
  long set_value(uint32_t value, const char* name);
  long set_value(const char16_t* text, const char16_t* name);

  bool serialize(const char* name, uint32_t& value, bool store);
  bool serialize(const char* name, bool& flag, bool store);
  bool serialize(const char* name, std::u16string& text, bool store);

 private:
  tk_hkey key_ = nullptr;
  std::string path_;
};
