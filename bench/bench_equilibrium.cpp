// Time per CalcEquilibrium.
//  - BM_Database: the systems of the shipped database (data/Quorel.tdb, ideal gases) at Precision
//    1e-6, each calculation as the run makes it (LoadSystem, AddSpecies per row, ReadCriteria,
//    CalcEquilibrium): CH4 + 2 O2 at 3000 K and 1 bar (9 species); N2 + 3 H2 with NH3 at 723.15 K
//    and 300 bar; 2 H2 + O2 at 2500 K; CH4 + 2 O2 + 7.52 N2 (12 species) at 2500 K in the volume
//    its 10.52 mol fill at 298.15 K and 1 bar; graphite forced in CH4 + 0.5 O2 at 1000 K. Argument
//    "start" 0: every solve from the start, as the first of a run; 1: from the last solution of
//    the same system, as the trials of a search or a variation.
//  - BM_AdiabaticMethaneAir: one whole adiabatic search of CH4 + 2 O2 + 7.52 N2 taken in at
//    298.15 K, 1 bar, started at 298.15 K, every trial evaluating the rows at its temperature.
//  - CH4 + 2 O2 at 3000 K with 10 and with 34 species of the NASA polynomials of the solver
//    tests (eqkernel_thermo.h), and with 10 and 50 gases of the database, at Precision 1e-2,
//    1e-4 and 1e-6, in the constant-pressure and the constant-volume mode; a system with five
//    forced pure solids.
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
#include "equilibrium/EqlMain.h"
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
    solver.ForgetLastSolution();
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


// The search of the main window (AdiabaticTemperatureSearch): the bracket, then Brent's method.
template <class F>
double AdiabaticSearch(F&& residual, double T, bool& failed) {
  failed = false;
  quorel::AdiabaticTemperatureSearch search(T);
  for (int trial = 0; trial < quorel::MaxAdiabaticTrials; ++trial) {
    bool ok = true;
    const double r = residual(search.Trial(), ok);
    if (!ok) break;
    if (search.Next(r)) return search.Trial();
  }
  failed = true;
  return search.Trial();
}

// ---- the cases of the shipped database --------------------------------------------------
// The property evaluation of the rows is done once before the timed solves, except in the
// adiabatic search, which evaluates every row at every trial temperature as the main window does.

struct DbRow {
  const char* name;
  const char* phase;
  int slot;
  double input;    // mol
  int coefficient; // 0: none given (1.0); 1: forced; 2: activity coefficient 1 given
};

struct DbCase {
  double T;        // K
  double P;        // bar (constant pressure), or the pressure at which the rows are evaluated
  int mode;        // 0 constant pressure, 1 constant volume of gas slot 1
  double V;        // m3
  std::vector<DbRow> rows;
};

// Candidate rows of every species, found once per case.
struct DbSpecies {
  DbRow row;
  std::string formula;
  std::vector<int> datasets;
};

bool DatabaseLoaded() {
  static int loaded = quorel::LoadDatabase(std::string(QUOREL_SOURCE_DIR) + "/data/Quorel.tdb");
  return loaded > 0;
}

std::vector<DbSpecies> DbSpeciesOf(const DbCase& c) {
  using namespace quorel;
  std::vector<DbSpecies> out;
  if (!DatabaseLoaded()) return out;
  for (const auto& r : c.rows) {
    DbSpecies s{r, DatasetFormula(r.name, r.phase), {}};
    ClearCandidateList();
    BuildCandidateList(r.name, r.phase);
    for (int i = 1; i <= CandidateList.Count(); ++i) s.datasets.push_back(CandidateList.Row(i));
    if (s.datasets.empty()) return {};
    out.push_back(std::move(s));
  }
  return out;
}

// The dataset whose range holds T (else the nearest one), as the lookup chooses it.
int DatasetAt(const DbSpecies& s, double T) {
  using namespace quorel;
  int best = s.datasets.front();
  double distance = 1e300;
  for (int row : s.datasets) {
    const double lo = DatasetTable.Value(row, FieldTmin), hi = DatasetTable.Value(row, FieldTmax);
    if (T >= lo && T <= hi) return row;
    const double d = std::min(std::fabs(T - lo), std::fabs(T - hi));
    if (d < distance) {
      distance = d;
      best = row;
    }
  }
  return best;
}

struct Evaluated {
  std::vector<quorel::SpeciesRow> rows;
  std::vector<int> forced;  // 1 for a forced row
};

Evaluated EvaluateAt(const std::vector<DbSpecies>& species, double T, double P) {
  Evaluated e;
  for (const auto& s : species) {
    quorel::PropertyResult pr;
    quorel::EvaluateProperties(DatasetAt(s, T), quorel::EosIdealGas, pr, P, T);
    quorel::SpeciesRow row;
    row.slot = s.row.slot;
    row.name = s.row.name;
    row.phase = s.row.phase;
    row.formula = s.formula;
    row.inputAmount = s.row.input;
    row.enthalpy = pr.H;
    row.gibbsEnergy = pr.G;
    e.rows.push_back(row);
    e.forced.push_back(s.row.coefficient == 1 ? 1 : 0);
  }
  return e;
}

// One calculation of the run: the solver emptied, the rows handed over slot by slot.
int SolveEvaluated(EqlSolver& solver, const Evaluated& e, const DbCase& c, double T, Extended precision) {
  static const std::vector<std::uint8_t> flags(quorel::MaxElementCount, 0);
  solver.LoadSystem(flags, 255);
  solver.Criteria.precision = precision;
  quorel::SystemConditions cond;
  cond.mode = c.mode;
  cond.temperature = T;
  cond.pressure = c.P;
  cond.volume = c.V;
  solver.ReadCriteria(cond);
  for (int slot = 1; slot <= quorel::PhaseSlots; ++slot) {
    for (size_t i = 0; i < e.rows.size(); ++i) {
      if (e.rows[i].slot != slot) continue;
      const int j = solver.AddSpecies(e.rows[i]);
      if (e.forced[i]) solver.ForceSpecies(j);
    }
  }
  return solver.CalcEquilibrium();
}

const std::vector<DbRow> kFlameGases = {
    {"CH4", "(g)", 1, 1, 0}, {"O2", "(g)", 1, 2, 0}, {"CO2", "(g)", 1, 0, 0}, {"H2O", "(g)", 1, 0, 0},
    {"CO", "(g)", 1, 0, 0},  {"H2", "(g)", 1, 0, 0}, {"OH", "(g)", 1, 0, 0},  {"H", "(g)", 1, 0, 0},
    {"O", "(g)", 1, 0, 0}};

std::vector<DbRow> FlameInAir() {
  std::vector<DbRow> rows = kFlameGases;
  rows.push_back({"N2", "(g)", 1, 7.52, 0});
  rows.push_back({"NO", "(g)", 1, 0, 0});
  rows.push_back({"N", "(g)", 1, 0, 0});
  return rows;
}

DbCase DbCaseNamed(int which) {
  switch (which) {
    case 0:  // CH4 + 2 O2 at 3000 K and 1 bar
      return {3000, 1, 0, 0, kFlameGases};
    case 1:  // N2 + 3 H2 with NH3 at 723.15 K and 300 bar
      return {723.15, 300, 0, 0, {{"N2", "(g)", 1, 1, 0}, {"H2", "(g)", 1, 3, 0}, {"NH3", "(g)", 1, 0, 0}}};
    case 2:  // 2 H2 + O2 at 2500 K and 1 bar
      return {2500, 1, 0, 0,
              {{"H2", "(g)", 1, 2, 0}, {"O2", "(g)", 1, 1, 0}, {"H2O", "(g)", 1, 0, 0}, {"OH", "(g)", 1, 0, 0},
               {"H", "(g)", 1, 0, 0}, {"O", "(g)", 1, 0, 0}}};
    case 3:  // CH4 + 2 O2 + 7.52 N2 in the volume its 10.52 mol fill at 298.15 K and 1 bar, at 2500 K
      return {2500, 1, 1, 10.52 * 8.3143 * 298.15 / 1e5, FlameInAir()};
    default: {  // graphite forced in CH4 + 0.5 O2 at 1000 K and 1 bar
      DbCase c{1000, 1, 0, 0, kFlameGases};
      c.rows[1].input = 0.5;
      c.rows.push_back({"C", "(s)", 6, 0, 1});
      return c;
    }
  }
}

const char* const kDbCaseNames[] = {"CH4+2O2_3000K", "N2+3H2_723K_300bar", "2H2+O2_2500K", "CH4/air_constV_2500K",
                                    "graphite_forced_1000K"};

void BM_Database(benchmark::State& state) {
  static SilentLog silent;
  quorel::SetLogSink(&silent);
  const DbCase c = DbCaseNamed(int(state.range(0)));
  state.SetLabel(kDbCaseNames[state.range(0)]);
  const auto species = DbSpeciesOf(c);
  if (species.empty()) {
    state.SkipWithError("the shipped database could not be read");
    for (auto _ : state) {
    }
    return;
  }
  const Evaluated e = EvaluateAt(species, c.T, c.P);
  EqlSolver solver;
  int result = 0;
  long solves = 0, steps = 0, I = 0, F = 0, pumps = 0;
  for (auto _ : state) {
    if (state.range(1) == 0) solver.ForgetLastSolution();
    result = SolveEvaluated(solver, e, c, c.T, 1e-6L);
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
BENCHMARK(BM_Database)->ArgNames({"case", "start"})->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMicrosecond);

// One whole adiabatic search of CH4 + 2 O2 + 7.52 N2 taken in at 298.15 K, at 1 bar, from the
// start temperature 298.15 K: every trial evaluates the rows at its temperature, solves, and
// compares the enthalpy of the products with that of the inputs.
void BM_AdiabaticMethaneAir(benchmark::State& state) {
  static SilentLog silent;
  quorel::SetLogSink(&silent);
  const DbCase c{298.15, 1, 0, 0, FlameInAir()};
  const auto species = DbSpeciesOf(c);
  if (species.empty()) {
    state.SkipWithError("the shipped database could not be read");
    for (auto _ : state) {
    }
    return;
  }
  double inputH = 0;
  {
    const Evaluated in = EvaluateAt(species, 298.15, c.P);
    for (const auto& r : in.rows) inputH += double(r.inputAmount) * double(r.enthalpy);
  }
  Extended precision = 1;
  for (int i = 0; i < state.range(0); ++i) precision /= 10;
  EqlSolver solver;
  long searches = 0, trials = 0;
  double T = 0;
  bool failed = false;
  for (auto _ : state) {
    solver.ForgetLastSolution();  // each search from the start
    auto residual = [&](double t, bool& ok) {
      const Evaluated e = EvaluateAt(species, t, c.P);
      ok = SolveEvaluated(solver, e, c, t, precision) == 1;
      ++trials;
      solver.CalcEnthalpyBalance();
      return double(solver.ProductsEnthalpy()) - inputH;
    };
    T = AdiabaticSearch(residual, 298.15, failed);
    benchmark::DoNotOptimize(T);
    ++searches;
  }
  if (failed) state.SkipWithError(("search failed: " + solver.FailureText()).c_str());
  state.counters["T_ad"] = T;
  state.counters["trials"] = double(trials) / double(searches);
  quorel::SetLogSink(nullptr);
}
BENCHMARK(BM_AdiabaticMethaneAir)->ArgName("prec")->Arg(6)->Arg(4)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
