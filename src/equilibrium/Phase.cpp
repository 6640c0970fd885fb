#include "equilibrium/Phase.h"

#include <algorithm>
#include <cstdlib>

#include "equilibrium/Compounds.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace quorel {

using namespace platform;

PhaseSlotData PhaseSlotTable;
int ActivePhaseSlot = 1;
bool PhasesChangedFlag = false;
CalculationRun CalculationRunState = CalculationRun::Idle;
PhaseHost* PhaseWindowHost = nullptr;
std::function<void()> CheckRecordAddressesHook;
std::function<void(StringGrid&, StringGrid&)> CopyPhaseCompoundsHook;
std::function<int(const std::string&, const std::string&, const std::vector<std::string>&)> PickListHook;
bool PhaseGridFontSet = false;
FontInfo PhaseGridFont;

namespace {

const PhaseSlotConstants kSlots[PhaseSlotCount + 1] = {
    {"", "", "", 'u', ""},
    {"Gas.1", "GasWnd1", "Gas1", 'g', "Gas"},
    {"Gas.2", "GasWnd2", "Gas2", 'g', "Gas"},
    {"Liq.1", "LiqWnd1", "Liquid1", 'l', "Liquid"},
    {"Liq.2", "LiqWnd2", "Liquid2", 'l', "Liquid"},
    {"Liq.3", "LiqWnd3", "Liquid3", 'l', "Liquid"},
    {"Sol.1", "SolWnd1", "Solid1", 's', "Solid"},
    {"Sol.2", "SolWnd2", "Solid2", 's', "Solid"},
    {"Sol.3", "SolWnd3", "Solid3", 's', "Solid"},
};

const char* const kInItems[8] = {"Default [mol]", "[g]", "[kg]", "[lb]", "[l]", "[m\xB3]", "[ft\xB3]", "[Nm\xB3]"};
const char* const kOutItems[8] = {"Default: [mol]", "[g]", "[kg]", "[lb]", "[l]", "[m\xB3]", "[ft\xB3]", "[Nm\xB3]"};
const char* const kConcItems[3] = {"x [mol/mol]", "w [kg/kg]", "w% [kg/kg]"};

std::string WithoutAmpersand(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}

void CheckRecordAddresses() {
  if (CheckRecordAddressesHook) CheckRecordAddressesHook();
}

bool HoldsSubstance(const std::string& cell) {
  const std::string key = Trim(cell);
  return !key.empty() && key != "0";
}

// A phase's contents changed: the grid no longer matches the results, and the system differs
// from its file.
void MarkPhaseEdited() {
  PhasesChangedFlag = true;
  if (PhaseWindowHost) PhaseWindowHost->SystemChanged();
}

void MarkSystemChanged() {
  if (PhaseWindowHost) PhaseWindowHost->SystemChanged();
}

GridToolkit& Toolkit() {
  static GridToolkit toolkit;
  return toolkit;
}

}  // namespace

const PhaseSlotConstants& SlotConstants(int slot) { return kSlots[ValidPhaseSlot(slot) ? slot : 0]; }

std::string SlotPhaseTag(int slot) { return std::string("(") + SlotConstants(slot).Letter + ")"; }

std::string PhaseSettingsSection(int slot) {
  return std::string(SlotConstants(slot).KindWord) + std::to_string(slot);
}

bool GridHoldsSubstance(const StringGrid& grid) {
  for (int r = 1; r < grid.RowCount(); ++r)
    if (HoldsSubstance(grid.Cells(ColKey, r))) return true;
  return false;
}

bool RefuseDuringCalculation(std::string_view command) {
  if (!CalculationUnderWay()) return false;
  PostLogMessage(LevelImportant, CommandRefusedId,
                 std::string(command) + ": not possible while a calculation runs (press \"Cancel\" to break it)");
  return true;
}

// ---------------------------------------------------------------------------------------------

TPhaseWnd::TPhaseWnd(Component* owner) : Form(owner, "GasWnd1") {
  SetCaption("Gas1");
  SetFormStyle(FormStyle::MDIChild);
  SetBounds(0, 0, 640, 260);

  ToolBar1 = Make<ToolBar>(this, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  auto tool = [this](const char* name, const char* caption, const char* hint) {
    return MakeToolButton(ToolBar1, name, caption, hint);
  };
  ToolBtnCompounds = tool("ToolBtnCompounds", "Comp.", "Select Compunds of the Phase");
  ToolBtnInDim = tool("ToolBtnInDim", "In [dim]", "Select Input Dimensions , Default [mol]");
  ToolBtnOutDim = tool("ToolBtnOutDim", "Out[dim]", "Select Output Dimensions , Default [mol]");
  ToolBtnCDim = tool("ToolBtnCDim", "Conc.[dim]", "Select Conc. Dimensions , Default [mol/mol]");
  ToolBtnIO = tool("ToolBtnIO", "In <- Out", "Input to Output");
  ToolBtnEmpty = tool("ToolBtnEmpty", "Empty In", "Empty Input");
  Panel1 = Make<Panel>(ToolBar1, "Panel1");
  Panel1->SetBounds(0, 0, 90, 24);
  LabelRel = Make<Label>(Panel1, "LabelRel");
  LabelRel->SetCaption("Rel.:");
  LabelRel->SetBounds(2, 4, 40, 16);
  EditRel = Make<Edit>(Panel1, "EditRel");
  EditRel->SetText("1");
  EditRel->SetBounds(44, 1, 44, 22);
  ToolButtonRel = tool("ToolButtonRel", "Set", "Set all values in the column of  \"Rel.\"");
  ToolButtonRel->SetTag(ColRel);
  ToolBtnSgeEdit = tool("ToolBtnSgeEdit", "Edit", "Edit Table Manually");
  ToolBtnSgeEdit->SetStyle(ToolButtonStyle::Check);
  ToolBtnAddRow = tool("ToolBtnAddRow", "Add", "Add Row for new Substance");
  ToolBtnAddRow->SetEnabled(false);
  ToolBtnDelRow = tool("ToolBtnDelRow", "Del", "Delete Substance");
  ToolBtnDelRow->SetEnabled(false);
  LabelPh = Make<Label>(ToolBar1, "LabelPh");
  LabelPh->SetCaption("(u)");

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(20);
  for (int i = 0; i < 6; ++i) StBar->AddPanel(80);

  SGPhase = Make<StringGrid>(this, "SGPhase");
  SGPhase->SetAlign(Align::Client);
  SGPhase->SetColCount(PhaseGridColumns);
  SGPhase->SetRowCount(2);
  SGPhase->SetFixedRows(1);
  SGPhase->SetFixedCols(0);
  SGPhase->SetOptions(goDefaultOptions | goEditing | goColSizing | goThumbTracking);
  SGPhase->SetDefaultColWidth(88);
  SGPhase->SetColWidths(0, 110);

  // Dimension and concentration menus.
  PopupMenuDimIn = Make<PopupMenu>(this, "PopupMenuDimIn");
  PopupMenuDimOut = Make<PopupMenu>(this, "PopupMenuDimOut");
  PopupConc = Make<PopupMenu>(this, "PopupConc");
  for (int i = 0; i < 8; ++i) {
    MnuDimIn[i] = PopupMenuDimIn->Add("MnuDimIn" + std::to_string(i), kInItems[i]);
    MnuDimIn[i]->SetTag(i);
    MnuDimIn[i]->SetRadioItem(true);
    MnuDimIn[i]->OnClick = [this, i](Component*) { DimInClick(i); };
    MnuDimOut[i] = PopupMenuDimOut->Add("MnuDimOut" + std::to_string(i), kOutItems[i]);
    MnuDimOut[i]->SetTag(i);
    MnuDimOut[i]->SetRadioItem(true);
    MnuDimOut[i]->OnClick = [this, i](Component*) { DimOutClick(i); };
  }
  for (int i = 0; i < 3; ++i) {
    MnuConc[i] = PopupConc->Add("MnuConc" + std::to_string(i), kConcItems[i]);
    MnuConc[i]->SetTag(i);
    MnuConc[i]->SetRadioItem(true);
    MnuConc[i]->OnClick = [this, i](Component*) { ConcClick(i); };
  }
  MnuDimIn[0]->SetChecked(true);
  MnuDimOut[0]->SetChecked(true);
  MnuConc[0]->SetChecked(true);
  ToolBtnInDim->SetStyle(ToolButtonStyle::DropDown);
  ToolBtnInDim->SetDropdownMenu(PopupMenuDimIn);
  ToolBtnOutDim->SetStyle(ToolButtonStyle::DropDown);
  ToolBtnOutDim->SetDropdownMenu(PopupMenuDimOut);
  ToolBtnCDim->SetStyle(ToolButtonStyle::DropDown);
  ToolBtnCDim->SetDropdownMenu(PopupConc);

  // The grid's pop-up menu.
  PMPhase = Make<PopupMenu>(this, "PMPhase");
  PopToRecord = PMPhase->Add("PopToRecord", "to Record");
  PopSortBy = PMPhase->Add("PopSortBy", "Sort by");
  const struct { int col; const char* caption; } sorts[] = {
      {0, "Substance"}, {1, "&In"}, {2, "&Out"}, {3, "&X"}, {4, "&Activity"}, {5, "a.c/f.c"},
      {6, "Rel."}, {7, "Info"}, {8, "T(in)"}, {9, "Comment"}};
  for (const auto& s : sorts) {
    PopSort[s.col] = PopSortBy->Add("PopSort" + std::to_string(s.col), s.caption);
    PopSort[s.col]->SetTag(s.col);
    const int col = s.col;
    PopSort[s.col]->OnClick = [this, col](Component*) { SortClick(col); };
  }
  PopSetLast = PMPhase->Add("PopSetLast", "Set in last column ->");
  const struct { int p; const char* caption; } props[] = {
      {1, "MW [g/mol]"}, {2, "Cp [J/mol K]"}, {3, "H [kJ/mol] "}, {4, "S [J/mol K]"}, {5, "G [kJ/mol]"},
      {17, "Mol. def."}, {18, "Descr."}, {19, "Reference"}, {21, "Comment in database"}};
  for (const auto& p : props) {
    auto* item = PopSetLast->Add("PopSetLast" + std::to_string(p.p), p.caption);
    item->SetTag(p.p);
    const int property = p.p;
    item->OnClick = [this, property](Component*) { SetLastColumnClick(property); };
  }
  PopAllPhases = PopSetLast->Add("PopAllPhases", "All Phases");
  PopAllPhases->OnClick = [this](Component*) { AllPhasesClick(); };
  PopColsRow = PMPhase->Add("PopColsRow", "Columns and Row");
  PopFixCol = PopColsRow->Add("PopFixCol", "Fix. Col.");
  PopFixCol->SetShortCut(ShortCut('F', ssCtrl));
  PopRowMoving = PopColsRow->Add("PopRowMoving", "Enable Row Moving");
  PopRowMoving->SetEnabled(false);
  PopSelectAll = PMPhase->Add("PopSelectAll", "&Select all");
  PopCopy = PMPhase->Add("PopCopy", "&Copy");
  PopPaste = PMPhase->Add("PopPaste", "&Paste");
  PopRemove = PMPhase->Add("PopRemove", "Remove");
  PopCut = PMPhase->Add("PopCut", "&Cut");
  PopClear = PMPhase->Add("PopClear", "Clear");
  PopColor = PMPhase->Add("PopColor", "Color");
  PopFont = PMPhase->Add("PopFont", "Font");
  PopToExcel = PMPhase->Add("PopToExcel", "&To Excel");
  SGPhase->SetPopupMenu(PMPhase);

  PopupMenuDefData1 = Make<PopupMenu>(this, "PopupMenuDefData1");
  const struct { int col; const char* caption; } setItems[] = {
      {1, "Input"}, {6, "Rel."}, {5, "a.c. /f.c."}, {7, "Inf."}, {8, "Temp. (in)"}, {9, "Comment"}};
  for (const auto& s : setItems) {
    auto* item = PopupMenuDefData1->Add("MnuSet" + std::to_string(s.col), s.caption);
    item->SetTag(s.col);
    const int col = s.col;
    const std::string caption = s.caption;
    item->OnClick = [this, col, caption](Component*) { SetColumnItemClick(col, caption); };
  }
  MnuSetUndo = PopupMenuDefData1->Add("MnuSetUndo", "Undo");
  MnuSetUndo->SetEnabled(false);
  MnuSetUndo->OnClick = [this](Component*) { UndoClick(); };
  PopupMenuDefData1->OnPopup = [this](Component*) {
    MnuSetUndo->SetEnabled(int(UndoList.size()) == SGPhase->RowCount());
  };
  ToolButtonRel->SetStyle(ToolButtonStyle::DropDown);
  ToolButtonRel->SetDropdownMenu(PopupMenuDefData1);

  PMnuCopyTo = Make<PopupMenu>(this, "PMnuCopyTo");
  MnuSelectCompounds = PMnuCopyTo->Add("MnuSelectCompounds", "Select compounds from Database");
  MnuSelectCompounds->OnClick = [](Component*) {
    if (PhaseWindowHost) PhaseWindowHost->CompoundsCommand();
  };
  for (int k = 1; k <= PhaseSlotCount; ++k) {
    const char* caption = IsGasSlot(k) ? "Copy to gas" : (k <= 5 ? "Copy to liq" : "Copy to sol");
    MnuCopyTo[k] = PMnuCopyTo->Add("MnuCopyTo" + std::to_string(k), caption);
    MnuCopyTo[k]->SetTag(k);
    MnuCopyTo[k]->SetVisible(false);
    MnuCopyTo[k]->OnClick = [this, k](Component*) { CopyToClick(k); };
  }
  MnuImport = PMnuCopyTo->Add("MnuImport", " Import compounds data from file ");
  const char* modes[3] = {"Replace phase", "Add to only existing substances",
                          "Import all and add to existing substances"};
  for (int m = 0; m < 3; ++m) {
    MnuImportMode[m] = MnuImport->Add("MnuImportMode" + std::to_string(m), modes[m]);
    MnuImportMode[m]->SetTag(m);
    MnuImportMode[m]->OnClick = [this, m](Component*) { ImportClick(m); };
  }
  MnuImportClipboard = MnuImport->Add("MnuImportClipboard", "Clipboard");
  MnuImportClipboard->OnClick = [this](Component*) { InsertFromClipboard(); };
  PMnuCopyTo->OnPopup = [this](Component*) { CopyToPopup(); };
  ToolBtnCompounds->SetStyle(ToolButtonStyle::DropDown);
  ToolBtnCompounds->SetDropdownMenu(PMnuCopyTo);

  OpenDialog1 = Make<OpenDialog>(this, "OpenDialog1");
  FontDialog1 = Make<FontDialog>(this, "FontDialog1");
  ColorDialog1 = Make<ColorDialog>(this, "ColorDialog1");

  // Events.
  ToolBtnCompounds->OnClick = [](Component*) {
    if (PhaseWindowHost) PhaseWindowHost->CompoundsCommand();
  };
  ToolBtnInDim->OnClick = [this](Component*) { ToolBtnInDimClick(); };
  ToolBtnOutDim->OnClick = [this](Component*) { ToolBtnOutDimClick(); };
  ToolBtnCDim->OnClick = [this](Component*) { ToolBtnCDimClick(); };
  ToolBtnIO->OnClick = [this](Component*) { ToolBtnIOClick(); };
  ToolBtnEmpty->OnClick = [this](Component*) { ToolBtnEmptyClick(); };
  ToolButtonRel->OnClick = [this](Component*) { ToolButtonRelClick(); };
  ToolBtnSgeEdit->OnClick = [this](Component*) { EditManualClick(); };
  ToolBtnAddRow->OnClick = [this](Component*) { AddRowClick(); };
  ToolBtnDelRow->OnClick = [this](Component*) { RemoveClick(); };
  EditRel->OnKeyDown = [this](Component*, int& key, ShiftState shift) { EditRelKeyDown(key, shift); };
  PopToRecord->OnClick = [this](Component*) { ToRecordClick(); };
  PopSortBy->OnClick = [this](Component*) { SortPopup(); };
  PMPhase->OnPopup = [this](Component*) {
    ActivePhaseSlot = Slot();
    SortPopup();
  };
  PopFixCol->OnClick = [this](Component*) { FixColClick(); };
  PopRowMoving->OnClick = [this](Component*) { RowMovingClick(); };
  PopSelectAll->OnClick = [this](Component*) { SelectAllClick(); };
  PopCopy->OnClick = [this](Component*) { CopyClick(); };
  PopPaste->OnClick = [this](Component*) { PasteClick(); };
  PopRemove->OnClick = [this](Component*) { RemoveClick(); };
  PopCut->OnClick = [this](Component*) { CutClick(); };
  PopClear->OnClick = [this](Component*) { ClearClick(); };
  PopColor->OnClick = [this](Component*) { ColorClick(); };
  PopFont->OnClick = [this](Component*) { FontClick(); };
  PopToExcel->OnClick = [this](Component*) { ToExcelClick(); };
  SGPhase->OnSelectCell = [this](Component*, int c, int r, bool& can) { SelectCell(c, r, can); };
  SGPhase->OnSetEditText = [this](Component*, int c, int r, const std::string& t) { GridSetEditText(c, r, t); };
  SGPhase->OnMouseDown = [this](Component*, MouseButton b, ShiftState s, int x, int y) { GridMouseDown(b, s, x, y); };
  SGPhase->OnKeyDown = [this](Component*, int& key, ShiftState shift) {
    if ((shift & ssAlt) != 0) {
      Toolkit().GridKeyDown(*SGPhase, key, shift);
      return;
    }
    if (key == Key::Enter && LastEditCol == ColKey && !Trim(LastEditText).empty()) CheckRecordAddresses();
  };
  SGPhase->OnRowMoved = [](Component*, int, int) { CheckRecordAddresses(); };
  OnActivate = [this](Component*) { ActivePhaseSlot = Slot(); };
  OnResize = [this](Component*) { FormResize(); };
  OnCloseQuery = [this](Component*, bool& canClose) { FormCloseQuery(canClose); };
  OnClose = [this](Component*, CloseAction& action) { FormClose(action); };
  OnCreate = [this](Component*) { FormCreate(); };
  DoCreate();
}

TPhaseWnd::~TPhaseWnd() {
  DoDestroy();
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (PhaseSlotTable[s].Window == this) {
      PhaseSlotTable[s].Window = nullptr;
      PhaseSlotTable[s].Grid = nullptr;
      PhaseSlotTable[s].Exists = false;
    }
  }
}

void TPhaseWnd::FormCreate() {
  SGPhase->SetCurrent(1, 1);
  EditManually = false;
  if (!PhaseGridFontSet) {
    PhaseGridFont = Font();
    PhaseGridFontSet = true;
  }
}

void InitPhaseSlotWindow(TPhaseWnd& w, int slot) {
  w.SetTag(slot);
  w.SGPhase->SetTag(slot);
  w.PMnuCopyTo->SetTag(slot);
  w.ToolBar1->SetTag(slot);
  w.EditRel->SetTag(slot);
  w.PopFixCol->SetTag(slot);
  w.PopRowMoving->SetTag(slot);
  PhaseSlotTable[slot].Grid = w.SGPhase;
  PhaseSlotTable[slot].Window = &w;
  const bool gas = IsGasSlot(slot);
  for (int code = DimLitre; code <= DimNormalCubicMetre; ++code) {
    w.MnuDimIn[code]->SetVisible(gas);
    w.MnuDimOut[code]->SetVisible(gas);
  }
  StringGrid& g = *w.SGPhase;
  g.SetRowCount(2);
  g.SetCells(ColIn, 0, "in");
  g.SetCells(ColOut, 0, "out");
  g.SetCells(ColConc, 0, "x");
  g.SetCells(ColActivity, 0, gas ? "f" : "a");
  g.SetCells(ColCoefficient, 0, gas ? "f.c." : "a.c.");
  g.SetCells(ColRel, 0, "Rel.");
  g.SetCells(ColInfo, 0, "Inf.");
  g.SetCells(ColTin, 0, "T(in)");
  g.SetCells(ColComment, 0, "Comment");
  g.SetDefaultRowHeight(std::abs(g.Font().PixelHeight()) + 6);
  g.SetColWidths(0, 110);
  w.UndoList.clear();
}

void SetPhaseGridHeaders(int slot) {
  StringGrid* g = PhaseSlotTable[slot].Grid;
  if (!g || !ValidPhaseSlot(slot)) return;
  const bool gas = IsGasSlot(slot);
  const int in = PhaseDimensionTable.InDimension[slot];
  const int out = PhaseDimensionTable.OutDimension[slot];
  g->SetCells(ColIn, 0, in > 0 ? "in " + DimensionName(in) : std::string("in"));
  g->SetCells(ColOut, 0, out > 0 ? "out " + DimensionName(out) : std::string("out"));
  g->SetCells(ColConc, 0, ConcentrationHeader(PhaseDimensionTable.Concentration[slot]));
  g->SetCells(ColActivity, 0, gas ? "f" : "a");
  g->SetCells(ColCoefficient, 0, gas ? "f.c." : "a.c.");
  g->SetCells(ColRel, 0, "Rel.");
  g->SetCells(ColInfo, 0, "Inf.");
  g->SetCells(ColTin, 0, "T(in)");
  g->SetCells(ColComment, 0, "Comment");
  if (TPhaseWnd* w = PhaseSlotTable[slot].Window)
    for (int i = 0; i < AmountDimensionCount; ++i) {
      w->MnuDimIn[i]->SetChecked(i == in);
      w->MnuDimOut[i]->SetChecked(i == out);
      if (i < ConcentrationKindCount) w->MnuConc[i]->SetChecked(i == PhaseDimensionTable.Concentration[slot]);
    }
}

void TPhaseWnd::FormResize() {
  const int w = Width() >= 500 ? Width() - 40 : 500;
  // The row count, then the sums whole ("S(out [kg])=1.2345678E-05"), then the dataset's texts.
  StBar->SetPanelWidth(0, 48);
  const int sum = std::max(w / 8, std::min(170, (w - 48) / 4));
  for (int i = 1; i < 4; ++i) StBar->SetPanelWidth(i, sum);
  StBar->SetPanelWidth(4, std::max((w / 8) * 2, (w - 48 - 3 * sum) / 2));
}

void ApplyToolbarLook(TPhaseWnd& w) { w.ApplyToolbarLook(); }

void TPhaseWnd::ApplyToolbarLook() {
  const bool shown = PhaseWindowHost ? PhaseWindowHost->ToolBarsShown() : true;
  const bool captions = PhaseWindowHost ? PhaseWindowHost->ButtonCaptionsShown() : false;
  ToolBar1->SetVisible(shown);
  ToolBar1->SetShowCaptions(captions);
  if (captions) {
    EditRel->SetTop(8);
    ToolBar1->SetButtonSize(64, 36);
  } else {
    EditRel->SetTop(1);
    ToolBar1->SetButtonSize(32, 24);
  }
  ToolBar1->SetHeight(ToolBar1->ButtonHeight() + 2);
}

void ShowColumnSum(TPhaseWnd& w, int column) { w.ShowColumnSum(column); }

void TPhaseWnd::ShowColumnSum(int column) {
  if (column == 0) {
    StBar->SetPanelText(0, std::to_string(SGPhase->RowCount() - 1));
    return;
  }
  if (column < 1 || column > 4) return;
  long double sum = 0;
  for (int r = 1; r < SGPhase->RowCount(); ++r) sum += TextToExtended(SGPhase->Cells(column, r));
  ShowColumnSum(column, sum);
}

void TPhaseWnd::ShowColumnSum(int column, long double sum) {
  if (column < 1 || column > 4) return;
  StBar->SetPanelText(column, "S(" + SGPhase->Cells(column, 0) + ")=" + FloatToShortText(sum));
}

void TPhaseWnd::RefreshSums(std::initializer_list<int> columns) {
  for (int c : columns) ShowColumnSum(c);
}

void TPhaseWnd::ClearResults() {
  StringGrid& g = *SGPhase;
  for (int r = 1; r < g.RowCount(); ++r) {
    for (int c : {ColOut, ColConc, ColActivity}) g.SetCells(c, r, "");
    // The write-back puts the solver's state (1, 0 or -1) before the row's own note.
    std::string info = g.Cells(ColInfo, r);
    if (info.starts_with("-1")) info.erase(0, 2);
    else if (info.starts_with("0") || info.starts_with("1")) info.erase(0, 1);
    g.SetCells(ColInfo, r, info);
  }
  for (int panel : {ColOut, ColConc}) StBar->SetPanelText(panel, "");
}

// --- dimensions -----------------------------------------------------------------------------

bool TPhaseWnd::DimensionHidden(int code) const {
  return code >= DimLitre && !IsGasSlot(Slot());
}

void TPhaseWnd::SetDimensionHeader(int column) {
  const int s = Slot();
  if (column == ColIn) {
    const int code = PhaseDimensionTable.InDimension[s];
    SGPhase->SetCells(ColIn, 0, code == 0 ? std::string("in") : "in " + WithoutAmpersand(MnuDimIn[code]->Caption()));
    for (int i = 0; i < 8; ++i) MnuDimIn[i]->SetChecked(i == code);
  } else if (column == ColOut) {
    const int code = PhaseDimensionTable.OutDimension[s];
    SGPhase->SetCells(ColOut, 0, code == 0 ? std::string("out") : "out " + WithoutAmpersand(MnuDimOut[code]->Caption()));
    for (int i = 0; i < 8; ++i) MnuDimOut[i]->SetChecked(i == code);
  } else if (column == ColConc) {
    const int kind = PhaseDimensionTable.Concentration[s];
    SGPhase->SetCells(ColConc, 0, ConcentrationHeader(kind));
    for (int i = 0; i < 3; ++i) MnuConc[i]->SetChecked(i == kind);
  }
}

void TPhaseWnd::RewriteResultsIfValid(bool changed) {
  if (!changed || PhasesChangedFlag || !PhaseWindowHost || !PhaseWindowHost->ResultsValid()) return;
  PhaseWindowHost->WritePhaseResults(*SGPhase);
}

void TPhaseWnd::DimInClick(int code) {
  ActivePhaseSlot = Slot();
  if (code < 0 || code >= AmountDimensionCount || DimensionHidden(code)) return;
  if (PhaseDimensionTable.InDimension[Slot()] != code) MarkSystemChanged();
  PhaseDimensionTable.InDimension[Slot()] = code;
  SetDimensionHeader(ColIn);
}

void TPhaseWnd::DimOutClick(int code) {
  ActivePhaseSlot = Slot();
  if (code < 0 || code >= AmountDimensionCount || DimensionHidden(code)) return;
  const bool changed = PhaseDimensionTable.OutDimension[Slot()] != code;
  PhaseDimensionTable.OutDimension[Slot()] = code;
  SetDimensionHeader(ColOut);
  if (changed) MarkSystemChanged();
  RewriteResultsIfValid(changed);
}

void TPhaseWnd::ConcClick(int kind) {
  ActivePhaseSlot = Slot();
  if (kind < 0 || kind >= ConcentrationKindCount) return;
  const bool changed = PhaseDimensionTable.Concentration[Slot()] != kind;
  PhaseDimensionTable.Concentration[Slot()] = kind;
  SetDimensionHeader(ColConc);
  if (changed) MarkSystemChanged();
  RewriteResultsIfValid(changed);
}

void TPhaseWnd::ToolBtnInDimClick() {
  int code = PhaseDimensionTable.InDimension[Slot()] + 1;
  if (code >= AmountDimensionCount || DimensionHidden(code)) code = 0;
  DimInClick(code);
}

void TPhaseWnd::ToolBtnOutDimClick() {
  int code = PhaseDimensionTable.OutDimension[Slot()] + 1;
  if (code >= AmountDimensionCount || DimensionHidden(code)) code = 0;
  DimOutClick(code);
}

void TPhaseWnd::ToolBtnCDimClick() {
  int kind = PhaseDimensionTable.Concentration[Slot()] + 1;
  if (kind >= ConcentrationKindCount) kind = 0;
  ConcClick(kind);
}

void TPhaseWnd::ToolBtnIOClick() {
  const int s = Slot();
  for (int r = 1; r < SGPhase->RowCount(); ++r) {
    const std::string in = SGPhase->Cells(ColIn, r);
    SGPhase->SetCells(ColIn, r, SGPhase->Cells(ColOut, r));
    SGPhase->SetCells(ColOut, r, in);
  }
  std::swap(PhaseDimensionTable.InDimension[s], PhaseDimensionTable.OutDimension[s]);
  if (PhaseWindowHost) PhaseWindowHost->SetResultsValid(false);
  MarkSystemChanged();
  SGPhase->SetCells(ColIn, 0, "in " + DimensionName(PhaseDimensionTable.InDimension[s]));
  SGPhase->SetCells(ColOut, 0, "out " + DimensionName(PhaseDimensionTable.OutDimension[s]));
  for (int i = 0; i < 8; ++i) {
    MnuDimIn[i]->SetChecked(i == PhaseDimensionTable.InDimension[s]);
    MnuDimOut[i]->SetChecked(i == PhaseDimensionTable.OutDimension[s]);
  }
  RefreshSums({1, 2});
}

void TPhaseWnd::ToolBtnEmptyClick() {
  if (MessageBox("Empty input " + Caption() + " ?", Caption(), mbYesNo | mbIconQuestion) != mrYes) return;
  for (int r = 1; r < SGPhase->RowCount(); ++r) SGPhase->SetCells(ColIn, r, "");
  MarkPhaseEdited();
  RefreshSums({1});
}

// --- "Set" a whole column -------------------------------------------------------------------

void TPhaseWnd::SetColumnItemClick(int column, const std::string& caption) {
  ToolButtonRel->SetTag(column);
  ToolButtonRel->SetImageIndex(column == ColRel ? 6 : 7);
  ToolButtonRel->SetHint("Set all values in the column of \"" + SGPhase->Cells(column, 0) + "\"");
  LabelRel->SetCaption(caption);
}

void TPhaseWnd::ToolButtonRelClick() {
  const int column = ToolButtonRel->Tag() > 0 ? ToolButtonRel->Tag() : ColRel;
  const std::string header = SGPhase->Cells(column, 0);
  if (MessageBox("Set all \"" + header + "\" =" + EditRel->Text(), Caption(), mbYesNo | mbIconQuestion) != mrYes)
    return;
  UndoList.clear();
  UndoList.push_back(std::to_string(column));
  for (int r = 1; r < SGPhase->RowCount(); ++r) {
    UndoList.push_back(SGPhase->Cells(column, r));
    SGPhase->SetCells(column, r, EditRel->Text());
  }
  MnuSetUndo->SetEnabled(true);
  MarkPhaseEdited();
  if (column == ColIn) RefreshSums({1});
}

void TPhaseWnd::UndoClick() {
  if (int(UndoList.size()) != SGPhase->RowCount()) {
    MnuSetUndo->SetEnabled(false);
    return;
  }
  int column = 0;
  if (!TryTextToInt(UndoList[0], column) || column < 1 || column >= SGPhase->ColCount()) return;
  for (int r = 1; r < SGPhase->RowCount(); ++r) {
    std::string old = SGPhase->Cells(column, r);
    SGPhase->SetCells(column, r, UndoList[r]);
    UndoList[r] = std::move(old);
  }
  MarkPhaseEdited();
  if (column == ColIn) RefreshSums({1});
}

void TPhaseWnd::EditRelKeyDown(int& key, ShiftState shift) {
  if (key != 'R' || (shift & ssCtrl) == 0) return;
  key = 0;
  if (RefuseDuringCalculation("Rel.")) return;
  long double v = 0;
  if (!TryTextToFloat(EditRel->Text(), v)) {
    MessageBox("Irregular effectiv relation", "Equilibrium ", mbOk | mbIconError);
    return;
  }
  if (v < 0 || v > 1) {
    MessageBox("Irregular effectiv relation.  0..1", "Equilibrium ", mbOk | mbIconError);
    return;
  }
  StringGrid* g = PhaseSlotTable[EditRel->Tag()].Grid;
  if (!g) g = SGPhase;
  for (int r = 1; r < g->RowCount(); ++r) g->SetCells(ColRel, r, EditRel->Text());
  MarkPhaseEdited();
}

// --- rows -----------------------------------------------------------------------------------

void TPhaseWnd::MarkRowsChanged() {
  MarkPhaseEdited();
  UndoList.clear();
  MnuSetUndo->SetEnabled(false);
}

void TPhaseWnd::RemoveClick() {
  const GridRect sel = SGPhase->Selection();
  const int last = SGPhase->RowCount() - 1;
  const int top = std::clamp(std::min(sel.Top, sel.Bottom), 1, std::max(1, last));
  const int bottom = std::clamp(std::max(sel.Top, sel.Bottom), 1, std::max(1, last));
  const std::string topKey = SGPhase->Cells(ColKey, top);
  const std::string question = top == bottom
      ? "Remove from system  " + topKey + " ?"
      : "Remove from system  " + topKey + "  .. " + SGPhase->Cells(ColKey, bottom) + " ?";
  if (MessageBox(question, "Equilibrium", mbYesNo | mbIconQuestion) != mrYes) return;
  if (SGPhase->RowCount() == 2 && Trim(SGPhase->Cells(ColKey, 1)).empty()) {
    for (int c = 0; c < SGPhase->ColCount(); ++c) SGPhase->SetCells(c, 1, "");
    return;
  }
  for (int r = bottom; r >= top; --r) DeleteGridRow(r, *SGPhase);
  if (PhaseWindowHost) PhaseWindowHost->SetResultsValid(false);
  MarkRowsChanged();
  CheckRecordAddresses();
  RefreshSums({1, 2, 3});
}

void TPhaseWnd::AddRowClick() {
  if (!EditManually) return;
  const int row = std::clamp(SGPhase->Row(), 1, std::max(1, SGPhase->RowCount() - 1));
  InsertGridRow(row, *SGPhase);
  MarkRowsChanged();
}

void TPhaseWnd::EditManualClick() {
  EditManually = ToolBtnSgeEdit->Down();
  ToolBtnAddRow->SetEnabled(EditManually);
  ToolBtnDelRow->SetEnabled(EditManually);
}

// --- clipboard and cells --------------------------------------------------------------------

void TPhaseWnd::CopyClick() {
  const GridRect s = SGPhase->Selection();
  GridToolkit& t = Toolkit();
  t.ResetMemoBuffer();
  t.GridRangeToMemo(s.Left, s.Top, *SGPhase, s.Bottom, s.Right);
  t.CopyMemoToClipboard();
}

void TPhaseWnd::PasteClick() {
  GridToolkit& t = Toolkit();
  if (!t.PasteClipboardText()) return;
  std::string text = Trim(t.MemoLine(0));
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }),
             text.end());
  text = Trim(text);
  int col = SGPhase->Col();
  if (SGPhase->FixedCols() > 0) col = std::max(col, 1);
  const int row = std::max(SGPhase->Row(), 1);
  SGPhase->SetCells(col, row, text);
  MarkPhaseEdited();
}

void TPhaseWnd::InsertFromClipboard() {
  GridToolkit& t = Toolkit();
  if (!t.PasteClipboardText()) return;
  t.MemoToGrid(SGPhase->Col(), std::max(SGPhase->Row(), 1), *SGPhase);
  MarkRowsChanged();
  RefreshSums({1, 2, 3});
}

void TPhaseWnd::CutClick() {
  CopyClick();
  ClearClick();
}

void TPhaseWnd::ClearClick() {
  const GridRect s = SGPhase->Selection();
  const int top = std::max(1, std::min(s.Top, s.Bottom));
  const int left = std::max(1, std::min(s.Left, s.Right));
  for (int r = top; r <= std::max(s.Top, s.Bottom) && r < SGPhase->RowCount(); ++r)
    for (int c = left; c <= std::max(s.Left, s.Right) && c < SGPhase->ColCount(); ++c) SGPhase->SetCells(c, r, "");
  MarkPhaseEdited();
}

void TPhaseWnd::SelectAllClick() {
  SGPhase->SetSelection({0, 0, SGPhase->ColCount() - 1, SGPhase->RowCount() - 1});
}

// --- sort, columns, look --------------------------------------------------------------------

void TPhaseWnd::SortPopup() {
  for (int c = 1; c <= 4; ++c) PopSort[c]->SetCaption(SGPhase->Cells(c, 0));
  PopFixCol->SetChecked(SGPhase->FixedCols() > 0);
}

void TPhaseWnd::SortClick(int column) {
  switch (column) {
    case 1: case 2: case 3: case 4: case 5: case 8: SortGridDataDown(*SGPhase, column); break;
    case 0: case 7: case 9: SortGridByName(*SGPhase, column); break;
    default: return;
  }
  MarkRowsChanged();
  CheckRecordAddresses();
}

void TPhaseWnd::FixColClick() {
  StringGrid* g = PhaseSlotTable[PopFixCol->Tag()].Grid;
  if (!g) g = SGPhase;
  const bool fix = g->FixedCols() == 0;
  const int top = g->TopRow();
  g->SetFixedCols(fix ? 1 : 0);
  g->SetTopRow(top);
  g->SetCol(1);
  PopFixCol->SetChecked(fix);
  PopRowMoving->SetEnabled(fix);
  if (!fix) {
    PopRowMoving->SetChecked(false);
    g->SetOptions(g->Options() & ~goRowMoving);
  }
}

void TPhaseWnd::RowMovingClick() {
  const bool on = !PopRowMoving->Checked();
  PopRowMoving->SetChecked(on);
  SGPhase->SetOptions(on ? (SGPhase->Options() | goRowMoving) : (SGPhase->Options() & ~goRowMoving));
}

void TPhaseWnd::FontClick() {
  FontDialog1->SetDialogFont(SGPhase->Font());
  if (!FontDialog1->Execute()) return;
  SGPhase->SetFont(FontDialog1->DialogFont());
  SGPhase->SetDefaultRowHeight(std::abs(FontDialog1->DialogFont().PixelHeight()) + 4);
}

void TPhaseWnd::ColorClick() {
  ColorDialog1->SetDialogColor(SGPhase->Color());
  if (ColorDialog1->Execute()) SGPhase->SetColor(ColorDialog1->DialogColor());
}

void TPhaseWnd::ToExcelClick() {
  TransferGridsToExcel({ExcelSheetGrid{SGPhase, 1, Caption()}}, 1);
}

void TPhaseWnd::ToRecordClick() {
  if (PhaseWindowHost) PhaseWindowHost->ReportRecordUnable(Slot(), SGPhase->Row());
}

void TPhaseWnd::SetLastColumnClick(int property) {
  if (PhaseWindowHost) PhaseWindowHost->ShowPropertyColumn(PopAllPhases->Checked() ? 0 : Slot(), property);
}

void TPhaseWnd::AllPhasesClick() {
  const bool next = !PopAllPhases->Checked();
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (TPhaseWnd* w = PhaseSlotTable[s].Window) w->PopAllPhases->SetChecked(next);
  PopAllPhases->SetChecked(next);
}

// --- copy to and import ---------------------------------------------------------------------

void TPhaseWnd::CopyToPopup() {
  ActivePhaseSlot = Slot();
  for (int k = 1; k <= PhaseSlotCount; ++k) {
    TPhaseWnd* other = PhaseSlotTable[k].Window;
    const bool visible = other && k != Slot();
    MnuCopyTo[k]->SetVisible(visible);
    if (visible) MnuCopyTo[k]->SetCaption("Add phase compounds also into [" + other->Caption() + "]");
  }
}

void TPhaseWnd::CopyToClick(int target) {
  StringGrid* g = PhaseSlotTable[target].Grid;
  if (!g || target == Slot()) return;
  if (!CopyPhaseCompoundsHook) {
    PostLogMessage(LevelImportant, 1413, "Copy of phase compounds is not available");
    return;
  }
  CopyPhaseCompoundsHook(*SGPhase, *g);
  MarkPhaseEdited();
}

void TPhaseWnd::ImportClick(int mode) {
  OpenDialog1->SetFilter("Thermodynamic System  (*.eql)|*.eql|All Files (*.*)|*.*");
  OpenDialog1->SetInitialDir(PhaseWindowHost ? PhaseWindowHost->SystemFolder() : std::string());
  OpenDialog1->SetTitle("Import from Equilibrium-File");
  if (!OpenDialog1->Execute()) return;
  const std::string file = OpenDialog1->FileName();
  if (!FileExists(file)) {
    const std::string text = file + ": " + "file does not exist";
    MessageBox(text, "Import from Equilibrium-File", mbOk | mbIconInformation);
    PostLogMessage(LevelCritical, 877, text);
    return;
  }
  SettingsReader& store = SettingsStore();
  if (store.OpenSettingsFile(file) != 1) return;
  const int s = Slot();
  std::vector<std::string> sections;
  if (IsGasSlot(s)) sections = {"Gas1", "Gas2"};
  else if (s <= 5) sections = {"Liquid1", "Liquid2", "Liquid3"};
  else sections = {"Solid1", "Solid2", "Solid3"};
  std::vector<std::string> found, labels;
  for (const auto& name : sections) {
    if (store.SelectSection(name) <= 0) continue;
    found.push_back(name);
    const std::string desc = store.GetKeyValue("Desc");
    labels.push_back(desc.empty() ? name : desc);
  }
  if (found.empty()) {
    PostLogMessage(LevelCritical, 1412, "Phase can not imported");
    return;
  }
  std::string chosen = found[0];
  if (found.size() > 1) {
    std::string base = file;
    const size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) base = base.substr(slash + 1);
    int pick = 0;
    if (PickListHook) pick = PickListHook("Import to Phase " + Caption(), "Phase to import from " + base, labels);
    if (pick < 0 || pick >= int(found.size())) return;
    chosen = found[pick];
  }
  store.SelectSection(chosen);
  const std::vector<std::string> lines = store.SectionLines();
  if (!ImportGrid) ImportGrid = std::make_unique<StringGrid>();
  StringGrid& h = *ImportGrid;
  h.SetColCount(PhaseGridColumns);
  h.SetRowCount(std::max(2, int(lines.size()) - 2));
  h.ClearCells();
  GridToolkit& t = Toolkit();
  t.ResetMemoBuffer();
  for (size_t i = 2; i < lines.size(); ++i) {
    std::string line = lines[i];
    while (!line.empty() && line[0] == ' ') line.erase(0, 1);
    t.AddMemoLine(line);
  }
  t.MemoToGrid(0, 0, h);
  if (mode == 0) {
    CopyGrid(h, *SGPhase);
  } else {
    for (int i = 1; i < h.RowCount(); ++i) {
      const std::string key = Trim(h.Cells(ColKey, i));
      if (key.empty()) continue;
      bool matched = false;
      for (int r = 1; r < SGPhase->RowCount(); ++r) {
        if (Trim(SGPhase->Cells(ColKey, r)) != key) continue;
        matched = true;
        SGPhase->SetCells(ColIn, r, FloatToShortText(TextToExtended(SGPhase->Cells(ColIn, r)) + TextToExtended(h.Cells(ColIn, i))));
        SGPhase->SetCells(ColOut, r, FloatToShortText(TextToExtended(SGPhase->Cells(ColOut, r)) + TextToExtended(h.Cells(ColOut, i))));
        SGPhase->SetCells(ColInfo, r, "add.");
      }
      if (!matched && mode == 2) {
        int r = SGPhase->RowCount();
        if (r == 2 && Trim(SGPhase->Cells(ColKey, 1)).empty()) r = 1;
        else SGPhase->SetRowCount(r + 1);
        SGPhase->SetCells(ColKey, r, key);
        SGPhase->SetCells(ColIn, r, h.Cells(ColIn, i));
        SGPhase->SetCells(ColOut, r, h.Cells(ColOut, i));
        SGPhase->SetCells(ColInfo, r, "add. ext.");
      }
    }
  }
  PhaseSlotTable[s].RowCount = SGPhase->RowCount() - 1;
  if (PhaseWindowHost) PhaseWindowHost->SetResultsValid(false);
  MarkRowsChanged();
  CheckRecordAddresses();
  RefreshSums({1, 2, 3});
}

// --- grid events ----------------------------------------------------------------------------

void TPhaseWnd::SelectCell(int col, int row, bool& canSelect) {
  canSelect = EditManually || (col > 0 && row > 0);
  if (!canSelect) return;
  std::string text = "[" + std::to_string(col) + ";" + std::to_string(row) + "]" + SGPhase->Cells(ColKey, row);
  if (col != 0) text += ":" + SGPhase->Cells(col, 0);
  StBar->SetPanelText(0, text);
  if (row > 0) {
    std::string name, phase;
    SplitNamePhase(SGPhase->Cells(ColKey, row), name, phase);
    const int n = FindFirstDataset(name, phase);
    if (n >= 1) {
      StBar->SetPanelText(4, DatasetTable.Text(n, FieldDescription));
      StBar->SetPanelText(5, DatasetTable.Text(n, FieldComment));
    }
  }
}

void TPhaseWnd::GridMouseDown(MouseButton button, ShiftState shift, int x, int y) {
  ActivePhaseSlot = Slot();
  int col = -1, row = -1;
  SGPhase->MouseToCell(x, y, col, row);
  if (row == 0 && col >= 0 && col <= 4) ShowColumnSum(col);
  if (button == MouseButton::Left && (shift & ssCtrl) != 0 && col >= 0 && row >= 0) {
    if (col == 0 && row == 0) {
      SGPhase->SetSelection({0, 0, SGPhase->ColCount() - 1, 0});
    } else {
      GridRect s = SGPhase->Selection();
      s.Left = std::min(s.Left, col);
      s.Right = std::max(s.Right, col);
      s.Top = std::min(s.Top, row);
      s.Bottom = std::max(s.Bottom, row);
      SGPhase->SetSelection(s);
    }
  }
}

void TPhaseWnd::GridSetEditText(int col, int, const std::string& text) {
  LastEditCol = col;
  LastEditText = text;
  // A comment is no input of the calculation, but it is part of the system.
  if (col != ColComment) MarkPhaseEdited();
  else MarkSystemChanged();
  if (col == ColIn || col == ColOut) ShowColumnSum(col);
}

// --- closing --------------------------------------------------------------------------------

void TPhaseWnd::FormCloseQuery(bool& canClose) {
  if (RefuseDuringCalculation("Closing " + Caption())) canClose = false;
}

void TPhaseWnd::FormClose(CloseAction& action) {
  const int s = Slot();
  // Only a window without any substance gives its slot back; a window that holds one (in
  // any row, whatever the order of the rows) is only minimised.
  if (ValidPhaseSlot(s) && PhaseSlotTable[s].Window == this && !GridHoldsSubstance(*SGPhase)) {
    action = CloseAction::Hide;
    if (PhaseWindowHost) PhaseWindowHost->ClosePhaseWindow(s);
    return;
  }
  action = CloseAction::Minimize;
}

// --- settings -------------------------------------------------------------------------------

void SavePhaseWindowSettings(TPhaseWnd& w, int slot) {
  SettingsReader& store = SettingsStore();
  const std::string section = PhaseSettingsSection(slot);
  store.SelectSection(section);
  store.WriteFontSettings(w.SGPhase->Font(), section);
  store.SelectSection(section);
  store.SetKeyValue("Color", std::to_string(w.SGPhase->Color()));
  store.WriteSection(section);
}

void LoadPhaseWindowSettings(TPhaseWnd& w, int slot) {
  SettingsReader& store = SettingsStore();
  if (store.OpenSettingsFile(store.UserSettingsFile) != 1) return;
  const std::string section = PhaseSettingsSection(slot);
  if (PhaseGridFontSet) {
    w.SGPhase->SetFont(PhaseGridFont);
    w.SGPhase->SetDefaultRowHeight(std::abs(PhaseGridFont.PixelHeight()) + 6);
  } else {
    FontInfo font = w.SGPhase->Font();
    store.ReadFontSettings(font, section);
    PhaseGridFont = font;
    PhaseGridFontSet = true;
    w.SGPhase->SetFont(font);
  }
  store.ReadGridLayout(w.SGPhase, section);
  store.SelectSection(section);
  const std::string value = store.GetKeyValue("Color");
  if (!value.empty()) {
    long long c = std::atoll(value.c_str());
    if (c >= 0) w.SGPhase->SetColor(TColor(c));
  }
}

}  // namespace quorel
