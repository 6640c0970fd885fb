#include "pure_substance/StablePhase.h"

#include <cmath>

namespace quorel {

std::array<PhaseDatasetEntry, 3> PhaseDatasets;
std::array<PropertyResult, 3> PhaseResults;
DatasetRecord SelectedDataset;
int SelectedDatasetRow = 0;

void ClearSubstancePhases() {
  PhaseDatasets = {};
  PhaseResults = {};
  SelectedDataset = {};
  SelectedDatasetRow = 0;
}

double EvaluateSubstanceProperties(int row, int eosType, double P, double T, bool* ok) {
  if (ok) *ok = false;
  PropertyResult ideal;
  // The ideal part: polynomial, H/G form, pressure term of a gas; refuses bad rows and P, T <= 0.
  if (!EvaluateIdealProperties(row, ideal, P, T)) return 0;
  const std::string& phase = DatasetTable.Text(row, FieldPhase);
  const bool hgForm = DatasetTable.Text(row, FieldReferences).rfind(HgFormMarker, 0) == 0;
  double Gr = 0;
  if (!hgForm) {
    const double Tc = DatasetTable.Value(row, FieldTc);
    const double Pc = DatasetTable.Value(row, FieldPc);
    double w = 0;
    if (!TryParseDatasetValue(DatasetTable.Text(row, FieldOmega), w) || !std::isfinite(w)) w = 0;
    ResidualValues res;
    if (phase == "(g)") {
      bool computed = false;
      if (eosType >= 1 && eosType <= 3) computed = VirialResiduals(eosType, Pc, P, Tc, T, w, res);
      else if (eosType >= 4 && eosType <= 6) computed = CubicResiduals(eosType, Pc, P, Tc, T, w, CubicPhase::Gas, res);
      // Where the equation has no vapour root, no gas exists under it.
      if (computed && res.NoVapourRoot) return 0;
      if (computed) Gr = res.Gr;
    } else if (phase == "(l)" && eosType >= 4 && eosType <= 6 && Tc > 0 && Pc > 0) {
      // The liquid's data hold at 1 bar; the equation adds its compression. Without its liquid
      // root the liquid does not exist at (P, T) under this equation.
      if (!LiquidResiduals(eosType, Pc, P, Tc, T, w, res)) return 0;
      Gr = res.Gr;
    }
  }
  const double G = ideal.G + Gr;
  if (!std::isfinite(G)) return 0;
  if (ok) *ok = true;
  return G;
}

void KeepPhasesThatCoverT(std::array<bool, 3>& candidates, const std::array<int, 3>& rangeStatus,
                          bool liquidBelowTc) {
  bool covered = false;
  for (int p = 0; p < 3; ++p) covered = covered || (candidates[p] && rangeStatus[p] == RangeInside);
  if (!covered) return;
  for (int p = 0; p < 3; ++p) {
    if (p == PhaseLiquid && liquidBelowTc) continue;
    candidates[p] = candidates[p] && rangeStatus[p] == RangeInside;
  }
}

int EvaluateStablePhase(std::string_view name, double P, double T, bool extrapolation) {
  if (!(T > 0)) return 0;
  std::array<bool, 3> present = {false, false, false};
  double G[3] = {0, 0, 0};
  std::array<int, 3> S = {0, 0, 0};
  for (int p = PhaseGas; p <= PhaseSolid; ++p) {
    PhaseDatasetEntry& entry = PhaseDatasets[p];
    entry = {};
    int row = FindDataset(name, SubstancePhaseKeys[p], T);
    if (row <= 0) continue;
    entry.Record = CurrentDataset;
    entry.Row = row;
    bool ok = false;
    entry.G = EvaluateSubstanceProperties(row, EosType, P, T, &ok);
    entry.Evaluated = ok;
    // A phase whose energy could not be computed takes no part in the choice.
    present[p] = ok;
    G[p] = entry.G;
    S[p] = entry.Record.RangeStatus;
  }
  const double Tcl = PhaseDatasets[PhaseLiquid].Record.Tc;
  const double Tcs = PhaseDatasets[PhaseSolid].Record.Tc;
  // A condensed phase above its critical temperature does not exist, and a phase extrapolated
  // to T does not displace one whose dataset covers T, but for a liquid below its critical
  // temperature: what is left chooses, unless nothing is.
  std::array<bool, 3> eligible = present;
  if (Tcl > 0 && T > Tcl) eligible[PhaseLiquid] = false;
  if (Tcs > 0 && T > Tcs) eligible[PhaseSolid] = false;
  const bool liquidBelowTc = extrapolation && Tcl > 0 && T < Tcl;
  KeepPhasesThatCoverT(eligible, S, liquidBelowTc);
  if (eligible[PhaseGas] || eligible[PhaseLiquid] || eligible[PhaseSolid]) present = eligible;
  const bool gas = present[PhaseGas], liquid = present[PhaseLiquid], solid = present[PhaseSolid];
  const double Gg = G[PhaseGas], Gl = G[PhaseLiquid], Gs = G[PhaseSolid];
  const int Sg = S[PhaseGas], Sl = S[PhaseLiquid], Ss = S[PhaseSolid];

  constexpr int None = -1;
  int choice = None;
  auto liquidWins = [&] { return choice == None || (choice == PhaseGas && Gl < Gg); };
  auto solidWins = [&] {
    return choice == None || (choice == PhaseGas && Gs < Gg) || (choice == PhaseLiquid && Gs < Gl);
  };

  // First pass: the ranges decide.
  if (gas && Sg >= 0) choice = PhaseGas;
  if (liquid && Sl == 0) {
    if (liquidWins()) choice = PhaseLiquid;
  } else if (liquid && (choice == None || choice == PhaseGas)) {
    // A liquid below its critical temperature competes outside its dataset's range too.
    if (liquidBelowTc && choice == PhaseGas && Gl < Gg) choice = PhaseLiquid;
  }
  if (solid && Ss <= 0 && solidWins()) choice = PhaseSolid;

  // Second pass: nothing inside its range.
  if (choice == None) {
    if (gas) choice = PhaseGas;
    if (liquid && Tcl > 0 && T < Tcl && liquidWins()) choice = PhaseLiquid;
    if (solid && Tcs > 0 && T < Tcs && solidWins()) choice = PhaseSolid;
    if (solid && liquid && Ss < 0 && Sl < 0) choice = PhaseSolid;
    if (solid && gas && Ss < 0 && Sg < 0) choice = PhaseSolid;
    if (choice == None && liquid && Sl < 0) choice = PhaseLiquid;
    if (choice == None) {
      if (gas) choice = PhaseGas;
      if (liquid && liquidWins()) choice = PhaseLiquid;
      if (solid && solidWins()) choice = PhaseSolid;
    }
    if (choice == None) return 0;
  }
  SelectedDataset = PhaseDatasets[choice].Record;
  SelectedDatasetRow = PhaseDatasets[choice].Row;
  return SelectedDatasetRow;
}

}  // namespace quorel
