#pragma once
// Exact decimal numbers, the values of Oracle NUMBER columns: up to 38
// significant digits kept exactly, never through a double.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsl::eora {

class decimal {
 public:
  decimal() = default;
  static decimal from_int(int64_t v);
  // Oracle's number syntax: blanks around, sign, digits with one point,
  // optional exponent. Empty when the text is not a number.
  static std::optional<decimal> parse(std::string_view text);

  bool is_zero() const { return digits_.empty(); }
  bool negative() const { return neg_; }
  // Digits left of the decimal point (may be zero or negative for 0.00x).
  int integer_digits() const { return static_cast<int>(digits_.size()) + exp_; }
  int significant_digits() const { return static_cast<int>(digits_.size()); }
  // The exponent of the lowest digit: value = digits * 10^exp.
  int exponent() const { return exp_; }

  // Rounded half away from zero to `scale` digits after the point (a negative
  // scale rounds left of the point).
  decimal round(int scale) const;
  decimal round_significant(int count) const;
  decimal truncate() const;

  // Oracle's text form: ".5", "-12.25"; "1E+50" when plain notation would need
  // more than 40 digits.
  std::string to_string() const;
  int64_t to_int64() const;  // truncated, saturated at the limits
  double to_double() const;

  decimal operator-() const;
  friend decimal operator+(const decimal& a, const decimal& b);
  friend decimal operator-(const decimal& a, const decimal& b);
  friend decimal operator*(const decimal& a, const decimal& b);
  // Quotient to 40 significant digits; the divisor must not be zero.
  friend decimal operator/(const decimal& a, const decimal& b);
  friend int compare(const decimal& a, const decimal& b);
  friend bool operator==(const decimal& a, const decimal& b) { return compare(a, b) == 0; }

 private:
  void normalize();
  bool neg_ = false;
  std::string digits_;  // no leading or trailing zeros; empty for zero
  int exp_ = 0;
};

}  // namespace tsl::eora
