#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using transactions = engine_test;

TEST_F(transactions, RollbackUndoesUncommittedWork) {
  exec("create table t (a number)");
  exec("insert into t values (1)");
  exec("commit");
  exec("insert into t values (2)");
  EXPECT_EQ(one("select count(*) from t"), "2");
  exec("rollback");
  EXPECT_EQ(one("select count(*) from t"), "1");
}

TEST_F(transactions, FailedStatementLeavesTheRestOfTheTransaction) {
  exec("create table t (a number(1) not null)");
  exec("insert into t values (1)");
  EXPECT_EQ(error_of("insert into t values (10)"), 1438);
  exec("insert into t select a + 1 from t");
  EXPECT_EQ(error_of("update t set a = a * 5"), 1438);  // the second row fails: nothing changes
  EXPECT_EQ(rows("select a from t order by a"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(transactions, DdlCommitsBeforeAndLogoffCommits) {
  exec("create table t (a number)");
  exec("insert into t values (1)");
  EXPECT_EQ(error_of("create table t (b number)"), 955);  // fails, yet commits the insert
  exec("rollback");
  EXPECT_EQ(one("select count(*) from t"), "1");
  exec("insert into t values (2)");
  s_->logoff();
  s_ = session::logon("ORCL", "scott", "tiger");
  EXPECT_EQ(one("select count(*) from t"), "2");
}

TEST_F(transactions, SessionEndingWithoutLogoffRollsBack) {
  exec("create table t (a number)");
  exec("insert into t values (1)", true);
  exec("insert into t values (2)");
  s_.reset();
  s_ = session::logon("ORCL", "scott", "tiger");
  EXPECT_EQ(one("select count(*) from t"), "1");
}

TEST_F(transactions, KilledWriterLeavesCommittedRowsOnly) {
  exec("create table t (a number, b varchar2(100))");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    // Commit 200 rows one by one, then leave 50 uncommitted and wait.
    try {
      auto s = session::logon("ORCL", "scott", "tiger");
      for (int i = 0; i < 250; ++i) {
        stmt_ptr st = s->parse("insert into t values (" + std::to_string(i) + ", 'row')");
        s->execute(*st, i < 200);
      }
      char c = 'x';
      if (write(ready[1], &c, 1) != 1) _exit(2);
      pause();
    } catch (const std::exception&) {
      _exit(3);
    }
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(one("select count(*) from t"), "200");
  EXPECT_EQ(one("select max(a) from t"), "199");
  exec("insert into t values (1000, 'after')", true);
  EXPECT_EQ(one("select count(*) from t"), "201");
}

TEST_F(transactions, TwoProcessesWriteOneTableTogether) {
  exec("create table t (who number, n number)");
  exec("alter table t add primary key (who, n)");
  pid_t child = fork();
  if (child == 0) {
    // The child must never return into the test runner.
    try {
      auto s = session::logon("ORCL", "scott", "tiger");
      for (int i = 0; i < 300; ++i) {
        stmt_ptr st = s->parse("insert into t values (2, " + std::to_string(i) + ")");
        s->execute(*st, true);
      }
      s->logoff();
    } catch (const std::exception&) {
      _exit(3);
    }
    _exit(0);
  }
  for (int i = 0; i < 300; ++i) exec("insert into t values (1, " + std::to_string(i) + ")", true);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(rows("select who, count(*) from t group by who order by who"),
            (std::vector<std::string>{"1|300", "2|300"}));
}

TEST_F(transactions, SecondSessionSeesOnlyCommittedRows) {
  exec("create table t (a number)");
  auto other = session::logon("ORCL", "scott", "tiger");
  exec("insert into t values (1)");
  EXPECT_EQ(rows(*other, "select count(*) from t").front(), "0");
  exec("commit");
  EXPECT_EQ(rows(*other, "select count(*) from t").front(), "1");
}

TEST_F(transactions, DropWhileAnotherSessionHoldsChangesIsBusy) {
  exec("create table t (a number)");
  auto other = session::logon("ORCL", "scott", "tiger");
  other->set_lock_waits(200, 200);
  exec("insert into t values (1)");
  EXPECT_EQ(error_of(*other, "drop table t"), 54);
  EXPECT_EQ(last_message_,
            "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
  exec("commit");
  EXPECT_EQ(error_of(*other, "drop table t"), 0);
  EXPECT_EQ(error_of("select * from t"), 942);
}

TEST_F(transactions, UsersHaveSeparateSchemas) {
  create_user("ORCL", "alice", "secret");
  auto alice = session::logon("ORCL", "ALICE", "secret");
  exec("create table t (a number)");
  EXPECT_EQ(error_of(*alice, "select * from t"), 942);
  EXPECT_EQ(error_of(*alice, "select * from scott.t"), 942);
  EXPECT_EQ(error_of(*alice, "create table t (b number)"), 0);
  EXPECT_THROW(session::logon("ORCL", "alice", "Secret"), oracle_error);
  EXPECT_THROW(session::logon("ORCL", "nobody", "secret"), oracle_error);
}

}  // namespace
}  // namespace tsl::eora::testing
