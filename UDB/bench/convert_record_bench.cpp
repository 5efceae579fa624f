// Cost of changing one source record (values as the source reader delivers
// them, mostly text) to the destination column types, per record of eight
// columns. Building the record is measured alone so that it can be taken off.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "UDB/udb_recordset.h"

namespace {

class sink_table : public udb_recordset {
 public:
  sink_table() : udb_recordset(u"T", true) {
    add(u"ID", VT_I4, 4);
    add(u"QTY", VT_I2, 2);
    add(u"PRICE", VT_R8, 8);
    add(u"AMOUNT", VT_DECIMAL, 0);
    add(u"CREATED", VT_DATE, 8);
    add(u"NAME", VT_BSTR, 100);
    add(u"CODE", VT_BSTR, 10);
    add(u"FLAG", VT_BOOL, 2);
  }
  void append_record(udb_record& record) override { convert_record(record); }

 private:
  void add(const char16_t* name, VARTYPE vt, uint32_t size) {
    schema().add(new t_ftd(size, name, vt, false, false, ole_variant(), 0));
  }
};

udb_record source_record() {
  static const char16_t* const kTexts[] = {
      u"123456",
      u"42",
      u"3.25",
      u"12345.6789",
      u"2009-12-31 23:59:59",
      u"A name of some length that a customer table would hold",
      u"X-42",
      u"1"};
  udb_record record;
  for (const char16_t* text : kTexts) {
    record.add(std::make_unique<udb_field>(u"F", 0, ole_variant(std::u16string(text))));
  }
  return record;
}

void BM_BuildRecord(benchmark::State& state) {
  for (auto _ : state) {
    udb_record record = source_record();
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_BuildRecord);

void BM_BuildAndConvertRecord(benchmark::State& state) {
  sink_table table;
  for (auto _ : state) {
    udb_record record = source_record();
    table.append_record(record);
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_BuildAndConvertRecord);

}  // namespace
