// The type change among numbers, booleans, texts, dates and byte arrays.
#include "platform/oleaut/change_type.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/oleaut/safearray.h"
#include "platform/oleaut/variant.h"

namespace {

VARIANT bstr(const char16_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

VARIANT r8(double d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = d;
  return v;
}

std::u16string text_of(const VARIANT& v) {
  return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

}  // namespace

TEST(ChangeType, TextToIntegersRoundsHalfEvenAndChecksRange) {
  struct {
    const char16_t* text;
    VARTYPE vt;
    HRESULT hr;
    int64_t value;
  } cases[] = {
      {u"2.5", VT_I4, S_OK, 2},
      {u"3.5", VT_I4, S_OK, 4},
      {u"-2.5", VT_I4, S_OK, -2},
      {u"2.5000001", VT_I4, S_OK, 3},
      {u"-0.5", VT_UI1, S_OK, 0},
      {u"-0.6", VT_UI1, DISP_E_OVERFLOW, 0},
      {u"128", VT_I1, DISP_E_OVERFLOW, 0},
      {u"-129", VT_I1, DISP_E_OVERFLOW, 0},
      {u"-128", VT_I1, S_OK, -128},
      {u"256", VT_UI1, DISP_E_OVERFLOW, 0},
      {u"2147483648", VT_I4, DISP_E_OVERFLOW, 0},
      {u"-2147483648", VT_I4, S_OK, INT32_MIN},
      {u"4294967296", VT_UI4, DISP_E_OVERFLOW, 0},
      {u"9223372036854775807", VT_I8, S_OK, INT64_MAX},
      {u"-9223372036854775808", VT_I8, S_OK, INT64_MIN},
      {u"9223372036854775808", VT_I8, DISP_E_OVERFLOW, 0},
      {u"&HFFFF", VT_I2, S_OK, -1},
      {u"&HF800", VT_I4, S_OK, -2048},
      {u"&O300", VT_I4, S_OK, 192},
      {u"&o128", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"1,234", VT_I4, S_OK, 1234},
      {u"5-", VT_I4, S_OK, -5},
      {u"- 5", VT_I4, S_OK, -5},
      {u"+ +5", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"0100", VT_I4, S_OK, 100},
      {u"1e3", VT_I2, S_OK, 1000},
      {u"1e-94938484", VT_I4, S_OK, 0},
      {u"12abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"0x10", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"", VT_I4, DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& c : cases) {
    VARIANT v = bstr(c.text), out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, c.vt), c.hr)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    if (c.hr == S_OK) {
      EXPECT_EQ(out.vt, c.vt);
      int64_t got = c.vt == VT_I1    ? static_cast<signed char>(out.cVal)
                    : c.vt == VT_I2  ? out.iVal
                    : c.vt == VT_I4  ? out.lVal
                    : c.vt == VT_UI1 ? out.bVal
                    : c.vt == VT_UI4 ? int64_t{out.ulVal}
                                     : out.llVal;
      EXPECT_EQ(got, c.value);
    }
    VariantClear(&v);
    VariantClear(&out);
  }
}

TEST(ChangeType, DoublesToIntegers) {
  struct {
    double in;
    VARTYPE vt;
    HRESULT hr;
    int64_t value;
  } cases[] = {
      {-1.5, VT_I4, S_OK, -2},
      {-1.5, VT_UI1, DISP_E_OVERFLOW, 0},
      {-0.5, VT_UI4, S_OK, 0},
      {2.5, VT_I2, S_OK, 2},
      {0.6, VT_UI2, S_OK, 1},
      {-128.0, VT_I1, S_OK, -128},
      {128.0, VT_I1, DISP_E_OVERFLOW, 0},
      {2147483647.0, VT_I4, S_OK, INT32_MAX},
      {2147483648.0, VT_I4, DISP_E_OVERFLOW, 0},
      {4294967295.0, VT_UI4, S_OK, 4294967295},
      {1e300, VT_I8, DISP_E_OVERFLOW, 0},
  };
  for (const auto& c : cases) {
    VARIANT v = r8(c.in), out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, c.vt), c.hr) << c.in;
    if (c.hr == S_OK) {
      int64_t got = c.vt == VT_I1    ? static_cast<signed char>(out.cVal)
                    : c.vt == VT_I2  ? out.iVal
                    : c.vt == VT_I4  ? out.lVal
                    : c.vt == VT_UI2 ? out.uiVal
                                     : int64_t{out.ulVal};
      EXPECT_EQ(got, c.value) << c.in;
    }
  }
  VARIANT nan = r8(NAN), out;
  VariantInit(&out);
  EXPECT_EQ(VariantChangeType(&out, &nan, 0, VT_I4), DISP_E_OVERFLOW);
}

TEST(ChangeType, BooleansWrapAndTexts) {
  VARIANT b;
  VariantInit(&b);
  b.vt = VT_BOOL;
  b.boolVal = VARIANT_TRUE;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_UI1), S_OK);
  EXPECT_EQ(out.bVal, 255);
  ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_I1), S_OK);
  EXPECT_EQ(out.cVal, -1);
  ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_BSTR), S_OK);
  EXPECT_EQ(text_of(out), u"-1");
  VariantClear(&out);
  ASSERT_EQ(VariantChangeType(&out, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(text_of(out), u"True");
  VariantClear(&out);
  ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_DECIMAL), S_OK);
  EXPECT_EQ(out.decVal.sign, 0);
  EXPECT_EQ(out.decVal.Lo64, 1u);
  ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_CY), S_OK);
  EXPECT_EQ(out.cyVal.int64, -10000);

  struct {
    const char16_t* text;
    HRESULT hr;
    VARIANT_BOOL value;
  } texts[] = {{u"True", S_OK, -1},
               {u"false", S_OK, 0},
               {u"#TRUE#", S_OK, -1},
               {u"#False#", DISP_E_TYPEMISMATCH, 0},
               {u"Yes", DISP_E_TYPEMISMATCH, 0},
               {u"0", S_OK, 0},
               {u"-1", S_OK, -1},
               {u"0.1", S_OK, -1},
               {u"", DISP_E_TYPEMISMATCH, 0}};
  for (const auto& c : texts) {
    VARIANT v = bstr(c.text);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_BOOL), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(out.boolVal, c.value);
    }
    VariantClear(&v);
  }
}

TEST(ChangeType, NumbersToText) {
  struct {
    VARIANT v;
    const char16_t* text;
  } cases[] = {{r8(1.5), u"1.5"}, {r8(1e20), u"1E+20"}, {r8(-0.0), u"0"}};
  for (auto& c : cases) {
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &c.v, 0, VT_BSTR), S_OK);
    EXPECT_EQ(text_of(out), c.text);
    VariantClear(&out);
  }
  VARIANT i4;
  VariantInit(&i4);
  i4.vt = VT_I4;
  i4.lVal = INT32_MIN;
  ASSERT_EQ(VariantChangeType(&i4, &i4, 0, VT_BSTR), S_OK);  // in place
  EXPECT_EQ(text_of(i4), u"-2147483648");
  VariantClear(&i4);
}

TEST(ChangeType, EmptyNullAndBadTargets) {
  VARIANT empty, out;
  VariantInit(&empty);
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_BSTR), S_OK);
  EXPECT_NE(out.bstrVal, nullptr);
  EXPECT_EQ(SysStringLen(out.bstrVal), 0u);
  VariantClear(&out);
  ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 0);

  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);
  VARIANT one = r8(1);
  EXPECT_EQ(VariantChangeType(&out, &one, 0, VT_LPSTR), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&out, &one, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);

  // A failed change leaves the destination alone.
  VARIANT text = bstr(u"test");
  EXPECT_EQ(VariantChangeType(&text, &text, 0, VT_INT), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_EQ(text_of(text), u"test");
  VariantClear(&text);
}

TEST(ChangeType, BytesAndTextsSwapRawBytes) {
  VARIANT arr;
  VariantInit(&arr);
  arr.vt = VT_ARRAY | VT_UI1;
  arr.parray = SafeArrayCreateVector(VT_UI1, 0, 3);
  std::memcpy(arr.parray->pvData, "abc", 3);
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &arr, 0, VT_BSTR), S_OK);
  EXPECT_EQ(SysStringByteLen(out.bstrVal), 3u);
  VARIANT back;
  VariantInit(&back);
  ASSERT_EQ(VariantChangeType(&back, &out, 0, VT_ARRAY | VT_UI1), S_OK);
  EXPECT_EQ(back.parray->rgsabound[0].cElements, 3u);
  EXPECT_EQ(std::memcmp(back.parray->pvData, "abc", 3), 0);
  VariantClear(&arr);
  VariantClear(&out);
  VariantClear(&back);
}

TEST(ChangeType, DatesAndCurrencies) {
  VARIANT text = bstr(u"2009-12-31"), out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &text, 0, VT_DATE), S_OK);
  EXPECT_EQ(out.date, 40178.0);
  VariantClear(&text);
  VARIANT big = r8(3e6);
  EXPECT_EQ(VariantChangeType(&out, &big, 0, VT_DATE), DISP_E_OVERFLOW);

  VARIANT cy;
  VariantInit(&cy);
  cy.vt = VT_CY;
  cy.cyVal.int64 = -10000;
  ASSERT_EQ(VariantChangeType(&out, &cy, 0, VT_I8), S_OK);
  EXPECT_EQ(out.llVal, -2);  // Windows lowers negative amounts by one
  ASSERT_EQ(VariantChangeType(&out, &cy, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, -1);
  ASSERT_EQ(VariantChangeType(&out, &cy, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, -1.0);
}
