#include "platform/oledb/field_value.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace tsl::oledb {
namespace {

const char kHex[] = "0123456789ABCDEF";

void append_money(int64_t units, std::string& out) {
  std::string s = format_decimal_text(decimal_number{units, 4});
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  out += s;
}

// A datetime is stored as "yyyy-mm-dd hh:mm:ss.fff": the provider shows a
// zero fraction not at all and any other as nine digits.
void append_datetime(const std::string& stored, std::string& out) {
  if (stored.size() == 23) {
    if (stored.compare(20, 3, "000") == 0) {
      out.append(stored, 0, 19);
    } else {
      out += stored;
      out += "000000";
    }
    return;
  }
  out += stored;
}

bool digits(std::string_view s, size_t& pos, size_t n, int64_t& out) {
  out = 0;
  if (pos + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = s[pos + i];
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  pos += n;
  return true;
}

bool parse_time(std::string_view s, size_t& pos, date_parts& p) {
  int64_t h, m, sec;
  if (!digits(s, pos, 2, h) || pos >= s.size() || s[pos++] != ':' || !digits(s, pos, 2, m) ||
      pos >= s.size() || s[pos++] != ':' || !digits(s, pos, 2, sec))
    return false;
  if (h > 23 || m > 59 || sec > 59) return false;
  p.hour = static_cast<int>(h);
  p.minute = static_cast<int>(m);
  p.second = static_cast<int>(sec);
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    int64_t f = 0;
    int n = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
      if (n < 7) {
        f = f * 10 + (s[pos] - '0');
        ++n;
      }
      ++pos;
    }
    if (n == 0) return false;
    for (; n < 7; ++n) f *= 10;
    p.fraction = f;
  }
  return true;
}

}  // namespace

void append_text_form(const field_value& v, const column_type& t, std::string& out) {
  switch (v.k) {
    case field_value::kind::null:
      return;
    case field_value::kind::integer:
      if (is_money(t.kind)) {
        append_money(v.i, out);
      } else {
        // Every integer of every row passes here: no format string to parse.
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, v.i);
        out.append(b, static_cast<size_t>(r.ptr - b));
      }
      return;
    case field_value::kind::real: {
      char b[40];
      int n = std::snprintf(b, sizeof b, t.kind == column_kind::real ? "%.7G" : "%.15G", v.r);
      out.append(b, static_cast<size_t>(n));
      return;
    }
    case field_value::kind::blob:
      for (unsigned char c : v.s) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return;
    case field_value::kind::text:
    case field_value::kind::number:
      if (t.kind == column_kind::uniqueidentifier) {
        out += '{';
        out += v.s;
        out += '}';
      } else if (t.kind == column_kind::datetime) {
        append_datetime(v.s, out);
      } else {
        out += v.s;
      }
      return;
  }
}

std::optional<decimal_number> parse_decimal_text(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  __int128 m = 0;
  int significant = 0, scale = 0;
  bool any = false, point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    any = true;
    if (m != 0 || c != '0') ++significant;
    if (significant > 38) return std::nullopt;
    m = m * 10 + (c - '0');
    if (point) ++scale;
  }
  if (!any) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
    int e = 0;
    bool edigits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      e = e * 10 + (text[i++] - '0');
      edigits = true;
      if (e > 76) return std::nullopt;
    }
    if (!edigits) return std::nullopt;
    if (eneg) {
      scale += e;
    } else {
      for (; e > 0 && scale > 0; --e) --scale;
      for (; e > 0; --e) {
        m *= 10;
        if (++significant > 38) return std::nullopt;
      }
    }
  }
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != text.size() || scale > 38) return std::nullopt;
  return decimal_number{negative ? -m : m, static_cast<uint8_t>(scale)};
}

std::string format_decimal_text(const decimal_number& v) {
  __int128 m = v.unscaled;
  bool negative = m < 0;
  if (negative) m = -m;
  std::string d;
  do {
    d.insert(d.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (v.scale > 0) {
    if (d.size() <= v.scale) d.insert(0, v.scale + 1 - d.size(), '0');
    d.insert(d.size() - v.scale, 1, '.');
  }
  if (negative && v.unscaled != 0) d.insert(0, 1, '-');
  return d;
}

int digit_count(__int128 v) {
  if (v < 0) v = -v;
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

std::optional<date_parts> parse_stored_date(std::string_view s) {
  date_parts p;
  size_t pos = 0;
  if (s.size() >= 10 && s[4] == '-') {
    int64_t y, m, d;
    if (!digits(s, pos, 4, y) || s[pos++] != '-' || !digits(s, pos, 2, m) || s[pos++] != '-' ||
        !digits(s, pos, 2, d))
      return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    p.year = static_cast<int>(y);
    p.month = static_cast<int>(m);
    p.day = static_cast<int>(d);
    if (pos < s.size()) {
      if (s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
      ++pos;
      if (!parse_time(s, pos, p)) return std::nullopt;
    }
  } else if (!parse_time(s, pos, p)) {
    return std::nullopt;
  }
  if (pos + 7 == s.size() && s[pos] == ' ' && (s[pos + 1] == '+' || s[pos + 1] == '-')) {
    bool neg = s[pos + 1] == '-';
    pos += 2;
    int64_t h, m;
    if (!digits(s, pos, 2, h) || s[pos++] != ':' || !digits(s, pos, 2, m)) return std::nullopt;
    p.offset_minutes = static_cast<int>((h * 60 + m) * (neg ? -1 : 1));
  }
  if (pos != s.size()) return std::nullopt;
  return p;
}

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

}  // namespace tsl::oledb
