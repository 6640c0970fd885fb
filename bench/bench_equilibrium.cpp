// Time per CalcEquilibrium: CH4 + 2 O2 at 3000 K and 1 atm with 10 and with 50 gas species from
// the shipped database (data/Quorel.tdb, evaluated as ideal gases), at Precision 1e-2, 1e-4 and
// 1e-6, in the constant-pressure and the constant-volume mode; the same with the 34 C/H/O
// species of GRI-Mech 3.0 from the NASA polynomials of the solver tests (eqkernel_thermo.h),
// which need no database; and a system with five forced pure solids.
// Counters per solve: loop steps, estimate steps (I), final steps (F), event-pump requests,
// evaluation passes over the species. The "pump1us" variants give every pump request a cost of
// about a microsecond, as the event check of a window system may have: that is what the
// criteria window's 5 ms throttle of the pump keeps out of the solve.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "../tests/equilibrium/eqkernel_thermo.h"
#include "equilibrium/EqKernel.h"
#include "shared/AplMsg.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace {

using quorel::EqlSolver;
using quorel::Extended;

struct Row {
  std::string name;
  int slot;
  Extended input;
  bool forced;
  // from the shipped database: formula and G at the system conditions (empty: NASA table)
  std::string formula = {};
  Extended g = 0;
};

const char* const kSmall[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O", "HO2"};
const char* const kLarge[] = {"O",     "O2",    "H",    "H2",    "OH",   "H2O",   "HO2",    "H2O2",  "C",
                              "CH",    "CH2",   "CH2(S)", "CH3",  "CH4",  "CO",    "CO2",    "HCO",   "CH2O",
                              "CH2OH", "CH3O",  "CH3OH", "C2H",  "C2H2", "C2H3",  "C2H4",   "C2H5",  "C2H6",
                              "CH2CO", "HCCO",  "HCCOH", "C3H7", "C3H8", "CH3CHO", "CH2CHO"};

class SilentLog : public quorel::LogSink {
 public:
  void Post(int, int, std::string_view) override {}
  void PostAlways(int, int, std::string_view) override {}
  void PostUnique(int, int, std::string_view) override {}
};

class Host : public quorel::SolverHost {
 public:
  bool costly = false;
  void ProcessPendingEvents() override {
    if (!costly) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::nanoseconds(1000);
    while (std::chrono::steady_clock::now() < until) {
    }
  }
};

struct System {
  double T = 3000;
  double P = 1.01325;  // bar
  int mode = 0;
  double V = 0;
  std::vector<Row> rows;
  // synthetic solids: name, formula, G/RT
  std::vector<std::tuple<std::string, std::string, double, int, Extended>> extra;
};

void Load(EqlSolver& s, const System& sys, Extended precision) {
  std::vector<std::uint8_t> flags(quorel::MaxElementCount, 0);
  s.LoadSystem(flags, 255);  // the solver selects the elements of the species itself
  quorel::SystemConditions c;
  c.mode = sys.mode;
  c.temperature = sys.T;
  c.pressure = sys.mode == 0 ? sys.P : 1;
  c.volume = sys.V;
  s.Criteria.precision = precision;
  s.ReadCriteria(c);
  const Extended RT = quorel::SolverGasConstant * sys.T;
  // rows arrive slot by slot, as the calculation run hands them over
  for (int slot = 1; slot <= quorel::PhaseSlots; ++slot) {
  for (const auto& r : sys.rows) {
    if (r.slot != slot) continue;
    quorel::SpeciesRow row;
    row.slot = r.slot;
    row.name = r.name;
    row.phase = r.slot <= 2 ? "(g)" : "(s)";
    row.inputAmount = r.input;
    if (r.formula.empty()) {
      row.formula = eqtest::NasaEntry(r.name).formula;
      row.gibbsEnergy = eqtest::GOverRT(r.name, sys.T) * RT;
      if (r.slot <= 2) row.gibbsEnergy += RT * std::log(static_cast<Extended>(c.pressure));
    } else {
      row.formula = r.formula;
      row.gibbsEnergy = r.g;
    }
    const int j = s.AddSpecies(row);
    if (r.forced) s.ForceSpecies(j);
  }
  for (const auto& [name, formula, g, xslot, input] : sys.extra) {
    if (xslot != slot) continue;
    quorel::SpeciesRow row;
    row.slot = xslot;
    row.name = name;
    row.formula = formula;
    row.phase = "(s)";
    row.inputAmount = input;
    row.gibbsEnergy = g * RT;
    s.ForceSpecies(s.AddSpecies(row));
  }
  }
}

System Methane(bool large, int mode) {
  System sys;
  sys.mode = mode;
  for (const char* n : large ? std::vector<const char*>(std::begin(kLarge), std::end(kLarge))
                             : std::vector<const char*>(std::begin(kSmall), std::end(kSmall))) {
    const std::string name = n;
    sys.rows.push_back({name, 1, name == "CH4" ? 1.0L : (name == "O2" ? 2.0L : 0.0L), false});
  }
  // the volume 3 mol of ideal gas fill at 3000 K and 1 atm
  sys.V = 3 * 8.3143 * 3000 / (1.01325e5);
  return sys;
}

// The gases of C, H and O from the shipped database whose range holds T, the ten main
// combustion species first, then the smallest molecules, up to count species; their G as the
// property evaluation gives it (ideal gas at P, pressure term included). Empty when the
// database cannot be read.
std::vector<Row> DatabaseGases(int count, double T, double P) {
  using namespace quorel;
  static int loaded = LoadDatabase(std::string(QUOREL_SOURCE_DIR) + "/data/Quorel.tdb");
  std::vector<Row> rows;
  if (loaded <= 0) return rows;
  const auto& tab = DatasetTable;
  auto chOnly = [](const std::string& f) {
    double m = 0;
    for (const char* e : {"C", "H", "O"}) m += FormulaElementCount(e, f) * AtomicWeight(ElementIndex(e));
    return m > 0 && std::fabs(m - MolarMass(f)) < 1e-9;
  };
  auto atoms = [](const std::string& f) {
    double n = 0;
    for (const char* e : {"C", "H", "O"}) n += FormulaElementCount(e, f);
    return n;
  };
  std::vector<std::pair<double, std::string>> names;
  for (int r = 1; r < tab.RowCount; ++r) {
    if (tab.Text(r, FieldPhase) != "(g)" || !chOnly(tab.Text(r, FieldComposition))) continue;
    if (tab.Value(r, FieldTmin) > T || tab.Value(r, FieldTmax) < T) continue;
    const std::string& n = tab.Text(r, FieldName);
    bool seen = false;
    for (const auto& p : names) seen = seen || p.second == n;
    if (!seen) names.push_back({atoms(tab.Text(r, FieldComposition)), n});
  }
  const char* main[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O", "HO2"};
  std::vector<std::string> chosen;
  for (const char* m : main) {
    for (const auto& p : names) {
      if (p.second == m) chosen.push_back(m);
    }
  }
  std::stable_sort(names.begin(), names.end());
  for (const auto& p : names) {
    if (int(chosen.size()) >= count) break;
    if (std::find(chosen.begin(), chosen.end(), p.second) == chosen.end()) chosen.push_back(p.second);
  }
  for (const auto& n : chosen) {
    ClearCandidateList();
    BuildCandidateList(n, "(g)");
    const int row = FindDataset(n, "(g)", T);
    PropertyResult pr;
    if (row < 1 || !EvaluateProperties(row, EosIdealGas, pr, P, T)) continue;
    rows.push_back({n, 1, n == "CH4" ? 1.0L : (n == "O2" ? 2.0L : 0.0L), false,
                    tab.Text(row, FieldComposition), static_cast<Extended>(pr.G)});
  }
  return rows;
}

// Carbon monoxide and carbon dioxide over graphite, calcite and lime at 1100 K, with two iron
// phases whose Gibbs energies are rounded estimates (Fe: G/RT -5.0, FeO: G/RT -41), good enough
// to time the forced-phase rounds.
System FiveSolids() {
  System sys;
  sys.T = 1100;
  sys.P = 1;
  sys.rows = {{"CO", 1, 0, false},   {"CO2", 1, 1, false},  {"O2", 1, 0, false},    {"AR", 1, 1, false},
              {"C(gr)", 6, 1, true}, {"CaCO3", 7, 1, true}, {"CaO", 8, 0.5L, true}};
  // each pure solid in a condensed slot of its own
  sys.extra = {{"Fe", "Fe1", -5.0, 4, 0.5L}, {"FeO", "Fe1O1", -41.0, 5, 0.5L}};
  return sys;
}

void Report(benchmark::State& state, const EqlSolver& s, int result, long solves, long steps, long I, long F,
            long pumps) {
  state.counters["result"] = result;
  state.counters["steps"] = benchmark::Counter(double(steps) / double(solves));
  state.counters["I"] = benchmark::Counter(double(I) / double(solves));
  state.counters["F"] = benchmark::Counter(double(F) / double(solves));
  state.counters["pumps"] = benchmark::Counter(double(pumps) / double(solves));
  state.counters["passes"] = double(s.Counters().passes);
  state.counters["species"] = s.SpeciesCount();
}

void Run(benchmark::State& state, const System& sys, Extended precision, bool costlyPump) {
  static SilentLog silent;
  quorel::SetLogSink(&silent);
  Host host;
  host.costly = costlyPump;
  EqlSolver solver(&host);
  long solves = 0, steps = 0, I = 0, F = 0, pumps = 0;
  int result = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Load(solver, sys, precision);
    state.ResumeTiming();
    result = solver.CalcEquilibrium();
    benchmark::DoNotOptimize(result);
    ++solves;
    steps += solver.Counters().steps;
    I += solver.Counters().I;
    F += solver.Counters().F;
    pumps += solver.Counters().pumps;
  }
  if (result != 1) state.SkipWithError(("CalcEquilibrium returned " + std::to_string(result) + ": " + solver.FailureText()).c_str());
  Report(state, solver, result, solves, steps, I, F, pumps);
  quorel::SetLogSink(nullptr);
}

// Arguments: large (0: 10 species, 1: 34 species), -log10 Precision, mode (0 P const, 1 V const)
void BM_MethaneOxygen3000K(benchmark::State& state) {
  Extended precision = 1;
  for (int i = 0; i < state.range(1); ++i) precision /= 10;
  Run(state, Methane(state.range(0) != 0, int(state.range(2))), precision, false);
}
BENCHMARK(BM_MethaneOxygen3000K)
    ->ArgNames({"large", "prec", "mode"})
    ->ArgsProduct({{0, 1}, {2, 4, 6}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// Arguments: species (10 or 50), -log10 Precision, mode; from the shipped database.
void BM_MethaneOxygen3000K_Database(benchmark::State& state) {
  Extended precision = 1;
  for (int i = 0; i < state.range(1); ++i) precision /= 10;
  System sys = Methane(false, int(state.range(2)));
  sys.rows = DatabaseGases(int(state.range(0)), sys.T, sys.mode == 0 ? sys.P : 1.0);
  if (int(sys.rows.size()) < state.range(0)) {
    state.SkipWithError("the shipped database could not be read");
    for (auto _ : state) {
    }
    return;
  }
  Run(state, sys, precision, false);
}
BENCHMARK(BM_MethaneOxygen3000K_Database)
    ->ArgNames({"species", "prec", "mode"})
    ->ArgsProduct({{10, 50}, {2, 4, 6}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_MethaneOxygen3000K_pump1us(benchmark::State& state) {
  Run(state, Methane(state.range(0) != 0, 0), 0.01L, true);
}
BENCHMARK(BM_MethaneOxygen3000K_pump1us)->ArgNames({"large"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FiveForcedSolids(benchmark::State& state) { Run(state, FiveSolids(), 0.01L, false); }
BENCHMARK(BM_FiveForcedSolids)->Unit(benchmark::kMicrosecond);

}  // namespace
