#include "platform/oleaut/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

size_t real_to_chars(double value, int significant_digits, char* buf) {
  if (std::isnan(value) || std::isinf(value)) {
    const char* text = std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
    const size_t len = std::strlen(text);
    std::memcpy(buf, text, len);
    return len;
  }
  if (value == 0.0) {
    buf[0] = '0';
    return 1;
  }
  // The exact expansion with spare digits, rounded here half away from zero
  // as the Windows runtime rounds.
  constexpr int kSpare = 30;
  char tmp[128];
  std::snprintf(tmp, sizeof tmp, "%.*e", significant_digits - 1 + kSpare, std::fabs(value));
  char digits[24];
  int n = 0;
  const char* p = tmp;
  for (; *p != 'e' && n < significant_digits; ++p) {
    if (*p != '.') digits[n++] = *p;
  }
  int round_digit = 0;
  while (*p == '.') ++p;
  if (*p != 'e') round_digit = *p - '0';
  int exponent = std::atoi(std::strchr(tmp, 'e') + 1);
  if (round_digit >= 5) {
    int i = n - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits[0] = '1';
      ++exponent;
    }
  }
  while (n > 1 && digits[n - 1] == '0') --n;

  size_t len = 0;
  if (value < 0) buf[len++] = '-';
  const int decimals_in_exp_form = n - 1;
  const bool exp_form =
      exponent >= significant_digits ||
      (exponent < -4 && -exponent + decimals_in_exp_form - 1 >= significant_digits);
  if (exp_form) {
    buf[len++] = digits[0];
    if (n > 1) {
      buf[len++] = '.';
      for (int i = 1; i < n; ++i) buf[len++] = digits[i];
    }
    len += static_cast<size_t>(std::snprintf(buf + len, 8, "E%c%02d", exponent < 0 ? '-' : '+',
                                             exponent < 0 ? -exponent : exponent));
  } else if (exponent < 0) {
    buf[len++] = '0';
    buf[len++] = '.';
    for (int i = -1; i > exponent; --i) buf[len++] = '0';
    for (int i = 0; i < n; ++i) buf[len++] = digits[i];
  } else {
    for (int i = 0; i <= exponent; ++i) buf[len++] = i < n ? digits[i] : '0';
    if (n > exponent + 1) {
      buf[len++] = '.';
      for (int i = exponent + 1; i < n; ++i) buf[len++] = digits[i];
    }
  }
  return len;
}

namespace {

HRESULT real_to_bstr(double v, int digits, BSTR* out) {
  char buf[kRealTextMax];
  const size_t len = real_to_chars(v, digits, buf);
  OLECHAR wide[kRealTextMax];
  for (size_t i = 0; i < len; ++i) wide[i] = static_cast<OLECHAR>(buf[i]);
  *out = SysAllocStringLen(wide, static_cast<uint32_t>(len));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

HRESULT VarBstrFromR8(double in, LCID, uint32_t, BSTR* out) {
  return real_to_bstr(in, 15, out);
}

HRESULT VarBstrFromR4(float in, LCID, uint32_t, BSTR* out) {
  return real_to_bstr(in, 7, out);
}
