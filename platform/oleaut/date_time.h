#pragma once
// OLE dates: days since 1899-12-30 as a double, the time of day in the
// fraction (for dates before 1899-12-30 the fraction's absolute value).
// Valid from 0100-01-01 (-657434) to 9999-12-31 23:59:59 (2958465.99999).
#include "platform/oleaut/oleauto_types.h"

inline constexpr double kMinOleDate = -657434.0;
inline constexpr double kMaxOleDate = 2958466.0;  // exclusive

bool is_leap_year(int year);
int days_in_month(int year, int month);

// Milliseconds and day of week are ignored; a day past the month's end rolls
// forward, day 0 is the last day of the month before; years 0-49 are 2000-2049
// and 50-99 are 1950-1999. False when the fields are out of range.
bool SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date);
// Whole seconds (rounded), day of week filled, milliseconds 0.
bool VariantTimeToSystemTime(DATE date, SYSTEMTIME* st);

// en-US text: "M/d/yyyy h:mm:ss tt"; the date alone when there is no time,
// the time alone when the day is 1899-12-30 (unless VARIANT_USE_NLS).
HRESULT VarBstrFromDate(DATE in, LCID lcid, uint32_t flags, BSTR* out);
