#include "ORA/ora_float.h"

#include <cstring>

ora_float::ora_float(OCIParam* param, ub2 code) : ora_type(param, code) {}

void ora_float::define(OCIStmt* stmt, ub4 position) {
  // Always fetched as a double: a BINARY_FLOAT widens exactly.
  buffer_.assign(sizeof(double), 0);
  define_buffer(stmt, position, SQLT_FLT);
}

ole_variant ora_float::to_variant() {
  double value = 0;
  std::memcpy(&value, buffer_.data(), sizeof value);
  if (code_ == binary_float) return ole_variant(static_cast<float>(value));
  return ole_variant(value);
}
