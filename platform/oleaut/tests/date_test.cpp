// Calendar times, OLE dates, their texts and the date reader.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>

#include "platform/oleaut/date_parse.h"
#include "platform/oleaut/date_time.h"

namespace {

SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  return t;
}

std::u16string date_text(DATE d, uint32_t flags = 0) {
  BSTR b = nullptr;
  if (FAILED(VarBstrFromDate(d, LCID_EN_US, flags, &b))) return u"<fail>";
  std::u16string s(b, SysStringLen(b));
  SysFreeString(b);
  return s;
}

int this_year() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

}  // namespace

TEST(SystemTimeToVariantTime, Table) {
  struct {
    SYSTEMTIME in;
    bool ok;
    double out;
  } cases[] = {
      {st(1980, 1, 1), true, 29221.0},   {st(1980, 1, 2), true, 29222.0},
      {st(1980, 1, 0), true, 29220.0},   {st(1980, 13, 1), false, 0},
      {st(1980, 1, 32), false, 0},       {st(10000, 1, 1), false, 0},
      {st(9999, 1, 1), true, 2958101.0}, {st(0, 1, 1), true, 36526.0},
      {st(29, 1, 1), true, 47119.0},     {st(49, 1, 1), true, 54424.0},
      {st(50, 1, 1), true, 18264.0},     {st(99, 12, 31), true, 36525.0},
      {st(1899, 12, 30), true, 0.0},     {st(1899, 12, 25, 6), true, -5.25},
      {st(2001, 2, 29), true, 36951.0},  // rolls into March 1st
      {st(2000, 2, 29), true, 36585.0},  {st(100, 1, 1), true, -657434.0},
      {st(2009, 12, 31, 24), false, 0},
  };
  for (const auto& c : cases) {
    DATE d = -1;
    EXPECT_EQ(SystemTimeToVariantTime(&c.in, &d), c.ok) << c.in.wYear << "-" << c.in.wMonth;
    if (c.ok) {
      EXPECT_NEAR(d, c.out, 1e-9) << c.in.wYear << "-" << c.in.wMonth;
    }
  }
  DATE d;
  SYSTEMTIME with_ms = st(1980, 1, 1, 18, 1, 16, 999);
  ASSERT_TRUE(SystemTimeToVariantTime(&with_ms, &d));
  EXPECT_NEAR(d, 29221.75087962963, 1e-9);
}

TEST(VariantTimeToSystemTime, RoundsToSecondsAndCarries) {
  struct {
    double in;
    int y, mo, d, h, mi, s;
  } cases[] = {
      {0.0, 1899, 12, 30, 0, 0, 0},
      {2.5, 1900, 1, 1, 12, 0, 0},
      {-5.25, 1899, 12, 25, 6, 0, 0},
      {-5.9999884259259, 1899, 12, 25, 23, 59, 59},
      {-4.0, 1899, 12, 26, 0, 0, 0},
      {-0.25, 1899, 12, 30, 6, 0, 0},
      {29221.7508765432, 1980, 1, 1, 18, 1, 16},
      {40178.99999999, 2010, 1, 1, 0, 0, 0},
      {-657434.0, 100, 1, 1, 0, 0, 0},
      {2958465.0, 9999, 12, 31, 0, 0, 0},
      {36585.0, 2000, 2, 29, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SYSTEMTIME t{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.in, &t)) << c.in;
    EXPECT_EQ(t.wYear, c.y) << c.in;
    EXPECT_EQ(t.wMonth, c.mo) << c.in;
    EXPECT_EQ(t.wDay, c.d) << c.in;
    EXPECT_EQ(t.wHour, c.h) << c.in;
    EXPECT_EQ(t.wMinute, c.mi) << c.in;
    EXPECT_EQ(t.wSecond, c.s) << c.in;
    EXPECT_EQ(t.wMilliseconds, 0);
  }
  SYSTEMTIME t;
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &t));
  EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &t));
  EXPECT_FALSE(VariantTimeToSystemTime(NAN, &t));
}

TEST(VarBstrFromDate, EnglishForms) {
  EXPECT_EQ(date_text(0.0), u"12:00:00 AM");
  EXPECT_EQ(date_text(3.34), u"1/2/1900 8:09:36 AM");
  EXPECT_EQ(date_text(3339.34), u"2/20/1909 8:09:36 AM");
  EXPECT_EQ(date_text(365.0), u"12/30/1900");
  EXPECT_EQ(date_text(365.25), u"12/30/1900 6:00:00 AM");
  EXPECT_EQ(date_text(1461.5), u"12/31/1903 12:00:00 PM");
  EXPECT_EQ(date_text(-49192.24), u"4/24/1765 5:45:36 AM");
  EXPECT_EQ(date_text(-657434.0), u"1/1/100");
  EXPECT_EQ(date_text(2958465.0), u"12/31/9999");
  EXPECT_EQ(date_text(25570.0, VARIANT_USE_NLS), u"1/2/1970 12:00:00 AM");
  EXPECT_EQ(date_text(3e6), u"<fail>");
}

TEST(VarDateFromStr, AcceptedForms) {
  struct {
    const char16_t* text;
    double out;
  } cases[] = {
      {u"2009-12-31", 40178.0},
      {u"2009-12-31 23:59:59", 40178.0 + 86399.0 / 86400},
      {u"2013-05-14 02:04:12", 41408.08625000001},
      {u"12/31/2009", 40178.0},
      {u"31/12/2009", 40178.0},
      {u"01/02/2009", 39815.0},
      {u"31-12-2009 14:05:06", 40178.586875},
      {u"Dec 31 2009 11:59PM", 40178.0 + 23.0 / 24 + 59.0 / 1440},
      {u"10:20:30", 0.4309027777777778},
      {u"2:30 PM", 14.5 / 24},
      {u"Dec 2009", 40148.0},
      {u"12 2009", 40148.0},
      {u"2009-12", 40148.0},
      {u"30 2", 47515.0},
      {u"2 30", 47515.0},
      {u"Jan 35", 49310.0},
      {u"35-Jan", 49310.0},
      {u"1 2 3", 37623.0},
      {u"2 January, 1970", 25570.0},
      {u"2-Jan-1970", 25570.0},
      {u"1/2/1970", 25570.0},
      {u"Friday, 2 January 1970", 25570.0},
      {u"13-1-1970", 25581.0},
      {u"1970-1-13", 25581.0},
      {u"6/30/2011 01:20:34 PM", 40724.55594907407},
      {u"1 am", 1.0 / 24},
      {u"00:00 pm", 0.5},
      {u"12:59 AM", 59.0 / 1440},
      {u"13:00 AM", 13.0 / 24},
      {u"0.1", 1.0 / 1440},
      {u"2.5", (2 * 60 + 5) / 1440.0},
      {u"12/31/29", 47483.0},
      {u"1/1/30", 47484.0},
      {u"1/1/50", 18264.0},
      {u"2/29/2000", 36585.0},
      {u"2009-12-31T23:59:59", 40178.0 + 86399.0 / 86400},
      {u"\u3000"
       u"2009-12-31\t",
       40178.0},
  };
  for (const auto& c : cases) {
    DATE d = -1;
    EXPECT_EQ(VarDateFromStr(c.text, LCID_EN_US, 0, &d), S_OK)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_NEAR(d, c.out, 1e-8);
  }
  DATE d;
  ASSERT_EQ(VarDateFromStr(u"Jan 2", LCID_EN_US, 0, &d), S_OK);
  SYSTEMTIME t;
  ASSERT_TRUE(VariantTimeToSystemTime(d, &t));
  EXPECT_EQ(t.wYear, this_year());
  EXPECT_EQ(t.wMonth, 1);
  EXPECT_EQ(t.wDay, 2);
}

TEST(VarDateFromStr, RejectedForms) {
  const char16_t* texts[] = {u"2009-12-31 23:59:59.000",
                             u"10:20:30.5",
                             u"20091231",
                             u"2009",
                             u"0",
                             u"1",
                             u"abc",
                             u"True",
                             u"",
                             u"2009.12.31",
                             u"32 49",
                             u"0 49",
                             u"2/30/2009",
                             u"2/29/2001",
                             u"24:00:00",
                             u"10:60",
                             u"1/2/3/4",
                             u"Jan Feb 2",
                             u"1:2:3:4",
                             u"99999999999999999999",
                             u"12/31/10000"};
  for (const char16_t* text : texts) {
    DATE d = 0;
    EXPECT_EQ(VarDateFromStr(text, LCID_EN_US, 0, &d), DISP_E_TYPEMISMATCH)
        << std::string(text, text + std::char_traits<char16_t>::length(text));
  }
  DATE d;
  EXPECT_EQ(VarDateFromStr(nullptr, LCID_EN_US, 0, &d), DISP_E_TYPEMISMATCH);
}
