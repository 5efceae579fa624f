#include "OLE/ole_date.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/date_parse.h"
#include "platform/oleaut/date_time.h"
#include "platform/text/ansi.h"
#include "platform/text/utf.h"

namespace {

// Zero-padded decimal of at least `width` digits.
size_t put_number(char* out, unsigned value, int width) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  size_t len = 0;
  for (int i = n; i < width; ++i) out[len++] = '0';
  while (n > 0) out[len++] = digits[--n];
  return len;
}

// Seconds as a C double whatever the process's numeric locale.
double read_double(const char* text) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(text, nullptr, c_locale);
}

}  // namespace

ole_date::ole_date(const SYSTEMTIME& st) : kind_(date_time), st_(st) {
  tk_trace(1, "ole_date::ole_date(SYSTEMTIME)");
  refine_type();
}

ole_date::ole_date(const VARIANT& v) {
  tk_trace(1, "ole_date::ole_date(VARIANT, vt=%d)", v.vt);
  if (v.vt == VT_DATE) {
    if (VariantTimeToSystemTime(v.date, &st_)) {
      kind_ = date_time;
      refine_type();
    } else {
      tk_trace(2, "Failed to convert VARIANT->SYSTEMTIME");
      kind_ = invalid;
    }
  } else if (v.vt != VT_EMPTY && v.vt != VT_NULL) {
    throw tk_mail_assertion("ole_date", 74);
  }
}

ole_date::ole_date(const char* text) {
  parse(text != nullptr ? text : "");
}

ole_date::ole_date(const std::string& text) {
  parse(text);
}

ole_date::ole_date(std::string_view text) {
  parse(text);
}

ole_date::ole_date(const std::u16string& text) {
  std::string narrow;
  tsl::text::utf16_to_ansi(text, narrow);
  parse(narrow);
}

void ole_date::refine_type() {
  tk_trace(1, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", st_.wYear, st_.wMonth, st_.wDay,
           st_.wHour, st_.wMinute, st_.wSecond);
  if (st_.wDay == 0 && st_.wMonth == 0 && st_.wYear == 0) {
    kind_ = time_only;
  } else if (st_.wHour == 0 && st_.wMinute == 0 && st_.wSecond == 0 && st_.wDay != 0 &&
             st_.wMonth != 0 && st_.wYear != 0) {
    kind_ = date_only;
  }
}

bool ole_date::is_valid() const {
  tk_trace(1, "ole_date::is_valid");
  if (kind_ == invalid) return false;
  if (st_.wDay == 0 && st_.wMonth == 0 && st_.wYear == 0) {
    tk_trace(1, "DATETIME is a pute time");
  } else {
    if (st_.wMonth == 0 || st_.wMonth > 12) {
      tk_trace(1, "Invalid month");
      return false;
    }
    if (st_.wDay == 0 || st_.wYear == 0 || (st_.wYear > 31 && st_.wDay > 31)) {
      tk_trace(1, "Invalid day and/or year");
      return false;
    }
  }
  if (st_.wHour <= 60 && st_.wMinute <= 60 && st_.wSecond <= 60) return true;
  tk_trace(1, "Invalid time");
  return false;
}

void ole_date::process_milliseconds(const char* seconds) {
  tk_trace(1, "ole_date::process_milliseconds");
  if (seconds == nullptr) throw tk_mail_assertion("ole_date", 356);
  tk_trace(1, "Got row sec: '%s'", seconds);
  const double x = read_double(seconds);
  if (!(x >= 0.0 && x < 65536.0)) {
    // Not a count of seconds at all: no valid date can come of it.
    tk_trace(1, "Invalid time");
    kind_ = invalid;
    return;
  }
  unsigned second = static_cast<unsigned>(x);
  const unsigned msec = static_cast<unsigned>((x - second) * 1000.0);
  tk_trace(1, "Got sec: %d", second);
  tk_trace(1, "Got msec: %d", msec);
  st_.wMilliseconds = static_cast<uint16_t>(msec);
  if (msec >= 500) ++second;
  unsigned minute = st_.wMinute, hour = st_.wHour;
  if (second > 59) {
    second -= 60;
    ++minute;
  }
  if (minute > 59) {
    minute -= 60;
    ++hour;
  }
  if (hour > 23) {
    hour -= 24;
    // A time of day alone wraps; a date and time moves to the next day.
    if (kind_ != time_only) day_carry_ = true;
  }
  st_.wSecond = static_cast<uint16_t>(second);
  st_.wMinute = static_cast<uint16_t>(minute);
  st_.wHour = static_cast<uint16_t>(hour);
  tk_trace(1, "After processing: %02d:%02d:%02d", st_.wHour, st_.wMinute, st_.wSecond);
}

void ole_date::next_day() {
  const int year = st_.wYear, month = st_.wMonth;
  if (month < 1 || month > 12 || st_.wDay < 1 || st_.wDay > days_in_month(year, month)) return;
  if (st_.wDay < days_in_month(year, month)) {
    ++st_.wDay;
  } else if (month < 12) {
    st_.wDay = 1;
    ++st_.wMonth;
  } else {
    st_.wDay = 1;
    st_.wMonth = 1;
    ++st_.wYear;
  }
}

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Where the fraction of the seconds of a date and time begins (its '.'), or
// npos when the text has none or is a time of day alone ("10:20:30.5").
size_t fraction_of_date_time(std::string_view s) {
  size_t lead = 0;
  while (lead < s.size() && is_digit(s[lead])) ++lead;
  if (lead < s.size() && s[lead] == ':') return std::string_view::npos;
  const size_t colon = s.rfind(':');
  if (colon == std::string_view::npos) return std::string_view::npos;
  size_t p = colon + 1;
  const size_t digits = p;
  while (p < s.size() && is_digit(s[p])) ++p;
  if (p == digits || p >= s.size() || s[p] != '.') return std::string_view::npos;
  if (p + 1 >= s.size() || !is_digit(s[p + 1])) return std::string_view::npos;
  return p;
}

std::string_view trim_spaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

void ole_date::parse(std::string_view input) {
  tk_trace(1, "ole_date::ole_date('%s')", std::string(input).c_str());
  clear_fields();
  kind_ = invalid;
  day_carry_ = false;
  // Blanks trimmed as the toolkit's trim does (spaces only).
  std::string_view text = trim_spaces(input);
  tk_trace(1, "After tk_trim: %s", std::string(text).c_str());
  for (const char* marker : {"AM", "PM", "am", "pm"}) {
    const size_t at = text.find(marker);
    if (at != std::string_view::npos) {
      text = trim_spaces(text.substr(0, at));
      break;
    }
  }
  // A date and time drops its fraction of a second: rounding it up could
  // change the day, even the year. A time alone keeps its rounding.
  std::string whole_seconds;
  unsigned milliseconds = 0;
  const size_t fraction = fraction_of_date_time(text);
  if (fraction != std::string_view::npos) {
    size_t end = fraction + 1;
    for (unsigned scale = 100; end < text.size() && is_digit(text[end]); ++end, scale /= 10)
      milliseconds += static_cast<unsigned>(text[end] - '0') * scale;
    whole_seconds.assign(text.substr(0, fraction)).append(text.substr(end));
    text = whole_seconds;
  }
  tk_trace(1, "Again buf1=%s", std::string(text).c_str());
  if (text.size() <= 4) {
    tk_trace(2, "Invalid date/time format: '%s'", std::string(text).c_str());
    return;
  }
  // The scanners want a NUL-terminated copy; dates are short.
  char small[64];
  std::string large;
  const char* copy = small;
  if (text.size() < sizeof small) {
    std::memcpy(small, text.data(), text.size());
    small[text.size()] = 0;
  } else {
    large.assign(text);
    copy = large.c_str();
  }
  import_from_string(copy, text.size());
  if ((kind_ == date_time || kind_ == date_only) && st_.wDay > 31 && st_.wYear < 32) {
    std::swap(st_.wDay, st_.wYear);
  }
  if (kind_ == date_time) st_.wMilliseconds = static_cast<uint16_t>(milliseconds);
  if (day_carry_ && kind_ != invalid) {
    next_day();
    day_carry_ = false;
  }
  const bool pm =
      input.find("PM") != std::string_view::npos || input.find("pm") != std::string_view::npos;
  const bool am =
      input.find("AM") != std::string_view::npos || input.find("am") != std::string_view::npos;
  if (pm && st_.wHour <= 11) {
    st_.wHour = static_cast<uint16_t>(st_.wHour + 12);
  } else if (am && !pm && st_.wHour == 12) {
    // 12 AM is midnight.
    st_.wHour = 0;
  }
}

void ole_date::import_from_string(const char* s, size_t size) {
  tk_trace(1, "ole_date::import_from_string");
  if (size == 14) {
    tk_trace(1, "Trying timestamp format (1)...");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    if (std::sscanf(s, "%4d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &se) == 6) {
      st_ = SYSTEMTIME{static_cast<uint16_t>(y),
                       static_cast<uint16_t>(mo),
                       0,
                       static_cast<uint16_t>(d),
                       static_cast<uint16_t>(h),
                       static_cast<uint16_t>(mi),
                       static_cast<uint16_t>(se),
                       0};
      kind_ = date_time;
      if (is_valid()) return;
    }
    clear_fields();
  }
  if (size == 8) {
    tk_trace(1, "Trying timestamp format (2)...");
    int y = 0, mo = 0, d = 0;
    if (std::sscanf(s, "%4d%02d%02d", &y, &mo, &d) == 3) {
      st_ = SYSTEMTIME{static_cast<uint16_t>(y),
                       static_cast<uint16_t>(mo),
                       0,
                       static_cast<uint16_t>(d),
                       0,
                       0,
                       0,
                       0};
      kind_ = date_only;
      if (is_valid()) return;
    }
    clear_fields();
  }

  // The seconds text can be as long as the whole text.
  char small[64];
  std::vector<char> large;
  char* seconds = small;
  if (size >= sizeof small) {
    large.resize(size + 1);
    seconds = large.data();
  }

  tk_trace(1, "Trying pure time format...");
  short h = 0, mi = 0;
  if (std::sscanf(s, "%hd:%hd:%s", &h, &mi, seconds) == 3) {
    st_.wHour = static_cast<uint16_t>(h);
    st_.wMinute = static_cast<uint16_t>(mi);
    kind_ = time_only;
    if (is_valid()) {
      process_milliseconds(seconds);
      return;
    }
  }
  clear_fields();

  // The system reader takes UTF-16; bytes above 0x7F are no part of a date.
  char16_t wide_small[64];
  std::u16string wide_large;
  const char16_t* wide = wide_small;
  if (size < 64) {
    for (size_t i = 0; i <= size; ++i) wide_small[i] = static_cast<unsigned char>(s[i]);
  } else {
    wide_large.assign(s, s + size);
    wide = wide_large.c_str();
  }
  DATE date;
  SYSTEMTIME st;
  if (SUCCEEDED(VarDateFromStr(wide, LCID_EN_US, 0, &date)) && VariantTimeToSystemTime(date, &st)) {
    tk_trace(1, "Got datetime using Microsoft API");
    st_ = st;
    kind_ = date_time;
    refine_type();
    return;
  }
  clear_fields();

  static const char* const kFormats[3] = {"%hd-%hd-%hd %hd:%hd:%s", "%hd/%hd/%hd %hd:%hd:%s",
                                          "%hd.%hd.%hd %hd:%hd:%s"};
  for (int i = 0; i < 3; ++i) {
    tk_trace(1, "Trying datetime format #%d", i);
    short y = 0, mo = 0, d = 0;
    h = 0, mi = 0;
    const int items = std::sscanf(s, kFormats[i], &y, &mo, &d, &h, &mi, seconds);
    if (items == 3 || items == 6) {
      tk_trace(1, "Format #%d succeeded (%d items)", i, items);
      st_.wYear = static_cast<uint16_t>(y);
      st_.wMonth = static_cast<uint16_t>(mo);
      st_.wDay = static_cast<uint16_t>(d);
      if (items == 3) {
        kind_ = date_only;
        if (is_valid()) return;
      } else {
        st_.wHour = static_cast<uint16_t>(h);
        st_.wMinute = static_cast<uint16_t>(mi);
        kind_ = date_time;
        if (is_valid()) {
          process_milliseconds(seconds);
          refine_type();
          return;
        }
      }
    }
    clear_fields();
  }
  kind_ = invalid;
  day_carry_ = false;
  tk_trace(2, "Invalid date/time format: '%s'", s);
}

size_t ole_date::to_chars(char* buf) const {
  size_t len = 0;
  auto date = [&] {
    len += put_number(buf + len, st_.wYear, 4);
    buf[len++] = '-';
    len += put_number(buf + len, st_.wMonth, 2);
    buf[len++] = '-';
    len += put_number(buf + len, st_.wDay, 2);
  };
  auto time = [&] {
    len += put_number(buf + len, st_.wHour, 2);
    buf[len++] = ':';
    len += put_number(buf + len, st_.wMinute, 2);
    buf[len++] = ':';
    len += put_number(buf + len, st_.wSecond, 2);
  };
  switch (kind_) {
    case date_time:
      tk_trace(1, "printing datetime...");
      date();
      if (st_.wHour != 0 || st_.wMinute != 0 || st_.wSecond != 0) {
        buf[len++] = ' ';
        time();
      }
      break;
    case date_only:
      tk_trace(1, "printing date...");
      date();
      break;
    case time_only:
      tk_trace(1, "printing time...");
      std::memcpy(buf, "0000-00-00 ", 11);
      len = 11;
      time();
      break;
    default:
      break;
  }
  return len;
}

std::string ole_date::to_string() const {
  tk_trace(1, "ole_date::to_string");
  char buf[kTextMax];
  return std::string(buf, to_chars(buf));
}

std::u16string ole_date::to_wstring() const {
  tk_trace(1, "ole_date::to_wstring");
  char buf[kTextMax];
  const size_t len = to_chars(buf);
  return std::u16string(buf, buf + len);
}

ole_variant ole_date::to_variant() const {
  tk_trace(1, "ole_date::to_variant");
  return ole_variant(st_);
}
