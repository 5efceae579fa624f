#pragma once
// A per-user settings store with the shape of the Windows registry: keys
// named by backslash-separated paths holding typed values (32-bit numbers and
// strings). HKEY_CURRENT_USER lives in a human-readable text file in the
// user's configuration directory:
//
//   $XDG_CONFIG_HOME/tessaly/registry   (default ~/.config/tessaly/registry)
//
// Key and value names compare without regard to case, as in the registry.
// Every change rewrites the file atomically (a temporary file renamed over
// it), readable by its owner only since settings may hold passwords. A file
// that cannot be parsed is never overwritten: every call answers kCorrupt and
// last_error_text() says where the file is broken.
#include <cstdint>
#include <string>

namespace tsl::registry {

struct open_key;
using key_handle = open_key*;

// The root of the current user's keys.
extern const key_handle current_user;

// Result codes, with the values Windows uses.
enum : long {
  kSuccess = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,
  kInvalidHandle = 6,
  kInvalidParameter = 87,
  kMoreData = 234,
  kCorrupt = 1015,
  kCannotWrite = 1021,
};

enum value_type : uint32_t { kString = 1, kDword = 4 };
enum disposition : uint32_t { kCreatedNewKey = 1, kOpenedExistingKey = 2 };

// Opens a key below `parent`, creating it (and writing the file) when missing.
long create_key(key_handle parent, const std::string& subkey, key_handle* result,
                uint32_t* disposition);
long close_key(key_handle key);

// Reads a value. With `data` null only the type and size are answered; a
// buffer that is too small answers kMoreData with the size needed. Strings
// are UTF-16 with their terminating NUL, sizes in bytes.
long query_value(key_handle key, const std::string& name, uint32_t* type, uint8_t* data,
                 uint32_t* size);
long set_value(key_handle key, const std::string& name, uint32_t type, const uint8_t* data,
               uint32_t size);

// The file behind current_user.
std::string store_path();
// What went wrong in the last failing call of this thread.
std::string last_error_text();

}  // namespace tsl::registry
