// tessaly verify: a faithful conversion compares equal; a changed value, a
// missing row and an extra row are each found, and only where they are.
#include <gtest/gtest.h>

#include "tessaly/tests/tessaly_fixture.h"

namespace tessaly_testing {
namespace {

class tessaly_verify : public tessaly_fixture {};

TEST_F(tessaly_verify, FaithfulConversionComparesEqual) {
  ASSERT_EQ(run("convert", {"--quiet"}).status, 0);
  outcome o = run("verify");
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("same: customers\n"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("same: products\n"), std::string::npos) << o.err;
}

TEST_F(tessaly_verify, FindsChangedMissingAndExtraRows) {
  ASSERT_EQ(run("convert", {"--quiet"}).status, 0);
  exec("UPDATE \"customers\" SET \"city\" = 'Lyon ' WHERE \"customer_id\" = 1");
  exec("DELETE FROM \"order_lines\" WHERE \"order_id\" = 1003");
  exec(
      "INSERT INTO \"orders\" (\"order_id\", \"customer_id\", \"ordered\", \"status\") "
      "VALUES (2000, 1, SYSDATE, 'new')");
  outcome o = run("verify");
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_EQ(o.out,
            "customers: 8 rows in the source, 8 in Oracle, values differ\n"
            "order_lines: 5 rows in the source, 4 in Oracle\n"
            "orders: 4 rows in the source, 5 in Oracle\n");
  EXPECT_NE(o.err.find("same: products\n"), std::string::npos);
  // A table never converted is a difference too; quiet keeps only those.
  exec("DROP TABLE \"products\"");
  o = run("verify", {"--quiet", "products"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "products: missing in Oracle\n");
  EXPECT_EQ(o.err, "");
}

}  // namespace
}  // namespace tessaly_testing

namespace tessaly_testing {
namespace {

TEST_F(tessaly_verify, QueriesOfAProfileAreListedConvertedAndVerified) {
  const std::string profile = write("q.tsl",
                                    "[Generic settings]\nsrc=sample_shop\n"
                                    "[Selected Tables]\nproducts=\n"
                                    "big orders=SELECT order_id, status FROM orders "
                                    "WHERE order_id > 1001\n"
                                    "[Oracle settings]\nhost=ORCL\nuser=scott\n"
                                    "[MS SQL Server settings]\nwindows authentication=1\n");
  outcome o = tessaly({"list", "--profile=" + profile});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "NAME        KIND   ROWS  ORACLE NAME\n"
            "big orders  query     2  big_orders\n"
            "products    table     4  products\n");
  ASSERT_EQ(tessaly({"convert", "--profile=" + profile, "--quiet"}).status, 0);
  o = tessaly({"verify", "--profile=" + profile});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_NE(o.err.find("same: big orders -> big_orders\n"), std::string::npos) << o.err;
  exec("DELETE FROM \"big_orders\" WHERE \"order_id\" = 1002");
  o = tessaly({"verify", "--profile=" + profile, "--quiet"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "big orders -> big_orders: 2 rows in the source, 1 in Oracle\n");
}

}  // namespace
}  // namespace tessaly_testing
