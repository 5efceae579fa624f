#pragma once
// Life cycle of a VARIANT: it owns its BSTR and its array.
#include "platform/oleaut/oleauto_types.h"

void VariantInit(VARIANT* v);
// Frees what the value owns and leaves VT_EMPTY; an unknown type tag gives
// DISP_E_BADVARTYPE and leaves the value alone.
HRESULT VariantClear(VARIANT* v);
// A deep copy; a VT_BSTR with a null pointer copies as an empty string.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// True for the type tags this layer can hold.
bool variant_type_is_known(VARTYPE vt);
