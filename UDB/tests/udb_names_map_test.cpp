#include "UDB/udb_names_map.h"

#include <gtest/gtest.h>

namespace {

TEST(TNamesMap, FirstPairInKeyOrderDecides) {
  t_names_map map;
  map.add(u"Orders", u"ORDERS_1");
  map.add(u"Orders", u"ORDERS_2");  // a known source name keeps its first mapping
  map.add(u"ORDERS", u"ORDERS_3");
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(map.get_mapped_name(u"Orders", true), u"ORDERS_1");
  EXPECT_EQ(map.get_mapped_name(u"orders", true), u"orders");  // unmapped: itself
  // Ignoring case, both keys match; "ORDERS" sorts first in code-unit order.
  EXPECT_EQ(map.get_mapped_name(u"orders", false), u"ORDERS_3");
}

TEST(UdbNamesMap, TableNames) {
  udb_names_map names;
  names.add_tn_mapping(u"Order Details", u"Order_Details");
  EXPECT_EQ(names.get_tn_mapped_name(u"Order Details", true), u"Order_Details");
  EXPECT_EQ(names.get_tn_mapped_name(u"ORDER DETAILS", true), u"ORDER DETAILS");
  EXPECT_EQ(names.get_tn_mapped_name(u"ORDER DETAILS", false), u"Order_Details");
}

TEST(UdbNamesMap, ColumnNamesPerExactTable) {
  udb_names_map names;
  t_names_map columns;
  columns.add(u"2nd", u"A2nd");
  names.add_fn_map(u"T", columns);
  columns.add(u"x y", u"x_y");  // the database keeps its own copy
  EXPECT_EQ(names.get_fn_mapped_name(u"T", u"2nd", true), u"A2nd");
  EXPECT_EQ(names.get_fn_mapped_name(u"T", u"2ND", false), u"A2nd");
  EXPECT_EQ(names.get_fn_mapped_name(u"T", u"x y", true), u"x y");
  EXPECT_EQ(names.get_fn_mapped_name(u"t", u"2nd", false), u"2nd");  // table key is exact

  // A table created again brings its new column map.
  names.add_fn_map(u"T", columns);
  EXPECT_EQ(names.get_fn_mapped_name(u"T", u"x y", true), u"x_y");
}

}  // namespace
