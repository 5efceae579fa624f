// Malformed and invalid requests fail with the server's own errors.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class errors_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script("CREATE TABLE t (id int IDENTITY PRIMARY KEY, name varchar(10) NOT NULL)");
  }
};

TEST_F(errors_test, SyntaxErrorsNameTheToken) {
  std::string msg;
  EXPECT_EQ(error_of("SELECT * FORM t", &msg), 102);
  EXPECT_EQ(msg, "Incorrect syntax near 'FORM'.");
  EXPECT_EQ(error_of("SELECT FROM t", &msg), 156);
  EXPECT_EQ(msg, "Incorrect syntax near the keyword 'FROM'.");
  EXPECT_EQ(error_of("SELECT 'abc", &msg), 105);
  EXPECT_EQ(error_of("CREATE TABLE x (a int,", &msg), 102);
  EXPECT_EQ(error_of("SELECT (((1)"), 102);
}

TEST_F(errors_test, UnknownNames) {
  std::string msg;
  EXPECT_EQ(error_of("SELECT * FROM nowhere", &msg), 208);
  EXPECT_EQ(msg, "Invalid object name 'nowhere'.");
  EXPECT_EQ(error_of("SELECT nothing FROM t", &msg), 207);
  EXPECT_EQ(msg, "Invalid column name 'nothing'.");
  EXPECT_EQ(error_of("EXEC sp_nothing"), 2812);
  EXPECT_EQ(error_of("SELECT @x"), 137);
  EXPECT_EQ(error_of("SELECT nofunc(1)"), 195);
  EXPECT_EQ(error_of("CREATE TABLE y (a notatype)"), 2715);
  EXPECT_EQ(error_of("USE nodb"), 911);
}

TEST_F(errors_test, ConstraintsAndIdentityRules) {
  EXPECT_EQ(error_of("INSERT INTO t (name) VALUES (NULL)"), 515);
  EXPECT_EQ(error_of("INSERT INTO t (id, name) VALUES (5, 'a')"), 544);
  EXPECT_EQ(error_of("INSERT INTO t VALUES ('a', 'b')"), 213);
  EXPECT_EQ(error_of("CREATE TABLE t (a int)"), 2714);
  s_->run_script(
      "SET IDENTITY_INSERT t ON\nINSERT INTO t (id, name) VALUES (5, 'a')\n"
      "SET IDENTITY_INSERT t OFF\nINSERT INTO t (name) VALUES ('b')");
  EXPECT_EQ(one("SELECT max(id) FROM t"), "6");
  std::string msg;
  s_->run_script("SET IDENTITY_INSERT t ON");
  EXPECT_EQ(error_of("INSERT INTO t (id, name) VALUES (5, 'c')", &msg), 2627);
  EXPECT_NE(msg.find("Violation of PRIMARY KEY constraint 'PK__t__"), std::string::npos) << msg;
}

TEST_F(errors_test, FailedStatementChangesNothing) {
  EXPECT_EQ(error_of("INSERT INTO t (name) VALUES ('ok'), (NULL)"), 515);
  EXPECT_EQ(one("SELECT count(*) FROM t"), "0");
  s_->run_script("INSERT INTO t (name) VALUES ('first')");
  EXPECT_EQ(one("SELECT id FROM t"), "1");
}

TEST_F(errors_test, DeepNestingIsRefusedNotCrashed) {
  std::string deep = "SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_EQ(error_of(deep), 191);
  std::string minus = "SELECT ";
  for (int i = 0; i < 5000; ++i) minus += "- ";
  minus += "1";
  EXPECT_EQ(error_of(minus), 191);
}

}  // namespace
}  // namespace tsl::mssql::testing
