// Reading a 100,000-row, 10-column table through mss_table: every value
// converted once into the record a destination would take; from the
// embedded server directly and over TDS through the network connector (the
// same server behind its listener). Run one at a time with
// --benchmark_filter to read each one's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <string>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "embedded/mssql/session.h"
#include "platform/text/utf.h"
#include "testing/tds_server.h"
#include "testing/temp_dir.h"

namespace {

constexpr int kRows = 100000;

struct fixture {
  tsl::testing::temp_dir dir;
  std::string path = dir.path() + "/srv";

  fixture() {
    using namespace tsl::mssql;
    server::create(path);
    login_request l;
    l.integrated = true;
    server::open(path)->add_login("sa", "Bench-Pw-1", "master");
    session s(server::open(path), l);
    s.run_script(
        "CREATE DATABASE bench\nGO\nUSE bench\nGO\n"
        "CREATE TABLE wide (id int PRIMARY KEY, name nvarchar(20), price decimal(10,2),"
        " made datetime, ratio float, code varchar(30), big bigint, flag bit, cost money,"
        " note nvarchar(40))");
    for (int start = 0; start < kRows; start += 1000) {
      std::string sql = "INSERT INTO wide VALUES ";
      for (int i = start; i < start + 1000; ++i) {
        std::string n = std::to_string(i);
        if (i > start) sql += ",";
        sql += "(" + n + ", N'name " + n + "', " + n + ".25, '2020-01-02 03:04:05.123', " + n +
               ".5, 'code-" + n + "', " + n + "000, " + std::to_string(i % 2) + ", " + n +
               ".1234, N'Gr\xc3\xbc\xc3\x9f"
               "e " +
               n + "')";
      }
      s.execute(sql);
    }
  }
};

fixture& shared() {
  static fixture f;
  return f;
}

double peak_mb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void read_all(benchmark::State& state, mss_engine& engine) {
  std::unique_ptr<mss_database> db = engine.open_db(u"bench", 1);
  int64_t rows = 0;
  for (auto _ : state) {
    std::unique_ptr<udb_recordset> t = db->get_table(u"wide", 1);
    for (t->reset(); !t->is_eof(); t->next()) {
      benchmark::DoNotOptimize(t->get_item());
      ++rows;
    }
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["peak_MB"] = peak_mb();
}

void BM_ReadTableThroughMssTable(benchmark::State& state) {
  fixture& f = shared();
  mss_engine engine(0);
  engine.connect(tsl::text::utf8_to_utf16(f.path));
  read_all(state, engine);
}
BENCHMARK(BM_ReadTableThroughMssTable)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadTableOverTds(benchmark::State& state) {
  fixture& f = shared();
  tsl::testing::tds_server server(TSL_MSSQL_TOOL, f.path);
  mss_engine engine(0);
  engine.connect(tsl::text::utf8_to_utf16(server.data_source()), u"sa", u"Bench-Pw-1");
  read_all(state, engine);
}
BENCHMARK(BM_ReadTableOverTds)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
