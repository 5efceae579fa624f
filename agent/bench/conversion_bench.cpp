// A whole run of the driver from the embedded SQL Server to the embedded
// Oracle: a generated table of 10 mixed columns, and a variant with a CLOB
// column of 5,000 characters, each on the batch path (second argument: rows
// per batch) and on the row-at-a-time path (1). Reports rows/s and the
// process's peak memory; run the sizes in ascending order to see that memory
// does not grow with the row count.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "MSS/mss_messages.h"
#include "ORA/ora_messages.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/oracle/database.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

struct servers {
  tsl::testing::temp_dir dir;
  std::string mssql = dir.path() + "/srv";

  servers() {
    setenv("TSL_ORACLE_DATA", (dir.path() + "/ora").c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
    tsl::mssql::server::create(mssql, tsl::mssql::kDefaultVersion);
    run("CREATE DATABASE bench\nGO\nUSE bench\nGO\nCREATE TABLE digits (n int)\nGO\n"
        "INSERT INTO digits VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)\nGO\n");
  }
  void run(const std::string& sql) {
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(tsl::mssql::server::open(mssql), l);
    s.run_script(sql);
  }
  // A table of `rows` rows (a multiple of 1,000) made by crossing digits.
  std::string table(int rows, bool clob) {
    std::string name = (clob ? "lobs" : "wide") + std::to_string(rows);
    std::string lob = clob ? ", body nvarchar(max)" : "";
    std::string lob_value =
        clob ? ", REPLICATE(CAST(N'Grüße ' AS nvarchar(max)), 833) + CAST(d1.n AS nvarchar(5))"
             : "";
    run("USE bench\nGO\nCREATE TABLE " + name +
        " (id int PRIMARY KEY, name nvarchar(20), price decimal(10,2), made datetime, ratio "
        "float, code varchar(30), big bigint, flag bit, cost money, note nvarchar(40)" +
        lob + ")\nGO\n");
    for (int block = 0; block < rows / 1000; ++block) {
      std::string base = std::to_string(block * 1000);
      run("USE bench\nGO\nINSERT INTO " + name + " SELECT " + base +
          " + d1.n * 100 + d2.n * 10 + d3.n, N'name ' + CAST(d2.n AS nvarchar(5)), 12.25 + d1.n, "
          "'2020-01-02 03:04:05', 0.5 + d3.n, 'code-' + CAST(d1.n AS varchar(5)), "
          "1000000000 + d2.n, d3.n % 2, 5.1234, N'Grüße ' + CAST(d1.n AS nvarchar(5))" +
          lob_value + " FROM digits d1 CROSS JOIN digits d2 CROSS JOIN digits d3\nGO\n");
    }
    return name;
  }
};

servers& the_servers() {
  static servers s;
  return s;
}

long peak_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void convert(benchmark::State& state, bool clob) {
  servers& s = the_servers();
  const int rows = static_cast<int>(state.range(0));
  setenv("TSL_BATCH_ROWS", std::to_string(state.range(1)).c_str(), 1);
  static std::map<std::pair<int, bool>, std::string> made;
  auto key = std::make_pair(rows, clob);
  if (!made.count(key)) made[key] = s.table(rows, clob);

  error_handler errors(ora_messages_count, ora_messages);
  errors.load_err_map(mss_messages_count, mss_messages);
  tessaly_convertor driver;
  driver.set_silent(true);
  driver.oracle.store_oracle_settings(u"ORCL", u"scott", u"tiger");
  driver.oracle.connect_oracle_server();
  driver.mssql.host = tsl::text::utf8_to_utf16(s.mssql);
  driver.mssql.windows_authentication = true;
  driver.mssql.connect_mssql_server();
  driver.database_name = u"bench";
  driver.selected_tables = {tsl::text::utf8_to_utf16(made[key])};

  int64_t copied = 0;
  for (auto _ : state) {
    driver();
    // The record index stays at the count of the last table's records.
    if (driver.record_index() != rows) state.SkipWithError("not every row was copied");
    copied += rows;
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(copied), benchmark::Counter::kIsRate);
  state.counters["peak_MB"] = static_cast<double>(peak_kb()) / 1024.0;
  unsetenv("TSL_BATCH_ROWS");
}

void BM_ConvertMixedColumns(benchmark::State& state) {
  convert(state, false);
}
void BM_ConvertWithClob(benchmark::State& state) {
  convert(state, true);
}

BENCHMARK(BM_ConvertMixedColumns)
    ->Args({10000, 1000})
    ->Args({10000, 1})
    ->Args({100000, 1000})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ConvertWithClob)
    ->Args({10000, 1000})
    ->Args({10000, 1})
    ->Args({100000, 1000})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
