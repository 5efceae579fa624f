#pragma once
// A failed OCI call: the client's error text, and the code 0x100000 plus the
// ORA number folded into 16 bits. Ordinary severity (0).
#include <string>

#include "TK/tk_exception.h"

class ora_exception : public tk_exception {
 public:
  static constexpr uint32_t code_base = 0x100000;

  ora_exception(int ora_number, const std::u16string& text);

  // The ORA number as the code keeps it (modulo 65536).
  int ora_number() const { return static_cast<int>(system_error_ & 0xFFFF); }

  // The destination cannot store anything more (no space, a file that cannot
  // be written, the session lost): every further statement would fail too.
  bool is_storage_failure() const;
  // The same error judged at another severity.
  ora_exception with_severity(int severity) const {
    ora_exception copy = *this;
    copy.severity_ = severity;
    return copy;
  }
};
