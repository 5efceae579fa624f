#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using alter = engine_test;

TEST_F(alter, AddColumnsToFilledTables) {
  exec("create table t (a number)");
  exec("insert into t values (1)");
  exec("alter table t add (b varchar2(5) default 'new', c date)");
  EXPECT_EQ(one("select a, b, c from t"), "1|new|(null)");
  EXPECT_EQ(error_of("alter table t add a number"), 1430);
  EXPECT_EQ(error_of("alter table t add d number not null"), 1758);
  exec("alter table t add d number default 0 not null");
  EXPECT_EQ(one("select d from t"), "0");
  EXPECT_EQ(one("select max(column_id) from user_tab_columns where table_name = 'T'"), "4");
}

TEST_F(alter, ModifyTypesOnlyWhereTheDataFits) {
  exec("create table t (a varchar2(10), n number(5,2), d date)");
  exec("insert into t values ('abcdef', 123.45, null)");
  EXPECT_EQ(error_of("alter table t modify a varchar2(3)"), 1441);
  exec("alter table t modify a varchar2(20)");
  EXPECT_EQ(error_of("alter table t modify n number(4,2)"), 1440);
  exec("alter table t modify n number(8,2)");
  EXPECT_EQ(error_of("alter table t modify a number"), 1439);
  exec("alter table t modify d varchar2(10)");  // only NULLs: allowed
  EXPECT_EQ(one("select data_type, data_length from user_tab_columns where column_name = 'A'"),
            "VARCHAR2|20");
  EXPECT_EQ(one("select data_precision from user_tab_columns where column_name = 'N'"), "8");
}

TEST_F(alter, DropIndexesTriggersAndTheirErrors) {
  exec("create table t (a number, b number)");
  exec("alter table t add constraint pk primary key (a)");
  exec("create index ib on t (b)");
  EXPECT_EQ(error_of("drop index pk"), 2429);
  EXPECT_EQ(error_of("drop index nothing"), 1418);
  exec("drop index ib");
  exec("create index ib on t (b)");  // the name is free again
  EXPECT_EQ(error_of("drop trigger nothing"), 4080);
  exec("create trigger g before insert on t for each row begin :new.b := 7; end;");
  EXPECT_EQ(error_of("create trigger g before insert on t for each row begin :new.b := 8; end;"),
            4081);
  exec("insert into t (a) values (1)");
  EXPECT_EQ(one("select b from t"), "7");
  exec("drop trigger g");
  exec("insert into t (a) values (2)");
  EXPECT_EQ(one("select b from t where a = 2"), "(null)");
}

TEST_F(alter, NotNullConstraintsInTheDictionary) {
  exec("create table t (a number not null, b number)");
  EXPECT_EQ(rows("select constraint_type, search_condition, generated from user_constraints"),
            (std::vector<std::string>{"C|\"A\" IS NOT NULL|GENERATED NAME"}));
  exec("alter table t modify b not null");
  exec("alter table t modify a null");
  EXPECT_EQ(rows("select c.search_condition, cc.column_name, cc.position from user_constraints c, "
                 "user_cons_columns "
                 "cc where c.constraint_name = cc.constraint_name"),
            (std::vector<std::string>{"\"B\" IS NOT NULL|B|(null)"}));
}

TEST_F(alter, EndedSessionRefusesWork) {
  s_->logoff();
  EXPECT_EQ(error_of("select * from dual"), 3114);
}

TEST_F(alter, OwnerQualifiedNames) {
  exec("create table t (a number)");
  exec("insert into scott.t values (1)");
  EXPECT_EQ(one("select count(*) from scott.t"), "1");
  EXPECT_EQ(one("select dummy from sys.dual"), "X");
  EXPECT_EQ(error_of("insert into other.t values (1)"), 942);
}

}  // namespace
}  // namespace tsl::eora::testing
