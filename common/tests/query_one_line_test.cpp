// A multi-line query folded for a profile line keeps what it means.
#include "common/query_one_line.h"

#include <gtest/gtest.h>

namespace {

TEST(query_one_line, CommentsAndBreaksFold) {
  EXPECT_EQ(query_one_line(u"SELECT a -- the key\r\nFROM t\nWHERE b = 1"),
            u"SELECT a /*  the key */ FROM t WHERE b = 1");
  // A comment that could close or open a block is made inert.
  EXPECT_EQ(query_one_line(u"SELECT a --x*/y/*z\nFROM t"), u"SELECT a /* x* /y/ *z */ FROM t");
  EXPECT_EQ(query_one_line(u"SELECT a /* one\ntwo /* in\n */ */\nFROM t -- last"),
            u"SELECT a /* one two /* in  */ */ FROM t -- last");
  EXPECT_EQ(query_one_line(u"SELECT [a\nb], \"c--d\", 'e--f' FROM t"),
            u"SELECT [a b], \"c--d\", 'e--f' FROM t");
  EXPECT_EQ(query_one_line(u"SELECT 1"), u"SELECT 1");
}

TEST(query_one_line, LiteralsKeepTheirBreaks) {
  EXPECT_EQ(query_one_line(u"SELECT 'a\r\nb''c' AS x"),
            u"SELECT ('a' + CHAR(13) + CHAR(10) + 'b''c') AS x");
  EXPECT_EQ(query_one_line(u"SELECT N'a\nb', IN'c'"),
            u"SELECT (N'a' + NCHAR(10) + N'b'), IN'c'");
  // A backslash before the break joins the lines.
  EXPECT_EQ(query_one_line(u"SELECT 'a\\\nb'"), u"SELECT 'ab'");
}

}  // namespace
