// Text forms of a value, and values read from text.
#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_type_exception.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/bstr.h"
#include "platform/oleaut/change_type.h"
#include "platform/oleaut/currency.h"
#include "platform/oleaut/decimal.h"
#include "platform/oleaut/num_parse.h"
#include "platform/oleaut/safearray.h"
#include "platform/text/ansi.h"
#include "platform/text/wide_ctype.h"

namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
// Longer byte arrays are written only up to here.
constexpr uint32_t kMaxHexBytes = 0x50000;

// Widening in place: appending a char range to a u16string would build a
// temporary string first.
template <class S>
void append_ascii(S& out, const char* p, size_t n) {
  const size_t start = out.size();
  out.resize(start + n);
  auto* dst = out.data() + start;
  for (size_t i = 0; i < n; ++i) dst[i] = static_cast<unsigned char>(p[i]);
}

// The shortest text that reads back as exactly `v` (at most 17 significant
// digits for a double, 9 for a float): 0.15, 16777216, 1e+300. A fixed number
// of digits would either lose the last ones or invent noise.
template <class F>
size_t shortest_text(F v, char* buf, size_t size) {
  return static_cast<size_t>(std::to_chars(buf, buf + size, v).ptr - buf);
}

template <class T>
size_t integer_text(T v, char* buf) {
  return static_cast<size_t>(std::to_chars(buf, buf + 24, v).ptr - buf);
}

locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

// C atoi without its overflow: out-of-range texts give the nearest bound.
long long read_integer(std::string_view text, long long min, long long max) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= 9 && text[i] <= 13))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned long long mag = 0;
  bool over = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (mag > (ULLONG_MAX - 9) / 10) {
      over = true;
    } else {
      mag = mag * 10 + static_cast<unsigned>(text[i] - '0');
    }
  }
  if (negative) {
    if (over || mag > static_cast<unsigned long long>(-(min + 1)) + 1) return min;
    return static_cast<long long>(0 - mag);
  }
  if (over || mag > static_cast<unsigned long long>(max)) return max;
  return static_cast<long long>(mag);
}

// C scanf "%u"-style unsigned reading: a minus sign wraps.
unsigned long long read_unsigned(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= 9 && text[i] <= 13))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned long long v = 0;
  bool over = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned d = static_cast<unsigned>(text[i] - '0');
    if (v > (ULLONG_MAX - d) / 10) over = true;
    v = v * 10 + d;
  }
  if (over) return ULLONG_MAX;
  return negative ? 0 - v : v;
}

// C atof, always with '.' as the decimal point.
double read_double(std::string_view text) {
  char small[128];
  std::string large;
  const char* s;
  if (text.size() < sizeof small) {
    std::memcpy(small, text.data(), text.size());
    small[text.size()] = 0;
    s = small;
  } else {
    large.assign(text);
    s = large.c_str();
  }
  return strtod_l(s, nullptr, c_locale());
}

// A copy with every ',' replaced by '.', in `small` when it fits.
std::string_view commas_to_points(std::string_view text, char* small, size_t size,
                                  std::string& large) {
  char* out = small;
  if (text.size() > size) {
    large.assign(text);
    out = large.data();
  } else {
    std::memcpy(small, text.data(), text.size());
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (out[i] == ',') out[i] = '.';
  }
  return std::string_view(out, text.size());
}

// One byte as scanf "%02X" reads it from `p`: blanks skipped, an optional
// sign, at most two hexadecimal digits; the byte stays 0 when none is found.
uint8_t read_hex_pair(const char* p, const char* end) {
  while (p < end && (*p == ' ' || (*p >= 9 && *p <= 13))) ++p;
  int width = 2;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
    --width;
  }
  unsigned v = 0;
  int digits = 0;
  for (; p < end && width > 0; ++p, --width) {
    const char c = *p;
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) break;
    v = v * 16 + static_cast<unsigned>(d);
    ++digits;
  }
  if (digits == 0) return 0;
  return static_cast<uint8_t>(negative ? 0 - v : v);
}

// "{6F9619FF-8B86-D011-B42D-00C04FC964FF}": braces, hexadecimal digits and
// dashes at their places.
bool is_guid_text(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return false;
  }
  return true;
}

}  // namespace

template <class S>
void ole_variant::render(S& out) const {
  char buf[64];
  size_t len = 0;
  switch (value_.vt) {
    case VT_I2:
      len = integer_text(static_cast<int>(value_.iVal), buf);
      break;
    case VT_I1:
      len = integer_text(static_cast<int>(static_cast<signed char>(value_.cVal)), buf);
      break;
    case VT_I4:
      len = integer_text(value_.lVal, buf);
      break;
    case VT_UI1:
      len = integer_text(static_cast<unsigned>(value_.bVal), buf);
      break;
    case VT_UI2:
      len = integer_text(static_cast<unsigned>(value_.uiVal), buf);
      break;
    case VT_UI4:
      len = integer_text(value_.ulVal, buf);
      break;
    case VT_I8:
      len = integer_text(i8_, buf);
      break;
    case VT_UI8:
      len = integer_text(ui8_, buf);
      break;
    case VT_R4:
      // The shortest text that reads back as the same float: a real carries
      // its own digits, not the noise of its double widening.
      len = shortest_text(value_.fltVal, buf, sizeof buf);
      break;
    case VT_R8:
      len = shortest_text(value_.dblVal, buf, sizeof buf);
      break;
    case VT_BOOL:
      tk_trace(1, "to_string - bool: %d", value_.boolVal);
      tk_trace(1, "Mapping BOOL like ANSI!");
      buf[0] = value_.boolVal == VARIANT_TRUE ? '1' : '0';
      len = 1;
      break;
    case VT_CY:
      tk_trace(1, "Converting VT_CY");
      len = currency_to_chars(value_.cyVal, buf);
      break;
    case VT_DECIMAL:
      tk_trace(1, "Converting VT_DECIMAL");
      if (!exact_.empty()) {
        append_ascii(out, exact_.data(), exact_.size());
        return;
      }
      len = decimal_to_chars(value_.decVal, buf);
      break;
    case VT_DATE:
      tk_trace(1, "Converting VT_DATE");
      len = ole_date(date_).to_chars(buf);
      break;
    case kByteArray: {
      tk_trace(1, "Converting VT_ARRAY");
      const SAFEARRAY* a = value_.parray;
      if (a == nullptr || a->cDims != 1 || a->rgsabound[0].cElements == 0) return;
      uint32_t n = a->rgsabound[0].cElements;
      if (n > kMaxHexBytes) n = kMaxHexBytes;
      static const char kHex[] = "0123456789ABCDEF";
      const size_t start = out.size();
      out.resize(start + 2 + size_t{n} * 2);
      auto* dst = out.data() + start;
      dst[0] = '0';
      dst[1] = 'x';
      const auto* bytes = static_cast<const uint8_t*>(a->pvData);
      for (uint32_t i = 0; i < n; ++i) {
        dst[2 + 2 * i] = kHex[bytes[i] >> 4];
        dst[3 + 2 * i] = kHex[bytes[i] & 15];
      }
      return;
    }
    default:
      return;
  }
  append_ascii(out, buf, len);
}

void ole_variant::write_string(std::string& out) const {
  tk_trace(1, "ole_variant::to_string (vt=%08X)", value_.vt);
  out.clear();
  if (value_.vt == VT_BSTR) {
    if (value_.bstrVal == nullptr) return;
    // The whole string: a NUL inside it is a character like any other.
    tsl::text::utf16_to_ansi(std::u16string_view(value_.bstrVal, SysStringLen(value_.bstrVal)),
                             out);
    return;
  }
  render(out);
}

void ole_variant::write_wstring(std::u16string& out) const {
  out.clear();
  if (value_.vt == VT_BSTR) {
    if (value_.bstrVal != nullptr) out.assign(value_.bstrVal, SysStringLen(value_.bstrVal));
    return;
  }
  tk_trace(1, "ole_variant::to_string (vt=%08X)", value_.vt);
  // The narrow text of every other type is plain ASCII.
  render(out);
}

std::string ole_variant::to_string() const {
  std::string out;
  write_string(out);
  return out;
}

std::u16string ole_variant::to_wstring() const {
  std::u16string out;
  write_wstring(out);
  return out;
}

ole_variant ole_variant::from_string(std::string_view text, VARTYPE type) {
  return from_text(text, type);
}

ole_variant ole_variant::from_wstring(std::u16string_view text, VARTYPE type) {
  tk_trace(1, "ole_variant::from_wstring");
  if (type == VT_BSTR) {
    ole_variant v;
    v.attach_wstring(text);
    return v;
  }
  // Numbers, dates and hexadecimal texts are short ASCII: no conversion buffer.
  char small[128];
  if (text.size() <= sizeof small) {
    bool ascii = true;
    for (size_t i = 0; i < text.size() && ascii; ++i) {
      ascii = text[i] < 0x80;
      small[i] = static_cast<char>(text[i]);
    }
    if (ascii) return from_text(std::string_view(small, text.size()), type);
  }
  std::string narrow;
  tsl::text::utf16_to_ansi(text, narrow);
  return from_text(narrow, type);
}

ole_variant ole_variant::from_text(std::string_view text, VARTYPE type) {
  tk_trace(1, "ole_variant::from_string('%s', 0x%08X)", std::string(text).c_str(), type);
  if (text.empty() && type != VT_BSTR) return ole_variant();
  switch (type) {
    case VT_I2:
      return ole_variant(static_cast<short>(read_integer(text, INT32_MIN, INT32_MAX)));
    case VT_I4:
      return ole_variant(static_cast<int>(read_integer(text, INT32_MIN, INT32_MAX)));
    case VT_I1:
      return ole_variant(static_cast<char>(read_integer(text, INT32_MIN, INT32_MAX)));
    case VT_UI1:
      return ole_variant(static_cast<unsigned char>(read_integer(text, INT32_MIN, INT32_MAX)));
    case VT_UI2:
      return ole_variant(static_cast<unsigned short>(read_integer(text, INT32_MIN, INT32_MAX)));
    case VT_UI4:
      return ole_variant(static_cast<unsigned int>(read_unsigned(text)));
    case VT_I8:
      return ole_variant(read_integer(text, LLONG_MIN, LLONG_MAX));
    case VT_UI8:
      return ole_variant(read_unsigned(text));
    case VT_R4:
    case VT_R8: {
      char small[128];
      std::string large;
      const double d = read_double(commas_to_points(text, small, sizeof small, large));
      if (type == VT_R8) return ole_variant(d);
      // Beyond the float range the value becomes an infinity, as a cast would.
      if (std::fabs(d) > FLT_MAX && std::isfinite(d))
        return ole_variant(d < 0 ? -HUGE_VALF : HUGE_VALF);
      return ole_variant(static_cast<float>(d));
    }
    case VT_CY: {
      tk_trace(1, "GOT VT_CY");
      char small[128];
      std::string large;
      parsed_number n;
      CY cy{};
      HRESULT hr = parse_number(commas_to_points(text, small, sizeof small, large), &n);
      if (SUCCEEDED(hr)) hr = parsed_to_cy(n, &cy);
      if (FAILED(hr)) {
        tk_trace(3, "VarCyFromStr failed: %08X", static_cast<unsigned>(hr));
        return ole_variant();
      }
      return ole_variant(cy);
    }
    case VT_DECIMAL:
      tk_trace(1, "GOT VT_DECIMAL");
      return decimal_from_text(text);
    case VT_DATE: {
      tk_trace(1, "GOT VT_DATE");
      ole_date date(text);
      if (!date.is_valid()) return ole_variant();
      return ole_variant(date.moment());
    }
    case VT_BOOL: {
      std::u16string wide;
      tsl::text::ansi_to_utf16(text, wide);
      using tsl::text::equal_nocase;
      if (equal_nocase(wide, u"yes") || equal_nocase(wide, u"true")) return ole_variant(true);
      if (equal_nocase(wide, u"no") || equal_nocase(wide, u"false")) return ole_variant(false);
      return ole_variant(read_integer(text, INT32_MIN, INT32_MAX) != 0);
    }
    case VT_BLOB:
    case kByteArray:
      return binary_from_text(text);
    default: {
      ole_variant v;
      v.attach_string(text);
      if (FAILED(VariantChangeType(&v.value_, &v.value_, 0, type))) throw ole_type_exception();
      tk_trace(1, "VariantChangeType succeeded");
      return v;
    }
  }
}

ole_variant ole_variant::decimal_from_text(std::string_view text) {
  char small[128];
  std::string large;
  parsed_number n;
  DECIMAL d{};
  HRESULT hr = parse_number(commas_to_points(text, small, sizeof small, large), &n);
  if (SUCCEEDED(hr)) hr = parsed_to_decimal(n, &d);
  if (SUCCEEDED(hr)) return ole_variant(d);
  if (hr != DISP_E_OVERFLOW) {
    tk_trace(3, "VarDecFromStr failed: %08X", static_cast<unsigned>(hr));
    return ole_variant();
  }
  // Too many digits for DECIMAL (a decimal(38) value, say): carry the exact
  // digits rather than lose the value.
  constexpr int64_t kMaxExactDigits = 160;
  const int64_t int_len = n.count + n.power10;
  const int64_t width = (int_len > 0 ? int_len : 1) + (n.power10 < 0 ? -n.power10 : 0);
  if (n.inexact || n.radix || width > kMaxExactDigits) {
    throw ole_type_exception("Decimal value out of range: " + std::string(text));
  }
  std::string exact;
  exact.reserve(static_cast<size_t>(width) + 3);
  if (n.negative) exact.push_back('-');
  if (int_len <= 0) {
    exact.append("0.");
    exact.append(static_cast<size_t>(-int_len), '0');
    for (int i = 0; i < n.count; ++i) exact.push_back(static_cast<char>('0' + n.digits[i]));
  } else {
    for (int64_t i = 0; i < int_len; ++i) {
      exact.push_back(i < n.count ? static_cast<char>('0' + n.digits[i]) : '0');
    }
    if (int_len < n.count) {
      exact.push_back('.');
      for (int64_t i = int_len; i < n.count; ++i) {
        exact.push_back(static_cast<char>('0' + n.digits[i]));
      }
    }
  }
  tk_trace(2, "Decimal kept as text: %s", exact.c_str());
  ole_variant v;
  v.value_.vt = VT_DECIMAL;
  // The payload holds the nearest value that DECIMAL can hold, for readers of
  // the raw VARIANT; the text stays the value.
  VarDecFromR8(strtod_l(exact.c_str(), nullptr, c_locale()), &v.value_.decVal);
  v.value_.vt = VT_DECIMAL;
  v.exact_ = std::move(exact);
  return v;
}

ole_variant ole_variant::binary_from_text(std::string_view text) {
  if (text.empty()) {
    tk_trace(1, "Empty BLOB");
    return ole_variant();
  }
  if (text.size() % 2 != 0) {
    tk_trace(2, "Incorrect BLOB (size is odd)");
    return ole_variant();
  }
  if (is_guid_text(text)) {
    // A GUID in its braced text form: its 16 bytes in the order of the text,
    // as the GUID's Oracle literal spells them.
    ole_variant v;
    v.allocate_safe_array(16);
    auto* bytes = static_cast<uint8_t*>(v.value_.parray->pvData);
    size_t k = 0;
    for (size_t i = 1; i + 1 < text.size() && k < 16; ++i) {
      if (text[i] == '-') continue;
      bytes[k++] = read_hex_pair(text.data() + i, text.data() + i + 2);
      ++i;
    }
    return v;
  }
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  const size_t count = text.size() / 2;
  tk_trace(1, "Got BLOB size: %d", static_cast<int>(count));
  ole_variant v;
  v.allocate_safe_array(count);
  auto* bytes = static_cast<uint8_t*>(v.value_.parray->pvData);
  const char* end = text.data() + text.size();
  for (size_t i = 0; i < count; ++i) bytes[i] = read_hex_pair(text.data() + 2 * i, end);
  return v;
}
