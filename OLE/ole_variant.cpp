// Construction, copying and the owned string and byte-array payloads.
#include "OLE/ole_variant.h"

#include <cstring>
#include <utility>

#include "OLE/ole_date.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/date_time.h"
#include "platform/oleaut/safearray.h"
#include "platform/oleaut/variant.h"
#include "platform/text/ansi.h"

namespace {
constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
}

ole_variant::ole_variant() {
  VariantInit(&value_);
}

ole_variant::ole_variant(bool value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from bool (%d)", value);
  value_.vt = VT_BOOL;
  value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(char value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from char(%d)", value);
  value_.vt = VT_I1;
  value_.cVal = value;
}

ole_variant::ole_variant(signed char value) : ole_variant(static_cast<char>(value)) {}

ole_variant::ole_variant(unsigned char value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from byte(%d)", value);
  value_.vt = VT_UI1;
  value_.bVal = value;
}

ole_variant::ole_variant(short value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from short(%d)", value);
  value_.vt = VT_I2;
  value_.iVal = value;
}

ole_variant::ole_variant(unsigned short value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from ushort(%d)", value);
  value_.vt = VT_UI2;
  value_.uiVal = value;
}

ole_variant::ole_variant(int value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from int(%d)", value);
  value_.vt = VT_I4;
  value_.lVal = value;
}

ole_variant::ole_variant(unsigned int value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from uint(%u)", value);
  value_.vt = VT_UI4;
  value_.ulVal = value;
}

ole_variant::ole_variant(long long value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor(hyper, %I64d)", value);
  value_.vt = VT_I8;
  i8_ = value;
}

ole_variant::ole_variant(long value) : ole_variant(static_cast<long long>(value)) {}

ole_variant::ole_variant(unsigned long long value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor(uhyper, %I64u)", value);
  value_.vt = VT_UI8;
  ui8_ = value;
}

ole_variant::ole_variant(unsigned long value)
    : ole_variant(static_cast<unsigned long long>(value)) {}

ole_variant::ole_variant(float value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from float(%f)", static_cast<double>(value));
  value_.vt = VT_R4;
  value_.fltVal = value;
}

ole_variant::ole_variant(double value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from double(%e)", value);
  value_.vt = VT_R8;
  value_.dblVal = value;
}

ole_variant::ole_variant(const SYSTEMTIME& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from SYSTEMTIME");
  date_ = value;
  value_.vt = VT_DATE;
  if (!SystemTimeToVariantTime(&value, &value_.date)) {
    tk_trace(2, "Failed to convert SYSTEMTIME->VARIANT");
  }
}

ole_variant::ole_variant(const CY& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from CY");
  value_.vt = VT_CY;
  value_.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from DECIMAL");
  value_.decVal = value;
  value_.vt = VT_DECIMAL;
}

ole_variant::ole_variant(const OLECHAR* value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from BSTR");
  value_.vt = VT_BSTR;
  value_.bstrVal = SysAllocString(value != nullptr ? value : u"");
  if (value_.bstrVal == nullptr) throw tk_mail_assertion("ole_var", 826);
}

ole_variant::ole_variant(const char* value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from string(%s)", value);
  attach_string(value != nullptr ? value : "");
}

ole_variant::ole_variant(const std::string& value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from string(%s)", value.c_str());
  attach_string(value);
}

ole_variant::ole_variant(const std::u16string& value) : ole_variant() {
  tk_trace_w(1, u"ole_variant::ctor from wstring(%s)", value.c_str());
  attach_wstring(value);
}

ole_variant::ole_variant(const std::vector<uint8_t>& bytes) : ole_variant() {
  attach_binary(bytes);
}

ole_variant::ole_variant(size_t length, const uint8_t* bytes) : ole_variant() {
  attach_binary(length, bytes);
}

ole_variant::ole_variant(const ole_variant& other) : ole_variant() {
  tk_trace(1, "ole_variant::copy ctor");
  copy_from(other);
}

ole_variant::ole_variant(ole_variant&& other) noexcept
    : i8_(other.i8_),
      ui8_(other.ui8_),
      date_(other.date_),
      value_(other.value_),
      exact_(std::move(other.exact_)) {
  VariantInit(&other.value_);
}

ole_variant& ole_variant::operator=(const ole_variant& other) {
  if (this == &other) return *this;
  clear();
  copy_from(other);
  if (value_.vt == VT_DATE) {
    tk_trace(1, "%04d-%02d-%02d %02d:%02d:%02d", date_.wYear, date_.wMonth, date_.wDay, date_.wHour,
             date_.wMinute, date_.wSecond);
  }
  return *this;
}

ole_variant& ole_variant::operator=(ole_variant&& other) noexcept {
  if (this == &other) return *this;
  clear();
  i8_ = other.i8_;
  ui8_ = other.ui8_;
  date_ = other.date_;
  value_ = other.value_;
  exact_ = std::move(other.exact_);
  VariantInit(&other.value_);
  return *this;
}

ole_variant::~ole_variant() {
  clear();
}

void ole_variant::clear() {
  // Arrays first: the array tag VT_SAFEARRAY is not one VariantClear frees.
  if (value_.vt == kByteArray || value_.vt == VT_SAFEARRAY) {
    SafeArrayDestroy(value_.parray);
    value_.parray = nullptr;
    value_.vt = VT_EMPTY;
  }
  VariantClear(&value_);
  VariantInit(&value_);
  exact_.clear();
}

void ole_variant::copy_from(const ole_variant& other) {
  if (other.value_.vt == kByteArray || other.value_.vt == VT_SAFEARRAY) {
    tk_trace(1, "Special processing for VT_SAFEARRAY");
    SAFEARRAY* copy = nullptr;
    if (FAILED(SafeArrayCopy(other.value_.parray, &copy)) || copy == nullptr) {
      value_.vt = VT_ERROR;
      return;
    }
    value_.parray = copy;
    value_.vt = kByteArray;
    return;
  }
  if (FAILED(VariantCopy(&value_, &other.value_))) {
    value_.vt = VT_ERROR;
    return;
  }
  exact_ = other.exact_;
  if (value_.vt == VT_DATE) {
    tk_trace(1, "Special processing for VT_DATE");
    date_ = other.date_;
  } else if (value_.vt == VT_I8 || value_.vt == VT_UI8) {
    tk_trace(1, "Special processing for VT_(U)I8 type");
    i8_ = other.i8_;
    ui8_ = other.ui8_;
  }
}

void ole_variant::set_bstr(BSTR text) {
  clear();
  value_.vt = VT_BSTR;
  value_.bstrVal = text;
}

void ole_variant::attach_string(std::string_view text) {
  tk_trace(1, "ole_variant::attach_string('%s')", std::string(text).c_str());
  std::u16string wide;
  tsl::text::ansi_to_utf16(text, wide);
  BSTR b = SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
  if (b == nullptr) throw tk_mail_assertion("ole_var", 807);
  set_bstr(b);
}

void ole_variant::attach_wstring(std::u16string_view text) {
  tk_trace_w(1, u"ole_variant::attach_wstring('%s')", std::u16string(text).c_str());
  BSTR b = SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
  if (b == nullptr) throw tk_mail_assertion("ole_var", 826);
  set_bstr(b);
}

void ole_variant::attach_binary(const std::vector<uint8_t>& bytes) {
  tk_trace(1, "ole_variant::attach_binary(1)");
  allocate_safe_array(bytes.size());
  if (!bytes.empty()) std::memcpy(value_.parray->pvData, bytes.data(), bytes.size());
}

void ole_variant::attach_binary(size_t length, const uint8_t* bytes) {
  tk_trace(1, "ole_variant::attach_binary(2)");
  if (bytes == nullptr) throw tk_mail_assertion("ole_var", 730);
  allocate_safe_array(length);
  if (length != 0) std::memcpy(value_.parray->pvData, bytes, length);
}

void ole_variant::allocate_safe_array(size_t size) {
  tk_trace(1, "ole_variant::allocate_safe_array (size=%d)", static_cast<int>(size));
  if (size > UINT32_MAX) throw tk_mail_assertion("ole_var", 759);
  const uint32_t n = static_cast<uint32_t>(size);
  if (value_.vt == kByteArray && value_.parray != nullptr && value_.parray->cDims == 1) {
    tk_trace(1, "Redimension array");
    SAFEARRAY* a = value_.parray;
    // An empty array has its upper bound one below its lower bound.
    int32_t lower = 0, upper = 0;
    SafeArrayGetLBound(a, 1, &lower);
    SafeArrayGetUBound(a, 1, &upper);
    if (int64_t{upper} < int64_t{lower} - 1) throw tk_mail_assertion("ole_var", 771);
    if (a->rgsabound[0].cElements == n) return;
    SAFEARRAYBOUND bound{n, lower};
    if (FAILED(SafeArrayRedim(a, &bound))) throw tk_mail_assertion("ole_var", 759);
    return;
  }
  clear();
  SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, n);
  if (a == nullptr) throw tk_mail_assertion("ole_var", 759);
  value_.vt = kByteArray;
  value_.parray = a;
}

uint32_t ole_variant::get_bytes(const uint8_t** data) const {
  tk_trace(1, "ole_variant::get_bytes(%d)", value_.vt);
  *data = nullptr;
  if (value_.vt == VT_EMPTY || value_.vt == VT_NULL) return 0;
  if ((value_.vt != kByteArray && value_.vt != VT_SAFEARRAY) || value_.parray == nullptr) {
    throw tk_mail_assertion("ole_var", 664);
  }
  tk_trace(1, "get_safe_array_size");
  const SAFEARRAY* a = value_.parray;
  int32_t lower = 0, upper = 0;
  SafeArrayGetLBound(a, 1, &lower);
  SafeArrayGetUBound(a, 1, &upper);
  tk_trace(1, "lower=%d, upper=%d", lower, upper);
  const int64_t count = int64_t{upper} - int64_t{lower} + 1;
  if (count <= 0) return 0;
  *data = static_cast<const uint8_t*>(a->pvData);
  return static_cast<uint32_t>(count);
}

SYSTEMTIME ole_variant::get_system_time() const {
  return value_.vt == VT_DATE ? date_ : SYSTEMTIME{};
}

bool ole_variant::is_binary_type(VARTYPE type) {
  return type == VT_BLOB || type == VT_BLOB_OBJECT || type == kByteArray;
}
