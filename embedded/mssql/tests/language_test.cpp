// The pieces under the statements: tokens, batches, stored default texts,
// exact decimals and date texts.
#include <gtest/gtest.h>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/lexer.h"
#include "embedded/mssql/parser.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {
namespace {

TEST(lexer_test, QuotesBracketsCommentsAndBinaries) {
  auto t = tokenize(
      "SELECT [a]]b], \"q\"\"x\", N'', 'it''s', 0x123, 1.5e3 /* a /* nested */ c */ -- "
      "x\n@@version");
  ASSERT_EQ(t.size(), 14u);  // with the end mark
  EXPECT_EQ(t[1].kind, tok::quoted_ident);
  EXPECT_EQ(t[1].text, "a]b");
  EXPECT_EQ(t[3].text, "q\"x");
  EXPECT_EQ(t[5].kind, tok::nstring);
  EXPECT_EQ(t[5].text, "");
  EXPECT_EQ(t[7].text, "it's");
  EXPECT_EQ(t[9].kind, tok::binary);
  EXPECT_EQ(t[9].text, std::string("\x01\x23", 2));
  EXPECT_TRUE(t[11].is_float);
  EXPECT_EQ(t[12].kind, tok::variable);
}

TEST(lexer_test, UnclosedPiecesAreServerErrors) {
  for (const char* bad : {"SELECT 'abc", "SELECT [abc", "SELECT \"abc", "/* open", "SELECT N'"}) {
    try {
      tokenize(bad);
      ADD_FAILURE() << bad;
    } catch (const sql_error& e) {
      EXPECT_TRUE(e.number() == 105 || e.number() == 113) << bad;
    }
  }
  EXPECT_THROW(tokenize("SELECT `x`"), sql_error);
}

TEST(lexer_test, BatchesSplitAtGoLinesOnly) {
  auto b = split_batches("SELECT 1\nGO\n  go  \nSELECT 'GO'\nGOTO_label\nGO 3\nSELECT 2\nGO");
  ASSERT_EQ(b.size(), 5u);  // GO 3 runs its batch three times
  EXPECT_EQ(b[0], "SELECT 1\n");
  EXPECT_EQ(b[1], "SELECT 'GO'\nGOTO_label\n");
  EXPECT_EQ(b[3], b[1]);
  EXPECT_EQ(b[4], "SELECT 2\n");
  EXPECT_TRUE(split_batches("\n\nGO\n\n").empty());
  EXPECT_TRUE(split_batches("SELECT 1\nGO 0\n").empty());

  auto s = split_script("\nSELECT 1\nGO\n\nSELECT 2\n  SELECT 3\nGO 2\n");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].first_line, 1);
  EXPECT_EQ(s[1].first_line, 4);
  EXPECT_EQ(s[1].repeat, 2);
  EXPECT_EQ(line_of(s[1].text, s[1].text.find("SELECT 3")), 3);

  // GO inside a block comment belongs to the comment; comment marks inside
  // strings, names and line comments open nothing.
  auto c = split_batches(
      "/* header\nGO\n/* nested */\nGO\n*/ SELECT 1\nGO\n"
      "SELECT '/*', [a/*b], \"/*\" -- /* not a comment\nGO\nSELECT 2\r\nGO\r\n");
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0], "/* header\nGO\n/* nested */\nGO\n*/ SELECT 1\n");
  EXPECT_EQ(c[2], "SELECT 2\r\n");  // CRs stay: strings may span lines
}

std::string stored(const std::string& default_expr) {
  auto st = parse_batch("CREATE TABLE t (c int DEFAULT " + default_expr + ")");
  return *std::get<create_table_stmt>(st[0]).columns[0].default_text;
}

TEST(parser_test, DefaultsAreKeptAsTheServerStoresThem) {
  EXPECT_EQ(stored("0"), "((0))");
  EXPECT_EQ(stored("(0)"), "((0))");
  EXPECT_EQ(stored("((0))"), "((0))");
  EXPECT_EQ(stored("-1"), "((-1))");
  EXPECT_EQ(stored("1.5"), "((1.5))");
  EXPECT_EQ(stored("'abc'"), "('abc')");
  EXPECT_EQ(stored("N'abc'"), "(N'abc')");
  EXPECT_EQ(stored("''"), "('')");
  EXPECT_EQ(stored("'it''s'"), "('it''s')");
  EXPECT_EQ(stored("getdate()"), "(getdate())");
  EXPECT_EQ(stored("GETDATE()"), "(getdate())");
  EXPECT_EQ(stored("newid()"), "(newid())");
  EXPECT_EQ(stored("'2001-01-01'"), "('2001-01-01')");
}

TEST(parser_test, ErrorsNameWhereParsingStopped) {
  auto message = [](const std::string& sql) {
    try {
      parse_batch(sql);
    } catch (const sql_error& e) {
      return std::string(e.what());
    }
    return std::string("ok");
  };
  EXPECT_EQ(message("SELECT * FROM"), "Incorrect syntax near 'FROM'.");
  EXPECT_EQ(message("INSERT INTO t VALUES (1,"), "Incorrect syntax near ','.");
  EXPECT_EQ(message("CREATE TABLE t (a int) x"), "Incorrect syntax near 'x'.");
  EXPECT_EQ(message("SELECT a FROM t WHERE"), "Incorrect syntax near 'WHERE'.");
  EXPECT_EQ(message("CREATE TABLE t (a decimal(39,2))").rfind("Column or parameter #1", 0), 0u);
  EXPECT_NE(message("CREATE TABLE t (a varchar(8001))").find("exceeds the maximum"),
            std::string::npos);
  EXPECT_EQ(message("SELECT 1; SELECT 2"), "ok");
}

TEST(decimal_test, ParsesExactlyAndRoundsHalfAwayFromZero) {
  auto d = parse_decimal("12345678901234567890123456789012345678");
  ASSERT_TRUE(d);
  EXPECT_EQ(format_decimal(*d), "12345678901234567890123456789012345678");
  EXPECT_FALSE(parse_decimal("123456789012345678901234567890123456789"));
  EXPECT_FALSE(parse_decimal("1.2.3"));
  EXPECT_FALSE(parse_decimal(""));
  EXPECT_FALSE(parse_decimal("-"));
  EXPECT_FALSE(parse_decimal("1e"));
  EXPECT_EQ(format_decimal(*parse_decimal("1e3")), "1000");
  EXPECT_EQ(format_decimal(*parse_decimal(".5")), "0.5");
  EXPECT_EQ(format_decimal(*parse_decimal("-0.00")), "0.00");
  auto fit = [](const char* text, int p, int s) {
    auto v = parse_decimal(text);
    if (!v || !fit_decimal(*v, static_cast<uint8_t>(p), static_cast<uint8_t>(s)))
      return std::string("overflow");
    return format_decimal(*v);
  };
  EXPECT_EQ(fit("0.005", 5, 2), "0.01");
  EXPECT_EQ(fit("-0.005", 5, 2), "-0.01");
  EXPECT_EQ(fit("-0.004", 5, 2), "0.00");
  EXPECT_EQ(fit("999.995", 5, 2), "overflow");
  EXPECT_EQ(fit("999.994", 5, 2), "999.99");
  EXPECT_EQ(fit("1e-50", 38, 10), "0.0000000000");
  EXPECT_EQ(fit("12", 38, 36), "12.000000000000000000000000000000000000");
  EXPECT_EQ(fit("123", 38, 36), "overflow");
}

std::string as(const char* text, type_id id, uint8_t scale = 0) {
  auto p = parse_datetime(text);
  if (!p) return "bad";
  sql_type t;
  t.id = id;
  t.scale = scale;
  auto s = store_datetime(*p, t);
  return s ? *s : "range";
}

TEST(datetime_test, ParsesTheUsualTextForms) {
  EXPECT_EQ(as("20010203", type_id::datetime), "2001-02-03 00:00:00.000");
  EXPECT_EQ(as("02/03/2001", type_id::datetime), "2001-02-03 00:00:00.000");
  EXPECT_EQ(as("2001-02-03T04:05:06.789", type_id::datetime), "2001-02-03 04:05:06.790");
  EXPECT_EQ(as("2001-02-03 4:05 PM", type_id::datetime), "2001-02-03 16:05:00.000");
  EXPECT_EQ(as("2001-02-03 12:00 AM", type_id::datetime), "2001-02-03 00:00:00.000");
  EXPECT_EQ(as("04:05:06", type_id::datetime), "1900-01-01 04:05:06.000");
  EXPECT_EQ(as("2000-02-29", type_id::date), "2000-02-29");
  EXPECT_EQ(as("1900-02-29", type_id::date), "bad");
  EXPECT_EQ(as("2001-13-01", type_id::date), "bad");
  EXPECT_EQ(as("2001-01-01 24:00", type_id::datetime), "bad");
  EXPECT_EQ(as("yesterday", type_id::datetime), "bad");
  EXPECT_EQ(as("2001-01-01 10:00 junk", type_id::datetime), "bad");
}

TEST(datetime_test, EachTypeRoundsAndChecksItsRange) {
  EXPECT_EQ(as("2001-12-31 23:59:59.9999999", type_id::datetime2, 0), "2002-01-01 00:00:00");
  EXPECT_EQ(as("2001-12-31 23:59:59.1234567", type_id::datetime2, 7),
            "2001-12-31 23:59:59.1234567");
  EXPECT_EQ(as("23:59:59.9996", type_id::time, 3), "00:00:00.000");
  EXPECT_EQ(as("2001-01-01 10:00 +05:30", type_id::datetimeoffset, 0),
            "2001-01-01 10:00:00 +05:30");
  EXPECT_EQ(as("2001-01-01 10:00", type_id::datetimeoffset, 2), "2001-01-01 10:00:00.00 +00:00");
  EXPECT_EQ(as("1753-01-01", type_id::datetime), "1753-01-01 00:00:00.000");
  EXPECT_EQ(as("1752-12-31 23:59:59", type_id::datetime), "range");
  EXPECT_EQ(as("9999-12-31 23:59:59.999", type_id::datetime), "range");
  EXPECT_EQ(as("2079-06-06 23:59", type_id::smalldatetime), "2079-06-06 23:59:00");
  EXPECT_EQ(as("2079-06-07", type_id::smalldatetime), "range");
  EXPECT_EQ(as("1899-12-31", type_id::smalldatetime), "range");
}

}  // namespace
}  // namespace tsl::mssql
