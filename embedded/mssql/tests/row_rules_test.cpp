// What holds for every row written: computed columns worked out from the
// row, CHECK conditions, and indexes with INCLUDE and WHERE parts.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class row_rules_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(
        "CREATE TABLE [dbo].[lines] (\n"
        "  [id] int IDENTITY(1,1) NOT NULL PRIMARY KEY,\n"
        "  [qty] int NOT NULL,\n"
        "  [price] money NOT NULL CONSTRAINT [CK_price] CHECK ([price] >= 0),\n"
        "  [total] AS ([qty]*[price]) PERSISTED,\n"
        "  [tag] AS (N'#' + CAST([id] AS nvarchar(10))),\n"
        "  CONSTRAINT [CK_lines] CHECK ([qty] > 0 AND [qty] < [price] * 1000))\n");
  }

  // The error of one statement; 0 when it succeeds.
  int fails(const std::string& sql, std::string* message = nullptr) {
    return error_of(sql, message);
  }
};

TEST_F(row_rules_test, ComputedColumnsFollowTheirRow) {
  s_->run_script(
      "INSERT INTO lines (qty, price) VALUES (2, $1.50), (3, 10)\n"
      "INSERT INTO lines VALUES (4, 2.25)\n"  // no column list: computed ones are left out
      "INSERT INTO lines (qty, price) SELECT qty + 1, price FROM lines WHERE id = 1\n");
  EXPECT_EQ(rows("SELECT id, total, tag FROM lines ORDER BY id"),
            (std::vector<std::vector<std::string>>{
                {"1", "3", "#1"}, {"2", "30", "#2"}, {"3", "9", "#3"}, {"4", "4.5", "#4"}}));
  s_->run_script("UPDATE lines SET qty = qty * 10 WHERE id <= 2");
  EXPECT_EQ(one("SELECT SUM(total) FROM lines"), "343.5");

  // Typed from the expression, reported as any other column.
  auto cols = s_->execute("EXEC sp_columns lines");
  std::vector<value> row;
  std::vector<std::string> types;
  while (cols->next(row)) types.push_back(row[5].s);
  EXPECT_EQ(types, (std::vector<std::string>{"int identity", "int", "money", "money", "nvarchar"}));

  std::string msg;
  EXPECT_EQ(fails("INSERT INTO lines (qty, price, total) VALUES (1, 1, 1)", &msg), 271);
  EXPECT_NE(msg.find("The column \"total\" cannot be modified"), std::string::npos) << msg;
  EXPECT_EQ(fails("UPDATE lines SET tag = N'x'"), 271);
  EXPECT_EQ(fails("INSERT INTO lines VALUES (1, 1, 1)"), 213);
  EXPECT_EQ(fails("CREATE TABLE bad (a int, b AS (a + 1), c AS (b * 2))"), 1759);
  EXPECT_EQ(fails("CREATE TABLE bad (a int, b AS ((SELECT COUNT(*) FROM lines)))"), 1046);
  EXPECT_EQ(fails("CREATE TABLE bad (a int CHECK (a IN (SELECT qty FROM lines)))"), 1046);
  EXPECT_EQ(fails("ALTER TABLE lines ADD CHECK (EXISTS (SELECT 1 FROM lines))"), 1046);
}

TEST_F(row_rules_test, ComputedColumnsSurviveReopeningAndAlter) {
  s_->run_script(
      "INSERT INTO lines (qty, price) VALUES (5, 2)\n"
      "ALTER TABLE lines ADD [half] AS ([price] / 2)\n");
  EXPECT_EQ(one("SELECT half FROM lines"), "1");
  // What reads a column keeps it.
  EXPECT_EQ(fails("ALTER TABLE lines DROP COLUMN qty"), 5074);
  EXPECT_EQ(fails("ALTER TABLE lines DROP COLUMN price"), 5074);
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  l.initial_catalog = "shop";
  s_ = std::make_unique<session>(srv_, l);
  s_->run_script("INSERT INTO lines (qty, price) VALUES (7, 3)");
  EXPECT_EQ(rows("SELECT total, half FROM lines ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"10", "1"}, {"21", "1.5"}}));
  EXPECT_EQ(fails("ALTER TABLE lines DROP COLUMN half"), 0);
  s_->run_script("INSERT INTO lines (qty, price) VALUES (2, 2)");
  EXPECT_EQ(one("SELECT SUM(total) FROM lines"), "35");
}

TEST_F(row_rules_test, AComputedValueThatFailsFailsTheWholeStatement) {
  s_->run_script(
      "CREATE TABLE small (id int PRIMARY KEY, n int, b AS (CAST(n AS tinyint)),\n"
      "  m AS (n * 2) PERSISTED NOT NULL)\n"
      "INSERT small (id, n) VALUES (1, 5)\n");
  // Rows written before the failing one go too, as SQL Server undoes them.
  EXPECT_EQ(fails("INSERT small (id, n) VALUES (2, 6), (3, 300)"), 8115);
  EXPECT_EQ(fails("INSERT small (id, n) VALUES (4, NULL)"), 515);
  EXPECT_EQ(fails("UPDATE small SET n = 256"), 8115);
  EXPECT_EQ(rows("SELECT id, n, b, m FROM small"),
            (std::vector<std::vector<std::string>>{{"1", "5", "5", "10"}}));
  // A key over a computed column holds as on any other column.
  s_->run_script(
      "CREATE TABLE codes (c varchar(5), k AS (UPPER(c)) UNIQUE)\n"
      "INSERT codes VALUES ('ab')\n");
  EXPECT_EQ(fails("INSERT codes VALUES ('AB')"), 2627);
}

TEST_F(row_rules_test, CheckConstraintsRefuseFalseRowsOnly) {
  std::string msg;
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (1, -1)", &msg), 547);
  EXPECT_NE(msg.find("The INSERT statement conflicted with the CHECK constraint \"CK_price\". "
                     "The conflict occurred in database \"shop\", table \"dbo.lines\", column "
                     "'price'."),
            std::string::npos)
      << msg;
  // A table-level condition over two columns names no column.
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (0, 1)", &msg), 547);
  EXPECT_NE(msg.find("\"CK_lines\""), std::string::npos) << msg;
  EXPECT_NE(msg.find("table \"dbo.lines\"."), std::string::npos) << msg;
  // The whole statement fails: no row of a multi-row insert stays.
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (1, 1), (2, -2)"), 547);
  EXPECT_EQ(one("SELECT count(*) FROM lines"), "0");

  s_->run_script("CREATE TABLE opt (a int NULL CHECK (a > 0))\nINSERT opt VALUES (NULL)");
  EXPECT_EQ(one("SELECT count(*) FROM opt"), "1");  // unknown is not false

  s_->run_script("INSERT INTO lines (qty, price) VALUES (1, 1)");
  EXPECT_EQ(fails("UPDATE lines SET price = -3", &msg), 547);
  EXPECT_NE(msg.find("The UPDATE statement"), std::string::npos) << msg;
  EXPECT_EQ(one("SELECT price FROM lines"), "1");
}

TEST_F(row_rules_test, NocheckTurnsChecksOffUntilCheckedAgain) {
  s_->run_script(
      "ALTER TABLE lines NOCHECK CONSTRAINT ALL\n"
      "INSERT INTO lines (qty, price) VALUES (1, -1)\n");
  // Still off after the database is opened again.
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  l.initial_catalog = "shop";
  s_ = std::make_unique<session>(srv_, l);
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (2, -2)"), 0);
  // Turned on without WITH CHECK, the rows there are not looked at.
  EXPECT_EQ(fails("ALTER TABLE lines CHECK CONSTRAINT CK_price"), 0);
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (1, -1)"), 547);
  EXPECT_EQ(fails("ALTER TABLE lines WITH CHECK CHECK CONSTRAINT CK_price"), 547);
  // A constraint added later checks the rows there unless WITH NOCHECK.
  EXPECT_EQ(fails("ALTER TABLE lines ADD CONSTRAINT CK_small CHECK (qty < 2)"), 547);
  EXPECT_EQ(fails("ALTER TABLE lines WITH NOCHECK ADD CONSTRAINT CK_small CHECK (qty < 2)"), 0);
  EXPECT_EQ(fails("INSERT INTO lines (qty, price) VALUES (3, 1)"), 547);
}

TEST_F(row_rules_test, IndexesKeepIncludeAndFilter) {
  s_->run_script(
      "CREATE TABLE people (id int NOT NULL, email nvarchar(100) NULL, name nvarchar(50))\n"
      "CREATE NONCLUSTERED INDEX IX_people_name ON dbo.people (name ASC) INCLUDE (email) "
      "WITH (PAD_INDEX = OFF, ONLINE = OFF) ON [PRIMARY]\n"
      "CREATE UNIQUE NONCLUSTERED INDEX UX_people_email ON people (email) "
      "WHERE email IS NOT NULL\n"
      "INSERT people VALUES (1, NULL, N'a'), (2, NULL, N'b'), (3, N'x@y', N'c')\n");
  // Unique among the rows the filter keeps only.
  EXPECT_EQ(fails("INSERT people VALUES (4, N'X@Y', N'd')"), 2601);
  EXPECT_EQ(fails("INSERT people VALUES (4, NULL, N'd')"), 0);
  EXPECT_EQ(fails("CREATE INDEX IX_bad ON people (name) INCLUDE (nowhere)"), 1911);
  // Kept with the table.
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  l.initial_catalog = "shop";
  s_ = std::make_unique<session>(srv_, l);
  EXPECT_EQ(fails("INSERT people VALUES (5, N'x@y', N'e')"), 2601);
  EXPECT_EQ(fails("INSERT people VALUES (6, NULL, N'f')"), 0);
}

}  // namespace
}  // namespace tsl::mssql::testing
