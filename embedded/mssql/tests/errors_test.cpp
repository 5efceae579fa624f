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
  s_->run_script("CREATE TABLE t2 (id int IDENTITY)");
  EXPECT_EQ(error_of("SET IDENTITY_INSERT t2 ON"), 8107);
  EXPECT_EQ(error_of("SET IDENTITY_INSERT t OFF\nSET IDENTITY_INSERT t2 ON"), 0);
}

TEST_F(errors_test, UniqueKeysCompareAsTheDefaultCollationAndHoldOneNull) {
  s_->run_script("CREATE TABLE k (a varchar(10) UNIQUE, b int NULL, c int NULL, UNIQUE (b, c))");
  EXPECT_EQ(error_of("INSERT INTO k (a) VALUES ('abc'), ('ABC  ')"), 2627);
  EXPECT_EQ(error_of("INSERT INTO k (a, b, c) VALUES ('x', 1, NULL), ('y', 1, NULL)"), 2627);
  EXPECT_EQ(error_of("INSERT INTO k (a, b, c) VALUES ('x', 1, NULL), ('y', 1, 2)"), 0);
  std::string msg;
  EXPECT_EQ(error_of("INSERT INTO k (a) VALUES (NULL), (NULL)", &msg), 2627);
  EXPECT_NE(msg.find("The duplicate key value is (<NULL>)."), std::string::npos) << msg;
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

namespace tsl::mssql::testing {
namespace {

class foreign_key_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(R"(
CREATE TABLE parent (id int PRIMARY KEY, code varchar(5) UNIQUE)
CREATE TABLE keep_child (id int PRIMARY KEY, pid int REFERENCES parent (id))
CREATE TABLE cascade_child (id int PRIMARY KEY, pid int, CONSTRAINT FK_cc FOREIGN KEY (pid) REFERENCES parent (id) ON DELETE CASCADE)
CREATE TABLE null_child (id int PRIMARY KEY, code varchar(5) REFERENCES parent (code) ON DELETE SET NULL)
CREATE TABLE grandchild (id int PRIMARY KEY, cid int REFERENCES cascade_child (id) ON DELETE CASCADE)
INSERT INTO parent VALUES (1, 'a'), (2, 'b'), (3, 'c')
INSERT INTO keep_child VALUES (10, 1)
INSERT INTO cascade_child VALUES (20, 2), (21, 2), (22, 3)
INSERT INTO grandchild VALUES (30, 20), (31, 22)
INSERT INTO null_child VALUES (40, 'B'), (41, NULL)
)");
  }
};

TEST_F(foreign_key_test, InsertsAndUpdatesMustPointAtARow) {
  std::string msg;
  EXPECT_EQ(error_of("INSERT INTO keep_child VALUES (11, 99)", &msg), 547);
  EXPECT_EQ(
      msg.rfind("The INSERT statement conflicted with the FOREIGN KEY constraint \"FK__keep_chi__",
                0),
      0u)
      << msg;
  EXPECT_NE(
      msg.find(
          "\". The conflict occurred in database \"shop\", table \"dbo.parent\", column 'id'."),
      std::string::npos);
  EXPECT_EQ(one("SELECT count(*) FROM keep_child"), "1");
  EXPECT_EQ(error_of("INSERT INTO keep_child VALUES (12, NULL)"), 0);
  EXPECT_EQ(error_of("UPDATE keep_child SET pid = 5 WHERE id = 10"), 547);
  EXPECT_EQ(one("SELECT pid FROM keep_child WHERE id = 10"), "1");
}

TEST_F(foreign_key_test, DeleteRulesApply) {
  std::string msg;
  EXPECT_EQ(error_of("DELETE FROM parent WHERE id = 1", &msg), 547);
  EXPECT_NE(msg.find("The DELETE statement conflicted with the REFERENCE constraint"),
            std::string::npos);
  EXPECT_EQ(one("SELECT count(*) FROM parent"), "3");
  s_->execute("DELETE FROM parent WHERE id = 2");
  EXPECT_EQ(one("SELECT count(*) FROM cascade_child"), "1");
  EXPECT_EQ(one("SELECT count(*) FROM grandchild"), "1");
  EXPECT_EQ(one("SELECT code FROM null_child WHERE id = 40"), "<null>");
  EXPECT_EQ(s_->rows_affected(), 1);
}

}  // namespace
}  // namespace tsl::mssql::testing
