#include "platform/oleaut/date_time.h"

#include <cmath>
#include <cstdio>

#include "platform/text/utf.h"

namespace {

// Days from 0001-01-01 (proleptic Gregorian) to the given date.
int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void civil_from_days(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

const int64_t kEpoch = days_from_civil(1899, 12, 30);

}  // namespace

bool is_leap_year(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

bool SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date) {
  int year = static_cast<int16_t>(st->wYear);
  if (year < 0 || year > 9999 || st->wMonth < 1 || st->wMonth > 12 || st->wDay > 31) {
    return false;
  }
  if (st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59) return false;
  if (year < 50) {
    year += 2000;
  } else if (year < 100) {
    year += 1900;
  }
  // A day past the month's end (or day 0) rolls over into the next (previous) month.
  const int64_t days = days_from_civil(year, st->wMonth, 1) + st->wDay - 1 - kEpoch;
  if (days < kMinOleDate || days >= kMaxOleDate) return false;
  const double time = st->wHour / 24.0 + st->wMinute / 1440.0 + st->wSecond / 86400.0;
  *date = days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
  return true;
}

bool VariantTimeToSystemTime(DATE date, SYSTEMTIME* st) {
  if (!(date > kMinOleDate - 1.0 && date < kMaxOleDate)) return false;
  double whole = std::trunc(date);
  double fraction = std::fabs(date - whole);
  int64_t seconds = std::llround(fraction * 86400.0);
  int64_t day = static_cast<int64_t>(whole);
  if (seconds >= 86400) {
    // Rounding reached midnight: the next calendar day, whatever the sign.
    seconds -= 86400;
    day += 1;
  }
  if (day < kMinOleDate || day >= kMaxOleDate) return false;
  int y, m, d;
  civil_from_days(day + kEpoch, &y, &m, &d);
  st->wYear = static_cast<uint16_t>(y);
  st->wMonth = static_cast<uint16_t>(m);
  st->wDay = static_cast<uint16_t>(d);
  st->wDayOfWeek = static_cast<uint16_t>(((day + kEpoch) % 7 + 7 + 4) % 7);
  st->wHour = static_cast<uint16_t>(seconds / 3600);
  st->wMinute = static_cast<uint16_t>(seconds / 60 % 60);
  st->wSecond = static_cast<uint16_t>(seconds % 60);
  st->wMilliseconds = 0;
  return true;
}

HRESULT VarBstrFromDate(DATE in, LCID, uint32_t flags, BSTR* out) {
  SYSTEMTIME st;
  if (!VariantTimeToSystemTime(in, &st)) return E_INVALIDARG;
  const bool use_nls = (flags & VARIANT_USE_NLS) != 0;
  const bool has_date = use_nls || std::trunc(in) != 0.0;
  const bool has_time = use_nls || std::fabs(in - std::trunc(in)) >= 1e-12 || !has_date;
  char buf[64];
  int len = 0;
  if (has_date) len = std::snprintf(buf, sizeof buf, "%d/%d/%d", st.wMonth, st.wDay, st.wYear);
  if (has_time) {
    const int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    len += std::snprintf(buf + len, sizeof buf - static_cast<size_t>(len), "%s%d:%02d:%02d %s",
                         has_date ? " " : "", hour12, st.wMinute, st.wSecond,
                         st.wHour < 12 ? "AM" : "PM");
  }
  const std::u16string wide = tsl::text::ascii_to_utf16(std::string_view(buf, len));
  *out = SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}
