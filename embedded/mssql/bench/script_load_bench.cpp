// Loading an INSERT script in the script generator's form, one committed
// statement per row, read batch by batch as `tsl-mssql run` reads it.
// TSL_BENCH_SCRIPT_MB sets the script's size (50 by default).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "embedded/mssql/session.h"
#include "testing/temp_dir.h"

namespace {

// Writes rows until the file reaches the size; the number of statements.
int64_t write_script(const std::string& path, int64_t bytes) {
  std::ofstream out(path, std::ios::binary);
  out << "SET NOCOUNT ON\nGO\nCREATE TABLE [dbo].[orders](\n\t[id] [int] NOT NULL,\n"
         "\t[customer] [nvarchar](40) NOT NULL,\n\t[freight] [money] NULL,\n"
         "\t[ordered] [datetime] NULL,\n CONSTRAINT [PK_orders] PRIMARY KEY CLUSTERED ([id] ASC)"
         ")\nGO\n";
  int64_t written = 0, rows = 0;
  char line[256];
  while (written < bytes) {
    ++rows;
    const int n = std::snprintf(
        line, sizeof line,
        "INSERT [dbo].[orders] ([id], [customer], [freight], [ordered]) VALUES (%lld, "
        "N'Customer n\xC2\xB0%lld', %lld.%02lld00, CAST(N'20%02lld-%02lld-%02lldT10:%02lld:00.000' "
        "AS DateTime))\n%s",
        static_cast<long long>(rows), static_cast<long long>(rows % 9173),
        static_cast<long long>(rows % 1000), static_cast<long long>(rows % 100),
        static_cast<long long>(rows % 30), static_cast<long long>(rows % 12 + 1),
        static_cast<long long>(rows % 28 + 1), static_cast<long long>(rows % 60),
        rows % 1000 == 0 ? "GO\n" : "");
    out.write(line, n);
    written += n;
  }
  out << "GO\n";
  return rows + 2;
}

int64_t peak_rss_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void load_insert_script(benchmark::State& state) {
  const char* mb = std::getenv("TSL_BENCH_SCRIPT_MB");
  const int64_t bytes = (mb ? std::atoll(mb) : 50) * 1024 * 1024;
  tsl::testing::temp_dir dir;
  const std::string script = dir.path() + "/orders.sql";
  const int64_t statements = write_script(script, bytes);
  int64_t total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string srv_dir = dir.path() + "/srv" + std::to_string(total);
    tsl::mssql::server::create(srv_dir);
    auto srv = tsl::mssql::server::open(srv_dir);
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(srv, l);
    s.run_script("CREATE DATABASE bench\nGO\nUSE bench\n");
    std::ifstream in(script, std::ios::binary);
    state.ResumeTiming();
    const int errors = s.run_script(
        in, [](tsl::mssql::result_set&) {},
        [&](const tsl::mssql::session::script_error& e) {
          state.SkipWithError(e.error.what());
          return false;
        });
    benchmark::DoNotOptimize(errors);
    total += statements;
  }
  state.counters["statements/s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
  state.counters["script_MB"] = static_cast<double>(bytes) / (1024 * 1024);
  state.counters["peak_RSS_MB"] = static_cast<double>(peak_rss_kb()) / 1024;
}
BENCHMARK(load_insert_script)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
