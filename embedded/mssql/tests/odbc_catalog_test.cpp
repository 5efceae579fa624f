// The ODBC catalogue procedures a network client learns a schema with
// (sp_pkeys, sp_fkeys, sp_statistics, sp_tables' type filter), the
// functions it asks first (DB_NAME, SERVERPROPERTY) and bound @parameters.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class odbc_catalog_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(R"(
CREATE SCHEMA sales
GO
CREATE TABLE customers (id int NOT NULL CONSTRAINT PK_customers PRIMARY KEY, name nvarchar(40))
GO
CREATE TABLE sales.orders (
  customer_id int NOT NULL, line smallint NOT NULL, region int NOT NULL, amount money,
  CONSTRAINT PK_orders PRIMARY KEY (customer_id, line),
  CONSTRAINT FK_orders_customers FOREIGN KEY (customer_id) REFERENCES customers (id) ON DELETE CASCADE
)
GO
CREATE TABLE regions (a int NOT NULL, b int NOT NULL, CONSTRAINT PK_regions PRIMARY KEY (a, b))
GO
CREATE TABLE sales.lines (
  customer_id int NOT NULL, line smallint NOT NULL, ra int, rb int,
  CONSTRAINT FK_lines_orders FOREIGN KEY (customer_id, line) REFERENCES sales.orders (customer_id, line),
  CONSTRAINT FK_lines_regions FOREIGN KEY (ra, rb) REFERENCES regions (a, b) ON DELETE SET NULL
)
GO
CREATE INDEX IX_orders_amount ON sales.orders (amount DESC)
GO
INSERT INTO customers VALUES (1, N'a'), (2, N'b'), (3, N'c')
)");
  }
};

TEST_F(odbc_catalog_test, SpPkeysListsKeyColumnsInKeyOrder) {
  auto r = rows("EXEC sp_pkeys @table_name = N'orders', @table_owner = N'sales'");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0],
            (std::vector<std::string>{"shop", "sales", "orders", "customer_id", "1", "PK_orders"}));
  EXPECT_EQ(r[1][3], "line");
  EXPECT_EQ(r[1][4], "2");
  // No owner: the caller's schema, then dbo; sales.orders is not dbo's.
  EXPECT_TRUE(rows("EXEC sp_pkeys @table_name = N'orders'").empty());
  EXPECT_EQ(rows("EXEC sp_pkeys N'customers'").size(), 1u);
  EXPECT_EQ(error_of("EXEC sp_pkeys @table_owner = N'dbo'"), 201);
}

TEST_F(odbc_catalog_test, SpFkeysInterleavesKeysByKeySeqAndNumbersRules) {
  auto r = rows("EXEC sp_fkeys @fktable_name = N'lines', @fktable_owner = N'sales'");
  ASSERT_EQ(r.size(), 4u);
  ASSERT_EQ(r[0].size(), 14u);
  // KEY_SEQ 1 of both keys before KEY_SEQ 2.
  EXPECT_EQ(r[0][8], "1");
  EXPECT_EQ(r[1][8], "1");
  EXPECT_EQ(r[2][8], "2");
  for (const auto& row : r) {
    if (row[11] == "FK_lines_regions") {
      EXPECT_EQ(row[2], "regions");
      EXPECT_EQ(row[9], "1");   // ON UPDATE NO ACTION
      EXPECT_EQ(row[10], "2");  // ON DELETE SET NULL
      EXPECT_EQ(row[12], "PK_regions");
    }
  }
  auto to_customers = rows("EXEC sp_fkeys @pktable_name = N'customers', @pktable_owner = N'dbo'");
  ASSERT_EQ(to_customers.size(), 1u);
  EXPECT_EQ(to_customers[0][6], "orders");
  EXPECT_EQ(to_customers[0][10], "0");  // CASCADE
  EXPECT_TRUE(rows("EXEC sp_fkeys @pktable_name = N'customers', @fktable_name = N'lines', "
                   "@fktable_owner = N'sales'")
                  .empty());
  EXPECT_EQ(error_of("EXEC sp_fkeys"), 15252);
}

TEST_F(odbc_catalog_test, SpStatisticsStartsWithTheTableRowThenUniqueIndexes) {
  auto r = rows(
      "EXEC sp_statistics @table_name = N'orders', @table_owner = N'sales', "
      "@is_unique = N'N', @accuracy = N'Q'");
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0][6], "0");  // table statistics
  EXPECT_EQ(r[0][3], "<null>");
  EXPECT_EQ(r[1][5], "PK_orders");
  EXPECT_EQ(r[1][3], "0");
  EXPECT_EQ(r[1][4], "orders");  // INDEX_QUALIFIER is the table's name
  EXPECT_EQ(r[3][5], "IX_orders_amount");
  EXPECT_EQ(r[3][9], "D");
  EXPECT_EQ(r[3][6], "3");
  EXPECT_EQ(rows("EXEC sp_statistics N'orders', N'sales', @is_unique = 'Y'").size(), 3u);
  EXPECT_EQ(rows("EXEC sp_statistics N'customers'")[0][10], "3");  // rows in the table
}

TEST_F(odbc_catalog_test, SpTablesFiltersOnTableType) {
  EXPECT_EQ(rows("EXEC sp_tables @table_name = N'%', @table_type = N'''TABLE'''").size(), 4u);
  EXPECT_EQ(rows("EXEC sp_tables @table_type = N'''TABLE'',''VIEW'''").size(), 4u);
  EXPECT_TRUE(rows("EXEC sp_tables @table_type = N'''VIEW'''").empty());
  EXPECT_EQ(error_of("EXEC sp_tables @table_qualifier = N'master'"), 15250);
}

TEST_F(odbc_catalog_test, SpColumnsSpeaksBothOdbcVersions) {
  s_->run_script("CREATE TABLE m (at datetime, x float, y real, n int)");
  auto two = rows("EXEC sp_columns @table_name = N'm'");
  auto three = rows("EXEC sp_columns @table_name = N'm', @ODBCVer = 3");
  ASSERT_EQ(two.size(), 4u);
  ASSERT_EQ(three.size(), 4u);
  // DATA_TYPE, PRECISION, RADIX, SQL_DATA_TYPE, SQL_DATETIME_SUB
  auto pick = [](const std::vector<std::string>& r) {
    return std::vector<std::string>{r[4], r[6], r[9], r[13], r[14]};
  };
  EXPECT_EQ(pick(two[0]), (std::vector<std::string>{"11", "23", "<null>", "9", "3"}));
  EXPECT_EQ(pick(three[0]), (std::vector<std::string>{"93", "23", "<null>", "9", "3"}));
  EXPECT_EQ(pick(two[1]), (std::vector<std::string>{"6", "15", "10", "6", "<null>"}));
  EXPECT_EQ(pick(three[1]), (std::vector<std::string>{"6", "53", "2", "6", "<null>"}));
  EXPECT_EQ(pick(three[2])[1], "24");
  EXPECT_EQ(pick(two[3]), pick(three[3]));
}

TEST_F(odbc_catalog_test, DbNameAndServerProperty) {
  EXPECT_EQ(one("SELECT DB_NAME()"), "shop");
  EXPECT_EQ(one("SELECT DB_NAME(1)"), "master");
  EXPECT_EQ(one("SELECT DB_NAME(5)"), "shop");
  EXPECT_EQ(one("SELECT DB_NAME(99)"), "<null>");
  EXPECT_EQ(one("SELECT SERVERPROPERTY('ProductVersion')"), "10.0.2531.0");
  EXPECT_EQ(one("SELECT SERVERPROPERTY('ProductLevel')"), "SP1");
  EXPECT_EQ(one("SELECT SERVERPROPERTY('Edition')"), "Developer Edition (64-bit)");
  EXPECT_EQ(one("SELECT SERVERPROPERTY('no such property')"), "<null>");
}

TEST_F(odbc_catalog_test, BoundParametersActAsLiteralsNeverAsSql) {
  parameters p;
  p["@id"] = parameter{value::of_int(2), false, std::nullopt};
  p["@name"] = parameter{value::of_text("x'); DROP TABLE customers; --"), true, std::nullopt};
  s_->bind(p);
  EXPECT_EQ(one("SELECT name FROM customers WHERE id = @id"), "b");
  s_->run_script("INSERT INTO customers VALUES (12, @name)");
  EXPECT_EQ(one("SELECT name FROM customers WHERE id = 12"), "x'); DROP TABLE customers; --");
  s_->unbind();
  EXPECT_EQ(error_of("SELECT @id"), 137);
}

TEST_F(odbc_catalog_test, TypedParametersActAsValuesOfTheirType) {
  s_->run_script(
      "CREATE TABLE events (id int PRIMARY KEY, at datetime, price money, rate decimal(9,3))\n"
      "INSERT INTO events VALUES (1, '2021-06-07 08:09:10.123', 12.5, 1.250)");
  auto typed = [](value v, type_id id, uint8_t precision = 0, uint8_t scale = 0) {
    sql_type t;
    t.id = id;
    t.precision = precision;
    t.scale = scale;
    return parameter{std::move(v), false, t};
  };
  parameters p;
  p["@at"] = typed(value::of_text("2021-06-07 08:09:10.1230000"), type_id::datetime);
  p["@price"] = typed(value::of_number("12.5000"), type_id::money);
  p["@rate"] = typed(value::of_number("1.25"), type_id::decimal, 9, 2);
  s_->bind(p);
  EXPECT_EQ(one("SELECT id FROM events WHERE at = @at"), "1");
  EXPECT_EQ(one("SELECT id FROM events WHERE price = @price"), "1");
  EXPECT_EQ(one("SELECT id FROM events WHERE rate = @rate"), "1");
  auto r = s_->execute("SELECT @at, @price, @rate");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->columns()[0].type.id, type_id::datetime);
  EXPECT_EQ(r->columns()[1].type.id, type_id::money);
  EXPECT_EQ(r->columns()[2].type.scale, 2);
  EXPECT_EQ(rows_of(std::move(r))[0],
            (std::vector<std::string>{"2021-06-07 08:09:10.123000000", "12.5", "1.25"}));
  s_->run_script("INSERT INTO events VALUES (2, @at, @price, @rate)");
  EXPECT_EQ(rows("SELECT price, rate FROM events WHERE id = 2")[0],
            (std::vector<std::string>{"12.5", "1.250"}));
  s_->unbind();
}

TEST_F(odbc_catalog_test, TextSizeAndNoCountAreKeptBySession) {
  EXPECT_FALSE(s_->no_count());
  s_->run_script("SET NOCOUNT ON\nSET TEXTSIZE 10");
  EXPECT_TRUE(s_->no_count());
  EXPECT_EQ(s_->text_size(), 10);
  s_->run_script("SET TEXTSIZE 0\nSET NOCOUNT OFF");
  EXPECT_EQ(s_->text_size(), session::kDefaultTextSize);
  EXPECT_FALSE(s_->no_count());
  // The batch tedious sends after every login parses and runs whole.
  s_->run_script(
      "set ansi_nulls on\nset ansi_null_dflt_on on\nset ansi_padding on\nset ansi_warnings on\n"
      "set arithabort on\nset concat_null_yields_null on\nset datefirst 7\nset dateformat mdy\n"
      "set implicit_transactions off\nset language us_english\nset numeric_roundabort off\n"
      "set quoted_identifier on\nset textsize 2147483647\n"
      "set transaction isolation level read committed\nset xact_abort off");
  EXPECT_EQ(s_->text_size(), 2147483647);
  EXPECT_EQ(error_of("SET TRANSACTION ISOLATION LEVEL READ SOMETIMES"), 102);
}

}  // namespace
}  // namespace tsl::mssql::testing
