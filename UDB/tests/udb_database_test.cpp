#include "UDB/udb_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

// A database with only the shared behaviour, as both engines inherit it.
class plain_database : public udb_database {
 public:
  using udb_database::udb_database;
  std::unique_ptr<udb_recordset> create_table(const std::u16string&, const udb_schema&,
                                              const udb_indexes&) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_table(const std::u16string&, int32_t) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_table(const std::u16string&, const std::u16string&,
                                           int32_t) override {
    return nullptr;
  }
  bool test_query(const std::u16string&) override { return false; }
};

using names = std::vector<std::u16string>;

TEST(UdbDatabase, SourceDatabaseFindsTablesIgnoringCase) {
  plain_database mssql(u"Northwind", udb_database::kReadOnly, false);
  mssql.add_table_name(u"ORDERS");
  mssql.add_table_name(u"Order Details");
  EXPECT_TRUE(mssql.is_table_exist(u"orders"));
  EXPECT_TRUE(mssql.is_table_exist(u"ORDER DETAILS"));
  EXPECT_FALSE(mssql.is_table_exist(u"ORDER"));
  EXPECT_FALSE(mssql.is_table_exist(u"ORDERS "));
}

TEST(UdbDatabase, DestinationDatabaseComparesExactly) {
  plain_database oracle(u"orcl", udb_database::kReadOnly, true);
  oracle.add_table_name(u"ORDERS");
  EXPECT_TRUE(oracle.is_table_exist(u"ORDERS"));
  EXPECT_FALSE(oracle.is_table_exist(u"orders"));
  EXPECT_THROW(oracle.delete_tab(u"Orders"), tk_mail_assertion);
  EXPECT_EQ(oracle.table_names(), names{u"ORDERS"});
}

TEST(UdbDatabase, DeleteTabKeepsTheOrderOfTheOthers) {
  plain_database db(u"db", 1, false);
  for (const char16_t* name : {u"A", u"b", u"C", u"b2"}) db.add_table_name(name);
  EXPECT_TRUE(db.delete_tab(u"B"));
  EXPECT_EQ(db.table_names(), (names{u"A", u"C", u"b2"}));
  EXPECT_FALSE(db.is_table_exist(u"b"));
  try {
    db.delete_tab(u"b");
    FAIL() << "a second deletion must be refused";
  } catch (const tk_mail_assertion& e) {
    // "udb_db\" in hexadecimal.
    EXPECT_NE(std::string(e.what()).find("code=7564625f64625c"), std::string::npos) << e.what();
  }
  EXPECT_EQ(db.table_names().size(), 3u);
}

TEST(UdbDatabase, BaseQueryIsNotSupported) {
  plain_database db(u"db", 1, false);
  EXPECT_THROW(db.query(u"select 1 from dual"), tk_mail_assertion);
  EXPECT_NO_THROW(db.create_relationships(db.relationships()));
}

}  // namespace
