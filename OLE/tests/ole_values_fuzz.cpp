// Arbitrary text through every reader of values: the date parser, from_string
// and from_wstring for every type, the system readers, and the text forms of
// whatever they produce. Nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "OLE/ole_date.h"
#include "OLE/ole_guid_extractor.h"
#include "OLE/ole_type_exception.h"
#include "OLE/ole_variant.h"
#include "platform/oleaut/change_type.h"
#include "platform/oleaut/currency.h"
#include "platform/oleaut/date_parse.h"
#include "platform/oleaut/decimal.h"
#include "platform/oleaut/variant.h"

namespace {

const VARTYPE kTypes[] = {
    VT_I2,   VT_I4,   VT_R4,  VT_R8, VT_CY,  VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL,        VT_I1,
    VT_UI1,  VT_UI2,  VT_UI4, VT_I8, VT_UI8, VT_INT,  VT_UINT, VT_BLOB, VT_ARRAY | VT_UI1, VT_EMPTY,
    VT_NULL, VT_ERROR};

void exercise(const ole_variant& v) {
  std::string narrow;
  std::u16string wide;
  v.write_string(narrow);
  v.write_wstring(wide);
  const VARTYPE t = v.vartype();
  if (t != VT_DATE && t != VT_BSTR && t != VT_CY && !ole_variant::is_binary_type(t) &&
      t != VT_ERROR && t != VT_INT && t != VT_UINT) {
    (void)v.to_long();
    (void)v.to_double();
  }
  for (VARTYPE target : {VT_I4, VT_R8, VT_DECIMAL, VT_BSTR, VT_DATE, VT_I8, VT_BLOB, VT_I1}) {
    ole_variant copy(v);
    try {
      copy.change_type(target);
      copy.write_string(narrow);
    } catch (const ole_type_exception&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ole_date date(text);
  (void)date.is_valid();
  (void)date.to_string();

  std::u16string wide;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  const std::u16string ascii(text.begin(), text.end());
  for (VARTYPE type : kTypes) {
    try {
      exercise(ole_variant::from_string(text, type));
    } catch (const ole_type_exception&) {
    }
    try {
      exercise(ole_variant::from_wstring(wide, type));
    } catch (const ole_type_exception&) {
    }
  }

  // Raw calendar fields and raw numbers, whatever their values.
  if (size >= sizeof(SYSTEMTIME)) {
    SYSTEMTIME st;
    std::memcpy(&st, data, sizeof st);
    exercise(ole_variant(st));
    (void)ole_date(st).is_valid();
  }
  if (size >= sizeof(DECIMAL)) {
    DECIMAL dec;
    std::memcpy(&dec, data, sizeof dec);
    exercise(ole_variant(dec));
  }
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    exercise(ole_variant(x));
    long long i;
    std::memcpy(&i, data, sizeof i);
    exercise(ole_variant(i));
    exercise(ole_variant(static_cast<unsigned long long>(i)));
    exercise(ole_variant(CY{i}));
    exercise(ole_variant(static_cast<float>(x)));
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DATE;
    v.date = x;
    (void)ole_date(v).to_string();
  }

  DATE d;
  VarDateFromStr(ascii.c_str(), LCID_EN_US, 0, &d);
  VarDateFromStr(wide.c_str(), LCID_EN_US, 0, &d);
  CY cy;
  VarCyFromStr(ascii.c_str(), LCID_EN_US, 0, &cy);
  DECIMAL dec;
  VarDecFromStr(ascii.c_str(), LCID_EN_US, 0, &dec);
  ole_guid_extractor guid(ascii);
  (void)guid.braced_guid();
  (void)guid.bare_guid();

  VARIANT src;
  VariantInit(&src);
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
  for (VARTYPE type : kTypes) {
    VARIANT out;
    VariantInit(&out);
    VariantChangeType(&out, &src, 0, type);
    VariantClear(&out);
  }
  VariantClear(&src);
  return 0;
}

extern "C" const char* const* tsl_fuzz_dictionary() {
  static const char* const words[] = {"2009",
                                      "12",
                                      "31",
                                      "-",
                                      "/",
                                      ":",
                                      ".",
                                      " ",
                                      "AM",
                                      "PM",
                                      "am",
                                      "pm",
                                      "Dec",
                                      "January",
                                      "Mon",
                                      "0x",
                                      "&H",
                                      "&O",
                                      "e+",
                                      "E-",
                                      "$",
                                      "(",
                                      ")",
                                      ",",
                                      "1e300",
                                      "79228162514264337593543950336",
                                      "999999999999999999999999",
                                      "0.",
                                      "23:59:59.997",
                                      "20091231235959",
                                      "T",
                                      "true",
                                      "yes",
                                      "guid {",
                                      "}",
                                      "\t",
                                      nullptr};
  return words;
}
