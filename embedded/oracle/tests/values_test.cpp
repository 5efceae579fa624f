// Numbers, dates, names and ROWIDs: the pieces every statement leans on.
#include <gtest/gtest.h>

#include <functional>

#include "embedded/oracle/column_type.h"
#include "embedded/oracle/date_format.h"
#include "embedded/oracle/decimal.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"
#include "embedded/oracle/tokenizer.h"

namespace tsl::eora {
namespace {

decimal d(const char* text) {
  return decimal::parse(text).value();
}

int code_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const oracle_error& e) {
    return e.code();
  }
  return 0;
}

TEST(decimal_numbers, ParseAndPrintInOraclesForm) {
  EXPECT_EQ(d("0.5").to_string(), ".5");
  EXPECT_EQ(d("-0.50").to_string(), "-.5");
  EXPECT_EQ(d(" 12 ").to_string(), "12");
  EXPECT_EQ(d("1.0E28").to_string(), "10000000000000000000000000000");
  EXPECT_EQ(d("1e-3").to_string(), ".001");
  EXPECT_EQ(d("-0").to_string(), "0");
  EXPECT_EQ(d("123456789012345678901234567890.12345678").to_string(),
            "123456789012345678901234567890.12345678");
  EXPECT_EQ(d("1e50").to_string(), "1E+50");
  EXPECT_EQ(d("-1.5e-60").to_string(), "-1.5E-60");
  for (const char* bad : {"", "-", ".", "1e", "1e+", "abc", "1.2.3", "1 2", "0x10", "+-1"})
    EXPECT_FALSE(decimal::parse(bad).has_value()) << bad;
}

TEST(decimal_numbers, RoundingHalfAwayFromZero) {
  EXPECT_EQ(d("2.5").round(0).to_string(), "3");
  EXPECT_EQ(d("-2.5").round(0).to_string(), "-3");
  EXPECT_EQ(d("2.449").round(1).to_string(), "2.4");
  EXPECT_EQ(d("999.995").round(2).to_string(), "1000");
  EXPECT_EQ(d("1250").round(-2).to_string(), "1300");
  EXPECT_EQ(d("0.0004").round(3).to_string(), "0");
  EXPECT_EQ(d("12345678901234567890123456789012345678901").round_significant(38).to_string(),
            "1.2345678901234567890123456789012345679E+40");
  EXPECT_EQ(d("-7.9").truncate().to_string(), "-7");
}

TEST(decimal_numbers, ArithmeticAndOrder) {
  EXPECT_EQ((d("0.1") + d("0.2")).to_string(), ".3");
  EXPECT_EQ((d("1") - d("1.0001")).to_string(), "-.0001");
  EXPECT_EQ((d("-12.5") * d("4")).to_string(), "-50");
  EXPECT_EQ((d("1") / d("3")).to_string(), ".3333333333333333333333333333333333333333");
  EXPECT_EQ((d("10") / d("4")).to_string(), "2.5");
  EXPECT_LT(compare(d("-2"), d("-1")), 0);
  EXPECT_LT(compare(d("0"), d("0.001")), 0);
  EXPECT_GT(compare(d("10"), d("9.99")), 0);
  EXPECT_EQ(compare(d("1.50"), d("1.5")), 0);
  EXPECT_EQ(d("9223372036854775807").to_int64(), INT64_MAX);
  EXPECT_EQ(d("1e30").to_int64(), INT64_MAX);
  EXPECT_EQ(d("-42.9").to_int64(), -42);
}

TEST(dates, ParseByPictureAndFormat) {
  date_time t = parse_date("2010-11-24 08:05:09", "YYYY-MM-DD HH24:MI:SS");
  EXPECT_EQ(format_date(t, "YYYY-MM-DD HH24:MI:SS"), "2010-11-24 08:05:09");
  EXPECT_EQ(format_date(t, "DD-MON-RR"), "24-NOV-10");
  EXPECT_EQ(format_date(parse_date("24-nov-10", "DD-MON-RR"), "YYYY-MM-DD"), "2010-11-24");
  EXPECT_EQ(format_date(parse_date("24-nov-99", "DD-MON-RR"), "YYYY"), "1999");
  EXPECT_EQ(format_date(parse_date("2010/11/24", "YYYY-MM-DD"), "YYYY-MM-DD"), "2010-11-24");
  EXPECT_EQ(format_date(parse_date("03:04:05 PM", "HH:MI:SS AM"), "HH24:MI:SS"), "15:04:05");
  EXPECT_EQ(parse_date("2000-02-29", "YYYY-MM-DD").day, 29);
  EXPECT_EQ(code_of([] { parse_date("1900-02-29", "YYYY-MM-DD"); }), 1847);
  EXPECT_EQ(code_of([] { parse_date("2010-11-24", "YYYY-QQ-DD"); }), 1821);
  EXPECT_EQ(code_of([] { parse_date("2010-11-24 12:60:00", "YYYY-MM-DD HH24:MI:SS"); }), 1851);
  EXPECT_EQ(code_of([] { parse_date("2010-11-24 12:00:61", "YYYY-MM-DD HH24:MI:SS"); }), 1852);
  EXPECT_EQ(code_of([] { parse_date("0000-01-01", "YYYY-MM-DD"); }), 1841);
}

TEST(tokens, NamesStringsAndSymbols) {
  auto t = tokenize("select \"Mixed\", abc$1, 'it''s', 1.5e3, :new.x || y -- c\n/* d */ from dual");
  std::vector<std::string> texts;
  for (const token& k : t) texts.push_back(k.text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"SELECT", "Mixed", ",", "ABC$1", ",", "it's", ",", "1.5e3",
                                      ",", "NEW", ".", "X", "||", "Y", "FROM", "DUAL", ""}));
  EXPECT_EQ(t[1].kind, token_kind::quoted_name);
  EXPECT_EQ(t[9].kind, token_kind::bind);
  EXPECT_EQ(code_of([] { tokenize("select 'open"); }), 1756);
  EXPECT_EQ(code_of([] { tokenize("select \"open"); }), 1740);
  EXPECT_EQ(code_of([] { tokenize("select a ? b"); }), 911);
  EXPECT_EQ(code_of([] { tokenize("select abcdefghijabcdefghijabcdefghijk from t"); }), 972);
  EXPECT_EQ(code_of([] { tokenize("select abcdefghijabcdefghijabcdefghijk from t", 128); }), 0);
  EXPECT_TRUE(is_reserved("ORDER"));
  EXPECT_FALSE(is_reserved("ORDERS"));
}

TEST(column_types, StoredValuesFollowTheType) {
  column_type ch{type_code::char_, 4};
  EXPECT_EQ(coerce_to_column(value::text("ab"), ch, "C").str, "ab  ");
  column_type n{type_code::number, 0, false, 5, 2};
  EXPECT_EQ(coerce_to_column(value::text(" 1.005 "), n, "C").num.to_string(), "1.01");
  column_type fl{type_code::float_, 0, false, 1};
  EXPECT_EQ(coerce_to_column(value::number(d("123")), fl, "C").num.to_string(), "100");
  column_type txt{type_code::varchar2, 10};
  EXPECT_EQ(coerce_to_column(value::number(d("0.25")), txt, "C").str, ".25");
  EXPECT_EQ(code_of([&] { coerce_to_column(value::of_date(date_time{}), n, "C"); }), 932);
  EXPECT_EQ(column_type({type_code::varchar2, 10, true}).data_length(), 40);
  EXPECT_EQ(column_type({type_code::varchar2, 2000, true}).data_length(), 4000);
  EXPECT_EQ(column_type({type_code::nchar, 10}).data_length(), 20);
  EXPECT_EQ(column_type({type_code::number, 0, false, 10, 2}).to_sql(), "NUMBER(10,2)");
  EXPECT_EQ(column_type({type_code::number, 0, false, -1, 0}).to_sql(), "NUMBER(*,0)");
}

TEST(rowids, RoundTripAndRefuseNonsense) {
  std::string r = session::rowid_text(70001, 123456789);
  EXPECT_EQ(r.size(), 18u);
  int64_t object = 0, row = 0;
  session::parse_rowid(r, object, row);
  EXPECT_EQ(object, 70001);
  EXPECT_EQ(row, 123456789);
  for (const char* bad : {"", "AAAR", "AAARFxAAEAAAAB4AA!", "AAARFxAAAAAAAB4AAA"})
    EXPECT_EQ(code_of([&] { session::parse_rowid(bad, object, row); }), 1410) << bad;
}

}  // namespace
}  // namespace tsl::eora
