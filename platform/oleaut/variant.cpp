#include "platform/oleaut/variant.h"

#include <cstring>

#include "platform/oleaut/safearray.h"

void VariantInit(VARIANT* v) {
  std::memset(v, 0, sizeof *v);
}

bool variant_type_is_known(VARTYPE vt) {
  if (vt & VT_ARRAY) return (vt & ~VT_ARRAY) <= VT_UINT && (vt & ~VT_ARRAY) >= VT_I2;
  if (vt & (VT_BYREF | VT_VECTOR | VT_RESERVED)) return false;
  return (vt <= VT_UINT && vt != 15) || vt == VT_LPSTR || vt == VT_LPWSTR || vt == VT_BLOB ||
         vt == VT_BLOB_OBJECT || vt == VT_SAFEARRAY;
}

HRESULT VariantClear(VARIANT* v) {
  if (!variant_type_is_known(v->vt)) return DISP_E_BADVARTYPE;
  if (v->vt == VT_BSTR) {
    SysFreeString(v->bstrVal);
  } else if ((v->vt & VT_ARRAY) || v->vt == VT_SAFEARRAY) {
    HRESULT hr = SafeArrayDestroy(v->parray);
    if (FAILED(hr)) return hr;
  }
  v->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (dest == src) return S_OK;
  if (!variant_type_is_known(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *src;
  if (src->vt == VT_BSTR) {
    copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if ((src->vt & VT_ARRAY) || src->vt == VT_SAFEARRAY) {
    HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}
