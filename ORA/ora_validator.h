#pragma once
// Oracle's rules for a name: at most 30 bytes, a letter first, then
// letters, digits, "_", "$" and "#", and not a restricted name. Bytes are
// counted in UTF-8, the widest database character set, so a name that fits
// here fits in any database.
#include "ORA/udb_validator.h"

class ora_validator : public udb_validator {
 public:
  static constexpr uint32_t max_name = 30;

  ora_validator();

  // Bytes of the name in UTF-8.
  static size_t bytes_of(const std::u16string& name);
  size_t length_of(const std::u16string& name) const override { return bytes_of(name); }

  bool is_acceptable(const std::u16string& name) const override;
  std::u16string get_safe_name(const std::u16string& name) const override;
};
