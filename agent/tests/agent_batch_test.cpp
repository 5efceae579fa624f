// Runs stored in batches: a run killed in the middle of a table keeps every
// batch it committed and nothing else, and a run in overwrite mode after it
// gives the whole table.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "agent/tests/agent_fixture.h"

extern char** environ;

namespace agent_testing {
namespace {

class agent_batch : public agent_fixture {
 protected:
  void add_letters(int count) {
    std::string sql =
        "USE sample_shop\nGO\nCREATE TABLE letters (n int NOT NULL PRIMARY KEY, "
        "t nvarchar(max) NULL)\nGO\n";
    for (int from = 0; from < count; from += 500) {
      sql += "INSERT INTO letters VALUES ";
      for (int i = from; i < from + 500 && i < count; ++i)
        sql += (i != from ? ", (" : "(") + std::to_string(i) + ", REPLICATE(N'" +
               static_cast<char>('a' + i % 26) + "', 3000))";
      sql += "\nGO\n";
    }
    mssql(sql);
  }
  // Starts the agent on the table, in the background.
  pid_t start(const std::string& log, const std::string& batch) {
    std::string list = write("list.txt", "letters\n");
    std::vector<std::string> args = {
        TSL_AGENT,        "--src=sample_shop", "--dest=ORCL",        "--oraclu=scott",
        "--oraclp=tiger", "--silent",          "--tab_file=" + list, "--logfile=" + log};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
      if (std::string(*e).rfind("TSL_BATCH_", 0) != 0) env.push_back(*e);
    env.push_back("TSL_BATCH_ROWS=" + batch);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& kv : env) envp.push_back(kv.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, TSL_AGENT, nullptr, nullptr, argv.data(), envp.data()), 0);
    return pid;
  }
  static size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  int count() { return std::stoi(one("SELECT TO_CHAR(count(*)) FROM \"letters\"")); }
};

TEST_F(agent_batch, KilledRunKeepsWholeBatchesAndARerunGivesTheTable) {
  const int total = 3000;
  add_letters(total);
  std::string log = tmp_.file("run.log");
  pid_t pid = start(log, "50");
  // Killed once its third batch is under way: two are committed by then.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool finished = false;
  while (occurrences(tsl::testing::read_file(log), "Inserting a batch of 50 records") < 3) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << tsl::testing::read_file(log);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      finished = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_FALSE(finished) << "the run ended before it could be killed";
  kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  const int kept = count();
  EXPECT_GE(kept, 100);
  EXPECT_LT(kept, total);
  EXPECT_EQ(kept % 50, 0) << "a batch was stored in part";
  // Every row kept arrived whole.
  for (const auto& r : oracle("SELECT \"n\", \"t\" FROM \"letters\""))
    ASSERT_EQ(r[1], std::string(3000, static_cast<char>('a' + std::stoi(r[0]) % 26))) << r[0];

  pid = start(tmp_.file("rerun.log"), "50");
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(count(), total);
  EXPECT_EQ(one("SELECT TO_CHAR(SUM(\"n\")) FROM \"letters\""),
            std::to_string(total * (total - 1) / 2));
  EXPECT_EQ(one("SELECT \"t\" FROM \"letters\" WHERE \"n\" = 2999"), std::string(3000, 'j'));
}

}  // namespace
}  // namespace agent_testing
