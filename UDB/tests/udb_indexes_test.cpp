#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_relationships.h"

namespace {

using names = std::vector<std::u16string>;

TEST(UdbIndex, StartsWithFieldsComparesLeadingColumnsIgnoringCase) {
  udb_index index(u"PK_ORDER", true, true, {u"Id", u"Line"});
  EXPECT_TRUE(index.starts_with_fields({u"id"}));
  EXPECT_TRUE(index.starts_with_fields({u"ID", u"line"}));
  EXPECT_FALSE(index.starts_with_fields({u"Line"}));  // right column, wrong position
  EXPECT_FALSE(index.starts_with_fields({u"Id", u"Line", u"Extra"}));
  EXPECT_FALSE(index.starts_with_fields({u"Id2"}));
  EXPECT_FALSE(index.starts_with_fields({u"I"}));  // a prefix of a name is not the name
}

TEST(UdbIndex, ConsistsOfFieldsIsExactAndOrderFree) {
  udb_index index(u"IX", false, false, {u"A", u"B"});
  EXPECT_TRUE(index.consists_of_fields({u"B", u"A"}));
  EXPECT_TRUE(index.consists_of_fields({u"A", u"B"}));
  EXPECT_FALSE(index.consists_of_fields({u"A"}));
  EXPECT_FALSE(index.consists_of_fields({u"a", u"b"}));
  EXPECT_FALSE(index.consists_of_fields({u"A", u"B", u"C"}));
  EXPECT_FALSE(index.consists_of_fields({u"A", u"C"}));
}

TEST(UdbIndexes, FirstIndexStartingWithTheFieldsDecides) {
  udb_indexes indexes;
  indexes.add(udb_index(u"IX_A", false, false, {u"A", u"B"}));
  indexes.add(udb_index(u"UQ_A", true, false, {u"A"}));
  EXPECT_TRUE(indexes.has_index_on_fields({u"a"}, false));
  EXPECT_FALSE(indexes.has_index_on_fields({u"A"}, true));  // the later unique one never counts
  EXPECT_FALSE(indexes.has_index_on_fields({u"B"}, false));

  udb_indexes reversed;
  reversed.add(udb_index(u"UQ_A", true, false, {u"A"}));
  reversed.add(udb_index(u"IX_A", false, false, {u"A", u"B"}));
  EXPECT_TRUE(reversed.has_index_on_fields({u"A"}, true));
  // (A, B) skips UQ_A, which is too short, and finds the plain index.
  EXPECT_FALSE(reversed.has_index_on_fields({u"A", u"B"}, true));
  EXPECT_TRUE(reversed.has_index_on_fields({u"A", u"B"}, false));

  EXPECT_FALSE(udb_indexes().has_index_on_fields({u"A"}, false));
}

TEST(UdbIndexes, NamesCompareIgnoringCase) {
  udb_indexes indexes;
  indexes.add(udb_index(u"Pk_Orders", true, true, {u"Id"}));
  indexes.add(udb_index(u"IX_Date", false, false, {u"Date"}));
  EXPECT_FALSE(indexes.is_acceptable_name(u"PK_ORDERS"));
  EXPECT_TRUE(indexes.is_acceptable_name(u"PK_ORDERS2"));
  EXPECT_EQ(indexes.get_index(u"ix_date").fields(), names{u"Date"});
  EXPECT_EQ(&indexes.get_index(u"PK_orders"), &indexes[0]);
}

TEST(UdbIndexes, MissingNameIsAnInternalError) {
  udb_indexes indexes;
  indexes.add(udb_index(u"IX", false, false, {u"A"}));
  try {
    indexes.get_index(u"IX2");
    FAIL() << "expected an assertion";
  } catch (const tk_mail_assertion& e) {
    EXPECT_EQ(e.severity(), 2);
    // The code starts with the hexadecimal form of "udb_idx\".
    EXPECT_EQ(std::string(e.what()).rfind("Internal error: \ncode=7564625f6964785c", 0), 0u)
        << e.what();
  }
}

TEST(UdbIndexes, IsIdxFieldHonoursPrimaryOnlyAndExactNames) {
  udb_indexes indexes;
  indexes.add(udb_index(u"UQ_CODE", true, false, {u"Code"}));
  indexes.add(udb_index(u"PK", true, true, {u"Id", u"Line"}));
  EXPECT_TRUE(indexes.is_idx_field(u"Code", false));
  EXPECT_FALSE(indexes.is_idx_field(u"Code", true));  // only in a unique, non-primary index
  EXPECT_TRUE(indexes.is_idx_field(u"Line", true));
  EXPECT_FALSE(indexes.is_idx_field(u"line", false));
  EXPECT_FALSE(indexes.is_idx_field(u"Name", false));
}

TEST(UdbRelationships, LookUpByNameIgnoringCase) {
  udb_relationships rels;
  rels.add(udb_relationship(u"FK_Lines_Orders", u"", u"Lines", u"Orders", {u"OrderId", u"Rev"},
                            {u"Id", u"Rev"}, u"CASCADE"));
  rels.add(
      udb_relationship(u"FK_Lines_Items", u"x", u"Lines", u"Items", {u"ItemId"}, {u"Id"}, u""));
  EXPECT_FALSE(rels.is_acceptable_name(u"fk_lines_orders"));
  EXPECT_TRUE(rels.is_acceptable_name(u"FK_Other"));
  const udb_relationship& fk = rels.get_index(u"FK_LINES_ORDERS");
  EXPECT_EQ(fk.table(), u"Lines");
  EXPECT_EQ(fk.referenced_table(), u"Orders");
  EXPECT_EQ(fk.fields(), (names{u"OrderId", u"Rev"}));
  EXPECT_EQ(fk.referenced_fields(), (names{u"Id", u"Rev"}));
  EXPECT_EQ(fk.delete_rule(), u"CASCADE");
  EXPECT_EQ(rels.get_index(u"fk_lines_items").second_name(), u"x");
  try {
    rels.get_index(u"FK_None");
    FAIL() << "expected an assertion";
  } catch (const tk_mail_assertion& e) {
    // "udb_rel\" in hexadecimal.
    EXPECT_NE(std::string(e.what()).find("code=7564625f72656c5c"), std::string::npos) << e.what();
  }
}

}  // namespace
