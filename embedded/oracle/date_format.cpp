#include "embedded/oracle/date_format.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <vector>

#include "embedded/oracle/oracle_error.h"

namespace tsl::eora {

namespace {

const char* const month_names[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                   "MAY",       "JUNE",     "JULY",     "AUGUST",
                                   "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

enum class element { literal, yyyy, yy, rr, rrrr, mm, mon, month, dd, hh24, hh, mi, ss, am };

struct piece {
  element kind;
  std::string text;  // literal text
};

bool starts_with_nocase(std::string_view s, size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
  return true;
}

std::vector<piece> compile(std::string_view f) {
  static const std::pair<const char*, element> words[] = {
      {"YYYY", element::yyyy},   {"RRRR", element::rrrr}, {"HH24", element::hh24},
      {"MONTH", element::month}, {"MON", element::mon},   {"HH12", element::hh},
      {"YY", element::yy},       {"RR", element::rr},     {"MM", element::mm},
      {"DD", element::dd},       {"HH", element::hh},     {"MI", element::mi},
      {"SS", element::ss},       {"AM", element::am},     {"PM", element::am}};
  std::vector<piece> out;
  size_t i = 0;
  while (i < f.size()) {
    unsigned char c = static_cast<unsigned char>(f[i]);
    if (std::isalnum(c)) {
      bool found = false;
      for (const auto& [w, k] : words) {
        if (starts_with_nocase(f, i, w)) {
          out.push_back({k, {}});
          i += std::string_view(w).size();
          found = true;
          break;
        }
      }
      if (!found) throw make_error(1821);
    } else if (c == '"') {
      size_t end = f.find('"', i + 1);
      if (end == std::string_view::npos) throw make_error(1821);
      out.push_back({element::literal, std::string(f.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else {
      out.push_back({element::literal, std::string(1, f[i])});
      ++i;
    }
  }
  return out;
}

// A format is usually the same for many values in a row (a bound one for
// every row of a batch): the last one stays compiled.
const std::vector<piece>& compiled(std::string_view f) {
  thread_local std::string last;
  thread_local std::vector<piece> pieces;
  thread_local bool have = false;
  if (!have || f != last) {
    pieces = compile(f);
    last.assign(f);
    have = true;
  }
  return pieces;
}

int days_in_month(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return days[m - 1];
}

}  // namespace

bool valid_date(const date_time& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= days_in_month(d.year, d.month) && d.hour >= 0 && d.hour < 24 && d.minute >= 0 &&
         d.minute < 60 && d.second >= 0 && d.second < 60;
}

date_time current_date() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  date_time d;
  d.year = tm.tm_year + 1900;
  d.month = tm.tm_mon + 1;
  d.day = tm.tm_mday;
  d.hour = tm.tm_hour;
  d.minute = tm.tm_min;
  d.second = tm.tm_sec;
  return d;
}

date_time parse_date(std::string_view s, std::string_view format) {
  const std::vector<piece>& pieces = compiled(format);
  date_time now = current_date();
  date_time d;
  d.year = now.year;
  d.month = now.month;
  bool pm = false, twelve = false;
  size_t i = 0;
  auto number = [&](size_t max_digits) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) throw make_error(1858);
    int v = 0;
    size_t n = 0;
    while (i < s.size() && n < max_digits && std::isdigit(static_cast<unsigned char>(s[i]))) {
      v = v * 10 + (s[i++] - '0');
      ++n;
    }
    return v;
  };
  for (const piece& p : pieces) {
    if (i >= s.size()) break;  // later elements keep their defaults
    switch (p.kind) {
      case element::literal:
        // Punctuation in the text matches any punctuation of the picture.
        if (std::isalnum(static_cast<unsigned char>(s[i]))) {
          if (!std::isalnum(static_cast<unsigned char>(p.text[0]))) throw make_error(1861);
        } else {
          ++i;
        }
        break;
      case element::yyyy:
      case element::rrrr:
        d.year = number(4);
        if (d.year == 0) throw make_error(1841);
        break;
      case element::yy:
      case element::rr: {
        int y = number(2);
        int century = now.year / 100;
        if (p.kind == element::rr) {
          int cur = now.year % 100;
          if (y < 50 && cur >= 50) ++century;
          if (y >= 50 && cur < 50) --century;
        }
        d.year = century * 100 + y;
        break;
      }
      case element::mm:
        d.month = number(2);
        if (d.month < 1 || d.month > 12) throw make_error(1843);
        break;
      case element::mon:
      case element::month: {
        bool found = false;
        for (int m = 0; m < 12 && !found; ++m) {
          std::string_view full = month_names[m];
          if (starts_with_nocase(s, i, full)) {
            i += full.size();
            d.month = m + 1;
            found = true;
          } else if (starts_with_nocase(s, i, full.substr(0, 3))) {
            i += 3;
            d.month = m + 1;
            found = true;
          }
        }
        if (!found) throw make_error(1843);
        break;
      }
      case element::dd:
        d.day = number(2);
        if (d.day < 1 || d.day > 31) throw make_error(1847);
        break;
      case element::hh24:
        d.hour = number(2);
        if (d.hour > 23) throw make_error(1850);
        break;
      case element::hh:
        twelve = true;
        d.hour = number(2);
        if (d.hour < 1 || d.hour > 12) throw make_error(1850);
        break;
      case element::mi:
        d.minute = number(2);
        if (d.minute > 59) throw make_error(1851);
        break;
      case element::ss:
        d.second = number(2);
        if (d.second > 59) throw make_error(1852);
        break;
      case element::am:
        if (starts_with_nocase(s, i, "PM") || starts_with_nocase(s, i, "P.M."))
          pm = true;
        else if (!starts_with_nocase(s, i, "AM") && !starts_with_nocase(s, i, "A.M."))
          throw make_error(1861);
        i += (i + 1 < s.size() && s[i + 1] == '.') ? 4 : 2;
        if (i > s.size()) i = s.size();
        break;
    }
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size()) throw make_error(1830);
  if (twelve) d.hour = d.hour % 12 + (pm ? 12 : 0);
  if (d.day > days_in_month(d.year, d.month)) throw make_error(1847);
  return d;
}

std::string format_date(const date_time& d, std::string_view format) {
  std::string out;
  char buf[16];
  for (const piece& p : compile(format)) {
    switch (p.kind) {
      case element::literal:
        out += p.text;
        break;
      case element::yyyy:
      case element::rrrr:
        std::snprintf(buf, sizeof buf, "%04d", d.year);
        out += buf;
        break;
      case element::yy:
      case element::rr:
        std::snprintf(buf, sizeof buf, "%02d", d.year % 100);
        out += buf;
        break;
      case element::mm:
        std::snprintf(buf, sizeof buf, "%02d", d.month);
        out += buf;
        break;
      case element::mon:
        out += std::string(month_names[d.month - 1]).substr(0, 3);
        break;
      case element::month:
        out += month_names[d.month - 1];
        break;
      case element::dd:
        std::snprintf(buf, sizeof buf, "%02d", d.day);
        out += buf;
        break;
      case element::hh24:
        std::snprintf(buf, sizeof buf, "%02d", d.hour);
        out += buf;
        break;
      case element::hh:
        std::snprintf(buf, sizeof buf, "%02d", d.hour % 12 == 0 ? 12 : d.hour % 12);
        out += buf;
        break;
      case element::mi:
        std::snprintf(buf, sizeof buf, "%02d", d.minute);
        out += buf;
        break;
      case element::ss:
        std::snprintf(buf, sizeof buf, "%02d", d.second);
        out += buf;
        break;
      case element::am:
        out += d.hour < 12 ? "AM" : "PM";
        break;
    }
  }
  return out;
}

}  // namespace tsl::eora
