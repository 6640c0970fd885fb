// Which phase of one pure substance is stable at (P, T): its gas, liquid and solid datasets are
// found, each is evaluated for its Gibbs energy, and the lowest wins, with the datasets'
// temperature ranges and critical temperatures deciding where the energies alone would mislead.
// Lunetta's row evaluation, batch run and substance selection share this state.
#pragma once

#include <array>
#include <string_view>

#include "shared/QuorelDatabase.h"

namespace quorel {

// Phase slots of PhaseDatasets and PhaseResults.
enum SubstancePhase : int { PhaseGas = 0, PhaseLiquid = 1, PhaseSolid = 2 };
constexpr std::array<std::string_view, 3> SubstancePhaseKeys = {"(g)", "(l)", "(s)"};

struct PhaseDatasetEntry {
  DatasetRecord Record;  // copy of CurrentDataset when the phase was found, with its RangeStatus
  int Row = 0;           // dataset row, 0 = none
  double G = 0;          // Gibbs energy of the last EvaluateStablePhase, J/mol
  bool Evaluated = false;  // G was computed (a liquid without its cubic root is not)
};

// Gas, liquid and solid dataset of the substance last looked at.
extern std::array<PhaseDatasetEntry, 3> PhaseDatasets;
// Properties of the three phases from the last row evaluation.
extern std::array<PropertyResult, 3> PhaseResults;
// The phase chosen by the last successful EvaluateStablePhase, and its row (0 = none).
extern DatasetRecord SelectedDataset;
extern int SelectedDatasetRow;

// Forgets every phase and the selection (a new run, or a test).
void ClearSubstancePhases();

// G [J/mol] of one dataset at P [bar] and T [K], computed as the full property evaluation does
// but lighter: no range or critical-temperature test, a missing acentric factor counts 0, a gas
// gets the residual of its equation of state (vapour root for the cubic ones), a liquid only
// under the cubic ones (its data at 1 bar plus its compression to P at the cubic's liquid
// volume). ok (when given) is false when nothing could be computed: a row outside the table, P
// or T not positive, unusable numbers, a liquid whose cubic root was not found, or a gas for
// which the equation has no vapour root: such a phase does not exist there. Returns 0 then.
double EvaluateSubstanceProperties(int row, int eosType, double P, double T, bool* ok = nullptr);

// Leaves out of the choice every candidate phase whose dataset has to be extrapolated to T
// (range status not RangeInside) when another candidate's dataset covers T: an extrapolated
// polynomial never displaces data that hold there. With no candidate covering T all stay. A
// liquid below its critical temperature (liquidBelowTc) stays a candidate inside or outside its
// range: its extrapolation reaches to where it boils.
void KeepPhasesThatCoverT(std::array<bool, 3>& candidates, const std::array<int, 3>& rangeStatus,
                          bool liquidBelowTc = false);

// Finds the gas, liquid and solid datasets of name (FindDataset, which also overwrites
// CurrentDataset), evaluates them and chooses the stable one; fills PhaseDatasets and, on
// success, SelectedDataset. Returns the chosen row, or 0 when none (T <= 0: 0, nothing changes).
// A liquid or solid above its critical temperature, and a phase extrapolated to T where another
// phase's dataset covers T, are chosen only when no other phase is left. extrapolation is the
// Behaviour window's Extrapolation check: with it, a liquid below its critical temperature
// competes by its Gibbs energy inside or outside its dataset's range.
int EvaluateStablePhase(std::string_view name, double P, double T, bool extrapolation = true);

}  // namespace quorel
