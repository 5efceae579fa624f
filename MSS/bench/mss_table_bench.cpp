// Reading a 100,000-row, 10-column table through mss_table: every value
// converted once into the record a destination would take.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "embedded/mssql/session.h"
#include "platform/text/utf.h"
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

void BM_ReadTableThroughMssTable(benchmark::State& state) {
  static fixture f;
  mss_engine engine(0);
  engine.connect(tsl::text::utf8_to_utf16(f.path));
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
}
BENCHMARK(BM_ReadTableThroughMssTable)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
