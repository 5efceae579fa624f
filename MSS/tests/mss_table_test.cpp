// Tables as the catalogue describes them: defaults, identity columns,
// decimal precision, keys, indexes, foreign keys, owners, queries.
#include <string>
#include <vector>

#include "MSS/mss_table.h"
#include "MSS/odb_exception.h"
#include "MSS/tests/mss_fixture.h"
#include "TK/tk_exception.h"

namespace mss_testing {
namespace {

class mss_table_test : public mss_fixture {
 protected:
  std::string script() override {
    return "CREATE TABLE defs (id int IDENTITY(1,1) NOT NULL PRIMARY KEY, "
           "a int DEFAULT 0, b int CONSTRAINT df_b DEFAULT (5), c varchar(10) DEFAULT '', "
           "d varchar(10) DEFAULT 'it''s', e datetime DEFAULT getdate(), "
           "f datetime DEFAULT '2001-01-01', g varchar(2) DEFAULT 'abc', "
           "h nvarchar(10) DEFAULT N'abc', i decimal(18,4) DEFAULT 1.5, "
           "j decimal(38,2), k decimal(37,0), m int DEFAULT 'x', n float DEFAULT -1.25)\n"
           "CREATE TABLE big_id (id bigint IDENTITY PRIMARY KEY, v int)\n"
           "CREATE TABLE lines (order_id int NOT NULL, line int NOT NULL, sku varchar(10), "
           "qty int, note varchar(10), "
           "CONSTRAINT pk_lines PRIMARY KEY (line, order_id))\n"
           "CREATE UNIQUE INDEX ux_lines ON lines (sku, qty)\n"
           "CREATE INDEX ix_note ON lines (note)\n"
           "CREATE TABLE parent (id int CONSTRAINT pk_parent PRIMARY KEY, x int)\n"
           "CREATE TABLE child (id int PRIMARY KEY, pid int, "
           "CONSTRAINT fk_child_parent FOREIGN KEY (pid) REFERENCES parent (id))\n"
           "CREATE TABLE pair (a int NOT NULL, b int NOT NULL, CONSTRAINT pk_pair PRIMARY KEY (a, "
           "b))\n"
           "CREATE TABLE pair_ref (id int PRIMARY KEY, pa int, pb int, "
           "CONSTRAINT fk_pair FOREIGN KEY (pa, pb) REFERENCES pair (a, b) ON DELETE CASCADE)\n"
           "CREATE TABLE shared (id int)\n"
           "INSERT INTO shared VALUES (1), (2), (3)\n"
           "CREATE SCHEMA hr\nGO\n"
           "CREATE TABLE hr.people (pid int PRIMARY KEY, name nvarchar(20) DEFAULT N'x')\n"
           "INSERT INTO hr.people VALUES (1, N'ann'), (2, N'bo')\n"
           "CREATE SCHEMA bob\nGO\nCREATE TABLE bob.shared (id int)\n"
           "CREATE TABLE [odd]]name] (id int CONSTRAINT pk_odd PRIMARY KEY, v int DEFAULT 3)\n"
           "INSERT INTO [odd]]name] VALUES (1, 1)\n";
  }

  std::unique_ptr<udb_recordset> table(const std::u16string& name, int32_t mode = 1) {
    return db_->get_table(name, mode);
  }
};

TEST_F(mss_table_test, defaults_of_every_form) {
  open();
  auto t = table(u"defs");
  const udb_schema& s = t->schema();
  EXPECT_EQ(t->name(), u"[dbo].[defs]");
  EXPECT_EQ(s.get_field(u"a").default_value().vartype(), VT_I4);
  EXPECT_EQ(s.get_field(u"a").default_value().to_long(), 0);
  EXPECT_EQ(s.get_field(u"b").default_value().to_long(), 5);
  // ('') is the empty text.
  EXPECT_EQ(s.get_field(u"c").default_value().to_wstring(), u"");
  EXPECT_EQ(s.get_field(u"d").default_value().to_wstring(), u"it's");
  EXPECT_EQ(s.get_field(u"e").default_value().vartype(), VT_EMPTY);
  EXPECT_EQ(s.get_field(u"f").default_value().vartype(), VT_DATE);
  EXPECT_EQ(s.get_field(u"f").default_value().get_system_time().wYear, 2001);
  EXPECT_EQ(s.get_field(u"g").default_value().vartype(), VT_EMPTY);   // longer than the column
  EXPECT_EQ(s.get_field(u"h").default_value().to_wstring(), u"abc");  // a Unicode literal
  EXPECT_EQ(s.get_field(u"i").default_value().vartype(), VT_DECIMAL);
  // Integers read as far as their digits go.
  EXPECT_EQ(s.get_field(u"m").default_value().to_long(), 0);
  EXPECT_EQ(s.get_field(u"n").default_value().to_double(), -1.25);
  EXPECT_EQ(s.get_field(u"j").default_value().vartype(), VT_EMPTY);
}

TEST_F(mss_table_test, default_texts) {
  EXPECT_EQ(mss_table::get_def_value(VT_I4, u"((0))").to_long(), 0);
  EXPECT_EQ(mss_table::get_def_value(VT_I4, u"(0)").to_long(), 0);
  EXPECT_EQ(mss_table::get_def_value(VT_I4, u"((-1))").to_long(), -1);
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"('')").to_wstring(), u"");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"('it''s')").to_wstring(), u"it's");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"('a''''b')").to_wstring(), u"a''b");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(N'abc')").to_wstring(), u"abc");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(N'd\u00e9j\u00e0 vu')").to_wstring(),
            u"d\u00e9j\u00e0 vu");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(N'')").to_wstring(), u"");
  // Only literals are values: an expression never becomes a text.
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(Nonsense)").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_expression(u"(Nonsense)"), u"Nonsense");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(')").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"((((").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(getdate())").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(sysdatetime())").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_expression(u"(sysdatetime())"), u"sysdatetime()");
  // DEFAULT NULL is no default, whatever the type.
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"(NULL)").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_I4, u"(NULL)").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_expression(u"(NULL)"), u"");
  // Arithmetic is an expression, never a part of itself.
  EXPECT_EQ(mss_table::get_def_value(VT_I4, u"(((1)+(2)))").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_expression(u"(((1)+(2)))"), u"(1)+(2)");
  EXPECT_EQ(mss_table::get_def_expression(u"((((2)*(3))-(1)))"), u"((2)*(3))-(1)");
  EXPECT_EQ(mss_table::get_def_expression(u"('a')+('b')"), u"('a')+('b')");
  EXPECT_EQ(mss_table::get_def_expression(u"('a)(b')"), u"");
  EXPECT_EQ(mss_table::get_def_value(VT_BSTR, u"('a)(b')").to_wstring(), u"a)(b");
  EXPECT_EQ(mss_table::get_def_value(VT_I8, u"((5))").to_wstring(), u"5");
  EXPECT_EQ(mss_table::get_def_value(VT_R8, u"((1.5E+200))").to_wstring(), u"1.5e+200");
  EXPECT_EQ(mss_table::get_def_expression(u"((1.5E+200))"), u"");
  EXPECT_EQ(mss_table::get_def_expression(u"(0x0A1B)"), u"");
  EXPECT_EQ(mss_table::get_def_value(VT_DATE, u"(getdate())").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_DATE, u"('2001-01-01')").get_system_time().wMonth, 1);
  EXPECT_EQ(mss_table::get_def_value(VT_DATE, u"''").vartype(), VT_EMPTY);
  EXPECT_EQ(mss_table::get_def_value(VT_DECIMAL, u"((2.50))").to_wstring(), u"2.5");
}

TEST_F(mss_table_test, identity_and_decimal_precision_from_the_catalogue) {
  open();
  auto t = table(u"defs");
  const udb_schema& s = t->schema();
  EXPECT_TRUE(s.get_field(u"id").is_identity());
  EXPECT_FALSE(s.get_field(u"a").is_identity());
  // LENGTH, not PRECISION: decimal(18,4) ends as 20 and 4.
  EXPECT_EQ(s.get_field(u"i").reserved(), 20 * 256 + 4);
  // ... but never past what Oracle accepts.
  EXPECT_EQ(s.get_field(u"j").reserved(), 38 * 256 + 2);
  EXPECT_EQ(s.get_field(u"k").reserved(), 38 * 256 + 0);
  EXPECT_TRUE(s.get_field(u"id").is_not_null());
  EXPECT_FALSE(s.get_field(u"a").is_not_null());
  auto b = table(u"big_id");
  EXPECT_TRUE(b->schema().get_field(u"id").is_identity());
  EXPECT_FALSE(b->schema().get_field(u"v").is_identity());
}

TEST_F(mss_table_test, composite_key_and_indexes) {
  open();
  auto t = table(u"lines");
  const udb_indexes& ix = t->indexes();
  ASSERT_EQ(ix.size(), 3u);
  EXPECT_EQ(ix[0].name(), u"pk_lines");
  EXPECT_TRUE(ix[0].is_primary());
  EXPECT_TRUE(ix[0].is_unique());
  EXPECT_EQ(ix[0].fields(), (std::vector<std::u16string>{u"line", u"order_id"}));
  const udb_index& u = ix.get_index(u"ux_lines");
  EXPECT_TRUE(u.is_unique());
  EXPECT_FALSE(u.is_primary());
  EXPECT_EQ(u.fields(), (std::vector<std::u16string>{u"sku", u"qty"}));
  const udb_index& plain = ix.get_index(u"ix_note");
  EXPECT_FALSE(plain.is_unique());
  EXPECT_EQ(plain.fields(), (std::vector<std::u16string>{u"note"}));
  // Both bits 5 and 6: no keys, no indexes.
  auto bare = table(u"lines", 1 | 32 | 64);
  EXPECT_TRUE(bare->indexes().empty());
  auto half = table(u"lines", 1 | 32);
  EXPECT_EQ(half->indexes().size(), 3u);
}

TEST_F(mss_table_test, foreign_keys_are_collected_on_the_referenced_table) {
  open();
  table(u"child");
  EXPECT_TRUE(db_->relationships().empty());
  table(u"parent");
  ASSERT_EQ(db_->relationships().size(), 1u);
  const udb_relationship& fk = db_->relationships()[0];
  EXPECT_EQ(fk.name(), u"fk_child_parent");
  EXPECT_EQ(fk.second_name(), u"pk_parent");
  EXPECT_EQ(fk.table(), u"child");
  EXPECT_EQ(fk.referenced_table(), u"parent");
  EXPECT_EQ(fk.fields(), (std::vector<std::u16string>{u"pid"}));
  EXPECT_EQ(fk.referenced_fields(), (std::vector<std::u16string>{u"id"}));
  EXPECT_EQ(fk.delete_rule(), u"");
  // A key over two columns is one descriptor; opening the table again adds
  // no second one.
  table(u"pair");
  table(u"pair");
  ASSERT_EQ(db_->relationships().size(), 2u);
  const udb_relationship& two = db_->relationships().get_index(u"FK_PAIR");
  EXPECT_EQ(two.fields(), (std::vector<std::u16string>{u"pa", u"pb"}));
  EXPECT_EQ(two.referenced_fields(), (std::vector<std::u16string>{u"a", u"b"}));
  // The delete rule comes as the clause Oracle takes; NO ACTION is none.
  EXPECT_EQ(two.delete_rule(), u"ON DELETE CASCADE");
}

TEST_F(mss_table_test, missing_table_is_tried_again_under_dbo) {
  open(true);
  // bob has a table "shared" of his own; "defs" exists under dbo only.
  auto own = table(u"shared");
  EXPECT_EQ(own->name(), u"[bob].[shared]");
  EXPECT_EQ(own->record_count(), 0);
  auto t = table(u"defs");
  EXPECT_EQ(t->name(), u"[dbo].[defs]");
  EXPECT_TRUE(t->schema().get_field(u"id").is_identity());
  try {
    table(u"nowhere");
    FAIL() << "a missing table opened";
  } catch (const odb_exception& e) {
    EXPECT_EQ(e.system_error(), 0x00080E37u);
  }
}

TEST_F(mss_table_test, tables_of_another_owner) {
  open();
  auto t = table(u"[hr].[people]");
  EXPECT_EQ(t->name(), u"[hr].[people]");
  EXPECT_EQ(t->record_count(), 2);
  EXPECT_EQ(t->schema().get_field(u"name").default_value().to_wstring(), u"x");
  ASSERT_EQ(t->indexes().size(), 1u);
  EXPECT_EQ(t->indexes()[0].fields(), (std::vector<std::u16string>{u"pid"}));
  t->reset();
  EXPECT_EQ(t->get_item()->get_field(u"name").to_wstring(), u"ann");
}

TEST_F(mss_table_test, names_with_brackets_stay_names) {
  open();
  EXPECT_EQ(engine_->get_safe_tname(u"odd]name"), u"[dbo].[odd]]name]");
  auto t = table(u"odd]name");
  EXPECT_EQ(t->record_count(), 1);
  EXPECT_EQ(t->schema().get_field(u"v").default_value().to_long(), 3);
  ASSERT_EQ(t->indexes().size(), 1u);
  EXPECT_EQ(t->indexes()[0].name(), u"pk_odd");
  // A name cannot close its brackets and run a statement of its own.
  EXPECT_THROW(table(u"shared]; DELETE FROM shared; --"), odb_exception);
  auto shared = table(u"shared");
  EXPECT_EQ(shared->record_count(), 3);
}

TEST_F(mss_table_test, queries_open_as_tables) {
  open();
  auto q = db_->get_table(u"two_people", u"SELECT pid, name FROM hr.people WHERE pid > 0", 1);
  EXPECT_TRUE(q->is_query());
  EXPECT_EQ(q->name(), u"two_people");
  EXPECT_EQ(q->record_count(), 2);
  EXPECT_EQ(q->schema().size(), 2u);
  EXPECT_TRUE(q->indexes().empty());
  EXPECT_FALSE(q->schema()[1].default_value().vartype() != VT_EMPTY);
  int n = 0;
  for (q->reset(); !q->is_eof(); q->next()) ++n;
  EXPECT_EQ(n, 2);
  EXPECT_THROW(db_->get_table(u"bad", u"SELECT nope FROM hr.people", 1), odb_exception);
}

TEST_F(mss_table_test, queries_that_would_write_are_refused_before_they_run) {
  open();
  for (const char16_t* sql : {u"DROP TABLE shared", u"DELETE FROM shared",
                              u"SELECT id FROM shared; DELETE FROM shared",
                              u"SELECT id FROM shared DELETE FROM shared",
                              u"SELECT * INTO shared_copy FROM shared",
                              u"SELECT id FROM shared) AS q DELETE FROM shared SELECT * FROM (SELECT 1 AS id"}) {
    EXPECT_THROW(db_->get_table(u"q", sql, 1), tk_exception);
    EXPECT_FALSE(db_->test_query(sql));
  }
  EXPECT_EQ(table(u"shared")->record_count(), 3);
  EXPECT_FALSE(db_->test_query(u"SELECT id FROM shared_copy"));
  // A trailing semicolon and comment are fine.
  EXPECT_TRUE(db_->test_query(u"SELECT id FROM shared; -- all of it"));
  EXPECT_EQ(db_->get_table(u"q", u"SELECT id FROM shared;", 1)->record_count(), 3);
}

}  // namespace
}  // namespace mss_testing
