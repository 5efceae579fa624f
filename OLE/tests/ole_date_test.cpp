#include "OLE/ole_date.h"

#include <gtest/gtest.h>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"

namespace {

std::string canon(const char* text) {
  return ole_date(text).to_string();
}

}  // namespace

TEST(OleDate, ParsesEveryForm) {
  struct {
    const char* in;
    const char* out;
    int kind;
  } cases[] = {
      // compact timestamps
      {"20091231235959", "2009-12-31 23:59:59", ole_date::date_time},
      {"20091231", "2009-12-31", ole_date::date_only},
      {"20091231000000", "2009-12-31", ole_date::date_time},
      // pure times with fractional seconds
      {"10:20:30.5", "0000-00-00 10:20:31", ole_date::time_only},
      {"23:59:59.7", "0000-00-00 00:00:00", ole_date::time_only},
      {"24:00:00", "0000-00-00 00:00:00", ole_date::time_only},
      {"10:20:30.499", "0000-00-00 10:20:30", ole_date::time_only},
      // the system reader
      {"2009-12-31", "2009-12-31", ole_date::date_only},
      {"2009-12-31 23:59:59", "2009-12-31 23:59:59", ole_date::date_time},
      {"12/31/2009", "2009-12-31", ole_date::date_only},
      {"Dec 31 2009 11:59", "2009-12-31 11:59:00", ole_date::date_time},
      {"2 January, 1970", "1970-01-02", ole_date::date_only},
      {"2000-02-29 12:00:00", "2000-02-29 12:00:00", ole_date::date_time},
      {"  2009-12-31  ", "2009-12-31", ole_date::date_only},
      {"2009-12-31T10:00:00", "2009-12-31 10:00:00", ole_date::date_time},
      {"2009-13-01", "2009-01-13", ole_date::date_only},
      {"12/31/29", "2029-12-31", ole_date::date_only},
      {"1/1/50 10:00:00", "1950-01-01 10:00:00", ole_date::date_time},
      {"2/29/2000", "2000-02-29", ole_date::date_only},
      // the explicit formats, fractional seconds among them
      {"2009-12-31 14:05:06.250", "2009-12-31 14:05:06", ole_date::date_time},
      {"2009/12/31 14:05:06.5", "2009-12-31 14:05:06", ole_date::date_time},
      {"2009.12.31 14:05:06", "2009-12-31 14:05:06", ole_date::date_time},
      {"2013-05-14 02:04:12.017000000", "2013-05-14 02:04:12", ole_date::date_time},
      {"2009.12.31", "2009-12-31", ole_date::date_only},
      // time of day written as 12-hour
      {"2009-12-31 02:30:00 PM", "2009-12-31 14:30:00", ole_date::date_time},
      {"2009-12-31 12:30:00 PM", "2009-12-31 12:30:00", ole_date::date_time},
      {"2009-12-31 02:30:00 am", "2009-12-31 02:30:00", ole_date::date_time},
      {"2009-12-31 02:30:00.4 pm", "2009-12-31 14:30:00", ole_date::date_time},
      // 12 AM is midnight, in every form the source writes
      {"Jan  1 2000 12:00AM", "2000-01-01", ole_date::date_time},
      {"2009-12-31 12:30:00 AM", "2009-12-31 00:30:00", ole_date::date_time},
      {"2009-12-31 12:30 am", "2009-12-31 00:30:00", ole_date::date_time},
  };
  for (const auto& c : cases) {
    ole_date d(c.in);
    EXPECT_TRUE(d.is_valid()) << c.in;
    EXPECT_EQ(d.to_string(), c.out) << c.in;
    EXPECT_EQ(d.kind(), c.kind) << c.in;
  }
}

TEST(OleDate, RepairsDayMonthYearOrder) {
  // Accepted by the system reader as day/month/year.
  EXPECT_EQ(canon("31-12-2009 14:05:06"), "2009-12-31 14:05:06");
  // With fractional seconds only the explicit format reads it: year 31, day
  // 2009, swapped afterwards.
  EXPECT_EQ(canon("31-12-2009 14:05:06.5"), "2009-12-31 14:05:06");
  EXPECT_EQ(canon("31.12.2009 14:05:06.000"), "2009-12-31 14:05:06");
}

TEST(OleDate, DateAndTimeDropsItsFractionOfASecond) {
  // Rounding up would change the day, the month, even the year (9999 would
  // become 10000 and the row be lost): the fraction is dropped instead.
  EXPECT_EQ(canon("2020-12-31 23:59:59.997"), "2020-12-31 23:59:59");
  EXPECT_EQ(canon("9999-12-31 23:59:59.997"), "9999-12-31 23:59:59");
  EXPECT_EQ(canon("2009-02-28 23:59:59.5"), "2009-02-28 23:59:59");
  EXPECT_EQ(canon("2008-02-29 23:59:59.5"), "2008-02-29 23:59:59");
  EXPECT_EQ(canon("31-12-2009 23:59:59.997"), "2009-12-31 23:59:59");
  EXPECT_EQ(canon("2009-12-31 23:59:58.997"), "2009-12-31 23:59:58");
  EXPECT_EQ(canon("2009/12/31 23:59:59.9999999"), "2009-12-31 23:59:59");
  EXPECT_EQ(canon("Dec 31 2020 11:59:59.997PM"), "2020-12-31 23:59:59");
  // 24:00:00 is midnight of the next day.
  EXPECT_EQ(canon("2009-12-31 24:00:00"), "2010-01-01");
  EXPECT_EQ(canon("2009-12-31 23:60:00"), "2010-01-01");
  EXPECT_EQ(canon("1999-12-31 25:00:00"), "2000-01-01 01:00:00");
  // A time of day alone wraps.
  EXPECT_EQ(canon("23:59:59.997"), "0000-00-00 00:00:00");
}

TEST(OleDate, RejectsWhatIsNoDate) {
  const char* texts[] = {"2009",     "1:2",      "",
                         "    ",     "abcdefgh", "20091331",
                         "61:00:00", "10:61:00", "2009-12-31 10:20:1e300",
                         "12:30:-1", "PM 2009"};
  for (const char* t : texts) {
    ole_date d(t);
    EXPECT_FALSE(d.is_valid()) << t;
    EXPECT_EQ(d.to_string(), "") << t;
  }
}

TEST(OleDate, ValidityRules) {
  SYSTEMTIME st{};
  st.wYear = 2009;
  st.wMonth = 13;
  st.wDay = 1;
  EXPECT_FALSE(ole_date(st).is_valid());  // month 13
  st.wMonth = 12;
  st.wDay = 2009;
  st.wYear = 31;  // year 31 with day 2009 passes: the parser swaps them
  EXPECT_TRUE(ole_date(st).is_valid());
  st.wYear = 32;
  EXPECT_FALSE(ole_date(st).is_valid());
  SYSTEMTIME t{};
  t.wHour = 60;
  t.wMinute = 60;
  t.wSecond = 60;
  EXPECT_TRUE(ole_date(t).is_valid());
  t.wSecond = 61;
  EXPECT_FALSE(ole_date(t).is_valid());
  EXPECT_FALSE(ole_date().is_valid());
}

TEST(OleDate, KindsAndTexts) {
  SYSTEMTIME st{2010, 11, 0, 24, 8, 56, 44, 0};
  ole_date full(st);
  EXPECT_EQ(full.kind(), ole_date::date_time);
  EXPECT_EQ(full.to_wstring(), u"2010-11-24 08:56:44");
  SYSTEMTIME day{2010, 11, 0, 24, 0, 0, 0, 0};
  EXPECT_EQ(ole_date(day).kind(), ole_date::date_only);
  SYSTEMTIME time{0, 0, 0, 0, 8, 56, 44, 0};
  EXPECT_EQ(ole_date(time).kind(), ole_date::time_only);
  EXPECT_EQ(ole_date(time).to_string(), "0000-00-00 08:56:44");
  SYSTEMTIME year5{12345, 1, 0, 2, 0, 0, 0, 0};
  EXPECT_EQ(ole_date(year5).to_string(), "12345-01-02");
  SYSTEMTIME widest{65535, 65535, 0, 65535, 65535, 65535, 65535, 0};
  EXPECT_EQ(ole_variant(widest).to_string(), "65535-65535-65535 65535:65535:65535");
}

TEST(OleDate, FromVariant) {
  VARIANT v{};
  v.vt = VT_DATE;
  v.date = 40178.5;
  ole_date d(v);
  EXPECT_EQ(d.to_string(), "2009-12-31 12:00:00");
  v.date = 1e9;
  EXPECT_FALSE(ole_date(v).is_valid());
  v.vt = VT_NULL;
  EXPECT_FALSE(ole_date(v).is_valid());
  v.vt = VT_I4;
  EXPECT_THROW(ole_date{v}, tk_mail_assertion);
  EXPECT_THROW(ole_date().process_milliseconds(nullptr), tk_mail_assertion);
}

TEST(OleDate, ToVariantKeepsTheCalendar) {
  ole_variant v = ole_date("2009-12-31 23:59:59").to_variant();
  EXPECT_EQ(v.vartype(), VT_DATE);
  EXPECT_NEAR(v.variant().date, 40178.0 + 86399.0 / 86400, 1e-9);
  EXPECT_EQ(v.to_string(), "2009-12-31 23:59:59");
  EXPECT_EQ(ole_date(std::u16string(u"20091231")).to_string(), "2009-12-31");
}
