// CONVERT with the styles scripts use, the binary form of datetime, and
// lengths counted as SQL Server counts them; each on literals (folded when
// the batch compiles) and on stored columns (converted by the storage).
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class conversion_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(
        "CREATE TABLE v (d datetime, sd smalldatetime, dd date, b varbinary(8), t varchar(30), "
        "n nvarchar(30))\n"
        "INSERT v VALUES ('2001-12-05 14:07:09.123', '2001-12-05 14:07', '2001-12-05', 0x1A2B, "
        "'05/12/2001', N'a' + NCHAR(0) + N'b')\n");
  }
};

TEST_F(conversion_test, DatesToTextInEachStyle) {
  const std::vector<std::pair<int, std::string>> styles = {{101, "12/05/2001"},
                                                           {1, "12/05/01"},
                                                           {103, "05/12/2001"},
                                                           {104, "05.12.2001"},
                                                           {105, "05-12-2001"},
                                                           {110, "12-05-2001"},
                                                           {111, "2001/12/05"},
                                                           {112, "20011205"},
                                                           {108, "14:07:09"},
                                                           {120, "2001-12-05 14:07:09"},
                                                           {121, "2001-12-05 14:07:09.123"},
                                                           {126, "2001-12-05T14:07:09.123"},
                                                           {100, "Dec  5 2001  2:07PM"},
                                                           {113, "05 Dec 2001 14:07:09:123"}};
  for (const auto& [style, text] : styles) {
    const std::string n = std::to_string(style);
    EXPECT_EQ(one("SELECT CONVERT(varchar(30), d, " + n + ") FROM v"), text) << style;
    EXPECT_EQ(
        one("SELECT CONVERT(varchar(30), CAST('2001-12-05 14:07:09.123' AS datetime), " + n + ")"),
        text)
        << style;
  }
  // Without a style datetime reads as style 0; the 2008 types as ISO text.
  EXPECT_EQ(one("SELECT CAST(d AS varchar(30)) FROM v"), "Dec  5 2001  2:07PM");
  EXPECT_EQ(one("SELECT CAST(dd AS varchar(30)) FROM v"), "2001-12-05");
  EXPECT_EQ(one("SELECT CONVERT(varchar(30), sd, 126) FROM v"), "2001-12-05T14:07:00");
  // A shorter target cuts the text: the common yyyy-mm-dd idiom.
  EXPECT_EQ(one("SELECT CONVERT(char(10), d, 120) FROM v"), "2001-12-05");
  EXPECT_EQ(error_of("SELECT CONVERT(varchar(30), d, 77) FROM v"), 281);
}

TEST_F(conversion_test, TextToDatesInEachStyle) {
  EXPECT_EQ(one("SELECT CONVERT(datetime, '25/12/2001', 103)"), "2001-12-25 00:00:00");
  EXPECT_EQ(one("SELECT CONVERT(datetime, '25.12.01 10:30', 4)"), "2001-12-25 10:30:00");
  EXPECT_EQ(one("SELECT CONVERT(date, '12/25/49', 1)"), "2049-12-25");
  EXPECT_EQ(one("SELECT CONVERT(date, '12/25/50', 1)"), "1950-12-25");
  EXPECT_EQ(one("SELECT CONVERT(datetime, '20011225', 112)"), "2001-12-25 00:00:00");
  EXPECT_EQ(one("SELECT CONVERT(datetime, '2001-12-25T10:11:12.123', 126)"),
            "2001-12-25 10:11:12.123000000");
  EXPECT_EQ(one("SELECT CONVERT(date, t, 103) FROM v"), "2001-12-05");
  EXPECT_EQ(error_of("SELECT CONVERT(date, '31/02/2001', 103)"), 241);
  // A stored text that does not convert fails with its own error, not the storage's.
  s_->run_script("UPDATE v SET t = '31/02/2001'");
  try {
    rows("SELECT CONVERT(date, t, 103) FROM v");
    ADD_FAILURE() << "converted";
  } catch (const sql_error& e) {
    EXPECT_EQ(e.number(), 241);
  }
  EXPECT_EQ(one("SELECT COUNT(*) FROM v"), "1");  // the session goes on
}

TEST_F(conversion_test, BinaryForms) {
  // datetime: days since 1900-01-01, then 1/300 s ticks; smalldatetime:
  // days, then minutes.
  EXPECT_EQ(one("SELECT CAST(0x0000901A00000000 AS DateTime)"), "2001-01-01 00:00:00");
  EXPECT_EQ(one("SELECT CAST(0x00009E4A00A1D2C4 AS datetime)"), "2010-12-12 09:49:10.840000000");
  EXPECT_EQ(one("SELECT CAST(0xFFFF2E4600000000 AS datetime)"), "1753-01-01 00:00:00");
  EXPECT_EQ(one("SELECT CAST(0x9E4A0102 AS smalldatetime)"), "2010-12-12 04:18:00");
  EXPECT_EQ(one("SELECT CAST(0x01 AS datetime)"), "1900-01-01 00:00:00.003000000");
  EXPECT_EQ(error_of("SELECT CAST(0x0000901A0000000000 AS datetime)"), 8115);
  EXPECT_EQ(error_of("SELECT CAST(0xFFFF2E4500000000 AS datetime)"), 8115);  // before 1753
  s_->run_script(
      "CREATE TABLE h (d datetime DEFAULT CAST(0x0000901A00000000 AS DateTime), n int)\n"
      "INSERT h (n) VALUES (1)\n");
  EXPECT_EQ(one("SELECT d FROM h"), "2001-01-01 00:00:00");

  EXPECT_EQ(one("SELECT CONVERT(varchar(20), b, 1) FROM v"), "0x1A2B");
  EXPECT_EQ(one("SELECT CONVERT(varchar(20), 0x1A2B, 2)"), "1A2B");
  EXPECT_EQ(one("SELECT CONVERT(varbinary(4), '0x1a2B', 1)"), "1A2B");
  EXPECT_EQ(one("SELECT CONVERT(varbinary(4), '1A2B', 2)"), "1A2B");
  EXPECT_EQ(one("SELECT CONVERT(varbinary(4), 'zz', 2)"), "<null>");
}

TEST_F(conversion_test, DatetimeMovesByDays) {
  EXPECT_EQ(rows("SELECT d + 1, d - 0.5, 2 + sd FROM v"),
            (std::vector<std::vector<std::string>>{{"2001-12-06 14:07:09.123000000",
                                                    "2001-12-05 02:07:09.123000000",
                                                    "2001-12-07 14:07:00"}}));
  s_->run_script("UPDATE v SET d = d + 30");
  EXPECT_EQ(one("SELECT d FROM v"), "2002-01-04 14:07:09.123000000");
  try {
    rows("SELECT CAST('9999-12-31' AS datetime) + 1");
    ADD_FAILURE() << "moved past 9999";
  } catch (const sql_error& e) {
    EXPECT_EQ(e.number(), 517);
  }
}

TEST_F(conversion_test, LengthsCountEveryCharacter) {
  EXPECT_EQ(rows("SELECT DATALENGTH(n), LEN(n), DATALENGTH(N'a' + NCHAR(0)), LEN('ab  '), "
                 "DATALENGTH(N'\xF0\x9F\x98\x80'), DATALENGTH('\xC3\xA9'), DATALENGTH(d), "
                 "DATALENGTH(b), DATALENGTH(CAST(1 AS bigint)) FROM v"),
            (std::vector<std::vector<std::string>>{{"6", "3", "4", "2", "4", "1", "8", "2", "8"}}));
  EXPECT_EQ(one("SELECT DATALENGTH(CAST(NULL AS int))"), "<null>");
}

TEST_F(conversion_test, MoneyLiteralsAreMoneyInExpressionsAndUnions) {
  auto first = [&](const std::string& sql) {
    auto r = s_->execute(sql);
    std::vector<value> row;
    EXPECT_TRUE(r && r->next(row));
    std::vector<std::string> texts;
    for (size_t i = 0; i < row.size(); ++i)
      texts.push_back(text_form(row[i], r->columns()[i].type) + ":" +
                      type_name(r->columns()[i].type.id));
    return texts;
  };
  // Money outranks int but not decimal, as in the server's type precedence.
  EXPECT_EQ(first("SELECT $2 + 1, -$1.50 * 2, -$1.5, $3 / 2"),
            (std::vector<std::string>{"3:money", "-3:money", "-1.5:money", "1.5:money"}));
  EXPECT_EQ(first("SELECT 7 UNION ALL SELECT $2.25"), std::vector<std::string>{"7:money"});
  EXPECT_EQ(rows("SELECT -$1.5 UNION ALL SELECT 7 ORDER BY 1"),
            (std::vector<std::vector<std::string>>{{"-1.5"}, {"7"}}));
  EXPECT_EQ(rows("SELECT 1.25 UNION ALL SELECT -$1.5"),
            (std::vector<std::vector<std::string>>{{"1.2500"}, {"-1.5000"}}));
  s_->run_script("CREATE TABLE m (p money)\nINSERT m VALUES (-$1.50), ($2 * 3)\n");
  EXPECT_EQ(rows("SELECT p, -p FROM m ORDER BY p"),
            (std::vector<std::vector<std::string>>{{"-1.5", "1.5"}, {"6", "-6"}}));
}

}  // namespace
}  // namespace tsl::mssql::testing
