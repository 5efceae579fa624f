#include "TK/tk_dll_version.h"

#include <cstdint>
#include <cstring>

#include "TK/tk_trace.h"
#include "platform/os/shared_library.h"

namespace {

// The version record a library's DllGetVersion fills.
struct dll_version_info {
  uint32_t size;
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  uint32_t platform;
};
static_assert(sizeof(dll_version_info) == 20);

using dll_get_version_fn = int32_t (*)(dll_version_info*);

}  // namespace

unsigned get_dll_version(const char* file) {
  std::string name = file ? file : "";
  if (unsigned known = tsl::os::known_library_version(name)) return known;
  tsl::os::shared_library lib;
  if (!lib.load(name)) {
    tk_trace(2, "get_dll_version failed to load DLL");
    return 0;
  }
  auto fn = reinterpret_cast<dll_get_version_fn>(lib.symbol("DllGetVersion"));
  if (!fn) {
    tk_trace(2, "get_dll_version failed to obtain DllGetVersion");
    return 0;
  }
  dll_version_info info;
  std::memset(&info, 0, sizeof info);
  info.size = sizeof info;
  if (fn(&info) < 0) return 0;
  return ((info.major & 0xFFFF) << 16) | (info.minor & 0xFFFF);
}
