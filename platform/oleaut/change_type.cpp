#include "platform/oleaut/change_type.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/oleaut/currency.h"
#include "platform/oleaut/date_parse.h"
#include "platform/oleaut/date_time.h"
#include "platform/oleaut/decimal.h"
#include "platform/oleaut/num_parse.h"
#include "platform/oleaut/number_text.h"
#include "platform/oleaut/safearray.h"
#include "platform/oleaut/variant.h"

namespace {

using u128 = unsigned __int128;

bool is_integer_type(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8:
      return true;
    default:
      return false;
  }
}

bool is_unsigned_type(VARTYPE vt) {
  return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT || vt == VT_UI8;
}

VARTYPE canonical(VARTYPE vt) {
  if (vt == VT_INT) return VT_I4;
  if (vt == VT_UINT) return VT_UI4;
  return vt;
}

void integer_bounds(VARTYPE vt, int64_t* min, uint64_t* max) {
  switch (vt) {
    case VT_I1:
      *min = INT8_MIN, *max = INT8_MAX;
      break;
    case VT_I2:
      *min = INT16_MIN, *max = INT16_MAX;
      break;
    case VT_I4:
    case VT_INT:
      *min = INT32_MIN, *max = INT32_MAX;
      break;
    case VT_I8:
      *min = INT64_MIN, *max = INT64_MAX;
      break;
    case VT_UI1:
      *min = 0, *max = UINT8_MAX;
      break;
    case VT_UI2:
      *min = 0, *max = UINT16_MAX;
      break;
    case VT_UI4:
    case VT_UINT:
      *min = 0, *max = UINT32_MAX;
      break;
    default:
      *min = 0, *max = UINT64_MAX;
      break;
  }
}

// A signed integer source as int64; unsigned 64-bit sources go through `big`.
int64_t integer_value(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1:
      return static_cast<signed char>(v.cVal);
    case VT_I2:
      return v.iVal;
    case VT_I4:
    case VT_INT:
      return v.lVal;
    case VT_I8:
      return v.llVal;
    case VT_UI1:
      return v.bVal;
    case VT_UI2:
      return v.uiVal;
    case VT_UI4:
    case VT_UINT:
      return v.ulVal;
    default:
      return 0;
  }
}

void store_integer(VARIANT* r, VARTYPE vt, uint64_t bits) {
  r->vt = vt;
  r->ullVal = 0;
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      r->bVal = static_cast<uint8_t>(bits);
      break;
    case VT_I2:
    case VT_UI2:
      r->uiVal = static_cast<uint16_t>(bits);
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      r->ulVal = static_cast<uint32_t>(bits);
      break;
    default:
      r->ullVal = bits;
      break;
  }
}

// Sign and magnitude, checked against the target's range.
HRESULT store_checked(VARIANT* r, VARTYPE vt, bool negative, u128 mag) {
  int64_t min;
  uint64_t max;
  integer_bounds(vt, &min, &max);
  if (mag == 0) negative = false;
  if (negative) {
    if (min == 0 || mag > static_cast<u128>(0 - static_cast<uint64_t>(min))) {
      return DISP_E_OVERFLOW;
    }
    store_integer(r, vt, 0 - static_cast<uint64_t>(mag));
  } else {
    if (mag > max) return DISP_E_OVERFLOW;
    store_integer(r, vt, static_cast<uint64_t>(mag));
  }
  return S_OK;
}

HRESULT integer_from_double(VARIANT* r, VARTYPE vt, double x) {
  if (std::isnan(x)) return DISP_E_OVERFLOW;
  const double rounded = std::nearbyint(x);
  if (std::fabs(rounded) >= 18446744073709551616.0) return DISP_E_OVERFLOW;
  const bool negative = rounded < 0;
  const u128 mag = static_cast<u128>(static_cast<uint64_t>(std::fabs(rounded)));
  return store_checked(r, vt, negative, mag);
}

HRESULT to_integer(const VARIANT& s, VARTYPE vt, VARIANT* r) {
  switch (s.vt) {
    case VT_BOOL:
      store_integer(r, vt, static_cast<uint64_t>(static_cast<int64_t>(s.boolVal)));
      return S_OK;
    case VT_R4:
      return integer_from_double(r, vt, s.fltVal);
    case VT_R8:
    case VT_DATE:
      return integer_from_double(r, vt, s.dblVal);
    case VT_CY:
      if (vt == VT_I8) {
        int64_t v;
        VarI8FromCy(s.cyVal, &v);
        store_integer(r, vt, static_cast<uint64_t>(v));
        return S_OK;
      }
      return integer_from_double(r, vt, static_cast<double>(s.cyVal.int64) / 10000.0);
    case VT_DECIMAL:
      if (!decimal_is_valid(s.decVal)) return E_INVALIDARG;
      return store_checked(r, vt, s.decVal.sign == DECIMAL_NEG, decimal_round_magnitude(s.decVal));
    case VT_BSTR: {
      parsed_number n;
      if (s.bstrVal == nullptr) return DISP_E_TYPEMISMATCH;
      HRESULT hr = parse_number(std::u16string_view(s.bstrVal, SysStringLen(s.bstrVal)), &n);
      if (FAILED(hr)) return hr;
      int64_t min;
      uint64_t max;
      integer_bounds(vt, &min, &max);
      if (is_unsigned_type(vt)) {
        uint64_t u;
        hr = parsed_to_u64(n, max, &u);
        if (SUCCEEDED(hr)) store_integer(r, vt, u);
        return hr;
      }
      int64_t v;
      hr = parsed_to_i64(n, min, static_cast<int64_t>(max), &v);
      if (SUCCEEDED(hr)) store_integer(r, vt, static_cast<uint64_t>(v));
      return hr;
    }
    default:
      break;
  }
  if (s.vt == VT_UI8) return store_checked(r, vt, false, s.ullVal);
  // The unsigned int reads as a signed one without a check.
  if (s.vt == VT_UINT && canonical(vt) == VT_I4) {
    store_integer(r, vt, s.uintVal);
    return S_OK;
  }
  const int64_t v = integer_value(s);
  const u128 mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  return store_checked(r, vt, v < 0, mag);
}

HRESULT to_double(const VARIANT& s, double* out) {
  switch (s.vt) {
    case VT_BOOL:
      *out = s.boolVal;
      return S_OK;
    case VT_R4:
      *out = s.fltVal;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      *out = s.dblVal;
      return S_OK;
    case VT_CY:
      return VarR8FromCy(s.cyVal, out);
    case VT_DECIMAL:
      return VarR8FromDec(&s.decVal, out);
    case VT_UI8:
      *out = static_cast<double>(s.ullVal);
      return S_OK;
    case VT_BSTR: {
      if (s.bstrVal == nullptr) return DISP_E_TYPEMISMATCH;
      parsed_number n;
      HRESULT hr = parse_number(std::u16string_view(s.bstrVal, SysStringLen(s.bstrVal)), &n);
      return FAILED(hr) ? hr : parsed_to_double(n, out);
    }
    default:
      *out = static_cast<double>(integer_value(s));
      return S_OK;
  }
}

HRESULT to_bool(const VARIANT& s, VARIANT_BOOL* out) {
  if (s.vt == VT_DECIMAL) {
    if (!decimal_is_valid(s.decVal)) return E_INVALIDARG;
    *out = decimal_magnitude(s.decVal) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (s.vt == VT_BSTR) {
    if (s.bstrVal == nullptr) return DISP_E_TYPEMISMATCH;
    const std::u16string_view text(s.bstrVal, SysStringLen(s.bstrVal));
    auto nocase = [&](std::u16string_view word) {
      if (text.size() != word.size()) return false;
      for (size_t i = 0; i < word.size(); ++i) {
        char16_t c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 32);
        if (c != word[i]) return false;
      }
      return true;
    };
    if (nocase(u"true") || text == u"#TRUE#") {
      *out = VARIANT_TRUE;
      return S_OK;
    }
    if (nocase(u"false") || text == u"#FALSE#") {
      *out = VARIANT_FALSE;
      return S_OK;
    }
  }
  if (s.vt == VT_CY) {
    *out = s.cyVal.int64 != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (s.vt == VT_UI8 || s.vt == VT_I8) {
    *out = s.ullVal != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  double d;
  HRESULT hr = to_double(s, &d);
  if (FAILED(hr)) return hr;
  *out = d != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT to_cy(const VARIANT& s, CY* out) {
  switch (s.vt) {
    case VT_BOOL:
      out->int64 = s.boolVal * int64_t{10000};
      return S_OK;
    case VT_R4:
      return VarCyFromR8(s.fltVal, out);
    case VT_R8:
    case VT_DATE:
      return VarCyFromR8(s.dblVal, out);
    case VT_DECIMAL:
      return VarCyFromDec(&s.decVal, out);
    case VT_BSTR:
      if (s.bstrVal == nullptr) return DISP_E_TYPEMISMATCH;
      return VarCyFromStr(s.bstrVal, LCID_EN_US, 0, out);
    case VT_UI8:
      if (s.ullVal >= 922337203685478ULL) return DISP_E_OVERFLOW;
      out->int64 = static_cast<int64_t>(s.ullVal) * 10000;
      return S_OK;
    default:
      return VarCyFromI8(integer_value(s), out);
  }
}

HRESULT to_decimal(const VARIANT& s, DECIMAL* out) {
  switch (s.vt) {
    case VT_BOOL:
      // The in-place change gives +1 for true, unlike the direct conversion.
      decimal_set(out, s.boolVal != 0 ? 1 : 0, 0, false);
      return S_OK;
    case VT_R4:
      return VarDecFromR4(s.fltVal, out);
    case VT_R8:
    case VT_DATE:
      return VarDecFromR8(s.dblVal, out);
    case VT_CY:
      return VarDecFromCy(s.cyVal, out);
    case VT_BSTR:
      if (s.bstrVal == nullptr) return DISP_E_TYPEMISMATCH;
      return VarDecFromStr(s.bstrVal, LCID_EN_US, 0, out);
    case VT_UI8:
      return VarDecFromUI8(s.ullVal, out);
    default:
      return VarDecFromI8(integer_value(s), out);
  }
}

HRESULT to_bstr(const VARIANT& s, uint16_t flags, BSTR* out) {
  char buf[64];
  size_t len = 0;
  switch (s.vt) {
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) {
        *out = SysAllocString(s.boolVal != 0 ? u"True" : u"False");
        return *out == nullptr ? E_OUTOFMEMORY : S_OK;
      }
      len = static_cast<size_t>(std::snprintf(buf, sizeof buf, "%d", s.boolVal));
      break;
    case VT_R4:
      return VarBstrFromR4(s.fltVal, LCID_EN_US, 0, out);
    case VT_R8:
      return VarBstrFromR8(s.dblVal, LCID_EN_US, 0, out);
    case VT_DATE:
      return VarBstrFromDate(s.date, LCID_EN_US, flags & VARIANT_USE_NLS, out);
    case VT_CY:
      return VarBstrFromCy(s.cyVal, LCID_EN_US, 0, out);
    case VT_DECIMAL:
      return VarBstrFromDec(&s.decVal, LCID_EN_US, 0, out);
    case VT_UI8:
      len = static_cast<size_t>(
          std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(s.ullVal)));
      break;
    default:
      len = static_cast<size_t>(
          std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(integer_value(s))));
      break;
  }
  OLECHAR wide[64];
  for (size_t i = 0; i < len; ++i) wide[i] = static_cast<OLECHAR>(buf[i]);
  *out = SysAllocStringLen(wide, static_cast<uint32_t>(len));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

bool is_bad_target(VARTYPE vt) {
  switch (vt) {
    case 15:
    case VT_VOID:
    case VT_HRESULT:
    case VT_PTR:
    case VT_SAFEARRAY:
    case VT_CARRAY:
    case VT_USERDEFINED:
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_INT_PTR:
    case VT_UINT_PTR:
    case VT_FILETIME:
    case VT_BLOB:
    case VT_STREAM:
    case VT_STORAGE:
    case VT_STREAMED_OBJECT:
    case VT_STORED_OBJECT:
    case VT_BLOB_OBJECT:
    case VT_CF:
    case VT_CLSID:
    case VT_BSTR_BLOB:
      return true;
    default:
      return vt > VT_UINT && !(vt & VT_ARRAY);
  }
}

bool is_value_type(VARTYPE vt) {
  return (vt >= VT_I2 && vt <= VT_BSTR) || vt == VT_BOOL || vt == VT_DECIMAL ||
         (vt >= VT_I1 && vt <= VT_UINT);
}

HRESULT convert(const VARIANT& s, uint16_t flags, VARTYPE vt, VARIANT* r) {
  VariantInit(r);
  if (is_bad_target(vt)) return DISP_E_BADVARTYPE;
  if (s.vt == VT_NULL) {
    if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
    r->vt = VT_NULL;
    return S_OK;
  }
  if (vt == VT_EMPTY || vt == VT_NULL) {
    if (s.vt > VT_UINT || s.vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
    r->vt = vt;
    return S_OK;
  }
  if (canonical(s.vt) == canonical(vt)) {
    HRESULT hr = VariantCopy(r, &s);
    if (SUCCEEDED(hr)) r->vt = vt;
    return hr;
  }
  // Byte arrays and texts exchange their raw bytes.
  if (s.vt == (VT_ARRAY | VT_UI1) && vt == VT_BSTR) {
    const SAFEARRAY* a = s.parray;
    if (a == nullptr || a->cDims != 1 || a->cbElements != 1) return E_INVALIDARG;
    r->bstrVal =
        SysAllocStringByteLen(static_cast<const char*>(a->pvData), a->rgsabound[0].cElements);
    if (r->bstrVal == nullptr) return E_OUTOFMEMORY;
    r->vt = VT_BSTR;
    return S_OK;
  }
  if (s.vt == VT_BSTR && vt == (VT_ARRAY | VT_UI1)) {
    const uint32_t bytes = SysStringByteLen(s.bstrVal);
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, bytes);
    if (a == nullptr) return E_OUTOFMEMORY;
    if (bytes != 0) std::memcpy(a->pvData, s.bstrVal, bytes);
    r->parray = a;
    r->vt = vt;
    return S_OK;
  }
  if ((vt & VT_ARRAY) || (s.vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  if (s.vt != VT_EMPTY && !is_value_type(s.vt)) return DISP_E_TYPEMISMATCH;
  if (!is_value_type(vt)) return DISP_E_TYPEMISMATCH;

  if (s.vt == VT_EMPTY) {
    if (vt == VT_BSTR) {
      r->bstrVal = SysAllocStringLen(nullptr, 0);
      if (r->bstrVal == nullptr) return E_OUTOFMEMORY;
    }
    r->vt = vt;
    return S_OK;
  }
  if (is_integer_type(vt)) return to_integer(s, vt, r);
  HRESULT hr = S_OK;
  switch (vt) {
    case VT_R8:
      hr = to_double(s, &r->dblVal);
      break;
    case VT_R4: {
      double d;
      hr = to_double(s, &d);
      if (SUCCEEDED(hr) && std::isfinite(d) && std::fabs(d) > FLT_MAX) hr = DISP_E_OVERFLOW;
      if (SUCCEEDED(hr)) r->fltVal = static_cast<float>(d);
      break;
    }
    case VT_DATE:
      if (s.vt == VT_BSTR) {
        hr = VarDateFromStr(s.bstrVal, LCID_EN_US, 0, &r->date);
      } else {
        hr = to_double(s, &r->date);
        if (SUCCEEDED(hr) && !(r->date >= kMinOleDate && r->date < kMaxOleDate)) {
          hr = DISP_E_OVERFLOW;
        }
      }
      break;
    case VT_CY:
      hr = to_cy(s, &r->cyVal);
      break;
    case VT_DECIMAL:
      hr = to_decimal(s, &r->decVal);
      break;
    case VT_BOOL:
      hr = to_bool(s, &r->boolVal);
      break;
    case VT_BSTR:
      hr = to_bstr(s, flags, &r->bstrVal);
      break;
    default:
      hr = DISP_E_TYPEMISMATCH;
      break;
  }
  if (SUCCEEDED(hr)) r->vt = vt;
  return hr;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (src->vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  VARIANT result;
  HRESULT hr = convert(*src, flags, vt, &result);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, uint16_t flags, VARTYPE vt) {
  return VariantChangeType(dest, src, flags, vt);
}
