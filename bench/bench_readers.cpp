// Readers on shapes that once cost far more than their files: 24 KB of empty lines and one line
// of TABs as a table file, a paste and a "[RecordDefinition]" section (the grid once grew to
// the widest line times the number of lines: 2 GB), and 20,000 activity-coefficient relations
// (once loaded by searching the whole section for every key: 5.8 s). Each reports the time and
// the heap the grid holds afterwards.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "equilibrium/afc.h"
#include "platform/Grid.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"

namespace {

namespace fs = std::filesystem;

// n empty lines, then one line of n TABs.
std::string WideText(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "\r\n";
  return text + std::string(std::size_t(n), '\t') + "x\r\n";
}

std::string TempFile(const std::string& name, const std::string& bytes) {
  const std::string path = (fs::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

double HeapInUse() {
  malloc_trim(0);
  return double(mallinfo2().uordblks);
}

// Runs fill on a fresh grid per iteration; the counter is the heap that grid holds.
template <typename Fill>
void GridShape(benchmark::State& state, Fill fill) {
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto grid = std::make_unique<platform::StringGrid>();
    const double before = HeapInUse();
    state.ResumeTiming();
    fill(*grid);
    state.PauseTiming();
    bytes = HeapInUse() - before;
    benchmark::DoNotOptimize(grid->RowCount());
    grid.reset();
    state.ResumeTiming();
  }
  state.counters["grid_MB"] = bytes / 1e6;
}

void BM_WideTableFile(benchmark::State& state) {
  const std::string path = TempFile("bench_wide.asc", WideText(12000));
  GridShape(state, [&](platform::StringGrid& g) { quorel::LoadGridText(path, 0, g, true, 0); });
  fs::remove(path);
}
BENCHMARK(BM_WideTableFile)->Unit(benchmark::kMillisecond);

void BM_WidePaste(benchmark::State& state) {
  const std::string text = WideText(12000);
  GridShape(state, [&](platform::StringGrid& g) { quorel::PasteTextToGrid(text, 0, 0, g); });
}
BENCHMARK(BM_WidePaste)->Unit(benchmark::kMillisecond);

// The first line of a section sets the column count: 12,000 TABs, then 12,000 short lines.
void BM_WideRecordDefinitionSection(benchmark::State& state) {
  std::string text = "[RecordDefinition]\r\n" + std::string(12000, '\t') + "ID\r\n";
  for (int i = 0; i < 12000; ++i) text += "1\r\n";
  const std::string path = TempFile("bench_wide.eql", text);
  quorel::SettingsReader& store = quorel::SettingsStore();
  GridShape(state, [&](platform::StringGrid& g) {
    store.ResetSettingsCache();
    store.OpenSettingsFile(path);
    quorel::LoadGridFromSection(g, "RecordDefinition");
  });
  fs::remove(path);
}
BENCHMARK(BM_WideRecordDefinitionSection)->Unit(benchmark::kMillisecond);

std::vector<std::string> RelationLines(int count) {
  std::vector<std::string> lines{"[ActivityCoefficients]", "  Count=" + std::to_string(count)};
  for (int n = 1; n <= count; ++n)
    lines.push_back("  " + std::to_string(n) + "=Idx:" + std::to_string(n % 10) + ";A:0.5;B:" + std::to_string(n) +
                    ";C:relation " + std::to_string(n) + ";");
  return lines;
}

void BM_LoadRelations(benchmark::State& state) {
  quorel::TAfcWnd afc;
  const std::vector<std::string> lines = RelationLines(int(state.range(0)));
  quorel::SettingsReader& store = quorel::SettingsStore();
  for (auto _ : state) {
    state.PauseTiming();
    store.ResetSettingsCache();
    store.FileLines() = lines;
    state.ResumeTiming();
    afc.LoadActivityCoefficients();
  }
  if (afc.RelationCount() != state.range(0)) state.SkipWithError("not every relation loaded");
}
BENCHMARK(BM_LoadRelations)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SaveRelations(benchmark::State& state) {
  quorel::TAfcWnd afc;
  quorel::SettingsReader& store = quorel::SettingsStore();
  store.ResetSettingsCache();
  store.FileLines() = RelationLines(int(state.range(0)));
  afc.LoadActivityCoefficients();
  for (auto _ : state) {
    state.PauseTiming();
    store.ResetSettingsCache();
    state.ResumeTiming();
    afc.SaveActivityCoefficients();
  }
  state.counters["lines"] = double(store.FileLines().size());
}
BENCHMARK(BM_SaveRelations)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
