// Statements parse into what they say, and malformed ones fail with the
// error Oracle gives.
#include <gtest/gtest.h>

#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/parser.h"

namespace tsl::eora {
namespace {

int code_of(const std::string& sql) {
  try {
    parse_statement(sql);
  } catch (const oracle_error& e) {
    return e.code();
  }
  return 0;
}

template <typename T>
std::unique_ptr<T> parsed(const std::string& sql) {
  stmt_ptr s = parse_statement(sql);
  T* raw = dynamic_cast<T*>(s.get());
  EXPECT_NE(raw, nullptr) << sql;
  s.release();
  return std::unique_ptr<T>(raw);
}

TEST(parser, CreateTableCarriesTypesDefaultsAndConstraints) {
  auto t = parsed<create_table_stmt>(
      "CREATE TABLE \"T\" (\"A\" NUMBER(11,0) NOT NULL, b varchar2(10 char) default 'x y' , c "
      "clob, "
      "d number primary key, e raw(16) constraint u1 unique, constraint fk foreign key (a) "
      "references p (id) on "
      "delete set null)");
  ASSERT_EQ(t->columns.size(), 5u);
  EXPECT_EQ(t->columns[0].name, "A");
  EXPECT_EQ(t->columns[0].nullability, 2);
  EXPECT_EQ(t->columns[0].type.precision, 11);
  EXPECT_EQ(t->columns[0].type.scale, 0);
  EXPECT_TRUE(t->columns[1].type.char_semantics);
  EXPECT_EQ(t->columns[1].default_text, "'x y' ");
  EXPECT_EQ(t->columns[3].constraints.at(0).type, 'P');
  EXPECT_EQ(t->columns[4].constraints.at(0).name, "U1");
  ASSERT_EQ(t->constraints.size(), 1u);
  EXPECT_EQ(t->constraints[0].type, 'R');
  EXPECT_EQ(t->constraints[0].ref_table, "P");
  EXPECT_EQ(t->constraints[0].delete_rule, "SET NULL");
}

TEST(parser, SequenceTriggerAndAlterForms) {
  auto q = parsed<create_sequence_stmt>(
      "CREATE SEQUENCE \"S_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 NOCYCLE "
      "NOCACHE ORDER");
  EXPECT_EQ(q->max_value, "1.0E28");
  EXPECT_EQ(q->cache, 0);
  EXPECT_TRUE(q->order);
  auto g = parsed<create_trigger_stmt>(
      "create or replace trigger g before insert or update on t for each row when (new.a is null) "
      "begin "
      ":new.a := 5; select s.nextval, 'x' into :new.b, :new.c from dual; null; end g;");
  EXPECT_TRUE(g->or_replace);
  EXPECT_EQ(g->events, "INSERT OR UPDATE");
  EXPECT_EQ(g->when_text, "new.a is null");
  EXPECT_TRUE(g->body_error.empty());
  EXPECT_EQ(g->actions.size(), 3u);
  auto bad = parsed<create_trigger_stmt>(
      "create trigger g before insert on t for each row begin delete from t; end;");
  EXPECT_FALSE(bad->body_error.empty());
  auto m =
      parsed<alter_modify_stmt>("ALTER TABLE \"T\" MODIFY \"C\" VARCHAR2(20) DEFAULT 'a' NULL");
  EXPECT_TRUE(m->items[0].has_type);
  EXPECT_TRUE(m->items[0].has_default);
  EXPECT_EQ(m->items[0].nullability, 1);
  auto a = parsed<alter_add_stmt>(
      "ALTER TABLE \"C\" ADD FOREIGN KEY (\"P\") REFERENCES \"P\"(\"ID\")  on delete cascade ");
  EXPECT_EQ(a->constraints[0].delete_rule, "CASCADE");
  auto d = parsed<drop_stmt>("DROP TABLE \"T\" CASCADE CONSTRAINTS");
  EXPECT_TRUE(d->cascade);
  auto i = parsed<insert_stmt>(
      "INSERT /*+ APPEND */ INTO \"T\" VALUES(1, 'a''b', NULL) RETURNING ROWID INTO :1");
  EXPECT_EQ(i->values.size(), 3u);
  EXPECT_EQ(i->values[1]->literal.str, "a'b");
  EXPECT_EQ(i->into, (std::vector<std::string>{"1"}));
}

TEST(parser, MalformedStatements) {
  struct {
    const char* sql;
    int code;
  } cases[] = {
      {"select", 936},
      {"select 1", 923},
      {"select 1 from", 903},
      {"select * from t where a =", 936},
      {"select * from t order", 924},
      {"select * from t t2 t3", 933},
      {"select (1 from dual", 907},
      {"select a b c from t", 923},
      {"insert t values (1)", 925},
      {"insert into t (a values (1)", 907},
      {"insert into t valuez (1)", 926},
      {"insert into t values (1,)", 936},
      {"insert into t values (1) returning rowid", 925},
      {"update t a = 1", 971},
      {"update t set a 1", 927},
      {"create tabel t (a number)", 901},
      {"create table t", 906},
      {"create table t ()", 904},
      {"create table t (a)", 902},
      {"create table t (a number(0))", 1727},
      {"create table t (a varchar2(0))", 1723},
      {"create table t (a float(127))", 1724},
      {"create table t (a number default)", 936},
      {"create table t (a number not)", 908},
      {"alter table t", 1735},
      {"alter index i rebuild", 940},
      {"drop view v", 950},
      {"drop table", 903},
      {"create sequence s increment 1", 924},
      {"create sequence s bogus", 933},
      {"create index on t (a)", 953},
      {"commit work now", 933},
      {"select 1 from dual; select 2 from dual", 911},
  };
  for (const auto& c : cases) EXPECT_EQ(code_of(c.sql), c.code) << c.sql;
}

TEST(parser, NamesLongerThanTheReleaseAllows) {
  std::string long_name(31, 'A');
  EXPECT_EQ(code_of("create table " + long_name + " (a number)"), 972);
  EXPECT_NO_THROW(parse_statement("create table " + long_name + " (a number)", 128));
  EXPECT_EQ(code_of("create table \"" + std::string(31, 'b') + "\" (a number)"), 972);
  // The limit counts bytes: 15 two-byte letters fit, 16 do not.
  std::string wide;
  for (int i = 0; i < 16; ++i) wide += "\xc3\xa4";
  EXPECT_EQ(code_of("create table \"" + wide + "\" (a number)"), 972);
  EXPECT_EQ(code_of("create table \"" + wide.substr(2) + "\" (a number)"), 0);
}

}  // namespace
}  // namespace tsl::eora
