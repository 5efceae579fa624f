#include "platform/oleaut/date_parse.h"

#include <ctime>

#include "platform/oleaut/date_time.h"

namespace {

constexpr const char* kMonths[12] = {"january",   "february", "march",    "april",
                                     "may",       "june",     "july",     "august",
                                     "september", "october",  "november", "december"};
constexpr const char* kDays[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                  "thursday", "friday", "saturday"};

struct token {
  enum kind_t { number, month, ampm, date_sep, time_sep } kind;
  int value;  // number value, month 1-12, 0 = AM / 12 = PM
  int digits;
};

char16_t lower(char16_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool is_blank(char16_t c) {
  return c == ' ' || (c >= 9 && c <= 13) || c == 0xA0 || c == 0x3000 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x1680;
}

// Matches a full name or its first three letters; answers the length used.
bool match_name(const char16_t* word, int len, const char* name) {
  int name_len = 0;
  while (name[name_len] != 0) ++name_len;
  if (len != name_len && len != 3) return false;
  if (len > name_len) return false;
  for (int i = 0; i < len; ++i) {
    if (lower(word[i]) != name[i]) return false;
  }
  return true;
}

int current_year() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

int expand_year(int year, int digits) {
  if (digits <= 2 && year < 100) return year < 50 ? 2000 + year : 1900 + year;
  return year;
}

bool valid_date(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= days_in_month(year, month);
}

struct num {
  int value;
  int digits;
};

// Chooses year, month and day from the date numbers (and a month name).
bool resolve_date(const num* n, int count, int month_name, int* y, int* m, int* d) {
  auto year_of = [](const num& x) { return expand_year(x.value, x.digits); };
  if (month_name != 0) {
    *m = month_name;
    if (count == 1) {
      if (valid_date(current_year(), month_name, n[0].value)) {
        *y = current_year();
        *d = n[0].value;
        return true;
      }
      *y = year_of(n[0]);
      *d = 1;
      return valid_date(*y, *m, *d);
    }
    if (count == 2) {
      if (valid_date(year_of(n[1]), month_name, n[0].value)) {
        *d = n[0].value;
        *y = year_of(n[1]);
        return true;
      }
      *d = n[1].value;
      *y = year_of(n[0]);
      return valid_date(*y, *m, *d);
    }
    return false;
  }
  if (count == 2) {
    const int year = current_year();
    if (valid_date(year, n[0].value, n[1].value)) {
      *y = year, *m = n[0].value, *d = n[1].value;
      return true;
    }
    if (valid_date(year, n[1].value, n[0].value)) {
      *y = year, *m = n[1].value, *d = n[0].value;
      return true;
    }
    if (valid_date(year_of(n[1]), n[0].value, 1)) {
      *y = year_of(n[1]), *m = n[0].value, *d = 1;
      return true;
    }
    if (valid_date(year_of(n[0]), n[1].value, 1)) {
      *y = year_of(n[0]), *m = n[1].value, *d = 1;
      return true;
    }
    return false;
  }
  if (count == 3) {
    // Month/day/year, day/month/year, year/month/day, year/day/month.
    static const int kOrders[4][3] = {{2, 0, 1}, {2, 1, 0}, {0, 1, 2}, {0, 2, 1}};
    for (const auto& o : kOrders) {
      const int year = year_of(n[o[0]]);
      if (valid_date(year, n[o[1]].value, n[o[2]].value)) {
        *y = year, *m = n[o[1]].value, *d = n[o[2]].value;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

HRESULT VarDateFromStr(const OLECHAR* text, LCID, uint32_t, DATE* out) {
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  token tokens[32];
  int count = 0;
  const char16_t* p = text;
  while (*p != 0) {
    const char16_t c = *p;
    if (is_blank(c) || c == ',') {
      ++p;
      continue;
    }
    if (count == 32) return DISP_E_TYPEMISMATCH;
    if (c >= '0' && c <= '9') {
      int value = 0, digits = 0;
      for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
        if (digits >= 9) return DISP_E_TYPEMISMATCH;
        value = value * 10 + (*p - '0');
      }
      tokens[count++] = {token::number, value, digits};
    } else if (c == '-' || c == '/') {
      tokens[count++] = {token::date_sep, 0, 0};
      ++p;
    } else if (c == ':' || c == '.') {
      tokens[count++] = {token::time_sep, 0, 0};
      ++p;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      const char16_t* word = p;
      while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) ++p;
      const int len = static_cast<int>(p - word);
      // The ISO 'T' between a date and its time.
      if (len == 1 && lower(c) == 't' && word > text && word[-1] >= '0' && word[-1] <= '9' &&
          *p >= '0' && *p <= '9') {
        continue;
      }
      bool known = false;
      if (len <= 2) {
        const char16_t a = lower(word[0]);
        const bool m = len == 1 || lower(word[1]) == 'm';
        if ((a == 'a' || a == 'p') && m && count > 0 && tokens[count - 1].kind == token::number) {
          tokens[count++] = {token::ampm, a == 'p' ? 12 : 0, 0};
          known = true;
        }
      }
      for (int i = 0; i < 12 && !known; ++i) {
        if (match_name(word, len, kMonths[i])) {
          tokens[count++] = {token::month, i + 1, 0};
          known = true;
        }
      }
      for (int i = 0; i < 7 && !known; ++i) known = match_name(word, len, kDays[i]);
      if (!known) return DISP_E_TYPEMISMATCH;
    } else {
      return DISP_E_TYPEMISMATCH;
    }
  }

  // Split the numbers into the time (a run joined by ':' or '.', or a number
  // followed by AM/PM) and the date (the rest).
  num date_nums[3];
  int date_count = 0, month_name = 0;
  int time_parts[3] = {0, 0, 0};
  int time_count = 0, ampm = -1, date_seps = 0;
  bool have_time = false;
  for (int i = 0; i < count; ++i) {
    const token& t = tokens[i];
    if (t.kind == token::month) {
      if (month_name != 0) return DISP_E_TYPEMISMATCH;
      month_name = t.value;
    } else if (t.kind == token::ampm) {
      if (ampm >= 0) return DISP_E_TYPEMISMATCH;
      ampm = t.value;
    } else if (t.kind == token::date_sep) {
      if (++date_seps > 2) return DISP_E_TYPEMISMATCH;
    } else if (t.kind == token::time_sep) {
      return DISP_E_TYPEMISMATCH;  // a separator without a number before it
    } else {
      const bool starts_time = i + 1 < count && (tokens[i + 1].kind == token::time_sep ||
                                                 tokens[i + 1].kind == token::ampm);
      if (starts_time) {
        if (have_time) return DISP_E_TYPEMISMATCH;
        have_time = true;
        time_parts[time_count++] = t.value;
        while (i + 2 < count && tokens[i + 1].kind == token::time_sep &&
               tokens[i + 2].kind == token::number) {
          if (time_count == 3) return DISP_E_TYPEMISMATCH;
          time_parts[time_count++] = tokens[i + 2].value;
          i += 2;
        }
        if (i + 1 < count && tokens[i + 1].kind == token::time_sep) return DISP_E_TYPEMISMATCH;
      } else {
        if (date_count == 3) return DISP_E_TYPEMISMATCH;
        date_nums[date_count++] = {t.value, t.digits};
      }
    }
  }
  if (ampm >= 0 && !have_time) return DISP_E_TYPEMISMATCH;

  int hour = time_parts[0], minute = time_parts[1], second = time_parts[2];
  if (ampm >= 0 && hour <= 12) {
    if (hour == 12) hour = 0;
    hour += ampm;
  }
  if (hour > 23 || minute > 59 || second > 59) return DISP_E_TYPEMISMATCH;

  int year = 1899, month = 12, day = 30;
  if (date_count > 0 || month_name != 0) {
    if (date_count == 1 && month_name == 0) return DISP_E_TYPEMISMATCH;
    if (!resolve_date(date_nums, date_count, month_name, &year, &month, &day)) {
      return DISP_E_TYPEMISMATCH;
    }
  } else if (!have_time) {
    return DISP_E_TYPEMISMATCH;
  }
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(year);
  st.wMonth = static_cast<uint16_t>(month);
  st.wDay = static_cast<uint16_t>(day);
  st.wHour = static_cast<uint16_t>(hour);
  st.wMinute = static_cast<uint16_t>(minute);
  st.wSecond = static_cast<uint16_t>(second);
  return SystemTimeToVariantTime(&st, out) ? S_OK : DISP_E_TYPEMISMATCH;
}
