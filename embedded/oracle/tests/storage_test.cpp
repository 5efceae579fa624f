// The database file under large values: a writer killed while its commits
// are being checkpointed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using storage = engine_test;

// A CLOB of n characters that tells its row and where in it a byte lies,
// with a character beyond ASCII so that code units and bytes differ.
std::string clob_text(int row, size_t n) {
  std::string s = "\xC3\xA9" + std::to_string(row) + ":";
  while (s.size() < n) s += static_cast<char>('a' + (s.size() + static_cast<size_t>(row)) % 26);
  return s;
}

// Batches of large CLOBs fill the WAL past its checkpoint size many times;
// the writer dies at some point of that. What it committed is there whole,
// nothing else is, and the file is sound.
TEST_F(storage, WriterKilledAmidCheckpointsLosesNoCommittedBatch) {
  exec("create table t (id number, c clob)");
  constexpr int batch = 20;
  constexpr size_t size = 60000;
  int committed[2];
  ASSERT_EQ(pipe(committed), 0);
  pid_t child = fork();
  if (child == 0) {
    try {
      auto s = session::logon("ORCL", "scott", "tiger");
      stmt_ptr st = s->parse("insert into t values (:1, :2)");
      for (int row = 0;; ++row) {
        s->set_binds({value::number(decimal::from_int(row)), value::text(clob_text(row, size))});
        s->execute(*st, row % batch == batch - 1);
        char c = 'c';
        if (row % batch == batch - 1 && write(committed[1], &c, 1) != 1) _exit(2);
      }
    } catch (const std::exception&) {
      _exit(3);
    }
  }
  close(committed[1]);
  // 40 commits are about 48 MB, a dozen checkpoints.
  // The kill then lands wherever the writer happens to be.
  int seen = 0;
  char c = 0;
  while (seen < 40 && read(committed[0], &c, 1) == 1) ++seen;
  std::this_thread::sleep_for(std::chrono::microseconds(1500 * (getpid() % 7)));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
  close(committed[0]);
  ASSERT_EQ(seen, 40);

  {
    sqlite_conn db(find_database("ORCL").path, false);
    sqlite_stmt check(db.get(), "PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.text(0), "ok");
  }
  auto counts = rows("select count(*), min(id), max(id) from t");
  ASSERT_EQ(counts.size(), 1u);
  int n = std::stoi(counts[0]);
  EXPECT_GE(n, seen * batch);
  EXPECT_EQ(n % batch, 0) << counts[0];
  EXPECT_EQ(counts[0], std::to_string(n) + "|0|" + std::to_string(n - 1));
  // Every value whole: its length, and the full text of the last rows and
  // of a spread of others.
  auto bad = rows("select id from t where length(c) <> " + std::to_string(size - 1));
  EXPECT_TRUE(bad.empty()) << bad.size() << " damaged rows";
  auto sample = rows("select id, c from t where id >= " + std::to_string(n - 3) +
                     " or mod(id, 97) = 0 order by id");
  for (const std::string& r : sample) {
    int id = std::stoi(r);
    EXPECT_EQ(r, std::to_string(id) + "|" + clob_text(id, size));
  }
  exec("insert into t values (-1, 'after')", true);
  EXPECT_EQ(one("select count(*) from t"), std::to_string(n + 1));
}

}  // namespace
}  // namespace tsl::eora::testing
