// Names Oracle accepts, safe replacements and the clash rules.
#include "ORA/ora_validator.h"

#include <gtest/gtest.h>

#include "ORA/ora_fn_validator.h"
#include "ORA/ora_tn_validator.h"
#include "UDB/udb_schema.h"

namespace {

TEST(ora_validator, AcceptsOracleNames) {
  ora_validator v;
  EXPECT_TRUE(v.is_acceptable(u"ORDER"));
  EXPECT_TRUE(v.is_acceptable(u"user"));
  EXPECT_TRUE(v.is_acceptable(u"A$b#_1"));
  EXPECT_TRUE(v.is_acceptable(std::u16string(30, u'x')));
  EXPECT_FALSE(v.is_acceptable(std::u16string(31, u'x')));
  EXPECT_FALSE(v.is_acceptable(u""));
  EXPECT_FALSE(v.is_acceptable(u"2ndQuarter"));
  EXPECT_FALSE(v.is_acceptable(u"Order Details"));
  v.add_restricted(u"PRIMARY");
  EXPECT_FALSE(v.is_acceptable(u"primary"));
}

TEST(ora_validator, SafeNames) {
  ora_validator v;
  EXPECT_EQ(v.get_safe_name(u"Order Details"), u"Order_Details");
  EXPECT_EQ(v.get_safe_name(u"2ndQuarter"), u"A2ndQuarter");
  std::u16string long_name = u"abcdefghijklmnopqrstuvwxyz01234";  // 31
  EXPECT_EQ(v.get_safe_name(long_name), long_name.substr(0, 29));
  // A clash gets a five-digit suffix, after cutting to 24 characters.
  v.add_used(u"ORDER_DETAILS");
  EXPECT_EQ(v.get_safe_name(u"Order Details"), u"Order_Details00000");
  v.add_used(long_name.substr(0, 29));
  EXPECT_EQ(v.get_safe_name(long_name), long_name.substr(0, 24) + u"00000");
  v.add_used(long_name.substr(0, 24) + u"00000");
  EXPECT_EQ(v.get_safe_name(long_name), long_name.substr(0, 24) + u"00001");
  v.add_restricted(u"PRIMARY");
  EXPECT_EQ(v.get_safe_name(u"PRIMARY"), u"PRIMARY00000");
}

TEST(ora_validator, ThirtyBytesNotCharacters) {
  ora_validator v;
  // 18 characters, 35 bytes in UTF-8.
  const std::u16string cyrillic = u"Заказы_покупателей";
  EXPECT_FALSE(v.is_acceptable(cyrillic));
  EXPECT_EQ(v.get_safe_name(cyrillic), u"Заказы_покупате");  // 29 bytes
  EXPECT_TRUE(v.is_acceptable(u"Заказы_покупате"));
  // 128 "é" (256 bytes) are cut to 14 (28 bytes), never inside a character.
  EXPECT_EQ(v.get_safe_name(std::u16string(128, u'é')), std::u16string(14, u'é'));
  // A clash leaves room for the suffix in bytes too.
  v.add_used(u"Заказы_покупате");
  EXPECT_EQ(v.get_safe_name(cyrillic), u"Заказы_покуп00000");
  // A character outside the basic plane is four bytes and goes whole.
  const std::u16string wide = u"A" + std::u16string(14, u'é') + u"\U0001D400";
  EXPECT_EQ(ora_validator::bytes_of(wide), 33u);
  EXPECT_EQ(v.cut_to(wide, 30), u"A" + std::u16string(14, u'é'));
}

TEST(ora_validator, ColumnAndTableNamesAreTakenIgnoringCase) {
  udb_schema fields;
  fields.add(new t_ftd(0, u"Id", VT_I4, false, false, ole_variant(), 0));
  fields.add(new t_ftd(0, u"id x", VT_I4, false, false, ole_variant(), 0));
  ora_fn_validator columns(fields);
  EXPECT_TRUE(columns.is_duplicated(u"ID"));
  EXPECT_EQ(columns.get_safe_name(u"id x"), u"id_x");
  ora_tn_validator tables({u"Orders"}, {u"CUSTOMERS"});
  EXPECT_TRUE(tables.is_duplicated(u"customers"));
  EXPECT_TRUE(tables.is_duplicated(u"ORDERS"));
  EXPECT_EQ(tables.get_safe_name(u"Customers"), u"Customers00000");
}

TEST(udb_validator, BaseRules) {
  udb_validator v(8);
  v.add_illegal(u'-');
  v.add_restricted(u"KEY");
  EXPECT_TRUE(v.is_acceptable(u"a b"));
  EXPECT_FALSE(v.is_acceptable(u"a-b"));
  EXPECT_FALSE(v.is_acceptable(u"key"));
  EXPECT_FALSE(v.is_acceptable(u"123456789"));
  EXPECT_EQ(v.get_safe_name(u"a-b"), u"a_b");
  EXPECT_EQ(v.get_safe_name(u"123456789"), u"1234567");
  EXPECT_EQ(v.get_safe_name(u"key"), u"key00000");
}

}  // namespace
