#include "equilibrium/Compounds.h"

#include <algorithm>
#include <charconv>

#include "equilibrium/Phase.h"
#include "platform/Services.h"
#include "shared/AplMsg.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace quorel {

using namespace platform;

PhaseDimensionData PhaseDimensionTable;
TCompoundsDlg* CompoundsDlg = nullptr;

namespace {
const std::array<std::string, AmountDimensionCount> kDimensionNames = {
    "[mol]", "[g]", "[kg]", "[lb]", "[l]", "[m\xB3]", "[ft\xB3]", "[Nm\xB3]"};
const std::string kNone;

constexpr double kCelsius = 273.15;
const char* const kColumnCaptions[TCompoundsDlg::kColumns] = {"Substance", "Desc.", "Comment", "n ->"};
const int kColumnWidths[TCompoundsDlg::kColumns] = {110, 110, 80, 40};

// A whole decimal integer (blanks around allowed); false for any other text.
bool ParseInteger(std::string_view text, int& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  auto [p, ec] = std::from_chars(t.data(), end, value);
  return ec == std::errc() && p == end;
}

bool DatabaseDefined() { return TDynOprtWnd && !Trim(TDynOprtWnd->CurrentDatabasePath).empty(); }

ListView* MakeList(Component* owner, const char* name, int tag) {
  auto* list = Make<ListView>(owner, name);
  list->SetTag(tag);
  list->SetAlign(Align::Client);
  list->SetStyle(ViewStyle::Report);
  list->SetMultiSelect(true);
  list->SetReadOnly(true);
  list->SetRowSelect(true);
  list->SetHideSelection(false);
  for (int c = 0; c < TCompoundsDlg::kColumns; ++c) list->AddColumn(kColumnCaptions[c], kColumnWidths[c]);
  return list;
}

}  // namespace

const std::string& DimensionName(int code) {
  if (code < 0 || code >= AmountDimensionCount) return kNone;
  return kDimensionNames[code];
}

int DimensionNameCount() { return AmountDimensionCount; }

std::string ConcentrationHeader(int kind) {
  if (kind == ConcMassFraction) return "w";
  if (kind == ConcMassPercent) return "w%";
  return "x";
}

// ---------------------------------------------------------------------------------------------
// Lookups and copying between phases

int FindDatasetByNamePhase(std::string_view name, std::string_view phase) {
  // Row 0 is the header line of the database.
  for (int row = 1; row < DatasetCount(); ++row) {
    if (DatasetTable.Text(row, FieldName) != name) continue;
    if (!phase.empty() && DatasetTable.Text(row, FieldPhase) != phase) continue;
    return row;
  }
  return -1;
}

void InsertSpeciesRow(std::string_view name, std::string_view phase, StringGrid& grid) {
  const std::string key = std::string(name) + " " + std::string(phase);
  const int rows = grid.RowCount() - 1;
  if (rows == 1 && Trim(grid.Cells(0, 1)).empty()) {
    grid.SetCells(0, 1, key);
    PostLogMessage(LevelInfo, SpeciesInsertedId, "inserting " + key);
    return;
  }
  for (int r = 1; r <= rows; ++r) {
    std::string n, p;
    // An empty row holds no name: it does not keep the substance out.
    if (!SplitNamePhase(grid.Cells(0, r), n, p)) continue;
    if (n == name) return;
  }
  const int row = grid.RowCount();
  grid.SetRowCount(row + 1);
  for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, row, "");
  grid.SetCells(0, row, key);
  PostLogMessage(LevelInfo, SpeciesInsertedId, "inserting " + key);
}

void CopyPhaseCompounds(const StringGrid& source, StringGrid* target) {
  if (!target || !ValidPhaseSlot(target->Tag())) return;
  const std::string phase = SlotPhaseTag(target->Tag());
  for (int r = 1; r < source.RowCount(); ++r) {
    std::string name, p;
    if (!SplitNamePhase(source.Cells(0, r), name, p)) continue;
    if (FindDatasetByNamePhase(name, phase) >= 1) InsertSpeciesRow(name, phase, *target);
  }
}

// ---------------------------------------------------------------------------------------------
// The dialog

TCompoundsDlg::TCompoundsDlg() : Form(nullptr, "CompoundsDlg") {
  CompoundsDlg = this;
  SetCaption("Compounds");
  SetPosition(FormPosition::ScreenCenter);
  SetConstraints({kMinWidth, kMinHeight, 0, 0});
  SetBounds(0, 0, 720, 400);
  for (auto& list : SortAscending) list.fill(true);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(19);
  for (int i = 0; i < 3; ++i) StBar->AddPanel(120);

  // Right to left: the system list, then the phase group; the database list takes the rest.
  GbxSystem = Make<GroupBox>(this, "GbxSystem");
  GbxSystem->SetCaption("Selections for System");
  GbxSystem->SetAlign(Align::Right);
  GbxSystem->SetWidth(280);
  ExcludeBtn = Make<Button>(GbxSystem, "ExcludeBtn");
  ExcludeBtn->SetCaption("< - Deselect");
  ExcludeBtn->SetTag(1);
  ExcludeBtn->SetAlign(Align::Bottom);
  ExcludeBtn->SetHeight(25);
  LVDst = MakeList(GbxSystem, "LVDst", 1);

  GbxPhase = Make<GroupBox>(this, "GbxPhase");
  GbxPhase->SetCaption("Phase");
  GbxPhase->SetAlign(Align::Right);
  GbxPhase->SetWidth(136);
  Label1 = Make<Label>(GbxPhase, "Label1");
  Label1->SetCaption("Containing Element");
  Label1->SetBounds(8, 18, 120, 13);
  CbxEl = Make<ComboBox>(GbxPhase, "CbxEl");
  CbxEl->SetStyle(ComboStyle::DropDownList);
  CbxEl->SetBounds(8, 34, 120, 21);
  CbxEl->Items().Add("[all]");
  CbxEl->SetItemIndex(0);
  Label2 = Make<Label>(GbxPhase, "Label2");
  Label2->SetCaption("Name");
  Label2->SetBounds(8, 64, 120, 13);
  EditName = Make<Edit>(GbxPhase, "EditName");
  EditName->SetBounds(8, 80, 120, 21);
  OKBtn = Make<Button>(GbxPhase, "OKBtn");
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(mrOk);
  OKBtn->SetBounds(28, 120, 80, 25);
  CancelBtn = Make<Button>(GbxPhase, "CancelBtn");
  CancelBtn->SetCaption("Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetBounds(28, 152, 80, 25);
  HelpBtn = Make<Button>(GbxPhase, "HelpBtn");
  HelpBtn->SetCaption("Help");
  HelpBtn->SetBounds(28, 184, 80, 25);

  GbxDatabase = Make<GroupBox>(this, "GbxDatabase");
  GbxDatabase->SetCaption("Substances");
  GbxDatabase->SetAlign(Align::Client);
  IncludeBtn = Make<Button>(GbxDatabase, "IncludeBtn");
  IncludeBtn->SetCaption("Select - >");
  IncludeBtn->SetAlign(Align::Bottom);
  IncludeBtn->SetHeight(25);
  LVSrc = MakeList(GbxDatabase, "LVSrc", 0);

  SGC = Make<StringGrid>(this, "SGC");
  SGC->SetVisible(false);

  CbxEl->OnChange = [this](Component*) { CbxElChange(); };
  IncludeBtn->OnClick = [this](Component*) { IncludeBtnClick(); };
  ExcludeBtn->OnClick = [this](Component*) { ExcludeBtnClick(); };
  OKBtn->OnClick = [this](Component*) { OKBtnClick(); };
  CancelBtn->OnClick = [this](Component*) { CancelBtnClick(); };
  HelpBtn->OnClick = [this](Component*) { HelpBtnClick(); };
  for (ListView* list : {LVSrc, LVDst}) {
    list->OnDblClick = [this, list](Component*) { ListDblClick(list); };
    list->OnClick = [this, list](Component*) { ShowItemStatus(list); };
    list->OnKeyDown = [this, list](Component*, int& key, ShiftState) { ListKeyDown(list, key); };
    list->OnColumnClick = [this, list](Component*, int column) { ListColumnClick(list, column); };
  }
  // However the dialog closes, only OK keeps what the moves changed.
  OnClose = [this](Component*, CloseAction&) {
    if (!OkFlag) PhasesChangedFlag = phasesChangedAtOpen_;
  };
  OnResize = [this](Component*) { FormResize(); };
  FormResize();

  // The copy-to menu of the phase windows copies through this unit.
  CopyPhaseCompoundsHook = [](StringGrid& source, StringGrid& target) { CopyPhaseCompounds(source, &target); };
}

TCompoundsDlg::~TCompoundsDlg() {
  CopyPhaseCompoundsHook = nullptr;
  if (CompoundsDlg == this) CompoundsDlg = nullptr;
}

// --- filling ---------------------------------------------------------------------------------

void TCompoundsDlg::FillCompoundLists(std::string_view caption, const StringGrid& grid, std::string_view letter) {
  OkFlag = false;
  phasesChangedAtOpen_ = PhasesChangedFlag;
  databaseDefined_ = DatabaseDefined();
  if (!databaseDefined_) {
    // Nothing to choose from: the lists stay empty, and OK will not touch the grid.
    LVSrc->Clear();
    LVDst->Clear();
    UpdateCounts();
    PostLogMessage(LevelError, DatabaseNotDefinedId, "Database is not defined !");
    return;
  }
  RangeLabel = CelsiusFlag ? "< T [C] <" : "< T [K] <";
  TDynOprtWnd->RefreshDatabase();
  PhaseLetter = std::string(letter);
  EditName->SetText(caption);

  CbxEl->Items().Clear();
  CbxEl->Items().Add("[All Selection]");
  if (ElementsDlg)
    for (const std::string& symbol : ElementsDlg->SelectedElements) CbxEl->Items().Add(Trim(symbol));
  CbxEl->SetItemIndex(0);

  LVSrc->Clear();
  LVDst->Clear();
  FillDatabaseList(PhaseLetter, "");

  CopyGrid(grid, *SGC);
  for (int r = 1; r < SGC->RowCount(); ++r) {
    const std::string text = Trim(SGC->Cells(0, r));
    if (!text.empty()) AddCompoundByFormula(text, r);
  }
  UpdateCounts();
  if (LVSrc->Count() > 0) LVSrc->SetItemIndex(0);
}

void TCompoundsDlg::FillDatabaseList(std::string_view letter, std::string_view element) {
  RunStateScope busy(RunState::Waiting);
  if (ElementsDlg) SetSelectedElements(&ElementsDlg->SelectedElements);
  // The symbols of a composition are compared with their blank, so "C" does not find "Cl".
  const std::string needed = Trim(element).empty() ? std::string() : Trim(element) + " ";
  for (int row = 1; row < DatasetCount(); ++row)
    if (MadeOfSelectedElements(row, letter, needed)) AddDatasetIfAbsent(row);
}

void TCompoundsDlg::AddDatasetIfAbsent(int row) {
  if (!DatasetTable.ValidRow(row)) return;
  const std::string key = DatasetTable.Text(row, FieldName) + " " + DatasetTable.Text(row, FieldPhase);
  if (LVDst->FindCaption(key) || LVSrc->FindCaption(key)) return;
  AddDatasetListItem(LVSrc, row);
}

ListItem* TCompoundsDlg::AddDatasetListItem(ListView* list, int row) {
  ListItem* item = list->Add();
  item->SetCaption(DatasetTable.Text(row, FieldName) + " " + DatasetTable.Text(row, FieldPhase));
  item->AddSubItem(DatasetTable.Text(row, FieldDescription));
  item->AddSubItem(DatasetTable.Text(row, FieldComment));
  // padded, so that row numbers sort as text
  item->AddSubItem(PadLeft(DatasetTable.Text(row, FieldRow), 4));
  return item;
}

void TCompoundsDlg::AddCompoundByFormula(std::string_view text, int origin) {
  for (int i = LVSrc->Count() - 1; i >= 0; --i) {
    const ListItem* item = LVSrc->Items(i);
    if (item->Caption() != text) continue;
    CopyItemTo(*item, LVDst)->SetData(origin);
    LVSrc->Delete(i);
    return;
  }
  std::string name, phase;
  SplitNamePhase(text, name, phase);
  const int row = FindDatasetByNamePhase(name, phase);
  if (row >= 1) {
    AddDatasetListItem(LVDst, row)->SetData(origin);
    return;
  }
  ListItem* item = LVDst->Add();
  item->SetCaption(name + " " + phase);
  item->AddSubItem(" not found !");
  item->AddSubItem(" does not exist in database");
  item->AddSubItem("-1");
  item->SetData(origin);
}

std::string TCompoundsDlg::ChosenElement() const {
  const int i = CbxEl->ItemIndex();
  return i > 0 ? Trim(CbxEl->Items()[i]) : std::string();
}

void TCompoundsDlg::CbxElChange() {
  LVSrc->Clear();
  FillDatabaseList(PhaseLetter, ChosenElement());
  UpdateCounts();
}

// --- moving ----------------------------------------------------------------------------------

ListItem* TCompoundsDlg::CopyItemTo(const ListItem& item, ListView* list) {
  ListItem* copy = list->Add();
  copy->SetCaption(item.Caption());
  for (const std::string& sub : item.SubItems()) copy->AddSubItem(sub);
  copy->SetData(item.Data());
  return copy;
}

void TCompoundsDlg::MoveListItem(int index, int from) {
  if (from != 0 && from != 1) return;
  ListView* source = ListOf(from);
  const ListItem* item = source->Items(index);
  if (!item) return;
  CopyItemTo(*item, ListOf(1 - from));
  source->Delete(index);
  UpdateCounts();
  PhasesChangedFlag = true;
}

void TCompoundsDlg::IncludeBtnClick() {
  for (int i = LVSrc->Count() - 1; i >= 0; --i)
    if (LVSrc->Items(i)->Selected()) MoveListItem(i, 0);
}

void TCompoundsDlg::ExcludeBtnClick() {
  for (int i = LVDst->Count() - 1; i >= 0; --i)
    if (LVDst->Items(i)->Selected()) MoveListItem(i, 1);
}

void TCompoundsDlg::ListDblClick(ListView* list) {
  if (list->Selected()) MoveListItem(list->ItemIndex(), list->Tag());
}

void TCompoundsDlg::ListKeyDown(ListView* list, int& key) {
  if (key == Key::Escape) {
    key = 0;
    CancelBtn->Click();
    return;
  }
  if (key == Key::Enter) {
    key = 0;
    const int index = list->ItemIndex();
    if (index >= 0) {
      MoveListItem(index, list->Tag());
      // The item that moved up into its place; the last one when the last item went.
      if (list->Count() > 0) list->SetItemIndex(std::min(index, list->Count() - 1));
    }
  }
  ShowItemStatus(list);
}

void TCompoundsDlg::ShowItemStatus(ListView* list) {
  const ListItem* item = list->Selected();
  if (!item) {
    for (int i = 0; i < 3; ++i) StBar->SetPanelText(i, "");
    return;
  }
  const std::string rowText = Trim(item->SubItem(2));
  StBar->SetPanelText(0, rowText);
  if (rowText.empty()) {
    StBar->SetPanelText(1, "");
    StBar->SetPanelText(2, "");
    return;
  }
  int row = -1;
  ParseInteger(rowText, row);
  StBar->SetPanelText(1, TDynOprtWnd && row >= 1 ? TDynOprtWnd->ReferenceText(row) : std::string());
  std::string name, phase;
  SplitNamePhase(item->Caption(), name, phase);
  double tmin = 0, tmax = 0;
  if (TTDynOprtWnd::DatasetTemperatureRange(name, phase, tmin, tmax) > 0) {
    const double offset = CelsiusFlag ? kCelsius : 0.0;
    StBar->SetPanelText(2, FloatToShortText(tmin - offset) + RangeLabel + FloatToShortText(tmax - offset));
  } else {
    StBar->SetPanelText(2, "");
  }
}

void TCompoundsDlg::UpdateCounts() {
  GbxDatabase->SetCaption("In Database: " + std::to_string(LVSrc->Count() + LVDst->Count()));
  GbxSystem->SetCaption("In System: " + std::to_string(LVDst->Count()));
}

// --- sorting ---------------------------------------------------------------------------------

void TCompoundsDlg::ListColumnClick(ListView* list, int column) {
  if (column < 0 || column >= kColumns) return;
  const int tag = list->Tag() == 0 ? 0 : 1;
  SortColumn = column;
  list->CustomSort([this, tag](const ListItem* a, const ListItem* b) { return LVsCompare(a, b, tag); });
  SortAscending[tag][column] = !SortAscending[tag][column];
}

int TCompoundsDlg::LVsCompare(const ListItem* a, const ListItem* b, int list) const {
  const int column = std::clamp(SortColumn, 0, kColumns - 1);
  const int cmp = CompareTextNoCase(a->ColumnText(column), b->ColumnText(column));
  return SortAscending[list == 0 ? 0 : 1][column] ? cmp : -cmp;
}

// --- closing ---------------------------------------------------------------------------------

void TCompoundsDlg::OKBtnClick() {
  // Without a database the lists were never filled: the grid stays as it is.
  OkFlag = databaseDefined_;
  if (!Modal()) Hide();
}

void TCompoundsDlg::CancelBtnClick() {
  OkFlag = false;
  PhasesChangedFlag = phasesChangedAtOpen_;
  if (!Modal()) Hide();
}

void TCompoundsDlg::HelpBtnClick() {
  if (InfoDlg) InfoDlg->OpenHelpIndex();
}

void TCompoundsDlg::ApplySelectionToGrid(StringGrid& grid) {
  const int n = LVDst->Count();
  if (n == 0) {
    grid.SetRowCount(2);
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, 1, "");
    return;
  }
  grid.SetRowCount(n + 1);
  for (int r = 1; r <= n; ++r) {
    for (int c = 1; c < grid.ColCount(); ++c) grid.SetCells(c, r, "");
    grid.SetCells(0, r, LVDst->Items(r - 1)->Caption());
  }
  const int columns = std::min(grid.ColCount(), SGC->ColCount());
  for (int r = 1; r <= n; ++r) {
    const ListItem* item = LVDst->Items(r - 1);
    // A substance of the grid keeps its own row, even when its key was written anew or is
    // listed twice; one taken from the database finds its key among the old rows.
    int from = int(item->Data());
    if (from < 1 || from >= SGC->RowCount()) {
      from = -1;
      for (int k = 1; k < SGC->RowCount(); ++k)
        if (Trim(SGC->Cells(0, k)) == item->Caption()) {
          from = k;
          break;
        }
    }
    if (from < 1) continue;
    for (int c = 1; c < columns; ++c) grid.SetCells(c, r, SGC->Cells(c, from));
  }
}

void TCompoundsDlg::FormResize() {
  const int w = ClientWidth();
  GbxSystem->SetWidth(std::max(0, (w - GbxPhase->Width()) / 2));
  StBar->SetPanelWidth(0, w / 4);
  StBar->SetPanelWidth(1, w / 2);
}

// ---------------------------------------------------------------------------------------------
// The Compounds command of the main window

bool SelectPhaseCompounds(bool celsius) {
  if (!CompoundsDlg) return false;
  int slot = ActivePhaseSlot;
  if (!ValidPhaseSlot(slot) || !PhaseSlotTable[slot].Window) {
    slot = 0;
    for (int k = 1; k <= PhaseSlotCount && slot == 0; ++k)
      if (PhaseSlotTable[k].Window && PhaseSlotTable[k].Grid) slot = k;
    if (slot == 0) return false;
    ActivePhaseSlot = slot;
  }
  TPhaseWnd* window = PhaseSlotTable[slot].Window;
  StringGrid* grid = PhaseSlotTable[slot].Grid;
  if (!window || !grid) return false;
  if (grid->RowCount() > 1 && grid->Cells(0, 1) == "-") grid->SetCells(0, 1, "");

  TCompoundsDlg& dlg = *CompoundsDlg;
  dlg.CelsiusFlag = celsius;
  dlg.FillCompoundLists(window->Caption(), *grid, std::string(1, SlotConstants(slot).Letter));
  dlg.ShowModal();
  if (!dlg.OkFlag) return false;

  int header = 0;
  if (ParseInteger(grid->Cells(0, 0), header) && header > 0) grid->SetCells(0, 0, "");
  dlg.ApplySelectionToGrid(*grid);
  if (grid->Cells(0, 1).empty()) grid->SetCells(0, 1, " ");
  // A phase keeps its name when the name field was emptied.
  const std::string name = dlg.EditName->Text();
  if (!Trim(name).empty()) window->SetCaption(name);
  return true;
}

}  // namespace quorel
