// User queries: select lists, joins, filters, grouping, ordering, TOP.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class select_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(R"(
CREATE TABLE items (id int PRIMARY KEY, name varchar(20), price decimal(8,2), kind char(3), made datetime)
CREATE TABLE kinds (code char(3) PRIMARY KEY, label nvarchar(20))
INSERT INTO kinds VALUES ('A', N'Alpha'), ('B', N'Beta')
INSERT INTO items VALUES (3, 'pear', 10.50, 'A', '2020-01-02'), (1, 'Apple', 2.25, 'A', '2020-01-01 10:00'),
  (2, 'plum', 9.75, 'B', NULL), (4, NULL, NULL, 'C', '2021-05-05')
)");
  }
};

TEST_F(select_test, TablesReadInClusteredKeyOrder) {
  auto r = rows_of(s_->open_table("[dbo].[items]"));
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0][0], "1");
  EXPECT_EQ(r[3][0], "4");
  EXPECT_EQ(rows_of(s_->open_table("items")).size(), 4u);
  try {
    s_->open_table("[dbo].[missing]");
    FAIL();
  } catch (const sql_error& e) {
    EXPECT_EQ(e.number(), 208);
    EXPECT_EQ(e.hresult(), 0x80040E37u);
  }
}

TEST_F(select_test, WhereCompareIgnoresCaseAndTrailingBlanks) {
  EXPECT_EQ(one("SELECT id FROM items WHERE name = 'APPLE'"), "1");
  EXPECT_EQ(one("SELECT count(*) FROM items WHERE kind = 'A'"), "2");
  EXPECT_EQ(one("SELECT id FROM items WHERE price > 10"), "3");
  EXPECT_EQ(one("SELECT id FROM items WHERE made = '2020-01-02'"), "3");
  EXPECT_EQ(one("SELECT count(*) FROM items WHERE name LIKE 'p%' AND price BETWEEN 9 AND 11"), "2");
  EXPECT_EQ(one("SELECT count(*) FROM items WHERE id IN (1, 2) OR name IS NULL"), "3");
  EXPECT_EQ(one("SELECT count(*) FROM items WHERE id IN (SELECT id FROM items WHERE price < 5)"),
            "1");
}

TEST_F(select_test, JoinsGroupingOrderingAndTop) {
  auto r = rows(
      "SELECT TOP 2 i.name, k.label AS kind FROM items i JOIN kinds k ON k.code = i.kind "
      "ORDER BY i.name DESC");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], (std::vector<std::string>{"plum", "Beta"}));
  EXPECT_EQ(r[1], (std::vector<std::string>{"pear", "Alpha"}));
  auto g =
      rows("SELECT kind, count(*) AS n, sum(price) total FROM items GROUP BY kind ORDER BY kind");
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0], (std::vector<std::string>{"A  ", "2", "12.75"}));
  EXPECT_EQ(g[2], (std::vector<std::string>{"C  ", "1", "<null>"}));
  auto l = rows(
      "SELECT k.code, i.id FROM kinds k LEFT JOIN items i ON i.kind = k.code AND i.price > 10");
  EXPECT_EQ(l.size(), 2u);
  EXPECT_EQ(one("SELECT COUNT(*) FROM (SELECT id, name FROM items WHERE id > 1) as query"), "3");
  // Output names that match a source column's storage name stay unambiguous.
  auto t = rows(
      "SELECT i.kind, count(k.code) AS n, sum(i.price) AS total FROM items i LEFT JOIN kinds k "
      "ON k.code = i.kind LEFT JOIN kinds k2 ON k2.code = k.code GROUP BY i.kind ORDER BY total "
      "DESC");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0][0], "A  ");
  auto d = rows("SELECT q.n, q.x FROM (SELECT id AS n, name AS x FROM items) AS q WHERE q.n = 2");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0][1], "plum");
}

TEST_F(select_test, ResultColumnsCarryTypes) {
  auto r = s_->execute(
      "SELECT id, price, name + '!' AS shout, count(*) OVER_n FROM items GROUP BY id, price, name");
  ASSERT_TRUE(r);
  const auto& c = r->columns();
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].type.id, type_id::int_);
  EXPECT_EQ(c[1].type.id, type_id::decimal);
  EXPECT_EQ(c[1].type.scale, 2);
  EXPECT_EQ(c[2].name, "shout");
  EXPECT_EQ(c[2].type.id, type_id::varchar);
  EXPECT_EQ(c[3].name, "OVER_n");
  EXPECT_EQ(c[3].type.id, type_id::int_);
}

TEST_F(select_test, UnionsAndExists) {
  auto r = rows("SELECT name FROM items WHERE id < 3 UNION SELECT label FROM kinds ORDER BY 1");
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0][0], "Alpha");
  EXPECT_EQ(r[1][0], "Apple");
  EXPECT_EQ(
      one("SELECT count(*) FROM (SELECT kind FROM items UNION ALL SELECT code FROM kinds) AS q"),
      "6");
  EXPECT_EQ(one("SELECT count(*) FROM (SELECT kind FROM items UNION SELECT code FROM kinds) AS q"),
            "3");
  EXPECT_EQ(error_of("SELECT id, name FROM items UNION SELECT code FROM kinds"), 205);
  auto n = rows(
      "SELECT name, NULL FROM items WHERE id = 1 UNION ALL SELECT NULL, label FROM kinds "
      "WHERE code = 'A'");
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[1], (std::vector<std::string>{"<null>", "Alpha"}));
  EXPECT_EQ(error_of("SELECT id FROM items UNION SELECT 1 ORDER BY name"), 104);

  // Typed across every part, as SQL Server types it; each part's values
  // read in that type, sorted by it.
  auto u = s_->execute("SELECT 10 AS x UNION ALL SELECT 0.75 UNION ALL SELECT 123.5 ORDER BY 1");
  EXPECT_EQ(u->columns()[0].type.id, type_id::numeric);
  EXPECT_EQ(u->columns()[0].type.precision, 12);
  EXPECT_EQ(u->columns()[0].type.scale, 2);
  EXPECT_EQ(rows_of(std::move(u)),
            (std::vector<std::vector<std::string>>{{"0.75"}, {"10.00"}, {"123.50"}}));
  // Money meeting another exact type arrives as its value, not its stored form.
  s_->run_script("CREATE TABLE m (v money)\nINSERT m VALUES (-0.5), (2)");
  EXPECT_EQ(rows("SELECT CAST(1.5 AS decimal(5,1)) AS a UNION ALL SELECT v FROM m ORDER BY a"),
            (std::vector<std::vector<std::string>>{{"-0.5000"}, {"1.5000"}, {"2.0000"}}));
  EXPECT_EQ(
      one("SELECT count(*) FROM kinds k WHERE EXISTS (SELECT 1 FROM items i WHERE i.kind = k.code "
          "AND i.price > 10)"),
      "1");
  EXPECT_EQ(one("SELECT count(*) FROM kinds k WHERE NOT EXISTS (SELECT * FROM items i WHERE i.kind "
                "= k.code)"),
            "0");
}

TEST_F(select_test, ExpressionsAndFunctions) {
  EXPECT_EQ(one("SELECT upper(name) FROM items WHERE id = 1"), "APPLE");
  EXPECT_EQ(one("SELECT len('abc  ')"), "3");
  EXPECT_EQ(one("SELECT isnull(name, 'none') FROM items WHERE id = 4"), "none");
  EXPECT_EQ(one("SELECT price * 2 FROM items WHERE id = 1"), "4.50");
  EXPECT_EQ(one("SELECT 7 / 2"), "3");
  EXPECT_EQ(one("SELECT CASE WHEN price > 5 THEN 'dear' ELSE 'cheap' END FROM items WHERE id = 1"),
            "cheap");
  EXPECT_EQ(one("SELECT CAST(price AS int) FROM items WHERE id = 3"), "10");
  EXPECT_EQ(one("SELECT year(made) FROM items WHERE id = 3"), "2020");
  EXPECT_EQ(one("SELECT CAST(made AS date) FROM items WHERE id = 1"), "2020-01-01");
  EXPECT_EQ(one("SELECT CONVERT(varchar(10), made, 120) FROM items WHERE id = 1"), "2020-01-01");
  EXPECT_EQ(one("SELECT replicate(name, 2) FROM items WHERE id = 2"), "plumplum");
  EXPECT_EQ(one("SELECT avg(price) FROM items"), "7.500000");
  EXPECT_EQ(one("SELECT count(DISTINCT kind) FROM items"), "3");
  EXPECT_EQ(error_of("SELECT 1e999"), 232);
}

}  // namespace
}  // namespace tsl::mssql::testing

namespace tsl::mssql::testing {
namespace {

class change_test : public select_test {};

TEST_F(change_test, UpdateComputesFromTheRowAndChecksTypes) {
  s_->execute("UPDATE items SET price = price * 2, name = upper(name) WHERE kind = 'A'");
  EXPECT_EQ(s_->rows_affected(), 2);
  EXPECT_EQ(one("SELECT price FROM items WHERE id = 1"), "4.50");
  EXPECT_EQ(one("SELECT name FROM items WHERE id = 3"), "PEAR");
  EXPECT_EQ(error_of("UPDATE items SET name = 'much too long for the column'"), 8152);
  EXPECT_EQ(one("SELECT name FROM items WHERE id = 2"), "plum");
  EXPECT_EQ(error_of("UPDATE items SET id = 1 WHERE id = 2"), 2627);
  EXPECT_EQ(error_of("UPDATE items SET nothing = 1"), 207);
  s_->execute("UPDATE items SET made = '2030-01-01' WHERE made IS NULL");
  EXPECT_EQ(one("SELECT made FROM items WHERE id = 2"), "2030-01-01 00:00:00");
}

TEST_F(change_test, DeleteRemovesOnlyMatchingRows) {
  s_->execute("DELETE FROM items WHERE price < 10 OR price IS NULL");
  EXPECT_EQ(s_->rows_affected(), 3);
  EXPECT_EQ(one("SELECT count(*) FROM items"), "1");
  s_->execute("DELETE items");
  EXPECT_EQ(one("SELECT count(*) FROM items"), "0");
  EXPECT_EQ(error_of("DELETE FROM nowhere"), 208);
}

TEST_F(change_test, UnionOfExactNumbersTakesTheWidestDigits) {
  auto r = s_->execute("SELECT 10 UNION ALL SELECT 0.75");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->columns()[0].type.id, type_id::numeric);
  EXPECT_EQ(r->columns()[0].type.precision, 12);
  EXPECT_EQ(r->columns()[0].type.scale, 2);
  EXPECT_EQ(rows("SELECT 10 UNION ALL SELECT 0.75"),
            (std::vector<std::vector<std::string>>{{"10.00"}, {"0.75"}}));
}

}  // namespace
}  // namespace tsl::mssql::testing
