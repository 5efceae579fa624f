// append_record per row into a 10-column table, without and with one CLOB
// of 5,000 characters, against the embedded Oracle: the argument is the rows
// per batch (1: one INSERT per record).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "embedded/oracle/database.h"
#include "testing/temp_dir.h"

namespace {

void append(benchmark::State& state, bool with_clob) {
  tsl::testing::temp_dir dir;
  setenv("TSL_ORACLE_DATA", dir.path().c_str(), 1);
  setenv("TSL_ORACLE_CLIENT", "embedded", 1);
  tsl::eora::create_database("BENCH", 1521, "current");
  tsl::eora::create_user("BENCH", "u", "p");
  {
    ora_engine engine;
    engine.logon(u"BENCH", u"u", u"p");
    ora_database db(u"BENCH");
    udb_schema fields;
    auto add = [&](const char16_t* name, VARTYPE vt, uint32_t size, int32_t reserved = 0) {
      fields.add(new t_ftd(size, name, vt, false, false, ole_variant(), reserved));
    };
    add(u"Id", VT_I4, 0);
    add(u"Code", VT_BSTR, 20);
    add(u"Name", VT_BSTR, 100);
    add(u"Price", VT_DECIMAL, 0, 18 * 256 + 4);
    add(u"Qty", VT_I2, 0);
    add(u"Ratio", VT_R8, 0);
    add(u"Created", VT_DATE, 0);
    add(u"Flag", VT_BOOL, 0);
    add(u"Big", VT_I8, 0);
    add(u"Note", VT_BSTR, with_clob ? 0 : 200);
    auto table = db.create_table(u"Bench", fields, udb_indexes());
    table->set_batch(static_cast<size_t>(state.range(0)), 8u << 20);
    int id = 0;
    const std::u16string note(with_clob ? 5000 : 150, u'n');
    for (auto _ : state) {
      udb_record r;
      r.add(std::make_unique<udb_field>(u"Id", 0, ole_variant(++id)));
      r.add(std::make_unique<udb_field>(u"Code", 20, ole_variant(u"C-0001")));
      r.add(std::make_unique<udb_field>(u"Name", 100, ole_variant(u"A product's name")));
      r.add(std::make_unique<udb_field>(u"Price", 0,
                                        ole_variant::from_string("1234.5678", VT_DECIMAL)));
      r.add(std::make_unique<udb_field>(u"Qty", 0, ole_variant(short{12})));
      r.add(std::make_unique<udb_field>(u"Ratio", 0, ole_variant(0.25)));
      r.add(std::make_unique<udb_field>(u"Created", 0,
                                        ole_variant::from_string("2010-11-24 08:56:44", VT_DATE)));
      r.add(std::make_unique<udb_field>(u"Flag", 0, ole_variant(true)));
      r.add(std::make_unique<udb_field>(u"Big", 0, ole_variant(9000000000LL)));
      r.add(std::make_unique<udb_field>(u"Note", 0, ole_variant(note)));
      table->append_record(r);
    }
    table->flush();
    state.SetItemsProcessed(state.iterations());
  }
  unsetenv("TSL_ORACLE_CLIENT");
  unsetenv("TSL_ORACLE_DATA");
}

void append_plain(benchmark::State& state) {
  append(state, false);
}
void append_with_clob(benchmark::State& state) {
  append(state, true);
}

BENCHMARK(append_plain)->Arg(1000)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(append_with_clob)->Arg(1000)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
