#include "UDB/udb_schema.h"

#include <gtest/gtest.h>

#include <string>

#include "TK/tk_exception.h"

namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;

t_ftd column(VARTYPE vt, uint32_t size, std::u16string name = u"C") {
  return t_ftd(size, std::move(name), vt, false, false, ole_variant(), 0);
}

TEST(TFtd, Equality) {
  EXPECT_TRUE(column(VT_DECIMAL, 0) == column(VT_CY, 8));
  EXPECT_TRUE(column(VT_CY, 8) == column(VT_DECIMAL, 0));
  EXPECT_TRUE(column(VT_BSTR, 50, u"A") == column(VT_BSTR, 50, u"B"));  // names do not count
  EXPECT_FALSE(column(VT_BSTR, 50) == column(VT_BSTR, 0));
  EXPECT_TRUE(column(VT_I4, 4) == column(VT_I4, 11));  // only texts compare sizes
  EXPECT_TRUE(column(VT_BLOB, 16) == column(VT_BLOB, 0));
  EXPECT_FALSE(column(VT_I4, 4) == column(VT_I2, 4));
  EXPECT_FALSE(column(VT_LPSTR, 5) == column(VT_BSTR, 5));
}

struct conformity {
  VARTYPE src_vt;
  uint32_t src_size;
  VARTYPE dest_vt;
  uint32_t dest_size;
  bool conforms;
};

TEST(TFtd, ConformTo) {
  const conformity cases[] = {
      // Text into text: the size rule.
      {VT_BSTR, 50, VT_BSTR, 0, true},
      {VT_BSTR, 50, VT_BSTR, 50, true},
      {VT_BSTR, 50, VT_BSTR, 51, true},
      {VT_BSTR, 50, VT_BSTR, 40, false},
      {VT_LPSTR, 50, VT_BSTR, 40, false},
      {VT_BSTR, 10, VT_LPWSTR, 10, true},
      {VT_BSTR, 0, VT_BSTR, 40, true},  // the rule reads a source size of 0 as 0
      // Numbers: any numeric source but VT_INT and VT_UINT.
      {VT_DECIMAL, 0, VT_CY, 0, true},
      {VT_INT, 4, VT_I4, 4, false},
      {VT_UINT, 4, VT_UI4, 4, false},
      {VT_INT, 4, VT_INT, 4, true},  // equal descriptors always conform
      {VT_I8, 8, VT_I2, 2, true},    // no range check
      {VT_BOOL, 2, VT_DECIMAL, 0, true},
      {VT_R8, 8, VT_INT, 4, true},
      {VT_BSTR, 10, VT_I4, 4, false},
      {VT_DATE, 8, VT_R8, 8, false},
      // Dates: a date, or a text of exactly the date-and-time length.
      {VT_BSTR, 19, VT_DATE, 8, true},
      {VT_BSTR, 20, VT_DATE, 8, false},
      {VT_BSTR, 10, VT_DATE, 8, false},
      {VT_I4, 4, VT_DATE, 8, false},
      // Into text: binary never, numbers and dates always.
      {VT_BLOB, 0, VT_BSTR, 0, false},
      {kByteArray, 4, VT_BSTR, 4000, false},
      {VT_BLOB_OBJECT, 4, VT_LPSTR, 0, false},
      {VT_I4, 4, VT_BSTR, 1, true},
      {VT_DATE, 8, VT_BSTR, 5, true},
      // Into binary: text and binary by size, anything else always.
      {VT_BLOB, 16, kByteArray, 16, true},
      {VT_BLOB, 17, kByteArray, 16, false},
      {VT_BLOB, 0, VT_BLOB, 16, true},  // equal vartypes
      {kByteArray, 17, VT_BLOB, 16, false},
      {VT_BSTR, 100, VT_BLOB, 0, true},
      {VT_BSTR, 100, VT_BLOB, 99, false},
      {VT_I4, 4, VT_BLOB_OBJECT, 1, true},
      // Anything else never, unless equal.
      {VT_BSTR, 10, VT_VARIANT, 0, false},
      {VT_I4, 4, VT_ERROR, 4, false},
      {VT_ERROR, 4, VT_ERROR, 4, true},
  };
  for (const conformity& c : cases) {
    EXPECT_EQ(column(c.src_vt, c.src_size).conform_to(column(c.dest_vt, c.dest_size)), c.conforms)
        << "src " << c.src_vt << "/" << c.src_size << " dest " << c.dest_vt << "/" << c.dest_size;
  }
}

// Builds an owning schema of (vartype, size) columns named C1, C2, ...
udb_schema schema_of(std::initializer_list<std::pair<VARTYPE, uint32_t>> columns) {
  udb_schema schema;
  int n = 0;
  for (auto [vt, size] : columns) {
    std::u16string name = u"C";
    name.push_back(static_cast<char16_t>(u'1' + n++));
    schema.add(new t_ftd(column(vt, size, name)));
  }
  return schema;
}

TEST(UdbSchema, ConformsPositionByPosition) {
  udb_schema src = schema_of({{VT_I4, 4}, {VT_BSTR, 50}, {VT_DATE, 8}});
  EXPECT_TRUE(src.conform_to(schema_of({{VT_I4, 4}, {VT_BSTR, 0}, {VT_DATE, 8}})));
  // The same columns in another order.
  EXPECT_FALSE(src.conform_to(schema_of({{VT_BSTR, 50}, {VT_I4, 4}, {VT_DATE, 8}})));
  EXPECT_FALSE(src.conform_to(schema_of({{VT_I4, 4}, {VT_BSTR, 40}, {VT_DATE, 8}})));
  // Column counts must agree, even when every shared position conforms.
  EXPECT_FALSE(src.conform_to(schema_of({{VT_I4, 4}, {VT_BSTR, 50}})));
  EXPECT_FALSE(src.conform_to(schema_of({{VT_I4, 4}, {VT_BSTR, 50}, {VT_DATE, 8}, {VT_I4, 4}})));
  EXPECT_TRUE(udb_schema().conform_to(udb_schema()));
}

TEST(UdbSchema, NamesAreNotCompared) {
  udb_schema src;
  src.add(new t_ftd(column(VT_I4, 4, u"Id")));
  udb_schema dest;
  dest.add(new t_ftd(column(VT_I4, 4, u"Other")));
  EXPECT_TRUE(src.conform_to(dest));
}

TEST(UdbSchema, LookUpsIgnoreCaseAndTheFirstMatchWins) {
  udb_schema schema;
  schema.add(new t_ftd(column(VT_I4, 4, u"Id")));
  schema.add(new t_ftd(column(VT_BSTR, 30, u"Name")));
  schema.add(new t_ftd(column(VT_BSTR, 99, u"NAME")));
  EXPECT_TRUE(schema.find_field(u"name"));
  EXPECT_TRUE(schema.find_field(u"ID"));
  EXPECT_FALSE(schema.find_field(u"Nam"));
  EXPECT_EQ(&schema.get_field(u"NAME"), &schema[1]);
  EXPECT_EQ(schema.get_field_size(u"nAmE"), 30u);
  EXPECT_EQ(schema.get_field_type(u"id"), VT_I4);
}

TEST(UdbSchema, MissingNamesAreInternalErrors) {
  udb_schema schema = schema_of({{VT_I4, 4}});
  EXPECT_THROW(schema.get_field(u"X"), tk_mail_assertion);
  EXPECT_THROW(schema.get_field_type(u"X"), tk_mail_assertion);
  try {
    schema.get_field_size(u"X");
    FAIL() << "expected an assertion";
  } catch (const tk_mail_assertion& e) {
    // "udb_sche\" in hexadecimal.
    EXPECT_NE(std::string(e.what()).find("code=7564625f736368655c"), std::string::npos) << e.what();
  }
}

TEST(UdbSchema, OnlyAnOwningSchemaDeletesItsDescriptors) {
  udb_schema owner = schema_of({{VT_I4, 4}, {VT_BSTR, 10}});
  {
    udb_schema view(false);
    for (size_t i = 0; i < owner.size(); ++i) view.add(&owner[i]);
    udb_schema moved(std::move(view));
    EXPECT_FALSE(moved.owns_fields());
    EXPECT_EQ(moved.size(), 2u);
  }  // the sanitizer build catches a second deletion here
  EXPECT_EQ(owner[1].size(), 10u);
  udb_schema other = std::move(owner);
  EXPECT_EQ(other.size(), 2u);
  EXPECT_TRUE(owner.empty());
}

}  // namespace
