#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using ddl = engine_test;

TEST_F(ddl, CreateInsertSelectRoundTrip) {
  exec(
      "CREATE TABLE \"Orders\" (\"OrderID\" NUMBER(11,0) NOT NULL, \"Note\" VARCHAR2(200) DEFAULT "
      "'n/a', \"Body\" CLOB)");
  exec("INSERT /*+ APPEND */ INTO \"Orders\" VALUES(1, 'first', EMPTY_CLOB())", true);
  exec("INSERT INTO \"Orders\" (\"OrderID\") VALUES (2)");
  EXPECT_EQ(rows("SELECT \"OrderID\", \"Note\", \"Body\" FROM \"Orders\" ORDER BY 1"),
            (std::vector<std::string>{"1|first|", "2|n/a|(null)"}));
}

TEST_F(ddl, NamesFoldUnlessQuoted) {
  exec("create table emp (ename varchar2(10))");
  EXPECT_EQ(one("select count(*) from EMP"), "0");
  EXPECT_EQ(error_of("select * from \"emp\""), 942);
  exec("create table \"emp\" (x number)");
  EXPECT_EQ(one("select table_name from user_tables where table_name = 'emp'"), "emp");
}

TEST_F(ddl, RefusesBadNames) {
  EXPECT_EQ(error_of("create table order (x number)"), 903);
  EXPECT_EQ(error_of("create table t (select number)"), 904);
  EXPECT_EQ(error_of("create table t (a@ number)"), 911);
  EXPECT_EQ(error_of("create table \"\" (x number)"), 1741);
  EXPECT_EQ(error_of("create table \"ORDER\" (\"USER\" number)"), 0);
  EXPECT_EQ(error_of("create table ABCDEFGHIJABCDEFGHIJABCDEFGHIJK (x number)"), 972);
  EXPECT_EQ(error_of("create table ABCDEFGHIJABCDEFGHIJABCDEFGHIJ (x number)"), 0);
}

TEST_F(ddl, ReservedWordsAndRowidAsColumnName) {
  // Every word of Oracle's list, PRIVILEGES (reserved up to 11.2) included.
  for (const char* w : {"ACCESS", "MLSLABEL", "PRIVILEGES", "ROWID", "SUCCESSFUL", "WHENEVER"}) {
    EXPECT_EQ(error_of(std::string("create table ") + w + " (a number)"), 903) << w;
    EXPECT_EQ(error_of(std::string("create table t (") + w + " number)"), 904) << w;
  }
  // Quoted, a reserved word is a name; but ROWID in upper case is never a
  // column name.
  EXPECT_EQ(error_of("create table \"ROWID\" (\"SELECT\" number)"), 0);
  EXPECT_EQ(error_of("create table t (\"ROWID\" number)"), 904);
  EXPECT_EQ(last_message_, "ORA-00904: \"ROWID\": invalid identifier");
  EXPECT_EQ(error_of("create table t (\"RowId\" number)"), 0);
  EXPECT_EQ(error_of("alter table t add (\"ROWID\" number)"), 904);
}

TEST_F(ddl, TextLiteralsUpTo4000Bytes) {
  exec("create table t (v varchar2(4000), n nvarchar2(2000))");
  EXPECT_EQ(error_of("insert into t (v) values ('" + std::string(4000, 'x') + "')"), 0);
  EXPECT_EQ(error_of("insert into t (v) values ('" + std::string(4001, 'x') + "')"), 1704);
  // Counted in bytes of the database character set: 1334 three-byte characters.
  std::string euros;
  for (int i = 0; i < 1334; ++i) euros += "\xE2\x82\xAC";
  EXPECT_EQ(error_of("insert into t (n) values ('" + euros + "')"), 1704);
  EXPECT_EQ(error_of("insert into t (n) values ('" + euros.substr(3) + "')"), 0);
}

TEST_F(ddl, BinaryFloatAndDouble) {
  exec("create table f (x binary_float, y binary_double)");
  exec("insert into f values (0.1, 1.7976931348623157E+308)");
  exec("insert into f values (16777217, -1E-300)");
  EXPECT_EQ(rows("select x, y from f order by x"),
            (std::vector<std::string>{".1|1.7976931348623157E+308", "16777216|-1E-300"}));
  EXPECT_EQ(rows("select data_type, data_length from user_tab_columns where table_name = 'F' "
                 "order by column_id"),
            (std::vector<std::string>{"BINARY_FLOAT|4", "BINARY_DOUBLE|8"}));
}

TEST_F(ddl, DuplicatesAndMissingObjects) {
  exec("create table t (a number)");
  EXPECT_EQ(error_of("create table t (b number)"), 955);
  EXPECT_EQ(error_of("create table u (a number, a number)"), 957);
  EXPECT_EQ(error_of("drop table nothing"), 942);
  EXPECT_EQ(error_of("select nothing from t"), 904);
  EXPECT_EQ(last_message_, "ORA-00904: \"NOTHING\": invalid identifier");
  exec("drop table t cascade constraints");
  EXPECT_EQ(error_of("select * from t"), 942);
}

TEST_F(ddl, TypeSpecifierLimits) {
  EXPECT_EQ(error_of("create table t (a number(39))"), 1727);
  EXPECT_EQ(error_of("create table t (a number(40,4))"), 1727);
  EXPECT_EQ(error_of("create table t (a number(10,128))"), 1728);
  EXPECT_EQ(error_of("create table t (a varchar2(4001))"), 910);
  EXPECT_EQ(error_of("create table t (a raw(2001))"), 910);
  EXPECT_EQ(error_of("create table t (a nvarchar2(2001))"), 910);
  EXPECT_EQ(error_of("create table t (a varchar2)"), 906);
  EXPECT_EQ(error_of("create table t (a widget)"), 902);
  EXPECT_EQ(error_of("create table t (a varchar2(4000), b raw(2000), c number(38,-84))"), 0);
}

TEST_F(ddl, ModifyNullability) {
  exec("create table t (a number not null, b varchar2(5))");
  EXPECT_EQ(error_of("alter table t modify b null"), 1451);
  EXPECT_EQ(error_of("alter table t modify a not null"), 1442);
  EXPECT_EQ(error_of("insert into t values (null, 'x')"), 1400);
  EXPECT_EQ(last_message_, "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"A\")");
  exec("alter table t modify \"A\" NUMBER DEFAULT 7 NULL", true);
  exec("insert into t values (null, 'x')");
  exec("insert into t (b) values ('y')");
  EXPECT_EQ(rows("select a, b from t order by b"), (std::vector<std::string>{"(null)|x", "7|y"}));
  EXPECT_EQ(error_of("alter table t modify a not null"), 2296);
}

TEST_F(ddl, MalformedStatementsGiveOracleErrors) {
  EXPECT_EQ(error_of(""), 900);
  EXPECT_EQ(error_of("frobnicate"), 900);
  EXPECT_EQ(error_of("select 1 from dual;"), 911);
  EXPECT_EQ(error_of("select 'abc from dual"), 1756);
  EXPECT_EQ(error_of("select 1 dual"), 923);
  EXPECT_EQ(error_of("select from dual"), 936);
  EXPECT_EQ(error_of("create table t (a number"), 907);
  EXPECT_EQ(error_of("select 1 from dual where"), 936);
  EXPECT_EQ(error_of("insert into t values (1"), 917);
}

}  // namespace
}  // namespace tsl::eora::testing
