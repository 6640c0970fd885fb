// The batch calculation of the substance window: Table>"Batch Calculation" turns the table into
// an input sheet of state points (T in the display unit in logical column 0, P in bar in
// logical column 1), and "Update" evaluates the substance at each of them with the row
// evaluation of the range run.
#include <algorithm>
#include <cmath>

#include "platform/Services.h"
#include "pure_substance/SubstMain.h"
#include "shared/AplMsg.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"

namespace quorel {

namespace {

// The number of a state-point cell; false for an empty text or one that is not a finite
// number (such a cell ends the batch).
bool StatePointValue(const std::string& cell, double& value) {
  const std::string text = Trim(cell);
  return !text.empty() && TryTextToDouble(text, value) && std::isfinite(value);
}

}  // namespace

void TPSubstWnd::MnuBatchCalculationClick(platform::Component* sender) {
  using namespace platform;
  if (sender) MnuBatchCalculation->SetChecked(!MnuBatchCalculation->Checked());
  const bool switchedOff = BatchMode && !MnuBatchCalculation->Checked();
  BatchMode = MnuBatchCalculation->Checked();
  // Off, the first two columns are phase and T or P again: no state point of the batch and no
  // result of it stays under those headers.
  if (switchedOff) EmptyTable();
  if (BatchMode) {
    SGT->SetOptions(SGT->Options() | goEditing);
    // The headers go where T and P stand now; then every column, cells with it, goes back to
    // its own place, so the typed values stand under their headers.
    SetBatchHeaders();
    ResetColumnOrder(SGT);
    if (SubstanceChart.BatchModeChanged) SubstanceChart.BatchModeChanged(*this, true);
  } else {
    if (SubstanceChart.BatchModeChanged) SubstanceChart.BatchModeChanged(*this, false);
    SGT->SetOptions(SGT->Options() & ~goEditing);
    SetTableCell(ColPhase, 0, "Phase");
    SetTableCell(ColVariable, 0, CbxTP->Items()[1]);
    SetTableHeaders(*this);
  }
  PopN1->SetVisible(BatchMode);
  PopPaste->SetVisible(BatchMode);
}

void RunBatchCalculation(TPSubstWnd& w) {
  // The substance at the stored state, as the range run finds it at its start point.
  if (!w.LookUpSubstance(w.ConstP, w.CurrentT)) return;
  const char code = w.PhaseKey.size() > 1 ? w.PhaseKey[1] : 'u';
  // The units of the substance evaluated now (its molar mass), not of the last run.
  w.TakeSelectedSubstance();

  auto clearResults = [&w](int r, const char* text) {
    for (int c = ColCp; c < SubstanceColumnCount; ++c) w.SetTableCell(c, r, text);
  };
  int r = 1;
  for (; r < w.SGT->RowCount(); ++r) {
    double T = 0, P = 0;
    if (!StatePointValue(w.TableCell(ColPhase, r), T) || !StatePointValue(w.TableCell(ColVariable, r), P)) break;
    T += w.TemperatureOffset;
    if (!(T > 0) || !(P > 0)) break;
    if (EvaluateTableRow(w, code, P, T) == 0) {
      // No phase at this point: nothing of another row or of a failed evaluation shows.
      clearResults(r, " ");
      continue;
    }
    w.WriteResultCells(r, P, T, false);
  }
  // The batch ends at the end of the list, or at a row that is no state point, which is said.
  // The rows from there on keep no results of an earlier batch.
  std::string status = w.EquationName();
  if (r < w.SGT->RowCount()) {
    const std::string t = Trim(w.TableCell(ColPhase, r)), p = Trim(w.TableCell(ColVariable, r));
    if (!t.empty() || !p.empty()) {
      status = "Row " + std::to_string(r) + ": " + w.ColumnHeader(ColPhase) + " " + t + ", " +
               w.ColumnHeader(ColVariable) + " " + p + " is no state point; the batch ends there";
      PostLogMessage(LevelCritical, BatchRowRefusedId, status);
    }
    for (int k = r; k < w.SGT->RowCount(); ++k) clearResults(k, "");
  }
  w.SetFrameStatus(2, status);
}

void TPSubstWnd::PopPasteClick(platform::Component*) {
  const int col = std::clamp(SelectedCellCol, 0, SGT->ColCount() - 1);
  const int row = std::max(SelectedCellRow, 1);
  PasteIntoTable(col, row, false);
}

void TPSubstWnd::PasteIntoTable(int col, int row, bool memoToGrid) {
  GridToolkit& kit = TableToolkit();
  if (!kit.PasteClipboardText()) return;
  if (memoToGrid) {
    kit.MemoToGrid(col, row, *SGT);
    return;
  }
  const int n = kit.MemoLineCount();
  if (n == 0) return;
  if (SGT->RowCount() < row + n) SGT->SetRowCount(row + n);
  for (int i = 0; i < n; ++i) TabLineToGridRow(col, row + i, kit.MemoLine(i), *SGT);
}

}  // namespace quorel
