// The sample database script runs and gives what it promises.
#include <fstream>
#include <sstream>

#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class sample_test : public server_fixture {};

TEST_F(sample_test, SampleShopLoadsWithEveryFeature) {
  std::ifstream in(TSL_MSSQL_SAMPLES "/sample_shop.sql");
  std::stringstream ss;
  ss << in.rdbuf();
  ASSERT_FALSE(ss.str().empty());
  s_->run_script(ss.str());
  EXPECT_EQ(one("SELECT count(*) FROM customers"), "8");
  EXPECT_EQ(one("SELECT city FROM customers WHERE code = 'C0000008'"), "Unknown");
  EXPECT_EQ(one("SELECT name FROM customers WHERE customer_id = 5"), "山田 太郎");
  EXPECT_EQ(one("SELECT len(manual) FROM products WHERE sku = 'SKU-BIG'"), "139999");
  EXPECT_EQ(one("SELECT max(product_id) FROM products"), "130");
  EXPECT_EQ(one("SELECT max(employee_id) FROM hr.employees"), "6");
  EXPECT_EQ(one("SELECT created FROM customers WHERE customer_id = 2"),
            "2020-12-31 23:59:59.997000000");
  auto cols = rows_of(s_->execute("EXEC sp_columns @table_name=[products]"));
  ASSERT_EQ(cols.size(), 22u);
  EXPECT_EQ(cols[0][5], "smallint identity");
  EXPECT_EQ(cols[9][12], "('2001-01-01')");
  auto fk = rows_of(s_->schema(schema_kind::foreign_keys, {std::nullopt, "dbo", "products"}));
  ASSERT_EQ(fk.size(), 1u);
  EXPECT_EQ(fk[0][14], "SET NULL");
}

}  // namespace
}  // namespace tsl::mssql::testing
