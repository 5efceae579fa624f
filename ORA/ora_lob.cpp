#include "ORA/ora_lob.h"

#include <string>

#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

ora_lob::ora_lob(OCIParam* param, ub2 code) : ora_type(param, code) {
  length_ = 0;
  ora_engine& e = ora_engine::instance();
  e.check_result(e.oci().OCIDescriptorAlloc(e.env(), reinterpret_cast<void**>(&locator_),
                                            OCI_DTYPE_LOB, 0, nullptr));
}

ora_lob::~ora_lob() {
  if (locator_ != nullptr && ora_engine::exists())
    ora_engine::instance().oci().OCIDescriptorFree(locator_, OCI_DTYPE_LOB);
}

void ora_lob::define(OCIStmt* stmt, ub4 position) {
  ora_engine& e = ora_engine::instance();
  e.check_result(e.oci().OCIDefineByPos(stmt, &define_, e.error(), position, &locator_, -1, code_,
                                        &indicator_, nullptr, nullptr, OCI_DEFAULT));
}

ub4 ora_lob::read_lob(ub4 offset, void* buffer, ub4 size) {
  tk_trace(1, "ora_lob::read_lob(%d,%d)", static_cast<int>(offset), static_cast<int>(size));
  ora_engine& e = ora_engine::instance();
  ub1 form = 0;
  ub4 amount = size;
  if (code_ == 112) {
    e.check_result(e.oci().OCILobCharSetForm(e.env(), e.error(), locator_, &form));
    tk_trace(1, "Got charset form: %d", form);
    // Characters, each of which may take two UTF-16 units.
    amount = size / 4;
  }
  sword status = e.check_result(e.oci().OCILobRead(
      e.service(), e.error(), locator_, &amount, offset, buffer, size, nullptr, nullptr, 0, form));
  (void)status;
  return amount;
}

ole_variant ora_lob::to_variant() {
  tk_trace(1, "ora_lob::to_variant");
  if (code_ != 112 && code_ != 113) throw tk_mail_assertion("ora_lob", 49);
  std::vector<char16_t> piece(chunk / 2);
  std::u16string text;
  std::vector<uint8_t> bytes;
  ub4 offset = 1;
  for (;;) {
    ub4 got = read_lob(offset, piece.data(), chunk);
    if (got == 0) break;
    offset += got;
    if (code_ == 113) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(piece.data());
      bytes.insert(bytes.end(), p, p + got);
      continue;
    }
    // `got` counts characters: a surrogate pair is one.
    size_t units = 0;
    for (ub4 c = 0; c < got && units < piece.size(); ++c) {
      bool pair = piece[units] >= 0xD800 && piece[units] < 0xDC00 && units + 1 < piece.size();
      units += pair ? 2 : 1;
    }
    text.append(piece.data(), units);
  }
  if (code_ == 113) return ole_variant(bytes);
  return ole_variant(text);
}
