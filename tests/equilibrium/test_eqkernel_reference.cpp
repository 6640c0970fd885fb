// Equilibria a chemist can check: every expected amount comes from a mass-action root solved
// here from the fixture's own Gibbs energies, and the Gibbs energies come from published tables
// (see eqkernel_thermo.h, and the NBS values cited below).
#include <gtest/gtest.h>

#include <cmath>

#include "eqkernel_support.h"
#include "eqkernel_thermo.h"
#include "shared/AplMsg.h"

using namespace eqtest;
using quorel::EqlSolver;
using quorel::Extended;

namespace {

TestRow Gas(const std::string& name, Extended input, double T) {
  TestRow r;
  r.slot = 1;
  r.name = name;
  r.formula = NasaEntry(name).formula;
  r.input = input;
  r.gOverRT = GOverRT(name, T);
  return r;
}

TestRow Solid(int slot, const std::string& name, Extended input, double T, bool forced) {
  TestRow r;
  r.slot = slot;
  r.name = name;
  r.formula = NasaEntry(name).formula;
  r.input = input;
  r.gOverRT = GOverRT(name, T);
  r.forced = forced;
  return r;
}

// ---- X2 = 2X with K = 1 bar ---------------------------------------------------------------
// A hypothetical ideal gas pair with G0(X) = G0(X2) = 0, so K = p(X)^2 / p(X2) = 1 bar. From
// one mol X2: p(X)^2 + p(X) = P, p(X) = (sqrt(1 + 4P) - 1) / 2: 0.618 bar at 1 bar, 2.702 bar at
// 10 bar. Counting the pressure twice (once in G, once in the normalisation) gives 0.951 bar at
// 10 bar instead.
TestSystem DimerSystem(Extended P) {
  TestSystem s;
  s.T = 1000;
  s.P = P;
  TestRow x;
  x.name = "X";
  x.formula = "Ar1";
  TestRow x2;
  x2.name = "X2";
  x2.formula = "Ar2";
  x2.input = 1;
  s.rows = {x, x2};
  return s;
}

class DimerAtPressure : public ::testing::TestWithParam<double> {};

TEST_P(DimerAtPressure, FugacitiesFollowTheMassActionLaw) {
  quorel::ScopedLogRecorder log;
  const double P = GetParam();
  TestSystem s = DimerSystem(P);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  const double expected = (std::sqrt(1 + 4 * P) - 1) / 2;
  EXPECT_NEAR(double(Activity(solver, "X")), expected, 1e-5 * P);
  EXPECT_NEAR(double(Activity(solver, "X") + Activity(solver, "X2")), P, 1e-5 * P);
  // amounts: 2 mol of atoms, shared in the ratio of the partial pressures
  const double nX2 = 2 / (2 + expected / (P - expected));
  EXPECT_NEAR(double(Amount(solver, "X2")), nX2, 1e-5);
  ExpectInvariants(solver, s);
}

INSTANTIATE_TEST_SUITE_P(Pressures, DimerAtPressure, ::testing::Values(1.0, 10.0));

TEST(DimerAtPressure, TenBarGivesTwoPointSevenBarOfMonomer) {
  TestSystem s = DimerSystem(10);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1);
  EXPECT_NEAR(double(Activity(solver, "X")), 2.702, 1e-3);
}

// The same dimer in a closed vessel: the amounts follow p_i = n_i R T / V and the mass-action
// law, solved here for n(X2) by bisection. Whatever the pressure at which the caller evaluated
// the gas rows (1 or 10 bar), and however often the loaded system is solved, the answer is the
// same.
TEST(DimerAtConstantVolume, PressureFollowsTheVolume) {
  for (double V : {0.0125, 0.1}) {
    for (double evaluatedAt : {1.0, 10.0}) {
      TestSystem s = DimerSystem(1);
      s.mode = 1;
      s.V = V;
      s.evaluationP = evaluatedAt;
      EqlSolver solver;
      Load(solver, s);
      const double c = double(quorel::SolverGasConstant) * 1000 / (V * 1e5);  // bar per mol
      const double z = Bisect([&](double z) { return c * (2 - 2 * z) * (2 - 2 * z) / z - 1; }, 1e-12, 1 - 1e-12);
      for (int call = 1; call <= 2; ++call) {
        ASSERT_EQ(solver.CalcEquilibrium(), 1) << solver.FailureText();
        const std::string where = "V = " + std::to_string(V) + ", rows at " + std::to_string(evaluatedAt) +
                                  " bar, call " + std::to_string(call);
        EXPECT_NEAR(double(Amount(solver, "X2")), z, 1e-4) << where;
        EXPECT_NEAR(double(Amount(solver, "X")), 2 - 2 * z, 2e-4) << where;
        EXPECT_NEAR(double(Activity(solver, "X")), c * (2 - 2 * z), 1e-4 * c) << where;
        EXPECT_NEAR(double(solver.PhaseActivitySum(1)), c * (2 - z), 1e-4 * c) << where;
        ExpectInvariants(solver, s);
      }
    }
  }
}

// ---- water-gas shift CO + H2O = CO2 + H2 near 1100 K -------------------------------------
// K is close to 1 near 1100 K (it crosses unity at about 1100 K, e.g. NIST-JANAF log Kf) and,
// with no change in moles, independent of the pressure. From 1 CO + 1 H2O: x^2 / (1 - x)^2 = K.
TEST(WaterGasShift, ConversionFollowsKAndNotThePressure) {
  const double T = 1100;
  const double lnK = -(GOverRT("CO2", T) + GOverRT("H2", T) - GOverRT("CO", T) - GOverRT("H2O", T));
  const double K = std::exp(lnK);
  EXPECT_GT(K, 0.8);
  EXPECT_LT(K, 1.25);
  const double x = std::sqrt(K) / (1 + std::sqrt(K));
  for (double P : {1.0, 10.0}) {
    TestSystem s;
    s.T = T;
    s.P = P;
    s.rows = {Gas("CO", 1, T), Gas("H2O", 1, T), Gas("CO2", 0, T), Gas("H2", 0, T)};
    EqlSolver solver;
    ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
    EXPECT_NEAR(double(Amount(solver, "CO2")), x, 1e-4) << "P = " << P;
    EXPECT_NEAR(double(Amount(solver, "H2")), x, 1e-4) << "P = " << P;
    EXPECT_NEAR(double(Amount(solver, "CO")), 1 - x, 1e-4) << "P = " << P;
    ExpectInvariants(solver, s);
    ExpectOrderIndependent(s);
  }
}

// ---- N2O4 = 2 NO2 at 298.15 K and 1 bar ----------------------------------------------------
// Standard Gibbs energies of formation from the NBS tables (D. D. Wagman et al., J. Phys. Chem.
// Ref. Data 11 (1982) Suppl. 2): NO2(g) 51.31 kJ/mol, N2O4(g) 97.89 kJ/mol; K = 0.148, and the
// degree of dissociation of N2O4 at 1 bar is about 0.19 (the textbook figure).
TEST(DinitrogenTetroxide, DissociatesToNineteenPercent) {
  const double T = 298.15, R = 8.314462618;
  TestSystem s;
  s.T = T;
  s.P = 1;
  TestRow no2;
  no2.name = "NO2";
  no2.formula = "N1O2";
  no2.gOverRT = 51310.0 / (R * T);
  TestRow n2o4;
  n2o4.name = "N2O4";
  n2o4.formula = "N2O4";
  n2o4.input = 1;
  n2o4.gOverRT = 97890.0 / (R * T);
  s.rows = {no2, n2o4};
  const double K = std::exp(-(2 * no2.gOverRT - n2o4.gOverRT));
  const double alpha = std::sqrt(K / (K + 4));
  EXPECT_NEAR(alpha, 0.19, 0.01);
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_NEAR(double(Amount(solver, "NO2")), 2 * alpha, 1e-4);
  EXPECT_NEAR(double(Amount(solver, "N2O4")), 1 - alpha, 1e-4);
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

// ---- ammonia from 3:1 H2/N2 at 723 K, 100 and 300 atm, ideal gas --------------------------
// N2 + 3 H2 = 2 NH3: x(NH3)^2 / (x(N2) x(H2)^3) = K P^2 with K from the table at 723 K.
class AmmoniaSynthesis : public ::testing::TestWithParam<double> {};

TEST_P(AmmoniaSynthesis, YieldFollowsTheIdealGasConstant) {
  const double T = 723, P = GetParam() * 1.01325;
  const double K = std::exp(-(2 * GOverRT("NH3", T) - GOverRT("N2", T) - 3 * GOverRT("H2", T)));
  auto residual = [&](double xi) {
    const double n = 4 - 2 * xi;
    const double xN = (1 - xi) / n, xH = (3 - 3 * xi) / n, xA = 2 * xi / n;
    return std::log(xA * xA / (xN * xH * xH * xH)) - std::log(K * P * P);
  };
  const double xi = Bisect(residual, 1e-12, 1 - 1e-12);
  TestSystem s;
  s.T = T;
  s.P = P;
  s.rows = {Gas("N2", 1, T), Gas("H2", 3, T), Gas("NH3", 0, T)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_NEAR(double(Amount(solver, "NH3")), 2 * xi, 2e-4) << "P = " << P;
  EXPECT_NEAR(double(Amount(solver, "N2")), 1 - xi, 2e-4);
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

INSTANTIATE_TEST_SUITE_P(Atmospheres, AmmoniaSynthesis, ::testing::Values(100.0, 300.0));

// ---- CaCO3(s) = CaO(s) + CO2(g) with both solids forced -----------------------------------
// With both pure solids present the CO2 pressure equals K; K reaches 1 atm near 1170 K (the
// decomposition temperature of calcite, about 898 degC). Argon dilutes the gas so that the
// CO2 pressure can stay below the total pressure.
double CalciteK(double T) { return std::exp(-(GOverRT("CaO", T) + GOverRT("CO2", T) - GOverRT("CaCO3", T))); }

TEST(CalciteDecomposition, DecompositionTemperatureNear1170K) {
  const double T1 = Bisect([](double T) { return std::log(CalciteK(T) / 1.01325); }, 1000, 1199);
  EXPECT_NEAR(T1, 1170, 15);
}

// At a fine Precision and at the default one: the rounds that hold the solids at unit
// activity must run until the pressure meets K, not stop within a few Precisions of it.
class CalciteAtPrecision : public ::testing::TestWithParam<double> {};

TEST_P(CalciteAtPrecision, CarbonDioxidePressureEqualsK) {
  const double T = 1100;
  const double K = CalciteK(T);
  ASSERT_LT(K, 0.9);
  TestSystem s;
  s.T = T;
  s.P = 1;
  s.precision = GetParam();
  s.rows = {Gas("CO2", 0, T), Gas("AR", 1, T), Solid(6, "CaCO3", 1, T, true), Solid(7, "CaO", 0.1, T, true)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  const double tol = std::max(2e-3, double(s.precision));
  EXPECT_NEAR(double(Activity(solver, "CO2")), K, tol / 2 * K + 1e-5);
  // the CO2 set free: p(CO2) = n / (n + 1 mol Ar) x 1 bar
  const double n = K / (1 - K);
  EXPECT_NEAR(double(Amount(solver, "CO2")), n, tol * n);
  EXPECT_NEAR(double(Amount(solver, "CaCO3")), 1 - n, tol);
  EXPECT_NEAR(double(Amount(solver, "CaO")), 0.1 + n, tol);
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

INSTANTIATE_TEST_SUITE_P(Precisions, CalciteAtPrecision, ::testing::Values(1e-6, 1e-2));

// With ten mol of argon the CO2 of complete decomposition stays below K: the calcite
// vanishes, all of its CO2 goes into the gas and the forced phase is left as a trace at most.
TEST(CalciteDecomposition, DecomposesCompletelyWhenDilute) {
  const double T = 1100;
  const double K = CalciteK(T);
  ASSERT_GT(K, 1.0 / 11);
  TestSystem s;
  s.T = T;
  s.P = 1;
  s.rows = {Gas("CO2", 0, T), Gas("AR", 10, T), Solid(6, "CaCO3", 1, T, true), Solid(7, "CaO", 0, T, true)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_NEAR(double(Amount(solver, "CO2")), 1, 1e-4);
  EXPECT_NEAR(double(Amount(solver, "CaO")), 1, 1e-4);
  EXPECT_LT(double(Amount(solver, "CaCO3")), 1e-4);
  EXPECT_NEAR(double(Activity(solver, "CO2")), 1.0 / 11, 1e-4);
  ExpectInvariants(solver, s);
}

// ---- Boudouard C(s) + CO2 = 2 CO with graphite forced --------------------------------------
// p(CO)^2 / p(CO2) = K with p(CO) + p(CO2) = P; K = 1 near 980 K (the Boudouard temperature).
TEST(Boudouard, CarbonMonoxideFollowsK) {
  auto K = [](double T) { return std::exp(-(2 * GOverRT("CO", T) - GOverRT("C(gr)", T) - GOverRT("CO2", T))); };
  EXPECT_NEAR(Bisect([&](double T) { return std::log(K(T)); }, 800, 1200), 980, 30);
  const double T = 1000, P = 1;
  const double k = K(T);
  const double pCO = (-k + std::sqrt(k * k + 4 * k * P)) / 2;
  TestSystem s;
  s.T = T;
  s.P = P;
  s.rows = {Gas("CO", 0, T), Gas("CO2", 1, T), Solid(6, "C(gr)", 2, T, true)};
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  EXPECT_NEAR(double(Activity(solver, "CO")), pCO, 1e-3);
  // from 1 CO2: 2 xi CO and 1 - xi CO2 in the ratio of their pressures
  const double xi = pCO / (2 * P - pCO);
  EXPECT_NEAR(double(Amount(solver, "CO")), 2 * xi, 2e-3);
  EXPECT_NEAR(double(Amount(solver, "C(gr)")), 2 - xi, 2e-3);
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

// ---- a matrix of methane flames over every C/H/O species of the table --------------------
// No reference numbers here: element conservation, mu_j = sum a_jk lambda_k for every present
// species, and independence of the row order must hold for every composition and condition.
class MethaneFlames : public ::testing::TestWithParam<std::tuple<double, double, double>> {};

TEST_P(MethaneFlames, InvariantsHold) {
  auto [oxygenPerMethane, T, P] = GetParam();
  TestSystem s;
  s.T = T;
  s.P = P;
  s.precision = 1e-5L;
  for (const auto& e : kNasaTable) {
    const std::string f = e.formula;
    if (f.find("Ar") != std::string::npos || f.find("N") != std::string::npos || f.find("Ca") != std::string::npos ||
        std::string(e.name) == "C(gr)") {
      continue;
    }
    Extended n = 0;
    if (std::string(e.name) == "CH4") n = 1;
    if (std::string(e.name) == "O2") n = oxygenPerMethane;
    s.rows.push_back(Gas(e.name, n, T));
  }
  EqlSolver solver;
  ASSERT_EQ(Solve(solver, s), 1) << solver.FailureText();
  ExpectInvariants(solver, s);
  ExpectOrderIndependent(s);
}

INSTANTIATE_TEST_SUITE_P(Compositions, MethaneFlames,
                         ::testing::Combine(::testing::Values(0.75, 2.0, 4.0), ::testing::Values(1500.0, 3000.0),
                                            ::testing::Values(1.0, 20.0)));

}  // namespace
