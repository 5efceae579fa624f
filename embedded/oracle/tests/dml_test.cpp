#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using dml = engine_test;

TEST_F(dml, InsertColumnListsAndValueCounts) {
  exec(
      "create table t (a number, b varchar2(5) default 'd', c date default to_date('2001-02-03', "
      "'YYYY-MM-DD'))");
  EXPECT_EQ(error_of("insert into t values (1, 'x')"), 947);
  EXPECT_EQ(error_of("insert into t values (1, 'x', null, 4)"), 913);
  EXPECT_EQ(error_of("insert into t (a, a) values (1, 2)"), 957);
  EXPECT_EQ(error_of("insert into t (z) values (1)"), 904);
  EXPECT_EQ(error_of("insert into t (a) values (b)"), 984);
  EXPECT_EQ(error_of("create table u (a number default b)"), 984);
  exec("insert into t (a) values (1)");
  EXPECT_EQ(one("select a, b, c from t"), "1|d|2001-02-03 00:00:00");
  exec("insert into t select a + 1, 'copy', null from t");
  EXPECT_EQ(rows("select a, b from t order by a"), (std::vector<std::string>{"1|d", "2|copy"}));
}

TEST_F(dml, UpdateAndDeleteByCondition) {
  exec("create table t (a number not null, b varchar2(10))");
  for (int i = 1; i <= 5; ++i)
    exec("insert into t values (" + std::to_string(i) + ", 'r" + std::to_string(i) + "')");
  EXPECT_EQ(exec("update t set b = upper(b) || '!' where a between 2 and 3").row_count, 2u);
  EXPECT_EQ(exec("delete from t where a > 4 or b like 'R2%'").row_count, 2u);
  EXPECT_EQ(rows("select a, b from t order by a"),
            (std::vector<std::string>{"1|r1", "3|R3!", "4|r4"}));
  EXPECT_EQ(error_of("update t set a = null where a = 1"), 1407);
  EXPECT_EQ(last_message_, "ORA-01407: cannot update (\"SCOTT\".\"T\".\"A\") to NULL");
  EXPECT_EQ(error_of("update t set nope = 1"), 904);
  EXPECT_EQ(exec("delete from t").row_count, 3u);
}

TEST_F(dml, UniqueKeysHoldOnUpdate) {
  exec("create table t (a number primary key)");
  exec("insert into t values (1)");
  exec("insert into t values (2)");
  EXPECT_EQ(error_of("update t set a = 2 where a = 1"), 1);
}

TEST_F(dml, ReturningRowidFindsTheRowAgain) {
  exec("create table t (a number, b clob)");
  exec_result r =
      exec("INSERT /*+ APPEND */ INTO \"T\" VALUES(5, EMPTY_CLOB()) RETURNING ROWID INTO :1", true);
  ASSERT_EQ(r.returning.size(), 1u);
  EXPECT_EQ(r.into, (std::vector<std::string>{"1"}));
  std::string rowid = r.returning[0].str;
  EXPECT_EQ(one("SELECT \"A\" FROM \"T\" WHERE ROWID='" + rowid + "' FOR UPDATE"), "5");
  EXPECT_EQ(one("select rowid from t"), rowid);
  EXPECT_EQ(error_of("select a from t where rowid = 'nonsense'"), 1410);
  exec_result v = exec("insert into t values (6, null) returning a * 2 into :x");
  EXPECT_EQ(v.returning[0].num.to_string(), "12");
}

TEST_F(dml, ExpressionsInQueries) {
  exec("create table t (n number, s varchar2(20), d date)");
  exec(
      "insert into t values (-7.5, '  pad  ', to_date('2020-01-31 10:00:00', 'YYYY-MM-DD "
      "HH24:MI:SS'))");
  EXPECT_EQ(one("select abs(n), round(n), trunc(n), mod(7, 3), sign(n) from t"), "7.5|-8|-7|1|-1");
  EXPECT_EQ(one("select trim(s) || '|', ltrim(s), length(s), substr('abcdef', 2, 3), substr('abc', "
                "-2) from t"),
            "pad||pad  |7|bcd|bc");
  EXPECT_EQ(one("select to_char(d, 'YYYY/MM/DD'), to_number('42') + 1, nvl(null, 'z'), "
                "coalesce(null, null, 3) from t"),
            "2020/01/31|43|z|3");
  EXPECT_EQ(one("select count(*), min(n), max(s), sum(n), avg(n) from t"),
            "1|-7.5|  pad  |-7.5|-7.5");
  EXPECT_EQ(error_of("select 1 / 0 from dual"), 1476);
  EXPECT_EQ(error_of("select frobnicate(1) from dual"), 904);
  EXPECT_EQ(error_of("select substr('a') from dual"), 909);
  EXPECT_EQ(error_of("select count(*) from t where count(*) > 1"), 934);
  EXPECT_EQ(error_of("select 'a' + 1 from dual"), 1722);
  EXPECT_EQ(one("select distinct 1 from t, dual"), "1");
  EXPECT_EQ(one("select x.dummy, d.dummy from dual x, dual d"), "X|X");
}

}  // namespace
}  // namespace tsl::eora::testing
