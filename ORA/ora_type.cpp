#include "ORA/ora_type.h"

#include <cstring>

#include "ORA/ora_engine.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_trace.h"
#include "UDB/t_ftd.h"
#include "platform/text/utf.h"

namespace {

template <class T>
T attr(OCIParam* param, ub4 attribute, bool checked = true) {
  ora_engine& e = ora_engine::instance();
  T value{};
  sword status = e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, e.error());
  if (checked) e.check_result(status);
  return value;
}

std::u16string text_of(const std::vector<uint8_t>& buffer) {
  const char16_t* p = reinterpret_cast<const char16_t*>(buffer.data());
  size_t n = 0;
  const size_t max = buffer.size() / 2;
  while (n < max && p[n] != u'\0') ++n;
  return std::u16string(p, n);
}

}  // namespace

ora_type::ora_type(OCIParam* param, ub2 code) : code_(code), param_(param) {
  ora_engine& e = ora_engine::instance();
  void* name = nullptr;
  ub4 size = 0;
  e.check_result(
      e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &size, OCI_ATTR_NAME, e.error()));
  name_.assign(static_cast<const char16_t*>(name), size / 2);
  nullable_ = attr<ub1>(param, OCI_ATTR_IS_NULL) != 0;
  length_ = attr<ub2>(param, OCI_ATTR_DATA_SIZE);
}

VARTYPE ora_type::get_vartype() const {
  switch (code_) {
    case 2:
    case 4:
    case 6:
    case 7:
      return VT_R8;
    case 3:
      return VT_I4;
    case 12:
    case 187:
    case 188:
    case 231:
    case 232:
      return VT_DATE;
    case 23:
    case 24:
    case 113:
    case 114:
      return VT_BLOB;
    default:
      return VT_BSTR;
  }
}

t_ftd* ora_type::make_field() const {
  auto* f = new t_ftd(length_, name_, get_vartype(), !nullable_, false, ole_variant(), 0);
  tk_trace_w(1, u"Got field '%s', type=%d, vartype=%d, lenght=%d, nullable=%d", name_.c_str(),
             static_cast<int>(code_), static_cast<int>(get_vartype()), static_cast<int>(length_),
             nullable_ ? 1 : 0);
  return f;
}

void ora_type::define(OCIStmt*, ub4) {}

void ora_type::define_buffer(OCIStmt* stmt, ub4 position, ub2 external_type) {
  ora_engine& e = ora_engine::instance();
  e.check_result(e.oci().OCIDefineByPos(stmt, &define_, e.error(), position, buffer_.data(),
                                        static_cast<sb4>(buffer_.size()), external_type,
                                        &indicator_, &returned_, nullptr, OCI_DEFAULT));
}

ora_string::ora_string(OCIParam* param, ub2 code) : ora_type(param, code) {
  // A column declared in characters reads back with its character count.
  if (attr<ub1>(param, OCI_ATTR_CHARSET_FORM, false) != SQLCS_NCHAR &&
      attr<ub1>(param, OCI_ATTR_CHAR_USED, false) != 0) {
    ub2 chars = attr<ub2>(param, OCI_ATTR_CHAR_SIZE, false);
    if (chars != 0) length_ = chars;
  }
}

void ora_string::define(OCIStmt* stmt, ub4 position) {
  // Room for the column's bytes or characters as UTF-16, whichever is more.
  uint32_t bytes = attr<ub2>(param_, OCI_ATTR_DATA_SIZE);
  uint32_t units = bytes > length_ ? bytes : length_;
  buffer_.assign(units * 2 + 2, 0);
  define_buffer(stmt, position, SQLT_STR);
}

ole_variant ora_string::to_variant() {
  return ole_variant(text_of(buffer_));
}

ora_number::ora_number(OCIParam* param, ub2 code) : ora_type(param, code) {
  precision_ = attr<sb2>(param, OCI_ATTR_PRECISION);
  scale_ = attr<sb1>(param, OCI_ATTR_SCALE);
  tk_trace(1, "Prec=%d, scale=%d", precision_, scale_);
  // A NUMBER without scale (-127) is a floating number.
  if (scale_ == -127) precision_ = 0;
  vartype_ = refine_number_type(precision_, scale_);
}

t_ftd* ora_number::make_field() const {
  t_ftd* f = ora_type::make_field();
  if (vartype_ == VT_DECIMAL) f->set_reserved(precision_ * 256 + scale_);
  return f;
}

void ora_number::define(OCIStmt* stmt, ub4 position) {
  buffer_.assign(510, 0);
  define_buffer(stmt, position, SQLT_STR);
}

ole_variant ora_number::to_variant() {
  std::string text = tsl::text::utf16_to_utf8(text_of(buffer_));
  tk_trace(1, "ora_number::to_variant(buf=%s)", text.c_str());
  return ole_variant::from_string(text, vartype_);
}

ora_str_repr::ora_str_repr(OCIParam* param, ub2 code, uint32_t length) : ora_type(param, code) {
  length_ = length;
}

void ora_str_repr::define(OCIStmt* stmt, ub4 position) {
  buffer_.assign(length_ * 2 + 2, 0);
  define_buffer(stmt, position, SQLT_STR);
}

ole_variant ora_str_repr::to_variant() {
  std::u16string text = text_of(buffer_);
  if (code_ == 24) return ole_variant::from_wstring(u"0x" + text, VT_BLOB);
  return ole_variant(text);
}

ora_date::ora_date(OCIParam* param, ub2 code) : ora_type(param, code) {}

void ora_date::define(OCIStmt* stmt, ub4 position) {
  buffer_.assign(7, 0);
  define_buffer(stmt, position, SQLT_DAT);
}

SYSTEMTIME ora_date::decode(const uint8_t* b) {
  auto part = [](int c) {
    tk_trace(1, "ora_date::canon_dt_item(%d)", c);
    return c > 100 ? c - 100 : 100 - c;
  };
  auto clock = [](int c) { return c == 0 ? 0 : c - 1; };
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(part(b[0]) * 100 + part(b[1]));
  st.wMonth = b[2];
  st.wDay = b[3];
  st.wHour = static_cast<uint16_t>(clock(b[4]));
  st.wMinute = static_cast<uint16_t>(clock(b[5]));
  st.wSecond = static_cast<uint16_t>(clock(b[6]));
  return st;
}

ole_variant ora_date::to_variant() {
  SYSTEMTIME st = decode(buffer_.data());
  tk_trace(1, "Got datetime: %02d/%02d/%04d %02d:%02d:%02d", st.wMonth, st.wDay, st.wYear, st.wHour,
           st.wMinute, st.wSecond);
  return ole_variant(st);
}

ora_binary::ora_binary(OCIParam* param, ub2 code) : ora_type(param, code) {}

void ora_binary::define(OCIStmt* stmt, ub4 position) {
  buffer_.assign(length_ == 0 ? 1 : length_, 0);
  define_buffer(stmt, position, SQLT_BIN);
}

ole_variant ora_binary::to_variant() {
  return ole_variant(static_cast<size_t>(returned_), buffer_.data());
}

ole_variant ora_dummy::to_variant() {
  return ole_variant(u"<unsupported type>");
}
