// Numbers out of a value, and the change of a value's type.
#include <charconv>
#include <cmath>
#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_type_exception.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/change_type.h"
#include "platform/oleaut/currency.h"
#include "platform/oleaut/decimal.h"
#include "platform/oleaut/num_parse.h"
#include "platform/oleaut/safearray.h"
#include "platform/oleaut/variant.h"
#include "platform/text/format.h"

namespace {

double exact_to_double(const std::string& text) {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(text.c_str(), nullptr, loc);
}

bool is_integer(VARTYPE t) {
  switch (t) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

bool is_fractional(VARTYPE t) {
  return t == VT_R4 || t == VT_R8 || t == VT_CY || t == VT_DECIMAL;
}

// A decimal text ("-2.5", "123456789012345678.49") rounded half away from
// zero to a whole number; false when it does not fit 64 bits.
bool round_decimal_text(std::string_view text, int64_t* out) {
  size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  uint64_t mag = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned d = static_cast<unsigned>(text[i] - '0');
    if (mag > (UINT64_MAX - d) / 10) return false;
    mag = mag * 10 + d;
  }
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() && text[i + 1] >= '5' &&
      text[i + 1] <= '9') {
    if (mag == UINT64_MAX) return false;
    ++mag;
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (mag > limit) return false;
  *out = negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
  return true;
}

[[noreturn]] void out_of_range(int64_t value, VARTYPE type) {
  throw ole_type_exception(tsl::text::format("Value %lld does not fit the column type %d",
                                             static_cast<long long>(value), type));
}

}  // namespace

int32_t ole_variant::to_long() const {
  tk_trace(1, "ole_variant::to_long(vt=%08X)", value_.vt);
  switch (value_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return 0;
    case VT_I2:
      return value_.iVal;
    case VT_BOOL:
      return value_.boolVal;
    case VT_I1:
      return static_cast<signed char>(value_.cVal);
    case VT_UI1:
      return value_.bVal;
    case VT_UI2:
      return value_.uiVal;
    case VT_I4:
    case VT_UI4:
      return value_.lVal;
    case VT_R4:
    case VT_R8: {
      // Truncated toward zero; beyond the 32-bit range the nearest bound.
      const double d = value_.vt == VT_R4 ? value_.fltVal : value_.dblVal;
      if (std::isnan(d)) return 0;
      if (d <= -2147483648.0) return INT32_MIN;
      if (d >= 2147483647.0) return INT32_MAX;
      return static_cast<int32_t>(d);
    }
    case VT_DECIMAL: {
      int32_t v = 0;
      HRESULT hr;
      if (exact_.empty()) {
        hr = VarI4FromDec(&value_.decVal, &v);
      } else {
        parsed_number n;
        int64_t wide = 0;
        hr = parse_number(exact_, &n);
        if (SUCCEEDED(hr)) hr = parsed_to_i64(n, INT32_MIN, INT32_MAX, &wide);
        v = static_cast<int32_t>(wide);
      }
      tk_trace(1, "from DECIMAL, hr=%08X", static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? v : 0;
    }
    case VT_I8:
      return static_cast<int32_t>(static_cast<uint32_t>(i8_));
    case VT_UI8:
      return static_cast<int32_t>(static_cast<uint32_t>(ui8_));
    default:
      throw tk_mail_assertion("ole_var", 478);
  }
}

double ole_variant::to_double() const {
  tk_trace(1, "ole_variant::to_double(%08X)", value_.vt);
  switch (value_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return 0.0;
    case VT_I2:
      return value_.iVal;
    case VT_BOOL:
      return value_.boolVal;
    case VT_I1:
      return static_cast<signed char>(value_.cVal);
    case VT_UI1:
      return value_.bVal;
    case VT_UI2:
      return value_.uiVal;
    case VT_I4:
    case VT_INT:
      return value_.lVal;
    case VT_UI4:
    case VT_UINT:
      return value_.ulVal;
    case VT_I8:
      return static_cast<double>(i8_);
    case VT_UI8:
      return static_cast<double>(ui8_);
    case VT_R4:
      return value_.fltVal;
    case VT_R8:
      return value_.dblVal;
    case VT_CY: {
      double d = 0.0;
      HRESULT hr = VarR8FromCy(value_.cyVal, &d);
      tk_trace(1, "from CURRECY: res=%lg, hr=%08X", d, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? d : 0.0;
    }
    case VT_DECIMAL: {
      double d = 0.0;
      HRESULT hr = S_OK;
      if (exact_.empty()) {
        hr = VarR8FromDec(&value_.decVal, &d);
      } else {
        d = exact_to_double(exact_);
      }
      tk_trace(1, "from DECIMAL: res=%lg, hr=%08X", d, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? d : 0.0;
    }
    default:
      throw tk_mail_assertion("ole_var", 519);
  }
}

bool ole_variant::to_bool() const {
  tk_trace(1, "ole_variant::to_bool(vt=%08X)", value_.vt);
  switch (value_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return false;
    case VT_BOOL:
      return value_.boolVal == VARIANT_TRUE;
    case VT_I1:
    case VT_UI1:
      return value_.bVal != 0;
    case VT_I2:
    case VT_UI2:
      return value_.uiVal != 0;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return value_.ulVal != 0;
    case VT_I8:
      return i8_ != 0;
    case VT_UI8:
      return ui8_ != 0;
    case VT_R4:
      return value_.fltVal != 0.0f;
    case VT_R8:
      return value_.dblVal != 0.0;
    case VT_DECIMAL:
      if (!exact_.empty()) return exact_to_double(exact_) != 0.0;
      return to_long() != 0;
    default:
      throw tk_mail_assertion("ole_var", 446);
  }
}

void ole_variant::change_type(VARTYPE type) {
  const VARTYPE old = value_.vt;
  tk_trace(1, "ole_variant::change_type(old=%d,new=%d)", old, type);
  if (type == old || old == VT_EMPTY || old == VT_NULL ||
      (is_binary_type(type) && is_binary_type(old))) {
    return;
  }
  if (old == VT_I8 || old == VT_UI8) return change_from_64(type);
  if (type == VT_I8 || type == VT_UI8) return change_to_64(type);
  if (is_integer(type) && is_fractional(old)) {
    // Rounded once, half away from zero as Oracle rounds, then checked
    // against the narrower type.
    ole_variant whole(*this);
    whole.change_to_64(VT_I8);
    whole.change_from_64(type);
    *this = std::move(whole);
    return;
  }
  if (old == VT_R4 && type == VT_R8) {
    // Widened through its shortest text, so 0.15 stays 0.15 and does not
    // become 0.1500000059604645.
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value_.fltVal);
    value_.dblVal = exact_to_double(std::string(buf, r.ptr));
    value_.vt = VT_R8;
    return;
  }
  if (is_binary_type(type)) return change_to_binary();
  if (old == VT_DATE) {
    if (type != VT_BSTR) throw ole_type_exception();
    attach_wstring(ole_date(date_).to_wstring());
    return;
  }
  if (type == VT_DATE) {
    if (old != VT_BSTR || SysStringLen(value_.bstrVal) != 19) throw ole_type_exception();
    *this = from_wstring(std::u16string_view(value_.bstrVal, 19), VT_DATE);
    return;
  }
  system_change(type);
}

void ole_variant::change_from_64(VARTYPE type) {
  const bool is_signed = value_.vt == VT_I8;
  const int64_t s = is_signed ? i8_ : static_cast<int64_t>(ui8_);
  const uint64_t u = is_signed ? static_cast<uint64_t>(i8_) : ui8_;
  // A value the narrower type cannot hold fails instead of losing its high bits.
  auto fits = [&](int64_t min, int64_t max) {
    if (is_signed) return s >= min && s <= max;
    return u <= static_cast<uint64_t>(max);
  };
  VARIANT& v = value_;
  switch (type) {
    case VT_I2:
      if (!fits(INT16_MIN, INT16_MAX)) out_of_range(s, type);
      v.iVal = static_cast<int16_t>(u);
      break;
    case VT_I1:
      if (!fits(INT8_MIN, INT8_MAX)) out_of_range(s, type);
      v.cVal = static_cast<char>(u);
      break;
    case VT_UI1:
      if (!fits(0, UINT8_MAX)) out_of_range(s, type);
      v.bVal = static_cast<uint8_t>(u);
      break;
    case VT_UI2:
      if (!fits(0, UINT16_MAX)) out_of_range(s, type);
      v.uiVal = static_cast<uint16_t>(u);
      break;
    case VT_BOOL:
      v.boolVal = static_cast<VARIANT_BOOL>(u);
      break;
    case VT_I4:
    case VT_INT:
      if (!fits(INT32_MIN, INT32_MAX)) out_of_range(s, type);
      v.lVal = static_cast<int32_t>(u);
      break;
    case VT_UI4:
    case VT_UINT:
      if (!fits(0, UINT32_MAX)) out_of_range(s, type);
      v.ulVal = static_cast<uint32_t>(u);
      break;
    case VT_R4:
      v.fltVal = is_signed ? static_cast<float>(s) : static_cast<float>(u);
      break;
    case VT_R8:
      v.dblVal = is_signed ? static_cast<double>(s) : static_cast<double>(u);
      break;
    case VT_I8:
      i8_ = static_cast<int64_t>(u);
      break;
    case VT_UI8:
      ui8_ = u;
      break;
    case VT_CY:
      if (is_signed ? (s > INT64_MAX / 10000 || s < INT64_MIN / 10000)
                    : u > static_cast<uint64_t>(INT64_MAX / 10000)) {
        out_of_range(s, type);
      }
      v.cyVal.int64 = (is_signed ? s : static_cast<int64_t>(u)) * 10000;
      break;
    case VT_DECIMAL:
      // Directly, so every 64-bit value arrives exactly.
      if (is_signed) {
        VarDecFromI8(s, &v.decVal);
      } else {
        VarDecFromUI8(u, &v.decVal);
      }
      break;
    case VT_BSTR:
      attach_string(is_signed ? tsl::text::format("%I64d", static_cast<long long>(s))
                              : tsl::text::format("%I64u", static_cast<unsigned long long>(u)));
      return;
    default:
      throw ole_type_exception();
  }
  v.vt = type;
}

void ole_variant::change_to_64(VARTYPE type) {
  int64_t value = 0;
  const VARIANT& v = value_;
  switch (v.vt) {
    case VT_I2:
      value = v.iVal;
      break;
    case VT_BOOL:
      value = v.boolVal;
      break;
    case VT_I1:
      value = static_cast<signed char>(v.cVal);
      break;
    case VT_I4:
    case VT_INT:
      value = v.lVal;
      break;
    case VT_UI1:
      value = v.bVal;
      break;
    case VT_UI2:
      value = v.uiVal;
      break;
    case VT_UI4:
    case VT_UINT:
      value = v.ulVal;
      break;
    case VT_R4:
    case VT_R8: {
      // Half away from zero, as Oracle rounds into an integer column.
      const double d = std::round(v.vt == VT_R4 ? v.fltVal : v.dblVal);
      if (!(d > -9223372036854775809.0 && d < 9223372036854775808.0)) {
        throw ole_type_exception("Value out of the 64-bit range");
      }
      value = static_cast<int64_t>(d);
      break;
    }
    case VT_CY: {
      const int64_t units = v.cyVal.int64;
      value = units / 10000;
      if (units % 10000 >= 5000) ++value;
      if (units % 10000 <= -5000) --value;
      break;
    }
    case VT_DECIMAL: {
      // From the exact digits: no detour through currency, whose range ends
      // at 922,337,203,685,477 and which would round a second time.
      const std::string text = to_string();
      if (!round_decimal_text(text, &value)) {
        throw ole_type_exception("Value " + text + " does not fit a 64-bit integer");
      }
      break;
    }
    default:
      throw ole_type_exception();
  }
  clear();
  if (type == VT_I8) {
    i8_ = value;
  } else {
    ui8_ = static_cast<uint64_t>(value);
  }
  value_.vt = type;
}

void ole_variant::change_to_binary() {
  uint8_t scratch[16];
  const void* bytes = scratch;
  size_t size = 0;
  const VARIANT& v = value_;
  switch (v.vt) {
    case VT_I2:
    case VT_BOOL:
    case VT_UI2:
      size = 2;
      break;
    case VT_I4:
    case VT_R4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      size = 4;
      break;
    case VT_R8:
    case VT_CY:
      size = 8;
      break;
    case VT_I1:
    case VT_UI1:
      size = 1;
      break;
    case VT_DECIMAL:
      if (!exact_.empty()) throw ole_type_exception();
      size = sizeof(DECIMAL);
      bytes = &v.decVal;
      break;
    case VT_DATE:
      size = sizeof(SYSTEMTIME);
      bytes = &date_;
      break;
    case VT_BSTR:
      size = size_t{SysStringLen(v.bstrVal)} * sizeof(OLECHAR);
      bytes = v.bstrVal;
      break;
    case VT_LPSTR:
      size = v.pszVal != nullptr ? std::strlen(v.pszVal) : 0;
      bytes = v.pszVal;
      break;
    case VT_LPWSTR: {
      size_t n = 0;
      while (v.pwszVal != nullptr && v.pwszVal[n] != 0) ++n;
      size = n * sizeof(OLECHAR);
      bytes = v.pwszVal;
      break;
    }
    default:
      throw ole_type_exception();
  }
  if (bytes == scratch) std::memcpy(scratch, &v.llVal, size);
  // The source may be the string this value owns: copy before clearing.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(bytes),
                            static_cast<const uint8_t*>(bytes) + size);
  clear();
  attach_binary(copy);
}

void ole_variant::system_change(VARTYPE type) {
  if (value_.vt == VT_DECIMAL && !exact_.empty()) {
    // The exact text is the value: change it as a text.
    ole_variant text(exact_);
    if (type != VT_BSTR) text.system_change(type);
    *this = std::move(text);
    return;
  }
  if (FAILED(VariantChangeType(&value_, &value_, 0, type))) throw ole_type_exception();
  exact_.clear();
}
