// Values as each column type stores them and gives them back as text.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class values_test : public server_fixture {};

TEST_F(values_test, DecimalKeepsAllThirtyEightDigitsAndRoundsHalfAwayFromZero) {
  s_->execute("CREATE TABLE d (a decimal(38,0), b decimal(10,2), c numeric(5,3))");
  s_->execute("INSERT INTO d VALUES (12345678901234567890123456789012345678, 1.005, -1.2345)");
  s_->execute("INSERT INTO d VALUES (-99999999999999999999999999999999999999, -0.004, 0)");
  auto r = rows("SELECT a, b, c FROM d");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0],
            (std::vector<std::string>{"12345678901234567890123456789012345678", "1.01", "-1.235"}));
  EXPECT_EQ(r[1],
            (std::vector<std::string>{"-99999999999999999999999999999999999999", "0.00", "0.000"}));
  EXPECT_EQ(error_of("INSERT INTO d (b) VALUES (123456789.0)"), 8115);
}

TEST_F(values_test, DatetimeRoundsToThreeHundredthsOfASecond) {
  s_->execute("CREATE TABLE t (d datetime, s smalldatetime)");
  const char* cases[][2] = {{"2024-01-31 12:00:00.001", "2024-01-31 12:00:00"},
                            {"2024-01-31 12:00:00.002", "2024-01-31 12:00:00.003000000"},
                            {"2024-01-31 12:00:00.005", "2024-01-31 12:00:00.007000000"},
                            {"2024-01-31 12:00:00.009", "2024-01-31 12:00:00.010000000"},
                            {"1999-12-31 23:59:59.999", "2000-01-01 00:00:00"}};
  for (const auto& c : cases) s_->execute(std::string("INSERT INTO t (d) VALUES ('") + c[0] + "')");
  auto r = rows("SELECT d FROM t");
  ASSERT_EQ(r.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(r[i][0], cases[i][1]) << cases[i][0];
  s_->execute("INSERT INTO t (s) VALUES ('2024-02-29 10:29:29.998'), ('2024-02-29 10:29:30')");
  auto s = rows("SELECT s FROM t WHERE s IS NOT NULL");
  EXPECT_EQ(s[0][0], "2024-02-29 10:29:00");
  EXPECT_EQ(s[1][0], "2024-02-29 10:30:00");
  EXPECT_EQ(error_of("INSERT INTO t (d) VALUES ('2024-02-30')"), 241);
  EXPECT_EQ(error_of("INSERT INTO t (d) VALUES ('1752-12-31')"), 242);
}

TEST_F(values_test, LiteralFormsOfGeneratedScripts) {
  s_->execute("CREATE TABLE l (d datetime, m money, f float)");
  const char* dates[][2] = {
      {"06/12/94", "1994-06-12 00:00:00"},         {"1/2/49", "2049-01-02 00:00:00"},
      {"1/2/50", "1950-01-02 00:00:00"},           {"Jun 12 1994 12:00AM", "1994-06-12 00:00:00"},
      {"June 12, 1994", "1994-06-12 00:00:00"},    {"12 June 1994", "1994-06-12 00:00:00"},
      {"12 sep 94 4:05 PM", "1994-09-12 16:05:00"}};
  for (const auto& c : dates) {
    s_->execute("DELETE FROM l");
    s_->execute(std::string("INSERT INTO l (d) VALUES ('") + c[0] + "')");
    EXPECT_EQ(one("SELECT d FROM l"), c[1]) << c[0];
  }
  EXPECT_EQ(error_of("INSERT INTO l (d) VALUES ('Jux 12 1994')"), 241);
  EXPECT_EQ(error_of("INSERT INTO l (d) VALUES ('06/12/994')"), 241);
  s_->execute("DELETE FROM l");
  s_->execute(
      "INSERT INTO l VALUES ({ts '2001-02-03 04:05:06'}, $20.00, 1.5e3), "
      "({d '2001-02-04'}, -$1.50, -2E-2)");
  EXPECT_EQ(rows("SELECT d, m, f FROM l ORDER BY d"),
            (std::vector<std::vector<std::string>>{{"2001-02-03 04:05:06", "20", "1500"},
                                                   {"2001-02-04 00:00:00", "-1.5", "-0.02"}}));
  EXPECT_EQ(error_of("SELECT {x '1'}"), 102);
}

TEST_F(values_test, ConvertingDefaultsKeepTheirTextAndApply) {
  s_->execute(
      "CREATE TABLE dd (id int, d date DEFAULT CAST(GETDATE() AS DATE), "
      "e date DEFAULT CONVERT(date, GETDATE()), f float DEFAULT CONVERT(float, '1e5'), "
      "g varchar(10) DEFAULT CONVERT(varchar(10), GETDATE(), 120))");
  std::vector<std::string> defs;
  for (auto& r : rows("EXEC sp_columns dd")) defs.push_back(r[12]);
  EXPECT_EQ(defs, (std::vector<std::string>{
                      "<null>", "(CONVERT([date],getdate()))", "(CONVERT([date],getdate()))",
                      "(CONVERT([float],'1e5'))", "(CONVERT([varchar](10),getdate(),(120)))"}));
  s_->execute("INSERT dd (id) VALUES (1)");
  auto r = rows("SELECT d, e, f, g FROM dd");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0][0].size(), 10u);
  EXPECT_EQ(r[0][1], r[0][0]);
  EXPECT_EQ(r[0][2], "100000");
  EXPECT_EQ(r[0][3], r[0][0]);
  // A default the server cannot keep as written is refused, never stored as NULL.
  EXPECT_EQ(error_of("CREATE TABLE de (a int DEFAULT CASE WHEN 1 = 1 THEN 1 END)"), 40000);
}

TEST_F(values_test, TextFormsOfEveryFamily) {
  s_->execute(
      "CREATE TABLE v (i int, b bit, m money, sm smallmoney, f float, r real, g uniqueidentifier,"
      " c char(5), nc nchar(3), vb varbinary(4), bn binary(3), dt date, tm time(3),"
      " d2 datetime2(2), dto datetimeoffset(0), ti tinyint, bi bigint)");
  s_->execute(
      "INSERT INTO v VALUES (-42, 1, 4321.0000, 12.5, 3.14159265358979, 1.5,"
      " '0c733a8d-2a1c-11ce-ade5-00aa0044773d', 'ab', N'x', 0x0102, 0xFF, '2001-02-03',"
      " '04:05:06.7891', '2001-02-03 04:05:06.789', '2001-02-03 04:05:06 -05:30', 255,"
      " -9223372036854775808)");
  auto r = rows("SELECT * FROM v");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], (std::vector<std::string>{"-42", "1", "4321", "12.5", "3.14159265358979", "1.5",
                                            "{0C733A8D-2A1C-11CE-ADE5-00AA0044773D}", "ab   ",
                                            "x  ", "0102", "FF0000", "2001-02-03", "04:05:06.789",
                                            "2001-02-03 04:05:06.79", "2001-02-03 04:05:06 -05:30",
                                            "255", "-9223372036854775808"}));
}

TEST_F(values_test, MoneyConvertsToTextWithTwoDecimals) {
  s_->execute("CREATE TABLE m (v money)");
  s_->execute("INSERT INTO m VALUES (25000.5)");
  EXPECT_EQ(one("SELECT CONVERT(nvarchar(20), v) FROM m"), "25000.50");
  EXPECT_EQ(one("SELECT CAST(v AS int) FROM m"), "25000");
}

TEST_F(values_test, FloatUsesFifteenDigitsAndExponentForms) {
  s_->execute("CREATE TABLE f (x float)");
  s_->execute("INSERT INTO f VALUES (1e15), (1.234e16), (5.6789e-12), (999999999999999)");
  auto r = rows("SELECT x FROM f");
  EXPECT_EQ(r[0][0], "1E+15");
  EXPECT_EQ(r[1][0], "1.234E+16");
  EXPECT_EQ(r[2][0], "5.6789E-12");
  EXPECT_EQ(r[3][0], "999999999999999");
}

TEST_F(values_test, OverflowTruncationAndBadTextsFail) {
  s_->execute(
      "CREATE TABLE o (t tinyint, v varchar(3), n nvarchar(2), b binary(2), g uniqueidentifier, i "
      "int)");
  EXPECT_EQ(error_of("INSERT INTO o (t) VALUES (256)"), 8115);
  EXPECT_EQ(error_of("INSERT INTO o (v) VALUES ('abcd')"), 8152);
  EXPECT_EQ(error_of("INSERT INTO o (n) VALUES (N'абв')"), 8152);
  EXPECT_EQ(error_of("INSERT INTO o (b) VALUES (0x010203)"), 8152);
  EXPECT_EQ(error_of("INSERT INTO o (g) VALUES ('not-a-guid')"), 8169);
  EXPECT_EQ(error_of("INSERT INTO o (i) VALUES ('1.5')"), 245);
  EXPECT_EQ(error_of("INSERT INTO o (i) VALUES (0x01)"), 0);
  EXPECT_EQ(one("SELECT count(*) FROM o"), "1");
}

TEST_F(values_test, UnicodeAndLargeValuesRoundTripExactly) {
  s_->execute("CREATE TABLE u (n nvarchar(max), t text, img image)");
  std::string big(3 * 1024 * 1024, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
  std::string hex = "0x";
  for (int i = 0; i < 70000; ++i) {
    static const char kHex[] = "0123456789ABCDEF";
    hex += kHex[(i * 7) % 16];
    hex += kHex[i % 16];
  }
  s_->execute("INSERT INTO u VALUES (N'Grüße, 東京, Ελλάδα, 🙂', '" + big + "', " +
              hex + ")");
  auto r = rows("SELECT n, t, img FROM u");
  EXPECT_EQ(r[0][0], "Grüße, 東京, Ελλάδα, 🙂");
  EXPECT_EQ(r[0][1], big);
  EXPECT_EQ(r[0][2], hex.substr(2));
}

}  // namespace
}  // namespace tsl::mssql::testing
