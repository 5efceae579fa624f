#include "UDB/t_ftd.h"

#include "TK/tk_trace.h"

namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;

// The numeric types a source column may have to fill a numeric destination;
// VT_INT and VT_UINT are destinations only.
bool is_numeric_source(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_BOOL:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
      return true;
    default:
      return false;
  }
}

bool is_numeric(VARTYPE vt) {
  return is_numeric_source(vt) || vt == VT_INT || vt == VT_UINT;
}

bool is_text(VARTYPE vt) {
  return vt == VT_BSTR || vt == VT_LPSTR || vt == VT_LPWSTR;
}

bool is_binary(VARTYPE vt) {
  return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == kByteArray;
}

bool is_decimal_or_currency(VARTYPE vt) {
  return vt == VT_DECIMAL || vt == VT_CY;
}

// A destination of size 0 is unlimited.
bool size_fits(uint32_t source, uint32_t destination) {
  return destination == 0 || destination >= source;
}

}  // namespace

t_ftd::t_ftd(uint32_t size, std::u16string name, VARTYPE vartype, bool not_null, bool identity,
             const ole_variant& default_value, int32_t reserved)
    : size_(size),
      name_(std::move(name)),
      vartype_(vartype),
      identity_(identity),
      not_null_(not_null),
      default_value_(default_value),
      reserved_(reserved) {
  tk_trace_w(1, u"Got field '%s', vartype=%d, size=%d, b_not_null=%d", name_.c_str(),
             static_cast<int>(vartype_), static_cast<int>(size_), not_null_ ? 1 : 0);
}

bool t_ftd::operator==(const t_ftd& other) const {
  tk_trace(1, "t_ftd::operator ==");
  if (is_decimal_or_currency(vartype_) && is_decimal_or_currency(other.vartype_)) return true;
  if (vartype_ != other.vartype_) return false;
  if (vartype_ == VT_BSTR) return size_ == other.size_;
  return true;
}

bool t_ftd::conform_to(const t_ftd& destination) const {
  tk_trace(1, "t_ftd::conform_to");
  if (*this == destination) return true;
  VARTYPE dest = destination.vartype_;
  if (is_numeric(dest)) return is_numeric_source(vartype_);
  if (dest == VT_DATE) return vartype_ == VT_DATE || (vartype_ == VT_BSTR && size_ == 19);
  if (is_text(dest)) {
    if (is_binary(vartype_)) return false;
    if (is_text(vartype_)) return size_fits(size_, destination.size_);
    return true;
  }
  if (is_binary(dest)) {
    if (is_text(vartype_) || is_binary(vartype_)) return size_fits(size_, destination.size_);
    return true;
  }
  return false;
}
