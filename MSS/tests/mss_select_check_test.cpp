// Only one SELECT statement passes; whatever could write or run a second
// statement is refused before the text reaches the server.
#include <gtest/gtest.h>

#include "MSS/mss_select_check.h"
#include "TK/tk_exception.h"

namespace {

std::string refusal(const std::u16string& sql) {
  try {
    mss_select_check(sql);
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.severity(), 0);
    return e.what();
  }
  return "accepted";
}

TEST(mss_select_check, QueriesPassAndLoseOnlyTheirTail) {
  EXPECT_EQ(mss_select_check(u"  select a FROM t"), u"  select a FROM t");
  EXPECT_EQ(mss_select_check(u"SELECT a FROM t;  ;\n"), u"SELECT a FROM t");
  // A trailing comment would swallow the wrapper's closing parenthesis.
  EXPECT_EQ(mss_select_check(u"SELECT a FROM t -- last"), u"SELECT a FROM t");
  EXPECT_EQ(mss_select_check(u"SELECT a FROM t /* x */"), u"SELECT a FROM t");
  for (const char16_t* ok : {
           u"(SELECT a FROM t) UNION ALL (SELECT b FROM u)",
           u"SELECT a FROM t WHERE a IN (SELECT b FROM u) EXCEPT SELECT c FROM v",
           u"SELECT 'DROP TABLE x; DELETE' AS [insert], \"update\" FROM t",
           u"SELECT N'it''s; (' AS s, [a]]b] FROM t -- DELETE\nWHERE 1 = 1",
           u"SELECT a /* nested /* DROP */ still comment; */ FROM t",
           u"SELECT a FROM t ORDER BY a OFFSET 1 ROWS FETCH NEXT 2 ROWS ONLY",
           u"SELECT updated, intoxicated, settle FROM t",
       })
    EXPECT_EQ(refusal(ok), "accepted");
}

TEST(mss_select_check, EverythingElseIsRefused) {
  EXPECT_EQ(refusal(u"DROP TABLE victim"), "The query must start with SELECT.");
  EXPECT_EQ(refusal(u"  exec sp_who"), "The query must start with SELECT.");
  EXPECT_EQ(refusal(u""), "The query must start with SELECT.");
  EXPECT_EQ(refusal(u"-- only a comment"), "The query must start with SELECT.");
  EXPECT_EQ(refusal(u"WITH c AS (SELECT 1 a) DELETE FROM t"), "The query must start with SELECT.");
  EXPECT_EQ(refusal(u"SELECT a FROM t; DELETE FROM t"),
            "The query must be a single SELECT statement.");
  EXPECT_EQ(refusal(u"SELECT a FROM t;SELECT 2"), "The query must be a single SELECT statement.");
  // T-SQL needs no semicolon between statements.
  EXPECT_EQ(refusal(u"SELECT 1 AS a SELECT 2 AS b"),
            "The query must be a single SELECT statement.");
  EXPECT_EQ(refusal(u"SELECT 1 AS a delete victim"),
            "The query must be a single SELECT statement: DELETE is not accepted in it.");
  EXPECT_EQ(refusal(u"SELECT * INTO copy FROM t"),
            "The query must be a single SELECT statement: INTO is not accepted in it.");
  EXPECT_EQ(refusal(u"SELECT * FROM OPENQUERY(me, 'DELETE FROM t')"),
            "The query must be a single SELECT statement: OPENQUERY is not accepted in it.");
  // Closing the wrapper's parenthesis early would free what follows.
  EXPECT_EQ(refusal(u"SELECT 1 AS a) q UNION SELECT * FROM (SELECT 1 AS a"),
            "The query has unbalanced parentheses.");
  EXPECT_EQ(refusal(u"SELECT (1 AS a"), "The query has unbalanced parentheses.");
  EXPECT_EQ(refusal(u"SELECT 'open FROM t"), "The query has an unterminated string or quoted name.");
  EXPECT_EQ(refusal(u"SELECT [open FROM t"), "The query has an unterminated string or quoted name.");
  EXPECT_EQ(refusal(u"SELECT a /* /* */ FROM t"), "The query has an unterminated comment.");
}

}  // namespace
