#include "equilibrium/CalcVar.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "equilibrium/EqlMain.h"
#include "equilibrium/Phase.h"
#include "equilibrium/RcrdDef.h"
#include "platform/Services.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TCalcVarDlg* CalcVarDlg = nullptr;

namespace {

constexpr const char* kSection = "CalculationVariable";
constexpr const char* kOldSection = "VariableCalculation";
constexpr const char* kTemperatureCode = "0x 00 00 00 00";
constexpr const char* kPressureCode = "0x 00 00 00 01";
constexpr const char* kDlogxHint = "when dependence is dlogx, logaritmic step should be:10";
// The phase-grid column of each CBCol item: in, a.c./f.c., Rel., T(in).
constexpr int kColumnCodes[] = {ColIn, ColCoefficient, ColRel, ColTin};

bool IsMaster(const VariationRecord& v) { return v.Dependence == 0; }

// A logarithmic master has a step count only with Begin, Limit and Step above 0 and Step not 1.
bool LogarithmicCounts(const VariationRecord& v) {
  return v.Begin > 0 && v.Limit > 0 && v.Step > 0 && v.Step != 1;
}

// The steps one master asks for (0: it does not count); not bounded.
long double MasterStepCount(const VariationRecord& v) {
  if (!IsMaster(v) || v.Step == 0) return 0;
  long double c = 0;
  if (!v.Logarithmic) {
    c = std::fabs(std::nearbyint((v.Limit - v.Begin) / v.Step)) + 1;
  } else {
    if (!LogarithmicCounts(v)) return 0;
    c = std::nearbyint((std::log(v.Limit) - std::log(v.Begin)) / std::log(v.Step)) + 1;
  }
  return std::isfinite(double(c)) ? c : MaxVariationSteps + 1.0L;
}

std::string VariableText(int k) { return "Variable " + std::to_string(k) + ": "; }

}  // namespace

int VariationStepCount(const std::vector<VariationRecord>& vars) {
  long double n = 1;
  for (const VariationRecord& v : vars) n = std::max(n, MasterStepCount(v));
  return n > MaxVariationSteps ? MaxVariationSteps + 1 : int(n);
}

std::vector<Extended> VariationValues(const std::vector<VariationRecord>& vars, int step) {
  std::vector<Extended> values(vars.size(), 0);
  for (size_t i = 0; i < vars.size(); ++i) {
    const VariationRecord& v = vars[i];
    const int k = int(i) + 1;
    Extended x = v.Logarithmic ? v.Begin * std::pow(v.Step, Extended(step - 1)) : v.Begin + (step - 1) * v.Step;
    if (v.Dependence > 0 && v.Dependence < k) {
      x = values[size_t(v.Dependence - 1)] * v.Factor;
    } else if (IsMaster(v) && v.Step != 0) {
      // A master stops at its limit, on the side it moves towards.
      const bool rising = v.Logarithmic ? v.Step > 1 : v.Step > 0;
      if (!v.Logarithmic || LogarithmicCounts(v)) {
        if (rising && x > v.Limit) x = v.Limit;
        if (!rising && x < v.Limit) x = v.Limit;
      }
    }
    values[i] = x;
  }
  return values;
}

// ---------------------------------------------------------------------------------------------
// The dialog

TCalcVarDlg::TCalcVarDlg() : Form(nullptr, "CalcVarDlg") {
  SetCaption("Calculation by Variation");
  SetBounds(0, 0, 660, 420);
  SetConstraints({512, 300, 0, 0});
  SetPosition(FormPosition::ScreenCenter);

  GBVariables = Make<GroupBox>(this, "GBVariables");
  GBVariables->SetCaption("Variables");
  GBVariables->SetAlign(Align::Top);
  GBVariables->SetHeight(108);
  LabelState = Make<Label>(GBVariables, "LabelState");
  LabelState->SetCaption("State");
  LabelState->SetBounds(8, 22, 72, 16);
  CBState = Make<ComboBox>(GBVariables, "CBState");
  CBState->SetStyle(ComboStyle::DropDownList);
  CBState->SetBounds(84, 18, 150, 21);
  ButtonAdd0 = Make<Button>(GBVariables, "ButtonAdd0");
  ButtonAdd0->SetCaption("Add");
  ButtonAdd0->SetBounds(580, 16, 64, 25);
  LabelSubstances = Make<Label>(GBVariables, "LabelSubstances");
  LabelSubstances->SetCaption("Substances");
  LabelSubstances->SetBounds(8, 52, 72, 16);
  CBWnd = Make<ComboBox>(GBVariables, "CBWnd");
  CBWnd->SetStyle(ComboStyle::DropDownList);
  CBWnd->SetBounds(84, 48, 120, 21);
  CBRow = Make<ComboBox>(GBVariables, "CBRow");
  CBRow->SetStyle(ComboStyle::DropDownList);
  CBRow->SetBounds(210, 48, 230, 21);
  CBCol = Make<ComboBox>(GBVariables, "CBCol");
  CBCol->SetStyle(ComboStyle::DropDownList);
  CBCol->SetBounds(446, 48, 120, 21);
  CBCol->Items().Assign({"In", "a.c./f.c.", "Rel.", "T(in)"});
  CBCol->SetItemIndex(0);
  ButtonAdd1 = Make<Button>(GBVariables, "ButtonAdd1");
  ButtonAdd1->SetCaption("Add");
  ButtonAdd1->SetBounds(580, 46, 64, 25);
  CbxXax = Make<CheckBox>(GBVariables, "CbxXax");
  CbxXax->SetCaption("Set as X in Graphics");
  CbxXax->SetBounds(8, 80, 200, 20);

  Splitter1 = Make<Splitter>(this, "Splitter1");
  Splitter1->SetAlign(Align::Top);
  Splitter1->SetHeight(4);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(20);
  StBar->AddPanel(120);
  StBar->AddPanel(400);
  PanelButtons = Make<Panel>(this, "PanelButtons");
  PanelButtons->SetAlign(Align::Bottom);
  PanelButtons->SetHeight(38);
  ButtonStart = Make<Button>(PanelButtons, "ButtonStart");
  ButtonStart->SetCaption("Start");
  ButtonStart->SetBounds(226, 6, 80, 25);
  ButtonExit = Make<Button>(PanelButtons, "ButtonExit");
  ButtonExit->SetCaption("Exit");
  ButtonExit->SetCancel(true);
  ButtonExit->SetBounds(314, 6, 80, 25);

  GBParameters = Make<GroupBox>(this, "GBParameters");
  GBParameters->SetCaption("Calculation Parameters");
  GBParameters->SetAlign(Align::Client);
  PanelGrid = Make<Panel>(GBParameters, "PanelGrid");
  PanelGrid->SetAlign(Align::Right);
  PanelGrid->SetWidth(76);
  ButtonDel = Make<Button>(PanelGrid, "ButtonDel");
  ButtonDel->SetCaption("Del");
  ButtonDel->SetBounds(6, 4, 64, 25);
  ButtonClear = Make<Button>(PanelGrid, "ButtonClear");
  ButtonClear->SetCaption("Clear");
  ButtonClear->SetBounds(6, 36, 64, 25);
  SGV = Make<StringGrid>(GBParameters, "SGV");
  SGV->SetAlign(Align::Client);
  SGV->SetColCount(VariationColumnCount);
  SGV->SetRowCount(2);
  SGV->SetFixedRows(1);
  SGV->SetFixedCols(1);
  SGV->SetDefaultRowHeight(20);
  SGV->SetOptions(SGV->Options() | goEditing | goRowMoving | goColSizing);
  const int widths[VariationColumnCount] = {28, 140, 52, 52, 52, 70, 48, 116};
  for (int c = 0; c < VariationColumnCount; ++c) SGV->SetColWidths(c, widths[c]);
  SetVariationHeaders();

  ButtonAdd0->OnClick = [this](Component*) { AddStateClick(); };
  ButtonAdd1->OnClick = [this](Component*) { AddSubstanceClick(); };
  CBWnd->OnChange = [this](Component*) { WindowChange(); };
  ButtonDel->OnClick = [this](Component*) { DelClick(); };
  ButtonClear->OnClick = [this](Component*) { ClearClick(); };
  ButtonStart->OnClick = [this](Component*) { StartClick(); };
  ButtonExit->OnClick = [this](Component*) { ExitClick(); };
  SGV->OnSelectCell = [this](Component*, int col, int row, bool& canSelect) { SelectCell(col, row, canSelect); };
  // The ID is the variable's row: a moved row takes the number of its new place.
  SGV->OnRowMoved = [this](Component*, int, int) { RenumberRows(); };
  Splitter1->OnMoved = [this](Component*) { FormResize(); };
  OnResize = [this](Component*) { FormResize(); };
  CalcVarDlg = this;
}

TCalcVarDlg::~TCalcVarDlg() {
  if (CalcVarDlg == this) CalcVarDlg = nullptr;
}

void TCalcVarDlg::PrepareVariationDialog() {
  std::vector<std::string> state{"T", "P"};
  if (EqlMainWnd) state = {EqlMainWnd->LabelT->Caption(), EqlMainWnd->LabelPV->Caption()};
  CBState->Items().Assign(state);
  CBState->SetItemIndex(0);
  WindowSlots.clear();
  std::vector<std::string> windows;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    const PhaseSlot& slot = PhaseSlotTable[s];
    if (!slot.Exists || !slot.Window || !slot.Grid) continue;
    const std::string caption = Trim(slot.Window->Caption());
    windows.push_back(caption.empty() ? slot.Grid->Name() : caption);
    WindowSlots.push_back(s);
  }
  ButtonAdd1->SetEnabled(!windows.empty());
  if (windows.empty()) windows.emplace_back("-");
  CBWnd->Items().Assign(windows);
  CBWnd->SetItemIndex(0);
  WindowChange();
  // The descriptions follow renamed windows and moved substances.
  for (int r = SGV->RowCount() - 1; r >= 1; --r) {
    const std::string code = Trim(SGV->Cells(VarColAllocation, r));
    if (code.size() == 14) SGV->SetCells(VarColName, r, AllocationDescription(code));
  }
  CurrentRow = 1;
  SGV->SetCurrent(VarColBegin, 1);
  ShowRowStatus(1);
}

void TCalcVarDlg::WindowChange() {
  const int i = CBWnd->ItemIndex();
  const int slot = i >= 0 && i < int(WindowSlots.size()) ? WindowSlots[size_t(i)] : 0;
  const StringGrid* g = slot ? PhaseSlotTable[slot].Grid : nullptr;
  SubstanceRows.clear();
  std::vector<std::string> rows;
  if (g && PhaseSlotTable[slot].Window)
    for (int r = 1; r < g->RowCount(); ++r) {
      const std::string key = Trim(g->Cells(ColKey, r));
      if (key.empty()) continue;
      rows.push_back(key);
      SubstanceRows.push_back(r);
    }
  ButtonAdd1->SetEnabled(!rows.empty());
  if (rows.empty()) rows.emplace_back("-");
  CBRow->Items().Assign(rows);
  CBRow->SetItemIndex(0);
}

int TCalcVarDlg::FindAllocation(const std::string& code) const {
  for (int r = 1; r < SGV->RowCount(); ++r)
    if (Trim(SGV->Cells(VarColAllocation, r)) == code) return r;
  return 0;
}

void TCalcVarDlg::AddRow(const std::string& name, const std::string& code) {
  if (const int row = FindAllocation(code)) {
    MessageBox(TranslateMessageId("MA490", "Variable already exists, See ID: ") + std::to_string(row),
               VariationCaption, mbOk | mbIconInformation);
    return;
  }
  const bool empty = SGV->RowCount() == 2 && Trim(SGV->Cells(VarColName, 1)).empty();
  if (!empty && SGV->RowCount() - 1 >= MaxVariationVariables) {
    MessageBox("Maximum is " + std::to_string(MaxVariationVariables) + " variables !", VariationCaption,
               mbOk | mbIconInformation);
    return;
  }
  const int row = empty ? 1 : SGV->RowCount();
  if (!empty) SGV->SetRowCount(row + 1);
  SGV->SetCells(VarColId, row, std::to_string(row));
  SGV->SetCells(VarColName, row, name);
  SGV->SetCells(VarColAllocation, row, code);
}

void TCalcVarDlg::AddStateClick() {
  const int i = CBState->ItemIndex();
  if (i < 0) return;
  AddRow(CBState->Text(), std::string("0x 00 00 00 ") + HexPair(i));
}

void TCalcVarDlg::AddSubstanceClick() {
  const int w = CBWnd->ItemIndex();
  const int r = CBRow->ItemIndex();
  const int c = CBCol->ItemIndex();
  if (w < 0 || w >= int(WindowSlots.size()) || r < 0 || r >= int(SubstanceRows.size()) || c < 0 || c > 3) return;
  const std::string code = "0x 01 " + HexPair(WindowSlots[size_t(w)]) + " " + HexPair(kColumnCodes[c]) + " " +
                           HexPair(SubstanceRows[size_t(r)]);
  AddRow(CBRow->Text() + " | " + CBWnd->Text() + " , " + CBCol->Text(), code);
}

void TCalcVarDlg::RenumberRows() {
  for (int r = 1; r < SGV->RowCount(); ++r)
    if (r > 1 || !Trim(SGV->Cells(VarColId, r)).empty() || !Trim(SGV->Cells(VarColAllocation, r)).empty())
      SGV->SetCells(VarColId, r, std::to_string(r));
}

void TCalcVarDlg::DelClick() {
  if (CurrentRow < 1 || CurrentRow >= SGV->RowCount()) return;
  DeleteGridRow(CurrentRow, *SGV);
  RenumberRows();
  ShowRowStatus(std::min(CurrentRow, SGV->RowCount() - 1));
}

void TCalcVarDlg::ClearVariationGrid() {
  ClearGridRange(0, 1, *SGV);
  SGV->SetRowCount(2);
}

// The header row names the columns whatever a system file's section held in its first line.
void TCalcVarDlg::SetVariationHeaders() {
  static const char* const headers[VariationColumnCount] = {"ID",    "Variable",   "Begin",  "Step",
                                                            "Limit", "Dependence", "Factor", "Allocation"};
  for (int c = 0; c < VariationColumnCount && c < SGV->ColCount(); ++c) SGV->SetCells(c, 0, headers[c]);
}

void TCalcVarDlg::ClearClick() {
  if (MessageBox("Delete all variables", "Equilibrium", mbYesNo | mbIconQuestion) != mrYes) return;
  ClearVariationGrid();
}

void TCalcVarDlg::StartClick() {
  if (ReadVariationGrid() > 0) {
    const std::string refusal = CheckVariationGrid();
    if (!refusal.empty()) {
      MessageBox(refusal, VariationCaption, mbOk | mbIconInformation);
      return;
    }
    if (EqlMainWnd) EqlMainWnd->StBar->SetPanelText(0, "0");
    StartFlag = true;
  }
  if (Modal()) SetModalResult(StartFlag ? mrOk : mrCancel);
  else Hide();
}

void TCalcVarDlg::ExitClick() {
  if (Modal()) SetModalResult(mrCancel);
  else Hide();
}

void TCalcVarDlg::SelectCell(int col, int row, bool& canSelect) {
  canSelect = row >= 1 && col >= VarColBegin && col <= VarColFactor;
  if (row < 1 || row >= SGV->RowCount()) return;
  CurrentRow = row;
  ShowRowStatus(row);
  if (col == VarColDependence) StBar->SetPanelText(1, kDlogxHint);
}

void TCalcVarDlg::ShowRowStatus(int row) {
  const std::string code = Trim(SGV->Cells(VarColAllocation, row));
  const bool valid = code.size() == 14;
  StBar->SetPanelText(0, valid ? code : std::string());
  StBar->SetPanelText(1, valid ? AllocationDescription(code) : std::string());
}

std::string TCalcVarDlg::AllocationDescription(const std::string& allocation) const {
  int kind = 0, slot = 0, col = 0, row = 0;
  if (!DecodeRecordAddress(allocation, kind, slot, col, row)) return "!";
  if (kind == 0 && slot == 0 && col == 0) {
    if (row >= 0 && row < CBState->Items().Count()) return CBState->Items()[row];
    return "!";
  }
  if (kind == 1 && ValidPhaseSlot(slot) && PhaseSlotTable[slot].Window && PhaseSlotTable[slot].Grid) {
    const StringGrid& g = *PhaseSlotTable[slot].Grid;
    if (col > 0 && col < g.ColCount() && row > 0 && row < g.RowCount())
      return g.Cells(ColKey, row) + " | " + PhaseSlotTable[slot].Window->Caption() + " , " + g.Cells(col, 0);
  }
  return "!";
}

void TCalcVarDlg::FormResize() {
  const int middle = ClientWidth() / 2;
  ButtonStart->SetLeft(middle - 4 - ButtonStart->Width());
  ButtonExit->SetLeft(middle + 4);
  for (int c = 0; c < SGV->ColCount(); ++c)
    if (SGV->ColWidths(c) < 8) SGV->SetColWidths(c, 8);
  // The grid grows with the dialog: the variable's name takes the width the others leave.
  int others = 0;
  for (int c = 0; c < SGV->ColCount(); ++c)
    if (c != VarColName) others += SGV->ColWidths(c) + 1;
  SGV->SetColWidths(VarColName, std::max(140, SGV->ClientWidth() - others - 4));
}

// ---------------------------------------------------------------------------------------------
// The definition

int TCalcVarDlg::ReadVariationGrid() {
  VariableCount = SGV->RowCount() - 1;
  if (SGV->RowCount() == 2 && Trim(SGV->Cells(VarColId, 1)).empty()) VariableCount = 0;
  VariableCount = std::clamp(VariableCount, 0, MaxVariationVariables);
  for (int k = 1; k <= MaxVariationVariables; ++k) {
    VariationRecord v;
    if (k <= VariableCount) {
      const std::string code = Trim(SGV->Cells(VarColAllocation, k));
      int kind = 0;
      v.AllocationValid = DecodeRecordAddress(code, kind, v.Slot, v.Column, v.Row);
      if (!v.AllocationValid) v.Slot = v.Column = v.Row = 0;
      std::string dependence = Trim(SGV->Cells(VarColDependence, k));
      std::transform(dependence.begin(), dependence.end(), dependence.begin(),
                     [](unsigned char ch) { return char(std::tolower(ch)); });
      v.Logarithmic = dependence == "dlogx";
      v.Dependence = v.Logarithmic ? 0 : TextToInt(dependence);
      if (v.Dependence < 0 || v.Dependence >= k) v.Dependence = 0;
      v.Factor = TextToExtended(SGV->Cells(VarColFactor, k));
      v.Begin = TextToExtended(SGV->Cells(VarColBegin, k));
      v.Step = TextToExtended(SGV->Cells(VarColStep, k));
      v.Limit = TextToExtended(SGV->Cells(VarColLimit, k));
    }
    Variables[size_t(k)] = v;
  }
  return VariableCount;
}

std::string TCalcVarDlg::CheckVariationGrid() const {
  for (int k = 1; k <= VariableCount; ++k) {
    const VariationRecord& v = Variables[size_t(k)];
    if (!v.AllocationValid)
      return VariableText(k) + "the allocation \"" + SGV->Cells(VarColAllocation, k) +
             "\" names no target (it must have 14 characters)";
    if (!IsMaster(v)) continue;
    if (v.Logarithmic && !LogarithmicCounts(v))
      return VariableText(k) + "a logarithmic variation (dlogx) needs Begin, Step and Limit above 0 and a Step other than 1";
    if (!v.Logarithmic && v.Step * (v.Limit - v.Begin) < 0)
      return VariableText(k) + "the Step leads away from the Limit";
    if (MasterStepCount(v) > MaxVariationSteps)
      return VariableText(k) + "more than " + std::to_string(MaxVariationSteps) + " steps";
  }
  const int fields = RcrdDefDlg ? RcrdDefDlg->RecordFieldCount() : 0;
  const std::vector<int> missing = VariablesMissingFromRecords();
  if (!missing.empty() && fields + int(missing.size()) > MaxVariationRecordFields)
    return VariableText(missing.front()) + "the record definition holds " + std::to_string(fields) +
           " fields; at most " + std::to_string(MaxVariationRecordFields) + " can be recorded";
  return {};
}

std::vector<int> TCalcVarDlg::VariablesMissingFromRecords() const {
  std::vector<int> missing;
  if (!RcrdDefDlg) return missing;
  const TRcrdDefDlg& d = *RcrdDefDlg;
  const auto recorded = [&](const std::string& code) { return d.FindRecordAddress(code) > 0; };
  for (int k = 1; k <= VariableCount; ++k) {
    const std::string code = Trim(SGV->Cells(VarColAllocation, k));
    bool present = recorded(code) || code == kPressureCode;
    if (code == kTemperatureCode && recorded(kPressureCode)) present = true;
    // A code named twice is added once.
    for (int j = 1; j < k && !present; ++j)
      if (Trim(SGV->Cells(VarColAllocation, j)) == code) present = true;
    if (!present) missing.push_back(k);
  }
  return missing;
}

void TCalcVarDlg::AddVariablesToRecordDefinition() {
  VariablesAdded = false;
  if (!RcrdDefDlg) return;
  StringGrid& fields = *RcrdDefDlg->SGR;
  StringGrid* table = TablOprtWnd ? TablOprtWnd->SGT : nullptr;
  for (int k : VariablesMissingFromRecords()) {
    const int n = RcrdDefDlg->RecordFieldCount();
    if (n >= MaxVariationRecordFields) break;  // Start has refused such a definition
    fields.SetRowCount(n + 2);
    fields.SetCells(RecFieldId, n + 1, std::to_string(n + 1));
    fields.SetCells(RecFieldName, n + 1, SGV->Cells(VarColName, k));
    fields.SetCells(RecFieldAddress, n + 1, Trim(SGV->Cells(VarColAllocation, k)));
    VariablesAdded = true;
    if (table) table->SetColCount(fields.RowCount());
  }
  if (!table) return;
  table->SetColCount(fields.RowCount());
  if (Trim(table->Cells(0, 0)).empty()) table->SetCells(0, 0, "C");
  for (int j = 1; j < fields.RowCount() && j < table->ColCount(); ++j)
    table->SetCells(j, 0, fields.Cells(RecFieldName, j));
}

void TCalcVarDlg::LoadVariationSection() {
  ClearVariationGrid();
  SettingsReader& store = SettingsStore();
  if (store.FindSectionRange(kSection).first >= 0) {
    LoadGridFromSection(*SGV, kSection);
    SGV->SetColCount(VariationColumnCount);
    if (SGV->RowCount() < 2) SGV->SetRowCount(2);
    SetVariationHeaders();
    return;
  }
  if (store.FindSectionRange(kOldSection).first < 0) return;
  store.SelectSection(kOldSection);
  // The count says how many variables follow; a damaged count reads no more than the grid
  // takes and the keys that are there.
  const int rows = std::clamp(TextToInt(store.GetKeyValue("RC")), 0, MaxVariationVariables);
  for (int n = 1; n <= rows; ++n) {
    const std::string value = store.GetKeyValue("R0" + std::to_string(n));
    if (value.empty()) break;
    if (SGV->RowCount() < n + 1) SGV->SetRowCount(n + 1);
    const int s = TagValueInt("S:", value);
    const int r = TagValueInt("R:", value);
    const int c = TagValueInt("C:", value);
    SGV->SetCells(VarColId, n, std::to_string(n));
    SGV->SetCells(VarColName, n, TagValueText("V:", value));
    SGV->SetCells(VarColBegin, n, FloatToShortText(TagValueFloat("X1:", value)));
    SGV->SetCells(VarColStep, n, FloatToShortText(TagValueFloat("dX:", value)));
    SGV->SetCells(VarColLimit, n, FloatToShortText(TagValueFloat("X2:", value)));
    SGV->SetCells(VarColDependence, n, std::to_string(TagValueInt("D:", value)));
    SGV->SetCells(VarColFactor, n, FloatToShortText(TagValueFloat("F:", value)));
    SGV->SetCells(VarColAllocation, n,
                  s > 0 ? "0x 01 " + HexPair(s) + " " + HexPair(c) + " " + HexPair(r)
                        : "0x 00 00 " + HexPair(c) + " " + HexPair(r));
  }
}

void TCalcVarDlg::SaveVariationSection(std::vector<std::string>& lines) const {
  lines.push_back(std::string("[") + kSection + "]");
  AppendGridRows(lines, *SGV);
}

// ---------------------------------------------------------------------------------------------
// The run

void TCalcVarDlg::ApplyVariable(int k) {
  if (k < 1 || k > VariableCount || !EqlMainWnd) return;
  const VariationRecord& v = Variables[size_t(k)];
  if (!v.AllocationValid) return;
  const std::string text = FloatToShortText(Values[size_t(k)]);
  if (v.Slot == 0) {
    if (v.Row == 0) EqlMainWnd->EditTsys->SetText(text);
    else if (v.Row == 1) EqlMainWnd->EditPVsys->SetText(text);
    return;
  }
  if (!ValidPhaseSlot(v.Slot) || !PhaseSlotTable[v.Slot].Exists) return;
  StringGrid* g = PhaseSlotTable[v.Slot].Grid;
  if (g && v.Row > 0 && v.Row < g->RowCount() && v.Column > 0 && v.Column < g->ColCount())
    g->SetCells(v.Column, v.Row, text);
}

void TCalcVarDlg::RunVariation() {
  if (!EqlMainWnd || VariableCount < 1) return;
  TEqlMainWnd& m = *EqlMainWnd;
  const std::vector<VariationRecord> vars(Variables.begin() + 1, Variables.begin() + 1 + VariableCount);
  const int steps = VariationStepCount(vars);
  m.StBar->SetPanelText(1, std::to_string(steps));
  for (int i = 1; i <= steps; ++i) {
    const std::vector<Extended> values = VariationValues(vars, i);
    for (int k = 1; k <= VariableCount; ++k) {
      Values[size_t(k)] = values[size_t(k - 1)];
      ApplyVariable(k);
    }
    m.RunCalculation(i == 1);
    if (!m.ResultsValidFlag || m.BreakRequested) return;
    m.StBar->SetPanelText(0, std::to_string(i));
    // The window shows the step; a press of "Calculation" between two steps ends the run.
    ProcessMessages();
    if (m.BreakRequested) return;
  }
}

void CalculationByVariationCommand() {
  if (!CalcVarDlg || !EqlMainWnd || RefuseDuringCalculation("\"Calculation by Variation\"")) return;
  TCalcVarDlg& d = *CalcVarDlg;
  TEqlMainWnd& m = *EqlMainWnd;
  d.PrepareVariationDialog();
  d.StartFlag = false;
  d.ShowModal();
  if (!d.StartFlag || d.VariableCount < 1) return;
  d.AddVariablesToRecordDefinition();
  if (d.VariablesAdded && RcrdDefDlg) {
    RcrdDefDlg->DecodeRecordAddresses();
    m.SystemChangedFlag = true;
    if (EqlChartHooks.FillFieldCombos) EqlChartHooks.FillFieldCombos();
  }
  // Variable 1 becomes the chart's X before the first point is drawn.
  if (d.CbxXax->Checked() && RcrdDefDlg && EqlChartHooks.SetXColumn) {
    const int column = RcrdDefDlg->FindRecordAddress(d.SGV->Cells(VarColAllocation, 1));
    const int x = EqlMainHooks.ChartXColumn ? EqlMainHooks.ChartXColumn() : 0;
    if (column > 0 && column != x) EqlChartHooks.SetXColumn(column);
  }
  {
    TEqlMainWnd::RunScope run(m);
    d.RunVariation();
  }
  m.SortRecordsByChartX();
}

}  // namespace quorel
