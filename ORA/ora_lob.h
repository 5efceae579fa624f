#pragma once
// Reader of a CLOB or BLOB column: a locator per row, its content read in
// chunks.
#include "ORA/ora_type.h"

class ora_lob : public ora_type {
 public:
  static constexpr uint32_t chunk = 32768;

  ora_lob(OCIParam* param, ub2 code);
  ~ora_lob() override;

  VARTYPE get_vartype() const override { return code_ == 112 ? VT_BSTR : VT_BLOB; }
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;

  // Reads up to `size` bytes from `offset` (characters for a CLOB, from 1)
  // and answers the amount read, in the same unit.
  ub4 read_lob(ub4 offset, void* buffer, ub4 size);

 private:
  OCILobLocator* locator_ = nullptr;
};
