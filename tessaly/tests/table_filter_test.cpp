// Table selection: names, patterns to include and to leave out.
#include <gtest/gtest.h>

#include "tessaly/table_filter.h"

namespace tessaly {
namespace {

using names = std::vector<std::u16string>;
const names kTables{u"customers", u"order_lines", u"orders", u"Orders_old", u"Ölpreise"};

TEST(table_filter, PatternsIgnoreCaseBeyondAscii) {
  EXPECT_TRUE(pattern_matches("ORDER*", u"orders"));
  EXPECT_TRUE(pattern_matches("öl*", u"Ölpreise"));
  EXPECT_TRUE(pattern_matches("order?", u"orders"));
  EXPECT_FALSE(pattern_matches("order?", u"order_lines"));
  EXPECT_TRUE(pattern_matches("[co]*s", u"customers"));
  EXPECT_FALSE(pattern_matches("orders", u"orders_old"));
}

TEST(table_filter, SelectsInSourceOrderAndExcludesLast) {
  EXPECT_EQ(select_tables(kTables, {}), kTables);
  table_selection s;
  s.include = {"order*"};
  s.exclude = {"*_OLD"};
  EXPECT_EQ(select_tables(kTables, s), (names{u"order_lines", u"orders"}));
  // A name alone, in the source's spelling; exclusion beats a name.
  s = {};
  s.names = {u"ORDERS", u"customers"};
  s.exclude = {"cust*"};
  EXPECT_EQ(select_tables(kTables, s), (names{u"orders"}));
  // Exclusion alone starts from every table.
  s = {};
  s.exclude = {"*s"};
  EXPECT_EQ(select_tables(kTables, s), (names{u"Orders_old", u"Ölpreise"}));
}

TEST(table_filter, MissingNamesStayToBeReported) {
  table_selection s;
  s.names = {u"ghost"};
  s.include = {"cust*"};
  EXPECT_EQ(select_tables(kTables, s), (names{u"customers", u"ghost"}));
  // A pattern that matches nothing selects nothing, never everything.
  s = {};
  s.include = {"zzz*"};
  EXPECT_TRUE(select_tables(kTables, s).empty());
}

}  // namespace
}  // namespace tessaly
