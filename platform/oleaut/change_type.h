#pragma once
// Changing a variant's type, in place or into another variant, with flags 0
// rules: integers round half to even and fail with DISP_E_OVERFLOW when out
// of range; booleans wrap; texts are read as the number, boolean or date
// readers read them; byte arrays and texts swap raw bytes. On failure the
// destination is left as it was.
#include "platform/oleaut/oleauto_types.h"

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, uint16_t flags,
                            VARTYPE vt);
