#pragma once
// Oracle's rules for a name: at most 30 characters, a letter first, then
// letters, digits, "_", "$" and "#", and not a restricted name.
#include "ORA/udb_validator.h"

class ora_validator : public udb_validator {
 public:
  static constexpr uint32_t max_name = 30;

  ora_validator();

  bool is_acceptable(const std::u16string& name) const override;
  std::u16string get_safe_name(const std::u16string& name) const override;
};
