#pragma once
// Holds one reference to an interface: released when the holder goes or is
// reset, added when it is copied.
#include <cstddef>
#include <utility>

#include "platform/com/unknown.h"

template <typename T>
class ole_ptr {
 public:
  ole_ptr() = default;
  ole_ptr(std::nullptr_t) {}
  // Takes a new reference (AddRef) to p.
  explicit ole_ptr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ole_ptr(const ole_ptr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ole_ptr(ole_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ole_ptr() { reset(); }

  ole_ptr& operator=(const ole_ptr& o) {
    if (o.p_) o.p_->AddRef();
    reset();
    p_ = o.p_;
    return *this;
  }
  ole_ptr& operator=(ole_ptr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }

  // Adopts a reference the caller already owns (no AddRef).
  static ole_ptr attach(T* p) {
    ole_ptr h;
    h.p_ = p;
    return h;
  }
  // Gives up the reference without releasing it.
  T* detach() { return std::exchange(p_, nullptr); }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Releases the current reference and gives the address to fill, as
  // the out-parameters of interface calls expect.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  // Asks the held object for another interface.
  template <typename U>
  HRESULT query(REFIID riid, ole_ptr<U>& out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(riid, out.put_void());
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};
