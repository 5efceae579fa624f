#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using dictionary = engine_test;

TEST_F(dictionary, ColumnsWithTypesDefaultsAndNullability) {
  exec(
      "CREATE TABLE \"Orders\" (\"OrderID\" NUMBER(11,0) NOT NULL, \"Note\" VARCHAR2(200) DEFAULT "
      "'n/a', "
      "\"Body\" CLOB, \"Amount\" NUMBER(18,4) DEFAULT 0, \"At\" DATE, \"Wide\" NVARCHAR2(50), "
      "\"F\" FLOAT, "
      "\"I\" INTEGER, \"R\" RAW(16))");
  EXPECT_EQ(
      rows("select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = "
           "'Orders'"),
      (std::vector<std::string>{"OrderID|(null)|NUMBER", "Note|'n/a'|VARCHAR2", "Body|(null)|CLOB",
                                "Amount|0|NUMBER", "At|(null)|DATE", "Wide|(null)|NVARCHAR2",
                                "F|(null)|FLOAT", "I|(null)|NUMBER", "R|(null)|RAW"}));
  EXPECT_EQ(rows("select data_length, data_precision, data_scale, nullable, char_used from "
                 "user_tab_columns "
                 "where table_name = 'Orders' order by column_id"),
            (std::vector<std::string>{
                "22|11|0|N|(null)", "200|(null)|(null)|Y|B", "4000|(null)|(null)|Y|(null)",
                "22|18|4|Y|(null)", "7|(null)|(null)|Y|(null)", "100|(null)|(null)|Y|C",
                "22|126|(null)|Y|(null)", "22|(null)|0|Y|(null)", "16|(null)|(null)|Y|(null)"}));
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'ORDERS'"), "0");
}

TEST_F(dictionary, KeysIndexesAndGeneratedNames) {
  exec("create table p (id number, code varchar2(5), x number)");
  exec("alter table p add constraint \"PK_P\" primary key (id)");
  exec("alter table p add unique (code)");
  exec("create index \"IX_X\" on p (x)");
  EXPECT_EQ(rows("SELECT a.constraint_name, a.column_name FROM user_cons_columns a, "
                 "user_constraints b WHERE "
                 "a.table_name='P' AND a.constraint_name=b.constraint_name AND "
                 "b.constraint_type='P' ORDER BY "
                 "a.constraint_name, a.position"),
            (std::vector<std::string>{"PK_P|ID"}));
  // Indexes named by the user, and those behind named constraints, are not
  // generated; the one behind a system-named unique key is.
  EXPECT_EQ(
      rows(
          "SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name "
          "FROM "
          "user_ind_columns, user_indexes where user_ind_columns.table_name = 'P' AND "
          "user_indexes.generated='N' AND user_ind_columns.index_name = user_indexes.index_name "
          "AND "
          "user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
          "user_ind_columns.column_position"),
      (std::vector<std::string>{"IX_X|NONUNIQUE|X", "PK_P|UNIQUE|ID"}));
  EXPECT_EQ(
      one("select count(*) from user_indexes where generated = 'Y' and index_name like 'SYS_C%'"),
      "1");
  EXPECT_EQ(one("select generated from user_constraints where constraint_type = 'U'"),
            "GENERATED NAME");
}

TEST_F(dictionary, TableListQueriesOfBothReleases) {
  exec("create table a (x number)");
  exec("create table \"b\" (x number)");
  EXPECT_EQ(rows("select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' "
                 "and IOT_TYPE "
                 "IS NULL OR IOT_TYPE='IOT' order by 1"),
            (std::vector<std::string>{"A|(null)", "b|(null)"}));
  EXPECT_EQ(rows("select TABLE_NAME from user_tables order by table_name"),
            (std::vector<std::string>{"A", "b"}));
}

TEST_F(dictionary, CountsVersionAndDual) {
  exec("create table t (a number)");
  exec("insert into t values (1)");
  exec("insert into t values (2)");
  EXPECT_EQ(one("SELECT COUNT(*) FROM (select a from t order by a desc)"), "2");
  EXPECT_EQ(one("SELECT COUNT(*) FROM \"T\""), "2");
  EXPECT_EQ(one("select * from dual"), "X");
  EXPECT_EQ(one("select banner from v$version"),
            "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  EXPECT_EQ(one("select 1 + 2 * 3, 'a' || 'b', upper('x'), nvl(null, 5) from dual"), "7|ab|X|5");
}

TEST_F(dictionary, QueriesWithJoinsOrderAndGroups) {
  exec("create table e (name varchar2(10), dept number)");
  exec("create table d (id number, title varchar2(10))");
  exec("insert into d values (1, 'Sales')");
  exec("insert into d values (2, 'IT')");
  exec("insert into e values ('Ann', 1)");
  exec("insert into e values ('Bob', 2)");
  exec("insert into e values ('Cy', 2)");
  exec("insert into e values ('Dee', null)");
  EXPECT_EQ(
      rows("select e.name, d.title from e, d where e.dept = d.id order by d.title desc, e.name"),
      (std::vector<std::string>{"Ann|Sales", "Bob|IT", "Cy|IT"}));
  EXPECT_EQ(rows("select dept, count(*) from e group by dept order by dept"),
            (std::vector<std::string>{"1|1", "2|2", "(null)|1"}));
  EXPECT_EQ(rows("select name from e where dept in (1, 3) or name like 'D%' order by 1"),
            (std::vector<std::string>{"Ann", "Dee"}));
  EXPECT_EQ(error_of("select name from e, d where id = dept and name = title and x = 1"), 904);
  EXPECT_EQ(error_of("select id from e, d, d"), 918);
}

class old_release : public engine_test {
  std::string version() const override { return "7.3"; }
};

TEST_F(old_release, SevenThreeCatalogue) {
  EXPECT_EQ(rows("select * from v$version").size(), 5u);
  EXPECT_EQ(one("select * from v$version"), "Oracle7 Server Release 7.3.4.0.0 - Production");
  exec("create table t (a number)");
  EXPECT_EQ(error_of("select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N'"), 904);
  EXPECT_EQ(error_of("select generated from user_indexes"), 904);
  EXPECT_EQ(rows("select TABLE_NAME from user_tables"), (std::vector<std::string>{"T"}));
  EXPECT_EQ(error_of("create table abcdefghijabcdefghijabcdefghijk (a number)"), 972);
}

}  // namespace
}  // namespace tsl::eora::testing
