#include "embedded/mssql/datetime.h"

#include <cctype>
#include <cstdio>

namespace tsl::mssql {

int64_t days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

namespace {

int days_in_month(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

class scanner {
 public:
  explicit scanner(std::string_view s) : s_(s) {}
  bool done() const { return i_ >= s_.size(); }
  char peek() const { return done() ? '\0' : s_[i_]; }
  void skip_blanks() {
    while (!done() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }
  bool eat(char c) {
    if (peek() != c) return false;
    ++i_;
    return true;
  }
  // Up to max digits; returns the count read.
  int digits(int max, int64_t& value) {
    int n = 0;
    value = 0;
    while (n < max && !done() && std::isdigit(static_cast<unsigned char>(s_[i_]))) {
      value = value * 10 + (s_[i_++] - '0');
      ++n;
    }
    return n;
  }
  bool eat_word(const char* w) {
    size_t j = i_;
    for (; *w; ++w, ++j) {
      if (j >= s_.size() || std::toupper(static_cast<unsigned char>(s_[j])) != *w) return false;
    }
    i_ = j;
    return true;
  }
  size_t pos() const { return i_; }
  void seek(size_t p) { i_ = p; }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

bool parse_time(scanner& sc, datetime_parts& p) {
  int64_t h, mi, se = 0;
  if (sc.digits(2, h) == 0 || !sc.eat(':') || sc.digits(2, mi) != 2) return false;
  if (sc.eat(':')) {
    if (sc.digits(2, se) != 2) return false;
    if (sc.eat('.') || sc.eat(':')) {
      int64_t f;
      int n = sc.digits(9, f);
      if (n == 0) return false;
      while (n < 7) {
        f *= 10;
        ++n;
      }
      while (n > 7) {
        f /= 10;
        --n;
      }
      p.fraction = f;
    }
  }
  sc.skip_blanks();
  if (sc.eat_word("AM")) {
    if (h > 12) return false;
    if (h == 12) h = 0;
  } else if (sc.eat_word("PM")) {
    if (h > 12) return false;
    if (h != 12) h += 12;
  }
  if (h > 23 || mi > 59 || se > 59) return false;
  p.hour = static_cast<int>(h);
  p.minute = static_cast<int>(mi);
  p.second = static_cast<int>(se);
  p.has_time = true;
  return true;
}

// Two-digit years under the default two-digit year cutoff (2049).
int full_year(int64_t y, int digits) {
  if (digits > 2) return static_cast<int>(y);
  return static_cast<int>(y < 50 ? 2000 + y : 1900 + y);
}

// "Jun", "june": the month, 0 when the text there names none.
int month_word(scanner& sc) {
  static const char* const kMonths[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                        "MAY",       "JUNE",     "JULY",     "AUGUST",
                                        "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
  for (int m = 0; m < 12; ++m) {
    std::string name = kMonths[m];
    // The whole name, else its first three letters.
    for (size_t len : {name.size(), size_t{3}}) {
      const size_t at = sc.pos();
      if (sc.eat_word(name.substr(0, len).c_str()) &&
          !std::isalpha(static_cast<unsigned char>(sc.peek())))
        return m + 1;
      sc.seek(at);
    }
  }
  return 0;
}

bool parse_numeric_date(scanner& sc, datetime_parts& p);

bool parse_date(scanner& sc, datetime_parts& p) {
  int64_t a = 0, b = 0, c = 0;
  int m = 0;
  const size_t start = sc.pos();
  if ((m = month_word(sc)) != 0) {  // Jun 12 1994, June 12, 1994
    sc.skip_blanks();
    if (sc.digits(2, b) == 0) return false;
    sc.eat(',');
    sc.skip_blanks();
    int nc = sc.digits(4, c);
    if (nc != 2 && nc != 4) return false;
    p.month = m;
    p.day = static_cast<int>(b);
    p.year = full_year(c, nc);
  } else if (sc.seek(start), sc.digits(2, a) > 0 && (sc.skip_blanks(), true) &&
                                 (m = month_word(sc)) != 0) {  // 12 June 1994, 12 Jun 94
    sc.eat(',');
    sc.skip_blanks();
    int nc = sc.digits(4, c);
    if (nc != 2 && nc != 4) return false;
    p.month = m;
    p.day = static_cast<int>(a);
    p.year = full_year(c, nc);
  } else {
    sc.seek(start);
    if (!parse_numeric_date(sc, p)) return false;
  }
  if (p.year < 1 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > days_in_month(p.year, p.month))
    return false;
  p.has_date = true;
  return true;
}

bool parse_numeric_date(scanner& sc, datetime_parts& p) {
  int64_t a, b, c;
  int na = sc.digits(8, a);
  if (na == 8) {  // yyyymmdd
    p.year = static_cast<int>(a / 10000);
    p.month = static_cast<int>(a / 100 % 100);
    p.day = static_cast<int>(a % 100);
  } else if (na == 4) {
    char sep = sc.peek();
    if (sep != '-' && sep != '/' && sep != '.') return false;
    sc.eat(sep);
    if (sc.digits(2, b) == 0 || !sc.eat(sep) || sc.digits(2, c) == 0) return false;
    p.year = static_cast<int>(a);
    p.month = static_cast<int>(b);
    p.day = static_cast<int>(c);
  } else if (na == 1 || na == 2) {  // in the order SET DATEFORMAT gives
    char sep = sc.peek();
    if (sep != '-' && sep != '/' && sep != '.') return false;
    sc.eat(sep);
    int nb = sc.digits(4, b);
    if (nb == 0 || nb == 3 || !sc.eat(sep)) return false;
    int nc = sc.digits(4, c);
    if (nc == 0 || nc == 3) return false;
    const int64_t f[3] = {a, b, c};
    const int n[3] = {na, nb, nc};
    int y = 2, m = 0, d = 1;
    switch (current_date_order()) {
      case date_order::mdy:
        y = 2, m = 0, d = 1;
        break;
      case date_order::dmy:
        y = 2, m = 1, d = 0;
        break;
      case date_order::ymd:
        y = 0, m = 1, d = 2;
        break;
      case date_order::ydm:
        y = 0, m = 2, d = 1;
        break;
      case date_order::myd:
        y = 1, m = 0, d = 2;
        break;
      case date_order::dym:
        y = 1, m = 2, d = 0;
        break;
    }
    // Day and month take at most two digits; the year two or four.
    if (n[m] > 2 || n[d] > 2 || (n[y] != 2 && n[y] != 4)) return false;
    p.month = static_cast<int>(f[m]);
    p.day = static_cast<int>(f[d]);
    p.year = full_year(f[y], n[y]);
  } else {
    return false;
  }
  return true;
}

std::string two(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string date_text(int y, int m, int d) {
  char b[48];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
  return b;
}

std::string time_text(int h, int mi, int s, int64_t fraction, int digits) {
  std::string t = two(h) + ":" + two(mi) + ":" + two(s);
  if (digits > 0) {
    char b[24];
    std::snprintf(b, sizeof b, "%07lld", static_cast<long long>(fraction));
    t += ".";
    t.append(b, static_cast<size_t>(digits));
  }
  return t;
}

// Adds carry seconds to a value after rounding moved it past a boundary.
void add_seconds(datetime_parts& p, int64_t seconds) {
  int64_t day = days_from_civil(p.year, p.month, p.day);
  int64_t tod = p.hour * 3600 + p.minute * 60 + p.second + seconds;
  day += tod / 86400;
  tod %= 86400;
  civil_from_days(day, p.year, p.month, p.day);
  p.hour = static_cast<int>(tod / 3600);
  p.minute = static_cast<int>(tod / 60 % 60);
  p.second = static_cast<int>(tod % 60);
}

}  // namespace

namespace {
thread_local date_order order = date_order::mdy;
}  // namespace

date_order current_date_order() {
  return order;
}

std::optional<date_order> date_order_named(std::string_view name) {
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (n == "mdy") return date_order::mdy;
  if (n == "dmy") return date_order::dmy;
  if (n == "ymd") return date_order::ymd;
  if (n == "ydm") return date_order::ydm;
  if (n == "myd") return date_order::myd;
  if (n == "dym") return date_order::dym;
  return std::nullopt;
}

date_order_scope::date_order_scope(date_order o) : saved_(order) {
  order = o;
}

date_order_scope::~date_order_scope() {
  order = saved_;
}

std::optional<datetime_parts> parse_datetime(std::string_view text) {
  scanner sc(text);
  datetime_parts p;
  sc.skip_blanks();
  size_t start = sc.pos();
  if (!parse_date(sc, p)) {
    sc.seek(start);
    p = datetime_parts{};
    if (!parse_time(sc, p)) return std::nullopt;
  } else {
    if (sc.eat('T')) {
      if (!parse_time(sc, p)) return std::nullopt;
    } else {
      sc.skip_blanks();
      if (!sc.done() && std::isdigit(static_cast<unsigned char>(sc.peek())) && !parse_time(sc, p))
        return std::nullopt;
    }
  }
  sc.skip_blanks();
  if (sc.eat('Z')) {
    p.has_offset = true;
  } else if (sc.peek() == '+' || sc.peek() == '-') {
    bool neg = sc.peek() == '-';
    sc.eat(sc.peek());
    int64_t oh, om;
    if (sc.digits(2, oh) != 2 || !sc.eat(':') || sc.digits(2, om) != 2 || oh > 14 || om > 59)
      return std::nullopt;
    p.offset_minutes = static_cast<int>((oh * 60 + om) * (neg ? -1 : 1));
    p.has_offset = true;
  }
  sc.skip_blanks();
  if (!sc.done()) return std::nullopt;
  return p;
}

std::optional<std::string> store_datetime(datetime_parts p, const sql_type& t) {
  switch (t.id) {
    case type_id::datetime: {
      int64_t ticks = (p.fraction * 300 + 5000000) / 10000000;
      if (ticks >= 300) {
        ticks = 0;
        add_seconds(p, 1);
      }
      if (p.year < 1753 || p.year > 9999) return std::nullopt;
      int64_t ms = (ticks * 1000 + 150) / 300;
      return date_text(p.year, p.month, p.day) + " " +
             time_text(p.hour, p.minute, p.second, ms * 10000, 3);
    }
    case type_id::smalldatetime: {
      // Rounds to the nearest minute: 29.998 seconds and less round down.
      int64_t in_minute = p.second * 10000000LL + p.fraction;
      p.second = 0;
      p.fraction = 0;
      if (in_minute >= 299990000LL) add_seconds(p, 60);
      if (p.year < 1900 || p.year > 2079 || (p.year == 2079 && p.month > 6) ||
          (p.year == 2079 && p.month == 6 && p.day > 6))
        return std::nullopt;
      return date_text(p.year, p.month, p.day) + " " + time_text(p.hour, p.minute, 0, 0, 0);
    }
    case type_id::date:
      return date_text(p.year, p.month, p.day);
    default:
      break;
  }
  // time, datetime2, datetimeoffset: round the fraction to the scale.
  int64_t unit = 1;
  for (int i = t.scale; i < 7; ++i) unit *= 10;
  int64_t f = (p.fraction + unit / 2) / unit * unit;
  if (f >= 10000000) {
    f = 0;
    add_seconds(p, 1);
  }
  std::string time = time_text(p.hour, p.minute, p.second, f, t.scale);
  if (t.id == type_id::time) return time;
  std::string s = date_text(p.year, p.month, p.day) + " " + time;
  if (t.id == type_id::datetimeoffset) {
    int off = p.offset_minutes;
    s += off < 0 ? " -" : " +";
    if (off < 0) off = -off;
    s += two(off / 60) + ":" + two(off % 60);
  }
  return s;
}

}  // namespace tsl::mssql
