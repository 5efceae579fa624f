#pragma once
// One-dimensional arrays of fixed-size elements (in practice bytes). The
// element data is zeroed on creation and on growth.
#include "platform/oleaut/oleauto_types.h"

// A vector of `count` elements of `vt` (VT_UI1, VT_I1, VT_I2, VT_UI2, VT_I4,
// VT_UI4, VT_R4, VT_R8, VT_I8, VT_UI8, VT_CY), lower bound `lower_bound`.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t count);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// New element count and lower bound of the one dimension, keeping the data.
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound);
HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy);
uint32_t SafeArrayGetDim(const SAFEARRAY* array);
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
