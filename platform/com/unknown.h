#pragma once
// The root interface of every component object: reference counting and
// asking for another interface of the same object.
#include <cstdint>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

using ULONG = uint32_t;
using DWORD = uint32_t;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

extern const IID IID_IUnknown;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

// Makes a GUID from its text parts: guid_of(0xc8b52211, 0x5cf3, 0x11ce, {...}).
constexpr GUID make_guid(uint32_t d1, uint16_t d2, uint16_t d3, uint8_t b0, uint8_t b1, uint8_t b2,
                         uint8_t b3, uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7) {
  return GUID{d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};
}
