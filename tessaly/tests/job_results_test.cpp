// What the processes of a split run hand each other survives any text, and
// tables are shared out evenly in the run's order.
#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "tessaly/job_results.h"
#include "tessaly/split_run.h"

namespace tessaly {
namespace {

TEST(job_results, PlansAndResultsSurviveAnyText) {
  const std::vector<job_entry> plan{{"orders", "", "orders", true},
                                    {"q\t1", "SELECT a,\n\tb FROM t WHERE c = '\\'", "Q_1", false}};
  const std::vector<job_entry> back = read_job_plan(write_job_plan(plan));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].name, "q\t1");
  EXPECT_EQ(back[1].sql, "SELECT a,\n\tb FROM t WHERE c = '\\'");
  EXPECT_EQ(back[1].target, "Q_1");
  EXPECT_FALSE(back[1].created);
  EXPECT_TRUE(back[0].created);
  EXPECT_TRUE(back[0].sql.empty());

  job_results r;
  table_result t;
  t.source = "notes";
  t.rows_read = 5;
  t.rows_written = 4;
  t.seconds = 0.25;
  t.errors.push_back({3, "notes, record #3: bad\nvalue"});
  r.tables.push_back(t);
  r.run_errors.push_back({0, "Foreign key 'fk': orphans"});
  const job_results got = read_job_results(write_job_results(r));
  ASSERT_EQ(got.tables.size(), 1u);
  EXPECT_EQ(got.tables[0].rows_read, 5);
  EXPECT_EQ(got.tables[0].rows_written, 4);
  EXPECT_DOUBLE_EQ(got.tables[0].seconds, 0.25);
  ASSERT_EQ(got.tables[0].errors.size(), 1u);
  EXPECT_EQ(got.tables[0].errors[0].record, 3);
  EXPECT_EQ(got.tables[0].errors[0].message, "notes, record #3: bad\nvalue");
  ASSERT_EQ(got.run_errors.size(), 1u);
  EXPECT_EQ(got.run_errors[0].message, "Foreign key 'fk': orphans");
  EXPECT_THROW(read_job_results("X\tjunk\n"), tk_exception);
  EXPECT_THROW(read_job_results("T\tt\tmany\t1\t0\n"), tk_exception);
}

TEST(job_results, TablesAreSharedOutByRows) {
  using jobs = std::vector<std::vector<size_t>>;
  EXPECT_EQ(share_out({50, 50, 50, 50}, 2), (jobs{{0, 2}, {1, 3}}));
  // The big table alone; the small ones together, each job in run order.
  EXPECT_EQ(share_out({10, 100, 20, 30}, 2), (jobs{{1}, {0, 2, 3}}));
  // Never more jobs than tables, never fewer than one.
  EXPECT_EQ(share_out({5}, 4), (jobs{{0}}));
  EXPECT_EQ(share_out({5, 6}, 0), (jobs{{0, 1}}));
}

}  // namespace
}  // namespace tessaly
