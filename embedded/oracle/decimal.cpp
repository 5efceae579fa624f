#include "embedded/oracle/decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace tsl::eora {

namespace {

// Unsigned digit strings (most significant first, no sign).
int compare_magnitude(const std::string& a, const std::string& b) {
  size_t ia = a.find_first_not_of('0');
  size_t ib = b.find_first_not_of('0');
  std::string_view va =
      ia == std::string::npos ? std::string_view() : std::string_view(a).substr(ia);
  std::string_view vb =
      ib == std::string::npos ? std::string_view() : std::string_view(b).substr(ib);
  if (va.size() != vb.size()) return va.size() < vb.size() ? -1 : 1;
  int c = va.compare(vb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string add_magnitude(const std::string& a, const std::string& b) {
  std::string out;
  int carry = 0;
  for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
    int d = carry;
    if (i < a.size()) d += a[a.size() - 1 - i] - '0';
    if (i < b.size()) d += b[b.size() - 1 - i] - '0';
    out.push_back(static_cast<char>('0' + d % 10));
    carry = d / 10;
  }
  std::reverse(out.begin(), out.end());
  return out;
}

// a - b with a >= b.
std::string sub_magnitude(const std::string& a, const std::string& b) {
  std::string out;
  int borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int d = a[a.size() - 1 - i] - '0' - borrow;
    if (i < b.size()) d -= b[b.size() - 1 - i] - '0';
    borrow = d < 0;
    if (d < 0) d += 10;
    out.push_back(static_cast<char>('0' + d));
  }
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

void decimal::normalize() {
  size_t lead = digits_.find_first_not_of('0');
  if (lead == std::string::npos) {
    digits_.clear();
    exp_ = 0;
    neg_ = false;
    return;
  }
  digits_.erase(0, lead);
  size_t last = digits_.find_last_not_of('0');
  exp_ += static_cast<int>(digits_.size() - 1 - last);
  digits_.resize(last + 1);
}

decimal decimal::from_int(int64_t v) {
  decimal d;
  d.neg_ = v < 0;
  uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  d.digits_ = std::to_string(m);
  d.normalize();
  return d;
}

std::optional<decimal> decimal::parse(std::string_view t) {
  size_t i = 0, n = t.size();
  while (i < n && (t[i] == ' ' || t[i] == '\t')) ++i;
  while (n > i && (t[n - 1] == ' ' || t[n - 1] == '\t')) --n;
  decimal d;
  if (i < n && (t[i] == '+' || t[i] == '-')) d.neg_ = t[i++] == '-';
  bool any = false, point = false;
  int frac = 0;
  for (; i < n; ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      any = true;
      d.digits_.push_back(c);
      if (point) ++frac;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  long e = 0;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) eneg = t[i++] == '-';
    if (i >= n) return std::nullopt;
    for (; i < n; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      if (e < 100000) e = e * 10 + (t[i] - '0');
    }
    if (eneg) e = -e;
  }
  if (i != n) return std::nullopt;
  d.exp_ = static_cast<int>(e) - frac;
  d.normalize();
  return d;
}

decimal decimal::round(int scale) const {
  long keep = static_cast<long>(digits_.size()) + exp_ + scale;
  if (keep >= static_cast<long>(digits_.size())) return *this;
  if (keep < 0) return decimal();
  decimal r;
  r.neg_ = neg_;
  r.digits_ = digits_.substr(0, static_cast<size_t>(keep));
  r.exp_ = exp_ + static_cast<int>(digits_.size() - static_cast<size_t>(keep));
  if (digits_[static_cast<size_t>(keep)] >= '5') r.digits_ = add_magnitude(r.digits_, "1");
  r.normalize();
  return r;
}

decimal decimal::round_significant(int count) const {
  if (static_cast<int>(digits_.size()) <= count) return *this;
  return round(count - integer_digits());
}

decimal decimal::truncate() const {
  if (exp_ >= 0) return *this;
  decimal r;
  long keep = static_cast<long>(digits_.size()) + exp_;
  if (keep <= 0) return r;
  r.neg_ = neg_;
  r.digits_ = digits_.substr(0, static_cast<size_t>(keep));
  r.normalize();
  return r;
}

std::string decimal::to_string() const {
  if (digits_.empty()) return "0";
  std::string out = neg_ ? "-" : "";
  int n = static_cast<int>(digits_.size());
  int point = n + exp_;
  std::string plain;
  if (exp_ >= 0) {
    plain = digits_ + std::string(static_cast<size_t>(exp_), '0');
  } else if (point > 0) {
    plain = digits_.substr(0, static_cast<size_t>(point)) + "." +
            digits_.substr(static_cast<size_t>(point));
  } else {
    plain.assign(1, '.').append(static_cast<size_t>(-point), '0').append(digits_);
  }
  // Plain notation while the digits it needs fit in 40 positions.
  int needed = exp_ >= 0 ? n + exp_ : (point > 0 ? n : n - point);
  if (needed <= 40) return out + plain;
  out += digits_.substr(0, 1);
  if (n > 1) out.append(1, '.').append(digits_, 1);
  int e = point - 1;
  out += e < 0 ? "E-" : "E+";
  std::string es = std::to_string(std::abs(e));
  if (es.size() < 2) out += '0';
  return out + es;
}

int64_t decimal::to_int64() const {
  decimal t = truncate();
  if (t.digits_.empty()) return 0;
  if (t.integer_digits() > 19)
    return t.neg_ ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  std::string s = t.digits_ + std::string(static_cast<size_t>(t.exp_), '0');
  unsigned long long m = std::strtoull(s.c_str(), nullptr, 10);
  if (t.neg_) {
    if (m > static_cast<unsigned long long>(std::numeric_limits<int64_t>::max()) + 1ULL)
      return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(0 - m);
  }
  if (m > static_cast<unsigned long long>(std::numeric_limits<int64_t>::max()))
    return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(m);
}

double decimal::to_double() const {
  if (digits_.empty()) return 0;
  std::string s = (neg_ ? "-" : "") + digits_ + "e" + std::to_string(exp_);
  return std::strtod(s.c_str(), nullptr);
}

decimal decimal::operator-() const {
  decimal r = *this;
  if (!r.digits_.empty()) r.neg_ = !r.neg_;
  return r;
}

decimal operator+(const decimal& a, const decimal& b) {
  if (a.digits_.empty()) return b;
  if (b.digits_.empty()) return a;
  int e = std::min(a.exp_, b.exp_);
  std::string da = a.digits_ + std::string(static_cast<size_t>(a.exp_ - e), '0');
  std::string db = b.digits_ + std::string(static_cast<size_t>(b.exp_ - e), '0');
  decimal r;
  r.exp_ = e;
  if (a.neg_ == b.neg_) {
    r.digits_ = add_magnitude(da, db);
    r.neg_ = a.neg_;
  } else if (compare_magnitude(da, db) >= 0) {
    r.digits_ = sub_magnitude(da, db);
    r.neg_ = a.neg_;
  } else {
    r.digits_ = sub_magnitude(db, da);
    r.neg_ = b.neg_;
  }
  r.normalize();
  return r;
}

decimal operator-(const decimal& a, const decimal& b) {
  return a + (-b);
}

decimal operator*(const decimal& a, const decimal& b) {
  if (a.digits_.empty() || b.digits_.empty()) return decimal();
  std::vector<int> acc(a.digits_.size() + b.digits_.size(), 0);
  for (size_t i = 0; i < a.digits_.size(); ++i)
    for (size_t j = 0; j < b.digits_.size(); ++j)
      acc[i + j + 1] += (a.digits_[i] - '0') * (b.digits_[j] - '0');
  for (size_t k = acc.size() - 1; k > 0; --k) {
    acc[k - 1] += acc[k] / 10;
    acc[k] %= 10;
  }
  decimal r;
  for (int d : acc) r.digits_.push_back(static_cast<char>('0' + d));
  r.exp_ = a.exp_ + b.exp_;
  r.neg_ = a.neg_ != b.neg_;
  r.normalize();
  return r;
}

decimal operator/(const decimal& a, const decimal& b) {
  if (a.digits_.empty()) return decimal();
  // Long division of the digit strings, the dividend widened so that the
  // quotient carries 41 digits, then rounded to 40.
  const int want = 41;
  int shift = want + static_cast<int>(b.digits_.size()) - static_cast<int>(a.digits_.size());
  if (shift < 0) shift = 0;
  std::string dividend = a.digits_ + std::string(static_cast<size_t>(shift), '0');
  std::string quotient, rest;
  for (char c : dividend) {
    rest.push_back(c);
    int q = 0;
    while (compare_magnitude(rest, b.digits_) >= 0) {
      rest = sub_magnitude(rest, std::string(rest.size() - b.digits_.size(), '0') + b.digits_);
      ++q;
    }
    size_t lead = rest.find_first_not_of('0');
    rest = lead == std::string::npos ? std::string() : rest.substr(lead);
    quotient.push_back(static_cast<char>('0' + q));
  }
  decimal r;
  r.digits_ = quotient;
  r.exp_ = a.exp_ - b.exp_ - shift;
  r.neg_ = a.neg_ != b.neg_;
  r.normalize();
  return r.round_significant(40);
}

int compare(const decimal& a, const decimal& b) {
  if (a.neg_ != b.neg_) return a.neg_ ? -1 : 1;
  int sign = a.neg_ ? -1 : 1;
  if (a.digits_.empty() || b.digits_.empty()) {
    if (a.digits_.empty() && b.digits_.empty()) return 0;
    return a.digits_.empty() ? -sign : sign;
  }
  if (a.integer_digits() != b.integer_digits())
    return a.integer_digits() < b.integer_digits() ? -sign : sign;
  int c = a.digits_.compare(b.digits_);
  return c == 0 ? 0 : (c < 0 ? -sign : sign);
}

}  // namespace tsl::eora
