#include "ORA/ora_lob.h"

#include <string>

#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

ora_lob::ora_lob(OCIParam* param, ub2 code) : ora_type(param, code) {
  length_ = 0;
  ora_engine& e = ora_engine::instance();
  if (code == 112)
    e.check_result(e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &form_, nullptr,
                                      OCI_ATTR_CHARSET_FORM, e.error()));
  e.check_alloc(e.oci().OCIDescriptorAlloc(e.env(), reinterpret_cast<void**>(&locator_),
                                           OCI_DTYPE_LOB, 0, nullptr));
}

ora_lob::~ora_lob() {
  if (locator_ != nullptr && ora_engine::exists())
    ora_engine::instance().oci().OCIDescriptorFree(locator_, OCI_DTYPE_LOB);
}

void ora_lob::define(OCIStmt* stmt, ub4 position) {
  ora_engine& e = ora_engine::instance();
  define_ = nullptr;
  e.check_result(e.oci().OCIDefineByPos(stmt, &define_, e.error(), position, &locator_, -1, code_,
                                        &indicator_, nullptr, nullptr, OCI_DEFAULT));
}

ub4 ora_lob::read_lob(ub4 offset, void* buffer, ub4 size) {
  tk_trace(1, "ora_lob::read_lob(%d,%d)", static_cast<int>(offset), static_cast<int>(size));
  ora_engine& e = ora_engine::instance();
  // A BLOB has no character set; the form is the implicit one, as a CLOB's.
  ub1 form = SQLCS_IMPLICIT;
  ub4 amount = size;
  if (code_ == 112) {
    e.check_result(e.oci().OCILobCharSetForm(e.env(), e.error(), locator_, &form));
    tk_trace(1, "Got charset form: %d", form);
    // The environment is UTF-16: a code unit takes two bytes.
    amount = size / 2;
  }
  // An explicit amount: zero would ask for the whole LOB in polled pieces.
  if (e.check_result(e.oci().OCILobRead(e.service(), e.error(), locator_, &amount, offset, buffer,
                                        size, nullptr, nullptr, 0, form)) == OCI_NO_DATA)
    return 0;
  return amount;
}

ole_variant ora_lob::to_variant() {
  tk_trace(1, "ora_lob::to_variant");
  if (code_ != 112 && code_ != 113) throw tk_mail_assertion("ora_lob", 49);
  ora_engine& e = ora_engine::instance();
  // The length bounds the reads: no read starts past the end.
  ub4 length = 0;
  e.check_result(e.oci().OCILobGetLength(e.service(), e.error(), locator_, &length));
  std::vector<char16_t> piece(chunk / 2);
  std::u16string text;
  std::vector<uint8_t> bytes;
  if (code_ == 112)
    text.reserve(length);
  else
    bytes.reserve(length);
  ub4 offset = 1;
  while (offset <= length) {
    ub4 left = length - offset + 1;
    ub4 size = code_ == 112 ? std::min<ub4>(left * 2, chunk) : std::min<ub4>(left, chunk);
    ub4 got = read_lob(offset, piece.data(), size);
    // A short read ends it as well: the LOB may have shrunk meanwhile.
    if (got == 0) break;
    offset += got;
    if (code_ == 113) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(piece.data());
      bytes.insert(bytes.end(), p, p + got);
    } else {
      // `got` counts UTF-16 code units, as the offset does.
      text.append(piece.data(), std::min<size_t>(got, piece.size()));
    }
  }
  if (code_ == 113) return ole_variant(bytes);
  return ole_variant(text);
}
