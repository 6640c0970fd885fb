// Property evaluation per equation of state (a gas row, a liquid row, and a gas and a liquid
// close to their critical point, where the fixed-point loops run longest) and the loading of a
// 2,000-row database file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "shared/QuorelDatabase.h"

using namespace quorel;

namespace {

// CO2 gas and H2O liquid with NIST WebBook Shomate coefficients (a=A b=B c=E d=C f=D).
const char* kRows =
    "#\tName\tPhase\n"
    "1\tCO2\t(g)\t298\t1200\t298.15\t-393520\t213.79\t24.99735\t55.18696\t-0.136638\t-33.69137\t0\t"
    "7.948387\t304.12\t73.74\t0.225\tC1O2\tCarbon dioxide\t[1]\n"
    "2\tH2O\t(l)\t298\t500\t298.15\t-285830\t69.95\t-203.6060\t1523.290\t3.855326\t-3196.413\t0\t"
    "2474.455\t647.14\t220.64\t0.344\tH2O1\tWater\t[1]\n";

struct Point {
  const char* label;
  const char* name;
  const char* phase;
  double P, T;
};
constexpr Point kPoints[] = {
    {"gas CO2 400 K 30 bar", "CO2", "(g)", 30, 400},
    {"liquid H2O 350 K 1 bar", "H2O", "(l)", 1, 350},
    {"near-critical CO2 305 K 74 bar", "CO2", "(g)", 74, 305},
    {"near-critical liquid H2O 640 K 200 bar", "H2O", "(l)", 200, 640},
};

void BM_EvaluateProperties(benchmark::State& state) {
  const int eos = static_cast<int>(state.range(0));
  const Point& p = kPoints[state.range(1)];
  ClearDatabase();
  LoadDatabaseText(kRows, "bench");
  const int row = FindFirstDataset(p.name, p.phase);
  PropertyResult r;
  for (auto _ : state) {
    EvaluateProperties(row, eos, r, p.P, p.T);
    benchmark::DoNotOptimize(r);
  }
  state.SetLabel(std::string(EosCaption(eos)) + " | " + p.label + " | status " +
                 std::to_string(r.status));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateProperties)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3}});

// A generated database of 2,000 rows in the layout of the shipped file.
std::string GeneratedDatabase() {
  const auto path = std::filesystem::temp_directory_path() / "quorel_bench_2000.tdb";
  std::ofstream out(path, std::ios::binary);
  out << "#\tName\tPhase\tTmin\tTmax\tT0\tH0\tS0\ta\tb\tc\td\te\tf\tTc\tPc\tw\tComposition\t"
         "Description\tReferences\t\tComment\r\n";
  for (int i = 1; i < 2000; ++i) {
    out << i << "\tS" << i << "\t" << (i % 3 == 0 ? "(s)" : i % 3 == 1 ? "(l)" : "(g)") << "\t"
        << 200 + i % 100 << "\t" << 1000 + i << "\t298.15\t" << -1000.5 * i << "\t" << 100 + i * 0.01
        << "\t29.1\t1,25\t-0.5\t2.5E-1\t0\t.75\t" << 300 + i % 400 << "\t" << 40 + i % 50 << "\t0."
        << i % 100 << "\tC1H" << i % 9 << "O2\tSubstance number " << i << "\t[1] [2]\t\tgenerated\r\n";
  }
  return path.string();
}

void BM_LoadDatabase(benchmark::State& state) {
  const std::string path = GeneratedDatabase();
  ClearDatabase();
  int rows = 0;
  for (auto _ : state) {
    rows = LoadDatabase(path);
    benchmark::DoNotOptimize(rows);
  }
  state.SetLabel(std::to_string(rows) + " rows");
  state.SetItemsProcessed(state.iterations() * rows);
  std::remove(path.c_str());
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond);

}  // namespace
