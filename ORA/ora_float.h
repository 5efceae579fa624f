#pragma once
// Reader of a BINARY_FLOAT or BINARY_DOUBLE column: the IEEE value itself.
#include "ORA/ora_type.h"

class ora_float : public ora_type {
 public:
  ora_float(OCIParam* param, ub2 code);
  VARTYPE get_vartype() const override { return code_ == binary_float ? VT_R4 : VT_R8; }
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;

  static constexpr ub2 binary_float = 100;
  static constexpr ub2 binary_double = 101;
};
