// tessaly against a SQL Server on the network (the embedded server behind
// its TDS listener): the login's password from the environment, a
// conversion with keys, and a verify over the same connection.
#include <gtest/gtest.h>

#include <memory>

#include "tessaly/tests/tessaly_fixture.h"
#include "testing/tds_server.h"

namespace tessaly_testing {
namespace {

class tessaly_network : public tessaly_fixture {
 protected:
  void SetUp() override {
    tessaly_fixture::SetUp();
    server_ = std::make_unique<tsl::testing::tds_server>(TSL_MSSQL_TOOL, mssql_dir_);
  }
  void TearDown() override {
    server_.reset();
    unsetenv("TSL_MSSQL_PASSWORD");
    tessaly_fixture::TearDown();
  }
  std::vector<std::string> network() { return {"--server=" + server_->data_source(), "--user=sa"}; }
  std::unique_ptr<tsl::testing::tds_server> server_;
};

TEST_F(tessaly_network, ConvertsAndVerifiesOverTds) {
  // No password for the login anywhere, and no terminal to ask on.
  outcome o = run("list", network());
  EXPECT_EQ(o.status, 255) << o.out << o.err;
  EXPECT_EQ(o.out, "");

  setenv("TSL_MSSQL_PASSWORD", "sapw", 1);
  std::vector<std::string> args = network();
  args.push_back("--foreign-keys");
  o = run("convert", args);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(tables(), (std::vector<std::string>{"customers", "order_lines", "orders", "products"}));
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM user_constraints WHERE constraint_type = 'R'"), "3");
  o = run("verify", network());
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  exec("UPDATE \"products\" SET \"price\" = \"price\" + 1 WHERE \"product_id\" = 100");
  o = run("verify", network());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "products: 4 rows in the source, 4 in Oracle, values differ\n");
}

}  // namespace
}  // namespace tessaly_testing
