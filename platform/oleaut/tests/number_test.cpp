// Text to number and number to text, against the results Windows gives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/oleaut/currency.h"
#include "platform/oleaut/decimal.h"
#include "platform/oleaut/number_text.h"

namespace {

std::string dec_text(const DECIMAL& d) {
  char buf[kDecimalTextMax];
  return std::string(buf, decimal_to_chars(d, buf));
}

std::string cy_text(int64_t raw) {
  char buf[kCurrencyTextMax];
  return std::string(buf, currency_to_chars(CY{raw}, buf));
}

std::string real_text(double v, int digits) {
  char buf[kRealTextMax];
  return std::string(buf, real_to_chars(v, digits, buf));
}

DECIMAL make_dec(unsigned __int128 mag, uint8_t scale, bool neg) {
  DECIMAL d{};
  decimal_set(&d, mag, scale, neg);
  return d;
}

const unsigned __int128 kMax96 = (static_cast<unsigned __int128>(1) << 96) - 1;

}  // namespace

TEST(DecimalText, DigitsWithoutTrailingZeros) {
  struct {
    unsigned __int128 mag;
    uint8_t scale;
    bool neg;
    const char* text;
  } cases[] = {
      {0, 0, false, "0"},
      {0, 4, true, "0"},
      {10, 1, false, "1"},
      {1500, 3, false, "1.5"},
      {15, 1, true, "-1.5"},
      {4294967296ULL, 0, false, "4294967296"},
      {kMax96, 0, false, "79228162514264337593543950335"},
      {1, 10, false, "0.0000000001"},
      {kMax96, 10, false, "7922816251426433759.3543950335"},
      {kMax96, 28, false, "7.9228162514264337593543950335"},
      {kMax96, 28, true, "-7.9228162514264337593543950335"},
      {1, 28, false, "0.0000000000000000000000000001"},
      {9000, 7, false, "0.0009"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dec_text(make_dec(c.mag, c.scale, c.neg)), c.text) << c.text;
  }
  DECIMAL bad = make_dec(1, 29, false);
  EXPECT_EQ(dec_text(bad), "");
  BSTR b = nullptr;
  EXPECT_EQ(VarBstrFromDec(&bad, LCID_EN_US, 0, &b), E_INVALIDARG);
}

TEST(DecimalFromText, ExactOrOverflow) {
  struct {
    const char16_t* text;
    HRESULT hr;
    const char* value;
  } cases[] = {
      {u"1.5", S_OK, "1.5"},
      {u"1,234.5", S_OK, "1234.5"},
      {u"1e3", S_OK, "1000"},
      {u"-0.00005", S_OK, "-0.00005"},
      {u"12345678901234567890.123", S_OK, "12345678901234567890.123"},
      {u" 7 ", S_OK, "7"},
      {u"(5)", S_OK, "-5"},
      {u"$1,234.56", S_OK, "1234.56"},
      {u"1.50", S_OK, "1.5"},
      {u"18446744073709551616", S_OK, "18446744073709551616"},
      {u"79228162514264337593543950335", S_OK, "79228162514264337593543950335"},
      {u"-7922816251426433759354395033.5", S_OK, "-7922816251426433759354395033.5"},
      {u"0.0000000000000000000000000001", S_OK, "0.0000000000000000000000000001"},
      {u"79228162514264337593543950336", DISP_E_OVERFLOW, ""},
      {u"123456789012345678901234567890", DISP_E_OVERFLOW, ""},
      {u"0.00000000000000000000000000001", DISP_E_OVERFLOW, ""},
      {u"abc", DISP_E_TYPEMISMATCH, ""},
      {u"", DISP_E_TYPEMISMATCH, ""},
      {u" ", DISP_E_TYPEMISMATCH, ""},
      {u"-5-", DISP_E_TYPEMISMATCH, ""},
      {u"1 e1", DISP_E_TYPEMISMATCH, ""},
      {u",5", DISP_E_TYPEMISMATCH, ""},
      {u"(5", DISP_E_TYPEMISMATCH, ""},
      {u"1e", DISP_E_TYPEMISMATCH, ""},
      {u".", DISP_E_TYPEMISMATCH, ""},
  };
  for (const auto& c : cases) {
    DECIMAL d{};
    EXPECT_EQ(VarDecFromStr(c.text, LCID_EN_US, 0, &d), c.hr) << c.value;
    if (c.hr == S_OK) {
      EXPECT_EQ(dec_text(d), c.value);
    }
  }
  DECIMAL d{};
  ASSERT_EQ(VarDecFromStr(u"1.50", LCID_EN_US, 0, &d), S_OK);
  EXPECT_EQ(d.scale, 1);
  EXPECT_EQ(d.Lo64, 15u);
}

TEST(DecimalConversions, ToIntegerDoubleAndCurrency) {
  int32_t i = 0;
  EXPECT_EQ(VarI4FromDec(&(const DECIMAL&)make_dec(2147483648ULL, 0, true), &i), S_OK);
  EXPECT_EQ(i, INT32_MIN);
  EXPECT_EQ(VarI4FromDec(&(const DECIMAL&)make_dec(2147483649ULL, 0, true), &i), DISP_E_OVERFLOW);
  EXPECT_EQ(VarI4FromDec(&(const DECIMAL&)make_dec(2147483648ULL, 0, false), &i), DISP_E_OVERFLOW);
  const DECIMAL near_max = make_dec(49ULL * 4294967296ULL + 4294967196ULL, 2, false);
  EXPECT_EQ(VarI4FromDec(&near_max, &i), S_OK);
  EXPECT_EQ(i, INT32_MAX);
  const DECIMAL half = make_dec(25, 1, false), half3 = make_dec(35, 1, false);
  EXPECT_EQ(VarI4FromDec(&half, &i), S_OK);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(VarI4FromDec(&half3, &i), S_OK);
  EXPECT_EQ(i, 4);
  const DECIMAL bad = make_dec(1, 0, false);
  DECIMAL bad_sign = bad;
  bad_sign.sign = 1;
  EXPECT_EQ(VarI4FromDec(&bad_sign, &i), E_INVALIDARG);

  double d = 0;
  const DECIMAL a = make_dec(32768, 0, true), b = make_dec(3276700, 2, false);
  EXPECT_EQ(VarR8FromDec(&a, &d), S_OK);
  EXPECT_EQ(d, -32768.0);
  EXPECT_EQ(VarR8FromDec(&b, &d), S_OK);
  EXPECT_EQ(d, 32767.0);

  CY cy{};
  struct {
    unsigned __int128 mag;
    uint8_t scale;
    bool neg;
    HRESULT hr;
    int64_t raw;
  } cy_cases[] = {
      {100, 2, false, S_OK, 10000},
      {1, 2, true, S_OK, -100},
      {999, 2, false, S_OK, 99900},
      {1500, 2, true, S_OK, -150000},
      {922337203685477ULL, 0, false, S_OK, 9223372036854770000LL},
      {922337203685478ULL, 0, false, DISP_E_OVERFLOW, 0},
      {15, 5, false, S_OK, 2},  // 0.00015 rounds away from zero
  };
  for (const auto& c : cy_cases) {
    const DECIMAL v = make_dec(c.mag, c.scale, c.neg);
    EXPECT_EQ(VarCyFromDec(&v, &cy), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(cy.int64, c.raw);
    }
  }
  DECIMAL from_cy{};
  VarDecFromCy(CY{-10000}, &from_cy);
  EXPECT_EQ(from_cy.scale, 4);
  EXPECT_EQ(dec_text(from_cy), "-1");
}

TEST(DecimalFromDouble, FifteenDigits) {
  struct {
    double in;
    const char* text;
  } cases[] = {{0.5, "0.5"},
               {-0.6, "-0.6"},
               {0.0, "0"},
               {0.1, "0.1"},
               {1.0 / 3, "0.333333333333333"},
               {123456789012345678.0, "123456789012346000"},
               {1e-30, "0"},
               {2.6e-28, "0.0000000000000000000000000003"}};
  for (const auto& c : cases) {
    DECIMAL d{};
    EXPECT_EQ(VarDecFromR8(c.in, &d), S_OK) << c.text;
    EXPECT_EQ(dec_text(d), c.text);
  }
  DECIMAL d{};
  EXPECT_EQ(VarDecFromR8(1e30, &d), DISP_E_OVERFLOW);
  EXPECT_EQ(VarDecFromR8(NAN, &d), DISP_E_OVERFLOW);
}

TEST(CurrencyText, ExactFourDecimals) {
  struct {
    int64_t raw;
    const char* text;
  } cases[] = {{0, "0"},
               {10000, "1"},
               {15000, "1.5"},
               {-15000, "-1.5"},
               {125000, "12.5"},
               {-1, "-0.0001"},
               {9, "0.0009"},
               {0xFFFFFFFFLL, "429496.7295"},
               {INT64_MAX, "922337203685477.5807"},
               {INT64_MIN, "-922337203685477.5808"}};
  for (const auto& c : cases) EXPECT_EQ(cy_text(c.raw), c.text);
}

TEST(CurrencyFromText, ExactWithHalfEven) {
  struct {
    const char16_t* text;
    HRESULT hr;
    int64_t raw;
  } cases[] = {
      {u"1.5", S_OK, 15000},
      {u"1,234.5", S_OK, 12345000},
      {u"1e3", S_OK, 10000000},
      {u"-0.00005", S_OK, 0},
      {u"0.00015", S_OK, 2},
      {u"0.00025", S_OK, 2},
      {u" 7 ", S_OK, 70000},
      {u"(5)", S_OK, -50000},
      {u"$1,234.56", S_OK, 12345600},
      {u"-1234.5678", S_OK, -12345678},
      {u"922337203685477.5807", S_OK, INT64_MAX},
      {u"-922337203685477.5808", S_OK, INT64_MIN},
      {u"922337203685477.5808", DISP_E_OVERFLOW, 0},
      {u"12345678901234567890.123", DISP_E_OVERFLOW, 0},
      {u"abc", DISP_E_TYPEMISMATCH, 0},
      {u"", DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& c : cases) {
    CY cy{};
    EXPECT_EQ(VarCyFromStr(c.text, LCID_EN_US, 0, &cy), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(cy.int64, c.raw);
    }
  }
}

TEST(CurrencyConversions, DoubleAndInteger) {
  double d;
  VarR8FromCy(CY{-327690000}, &d);
  EXPECT_EQ(d, -32769.0);
  VarR8FromCy(CY{6000}, &d);
  EXPECT_EQ(d, 0.6);
  CY cy{};
  EXPECT_EQ(VarCyFromR8(-0.0, &cy), S_OK);
  EXPECT_EQ(cy.int64, 0);
  EXPECT_EQ(VarCyFromR8(1.00009f, &cy), S_OK);
  EXPECT_EQ(cy.int64, 10001);
  EXPECT_EQ(VarCyFromR8(-1.00005f, &cy), S_OK);
  EXPECT_EQ(cy.int64, -10000);
  EXPECT_EQ(VarCyFromR8(4611686018427387648.0, &cy), DISP_E_OVERFLOW);
  EXPECT_EQ(VarCyFromR8(NAN, &cy), DISP_E_OVERFLOW);
  EXPECT_EQ(VarCyFromI8(922337203685476, &cy), S_OK);
  EXPECT_EQ(VarCyFromI8(922337203685477, &cy), DISP_E_OVERFLOW);

  struct {
    int64_t raw;
    int64_t i8;
  } quirk[] = {{-1280000, -129}, {-10000, -2}, {-15000, -2}, {-6000, -1}, {-5000, -1},
               {0, 0},           {4000, 0},    {5000, 0},    {6000, 1},   {15000, 2}};
  for (const auto& c : quirk) {
    int64_t v;
    VarI8FromCy(CY{c.raw}, &v);
    EXPECT_EQ(v, c.i8) << c.raw;
  }
}

TEST(RealText, WindowsSignificantDigits) {
  struct {
    double v;
    const char* text;
  } r8[] = {{1.5, "1.5"},
            {0.1, "0.1"},
            {1.0 / 3, "0.333333333333333"},
            {2.0 / 3, "0.666666666666667"},
            {1e20, "1E+20"},
            {1e100, "1E+100"},
            {1e8, "100000000"},
            {1e14, "100000000000000"},
            {999999999999999.0, "999999999999999"},
            {1e15, "1E+15"},
            {1.2e15, "1.2E+15"},
            {1.234e16, "1.234E+16"},
            {0.56789, "0.56789"},
            {5.6789e-6, "0.0000056789"},
            {5.6789e-11, "0.000000000056789"},
            {5.6789e-12, "5.6789E-12"},
            {3.141592653589793, "3.14159265358979"},
            {12.345678901234567, "12.3456789012346"},
            {-0.0, "0"},
            {-2.5, "-2.5"},
            {0.125, "0.125"},
            {9.9999999999999999e20, "1E+21"},
            {123456789012345678.0, "1.23456789012346E+17"}};
  for (const auto& c : r8) EXPECT_EQ(real_text(c.v, 15), c.text);
  struct {
    float v;
    const char* text;
  } r4[] = {{654322.23456f, "654322.3"},
            {0.5f, "0.5"},
            {0.000005f, "0.000005"},
            {1e8f, "1E+08"},
            {1e12f, "1E+12"},
            {3.14159265f, "3.141593"},
            {12.3456789f, "12.34568"},
            {-0.0f, "0"}};
  for (const auto& c : r4) EXPECT_EQ(real_text(c.v, 7), c.text);
}
