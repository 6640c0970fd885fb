// Load time and memory of the shipped database.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "shared/QuorelDatabase.h"

namespace {

const std::string kShipped = std::string(QUOREL_SOURCE_DIR) + "/data/Quorel.tdb";

void BM_LoadShippedDatabase(benchmark::State& state) {
  int rows = 0;
  for (auto _ : state) {
    rows = quorel::LoadDatabase(kShipped);
    benchmark::DoNotOptimize(rows);
  }
  if (rows <= 0) state.SkipWithError("the shipped database did not load");
  state.counters["rows"] = rows;
}
BENCHMARK(BM_LoadShippedDatabase)->Unit(benchmark::kMillisecond);

// Heap held by the loaded table: the difference of the allocator's in-use bytes before the
// table exists and after the shipped file is loaded into it.
void BM_ShippedDatabaseMemory(benchmark::State& state) {
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    quorel::FreeDatasetTable();
    malloc_trim(0);
    const auto before = mallinfo2().uordblks;
    state.ResumeTiming();
    quorel::ClearDatabase();
    int rows = quorel::LoadDatabase(kShipped);
    benchmark::DoNotOptimize(rows);
    state.PauseTiming();
    bytes = static_cast<double>(mallinfo2().uordblks) - static_cast<double>(before);
    state.ResumeTiming();
  }
  state.counters["heap_MiB"] = bytes / (1024.0 * 1024.0);
}
BENCHMARK(BM_ShippedDatabaseMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
