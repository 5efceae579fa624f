#include "platform/oleaut/currency.h"

#include <cmath>
#include <string_view>

#include "platform/oleaut/decimal.h"
#include "platform/oleaut/num_parse.h"

size_t currency_to_chars(CY cy, char* buf) {
  const bool negative = cy.int64 < 0;
  uint64_t mag = negative ? 0 - static_cast<uint64_t>(cy.int64) : static_cast<uint64_t>(cy.int64);
  return scaled_integer_to_chars(mag, 4, negative, buf);
}

HRESULT VarCyFromStr(const OLECHAR* text, LCID, uint32_t, CY* out) {
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  parsed_number n;
  HRESULT hr = parse_number(std::u16string_view(text), &n);
  if (FAILED(hr)) return hr;
  return parsed_to_cy(n, out);
}

HRESULT VarBstrFromCy(CY in, LCID, uint32_t, BSTR* out) {
  char buf[kCurrencyTextMax];
  const size_t len = currency_to_chars(in, buf);
  OLECHAR wide[kCurrencyTextMax];
  for (size_t i = 0; i < len; ++i) wide[i] = static_cast<OLECHAR>(buf[i]);
  *out = SysAllocStringLen(wide, static_cast<uint32_t>(len));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT VarR8FromCy(CY in, double* out) {
  *out = static_cast<double>(in.int64) / 10000.0;
  return S_OK;
}

HRESULT VarCyFromR8(double in, CY* out) {
  const double scaled = std::nearbyint(in * 10000.0);
  // -2^63 and 2^63 are exact doubles; NaN fails both tests.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) {
    return DISP_E_OVERFLOW;
  }
  out->int64 = static_cast<int64_t>(scaled);
  return S_OK;
}

HRESULT VarCyFromI8(int64_t in, CY* out) {
  if (in >= 922337203685477 || in <= -922337203685477) return DISP_E_OVERFLOW;
  out->int64 = in * 10000;
  return S_OK;
}

HRESULT VarI8FromCy(CY in, int64_t* out) {
  if (in.int64 < 0) {
    *out = in.int64 / 10000 - 1;
    return S_OK;
  }
  const int64_t q = in.int64 / 10000;
  const int64_t r = in.int64 % 10000;
  *out = (r > 5000 || (r == 5000 && (q & 1) != 0)) ? q + 1 : q;
  return S_OK;
}
