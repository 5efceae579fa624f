#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using constraints = engine_test;

TEST_F(constraints, PrimaryAndUniqueKeysRefuseDuplicates) {
  exec("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0) NOT NULL, \"CODE\" VARCHAR2(10), \"X\" NUMBER)");
  exec("ALTER TABLE \"T\" ADD CONSTRAINT \"PK_T\" PRIMARY KEY (\"ID\")");
  exec("ALTER TABLE \"T\" ADD CONSTRAINT \"UQ_CODE\" UNIQUE (\"CODE\")");
  exec("insert into t values (1, 'a', 1)");
  EXPECT_EQ(error_of("insert into t values (1, 'b', 2)"), 1);
  EXPECT_EQ(last_message_, "ORA-00001: unique constraint (SCOTT.PK_T) violated");
  EXPECT_EQ(error_of("insert into t values (2, 'a', 2)"), 1);
  EXPECT_EQ(last_message_, "ORA-00001: unique constraint (SCOTT.UQ_CODE) violated");
  // NULLs never collide in a unique key.
  exec("insert into t values (3, null, 3)");
  exec("insert into t values (4, null, 4)");
  EXPECT_EQ(one("select count(*) from t"), "3");
}

TEST_F(constraints, KeysOverSeveralColumnsCompareTheirNonNullParts) {
  exec("create table k (a number, b number, c number)");
  exec("alter table k add constraint uk unique (a, b)");
  exec("insert into k values (1, null, 1)");
  EXPECT_EQ(error_of("insert into k values (1, null, 2)"), 1);
  EXPECT_EQ(last_message_, "ORA-00001: unique constraint (SCOTT.UK) violated");
  exec("insert into k values (null, null, 3)");
  exec("insert into k values (null, null, 4)");
  exec("insert into k values (2, null, 5)");
  EXPECT_EQ(error_of("update k set a = 1 where c = 5"), 1);
  exec("update k set c = 6 where c = 1");  // the row does not collide with itself
}

TEST_F(constraints, KeyAndIndexErrors) {
  exec("create table t (a number, b number, c clob)");
  exec("alter table t add constraint pk primary key (a)");
  EXPECT_EQ(error_of("alter table t add constraint pk2 primary key (b)"), 2260);
  EXPECT_EQ(error_of("alter table t add constraint u1 unique (a)"), 2261);
  EXPECT_EQ(error_of("alter table t add constraint pk unique (b)"), 2264);
  EXPECT_EQ(error_of("create index i1 on t (a)"), 1408);
  exec("create index i2 on t (b, a)");
  EXPECT_EQ(error_of("create index i3 on t (b, a)"), 1408);
  EXPECT_EQ(error_of("create index i2 on t (b)"), 955);
  EXPECT_EQ(error_of("create index i4 on t (c)"), 2327);
  EXPECT_EQ(error_of("create index i5 on t (nope)"), 904);
  EXPECT_EQ(error_of("create index i6 on nothing (a)"), 942);
}

TEST_F(constraints, PrimaryKeyColumnsBecomeNotNull) {
  exec("create table t (a number, b varchar2(3))");
  exec("alter table t add primary key (a)");
  EXPECT_EQ(
      one("select nullable from user_tab_columns where table_name = 'T' and column_name = 'A'"),
      "N");
  EXPECT_EQ(error_of("insert into t values (null, 'x')"), 1400);
  EXPECT_EQ(error_of("alter table t modify a null"), 1451);
}

TEST_F(constraints, ForeignKeysWithDeleteRules) {
  exec("create table parent (id number primary key)");
  exec("create table child (id number, pid number)");
  exec("insert into parent values (1)");
  exec("insert into child values (10, 1)");
  exec("insert into child values (11, 2)");
  EXPECT_EQ(
      error_of("ALTER TABLE \"CHILD\" ADD FOREIGN KEY (\"PID\") REFERENCES \"PARENT\"(\"ID\")"),
      2298);
  EXPECT_EQ(last_message_.substr(0, 30), "ORA-02298: cannot validate (SC");
  exec("delete from child where id = 11");
  EXPECT_EQ(
      error_of("ALTER TABLE \"CHILD\" ADD FOREIGN KEY (\"ID\") REFERENCES \"PARENT\"(\"ID\")"),
      2298);
  exec(
      "ALTER TABLE \"CHILD\" ADD FOREIGN KEY (\"PID\") REFERENCES \"PARENT\"(\"ID\") ON DELETE "
      "CASCADE");
  EXPECT_EQ(error_of("insert into child values (12, 5)"), 2291);
  EXPECT_EQ(
      error_of("ALTER TABLE \"CHILD\" ADD FOREIGN KEY (\"PID\") REFERENCES \"PARENT\"(\"ID\")"),
      2275);
  EXPECT_EQ(error_of("alter table child add foreign key (pid) references child (id)"), 2270);
  EXPECT_EQ(one("select delete_rule from user_constraints where constraint_type = 'R'"), "CASCADE");
  exec("delete from parent where id = 1");
  EXPECT_EQ(one("select count(*) from child"), "0");
  EXPECT_EQ(error_of("drop table parent"), 2449);
  exec("drop table parent cascade constraints");
  EXPECT_EQ(one("select count(*) from user_constraints where constraint_type = 'R'"), "0");
}

TEST_F(constraints, NumberPrecisionScaleAndRounding) {
  exec(
      "create table n (a number(5,2), b number(3), c number(2,-2), d number, e integer, f "
      "number(3,5))");
  exec("insert into n (a, b, c, d, e) values (123.456, 12.5, 1234, 0.1, 2.5)");
  EXPECT_EQ(one("select a, b, c, d, e from n"), "123.46|13|1200|.1|3");
  EXPECT_EQ(error_of("insert into n (a) values (1000)"), 1438);
  EXPECT_EQ(error_of("insert into n (a) values (999.995)"), 1438);
  EXPECT_EQ(error_of("insert into n (b) values (-1000)"), 1438);
  EXPECT_EQ(error_of("insert into n (f) values (0.01)"), 1438);
  exec("insert into n (f) values (0.00123456)");
  EXPECT_EQ(error_of("insert into n (a) values ('abc')"), 1722);
  exec("insert into n (d) values (12345678901234567890123456789012345678)");
  EXPECT_EQ(one("select d from n where d > 1"), "12345678901234567890123456789012345678");
  exec("insert into n (d) values (-0.000000000000000000000000000000000001)");
  EXPECT_EQ(one("select d from n where d < 0"), "-.000000000000000000000000000000000001");
}

TEST_F(constraints, TextLengthsByteAndCharSemantics) {
  exec("create table s (v varchar2(3), c varchar2(3 char), n nvarchar2(3), f char(3), r raw(2))");
  EXPECT_EQ(error_of("insert into s (v) values ('äbc')"), 12899);
  EXPECT_EQ(last_message_,
            "ORA-12899: value too large for column \"SCOTT\".\"S\".\"V\" (actual: 4, maximum: 3)");
  exec("insert into s (c, n) values ('äbc', 'äöü')");
  EXPECT_EQ(error_of("insert into s (n) values ('äöüx')"), 12899);
  exec("insert into s (f, r) values ('a', '0A1B')");
  EXPECT_EQ(one("select f || '|', r from s where f is not null"), "a  ||0A1B");
  EXPECT_EQ(error_of("insert into s (r) values ('0A1B2C')"), 12899);
  EXPECT_EQ(error_of("insert into s (r) values ('XY')"), 1465);
  // '' is NULL.
  exec("insert into s (v) values ('')");
  EXPECT_EQ(one("select count(*) from s where v is null"), "3");
}

TEST_F(constraints, DatesThroughToDate) {
  exec("create table d (x date)");
  exec("insert into d values (to_date('2010-11-24', 'YYYY-MM-DD'))");
  exec("insert into d values (to_date('2010-11-24 13:45:59', 'YYYY-MM-DD HH24:MI:SS'))");
  EXPECT_EQ(rows("select x from d order by x"),
            (std::vector<std::string>{"2010-11-24 00:00:00", "2010-11-24 13:45:59"}));
  exec("insert into d values (to_date('08:56:44', 'HH24-MI-SS'))");
  date_time now = current_date();
  char expected[32];
  std::snprintf(expected, sizeof expected, "%04d-%02d-01 08:56:44", now.year, now.month);
  EXPECT_EQ(one("select x from d where x > to_date('2011-01-01', 'YYYY-MM-DD')"), expected);
  EXPECT_EQ(error_of("insert into d values (to_date('2010-13-01', 'YYYY-MM-DD'))"), 1843);
  EXPECT_EQ(error_of("insert into d values (to_date('2010-02-30', 'YYYY-MM-DD'))"), 1847);
  EXPECT_EQ(
      error_of("insert into d values (to_date('2010-01-01 25:00:00', 'YYYY-MM-DD HH24:MI:SS'))"),
      1850);
  EXPECT_EQ(error_of("insert into d values (to_date('2010-01-01x', 'YYYY-MM-DD'))"), 1830);
  EXPECT_EQ(error_of("insert into d values (to_date('20x0-01-01', 'YYYY-MM-DD'))"), 1861);
  EXPECT_EQ(error_of("insert into d values (to_date('abcd', 'YYYY'))"), 1858);
  EXPECT_EQ(error_of("insert into d values ('2010-01-01')"), 1861);
}

}  // namespace
}  // namespace tsl::eora::testing
