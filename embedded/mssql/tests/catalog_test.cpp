// Catalogue answers: sp_columns, sp_databases, @@VERSION and the schema rowsets.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class catalog_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(R"(
CREATE SCHEMA sales
GO
CREATE TABLE customers (
  id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_customers PRIMARY KEY,
  code char(8) NOT NULL UNIQUE,
  name nvarchar(40) NOT NULL DEFAULT N'abc',
  balance decimal(10,2) NULL DEFAULT 0,
  created datetime DEFAULT getdate(),
  note varchar(20) DEFAULT 'it''s'
)
GO
CREATE TABLE sales.orders (
  customer_id int NOT NULL,
  line smallint NOT NULL,
  amount money DEFAULT -1,
  CONSTRAINT PK_orders PRIMARY KEY (customer_id, line),
  CONSTRAINT FK_orders_customers FOREIGN KEY (customer_id) REFERENCES customers (id) ON DELETE CASCADE
)
GO
CREATE INDEX IX_orders_amount ON sales.orders (amount DESC)
)");
  }
};

TEST_F(catalog_test, SpColumnsGivesTypeNamesLengthsAndStoredDefaults) {
  auto r = rows_of(s_->execute("EXEC sp_columns @table_name=[customers], @table_owner=[dbo]"));
  ASSERT_EQ(r.size(), 6u);
  // COLUMN_NAME, TYPE_NAME, PRECISION, LENGTH, SCALE, NULLABLE, COLUMN_DEF
  auto pick = [](const std::vector<std::string>& row) {
    return std::vector<std::string>{row[3], row[5], row[6], row[7], row[8], row[10], row[12]};
  };
  EXPECT_EQ(pick(r[0]),
            (std::vector<std::string>{"id", "int identity", "10", "4", "0", "0", "<null>"}));
  EXPECT_EQ(pick(r[1]),
            (std::vector<std::string>{"code", "char", "8", "8", "<null>", "0", "<null>"}));
  EXPECT_EQ(pick(r[2]),
            (std::vector<std::string>{"name", "nvarchar", "40", "80", "<null>", "0", "(N'abc')"}));
  EXPECT_EQ(pick(r[3]),
            (std::vector<std::string>{"balance", "decimal", "10", "12", "2", "1", "((0))"}));
  EXPECT_EQ(pick(r[4]),
            (std::vector<std::string>{"created", "datetime", "23", "16", "3", "1", "(getdate())"}));
  EXPECT_EQ(pick(r[5]),
            (std::vector<std::string>{"note", "varchar", "20", "20", "<null>", "1", "('it''s')"}));
  EXPECT_EQ(r[0].size(), 19u);
  EXPECT_EQ(r[0][0], "shop");
  EXPECT_EQ(r[0][17], "NO");
  EXPECT_EQ(r[3][17], "YES");
}

TEST_F(catalog_test, SpColumnsOfAnotherOwnerAndMissingTable) {
  auto r = rows_of(s_->execute("EXEC sp_columns @table_name=[orders], @table_owner=[sales]"));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[2][12], "((-1))");
  EXPECT_EQ(r[2][5], "money");
  EXPECT_TRUE(rows_of(s_->execute("EXEC sp_columns @table_name=[nothing]")).empty());
}

TEST_F(catalog_test, VersionAndDatabases) {
  EXPECT_EQ(one("SELECT @@VERSION").rfind("Microsoft SQL Server 2008 (SP1) - 10.0", 0), 0u);
  srv_->set_version("Microsoft SQL Server  2000 - 8.00.760 (Intel X86) \n");
  EXPECT_EQ(one("SELECT @@VERSION"), "Microsoft SQL Server  2000 - 8.00.760 (Intel X86) \n");
  auto dbs = rows_of(s_->execute("exec sp_databases"));
  std::vector<std::string> names;
  for (auto& d : dbs) names.push_back(d[0]);
  EXPECT_EQ(names, (std::vector<std::string>{"master", "model", "msdb", "shop", "tempdb"}));
  EXPECT_EQ(dbs[0][2], "<null>");
}

TEST_F(catalog_test, SchemaRowsetsFollowTheirRestrictions) {
  auto tables =
      rows_of(s_->schema(schema_kind::tables, {std::nullopt, "dbo", std::nullopt, "TABLE"}));
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0][2], "customers");
  EXPECT_EQ(tables[0].size(), 9u);

  auto pk = rows_of(s_->schema(schema_kind::primary_keys, {std::nullopt, "sales", "orders"}));
  ASSERT_EQ(pk.size(), 2u);
  EXPECT_EQ(pk[0][3], "customer_id");
  EXPECT_EQ(pk[1][3], "line");
  EXPECT_EQ(pk[1][6], "2");
  EXPECT_EQ(pk[1][7], "PK_orders");

  auto fk =
      rows_of(s_->schema(schema_kind::foreign_keys, {std::nullopt, "dbo", "customers", std::nullopt,
                                                     std::nullopt, std::nullopt}));
  ASSERT_EQ(fk.size(), 1u);
  EXPECT_EQ(fk[0].size(), 18u);
  EXPECT_EQ(fk[0][2], "customers");
  EXPECT_EQ(fk[0][3], "id");
  EXPECT_EQ(fk[0][8], "orders");
  EXPECT_EQ(fk[0][9], "customer_id");
  EXPECT_EQ(fk[0][14], "CASCADE");
  EXPECT_EQ(fk[0][15], "PK_customers");
  EXPECT_EQ(fk[0][16], "FK_orders_customers");

  auto ix = rows_of(s_->schema(schema_kind::indexes,
                               {std::nullopt, "sales", std::nullopt, std::nullopt, "orders"}));
  ASSERT_EQ(ix.size(), 3u);
  EXPECT_EQ(ix[0].size(), 25u);
  EXPECT_EQ(ix[0][5], "IX_orders_amount");
  EXPECT_EQ(ix[0][7], "0");
  EXPECT_EQ(ix[0][20], "2");
  EXPECT_EQ(ix[1][5], "PK_orders");
  EXPECT_EQ(ix[1][6], "1");
  EXPECT_EQ(ix[1][8], "1");
  EXPECT_EQ(ix[2][17], "line");

  auto cats = rows_of(s_->schema(schema_kind::catalogs, {std::string("shop")}));
  ASSERT_EQ(cats.size(), 1u);
}

TEST_F(catalog_test, UnnamedConstraintsGetServerNames) {
  auto ix = rows_of(s_->schema(schema_kind::indexes,
                               {std::nullopt, "dbo", std::nullopt, std::nullopt, "customers"}));
  ASSERT_EQ(ix.size(), 2u);
  EXPECT_EQ(ix[1][5].rfind("UQ__customer__", 0), 0u) << ix[1][5];
}

}  // namespace
}  // namespace tsl::mssql::testing
