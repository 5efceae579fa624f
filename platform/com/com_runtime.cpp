#include "platform/com/com_runtime.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/com/error_info.h"

const IID IID_IUnknown =
    make_guid(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

namespace tsl::com {
namespace {

thread_local int t_init_count = 0;

struct registration {
  CLSID clsid;
  class_factory factory;
};

std::mutex& registry_mutex() {
  static std::mutex m;
  return m;
}
std::vector<registration>& registry() {
  static std::vector<registration> r;
  return r;
}

}  // namespace

void register_class(const CLSID& clsid, class_factory factory) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  for (auto& r : registry())
    if (r.clsid == clsid) {
      r.factory = std::move(factory);
      return;
    }
  registry().push_back(registration{clsid, std::move(factory)});
}

bool thread_initialized() {
  return t_init_count > 0;
}

}  // namespace tsl::com

HRESULT CoInitialize(void* reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(void*, DWORD) {
  return tsl::com::t_init_count++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (tsl::com::t_init_count == 0) return;
  if (--tsl::com::t_init_count == 0) SetErrorInfo(0, nullptr);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!tsl::com::thread_initialized()) return CO_E_NOTINITIALIZED;
  tsl::com::class_factory factory;
  {
    std::lock_guard<std::mutex> lock(tsl::com::registry_mutex());
    for (auto& r : tsl::com::registry())
      if (r.clsid == clsid) factory = r.factory;
  }
  if (!factory) return REGDB_E_CLASSNOTREG;
  return factory(outer, riid, out);
}

void* CoTaskMemAlloc(size_t size) {
  return std::malloc(size ? size : 1);
}
void* CoTaskMemRealloc(void* p, size_t size) {
  return std::realloc(p, size ? size : 1);
}
void CoTaskMemFree(void* p) {
  std::free(p);
}
