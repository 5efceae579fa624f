#include "UDB/udb_recordset.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_type_exception.h"
#include "TK/tk_exception.h"

namespace {

// A destination that keeps what it is given, converted as the Oracle table does.
class kept_table : public udb_recordset {
 public:
  using udb_recordset::udb_recordset;
  void append_record(udb_record& record) override {
    convert_record(record);
    ++appended;
  }
  int appended = 0;
};

std::unique_ptr<udb_field> value(const char16_t* name, const ole_variant& v) {
  return std::make_unique<udb_field>(name, 0, v);
}

void add_column(udb_recordset& table, const char16_t* name, VARTYPE vt, uint32_t size) {
  table.schema().add(new t_ftd(size, name, vt, false, false, ole_variant(), 0));
}

TEST(UdbRecord, LookUpsIgnoreCaseAndTheFirstMatchWins) {
  udb_record record;
  record.add(value(u"Id", ole_variant(7)));
  record.add(value(u"Name", ole_variant(std::u16string(u"first"))));
  record.add(value(u"NAME", ole_variant(std::u16string(u"second"))));
  EXPECT_TRUE(record.find_field(u"name"));
  EXPECT_FALSE(record.find_field(u"Names"));
  EXPECT_EQ(record.get_field(u"nAME").to_wstring(), u"first");
  EXPECT_EQ(record.get_field(u"ID").to_long(), 7);
  // An absent name answers an empty value, not a failure.
  EXPECT_EQ(record.get_field(u"Missing").vartype(), VT_EMPTY);
}

TEST(UdbRecord, FieldKeepsNameAndSizeBesideItsValue) {
  udb_field field(u"Code", 12, ole_variant(std::u16string(u"AB")));
  EXPECT_EQ(field.name(), u"Code");
  EXPECT_EQ(field.size(), 12u);
  EXPECT_EQ(field.vartype(), VT_BSTR);
  udb_field empty(u"E", 0);
  EXPECT_EQ(empty.vartype(), VT_EMPTY);
}

TEST(UdbRecordset, BaseBehaviour) {
  kept_table table(u"Orders", true);
  EXPECT_FALSE(table.is_query());
  EXPECT_TRUE(table.is_eof());
  EXPECT_EQ(table.get_item(), nullptr);
  EXPECT_EQ(table.record_count(), 0);
  table.reset();
  table.next();
  kept_table query(u"Q", u"select 1", true);
  EXPECT_TRUE(query.is_query());
  EXPECT_EQ(query.query(), u"select 1");
  EXPECT_EQ(query.name(), u"Q");
}

TEST(UdbRecordset, ConvertRecordTakesTheTypesOfTheColumnsByPosition) {
  kept_table table(u"T", true);
  add_column(table, u"ID", VT_I4, 4);
  add_column(table, u"PRICE", VT_R8, 8);
  add_column(table, u"NOTE", VT_BSTR, 20);
  udb_record record;
  // Names are carried, not matched: position decides.
  record.add(value(u"note", ole_variant(std::u16string(u"42"))));
  record.add(value(u"id", ole_variant(std::u16string(u"2.5"))));
  record.add(value(u"price", ole_variant(3)));
  table.append_record(record);
  EXPECT_EQ(record[0].vartype(), VT_I4);
  EXPECT_EQ(record[0].to_long(), 42);
  EXPECT_EQ(record[0].name(), u"note");
  EXPECT_EQ(record[1].vartype(), VT_R8);
  EXPECT_DOUBLE_EQ(record[1].to_double(), 2.5);
  EXPECT_EQ(record[2].vartype(), VT_BSTR);
  EXPECT_EQ(record[2].to_wstring(), u"3");
  EXPECT_EQ(table.appended, 1);
}

TEST(UdbRecordset, ConvertRecordFailures) {
  kept_table table(u"T", true);
  add_column(table, u"D", VT_DATE, 8);
  udb_record bad;
  bad.add(value(u"D", ole_variant(std::u16string(u"2010-11-24"))));  // a date without a time
  EXPECT_THROW(table.convert_record(bad), ole_type_exception);

  // A record wider than the schema has no type for its last value.
  udb_record wide;
  wide.add(value(u"D", ole_variant(std::u16string(u"2010-11-24 08:56:44"))));
  wide.add(value(u"X", ole_variant(1)));
  EXPECT_THROW(table.convert_record(wide), tk_mail_assertion);
  EXPECT_EQ(wide[0].vartype(), VT_BSTR);  // refused before anything changed

  udb_record narrow;  // fewer values than columns: the ones present are changed
  narrow.add(value(u"D", ole_variant(std::u16string(u"2010-11-24 08:56:44"))));
  kept_table two(u"T2", true);
  add_column(two, u"D", VT_DATE, 8);
  add_column(two, u"E", VT_I4, 4);
  two.convert_record(narrow);
  EXPECT_EQ(narrow[0].vartype(), VT_DATE);
}

TEST(UdbRecordset, AddIndexRefusesATakenNameIgnoringCase) {
  kept_table table(u"T", true);
  table.add_index(udb_index(u"PK_T", true, true, {u"Id"}));
  table.add_index(udb_index(u"pk_t", false, false, {u"Other"}));
  table.add_index(udb_index(u"IX_T", false, false, {u"Other"}));
  ASSERT_EQ(table.indexes().size(), 2u);
  EXPECT_TRUE(table.indexes()[0].is_primary());
  EXPECT_EQ(table.indexes()[1].name(), u"IX_T");
  table.clean_indexes();
  EXPECT_TRUE(table.indexes().empty());
  table.add_index(udb_index(u"pk_t", false, false, {u"Other"}));
  EXPECT_EQ(table.indexes().size(), 1u);
}

}  // namespace

TEST(UdbRecordset, TrueBitsStayOne) {
  kept_table table(u"T", true);
  add_column(table, u"a", VT_I2, 2);
  add_column(table, u"b", VT_BSTR, 10);
  add_column(table, u"c", VT_BOOL, 2);
  add_column(table, u"d", VT_I2, 2);
  udb_record r;
  r.add(value(u"a", ole_variant(true)));
  r.add(value(u"b", ole_variant(true)));
  r.add(value(u"c", ole_variant(true)));
  r.add(value(u"d", ole_variant(false)));
  table.convert_record(r);
  EXPECT_EQ(r[0].to_long(), 1);
  EXPECT_EQ(r[1].to_wstring(), u"1");
  EXPECT_EQ(r[2].vartype(), VT_BOOL);
  EXPECT_TRUE(r[2].to_bool());
  EXPECT_EQ(r[3].to_long(), 0);
}
