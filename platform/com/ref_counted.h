#pragma once
// Reference counting shared by the objects that implement interfaces: the
// object deletes itself when its last reference goes.
#include <atomic>

#include "platform/com/unknown.h"

namespace tsl::com {

class ref_counted {
 public:
  virtual ~ref_counted() = default;
  ULONG add_ref() { return ++refs_; }
  ULONG release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// Stores an interface pointer after adding a reference; E_NOINTERFACE
// leaves *out null.
template <typename I>
HRESULT hand_out(I* itf, void** out) {
  if (!out) return E_POINTER;
  *out = itf;
  if (!itf) return E_NOINTERFACE;
  itf->AddRef();
  return S_OK;
}

}  // namespace tsl::com
