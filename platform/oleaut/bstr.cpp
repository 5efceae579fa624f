#include "platform/oleaut/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

BSTR allocate(const void* data, uint32_t bytes) {
  // Two NUL bytes after the data, plus one when the count is odd, so the
  // text ends in a whole UTF-16 NUL whatever the byte count.
  const size_t total = kPrefix + size_t{bytes} + 3;
  auto* block = static_cast<unsigned char*>(std::malloc(total));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &bytes, kPrefix);
  unsigned char* chars = block + kPrefix;
  if (data != nullptr) {
    std::memcpy(chars, data, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  std::memset(chars + bytes, 0, 3);
  return reinterpret_cast<BSTR>(chars);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  uint32_t n = 0;
  while (text[n] != 0) ++n;
  return SysAllocStringLen(text, n);
}

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) {
  if (length > (UINT32_MAX - 8) / sizeof(OLECHAR)) return nullptr;
  return allocate(text, length * static_cast<uint32_t>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(const char* bytes, uint32_t length) {
  if (length > UINT32_MAX - 8) return nullptr;
  return allocate(bytes, length);
}

bool SysReAllocStringLen(BSTR* target, const OLECHAR* text, uint32_t length) {
  BSTR fresh = SysAllocStringLen(text, length);
  if (fresh == nullptr) return false;
  SysFreeString(*target);
  *target = fresh;
  return true;
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
}

uint32_t SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(text) - kPrefix, kPrefix);
  return bytes;
}

uint32_t SysStringLen(BSTR text) {
  return SysStringByteLen(text) / sizeof(OLECHAR);
}
