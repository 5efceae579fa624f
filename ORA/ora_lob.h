#pragma once
// Reader of a CLOB, NCLOB or BLOB column: a locator per row, its content read
// in chunks.
#include "ORA/ora_type.h"

class ora_lob : public ora_type {
 public:
  static constexpr uint32_t chunk = 32768;

  ora_lob(OCIParam* param, ub2 code);
  ~ora_lob() override;

  VARTYPE get_vartype() const override { return code_ == 112 ? VT_BSTR : VT_BLOB; }
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;

  // Reads up to `size` bytes from `offset` (from 1; UTF-16 code units for a
  // CLOB, as Oracle counts them, bytes for a BLOB) and answers the amount
  // read in the same unit; 0 past the end.
  ub4 read_lob(ub4 offset, void* buffer, ub4 size);
  // SQLCS_NCHAR for an NCLOB column, SQLCS_IMPLICIT for a CLOB, 0 for a BLOB.
  ub1 charset_form() const { return form_; }

 private:
  OCILobLocator* locator_ = nullptr;
  ub1 form_ = 0;
};
