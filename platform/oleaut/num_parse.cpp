#include "platform/oleaut/num_parse.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using u128 = unsigned __int128;

constexpr u128 kMaxDecimal = (u128{1} << 96) - 1;
constexpr int64_t kExponentCap = 1000000000;

bool is_white(char32_t c) {
  return c == ' ' || c == 0xA0 || (c >= 9 && c <= 13);
}

int hex_value(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

template <class C>
HRESULT parse_impl(const C* p, const C* end, parsed_number* out) {
  out->count = 0;
  out->power10 = 0;
  out->negative = false;
  out->inexact = false;
  out->radix = false;
  out->bits = 0;
  auto at = [&]() -> char32_t { return p < end ? static_cast<char32_t>(*p) : 0; };

  bool sign_seen = false, minus = false, paren = false, currency = false;
  for (; p < end; ++p) {
    const char32_t c = at();
    if (is_white(c)) continue;
    if ((c == '+' || c == '-') && !sign_seen && !paren) {
      sign_seen = true;
      minus = c == '-';
    } else if (c == '(' && !paren && !sign_seen) {
      paren = true;
    } else if (c == '$' && !currency) {
      currency = true;
    } else {
      break;
    }
  }

  if (at() == '&' && p + 1 < end) {
    const char32_t r = static_cast<char32_t>(p[1]);
    const int base = (r == 'h' || r == 'H') ? 16 : (r == 'o' || r == 'O') ? 8 : 0;
    if (base == 0) return DISP_E_TYPEMISMATCH;
    p += 2;
    int digits = 0;
    for (int d; p < end && (d = hex_value(at())) >= 0 && d < base; ++p, ++digits) {
      if (out->bits > (UINT64_MAX >> (base == 16 ? 4 : 3))) return DISP_E_OVERFLOW;
      out->bits = out->bits * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    if (digits == 0) return DISP_E_TYPEMISMATCH;
    out->radix = true;
  } else {
    bool any_digit = false, point = false;
    for (; p < end; ++p) {
      const char32_t c = at();
      if (c >= '0' && c <= '9') {
        const uint8_t d = static_cast<uint8_t>(c - '0');
        any_digit = true;
        if (out->count == 0 && d == 0) {
          if (point) --out->power10;
        } else if (out->count < parsed_number::kMaxDigits) {
          out->digits[out->count++] = d;
          if (point) --out->power10;
        } else {
          if (d != 0) out->inexact = true;
          if (!point) ++out->power10;
        }
      } else if (c == ',' && any_digit && !point) {
        // thousands separator
      } else if (c == '.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (!any_digit) return DISP_E_TYPEMISMATCH;
    if (at() == 'e' || at() == 'E') {
      ++p;
      bool exp_minus = false;
      if (at() == '+' || at() == '-') {
        exp_minus = at() == '-';
        ++p;
      }
      if (!(at() >= '0' && at() <= '9')) return DISP_E_TYPEMISMATCH;
      int64_t exponent = 0;
      for (; p < end && at() >= '0' && at() <= '9'; ++p) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (at() - '0');
      }
      out->power10 += exp_minus ? -exponent : exponent;
    }
    while (out->count > 0 && out->digits[out->count - 1] == 0) {
      --out->count;
      ++out->power10;
    }
    if (out->count == 0) out->power10 = 0;
  }

  bool closed = false;
  for (; p < end; ++p) {
    const char32_t c = at();
    if (is_white(c)) continue;
    if (c == '$' && !currency) {
      currency = true;
    } else if ((c == '+' || c == '-') && !sign_seen && !paren) {
      sign_seen = true;
      minus = c == '-';
    } else if (c == ')' && paren && !closed) {
      closed = true;
    } else {
      return DISP_E_TYPEMISMATCH;
    }
  }
  if (paren && !closed) return DISP_E_TYPEMISMATCH;
  out->negative = minus || paren;
  return S_OK;
}

// The magnitude rounded half to even after scaling by 10^shift; false when it
// exceeds `limit`.
bool rounded_magnitude(const parsed_number& n, int shift, u128 limit, u128* mag) {
  *mag = 0;
  if (n.count == 0) return true;
  const int64_t power = n.power10 + shift;
  const int64_t int_len = n.count + power;
  if (int_len > 39) return false;
  u128 m = 0;
  auto push = [&](unsigned d) {
    if (m > (limit - d) / 10) return false;
    m = m * 10 + d;
    return true;
  };
  const int kept = static_cast<int>(int_len < 0 ? 0 : (int_len < n.count ? int_len : n.count));
  for (int i = 0; i < kept; ++i) {
    if (!push(n.digits[i])) return false;
  }
  for (int64_t i = n.count; i < int_len; ++i) {
    if (!push(0)) return false;
  }
  if (int_len < n.count && int_len >= 0) {
    const unsigned round_digit = n.digits[kept];
    const bool sticky = kept + 1 < n.count || n.inexact;
    if (round_digit > 5 || (round_digit == 5 && (sticky || (m & 1) != 0))) {
      if (m == limit) return false;
      ++m;
    }
  }
  *mag = m;
  return true;
}

int64_t radix_value(uint64_t bits) {
  if (bits <= 0xFFFF) return static_cast<int16_t>(bits);
  if (bits <= 0xFFFFFFFF) return static_cast<int32_t>(bits);
  return static_cast<int64_t>(bits);
}

}  // namespace

HRESULT parse_number(std::u16string_view text, parsed_number* out) {
  return parse_impl(text.data(), text.data() + text.size(), out);
}

HRESULT parse_number(std::string_view text, parsed_number* out) {
  // Bytes above 0x7F never take part in a number; reading them unsigned keeps
  // 0xA0 from passing for a no-break space in UTF-8 text.
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  return parse_impl(p, p + text.size(), out);
}

HRESULT parsed_to_i64(const parsed_number& n, int64_t min, int64_t max, int64_t* out) {
  if (n.radix) {
    int64_t v = radix_value(n.bits);
    if (n.negative) {
      if (v == INT64_MIN) return DISP_E_OVERFLOW;
      v = -v;
    }
    if (v < min || v > max) return DISP_E_OVERFLOW;
    *out = v;
    return S_OK;
  }
  const u128 neg_limit = static_cast<u128>(-(min + 1)) + 1;
  u128 mag;
  if (!rounded_magnitude(n, 0, n.negative ? neg_limit : static_cast<u128>(max), &mag)) {
    return DISP_E_OVERFLOW;
  }
  if (mag == 0) {
    if (min > 0 || max < 0) return DISP_E_OVERFLOW;
    *out = 0;
    return S_OK;
  }
  if (n.negative) {
    if (min >= 0) return DISP_E_OVERFLOW;
    *out = static_cast<int64_t>(0 - static_cast<uint64_t>(mag));
  } else {
    *out = static_cast<int64_t>(mag);
  }
  return S_OK;
}

HRESULT parsed_to_u64(const parsed_number& n, uint64_t max, uint64_t* out) {
  if (n.radix) {
    const int64_t v = radix_value(n.bits);
    // A pattern that reads as negative is a negative number.
    if (n.negative || (v < 0 && n.bits <= 0xFFFFFFFF)) {
      if (v != 0) return DISP_E_OVERFLOW;
    }
    if (n.bits > max) return DISP_E_OVERFLOW;
    *out = n.bits;
    return S_OK;
  }
  u128 mag;
  if (!rounded_magnitude(n, 0, max, &mag)) return DISP_E_OVERFLOW;
  if (n.negative && mag != 0) return DISP_E_OVERFLOW;
  *out = static_cast<uint64_t>(mag);
  return S_OK;
}

HRESULT parsed_to_double(const parsed_number& n, double* out) {
  if (n.radix) {
    *out = static_cast<double>(radix_value(n.bits));
    if (n.negative) *out = -*out;
    return S_OK;
  }
  if (n.count == 0) {
    *out = 0.0;
    return S_OK;
  }
  char buf[parsed_number::kMaxDigits + 32];
  int len = 0;
  if (n.negative) buf[len++] = '-';
  for (int i = 0; i < n.count; ++i) buf[len++] = static_cast<char>('0' + n.digits[i]);
  std::snprintf(buf + len, sizeof buf - static_cast<size_t>(len), "e%lld",
                static_cast<long long>(n.power10));
  const double v = std::strtod(buf, nullptr);
  if (std::isinf(v)) return DISP_E_OVERFLOW;
  *out = v;
  return S_OK;
}

HRESULT parsed_to_cy(const parsed_number& n, CY* out) {
  if (n.radix) return DISP_E_OVERFLOW;
  u128 mag;
  const u128 limit = n.negative ? u128{1} << 63 : (u128{1} << 63) - 1;
  if (!rounded_magnitude(n, 4, limit, &mag)) return DISP_E_OVERFLOW;
  out->int64 =
      n.negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(mag)) : static_cast<int64_t>(mag);
  return S_OK;
}

HRESULT parsed_to_decimal(const parsed_number& n, DECIMAL* out) {
  *out = DECIMAL{};
  if (n.radix) {
    const int64_t v = radix_value(n.bits);
    const bool neg = (v < 0) != n.negative;
    const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    out->Lo64 = mag;
    out->sign = neg && mag != 0 ? DECIMAL_NEG : 0;
    return S_OK;
  }
  if (n.count == 0) return S_OK;
  if (n.inexact) return DISP_E_OVERFLOW;
  const int64_t scale = n.power10 < 0 ? -n.power10 : 0;
  if (scale > DECIMAL_MAX_SCALE || n.count + (n.power10 > 0 ? n.power10 : 0) > 29) {
    return DISP_E_OVERFLOW;
  }
  u128 mag = 0;
  for (int i = 0; i < n.count; ++i) mag = mag * 10 + n.digits[i];
  for (int64_t i = 0; i < n.power10; ++i) mag *= 10;
  if (mag > kMaxDecimal) return DISP_E_OVERFLOW;
  out->scale = static_cast<uint8_t>(scale);
  out->sign = n.negative ? DECIMAL_NEG : 0;
  out->Hi32 = static_cast<uint32_t>(mag >> 64);
  out->Lo64 = static_cast<uint64_t>(mag);
  return S_OK;
}
