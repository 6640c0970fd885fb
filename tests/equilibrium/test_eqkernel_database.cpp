// The solver on systems of the shipped database: converged and verified results, pure
// condensed phases, and the conditions of the Gibbs minimum over a matrix of flames. Expected
// values come from mass-action laws solved here with the datasets' own equilibrium constants
// (the datasets are the NASA Glenn data, whose constants agree with NIST-JANAF, M. W. Chase,
// J. Phys. Chem. Ref. Data Monograph 9, 1998), and from published figures named at each test.
#include <gtest/gtest.h>

#include <cmath>

#include "eqkernel_database.h"
#include "eqkernel_support.h"
#include "shared/AplMsg.h"

using namespace eqtest;
using quorel::EqlSolver;
using quorel::Extended;

namespace {

class ShippedDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ShippedDatabase()); }
};

// ---- the conditions of the Gibbs minimum over a matrix of methane-air systems ------------
// Every C/H/O/N gas of the database whose range holds T; CH4 in air (O2 + 3.76 N2) from
// equivalence ratio 0.25 to 4; 300 to 6000 K; 1e-3 to 100 bar; at constant pressure and in the
// volume of the same gas amount at 1 bar. The default Precision of 1e-2 must give a converged
// result: the element balance within 1e-10.
using FlameCase = std::tuple<double, double, double, int>;
class MethaneAirMatrix : public ShippedDatabaseTest, public ::testing::WithParamInterface<FlameCase> {};

TEST_P(MethaneAirMatrix, ConvergedToTheGibbsMinimum) {
  const auto [phi, T, P, mode] = GetParam();
  std::vector<DbRow> rows = DbGasesOf({"C", "H", "O", "N"}, T);
  SetInput(rows, "CH4", phi);
  SetInput(rows, "O2", 2);
  SetInput(rows, "N2", 7.52);
  TestSystem s = DbSystem(T, P, rows, 1e-2L);
  if (mode != 0) {
    s.mode = 1;
    s.V = (phi + 9.52) * double(quorel::SolverGasConstant) * T / (P * 1e5);
    s.evaluationP = 1;
  }
  ASSERT_GT(s.rows.size(), 50u);
  quorel::ScopedLogRecorder log;
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_TRUE(solver.NewtonSolution());
  ExpectGibbsMinimum(solver, s, 1e-10);
}

INSTANTIATE_TEST_SUITE_P(Flames, MethaneAirMatrix,
                         ::testing::Combine(::testing::Values(0.25, 1.0, 4.0), ::testing::Values(300.0, 1000.0, 2200.0, 3500.0, 6000.0),
                                            ::testing::Values(1e-3, 1.0, 100.0), ::testing::Values(0, 1)));

// ---- CH4 + 2 O2 at exact stoichiometry over T at Precision 1e-6 ---------------------------
// The third potential direction shows only through trace species; the estimate once failed
// with 916 near 936, 1029, 1132 and 1245 K.
TEST_F(ShippedDatabaseTest, StoichiometricMethaneConvergesAtEveryTemperature) {
  std::vector<double> temperatures = {935.7, 1029, 1132, 1245};
  for (double T = 300; T <= 3000; T += 9.7) temperatures.push_back(T);
  for (double T : temperatures) {
    std::vector<DbRow> rows;
    for (const char* n : {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"}) rows.push_back({n});
    SetInput(rows, "CH4", 1);
    SetInput(rows, "O2", 2);
    const TestSystem s = DbSystem(T, 1, rows, 1e-6L);
    quorel::ScopedLogRecorder log;
    EqlSolver solver;
    ASSERT_EQ(Solve(solver, s), 1) << "T = " << T << ": " << solver.FailureText();
    EXPECT_FALSE(log.sink.Has(916)) << T;
    ExpectGibbsMinimum(solver, s, 1e-10);
  }
}

// ---- N2 + 3 H2 = 2 NH3 at 723.15 K, 100 and 300 bar (ideal gases) -------------------------
// x(NH3)^2 / (x(N2) x(H2)^3) = K P^2 with K from the datasets.
class AmmoniaFromDatasets : public ShippedDatabaseTest, public ::testing::WithParamInterface<double> {};

TEST_P(AmmoniaFromDatasets, YieldFollowsTheMassActionLaw) {
  const double T = 723.15, P = GetParam();
  const double lnK = -(2 * DbGOverRT("NH3", "(g)", T) - DbGOverRT("N2", "(g)", T) - 3 * DbGOverRT("H2", "(g)", T));
  const double xi = Bisect(
      [&](double xi) {
        const double n = 4 - 2 * xi;
        return std::log(std::pow(2 * xi / n, 2) / ((1 - xi) / n * std::pow((3 - 3 * xi) / n, 3))) - lnK - 2 * std::log(P);
      },
      1e-12, 1 - 1e-12);
  const TestSystem s = DbSystem(T, P, {{"N2", "(g)", 1, 1}, {"H2", "(g)", 1, 3}, {"NH3"}}, 1e-6L);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_NEAR(double(Amount(solver, "NH3")), 2 * xi, 1e-9 * 2 * xi);
  EXPECT_NEAR(double(Amount(solver, "N2")), 1 - xi, 1e-9);
  ExpectGibbsMinimum(solver, s, 1e-10);
}

INSTANTIATE_TEST_SUITE_P(Bar, AmmoniaFromDatasets, ::testing::Values(100.0, 300.0));

// ---- the default Precision gives the converged answer ---------------------------------------
// 2 H2 + O2 at 2500 K: at the default Precision 1e-2 the trace O2 once came out 15 to 30 % off.
TEST_F(ShippedDatabaseTest, DefaultPrecisionGivesTheConvergedEquilibrium) {
  const std::vector<DbRow> rows = {{"H2", "(g)", 1, 2}, {"O2", "(g)", 1, 1}, {"H2O"}, {"OH"}, {"H"}, {"O"}};
  EqlSolver coarse, tight;
  ASSERT_EQ(Solve(coarse, DbSystem(2500, 1, rows, 1e-2L)), 1) << coarse.FailureText();
  ASSERT_EQ(Solve(tight, DbSystem(2500, 1, rows, 1e-9L)), 1) << tight.FailureText();
  for (const char* n : {"H2", "O2", "H2O", "OH", "H", "O"}) {
    const double a = double(Amount(coarse, n)), b = double(Amount(tight, n));
    EXPECT_NEAR(a / b, 1.0, 1e-6) << n;
  }
  EXPECT_GT(Amount(tight, "O2"), 0.01);  // a main species, not a trace, at 2500 K
}

// ---- CaCO3(s) = CaO(s) + CO2(g) with both solids forced, pure CO2 gas at 1 bar ----------
// Below the decomposition temperature (K = p(CO2) < 1 bar) the CO2 cannot form a gas at 1 bar:
// nothing decomposes. Above it (K > 1 bar) all of the calcite decomposes. K = 1 bar near 1160 K
// (calcite decomposes at about 1160 K under 1 bar of CO2, NIST-JANAF; 1159 K with these data).
double CalciteLnK(double T) {
  return -(DbGOverRT("CaO", "(s)", T) + DbGOverRT("CO2", "(g)", T) - DbGOverRT("CaCO3", "(s)", T));
}

TEST_F(ShippedDatabaseTest, CalciteDecompositionTemperatureNear1159K) {
  const double Td = Bisect([](double T) { return CalciteLnK(T); }, 1000, 1300);
  EXPECT_NEAR(Td, 1159, 3);
  EXPECT_LT(CalciteLnK(1158), 0);
  EXPECT_GT(CalciteLnK(1160), 0);
}

class CalciteAt : public ShippedDatabaseTest, public ::testing::WithParamInterface<std::tuple<double, bool>> {};

TEST_P(CalciteAt, DecomposesOnlyAboveItsTemperature) {
  const auto [T, forced] = GetParam();
  // forced, or each a lone condensed species with an activity coefficient of 1 given
  TestSystem s = DbSystem(T, 1, {{"CO2"}, {"CaCO3", "(s)", 6, 1, forced}, {"CaO", "(s)", 7, 0, forced}}, 1e-6L);
  quorel::ScopedLogRecorder log;
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  const bool decomposes = CalciteLnK(T) > 0;
  EXPECT_NEAR(double(Amount(solver, "CO2")), decomposes ? 1 : 0, 1e-9) << T;
  EXPECT_NEAR(double(Amount(solver, "CaO")), decomposes ? 1 : 0, 1e-9) << T;
  EXPECT_NEAR(double(Amount(solver, "CaCO3")), decomposes ? 0 : 1, 1e-9) << T;
  // The phase that is there stands at activity 1 (the gas at 1 bar); the others lie below it,
  // their activities held by the mass-action law a(CaO) p(CO2) / a(CaCO3) = K.
  const double K = std::exp(CalciteLnK(T));
  EXPECT_NEAR(double(Activity(solver, "CaO") * Activity(solver, "CO2") / Activity(solver, "CaCO3")), K, 1e-9 * K);
  EXPECT_NEAR(double(Activity(solver, decomposes ? "CaO" : "CaCO3")), 1, 1e-9);
  if (decomposes) {
    EXPECT_NEAR(double(solver.PhaseActivitySum(1)), 1, 1e-9);
    EXPECT_NEAR(double(Activity(solver, "CaCO3")), 1 / K, 1e-9);
  } else {
    EXPECT_LT(Activity(solver, "CO2"), 1);
    EXPECT_LT(Activity(solver, "CaO"), 1);
  }
  ExpectGibbsMinimum(solver, s, 1e-10);
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CalciteAt,
                         ::testing::Combine(::testing::Values(1000.0, 1050.0, 1100.0, 1150.0, 1158.0, 1160.0, 1200.0, 1300.0),
                                            ::testing::Bool()));

// With argon beside the CO2 and lime in the input the gas is there at every temperature: while
// both solids are present p(CO2) = K, i.e. n(CO2) = K / (1 - K) beside 1 mol Ar at 1 bar; where
// that would take more than the 1 mol of CO2 in the calcite, all of it decomposes.
TEST_F(ShippedDatabaseTest, CalciteUnderArgonHoldsTheDecompositionPressure) {
  for (double T : {1000.0, 1050.0, 1100.0, 1150.0}) {
    SCOPED_TRACE(T);
    const double K = std::exp(CalciteLnK(T));
    TestSystem s = DbSystem(T, 1, {{"CO2"}, {"Ar", "(g)", 1, 1}, {"CaCO3", "(s)", 6, 1, true}, {"CaO", "(s)", 7, 0.1, true}},
                            1e-6L);
    EqlSolver solver;
    ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
    const double n = std::min(K / (1 - K), 1.0);
    EXPECT_NEAR(double(Amount(solver, "CO2")), n, 1e-9);
    EXPECT_NEAR(double(Amount(solver, "CaO")), 0.1 + n, 1e-9);
    EXPECT_NEAR(double(Amount(solver, "CaCO3")), 1 - n, 1e-9);
    EXPECT_NEAR(double(Activity(solver, "CO2")), n / (1 + n), 1e-9);
    ExpectGibbsMinimum(solver, s, 1e-10);
  }
}

// ---- graphite in CH4 + 0.5 O2 at 1000 K and 1 bar ----------------------------------------
// Carbon is in excess: graphite deposits at activity 1, and the gas follows from the mass-action
// laws at lambda_C = G(graphite)/RT: for the potentials of H and O, the gas pressures sum to
// 1 bar and the gas holds H and O in the ratio of the input; the graphite is the rest of C.
struct GraphiteExpectation {
  double gasTotal, graphite, ch4, co, h2;
};

GraphiteExpectation GraphiteByMassAction(double T) {
  const char* gases[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"};
  const int C[] = {1, 0, 1, 0, 1, 0, 0, 0, 0}, H[] = {4, 0, 0, 2, 0, 2, 1, 1, 0}, O[] = {0, 2, 2, 1, 1, 0, 1, 0, 1};
  double g[9];
  for (int i = 0; i < 9; ++i) g[i] = DbGOverRT(gases[i], "(g)", T);
  const double lC = DbGOverRT("C", "(s)", T);
  const auto p = [&](int i, double lH, double lO) { return std::exp(C[i] * lC + H[i] * lH + O[i] * lO - g[i]); };
  const auto total = [&](double lH, double lO) {
    double t = 0;
    for (int i = 0; i < 9; ++i) t += p(i, lH, lO);
    return t;
  };
  // lambda_H for lambda_O: the pressures sum to 1 bar
  const auto hydrogen = [&](double lO) { return Bisect([&](double lH) { return std::log(total(lH, lO)); }, -200, 50); };
  const auto ratio = [&](double lO) {
    const double lH = hydrogen(lO);
    double h = 0, o = 0;
    for (int i = 0; i < 9; ++i) {
      h += H[i] * p(i, lH, lO);
      o += O[i] * p(i, lH, lO);
    }
    return std::log(h / o) - std::log(4.0 / 1.0);  // input: 4 H per 1 O
  };
  // up to the potential of O at which the gases without H (CO, CO2, O2, O) alone fill the gas
  const double lOmax = Bisect([&](double lO) { return std::log(total(-300, lO)); }, -200, 50);
  const double lO = Bisect(ratio, -200, lOmax - 1e-9), lH = hydrogen(lO);
  double h = 0, c = 0;
  for (int i = 0; i < 9; ++i) {
    h += H[i] * p(i, lH, lO);
    c += C[i] * p(i, lH, lO);
  }
  const double n = 4 / h;  // the gas amount that holds the 4 mol H (the pressures sum to 1)
  return {n, 1 - n * c, n * p(0, lH, lO), n * p(4, lH, lO), n * p(5, lH, lO)};
}

TEST_F(ShippedDatabaseTest, GraphiteForcedOrWithItsCoefficientStandsAtActivityOne) {
  const double T = 1000;
  const GraphiteExpectation e = GraphiteByMassAction(T);
  ASSERT_GT(e.graphite, 0.05);
  for (bool forced : {true, false}) {
    SCOPED_TRACE(forced ? "forced" : "coefficient 1");
    std::vector<DbRow> rows;
    for (const char* n : {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"}) rows.push_back({n});
    SetInput(rows, "CH4", 1);
    SetInput(rows, "O2", 0.5);
    rows.push_back({"C", "(s)", 6, 0, forced, 1});
    const TestSystem s = DbSystem(T, 1, rows, 1e-2L);
    EqlSolver solver;
    ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
    const int c = IndexOf(solver, "C");
    EXPECT_NEAR(double(solver.SpeciesActivity(c)), 1, 1e-10);
    EXPECT_NEAR(double(solver.ProductAmount(c)), e.graphite, 1e-9);
    EXPECT_NEAR(double(Amount(solver, "CH4")), e.ch4, 1e-9 * e.ch4);
    EXPECT_NEAR(double(Amount(solver, "CO")), e.co, 1e-9 * e.co);
    EXPECT_NEAR(double(Amount(solver, "H2")), e.h2, 1e-9 * e.h2);
    EXPECT_NEAR(double(solver.SlotProductTotal(1)), e.gasTotal, 1e-9);
    ExpectGibbsMinimum(solver, s, 1e-10);
  }
}

// Where carbon is short (CH4 + 2 O2) graphite cannot form: it holds nothing and its activity,
// forced or not, stays below 1.
TEST_F(ShippedDatabaseTest, GraphiteThatCannotFormStaysBelowActivityOne) {
  for (bool forced : {true, false}) {
    std::vector<DbRow> rows;
    for (const char* n : {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"}) rows.push_back({n});
    SetInput(rows, "CH4", 1);
    SetInput(rows, "O2", 2);
    rows.push_back({"C", "(s)", 6, 0, forced, 1});
    const TestSystem s = DbSystem(1000, 1, rows, 1e-6L);
    quorel::ScopedLogRecorder log;
    EqlSolver solver;
    ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
    EXPECT_EQ(Amount(solver, "C"), 0);
    EXPECT_LT(Activity(solver, "C"), 1e-6);
    ExpectGibbsMinimum(solver, s, 1e-10);
  }
}

}  // namespace
