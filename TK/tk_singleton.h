#pragma once
// Objects that exist once per process register themselves here. A second
// instance, or reaching for one that does not exist, is an internal error.
#include "TK/tk_exception.h"

template <typename T>
class tk_singleton {
 public:
  // True while the single instance exists; never raises.
  static bool exists() { return instance_ != nullptr; }

  static T& instance() {
    if (!instance_) throw tk_mail_assertion("tk_singl", 59);
    return *instance_;
  }

  static T* instance_ptr() {
    if (!instance_) throw tk_mail_assertion("tk_singl", 66);
    return instance_;
  }

  // The instance or null, for callers that must not raise (the trace calls).
  static T* peek() { return instance_; }

 protected:
  tk_singleton() {
    if (instance_) throw tk_mail_assertion("tk_singl", 35);
    instance_ = static_cast<T*>(this);
  }

  ~tk_singleton() noexcept(false) {
    if (!instance_) throw tk_mail_assertion("tk_singl", 46);
    instance_ = nullptr;
  }

  tk_singleton(const tk_singleton&) = delete;
  tk_singleton& operator=(const tk_singleton&) = delete;

 private:
  static inline T* instance_ = nullptr;
};
