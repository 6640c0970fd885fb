#include "pure_substance/StablePhase.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace quorel;

namespace {

// One database line: leading row field, then fields 1..22 (only 1..19 given).
std::string Row(const std::string& name, const std::string& phase, double tmin, double tmax, double h0,
                double s0, double cp, double tc = 0, double pc = 0, const std::string& w = "",
                const std::string& comp = "H2O1") {
  auto n = [](double v) { return std::to_string(v); };
  return "x\t" + name + "\t" + phase + "\t" + n(tmin) + "\t" + n(tmax) + "\t298.15\t" + n(h0) + "\t" + n(s0) +
         "\t" + n(cp) + "\t0\t0\t0\t0\t0\t" + n(tc) + "\t" + n(pc) + "\t" + w + "\t" + comp + "\tfixture\t[1]\n";
}

const std::string kHeader = "Nr\tName\tPhase\tTmin\tTmax\tT0\tH0\tS0\ta\tb\tc\td\te\tf\tTc\tPc\tw\tComp\n";

// Constant-Cp water, rounded from the NIST-JANAF tables (H2O(l): H298 -285.83 kJ/mol,
// S298 69.95 J/(mol K); H2O(g): -241.826 kJ/mol, 188.835 J/(mol K)). With these Gl = Gg near
// 370 K; the decision tests only need which side of it a temperature lies.
class StablePhaseTest : public ::testing::Test {
 protected:
  void Load(const std::string& rows) {
    ClearDatabase();
    ClearSubstancePhases();
    ASSERT_GT(LoadDatabaseText(kHeader + rows, "fixture.tdb"), 0);
    EosType = EosIdealGas;
  }
  int Stable(const std::string& name, double P, double T, bool extrapolation = true) {
    ClearCandidateList();
    BuildCandidateList(name, "(*)");
    return EvaluateStablePhase(name, P, T, extrapolation);
  }
  void TearDown() override {
    EosType = DefaultEosType;
    ClearDatabase();
  }
};

const std::string kLiquid = Row("H2O", "(l)", 273.15, 373.15, -285830, 69.95, 75.3, 647.1, 220.64, "0.344");
const std::string kLiquidShort = Row("H2O", "(l)", 273.15, 340, -285830, 69.95, 75.3, 647.1, 220.64, "0.344");
const std::string kGas = Row("H2O", "(g)", 298.15, 1000, -241826, 188.835, 33.6, 647.1, 220.64, "0.344");
const std::string kSolid = Row("H2O", "(s)", 200, 273.15, -292740, 44.0, 37.0);

TEST_F(StablePhaseTest, RangesAndEnergiesDecide) {
  Load(kGas + kLiquid + kSolid);
  const int gas = 1, liquid = 2, solid = 3;
  struct {
    double T;
    bool extrapolation;
    int row;
    const char* why;
  } cases[] = {
      {350, true, liquid, "both inside their ranges, Gl < Gg"},
      {373, true, liquid, "just below the boiling point of the fixture (about 373.3 K)"},
      {400, true, gas, "liquid above its range but Gl > Gg"},
      {250, true, solid, "solid inside its range, gas below its range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Stable("H2O", 1.0, c.T, c.extrapolation), c.row);
    EXPECT_EQ(SelectedDatasetRow, c.row);
  }
}

// The passes of the decision where the ranges, not the energies, decide. Every liquid here
// has a far lower G than its gas (-50 kJ/mol in H0, about -85 kJ/mol against -52 kJ/mol at
// 350 K), so a gas result always comes from the ranges or Tc.
TEST_F(StablePhaseTest, DecisionTable) {
  const std::string gas = "(g)", liquid = "(l)", solid = "(s)";
  auto g = [](const std::string& n, double lo, double hi) { return Row(n, "(g)", lo, hi, 0, 150, 30, 0, 0, "", "C1"); };
  auto l = [](const std::string& n, double lo, double hi, double tc) {
    return Row(n, "(l)", lo, hi, -50000, 100, 30, tc, tc > 0 ? 50 : 0, "", "C1");
  };
  Load(g("A", 200, 1000) + l("A", 200, 340, 345) +  // liquid above its range and above its Tc
       g("B", 200, 1000) + l("B", 200, 340, 400) +  // liquid above its range, below its Tc
       g("C", 400, 1000) + l("C", 400, 1000, 500) +  // both below their ranges, T < Tcl
       g("D", 400, 1000) + l("D", 400, 1000, 0) +    // both below their ranges, no Tcl
       l("E", 400, 1000, 0) +                        // a liquid alone below its range
       g("F", 400, 1000) + l("F", 200, 250, 0) +     // gas below, liquid above its range
       g("G", 200, 1000) + Row("G", "(s)", 100, 400, -60000, 50, 30, 0, 0, "", "C1") +  // no liquid
       l("H", 200, 1000, 300));                      // inside its range although above its Tc
  struct {
    const char* name;
    double T;
    const std::string& phase;
    const char* why;
  } cases[] = {
      {"A", 350, gas, "a liquid above its range and its Tc never wins over the gas"},
      {"B", 350, liquid, "above its range, below Tc, Gl < Gg: the liquid competes and wins"},
      {"C", 300, liquid, "second pass: the liquid below its Tc replaces the gas"},
      {"D", 300, gas, "second pass: without Tc the gas stays"},
      {"E", 300, liquid, "second pass: a liquid below its range is taken when nothing else is"},
      {"F", 300, gas, "second pass: the gas below its range before a liquid above its range"},
      {"G", 350, solid, "no liquid dataset: the solid inside its range with the lowest G"},
      {"H", 350, liquid, "the first pass knows no Tc: a liquid inside its range wins"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_GT(Stable(c.name, 1.0, c.T), 0);
    EXPECT_EQ(SelectedDataset.Name, c.name);
    EXPECT_EQ(SelectedDataset.Phase, c.phase);
  }
  // The phase without a dataset is absent from the state.
  Stable("G", 1.0, 350);
  EXPECT_EQ(PhaseDatasets[PhaseLiquid].Row, 0);
  EXPECT_GT(PhaseDatasets[PhaseGas].Row, 0);
  EXPECT_GT(PhaseDatasets[PhaseSolid].Row, 0);
}

TEST_F(StablePhaseTest, LiquidAboveItsRangeWinsOnlyWithExtrapolation) {
  // At 350 K the liquid (range up to 340 K) lies above its range, below Tc, and Gl < Gg. Where
  // the gas's dataset ends below 350 K too, no dataset covers 350 K and the extrapolation
  // decides.
  Load(Row("H2O", "(g)", 298.15, 345, -241826, 188.835, 33.6, 647.1, 220.64, "0.344") + kLiquidShort);
  EXPECT_EQ(Stable("H2O", 1.0, 350, true), 2);
  EXPECT_EQ(SelectedDataset.Phase, "(l)");
  EXPECT_EQ(Stable("H2O", 1.0, 350, false), 1);
  EXPECT_EQ(SelectedDataset.Phase, "(g)");
  // A liquid below its critical temperature competes with a gas whose dataset covers 350 K as
  // well: its data reach to where it boils (about 373 K for this fixture).
  Load(kGas + kLiquidShort);
  EXPECT_EQ(Stable("H2O", 1.0, 350, true), 2);
  EXPECT_EQ(SelectedDataset.Phase, "(l)");
  EXPECT_EQ(Stable("H2O", 1.0, 380, true), 1);
  EXPECT_EQ(SelectedDataset.Phase, "(g)");
  EXPECT_EQ(Stable("H2O", 1.0, 350, false), 1);
  EXPECT_EQ(SelectedDataset.Phase, "(g)");
}

// A phase whose dataset has to be extrapolated to T never displaces one whose dataset covers T,
// however low its extrapolated G; where no dataset covers T the energies decide as before.
TEST_F(StablePhaseTest, APhaseExtrapolatedToTNeverDisplacesOneWhoseDatasetCoversIt) {
  auto row = [](const std::string& n, const char* phase, double lo, double hi, double h0, double s0) {
    return Row(n, phase, lo, hi, h0, s0, 30, 0, 0, "", "C1");
  };
  Load(row("S", "(l)", 200, 2000, -50000, 100) + row("S", "(s)", 500, 1809, -100000, 20) +  // solid below
       row("A", "(g)", 200, 1000, -200000, 150) + row("A", "(l)", 200, 2000, -50000, 100) +  // gas above
       row("F", "(g)", 200, 6000, 500000, 180) + row("F", "(l)", 1809, 6000, 12000, 35) +   // iron's shape
       Row("F", "(s)", 200, 1809, 0, 27, 200, 0, 0, "", "C1") +
       row("N", "(l)", 1809, 2000, 12000, 35) + Row("N", "(s)", 200, 1809, 0, 27, 200, 0, 0, "", "C1"));
  struct {
    const char* name;
    double T;
    const char* lowest;  // the phase of the lowest G
    const char* phase;   // the phase chosen
    const char* why;
  } cases[] = {
      {"S", 400, "(s)", "(l)", "a solid below its range against a liquid inside its range"},
      {"A", 1500, "(g)", "(l)", "a gas above its range against a liquid inside its range"},
      {"F", 2800, "(s)", "(l)", "a solid far above its melting point against the liquid"},
      {"N", 2800, "(s)", "(s)", "nothing covers 2800 K: the extrapolated energies decide"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_GT(Stable(c.name, 1.0, c.T), 0);
    int lowest = -1;
    for (int p = PhaseGas; p <= PhaseSolid; ++p)
      if (PhaseDatasets[p].Row > 0 && (lowest < 0 || PhaseDatasets[p].G < PhaseDatasets[lowest].G)) lowest = p;
    ASSERT_GE(lowest, 0);
    EXPECT_EQ(SubstancePhaseKeys[lowest], c.lowest);
    EXPECT_EQ(SelectedDataset.Phase, c.phase);
  }
}

TEST_F(StablePhaseTest, ACondensedPhaseAboveItsCriticalTemperatureIsChosenOnlyWhenNothingElseIs) {
  // The liquid's range reaches above its critical temperature and its G is the lowest.
  const std::string liquid = Row("V", "(l)", 200, 1000, -100000, 100, 30, 340, 50, "0.1", "C1");
  Load(Row("V", "(g)", 200, 1000, 0, 150, 30, 340, 50, "0.1", "C1") + liquid);
  EXPECT_EQ(Stable("V", 1.0, 330), 2);
  EXPECT_EQ(Stable("V", 1.0, 360), 1);
  // A liquid alone is still found, so that the run can say why it has no row there.
  Load(liquid);
  EXPECT_EQ(Stable("V", 1.0, 360), 1);
  EXPECT_EQ(SelectedDataset.Phase, "(l)");
}

TEST_F(StablePhaseTest, EqualEnergiesKeepTheGas) {
  const std::string same = Row("X", "(g)", 200, 500, -1000, 100, 30) + Row("X", "(l)", 200, 500, -1000, 100, 30);
  Load(same);
  EXPECT_EQ(Stable("X", 1.0, 300), 1);
}

TEST_F(StablePhaseTest, OnlyASolidBelowItsRangeIsTaken) {
  Load(Row("Y", "(s)", 500, 900, -5000, 20, 25, 0, 0, "", "C1"));
  EXPECT_EQ(Stable("Y", 1.0, 300), 1);
  EXPECT_EQ(PhaseDatasets[PhaseSolid].Record.RangeStatus, RangeBelow);
}

TEST_F(StablePhaseTest, NothingToChoose) {
  Load(kGas + kLiquid);
  EXPECT_EQ(Stable("CO2", 1.0, 300), 0);
  EXPECT_EQ(Stable("H2O", 1.0, 350), 2);
  // T = 0 changes nothing: the last selection stays.
  EXPECT_EQ(Stable("H2O", 1.0, 0), 0);
  EXPECT_EQ(SelectedDatasetRow, 2);
  EXPECT_EQ(SelectedDataset.Phase, "(l)");
}

TEST_F(StablePhaseTest, SubstanceEnergyMatchesTheFullEvaluationOfAnIdealGas) {
  Load(kGas + kLiquid);
  for (double P : {1.0, 10.0}) {
    PropertyResult full;
    ASSERT_TRUE(EvaluateProperties(1, EosIdealGas, full, P, 500));
    bool ok = false;
    EXPECT_NEAR(EvaluateSubstanceProperties(1, EosIdealGas, P, 500, &ok), full.G, 1e-6);
    EXPECT_TRUE(ok);
  }
}

TEST_F(StablePhaseTest, RefusesWhatCannotBeEvaluated) {
  Load(kGas);
  bool ok = true;
  for (auto [row, P, T] : {std::tuple{-1, 1.0, 300.0}, {5, 1.0, 300.0}, {1, 0.0, 300.0}, {1, 1.0, -5.0}}) {
    EXPECT_EQ(EvaluateSubstanceProperties(row, EosIdealGas, P, T, &ok), 0.0);
    EXPECT_FALSE(ok);
  }
}

TEST_F(StablePhaseTest, MissingAcentricFactorCountsZeroUnderPengRobinson) {
  Load(Row("N2", "(g)", 100, 2000, 0, 191.6, 29.1, 126.2, 33.98, "", "N2"));
  bool ok = false;
  double g = EvaluateSubstanceProperties(1, EosPengRobinson, 50, 200, &ok);
  ASSERT_TRUE(ok);
  ResidualValues res;
  ASSERT_TRUE(CubicResiduals(EosPengRobinson, 33.98, 50, 126.2, 200, 0.0, CubicPhase::Gas, res));
  PropertyResult ideal;
  ASSERT_TRUE(EvaluateIdealProperties(1, ideal, 50, 200));
  EXPECT_NEAR(g, ideal.G + res.Gr, 1e-6);
}

}  // namespace

namespace {

// Near its critical temperature and far below its vapour pressure the cubic has one real root
// only: the liquid does not exist there and must not win, however low its ideal G.
TEST_F(StablePhaseTest, LiquidWithoutItsCubicRootDoesNotWin) {
  Load(Row("Z", "(g)", 100, 1000, 0, 200, 30, 300, 50, "0.1", "C1") +
       Row("Z", "(l)", 100, 1000, -50000, 100, 30, 300, 50, "0.1", "C1"));
  ResidualValues res;
  ASSERT_FALSE(CubicResiduals(EosSoaveRedlichKwong, 50, 1, 300, 295, 0.1, CubicPhase::Liquid, res));
  EosType = EosSoaveRedlichKwong;
  bool ok = true;
  EvaluateSubstanceProperties(2, EosSoaveRedlichKwong, 1, 295, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Stable("Z", 1.0, 295), 1);
  EXPECT_FALSE(PhaseDatasets[PhaseLiquid].Evaluated);
  // Far below Tc the liquid root exists and the liquid's low G wins.
  EXPECT_EQ(Stable("Z", 1.0, 150), 2);
}

}  // namespace
