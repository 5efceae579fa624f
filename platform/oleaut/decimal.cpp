#include "platform/oleaut/decimal.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/oleaut/num_parse.h"

namespace {

using u128 = unsigned __int128;

u128 pow10_128(int n) {
  u128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// Magnitude over 10^scale rounded half to even.
u128 round_to_integer(u128 mag, int scale) {
  if (scale == 0) return mag;
  const u128 div = pow10_128(scale);
  const u128 q = mag / div;
  const u128 r = mag % div;
  const u128 half = div / 2;
  if (r > half || (r == half && (q & 1) != 0)) return q + 1;
  return q;
}

HRESULT decimal_from_double(double in, int digits, DECIMAL* out) {
  *out = DECIMAL{};
  if (std::isnan(in) || std::isinf(in)) return DISP_E_OVERFLOW;
  if (in == 0.0) return S_OK;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, in);
  parsed_number n;
  HRESULT hr = parse_number(std::string_view(buf), &n);
  if (FAILED(hr)) return hr;
  // Digits below the smallest scale are dropped, rounding half to even.
  if (n.power10 < -DECIMAL_MAX_SCALE) {
    const int64_t drop = -DECIMAL_MAX_SCALE - n.power10;
    if (drop > n.count) return S_OK;
    u128 acc = 0;
    const int keep = static_cast<int>(n.count - drop);
    for (int i = 0; i < keep; ++i) acc = acc * 10 + n.digits[i];
    const unsigned rd = n.digits[keep];
    const bool sticky = keep + 1 < n.count;
    if (rd > 5 || (rd == 5 && (sticky || (acc & 1) != 0))) ++acc;
    decimal_set(out, acc, DECIMAL_MAX_SCALE, n.negative && acc != 0);
    return S_OK;
  }
  return parsed_to_decimal(n, out);
}

}  // namespace

bool decimal_is_valid(const DECIMAL& d) {
  return d.scale <= DECIMAL_MAX_SCALE && (d.sign == 0 || d.sign == DECIMAL_NEG);
}

void decimal_set(DECIMAL* d, u128 magnitude, uint8_t scale, bool negative) {
  d->wReserved = 0;
  d->scale = scale;
  d->sign = negative ? DECIMAL_NEG : 0;
  d->Hi32 = static_cast<uint32_t>(magnitude >> 64);
  d->Lo64 = static_cast<uint64_t>(magnitude);
}

u128 decimal_magnitude(const DECIMAL& d) {
  return (u128{d.Hi32} << 64) | d.Lo64;
}

size_t scaled_integer_to_chars(u128 mag, int scale, bool negative, char* buf) {
  while (scale > 0 && mag % 10 == 0) {
    mag /= 10;
    --scale;
  }
  char digits[40];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + static_cast<int>(mag % 10));
    mag /= 10;
  } while (mag != 0);
  size_t len = 0;
  if (negative && !(n == 1 && digits[0] == '0')) buf[len++] = '-';
  if (n <= scale) {
    buf[len++] = '0';
    buf[len++] = '.';
    for (int i = n; i < scale; ++i) buf[len++] = '0';
    while (n > 0) buf[len++] = digits[--n];
    return len;
  }
  while (n > scale) buf[len++] = digits[--n];
  if (scale > 0) {
    buf[len++] = '.';
    while (n > 0) buf[len++] = digits[--n];
  }
  return len;
}

size_t decimal_to_chars(const DECIMAL& d, char* buf) {
  if (!decimal_is_valid(d)) return 0;
  return scaled_integer_to_chars(decimal_magnitude(d), d.scale, d.sign == DECIMAL_NEG, buf);
}

HRESULT VarDecFromStr(const OLECHAR* text, LCID, uint32_t, DECIMAL* out) {
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  parsed_number n;
  HRESULT hr = parse_number(std::u16string_view(text), &n);
  if (FAILED(hr)) return hr;
  return parsed_to_decimal(n, out);
}

HRESULT VarBstrFromDec(const DECIMAL* in, LCID, uint32_t, BSTR* out) {
  char buf[kDecimalTextMax];
  const size_t len = decimal_to_chars(*in, buf);
  if (len == 0) return E_INVALIDARG;
  OLECHAR wide[kDecimalTextMax];
  for (size_t i = 0; i < len; ++i) wide[i] = static_cast<OLECHAR>(buf[i]);
  *out = SysAllocStringLen(wide, static_cast<uint32_t>(len));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT VarI8FromDec(const DECIMAL* in, int64_t* out) {
  if (!decimal_is_valid(*in)) return E_INVALIDARG;
  const u128 mag = round_to_integer(decimal_magnitude(*in), in->scale);
  if (in->sign == DECIMAL_NEG) {
    if (mag > (u128{1} << 63)) return DISP_E_OVERFLOW;
    *out = static_cast<int64_t>(0 - static_cast<uint64_t>(mag));
  } else {
    if (mag > static_cast<u128>(INT64_MAX)) return DISP_E_OVERFLOW;
    *out = static_cast<int64_t>(mag);
  }
  return S_OK;
}

HRESULT VarI4FromDec(const DECIMAL* in, int32_t* out) {
  int64_t v;
  HRESULT hr = VarI8FromDec(in, &v);
  if (FAILED(hr)) return hr;
  if (v < INT32_MIN || v > INT32_MAX) return DISP_E_OVERFLOW;
  *out = static_cast<int32_t>(v);
  return S_OK;
}

HRESULT VarR8FromDec(const DECIMAL* in, double* out) {
  if (!decimal_is_valid(*in)) return E_INVALIDARG;
  double v = static_cast<double>(in->Hi32) * 18446744073709551616.0 + static_cast<double>(in->Lo64);
  if (in->scale > 0) v /= std::pow(10.0, in->scale);
  *out = in->sign == DECIMAL_NEG ? -v : v;
  return S_OK;
}

HRESULT VarR4FromDec(const DECIMAL* in, float* out) {
  double v;
  HRESULT hr = VarR8FromDec(in, &v);
  if (SUCCEEDED(hr)) *out = static_cast<float>(v);
  return hr;
}

HRESULT VarCyFromDec(const DECIMAL* in, CY* out) {
  if (!decimal_is_valid(*in)) return E_INVALIDARG;
  u128 mag = decimal_magnitude(*in);
  if (in->scale > 4) {
    const u128 div = pow10_128(in->scale - 4);
    const u128 q = mag / div;
    mag = (mag % div) * 2 >= div ? q + 1 : q;
  } else {
    mag *= pow10_128(4 - in->scale);
  }
  if (in->sign == DECIMAL_NEG) {
    if (mag > (u128{1} << 63)) return DISP_E_OVERFLOW;
    out->int64 = static_cast<int64_t>(0 - static_cast<uint64_t>(mag));
  } else {
    if (mag > static_cast<u128>(INT64_MAX)) return DISP_E_OVERFLOW;
    out->int64 = static_cast<int64_t>(mag);
  }
  return S_OK;
}

HRESULT VarDecFromCy(CY in, DECIMAL* out) {
  const uint64_t mag =
      in.int64 < 0 ? 0 - static_cast<uint64_t>(in.int64) : static_cast<uint64_t>(in.int64);
  decimal_set(out, mag, 4, in.int64 < 0);
  return S_OK;
}

HRESULT VarDecFromR8(double in, DECIMAL* out) {
  return decimal_from_double(in, 15, out);
}

HRESULT VarDecFromR4(float in, DECIMAL* out) {
  return decimal_from_double(in, 7, out);
}

HRESULT VarDecFromI8(int64_t in, DECIMAL* out) {
  const uint64_t mag = in < 0 ? 0 - static_cast<uint64_t>(in) : static_cast<uint64_t>(in);
  decimal_set(out, mag, 0, in < 0);
  return S_OK;
}

HRESULT VarDecFromUI8(uint64_t in, DECIMAL* out) {
  decimal_set(out, in, 0, false);
  return S_OK;
}

u128 decimal_round_magnitude(const DECIMAL& d) {
  if (!decimal_is_valid(d)) return 0;
  return round_to_integer(decimal_magnitude(d), d.scale);
}
