// Per-value cost of the row path: the provider's text to a value, and the
// value to the text its SQL literal is made from. The counter "allocs" is the
// number of operator new calls per value.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "OLE/ole_variant.h"

namespace {
std::atomic<long> g_allocations{0};
}

// The replaced global operators pair malloc with free themselves.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace {

void round_trip(benchmark::State& state, const std::u16string& text, VARTYPE type) {
  std::u16string out;
  out.reserve(256);
  const long before = g_allocations.load();
  for (auto _ : state) {
    ole_variant v = ole_variant::from_wstring(text, type);
    v.write_wstring(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(g_allocations.load() - before),
                                                benchmark::Counter::kAvgIterations);
}

void BM_Integer(benchmark::State& state) {
  round_trip(state, u"1234567", VT_I4);
}
void BM_Decimal(benchmark::State& state) {
  round_trip(state, u"-12345678.9012", VT_DECIMAL);
}
void BM_Double(benchmark::State& state) {
  round_trip(state, u"3.14159265358979", VT_R8);
}
void BM_Date(benchmark::State& state) {
  round_trip(state, u"2009-12-31 23:59:59", VT_DATE);
}
void BM_DateMilliseconds(benchmark::State& state) {
  round_trip(state, u"2009-12-31 23:59:59.997", VT_DATE);
}
void BM_String100(benchmark::State& state) {
  round_trip(state, std::u16string(100, u'x'), VT_BSTR);
}

}  // namespace

BENCHMARK(BM_Integer);
BENCHMARK(BM_Decimal);
BENCHMARK(BM_Double);
BENCHMARK(BM_Date);
BENCHMARK(BM_DateMilliseconds);
BENCHMARK(BM_String100);
