#pragma once
// The date reader, en-US rules: numbers, month names (full or three letters),
// day names (ignored), AM/PM; '-' and '/' separate date fields, ':' and '.'
// time fields; ',' and blanks are ignored. Dates are tried month/day/year
// first, then day/month/year, year/month/day and year/day/month; two fields
// give month/day of the current year, or month and year. Years below 50 are
// 20xx, 50-99 19xx. A time alone lies on 1899-12-30.
#include "platform/oleaut/oleauto_types.h"

HRESULT VarDateFromStr(const OLECHAR* text, LCID lcid, uint32_t flags, DATE* out);
