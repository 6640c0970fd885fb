// Loading, failure paths, corrections and results of the solver.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "eqkernel_support.h"
#include "eqkernel_thermo.h"
#include "shared/AplMsg.h"

using namespace eqtest;
using quorel::EqlSolver;
using quorel::Extended;
using quorel::ScopedLogRecorder;

namespace {

TestRow Row(int slot, const std::string& name, const std::string& formula, Extended input, Extended gOverRT) {
  TestRow r;
  r.slot = slot;
  r.name = name;
  r.formula = formula;
  r.input = input;
  r.gOverRT = gOverRT;
  return r;
}

TestRow Gas(const std::string& name, Extended input, double T) {
  return Row(1, name, NasaEntry(name).formula, input, GOverRT(name, T));
}

// Hydrogen burning in oxygen at 3000 K: three elements' worth of species, many steps.
TestSystem HydrogenFlame() {
  TestSystem s;
  s.T = 3000;
  s.P = 1;
  s.precision = 1e-4L;
  for (const char* n : {"H2", "O2", "H2O", "OH", "H", "O", "HO2", "H2O2"}) {
    s.rows.push_back(Gas(n, std::string(n) == "H2" ? 2 : (std::string(n) == "O2" ? 1 : 0), 3000));
  }
  return s;
}

// Argon gas over a condensed neon phase: the normalisation of the final loop differs from that
// of the estimate, so the final loop needs many steps of its own.
TestSystem GasOverLiquid() {
  TestSystem s;
  s.T = 300;
  s.precision = 1e-6L;
  s.rows = {Row(1, "Ar", "Ar1", 1, 2.0), Row(3, "Ne", "Ne3", 1, 0.0)};
  return s;
}

class CountingHost : public quorel::SolverHost {
 public:
  std::function<void(long)> onPump;
  long pumps = 0;
  void ProcessPendingEvents() override {
    ++pumps;
    if (onPump) onPump(pumps);
  }
};

// ---- loading ------------------------------------------------------------------------------

TEST(LoadSystem, ListsStartWithTheirHeaderLines) {
  EqlSolver solver;
  TestSystem s;
  s.rows = {Row(1, "CO", "C1O1", 1, 0), Row(6, "C", "C1", 1, 0)};
  Load(solver, s);
  ASSERT_EQ(solver.SpeciesCount(), 2);
  EXPECT_EQ(solver.SubstanceList().at(0), "Substances:");
  EXPECT_EQ(solver.SubstancePhaseList().at(0), "Substance (ph):");
  EXPECT_EQ(solver.MolDefList().at(0), "MolDef:");
  EXPECT_EQ(solver.SpeciesNameWithPhase(1), "CO (g)");
  EXPECT_EQ(solver.SpeciesFormula(2), "C1");
  EXPECT_EQ(solver.SlotFirst(6), 2);
  EXPECT_EQ(solver.SlotLast(6), 2);
}

TEST(AddSpecies, ReactingFractionIsClippedAndMarksPartialReaction) {
  EqlSolver solver;
  TestSystem s;
  s.rows = {Row(1, "A", "Ar1", 2, 0), Row(1, "B", "Ne1", 2, 0)};
  s.rows[0].fraction = 1.5;
  s.rows[1].fraction = -0.2;
  Load(solver, s);
  EXPECT_EQ(solver.ReactingFraction(1), 1);
  EXPECT_EQ(solver.ReactingInput(1), 2);
  EXPECT_EQ(solver.ReactingFraction(2), 0);
  EXPECT_EQ(solver.ReactingInput(2), 0);
  EXPECT_TRUE(solver.PartialReaction());
}

TEST(AddSpecies, CoefficientNotAboveZeroLoadsInactiveWithoutG0) {
  EqlSolver solver;
  TestSystem s;
  s.rows = {Row(1, "A", "Ar1", 1, -3)};
  s.rows[0].gamma = 0;
  Load(solver, s);
  EXPECT_EQ(solver.SpeciesState(1), 0);
  EXPECT_EQ(solver.SpeciesG0(1), 0);
  EXPECT_EQ(solver.ActivityCoefficient(1), 1);
}

TEST(AddSpecies, SecondElectronSpeciesIsRefused) {
  ScopedLogRecorder log;
  EqlSolver solver;
  TestSystem s;
  s.rows = {Row(1, "e1", "E1", 0, 0), Row(1, "e2", "E1", 0, 0)};
  EXPECT_EQ(Load(solver, s), 0);
  EXPECT_TRUE(log.sink.Has(373));
  EXPECT_EQ(solver.FailureText(), "Break because error EK.373");
  EXPECT_EQ(solver.SpeciesCount(), 1);
}

TEST(AddSpecies, MoreThan2048SpeciesAreRefusedWithAMessage) {
  ScopedLogRecorder log;
  EqlSolver solver;
  std::vector<std::uint8_t> flags(quorel::MaxElementCount, 0);
  solver.LoadSystem(flags, 255);
  quorel::SpeciesRow row;
  row.formula = "Ar1";
  row.phase = "(g)";
  for (int i = 1; i <= quorel::MaxSolverSpecies; ++i) {
    row.name = "S" + std::to_string(i);
    ASSERT_EQ(solver.AddSpecies(row), i);
  }
  row.name = "one too many";
  EXPECT_EQ(solver.AddSpecies(row), 0);
  EXPECT_TRUE(log.sink.Has(374));
  EXPECT_EQ(solver.SpeciesCount(), quorel::MaxSolverSpecies);
}

TEST(ReadCriteria, OutOfRangeSettingsFallBack) {
  struct Case {
    Extended precision, threshold, factor;
    Extended wantPrecision, wantThreshold, wantFactor;
  };
  const Case cases[] = {
      {0, -1, 5, 0.01L, 1e-23L, 0.999L},
      {1, 2, 0.1L, 0.01L, 1, 0.5L},
      {1e-5L, 1e-10L, 0.9L, 1e-5L, 1e-10L, 0.9L},
  };
  for (const auto& c : cases) {
    EqlSolver solver;
    solver.Criteria.precision = c.precision;
    solver.Criteria.ignoreThreshold = c.threshold;
    solver.Criteria.approximationFactorField = c.factor;
    solver.ReadCriteria({0, 1000, 1, 0});
    EXPECT_EQ(solver.Criteria.precision, c.wantPrecision);
    EXPECT_EQ(solver.Criteria.ignoreThreshold, c.wantThreshold);
    EXPECT_EQ(solver.Criteria.approximationFactor, c.wantFactor);
  }
}

TEST(ReadCriteria, NamedConditionsAreStoredAsGiven) {
  EqlSolver solver;
  quorel::SystemConditions c;
  c.mode = 1;
  c.temperature = 1500;
  c.pressure = 1;
  c.volume = 0.25;
  solver.ReadCriteria(c);
  EXPECT_EQ(solver.Conditions().mode, 1);
  EXPECT_EQ(solver.Conditions().temperature, 1500);
  EXPECT_EQ(solver.Conditions().volume, 0.25L);
  EXPECT_EQ(solver.PressureEstimate(), 1);
}

TEST(ComponentLabel, SymbolWithItselfInParentheses) {
  EqlSolver solver;
  std::vector<std::uint8_t> flags(quorel::MaxElementCount, 0);
  flags[0] = 1;  // the electron is selected but never a component
  flags[8] = 1;
  flags[26] = 1;
  solver.LoadSystem(flags, 255);
  EXPECT_EQ(solver.ComponentLabel(1), "O(O)");
  EXPECT_EQ(solver.ComponentLabel(2), "Fe(Fe)");
  EXPECT_EQ(solver.ComponentLabel(3), "");
}

// ---- failure paths -----------------------------------------------------------------------

TEST(FailurePaths, UnusualFreeEnergyRefusesTheSystem) {
  ScopedLogRecorder log;
  TestSystem s;
  s.rows = {Row(1, "A", "Ar1", 1, 0), Row(6, "B", "Ar1", 0, -5001)};
  EqlSolver solver;
  EXPECT_EQ(Solve(solver, s), -1);
  EXPECT_EQ(solver.FailureText().rfind("Free energy -G(B (s))=", 0), 0u) << solver.FailureText();
}

TEST(FailurePaths, ElementWithInputButNoActiveSpeciesStopsWith1220) {
  ScopedLogRecorder log;
  TestSystem s;
  s.rows = {Row(1, "H2", "H2", 1, 0), Row(1, "H2O", "H2O1", 1, -10)};
  s.rows[1].active = false;
  EqlSolver solver;
  EXPECT_EQ(Solve(solver, s), 0);
  EXPECT_TRUE(log.sink.Has(1220));
}

TEST(FailurePaths, ExponentGuardStopsWith456NamingTheSpecies) {
  ScopedLogRecorder log;
  TestSystem s;
  s.rows = {Row(1, "A", "Ar1", 1, 0), Row(1, "B", "Ar2", 0, 0)};
  s.rows[1].gamma = 1e-4500L;
  EqlSolver solver;
  EXPECT_LT(Solve(solver, s), 1);
  EXPECT_TRUE(log.sink.Has(456));
  EXPECT_EQ(solver.FailureText(), "Break because error EK.456");
  bool named = false;
  for (const auto& m : log.sink.messages) {
    if (m.id == 456 && m.text.find("B (g)") != std::string::npos) named = true;
  }
  EXPECT_TRUE(named);
}

// The number of event pumps of the estimate of a system.
long EstimatePumps(const TestSystem& s) {
  long pumps = 0;
  EqlSolver probe;
  CountingHost host;
  host.onPump = [&](long n) {
    if (probe.StatusText().empty()) pumps = n;
  };
  probe.SetHost(&host);
  Solve(probe, s);
  return pumps;
}

// The estimate solves the system; the final loop then needs no step of its own, so a limit
// below its first count (-1, set at the last pump of the estimate) is what it runs beyond.
TEST(FailurePaths, FinalLoopBeyondTheLimitStopsWith780) {
  ScopedLogRecorder log;
  const long estimate = EstimatePumps(GasOverLiquid());
  EqlSolver solver;
  CountingHost host;
  host.onPump = [&](long n) {
    if (n == estimate) solver.Criteria.iterationLimit = -1;
  };
  solver.SetHost(&host);
  EXPECT_EQ(Solve(solver, GasOverLiquid()), -32);
  EXPECT_TRUE(log.sink.Has(780));
  EXPECT_FALSE(log.sink.Has(936));  // Auto Correction off: no retry
  EXPECT_EQ(solver.FailureText(), "Calculation is broken because error 780");
}

TEST(FailurePaths, AutoCorrectionRetriesWithATenthMoreSteps) {
  ScopedLogRecorder log;
  EqlSolver solver;
  CountingHost host;
  const long estimate = EstimatePumps(GasOverLiquid());
  host.onPump = [&](long n) {
    if (n == estimate) solver.Criteria.iterationLimit = -1;
  };
  solver.SetHost(&host);
  solver.Criteria.autoCorrection = true;
  EXPECT_EQ(Solve(solver, GasOverLiquid()), 1) << solver.FailureText();
  EXPECT_TRUE(log.sink.Has(936));
  EXPECT_GT(solver.Criteria.iterationLimit, -1);
}

TEST(FailurePaths, UserBreakAfterNPumps) {
  struct Case {
    long breakAt;  // 0: after the estimate, plus two
    int result;
    const char* text;
  };
  const long estimatePumps = EstimatePumps(GasOverLiquid());
  ASSERT_GT(estimatePumps, 3);
  // the estimate pumps on every step (Newton's among them); the final loop's first step, which
  // accepts the solution, pumps once more
  const Case cases[] = {{3, -1, "Break by user (ilk)"}, {estimatePumps + 1, -32, "Break by user !"}};
  for (const auto& c : cases) {
    ScopedLogRecorder log;
    EqlSolver solver;
    CountingHost host;
    host.onPump = [&](long n) {
      if (n == c.breakAt) solver.SolverBreakFlag = 1;
    };
    solver.SetHost(&host);
    EXPECT_EQ(Solve(solver, GasOverLiquid()), c.result);
    EXPECT_EQ(host.pumps, c.breakAt);
    EXPECT_NE(solver.FailureText().find(c.text), std::string::npos) << solver.FailureText();
  }
}

TEST(FailurePaths, BreakFlagSetBeforeTheCallStopsAtOnce) {
  EqlSolver solver;
  Load(solver, GasOverLiquid());
  solver.SolverBreakFlag = 1;
  EXPECT_EQ(solver.CalcEquilibrium(), 0);
  EXPECT_EQ(solver.FailureText(), "Break by user !");
}

TEST(FailurePaths, NoValidInputFailsUnlessPartOfTheInputDoesNotReact) {
  {
    ScopedLogRecorder log;
    TestSystem s;
    s.rows = {Row(1, "A", "Ar1", 0, 0), Row(1, "B", "Ar2", 0, 0)};
    EqlSolver solver;
    EXPECT_EQ(Solve(solver, s), 0);
    EXPECT_TRUE(log.sink.Has(1004));
  }
  {
    ScopedLogRecorder log;
    TestSystem s;
    s.rows = {Row(1, "A", "Ar1", 0, 0), Row(1, "B", "Ar2", 3, 0)};
    s.rows[1].fraction = 0;
    EqlSolver solver;
    EXPECT_EQ(Solve(solver, s), 1);
    EXPECT_TRUE(log.sink.Has(1004));
    EXPECT_EQ(Amount(solver, "B"), 3);
    EXPECT_EQ(Amount(solver, "A"), 0);
  }
}

// Only part of the input reacts and nothing of it is valid: the unreacted rows are the
// products, and a gas among them stands at its fugacity in bar (mole fraction x P), so that
// its Gibbs energy is that of the row (G at P) + R T ln x.
TEST(FailurePaths, UnreactedInputAtTenBarKeepsItsFugacities) {
  ScopedLogRecorder log;
  TestSystem s;
  s.P = 10;
  s.rows = {Row(1, "A", "Ar1", 1, -2), Row(1, "B", "Ar2", 3, -5)};
  s.rows[0].fraction = 0;
  s.rows[1].fraction = 0;
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1);
  EXPECT_TRUE(log.sink.Has(1004));
  EXPECT_NEAR(double(Activity(solver, "A")), 2.5, 1e-12);
  EXPECT_NEAR(double(solver.PhaseActivitySum(1)), 10, 1e-12);
  solver.CalcEnthalpyBalance();
  const double RT = double(quorel::SolverGasConstant) * 1000;
  const double G = 1 * (RowG0(s, s.rows[0]) + RT * std::log(0.25)) + 3 * (RowG0(s, s.rows[1]) + RT * std::log(0.75));
  EXPECT_NEAR(double(solver.ProductsGibbsEnergy()), G, 1e-9 * std::fabs(G));
}

// An element of the selection without input is named in the message, the last comma removed.
TEST(Messages, ElementsWithoutInputAreListed) {
  ScopedLogRecorder log;
  TestSystem s;
  s.rows = {Row(1, "Ar", "Ar1", 1, 0), Row(1, "H2", "H2", 0, 0), Row(1, "Ne", "Ne1", 0, 0)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  bool found = false;
  for (const auto& m : log.sink.messages) {
    if (m.id != 1196) continue;
    found = true;
    EXPECT_EQ(m.level, 4);
    EXPECT_EQ(m.text, "No values for :H, Ne ");
  }
  EXPECT_TRUE(found);
}

TEST(StatusText, StepsOfTheEstimateTheFinalLoopAndTheNormalisation) {
  ScopedLogRecorder log;
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, HydrogenFlame()), 1);
  const auto& c = solver.Counters();
  EXPECT_EQ(solver.StatusText(), "1: " + std::to_string(c.I) + "(0.98); 2: " + std::to_string(c.F) + "(0.98); P: " +
                                     std::to_string(c.largestP));
  for (int id : {1108, 1205}) {
    ASSERT_TRUE(log.sink.Has(id)) << id;
  }
  for (const auto& m : log.sink.messages) {
    if (m.id == 1108) {
      EXPECT_EQ(m.text, "Estimation of System ...");
    }
    if (m.id == 1205) {
      EXPECT_EQ(m.text, "Search for exact solution");
    }
    if (m.id == 1108 || m.id == 1205) {
      EXPECT_EQ(m.level, 6);
    }
  }
}

// ---- corrections ----------------------------------------------------------------------------

// The same substance in a gas and a liquid slot: the losing phase is excluded, and its old
// phase fraction must not swallow a share of the elements.
TEST(Corrections, ExcludedPhaseKeepsNoShareOfTheElements) {
  const double T = 1500;
  TestSystem s;
  s.T = T;
  s.precision = 1e-6L;
  s.rows = {Gas("H2", 2, T), Gas("O2", 1, T), Gas("H2O", 0, T), Gas("OH", 0, T)};
  TestRow liquid = Row(3, "H2O(l)", "H2O1", 0, GOverRT("H2O", T) + 5);
  s.rows.push_back(liquid);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_EQ(solver.SpeciesState(IndexOf(solver, "H2O(l)")), -1);
  EXPECT_EQ(Amount(solver, "H2O(l)"), 0);
  ExpectInvariants(solver, s);
}

// An element whose only species lies so far above the others that its output underflows to 0
// must not count as balanced: the call either balances it or fails, never succeeds without it.
TEST(Corrections, ElementWithoutOutputIsNotBalanced) {
  ScopedLogRecorder log;
  TestSystem s;
  s.rows = {Row(1, "A", "Ar1", 2, 0), Row(1, "N", "Ne1", 1, 12000)};
  EqlSolver solver;
  const int r = Solve(solver, s);
  if (r == 1) {
    ExpectInvariants(solver, s);
  } else {
    EXPECT_FALSE(solver.FailureText().empty());
  }
  EXPECT_GT(Amount(solver, "N") + (r == 1 ? 0 : 1), 0);
}

// A ratio exactly on the edge of the band (1 + Precision): two monatomic gases of equal G at
// equal potentials give r = 1.25 at Precision 0.25. It is balanced; were the balanced band
// open at the top while the update band starts above it, nothing would move and the estimate
// would spin to its limit.
TEST(Corrections, RatioOnTheEdgeOfTheBandIsBalanced) {
  ScopedLogRecorder log;
  TestSystem s;
  s.precision = 0.25L;
  s.rows = {Row(1, "Ar", "Ar1", 1.25L, 0), Row(1, "Ne", "Ne1", 1, 0)};
  EqlSolver solver;
  Load(solver, s);
  solver.Criteria.iterationLimit = 2000;
  EXPECT_EQ(solver.CalcEquilibrium(), 1) << solver.FailureText();
  EXPECT_FALSE(log.sink.Has(916));
  EXPECT_EQ(solver.Counters().I, 0);
}

TEST(Corrections, ReferenceIsTheLargestInputAlsoWhenTheFirstElementHasNone) {
  TestSystem s;
  s.T = 1500;
  s.rows = {Gas("H2", 0, 1500), Gas("CO", 1, 1500), Gas("O2", 1, 1500), Gas("CO2", 0, 1500)};
  EqlSolver solver;
  Solve(solver, s);
  EXPECT_EQ(solver.ReferenceComponent(), solver.ComponentIndexOfElement(8));
}

TEST(Corrections, ApproximationFactorStaysBelowOne) {
  EqlSolver solver;
  solver.Criteria.approximationFactorField = 3;
  ASSERT_EQ(Solve(solver, HydrogenFlame()), 1) << solver.FailureText();
  EXPECT_NE(solver.StatusText().find("(0.999)"), std::string::npos) << solver.StatusText();
  EXPECT_LE(solver.Criteria.approximationFactor, 0.999L);
}

// With "Turbulent System" off the check runs: every present phase is closed and every absent
// one would not form, so it solves nothing again (no final step more) and the products stand.
TEST(Corrections, CondensedPhaseCheckFindsEveryPhaseClosed) {
  TestSystem s;
  s.T = 300;
  s.precision = 1e-4L;
  s.rows = {Row(1, "Ar", "Ar1", 1, 0.0), Row(3, "Ne", "Ne1", 0.3L, 1.0), Row(3, "He", "He1", 0.3L, 1.5),
            Row(4, "Kr", "Kr1", 0.2L, 0.5)};
  EqlSolver turbulent, checked;
  checked.Criteria.turbulentSystem = false;
  checked.Criteria.phaseCheckPasses = 3;
  ASSERT_EQ(Solve(turbulent, s), 1) << turbulent.FailureText();
  ASSERT_EQ(Solve(checked, s), 1) << checked.FailureText();
  EXPECT_EQ(checked.Counters().F, turbulent.Counters().F);
  for (const auto& r : s.rows) EXPECT_EQ(Amount(checked, r.name), Amount(turbulent, r.name)) << r.name;
  ExpectGibbsMinimum(checked, s, 1e-10);
}

// With no significant gas the largest condensed slot normalises, its activities summing to 1,
// and the gas slot gets the hint that the pressure can change.
TEST(NormalisingSlot, LargestCondensedSlotWhenTheGasIsInsignificant) {
  TestSystem s;
  s.T = 300;
  s.precision = 1e-6L;
  s.rows = {Row(1, "Ar", "Ar1", 1e-6L, 0.0), Row(3, "Ne", "Ne1", 1, 0.0), Row(3, "He", "He1", 1, 0.0)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_EQ(solver.NormalisingSlot(), 3);
  EXPECT_EQ(solver.PressureHint(1), "The pressure can change ");
  EXPECT_NEAR(double(solver.PhaseActivitySum(3)), 1.0, 1e-5);
  EXPECT_NEAR(double(solver.MoleFraction(2)), 0.5, 1e-5);
  ExpectInvariants(solver, s);
}

// ---- results --------------------------------------------------------------------------------

TEST(Results, GibbsEnergyOfTheProductsIsTheLagrangeSum) {
  const double T = 1100;
  TestSystem s;
  s.T = T;
  s.P = 3;
  s.rows = {Gas("CO", 1, T), Gas("H2O", 1, T), Gas("CO2", 0, T), Gas("H2", 0, T)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1);
  solver.CalcEnthalpyBalance();
  EXPECT_TRUE(solver.BalanceComputed());
  const double G = double(solver.ProductsGibbsEnergy());
  EXPECT_NEAR(G, double(solver.LagrangeGibbsEnergy()), 1e-6 * std::fabs(G));
  EXPECT_NEAR(G, double(solver.PhaseGibbsEnergy(1)), 1e-9 * std::fabs(G));
  EXPECT_NEAR(double(solver.PhaseActivitySum(1)), 3, 3e-6);
  // G of the inputs: 1 mol CO and 1 mol H2O at 3 bar in an equimolar mixture
  const double RT = double(quorel::SolverGasConstant) * T;
  const double gin = RT * (GOverRT("CO", T) + std::log(1.5)) + RT * (GOverRT("H2O", T) + std::log(1.5));
  EXPECT_NEAR(double(solver.ReactionGibbsEnergy()), G - gin, 1e-6 * std::fabs(G));
  EXPECT_LT(solver.ReactionGibbsEnergy(), 0);
  EXPECT_EQ(solver.PressureHint(3), "-");
  EXPECT_EQ(solver.PhaseEnthalpy(5), 0);
  EXPECT_EQ(solver.SlotProductTotal(4), 0);
}

TEST(Results, EnthalpyAndEntropyOfTheProducts) {
  const double T = 1100;
  TestSystem s;
  s.T = T;
  s.rows = {Gas("CO", 1, T), Gas("H2O", 1, T), Gas("CO2", 0, T), Gas("H2", 0, T)};
  EqlSolver solver;
  Load(solver, s);
  // hand the enthalpies over as the calculation run does
  EqlSolver withH;
  withH.LoadSystem(SelectionFor(s), 255);
  withH.ReadCriteria({0, T, 1, 0});
  withH.Criteria.precision = 1e-6L;
  for (const auto& r : s.rows) {
    quorel::SpeciesRow row;
    row.name = r.name;
    row.formula = r.formula;
    row.phase = "(g)";
    row.inputAmount = r.input;
    row.gibbsEnergy = r.gOverRT * quorel::SolverGasConstant * T;
    row.enthalpy = HOverRT(r.name, T) * quorel::SolverGasConstant * T;
    withH.AddSpecies(row);
  }
  ASSERT_EQ(withH.CalcEquilibrium(), 1);
  withH.CalcEnthalpyBalance();
  Extended H = 0;
  for (int j = 1; j <= withH.SpeciesCount(); ++j) H += withH.ProductAmount(j) * withH.SpeciesH(j);
  EXPECT_NEAR(double(withH.ProductsEnthalpy()), double(H), 1e-9 * std::fabs(double(H)));
  EXPECT_NEAR(double(withH.ProductsEntropy()), double((withH.ProductsEnthalpy() - withH.ProductsGibbsEnergy()) / T),
              1e-9);
  EXPECT_NEAR(double(withH.ProductsEnthalpyPerMol()), double(H / 2), 1e-6 * std::fabs(double(H)));
  EXPECT_NEAR(double(withH.SystemEntropy()),
              double((withH.ReactionEnthalpy() - withH.ReactionGibbsEnergy()) / T), 1e-9);
}

TEST(Results, TinyAmountsHaveNoMassAndZeroTemperatureNoEntropy) {
  TestSystem s;
  s.rows = {Row(1, "B", "Ar2", 5e-24L, 0)};
  s.rows[0].fraction = 0;
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1);
  EXPECT_EQ(solver.ProductAmount(1), 5e-24L);
  EXPECT_EQ(solver.SpeciesMass(1), 0);
  EqlSolver cold;
  TestSystem c = s;
  c.T = 0;
  Load(cold, c);
  EXPECT_EQ(cold.SystemEntropy(), 0);
  EXPECT_EQ(cold.PhaseEntropy(1), 0);
  EXPECT_EQ(cold.PhaseGibbsEnergy(1), 0);
}

// Invariants over a matrix of hydrogen flames at several pressures and precisions.
class FlameMatrix : public ::testing::TestWithParam<std::tuple<double, double, int>> {};

TEST_P(FlameMatrix, ConservesElementsAndEquatesPotentials) {
  auto [P, precision, mode] = GetParam();
  TestSystem s = HydrogenFlame();
  s.P = P;
  s.precision = precision;
  s.mode = mode;
  if (mode == 1) s.V = 3 * double(quorel::SolverGasConstant) * 3000 / (P * 1e5);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

INSTANTIATE_TEST_SUITE_P(Conditions, FlameMatrix,
                         ::testing::Combine(::testing::Values(0.1, 1.0, 50.0), ::testing::Values(1e-3, 1e-6),
                                            ::testing::Values(0, 1)));

}  // namespace
