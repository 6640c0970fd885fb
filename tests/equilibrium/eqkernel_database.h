// Systems built from the shipped database (data/Quorel.tdb, from the NASA Glenn data of
// B. J. McBride, M. J. Zehe, S. Gordon, NASA TP-2002-211556): every row evaluated as an ideal
// gas or a pure condensed species at the system's T and P, as the calculation run hands rows to
// the solver. The database is loaded again when another test has cleared it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eqkernel_support.h"
#include "equilibrium/EqKernel.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace eqtest {

inline bool ShippedDatabase() {
  if (quorel::DatasetCount() > 1) return true;
  return quorel::LoadDatabase(QUOREL_SOURCE_DIR "/data/Quorel.tdb") > 0;
}

struct DbRow {
  std::string name;
  std::string phase = "(g)";
  int slot = 1;
  Extended input = 0;
  bool forced = false;
  Extended gamma = 1;
};

// The dataset of name and phase for T (the one whose range holds it, else the nearest), -1 none.
inline int DbDataset(const std::string& name, const std::string& phase, double T) {
  quorel::ClearCandidateList();
  quorel::BuildCandidateList(name, phase);
  return quorel::FindDataset(name, phase, T);
}

// G/RT of the standard state (1 bar) of a dataset at T.
inline double DbGOverRT(const std::string& name, const std::string& phase, double T) {
  quorel::PropertyResult pr;
  const int row = DbDataset(name, phase, T);
  if (row < 1 || !quorel::EvaluateProperties(row, quorel::EosIdealGas, pr, 1.0, T)) return NAN;
  return pr.G / (double(quorel::SolverGasConstant) * T);
}

// The system as TestSystem rows (G/RT at 1 bar; Load adds R T ln P to the gases).
inline TestSystem DbSystem(double T, double P, const std::vector<DbRow>& rows, Extended precision = 1e-6L) {
  TestSystem s;
  s.T = T;
  s.P = P;
  s.precision = precision;
  for (const auto& r : rows) {
    TestRow t;
    t.slot = r.slot;
    t.name = r.name;
    t.formula = quorel::DatasetFormula(r.name, r.phase);
    t.input = r.input;
    t.gOverRT = DbGOverRT(r.name, r.phase, T);
    t.forced = r.forced;
    t.gamma = r.gamma;
    s.rows.push_back(t);
  }
  return s;
}

// Every gas of the database made of the given elements only whose range holds T.
inline std::vector<DbRow> DbGasesOf(const std::vector<std::string>& elements, double T) {
  std::vector<DbRow> rows;
  const auto& tab = quorel::DatasetTable;
  for (int r = 1; r < tab.RowCount; ++r) {
    if (tab.Text(r, quorel::FieldPhase) != "(g)") continue;
    if (tab.Value(r, quorel::FieldTmin) > T || tab.Value(r, quorel::FieldTmax) < T) continue;
    const std::string& f = tab.Text(r, quorel::FieldComposition);
    double inside = 0;
    for (const auto& e : elements) inside += quorel::FormulaElementCount(e, f) * quorel::AtomicWeight(quorel::ElementIndex(e));
    if (!(inside > 0) || std::fabs(inside - quorel::MolarMass(f)) > 1e-9) continue;
    const std::string& name = tab.Text(r, quorel::FieldName);
    bool seen = false;
    for (const auto& x : rows) seen = seen || x.name == name;
    if (!seen) rows.push_back({name});
  }
  return rows;
}

// Sets the input of the named row (added when missing).
inline void SetInput(std::vector<DbRow>& rows, const std::string& name, Extended input) {
  for (auto& r : rows) {
    if (r.name == name && r.phase == "(g)") {
      r.input = input;
      return;
    }
  }
  rows.push_back({name, "(g)", 1, input});
}

}  // namespace eqtest
