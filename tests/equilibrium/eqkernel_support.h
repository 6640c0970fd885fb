// Building small systems for the solver tests: rows with their standard Gibbs energies, the
// element selection taken from the formulas, and the invariants every solution must meet.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "equilibrium/EqKernel.h"
#include "shared/AplMsg.h"
#include "shared/Periodica.h"

namespace eqtest {

using quorel::Extended;

struct TestRow {
  int slot = 1;
  std::string name;
  std::string formula;
  Extended input = 0;     // mol
  Extended gOverRT = 0;   // G/RT of the standard state (1 bar for a gas)
  bool forced = false;
  Extended fraction = 1;
  Extended gamma = 1;
  bool active = true;
};

struct TestSystem {
  Extended T = 1000;
  Extended P = 1;       // bar
  // The pressure at which the gas rows of the constant-volume mode are evaluated (bar); the
  // constant-pressure mode evaluates them at P.
  Extended evaluationP = 1;
  int mode = 0;
  Extended V = 0;       // m3
  Extended precision = 1e-6L;
  std::vector<TestRow> rows;
};

inline bool IsGas(int slot) { return slot == 1 || slot == 2; }

// G of the row as the property evaluation hands it over: for a gas at the system pressure,
// the pressure term R T ln P included.
inline Extended RowG0(const TestSystem& s, const TestRow& r) {
  const Extended RT = quorel::SolverGasConstant * s.T;
  Extended g = r.gOverRT * RT;
  if (IsGas(r.slot)) g += RT * std::log(s.mode == 0 ? s.P : s.evaluationP);
  return g;
}

inline std::vector<std::uint8_t> SelectionFor(const TestSystem& s) {
  std::vector<std::uint8_t> flags(quorel::MaxElementCount, 0);
  for (const auto& r : s.rows) {
    for (int e = 1; e <= quorel::LastElementIndex(); ++e) {
      if (quorel::FormulaElementCount(quorel::ElementSymbol(e), r.formula) > 0) flags[e] = 1;
    }
  }
  return flags;
}

// Rows of each slot in the given order; slots in order 1..8, as the calculation run hands
// them over.
inline int Load(quorel::EqlSolver& solver, const TestSystem& s) {
  solver.LoadSystem(SelectionFor(s), 255);
  quorel::SystemConditions c;
  c.mode = s.mode;
  c.temperature = s.T;
  c.pressure = s.mode == 0 ? s.P : s.evaluationP;
  c.volume = s.V;
  solver.Criteria.precision = s.precision;
  solver.ReadCriteria(c);
  for (int slot = 1; slot <= quorel::PhaseSlots; ++slot) {
    for (const auto& r : s.rows) {
      if (r.slot != slot) continue;
      quorel::SpeciesRow row;
      row.slot = r.slot;
      row.name = r.name;
      row.formula = r.formula;
      row.phase = IsGas(r.slot) ? "(g)" : (r.slot <= 5 ? "(l)" : "(s)");
      row.inputAmount = r.input;
      row.gibbsEnergy = RowG0(s, r);
      row.enthalpy = 0;
      row.reactingFraction = r.fraction;
      row.activityCoefficient = r.gamma;
      row.active = r.active;
      const int j = solver.AddSpecies(row);
      if (j < 1) return j;
      if (r.forced) solver.ForceSpecies(j);
    }
  }
  return 1;
}

inline int Solve(quorel::EqlSolver& solver, const TestSystem& s) {
  Load(solver, s);
  return solver.CalcEquilibrium();
}

inline int IndexOf(const quorel::EqlSolver& solver, const std::string& name) {
  for (int j = 1; j <= solver.SpeciesCount(); ++j) {
    if (solver.SpeciesName(j) == name) return j;
  }
  return 0;
}

inline Extended Amount(const quorel::EqlSolver& solver, const std::string& name) {
  return solver.ProductAmount(IndexOf(solver, name));
}

inline Extended Activity(const quorel::EqlSolver& solver, const std::string& name) {
  return solver.SpeciesActivity(IndexOf(solver, name));
}

// The invariants of every solution: each element's output equals its reacting input; every
// present species sits at the chemical potential its atoms give (mu_j / RT = sum_k a_jk
// lambda_k, with mu_j / RT = G0_j / RT + ln a_j of the standard state and the reported
// activity); forced pure phases stand at unit activity.
inline void ExpectInvariants(const quorel::EqlSolver& solver, const TestSystem& s) {
  const Extended tol = std::max<Extended>(10 * s.precision, 1e-9L);
  for (int k = 1; k <= solver.ComponentCount(); ++k) {
    const Extended b = solver.InputElementTotal(k);
    if (!(b > 1e-20L)) continue;
    Extended o = 0;
    for (int j = 1; j <= solver.SpeciesCount(); ++j) {
      o += solver.ProductAmount(j) * solver.MatrixEntry(j, k);
    }
    EXPECT_NEAR(static_cast<double>(o / b), 1.0, static_cast<double>(tol))
        << "element " << solver.ComponentLabel(k) << " is not conserved";
  }
  Extended total = solver.TotalProductAmount();
  for (int j = 1; j <= solver.SpeciesCount(); ++j) {
    if (solver.SpeciesState(j) != 1 || !(solver.ProductAmount(j) > 1e-12L * total)) continue;
    const TestRow* row = nullptr;
    for (const auto& r : s.rows) {
      if (r.name == solver.SpeciesName(j)) row = &r;
    }
    ASSERT_NE(row, nullptr);
    const Extended a = solver.SpeciesActivity(j);
    ASSERT_GT(a, 0) << row->name;
    Extended lambda = 0;
    for (int k = 1; k <= solver.ComponentCount(); ++k) {
      lambda += solver.MatrixEntry(j, k) * solver.GetElementPotential(k);
    }
    const Extended mu = row->gOverRT + std::log(a);
    EXPECT_NEAR(static_cast<double>(mu), static_cast<double>(lambda), 1e-9 * std::max(1.0, std::fabs(double(lambda))))
        << row->name << ": mu/RT differs from the sum of its element potentials";
    if (solver.SpeciesForced(j)) {
      // a forced pure phase that is present stands at unit activity; one that is as good as
      // absent (a trace) lies below it
      if (solver.ProductAmount(j) > 10 * s.precision * total) {
        EXPECT_NEAR(static_cast<double>(a), 1.0, static_cast<double>(tol)) << row->name << " forced";
      } else {
        EXPECT_LE(static_cast<double>(a), 1.0 + static_cast<double>(tol)) << row->name << " forced trace";
      }
    }
  }
}

// The conditions of the Gibbs minimum, checked on the test's own G values with the solver's
// amounts and element potentials lambda_k (the Lagrange multipliers of the element balances):
//  - every element's output equals its reacting input (relative tol);
//  - every species with an amount has mu_j / RT = G0_j / RT + ln a_j = sum_k a_jk lambda_k;
//  - each phase (a slot's species that are not forced; every forced species alone) that holds
//    an amount is closed: gas fugacities sum to P (constant pressure) or its amounts fill V at
//    that pressure, the mole fractions a / gamma of a liquid or solid sum to 1, a forced species
//    stands at activity 1;
//  - each phase that holds nothing would not form: the same sums at exp(sum a lambda - G0/RT)
//    are at most 1 + tol.
inline void ExpectGibbsMinimum(const quorel::EqlSolver& solver, const TestSystem& s, double tol) {
  const double RT = double(quorel::SolverGasConstant) * double(s.T);
  for (int k = 1; k <= solver.ComponentCount(); ++k) {
    const Extended b = solver.InputElementTotal(k);
    if (!(b > 1e-20L)) continue;
    Extended o = 0;
    for (int j = 1; j <= solver.SpeciesCount(); ++j) o += solver.ProductAmount(j) * solver.MatrixEntry(j, k);
    EXPECT_NEAR(double(o / b), 1.0, tol) << "element " << solver.ComponentLabel(k) << " is not conserved";
  }
  const auto row = [&](int j) -> const TestRow& {
    for (const auto& r : s.rows) {
      if (r.name == solver.SpeciesName(j) && r.slot == solver.SpeciesSlot(j)) return r;
    }
    throw std::logic_error("no row " + solver.SpeciesName(j));
  };
  const auto potential = [&](int j) {
    Extended l = 0;
    for (int k = 1; k <= solver.ComponentCount(); ++k) l += solver.MatrixEntry(j, k) * solver.GetElementPotential(k);
    return double(l);
  };
  // phases: key slot (1..8) or 100 + species for a forced one
  std::map<int, std::vector<int>> phases;
  for (int j = 1; j <= solver.SpeciesCount(); ++j) {
    if (!row(j).active || row(j).gamma <= 0) continue;
    phases[row(j).forced ? 100 + j : solver.SpeciesSlot(j)].push_back(j);
  }
  double pressure = double(s.P);
  if (s.mode != 0) {
    pressure = 0;
    for (int j : phases[s.mode == 2 ? 2 : 1]) pressure += double(solver.SpeciesActivity(j));
  }
  for (const auto& [key, members] : phases) {
    Extended held = 0;
    double reported = 0, wouldBe = 0;
    for (int j : members) {
      held += solver.ProductAmount(j);
      const TestRow& r = row(j);
      const Extended a = solver.SpeciesActivity(j);  // extended: a trace's activity leaves the double range
      const double free = std::exp(potential(j) - double(r.gOverRT));  // activity at the potentials
      const bool gas = key <= 2;
      reported += double(gas ? a : a / r.gamma);
      wouldBe += gas ? free : free / double(r.gamma);
      if (solver.ProductAmount(j) > 0) {
        ASSERT_GT(a, 0) << r.name;
        EXPECT_NEAR(double(r.gOverRT + std::log(a)), potential(j), 1e-9 * std::max(1.0, std::fabs(potential(j))))
            << r.name << ": mu/RT differs from the sum of its element potentials";
      }
    }
    const bool gas = key <= 2;
    const double target = gas ? pressure : 1.0;
    const std::string what = key >= 100 ? solver.SpeciesName(key - 100) : "slot " + std::to_string(key);
    if (held > 0) {
      EXPECT_NEAR(reported / target, 1.0, tol) << what << " is not closed";
      if (gas && s.mode != 0 && key == (s.mode == 2 ? 2 : 1)) {
        // the ideal-gas amounts fill the volume at that pressure
        EXPECT_NEAR(double(held) * RT / (1e5 * double(s.V)) / pressure, 1.0, tol) << "the gas does not fill V";
      }
    } else {
      EXPECT_LE(wouldBe / target, 1.0 + tol) << what << " holds nothing but would form";
    }
  }
}

// The same system with the rows of every slot in reverse order gives the same amounts.
inline void ExpectOrderIndependent(const TestSystem& s) {
  quorel::EqlSolver a, b;
  TestSystem reversed = s;
  std::reverse(reversed.rows.begin(), reversed.rows.end());
  ASSERT_EQ(Solve(a, s), 1);
  ASSERT_EQ(Solve(b, reversed), 1);
  const Extended total = a.TotalProductAmount();
  for (const auto& r : s.rows) {
    const Extended na = Amount(a, r.name), nb = Amount(b, r.name);
    EXPECT_NEAR(static_cast<double>(na), static_cast<double>(nb),
                static_cast<double>(20 * s.precision * std::max<Extended>(na, 1e-9L * total)))
        << r.name << " depends on the order of the rows";
  }
}

// Scalar root of f on [lo, hi] by bisection (f(lo) and f(hi) of opposite sign).
inline double Bisect(const std::function<double(double)>& f, double lo, double hi) {
  double flo = f(lo);
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    const double fm = f(mid);
    if ((fm < 0) == (flo < 0)) {
      lo = mid;
      flo = fm;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

}  // namespace eqtest

namespace eqtest {

// Every solver test program keeps the posted messages in a recorder, whatever the default sink
// of the message log does; tests that read the messages install their own ScopedLogRecorder.
class QuietLogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { previous_ = quorel::SetLogSink(&sink_); }
  void TearDown() override { quorel::SetLogSink(previous_); }

 private:
  quorel::RecordingLogSink sink_;
  quorel::LogSink* previous_ = nullptr;
};

inline const bool kQuietLogInstalled =
    (::testing::AddGlobalTestEnvironment(new QuietLogEnvironment), true);

}  // namespace eqtest
