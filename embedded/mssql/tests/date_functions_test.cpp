// DATEADD and the other date functions, over rows, constants and defaults.
#include <gtest/gtest.h>

#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql {
namespace {

using row = std::vector<std::string>;

class date_functions_test : public testing::server_fixture {
 protected:
  // The text of the only value and its result type.
  std::pair<std::string, type_id> typed_one(const std::string& sql) {
    auto r = s_->execute(sql);
    std::vector<value> v;
    EXPECT_TRUE(r && r->next(v));
    const sql_type t = r->columns()[0].type;
    return {v[0].is_null() ? "<null>" : text_form(v[0], t), t.id};
  }

  // The error reading a query's rows fails with, 0 when none.
  int read_error(const std::string& sql) {
    try {
      rows(sql);
    } catch (const sql_error& e) {
      return e.number();
    }
    return 0;
  }
};

TEST_F(date_functions_test, DateaddKeepsTheDateTypeAndClampsTheDay) {
  s_->run_script(
      "CREATE TABLE ev (d date, dt datetime, sdt smalldatetime, d2 datetime2(3), t time(0))\n"
      "INSERT INTO ev VALUES ('2024-01-31', '2024-01-31 23:59:59.997', '2024-02-29 10:00', "
      "'2020-01-01 10:00:00.123', '23:30')\n");
  EXPECT_EQ(rows("SELECT DATEADD(month, 1, d), DATEADD(yy, 1, sdt), DATEADD(ms, 3, dt), "
                 "DATEADD(minute, 90, d2), DATEADD(hour, 25, t), DATEADD(q, -1, d) FROM ev"),
            (std::vector<row>{{"2024-02-29", "2025-02-28 10:00:00", "2024-02-01 00:00:00",
                               "2020-01-01 11:30:00.123", "00:30:00", "2023-10-31"}}));
  EXPECT_EQ(typed_one("SELECT DATEADD(day, 1, d) FROM ev").second, type_id::date);
  EXPECT_EQ(typed_one("SELECT DATEADD(day, 1, sdt) FROM ev").second, type_id::smalldatetime);
  // A text argument acts as datetime.
  EXPECT_EQ(typed_one("SELECT DATEADD(wk, 2, '2024-01-01')"),
            (std::pair<std::string, type_id>{"2024-01-15 00:00:00", type_id::datetime}));
  EXPECT_EQ(one("SELECT DATEADD(day, 1, NULL)"), "<null>");
  // Days since 1900 as an int: the usual way to cut the time off.
  EXPECT_EQ(typed_one("SELECT DATEADD(dd, DATEDIFF(dd, 0, '2024-03-05 13:45'), 0)"),
            (std::pair<std::string, type_id>{"2024-03-05 00:00:00", type_id::datetime}));

  EXPECT_EQ(read_error("SELECT DATEADD(year, 8000, dt) FROM ev"), 517);
  EXPECT_EQ(read_error("SELECT DATEADD(day, -1, CAST('1753-01-01' AS datetime))"), 517);
  EXPECT_EQ(read_error("SELECT DATEADD(minute, 1, sdt) FROM ev"), 0);
  EXPECT_EQ(read_error("SELECT DATEADD(hour, 1, d) FROM ev"), 9810);
  EXPECT_EQ(read_error("SELECT DATEADD(day, 1, t) FROM ev"), 9810);
  EXPECT_EQ(read_error("SELECT DATEADD(fortnight, 1, d) FROM ev"), 155);
}

TEST_F(date_functions_test, DatediffCountsBoundariesCrossed) {
  EXPECT_EQ(rows("SELECT DATEDIFF(year, '2023-12-31 23:59:59', '2024-01-01'), "
                 "DATEDIFF(month, '2024-01-31', '2024-02-01'), "
                 "DATEDIFF(week, '2024-01-06', '2024-01-07'), "
                 "DATEDIFF(day, '2024-03-01 23:00', '2024-02-28 01:00'), "
                 "DATEDIFF(second, '2024-01-01 00:00:00.999', '2024-01-01 00:00:01'), "
                 "DATEDIFF(hour, CAST('2020-01-01 10:00 +02:00' AS datetimeoffset), "
                 "CAST('2020-01-01 10:00 +00:00' AS datetimeoffset))"),
            (std::vector<row>{{"1", "1", "1", "-2", "1", "2"}}));
  EXPECT_EQ(typed_one("SELECT DATEDIFF(dd, '2024-01-01', '2024-12-31')").second, type_id::int_);
  EXPECT_EQ(read_error("SELECT DATEDIFF(ms, '2000-01-01', '2024-01-01')"), 535);
  EXPECT_EQ(one("SELECT DATEDIFF(ms, '2024-01-01', '2024-01-02')"), "86400000");
}

TEST_F(date_functions_test, PartsNamesAndConstructedDates) {
  EXPECT_EQ(rows("SELECT DATEPART(dw, '2024-01-31'), DATENAME(weekday, '2024-01-31'), "
                 "DATENAME(month, '2024-01-31'), DATEPART(week, '2021-01-03'), "
                 "DATEPART(iso_week, '2021-01-03'), DATEPART(dy, '2024-12-31'), "
                 "YEAR('Jun 12 1994'), MONTH('Jun 12 1994'), DAY('Jun 12 1994'), "
                 "DATENAME(tz, CAST('2020-01-01 10:00 -05:30' AS datetimeoffset))"),
            (std::vector<row>{{"4", "Wednesday", "January", "2", "53", "366", "1994", "6", "12",
                               "-05:30"}}));
  EXPECT_EQ(rows("SELECT EOMONTH('2024-01-15'), EOMONTH('2024-01-15', 1), "
                 "DATEFROMPARTS(2024, 2, 29)"),
            (std::vector<row>{{"2024-01-31", "2024-02-29", "2024-02-29"}}));
  EXPECT_EQ(read_error("SELECT DATEFROMPARTS(2023, 2, 29)"), 289);
  // datetime minus datetime counts from 1900-01-01.
  EXPECT_EQ(typed_one("SELECT CAST('2001-01-02 06:00' AS datetime) - "
                      "CAST('2001-01-01' AS datetime)"),
            (std::pair<std::string, type_id>{"1900-01-02 06:00:00", type_id::datetime}));
}

TEST_F(date_functions_test, DefaultsAndValuesComputeDates) {
  s_->run_script(
      "CREATE TABLE loans (id int, lent datetime NOT NULL, due datetime NOT NULL "
      "CONSTRAINT DF_due DEFAULT (dateadd(day,(30),getdate())))\n"
      "INSERT INTO loans (id, lent) VALUES (1, getdate())\n"
      "INSERT INTO loans VALUES (2, '2024-01-01', DATEADD(month, 1, '2024-01-31'))\n"
      "INSERT INTO loans VALUES (3, DATEADD(dd, DATEDIFF(dd, 0, GETDATE()), 0), GETDATE())\n");
  EXPECT_EQ(one("SELECT DATEPART(hour, lent) + DATEPART(minute, lent) FROM loans WHERE id = 3"),
            "0");
  EXPECT_EQ(one("SELECT DATEDIFF(day, lent, due) FROM loans WHERE id = 1"), "30");
  EXPECT_EQ(one("SELECT due FROM loans WHERE id = 2"), "2024-02-29 00:00:00");
  auto cols = rows("EXEC sp_columns loans");
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(cols[2][12], "(dateadd(day,(30),getdate()))");
}

}  // namespace
}  // namespace tsl::mssql
