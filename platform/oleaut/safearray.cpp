#include "platform/oleaut/safearray.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t element_size(VARTYPE vt) {
  switch (vt) {
    case VT_UI1:
    case VT_I1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
      return 4;
    case VT_R8:
    case VT_I8:
    case VT_UI8:
    case VT_CY:
    case VT_DATE:
      return 8;
    default:
      return 0;
  }
}

bool data_bytes(uint32_t count, uint32_t size, size_t* bytes) {
  const uint64_t total = uint64_t{count} * size;
  if (total > SIZE_MAX / 2) return false;
  *bytes = static_cast<size_t>(total);
  return true;
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t count) {
  const uint32_t size = element_size(vt);
  size_t bytes;
  if (size == 0 || !data_bytes(count, size, &bytes)) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
  if (array == nullptr) return nullptr;
  // One byte at least, so an empty array still has a data pointer.
  array->pvData = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (array->pvData == nullptr) {
    std::free(array);
    return nullptr;
  }
  array->cDims = 1;
  array->fFeatures = FADF_HAVEVARTYPE;
  array->cbElements = size;
  array->rgsabound[0].cElements = count;
  array->rgsabound[0].lLbound = lower_bound;
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks != 0) return DISP_E_ARRAYISLOCKED;
  std::free(array->pvData);
  std::free(array);
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) {
  if (array == nullptr || bound == nullptr || array->cDims != 1) return E_INVALIDARG;
  if (array->cLocks != 0) return DISP_E_ARRAYISLOCKED;
  size_t old_bytes, new_bytes;
  if (!data_bytes(array->rgsabound[0].cElements, array->cbElements, &old_bytes) ||
      !data_bytes(bound->cElements, array->cbElements, &new_bytes)) {
    return E_OUTOFMEMORY;
  }
  void* data = std::realloc(array->pvData, new_bytes == 0 ? 1 : new_bytes);
  if (data == nullptr) return E_OUTOFMEMORY;
  if (new_bytes > old_bytes) {
    std::memset(static_cast<char*>(data) + old_bytes, 0, new_bytes - old_bytes);
  }
  array->pvData = data;
  array->rgsabound[0] = *bound;
  return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (array == nullptr) return S_OK;
  if (array->cDims != 1) return E_INVALIDARG;
  size_t bytes;
  if (!data_bytes(array->rgsabound[0].cElements, array->cbElements, &bytes)) {
    return E_OUTOFMEMORY;
  }
  auto* fresh = static_cast<SAFEARRAY*>(std::malloc(sizeof(SAFEARRAY)));
  if (fresh == nullptr) return E_OUTOFMEMORY;
  *fresh = *array;
  fresh->cLocks = 0;
  fresh->pvData = std::malloc(bytes == 0 ? 1 : bytes);
  if (fresh->pvData == nullptr) {
    std::free(fresh);
    return E_OUTOFMEMORY;
  }
  if (bytes != 0) std::memcpy(fresh->pvData, array->pvData, bytes);
  *copy = fresh;
  return S_OK;
}

uint32_t SafeArrayGetDim(const SAFEARRAY* array) {
  return array == nullptr ? 0 : array->cDims;
}

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  *bound = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  *bound = static_cast<int32_t>(int64_t{array->rgsabound[0].lLbound} +
                                int64_t{array->rgsabound[0].cElements} - 1);
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}
