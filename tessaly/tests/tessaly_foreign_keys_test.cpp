// Foreign keys after the tables are filled: both delete rules arrive and
// act, orphaned rows are reported per key, and the DDL script has the same
// keys.
#include <gtest/gtest.h>

#include "tessaly/tests/tessaly_fixture.h"

namespace tessaly_testing {
namespace {

using rows = std::vector<std::vector<std::string>>;
using names = std::vector<std::string>;

class tessaly_foreign_keys : public tessaly_fixture {
 protected:
  rows keys() {
    return oracle(
        "SELECT c.table_name, p.table_name, c.delete_rule FROM user_constraints c, "
        "user_constraints p WHERE c.constraint_type = 'R' AND p.constraint_name = "
        "c.r_constraint_name ORDER BY 1, 2");
  }
};

TEST_F(tessaly_foreign_keys, KeysArriveWithTheirDeleteRules) {
  outcome o = run("convert", {"--foreign-keys"});
  ASSERT_EQ(o.status, 0) << o.err;
  const rows expected{{"order_lines", "orders", "CASCADE"},
                      {"order_lines", "products", "SET NULL"},
                      {"orders", "customers", "CASCADE"}};
  EXPECT_EQ(keys(), expected);
  // The rules act: a customer takes its orders and their lines along; a
  // product leaves its lines without one.
  exec("DELETE FROM \"products\" WHERE \"product_id\" = 100");
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"order_lines\" WHERE \"product_id\" IS NULL"), "3");
  exec("DELETE FROM \"customers\" WHERE \"customer_id\" = 1");
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"orders\" WHERE \"customer_id\" = 1"), "0");

  // Without the option no key is made, as the agent makes none.
  ASSERT_EQ(run("convert", {"--quiet"}).status, 0);
  EXPECT_EQ(keys(), rows{});
  // Keys to a table outside the selection are left out.
  ASSERT_EQ(run("convert", {"--foreign-keys", "--exclude=products", "--quiet"}).status, 0);
  EXPECT_EQ(keys(),
            (rows{{"order_lines", "orders", "CASCADE"}, {"orders", "customers", "CASCADE"}}));

  // The script makes the same keys in a fresh schema.
  o = run("ddl", {"--foreign-keys"});
  ASSERT_EQ(o.status, 0) << o.err;
  tsl::eora::create_user("ORCL", "fresh", "pw");
  const std::string script = write("schema.sql", o.out);
  setenv("TSL_ORACLE_PASSWORD", "pw", 1);
  std::string cmd = quote(TSL_ORACLE_TOOL) + " sql ORCL fresh -f " + quote(script) + " >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << o.out;
  ora_engine engine;
  engine.logon(u"ORCL", u"fresh", u"pw");
  ora_query_results q;
  q.initialize(0,
               u"SELECT TO_CHAR(count(*)) FROM user_constraints WHERE constraint_type = 'R' "
               u"AND delete_rule IN ('CASCADE', 'SET NULL')");
  ASSERT_FALSE(q.is_eof());
  EXPECT_EQ(tsl::text::utf16_to_utf8((*q.get_item())[0].to_wstring()), "3");
}

TEST_F(tessaly_foreign_keys, OrphanedRowsAreReportedPerKey) {
  // A customers table that stays (skip) and lacks most customers: orders
  // then point at parents that are not there.
  exec("CREATE TABLE \"customers\" (\"customer_id\" NUMBER(11,0) PRIMARY KEY)");
  exec("INSERT INTO \"customers\" VALUES (1)");
  const std::string report = tmp_.file("r.json");
  outcome o = run("convert", {"--foreign-keys", "--mode=skip", "--report=" + report});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("error: Foreign key 'FK_orders_customers': "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("orphaned records"), std::string::npos) << o.err;
  // The other keys are still made; the rows all stay.
  EXPECT_EQ(keys(),
            (rows{{"order_lines", "orders", "CASCADE"}, {"order_lines", "products", "SET NULL"}}));
  EXPECT_EQ(count("orders"), "4");
  EXPECT_NE(tsl::testing::read_file(report).find(
                "\"errors\": [\n    {\"record\": null, \"message\": \"Foreign key "
                "'FK_orders_customers': "),
            std::string::npos)
      << tsl::testing::read_file(report);
}

}  // namespace
}  // namespace tessaly_testing
