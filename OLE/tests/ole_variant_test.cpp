#include "OLE/ole_variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "OLE/ole_type_exception.h"
#include "TK/tk_exception.h"

namespace {

constexpr VARTYPE kBytes = VT_ARRAY | VT_UI1;

}  // namespace

TEST(OleVariantText, NumbersToTheCharacter) {
  struct {
    ole_variant v;
    const char* text;
  } cases[] = {
      {ole_variant(short{-32768}), "-32768"},
      {ole_variant(char{-128}), "-128"},
      {ole_variant(INT32_MIN), "-2147483648"},
      {ole_variant(static_cast<unsigned char>(255)), "255"},
      {ole_variant(static_cast<unsigned short>(65535)), "65535"},
      {ole_variant(4294967295u), "4294967295"},
      {ole_variant(9007199254740993LL), "9007199254740993"},
      {ole_variant(INT64_MIN), "-9223372036854775808"},
      {ole_variant(18446744073709551615ULL), "18446744073709551615"},
      // The shortest text that reads back as the same value, at the
      // value's own precision: nothing lost, no noise.
      {ole_variant(1.5), "1.5"},
      {ole_variant(-0.1), "-0.1"},
      {ole_variant(0.0), "0"},
      {ole_variant(1e100), "1e+100"},
      {ole_variant(2.3056e-112), "2.3056e-112"},
      {ole_variant(1.7976931348623157e308), "1.7976931348623157e+308"},
      {ole_variant(0.30000000000000004), "0.30000000000000004"},
      {ole_variant(4.9406564584124654e-324), "5e-324"},
      {ole_variant(1.5f), "1.5"},
      {ole_variant(0.1f), "0.1"},
      {ole_variant(0.15f), "0.15"},
      {ole_variant(16777216.0f), "16777216"},
      {ole_variant(3.4e38f), "3.4e+38"},
      {ole_variant(true), "1"},
      {ole_variant(false), "0"},
      {ole_variant(CY{-15000}), "-1.5"},
      {ole_variant(CY{INT64_MIN}), "-922337203685477.5808"},
      {ole_variant(CY{9}), "0.0009"},
      {ole_variant(), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.to_string(), c.text);
    std::u16string wide(c.text, c.text + std::strlen(c.text));
    EXPECT_EQ(c.v.to_wstring(), wide);
  }
}

TEST(OleVariantText, BooleansOtherThanMinusOneAreFalse) {
  // A VT_BOOL holding 1 rather than -1.
  ole_variant v = ole_variant::from_string("7", VT_I2);
  v.change_type(VT_BOOL);
  EXPECT_EQ(v.to_string(), "1");  // the system change gives -1 for any non-zero
  ole_variant from_i8(1LL);
  from_i8.change_type(VT_BOOL);  // low bits: 1
  EXPECT_EQ(from_i8.variant().boolVal, 1);
  EXPECT_EQ(from_i8.to_string(), "0");
  EXPECT_FALSE(from_i8.to_bool());
}

TEST(OleVariantFromString, EveryType) {
  struct {
    const char* in;
    VARTYPE type;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {"", VT_I4, VT_EMPTY, ""},
      {"", VT_DECIMAL, VT_EMPTY, ""},
      {"", VT_BSTR, VT_BSTR, ""},
      {"42", VT_I4, VT_I4, "42"},
      {" -42abc", VT_I4, VT_I4, "-42"},
      {"abc", VT_I4, VT_I4, "0"},
      {"99999999999", VT_I4, VT_I4, "2147483647"},
      {"70000", VT_I2, VT_I2, "4464"},
      {"300", VT_UI1, VT_UI1, "44"},
      {"-1", VT_I1, VT_I1, "-1"},
      {"65535", VT_UI2, VT_UI2, "65535"},
      {"4294967295", VT_UI4, VT_UI4, "4294967295"},
      {"-1", VT_UI4, VT_UI4, "4294967295"},
      {"-9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
      {"99999999999999999999", VT_I8, VT_I8, "9223372036854775807"},
      {"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
      {"1,5", VT_R8, VT_R8, "1.5"},
      {"1e400", VT_R8, VT_R8, "inf"},
      {"x", VT_R8, VT_R8, "0"},
      {"1,5", VT_R4, VT_R4, "1.5"},
      {"1234.5678", VT_CY, VT_CY, "1234.5678"},
      {"-1234,5", VT_CY, VT_CY, "-1234.5"},
      {"abc", VT_CY, VT_EMPTY, ""},
      {"922337203685477.5808", VT_CY, VT_EMPTY, ""},
      {"123.4500", VT_DECIMAL, VT_DECIMAL, "123.45"},
      {"-0,5", VT_DECIMAL, VT_DECIMAL, "-0.5"},
      {"1234567890123456789012345678.9", VT_DECIMAL, VT_DECIMAL, "1234567890123456789012345678.9"},
      {"0.1234567890123456789012345678", VT_DECIMAL, VT_DECIMAL, "0.1234567890123456789012345678"},
      {"abc", VT_DECIMAL, VT_EMPTY, ""},
      {"2009-12-31 23:59:59", VT_DATE, VT_DATE, "2009-12-31 23:59:59"},
      {"10:20:30.5", VT_DATE, VT_DATE, "0000-00-00 10:20:31"},
      {"not a date", VT_DATE, VT_EMPTY, ""},
      {"TRUE", VT_BOOL, VT_BOOL, "1"},
      {"Yes", VT_BOOL, VT_BOOL, "1"},
      {"2", VT_BOOL, VT_BOOL, "1"},
      {"No", VT_BOOL, VT_BOOL, "0"},
      {"false", VT_BOOL, VT_BOOL, "0"},
      {"maybe", VT_BOOL, VT_BOOL, "0"},
      {"0x0A1b", kBytes, kBytes, "0x0A1B"},
      {"0X00ff", VT_BLOB, kBytes, "0x00FF"},
      {"A5c3", kBytes, kBytes, "0xA5C3"},
      {"0x", kBytes, kBytes, ""},
      {"0A1", kBytes, VT_EMPTY, ""},
      {"G1zz", kBytes, kBytes, "0x0000"},
      {" F5G", kBytes, kBytes, "0xF505"},
      {"{6F9619FF-8B86-D011-B42D-00C04fc964ff}", VT_BLOB, kBytes,
       "0x6F9619FF8B86D011B42D00C04FC964FF"},
      {"{6F9619FF-8B86-D011-B42D-00C04FC964FX}", VT_BLOB, kBytes,
       "0x00F9619F0F8B86F30101B42D000C04FC964F00"},
      {"text", VT_BSTR, VT_BSTR, "text"},
      {"12", VT_INT, VT_INT, ""},
  };
  for (const auto& c : cases) {
    ole_variant v = ole_variant::from_string(c.in, c.type);
    EXPECT_EQ(v.vartype(), c.vt) << c.in;
    EXPECT_EQ(v.to_string(), c.out) << c.in;
  }
  EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
}

TEST(OleVariantFromString, DecimalsBeyondDecimalAreKeptExactly) {
  // decimal(38) values: more digits than DECIMAL's 96 bits hold.
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
      {"-99999999999999999999999999999999999.999", "-99999999999999999999999999999999999.999"},
      {"123456789012345678901234567890.12", "123456789012345678901234567890.12"},
      {"0.00000000000000000000000000000000000001", "0.00000000000000000000000000000000000001"},
      {"79228162514264337593543950336", "79228162514264337593543950336"},
      {"+0001234567890123456789012345678901.2300", "1234567890123456789012345678901.23"},
      {"1,0000000000000000000000000000001", "1.0000000000000000000000000000001"},
  };
  for (const auto& c : cases) {
    ole_variant v = ole_variant::from_string(c.in, VT_DECIMAL);
    EXPECT_EQ(v.vartype(), VT_DECIMAL) << c.in;
    EXPECT_EQ(v.to_string(), c.out) << c.in;
    EXPECT_EQ(v.exact_decimal(), c.out);
    // Copies, the same type and text keep it.
    ole_variant copy(v);
    copy.change_type(VT_DECIMAL);
    EXPECT_EQ(copy.to_string(), c.out);
    ole_variant as_text(v);
    as_text.change_type(VT_BSTR);
    EXPECT_EQ(as_text.to_string(), c.out);
  }
  ole_variant big = ole_variant::from_string("123456789012345678901234567890", VT_DECIMAL);
  EXPECT_DOUBLE_EQ(big.to_double(), 1.2345678901234568e29);
  EXPECT_TRUE(big.to_bool());
  EXPECT_EQ(big.to_long(), 0);
  ole_variant r8(big);
  r8.change_type(VT_R8);
  EXPECT_EQ(r8.to_string(), "1.2345678901234568e+29");
  ole_variant i4(big);
  EXPECT_THROW(i4.change_type(VT_I4), ole_type_exception);
  ole_variant blob(big);
  EXPECT_THROW(blob.change_type(kBytes), ole_type_exception);
  // A value no column could hold fails loudly instead of vanishing.
  EXPECT_THROW(ole_variant::from_string("1e999999", VT_DECIMAL), ole_type_exception);
  EXPECT_THROW(ole_variant::from_string(std::string(200, '7'), VT_DECIMAL), ole_type_exception);
}

TEST(OleVariantFromWstring, TextsAndNumbers) {
  ole_variant s = ole_variant::from_wstring(std::u16string(u"a\0b", 3), VT_BSTR);
  EXPECT_EQ(s.vartype(), VT_BSTR);
  EXPECT_EQ(SysStringLen(s.variant().bstrVal), 3u);
  // The whole text: a NUL is a character like any other.
  EXPECT_EQ(s.to_wstring(), std::u16string(u"a\0b", 3));
  EXPECT_EQ(s.to_string(), std::string("a\0b", 3));
  EXPECT_EQ(ole_variant::from_wstring(u"12.5", VT_DECIMAL).to_string(), "12.5");
  EXPECT_EQ(ole_variant::from_wstring(u"été", VT_BOOL).to_string(), "0");
  EXPECT_EQ(ole_variant::from_wstring(std::u16string(300, u'1'), VT_I4).to_string(), "2147483647");
  ole_variant u(std::u16string(u"Grüße"));
  EXPECT_EQ(u.to_string(), "Grüße");
  EXPECT_EQ(ole_variant(std::string("Grüße")).to_wstring(), u"Grüße");
  EXPECT_EQ(ole_variant("plain").vartype(), VT_BSTR);
}

TEST(OleVariantBinary, ArraysAndBytes) {
  std::vector<uint8_t> data(400000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  ole_variant big(data);
  const std::string t = big.to_string();
  ASSERT_EQ(t.size(), 2u + 2u * 327680u);
  EXPECT_EQ(t.substr(0, 10), "0x00010203");
  EXPECT_EQ(t.substr(t.size() - 2), "FF");  // byte 327679

  const uint8_t* bytes = nullptr;
  EXPECT_EQ(big.get_bytes(&bytes), 400000u);
  EXPECT_EQ(bytes[1000], static_cast<uint8_t>(1000));
  ole_variant empty;
  EXPECT_EQ(empty.get_bytes(&bytes), 0u);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_THROW(ole_variant(5).get_bytes(&bytes), tk_mail_assertion);

  ole_variant none(std::vector<uint8_t>{});
  EXPECT_EQ(none.vartype(), kBytes);
  EXPECT_EQ(none.to_string(), "");
  EXPECT_EQ(none.get_bytes(&bytes), 0u);
  none.allocate_safe_array(3);  // an empty array grows
  EXPECT_EQ(none.get_bytes(&bytes), 3u);
  EXPECT_EQ(none.to_string(), "0x000000");

  const uint8_t three[] = {1, 2, 3};
  ole_variant v(3, three);
  v.allocate_safe_array(2);
  EXPECT_EQ(v.to_string(), "0x0102");
  EXPECT_THROW(v.attach_binary(1, nullptr), tk_mail_assertion);

  ole_variant copy = v;
  EXPECT_EQ(copy.vartype(), kBytes);
  EXPECT_EQ(copy.to_string(), "0x0102");
  EXPECT_NE(copy.variant().parray, v.variant().parray);
}

TEST(OleVariantCopy, DeepAndComplete) {
  ole_variant date = ole_variant::from_string("2009-12-31 23:59:59", VT_DATE);
  ole_variant i8(1234567890123LL), s(std::u16string(u"text"));
  ole_variant a, b, c;
  a = date;
  b = i8;
  c = s;
  EXPECT_EQ(a.to_string(), "2009-12-31 23:59:59");
  EXPECT_EQ(a.get_system_time().wYear, 2009);
  EXPECT_EQ(b.to_string(), "1234567890123");
  EXPECT_EQ(c.to_wstring(), u"text");
  EXPECT_NE(c.variant().bstrVal, s.variant().bstrVal);
  ole_variant& same = c;
  c = same;
  EXPECT_EQ(c.to_wstring(), u"text");
  ole_variant moved(std::move(c));
  EXPECT_EQ(moved.to_wstring(), u"text");
  EXPECT_EQ(ole_variant(5).get_system_time().wYear, 0);
}

TEST(OleVariantNumbers, LongDoubleBool) {
  EXPECT_EQ(ole_variant(0x1234567887654321LL).to_long(), static_cast<int32_t>(0x87654321));
  EXPECT_EQ(ole_variant(-2.9).to_long(), -2);
  EXPECT_EQ(ole_variant(1e20).to_long(), INT32_MAX);
  EXPECT_EQ(ole_variant(true).to_long(), -1);
  EXPECT_EQ(ole_variant(4294967295u).to_long(), -1);
  EXPECT_EQ(ole_variant::from_string("12.5", VT_DECIMAL).to_long(), 12);
  EXPECT_EQ(ole_variant::from_string("79228162514264337593543950335", VT_DECIMAL).to_long(), 0);
  EXPECT_EQ(ole_variant().to_long(), 0);
  EXPECT_THROW(ole_variant("x").to_long(), tk_mail_assertion);

  EXPECT_EQ(ole_variant(4294967295u).to_double(), 4294967295.0);
  EXPECT_EQ(ole_variant(18446744073709551615ULL).to_double(), 18446744073709551615.0);
  EXPECT_EQ(ole_variant(CY{-15000}).to_double(), -1.5);
  EXPECT_EQ(ole_variant::from_string("-0.25", VT_DECIMAL).to_double(), -0.25);
  EXPECT_THROW(ole_variant("x").to_double(), tk_mail_assertion);

  EXPECT_TRUE(ole_variant(static_cast<unsigned char>(1)).to_bool());
  EXPECT_FALSE(ole_variant(0LL).to_bool());
  EXPECT_TRUE(ole_variant(0.5).to_bool());
  EXPECT_FALSE(ole_variant::from_string("0.4", VT_DECIMAL).to_bool());  // to_long is 0
  EXPECT_THROW(ole_variant(CY{1}).to_bool(), tk_mail_assertion);
  EXPECT_THROW(ole_variant("x").to_bool(), tk_mail_assertion);
}

TEST(OleVariantChangeType, SixtyFourBitSources) {
  ole_variant v(-5LL);
  v.change_type(VT_I4);
  EXPECT_EQ(v.vartype(), VT_I4);
  EXPECT_EQ(v.to_string(), "-5");
  // A value the narrower column cannot hold fails instead of losing bits.
  ole_variant big(5000000000LL);
  EXPECT_THROW(big.change_type(VT_I4), ole_type_exception);
  EXPECT_EQ(big.vartype(), VT_I8);
  ole_variant neg(-1LL);
  EXPECT_THROW(neg.change_type(VT_UI2), ole_type_exception);
  ole_variant u(4000000000ULL);
  u.change_type(VT_UI4);
  EXPECT_EQ(u.vartype(), VT_UI4);
  EXPECT_EQ(u.to_string(), "4000000000");
  ole_variant d(9007199254740993LL);
  d.change_type(VT_DECIMAL);
  EXPECT_EQ(d.to_string(), "9007199254740993");
  ole_variant huge(INT64_MAX);
  huge.change_type(VT_DECIMAL);  // exact, not through currency
  EXPECT_EQ(huge.to_string(), "9223372036854775807");
  ole_variant cy(-12LL);
  cy.change_type(VT_CY);
  EXPECT_EQ(cy.to_string(), "-12");
  ole_variant cy_big(INT64_MAX);
  EXPECT_THROW(cy_big.change_type(VT_CY), ole_type_exception);
  ole_variant text(-9223372036854775807LL - 1);
  text.change_type(VT_BSTR);
  EXPECT_EQ(text.to_wstring(), u"-9223372036854775808");
  ole_variant r8(1LL << 53);
  r8.change_type(VT_R8);
  EXPECT_EQ(r8.to_string(), "9007199254740992");
  ole_variant bad(1LL);
  EXPECT_THROW(bad.change_type(VT_DATE), ole_type_exception);
}

TEST(OleVariantChangeType, SixtyFourBitTargets) {
  struct {
    ole_variant v;
    VARTYPE type;
    const char* text;
  } cases[] = {
      {ole_variant(short{-3}), VT_I8, "-3"},
      {ole_variant(true), VT_I8, "-1"},
      {ole_variant(4294967295u), VT_I8, "4294967295"},
      // Rounded half away from zero, as Oracle rounds.
      {ole_variant(-2.9), VT_I8, "-3"},
      {ole_variant(2.7), VT_I8, "3"},
      {ole_variant(-2.5f), VT_I8, "-3"},
      {ole_variant(1e15), VT_UI8, "1000000000000000"},
      {ole_variant(CY{15000}), VT_I8, "2"},
      {ole_variant(CY{14999}), VT_I8, "1"},
      {ole_variant(CY{-15000}), VT_I8, "-2"},
      {ole_variant(CY{-14999}), VT_I8, "-1"},
      {ole_variant::from_string("2.5", VT_DECIMAL), VT_I8, "3"},
  };
  for (auto& c : cases) {
    c.v.change_type(c.type);
    EXPECT_EQ(c.v.vartype(), c.type);
    EXPECT_EQ(c.v.to_string(), c.text);
  }
  ole_variant nan(std::nan(""));
  EXPECT_THROW(nan.change_type(VT_I8), ole_type_exception);
  ole_variant too_big(1e19);
  EXPECT_THROW(too_big.change_type(VT_I8), ole_type_exception);
  ole_variant text("12");
  EXPECT_THROW(text.change_type(VT_I8), ole_type_exception);
  ole_variant dec = ole_variant::from_string("1e20", VT_DECIMAL);
  EXPECT_THROW(dec.change_type(VT_I8), ole_type_exception);
}

TEST(OleVariantChangeType, BinaryTargets) {
  ole_variant i2(short{0x0102});
  i2.change_type(VT_BLOB);
  EXPECT_EQ(i2.vartype(), kBytes);
  EXPECT_EQ(i2.to_string(), "0x0201");
  ole_variant r8(1.0);
  r8.change_type(kBytes);
  EXPECT_EQ(r8.to_string(), "0x000000000000F03F");
  ole_variant s(std::u16string(u"AB"));
  s.change_type(kBytes);
  EXPECT_EQ(s.to_string(), "0x41004200");
  ole_variant i8(1LL);
  // 64-bit sources have no binary form.
  EXPECT_THROW(i8.change_type(VT_BLOB), ole_type_exception);
  EXPECT_EQ(i8.vartype(), VT_I8);
  ole_variant date = ole_variant::from_string("2009-12-31", VT_DATE);
  date.change_type(VT_BLOB);
  const uint8_t* bytes;
  ASSERT_EQ(date.get_bytes(&bytes), 16u);
  EXPECT_EQ(bytes[0] | bytes[1] << 8, 2009);
  ole_variant blob = ole_variant::from_string("0x0102", kBytes);
  blob.change_type(VT_BLOB);
  EXPECT_EQ(blob.vartype(), kBytes);
}

TEST(OleVariantChangeType, Dates) {
  ole_variant d = ole_variant::from_string("2009-12-31 23:59:59", VT_DATE);
  ole_variant t(d);
  t.change_type(VT_BSTR);
  EXPECT_EQ(t.to_wstring(), u"2009-12-31 23:59:59");
  EXPECT_THROW(ole_variant(d).change_type(VT_R8), ole_type_exception);

  ole_variant s(std::u16string(u"2010-11-24 08:56:44"));
  s.change_type(VT_DATE);
  EXPECT_EQ(s.vartype(), VT_DATE);
  EXPECT_EQ(s.to_string(), "2010-11-24 08:56:44");
  ole_variant short_date(std::u16string(u"2010-11-24"));
  EXPECT_THROW(short_date.change_type(VT_DATE), ole_type_exception);
  EXPECT_THROW(ole_variant(5).change_type(VT_DATE), ole_type_exception);
  ole_variant junk(std::u16string(u"xxxxxxxxxxxxxxxxxxx"));
  junk.change_type(VT_DATE);
  EXPECT_EQ(junk.vartype(), VT_EMPTY);
}

TEST(OleVariantChangeType, SystemConversions) {
  struct {
    ole_variant v;
    VARTYPE type;
    const char* text;
  } cases[] = {
      {ole_variant(5), VT_R8, "5"},
      {ole_variant(true), VT_I1, "-1"},
      {ole_variant(CY{-15000}), VT_R8, "-1.5"},
      {ole_variant(CY{123456789}), VT_DECIMAL, "12345.6789"},
      // Into an integer: rounded once, half away from zero, as Oracle does.
      {ole_variant::from_string("12.5", VT_DECIMAL), VT_I4, "13"},
      {ole_variant::from_string("-12.5", VT_DECIMAL), VT_I4, "-13"},
      {ole_variant::from_string("2.49999", VT_DECIMAL), VT_I4, "2"},
      {ole_variant(2.7), VT_I4, "3"},
      {ole_variant(-2.7), VT_I4, "-3"},
      {ole_variant(2.5f), VT_I2, "3"},
      {ole_variant(CY{-27000}), VT_I4, "-3"},
      {ole_variant(CY{27000}), VT_I4, "3"},
      {ole_variant(CY{-25000}), VT_I8, "-3"},
      {ole_variant(-2.7), VT_I8, "-3"},
      {ole_variant::from_string("2.49999", VT_DECIMAL), VT_I8, "2"},
      {ole_variant::from_string("-2.5", VT_DECIMAL), VT_I8, "-3"},
      // Above the range of currency, within 64 bits.
      {ole_variant::from_string("922337203685477.5807", VT_DECIMAL), VT_I8, "922337203685478"},
      {ole_variant::from_string("9223372036854775807", VT_DECIMAL), VT_I8, "9223372036854775807"},
      {ole_variant::from_string("-9223372036854775808", VT_DECIMAL), VT_I8,
       "-9223372036854775808"},
      {ole_variant::from_string("12345678901234567.4", VT_DECIMAL), VT_I8, "12345678901234567"},
      {ole_variant::from_string("13.5", VT_DECIMAL), VT_I2, "14"},
      {ole_variant::from_string("-0.00001", VT_DECIMAL), VT_R8, "-1e-05"},
      // A real widens to the double of its own digits, not of its binary noise.
      {ole_variant(0.1f), VT_R8, "0.1"},
      {ole_variant(0.15f), VT_R8, "0.15"},
      {ole_variant(16777216.0f), VT_R8, "16777216"},
      {ole_variant(3.4028235e38f), VT_R8, "3.4028235e+38"},
      {ole_variant(1.5), VT_BSTR, "1.5"},
      {ole_variant(std::string(" 42 ")), VT_I4, "42"},
      {ole_variant(std::string("1,234.5")), VT_DECIMAL, "1234.5"},
      {ole_variant(std::string("3.5")), VT_I1, "4"},
      {ole_variant(-7), VT_DECIMAL, "-7"},
      {ole_variant(short{1}), VT_EMPTY, ""},
  };
  for (auto& c : cases) {
    c.v.change_type(c.type);
    EXPECT_EQ(c.v.vartype(), c.type) << c.text;
    EXPECT_EQ(c.v.to_string(), c.text);
  }
  ole_variant over = ole_variant::from_string("3000000000", VT_DECIMAL);
  EXPECT_THROW(over.change_type(VT_I4), ole_type_exception);
  EXPECT_EQ(over.to_string(), "3000000000");  // unchanged after the failure
  ole_variant beyond = ole_variant::from_string("9223372036854775808", VT_DECIMAL);
  EXPECT_THROW(beyond.change_type(VT_I8), ole_type_exception);
  ole_variant word(std::string("abc"));
  EXPECT_THROW(word.change_type(VT_R8), ole_type_exception);
  EXPECT_EQ(word.to_string(), "abc");
  ole_variant bytes = ole_variant::from_string("0x4142", kBytes);
  bytes.change_type(VT_BSTR);
  EXPECT_EQ(SysStringByteLen(bytes.variant().bstrVal), 2u);
  ole_variant nothing;
  nothing.change_type(VT_I4);
  EXPECT_EQ(nothing.vartype(), VT_EMPTY);
}
