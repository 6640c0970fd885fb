#include "records_charts/TablOprt.h"

#include <algorithm>

#include "platform/Services.h"
#include "platform/System.h"
#include "shared/AplMsg.h"
#include "shared/Info.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TTablOprtWnd* TablOprtWnd = nullptr;
std::function<void(int)> TableChangedHook;
std::function<void(int)> BrowserButtonHook;
std::function<void(int)> DataInsertedHook;
std::function<void(const std::string&)> FileDroppedHook;

namespace {

constexpr GridOptions kGridLines = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;

// Makes sure cell (col, row) exists.
void GrowTo(StringGrid& grid, int col, int row) {
  if (grid.ColCount() < col + 1) grid.SetColCount(col + 1);
  if (grid.RowCount() < row + 1) grid.SetRowCount(row + 1);
}

}  // namespace

void PasteTextToGrid(std::string_view text, int col, int row, StringGrid& grid) {
  col = std::max(col, 0);
  row = std::max(row, 0);
  int c = col, r = row;
  std::string cell;
  bool pending = false;  // the current line has content not yet stored
  bool capped = false;   // cells beyond the grid caps were dropped
  auto store = [&] {
    if (c < MaxGridFileCols && r < MaxGridFileRows) {
      GrowTo(grid, c, r);
      grid.SetCells(c, r, cell);
    } else {
      capped = true;
    }
    cell.clear();
  };
  for (char ch : text) {
    if (ch == '\r') continue;
    if (ch == '\t') {
      store();
      if (c < MaxGridFileCols) ++c;
      pending = true;
    } else if (ch == '\n') {
      store();
      c = col;
      if (r < MaxGridFileRows) ++r;
      pending = false;
    } else {
      cell += ch;
      pending = true;
    }
  }
  // A last line without a line end (a copied block ends without one) is pasted too.
  if (pending) store();
  if (capped) ReportGridCapped("Clipboard");
}

int PasteClipboardToGrid(int col, int row, StringGrid& grid) {
  ClipboardService& clip = Clipboard();
  if (!clip.HasText()) return -1;
  PasteTextToGrid(clip.Text(), col, row, grid);
  return 1;
}

void TransposeGrid(const StringGrid& source, StringGrid& dest) {
  const int cols = source.ColCount(), rows = source.RowCount();
  std::vector<std::vector<std::string>> cells(rows);
  for (int r = 0; r < rows; ++r) cells[r] = source.Rows(r);
  dest.SetColCount(rows);
  dest.SetRowCount(cols);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) dest.SetCells(r, c, cells[r][c]);
  }
}

// ---------------------------------------------------------------------------------------------

TTablOprtWnd::TTablOprtWnd(Component* owner) : Form(owner, "TablOprtWnd") {
  TablOprtWnd = this;
  TableChangedHook = nullptr;
  BrowserButtonHook = nullptr;
  SetCaption("Recorder");
  SetBounds(0, 0, 600, 400);
  SetAcceptFiles(true);

  ToolBar1 = Make<ToolBar>(this, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  ToolBar1->SetShowCaptions(true);
  ToolBtnOpen = MakeToolButton(ToolBar1, "ToolBtnOpen", "Open", "Open");
  ToolBtnSave = MakeToolButton(ToolBar1, "ToolBtnSave", "Save", "Save Table as");
  ToolBtnFirst = MakeToolButton(ToolBar1, "ToolBtnFirst", "First", "First");
  ToolBtnPrev = MakeToolButton(ToolBar1, "ToolBtnPrev", "Previous", "Previous");
  ToolBtnNext = MakeToolButton(ToolBar1, "ToolBtnNext", "Next", "Next");
  ToolBtnLast = MakeToolButton(ToolBar1, "ToolBtnLast", "Last", "Last");
  ToolBtnCopy = MakeToolButton(ToolBar1, "ToolBtnCopy", "Copy", "Copy");
  ToolBtnDelete = MakeToolButton(ToolBar1, "ToolBtnDelete", "Delete Selected", "Delete");
  ToolBtnDelSels = MakeToolButton(ToolBar1, "ToolBtnDelSels", "Delete Selected Range", "Del Selection");
  ToolBtnDelAll = MakeToolButton(ToolBar1, "ToolBtnDelAll", "Delete All", "Delete All");
  ToolBtnInsertData = MakeToolButton(ToolBar1, "ToolBtnInsertData", " Insert Data", " Insert Data");
  ToolBtnInsertColData = MakeToolButton(ToolBar1, "ToolBtnInsertColData", "Insert Col Data", "Insert Col Data");
  ToolBtnInsertColum = MakeToolButton(ToolBar1, "ToolBtnInsertColum", "Insert Colum", "Insert Colum");
  ToolBtnDelColumn = MakeToolButton(ToolBar1, "ToolBtnDelColumn", "Del Column", "Del Column");
  ToolBtnTrans = MakeToolButton(ToolBar1, "ToolBtnTrans", "Transpon", "Transpon");
  ToolBtnSortMan = MakeToolButton(ToolBar1, "ToolBtnSortMan", "Sort Man.", "Sort Man.");
  ToolBtnSortMan->SetStyle(ToolButtonStyle::Check);
  BtnFieldDef = MakeToolButton(ToolBar1, "BtnFieldDef", "Record definition", "Record definition");
  BtnSearch = MakeToolButton(ToolBar1, "BtnSearch", "Search", "Search");
  ToolBtnFirst->SetTag(1);
  ToolBtnPrev->SetTag(2);
  ToolBtnNext->SetTag(3);
  ToolBtnLast->SetTag(4);
  for (ToolButton* b : {ToolBtnInsertData, ToolBtnInsertColData, ToolBtnInsertColum, ToolBtnDelColumn,
                        ToolBtnTrans, ToolBtnSortMan, BtnFieldDef, BtnSearch})
    b->SetVisible(false);

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);
  StatusBar1->SetHeight(19);
  for (int i = 0; i < 4; ++i) StatusBar1->AddPanel(150);
  StatusBar1->SetPanelText(3, "TXT");

  SGT = Make<StringGrid>(this, "SGT");
  SGT->SetAlign(Align::Client);
  SGT->SetColCount(5);
  SGT->SetRowCount(2);
  SGT->SetDefaultColWidth(64);
  SGT->SetDefaultRowHeight(16);
  SGT->SetFixedCols(0);
  SGT->SetOptions(kGridLines | goRangeSelect | goColSizing | goRowMoving | goRowSelect | goThumbTracking);
  SGT->SetBounds(0, 0, 600, 330);

  // Hidden helpers.
  UndoGrid = Make<StringGrid>(this, "UndoGrid");
  UndoGrid->SetVisible(false);
  SpareGrid = Make<StringGrid>(this, "SpareGrid");
  SpareGrid->SetVisible(false);
  CopyBuffer = Make<Memo>(this, "CopyBuffer");
  CopyBuffer->SetVisible(false);
  CopyBuffer->SetWordWrap(false);
  CopyBuffer->SetBounds(0, 0, 1024, 89);
  Toolkit.CopyBuffer = CopyBuffer;
  Toolkit.SpareGrid = SpareGrid;

  OpenDialog1 = Make<OpenDialog>(this, "OpenDialog1");
  SaveDialog1 = Make<SaveDialog>(this, "SaveDialog1");
  ColorDialog1 = Make<ColorDialog>(this, "ColorDialog1");

  MainMenu1 = Make<MainMenu>(this, "MainMenu1");
  SetMenu(MainMenu1);
  MnuTable = MainMenu1->Add("MnuTable", "Table");
  Open1 = MnuTable->Add("Open1", "Open");
  SaveAs1 = MnuTable->Add("SaveAs1", "Save as");
  Copy2 = MnuTable->Add("Copy2", "Copy");
  MnuSelectAll = MnuTable->Add("MnuSelectAll", "Select all");
  ToMsExcel2 = MnuTable->Add("ToMsExcel2", "To Ms Excel");
  MnuDataSet = MainMenu1->Add("MnuDataSet", "Data Set");
  First1 = MnuDataSet->Add("First1", "First");
  First1->SetTag(1);
  // Previous and Next step like their tool buttons.
  Previous1 = MnuDataSet->Add("Previous1", "Previous");
  Previous1->SetTag(2);
  Next1 = MnuDataSet->Add("Next1", "Next");
  Next1->SetTag(3);
  Last1 = MnuDataSet->Add("Last1", "Last");
  Last1->SetTag(4);
  Delete1 = MnuDataSet->Add("Delete1", "Delete");
  MnuSettings = MainMenu1->Add("MnuSettings", "Settings");
  Toolbars1 = MnuSettings->Add("Toolbars1", "Tool bars");
  Toolbars1->SetChecked(true);

  PopupMenu1 = Make<PopupMenu>(this, "PopupMenu1");
  Copy1 = PopupMenu1->Add("Copy1", "Copy");
  Copy1->SetShortCut(ShortCut(Key::Insert, ssCtrl));
  Paste1 = PopupMenu1->Add("Paste1", "Paste");
  Paste1->SetShortCut(ShortCut(Key::Insert, ssShift));
  Paste1->SetVisible(false);
  Undo1 = PopupMenu1->Add("Undo1", "Undo");
  Undo1->SetShortCut(ShortCut(Key::Back, ssAlt));
  Undo1->SetVisible(false);
  PopClear1 = PopupMenu1->Add("PopClear1", "Clear");
  DelSelection1 = PopupMenu1->Add("DelSelection1", "Del Selection");
  SelectAll1 = PopupMenu1->Add("SelectAll1", "Select all");
  ToMSExcel1 = PopupMenu1->Add("ToMSExcel1", "To MS Excel");
  PopupMenu1->AddSeparator("N1");
  SortbyName1 = PopupMenu1->Add("SortbyName1", "Sort as String");
  SortbyDataUp1 = PopupMenu1->Add("SortbyDataUp1", "Sort by Values Upwards");
  SortbyDataDown1 = PopupMenu1->Add("SortbyDataDown1", "Sort by Values Downwards");
  PopupMenu1->AddSeparator("N2");
  FixCol1 = PopupMenu1->Add("FixCol1", "Fix. Column");
  ColColor1 = PopupMenu1->Add("ColColor1", "Col. Color");
  ColColor1->SetTag(0);
  RowColor1 = PopupMenu1->Add("RowColor1", "Row Color");
  RowColor1->SetTag(1);
  RenewIndex1 = PopupMenu1->Add("RenewIndex1", "Renew Index");
  SGT->SetPopupMenu(PopupMenu1);

  // --- events ---
  ToolBtnOpen->OnClick = [this](Component*) { OpenTable(); };
  Open1->OnClick = [this](Component*) { OpenTable(); };
  ToolBtnSave->OnClick = [this](Component*) { SaveTable(); };
  SaveAs1->OnClick = [this](Component*) { SaveTable(); };
  auto browse = [this](Component* sender) { Browse(sender ? sender->Tag() : 0); };
  for (Component* c : std::initializer_list<Component*>{ToolBtnFirst, ToolBtnPrev, ToolBtnNext, ToolBtnLast,
                                                        First1, Previous1, Next1, Last1})
    c->OnClick = browse;
  ToolBtnCopy->OnClick = [this](Component*) { CopySelection(*SGT); };
  Copy2->OnClick = [this](Component*) { CopySelection(*SGT); };
  Copy1->OnClick = [this](Component*) { CopySelection(PopupGrid()); };
  ToolBtnDelete->OnClick = [this](Component*) { DeleteRecord(); };
  Delete1->OnClick = [this](Component*) { DeleteRecord(); };
  ToolBtnDelSels->OnClick = [this](Component*) { DeleteSelection(); };
  DelSelection1->OnClick = [this](Component*) { DeleteSelection(); };
  ToolBtnDelAll->OnClick = [this](Component*) { DeleteAll(); };
  MnuSelectAll->OnClick = [this](Component*) { SelectAll(*SGT); };
  SelectAll1->OnClick = [this](Component*) { SelectAll(PopupGrid()); };
  ToMsExcel2->OnClick = [this](Component*) { ToExcel(); };
  ToMSExcel1->OnClick = [this](Component*) { ToExcel(); };
  SortbyName1->OnClick = [this](Component*) { SortByName(); };
  SortbyDataUp1->OnClick = [this](Component*) { SortDataUp(); };
  SortbyDataDown1->OnClick = [this](Component*) { SortDataDown(); };
  FixCol1->OnClick = [this](Component*) { FixColumn(); };
  ColColor1->OnClick = [this](Component* s) { ChooseMarkColor(s ? s->Tag() : 0); };
  RowColor1->OnClick = [this](Component* s) { ChooseMarkColor(s ? s->Tag() : 1); };
  RenewIndex1->OnClick = [this](Component*) { RenewIndex(); };
  PopClear1->OnClick = [this](Component*) { ClearSelection(PopupGrid()); };
  Paste1->OnClick = [this](Component*) { PasteData(); };
  Undo1->OnClick = [this](Component*) { Undo(); };
  ToolBtnInsertData->OnClick = [this](Component*) { InsertData(); };
  ToolBtnInsertColData->OnClick = [this](Component*) { InsertColData(); };
  ToolBtnInsertColum->OnClick = [this](Component*) { InsertColumn(); };
  ToolBtnDelColumn->OnClick = [this](Component*) { DeleteColumn(); };
  ToolBtnTrans->OnClick = [this](Component*) { Transpose(); };
  ToolBtnSortMan->OnClick = [this](Component*) { ToggleSortMan(); };
  Toolbars1->OnClick = [this](Component*) { ToggleToolbars(); };
  PopupMenu1->OnPopup = [this](Component*) { PopupMenu1Popup(); };

  SGT->OnSelectCell = [this](Component* s, int c, int r, bool& can) { SGTSelectCell(s, c, r, can); };
  SGT->OnDrawCell = [this](Component*, int c, int r, CellDrawInfo& info) { SGTDrawCell(c, r, info); };
  SGT->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { SGTKeyDown(s, key, shift); };
  SGT->OnMouseDown = [this](Component* s, MouseButton b, ShiftState sh, int x, int y) {
    SGTMouseDown(s, b, sh, x, y);
  };
  SGT->OnMouseMove = [this](Component* s, ShiftState sh, int x, int y) { SGTMouseMove(s, sh, x, y); };
  SGT->OnMouseUp = [this](Component* s, MouseButton b, ShiftState sh, int x, int y) { SGTMouseUp(s, b, sh, x, y); };
  OnResize = [this](Component*) { FormResize(); };
  OnDropFiles = [this](Component*, const std::vector<std::string>& files) { FormDropFiles(files); };
  OnClose = [](Component*, CloseAction& action) { action = CloseAction::Hide; };
  FormResize();
}

TTablOprtWnd::~TTablOprtWnd() {
  Toolkit.CopyBuffer = nullptr;
  Toolkit.SpareGrid = nullptr;
  if (TablOprtWnd == this) TablOprtWnd = nullptr;
}

// ---------------------------------------------------------------------------------------------

StringGrid& TTablOprtWnd::PopupGrid() const {
  if (auto* g = dynamic_cast<StringGrid*>(PopupMenu1->PopupComponent())) return *g;
  return *SGT;
}

void TTablOprtWnd::TableChanged() const {
  if (TableChangedHook) TableChangedHook(0);
}

void TTablOprtWnd::DataInserted() const {
  if (DataInsertedHook) DataInsertedHook(0);
  TableChanged();
}

bool TTablOprtWnd::AskYesNo(const std::string& text, const std::string& caption, bool noDefault) const {
  const MsgFlags flags = mbYesNo | mbIconQuestion | (noDefault ? mbDefButton2 : mbDefButton1);
  return MessageBox(text, caption, flags) == mrYes;
}

// --- files ---

void TTablOprtWnd::OpenTable() {
  if (FileExists(CurrentTablePath)) OpenDialog1->SetFileName(CurrentTablePath);
  if (OpenDialog1->Filter().empty()) OpenDialog1->SetFilter("ASCII (*.asc)|*.asc|All Files (*.*)|*.*");
  OpenDialog1->SetTitle("Open Table");
  if (!OpenDialog1->Execute()) return;
  const std::string file = OpenDialog1->FileName();
  if (!FileExists(file)) {
    const std::string text = file + ": file does not exist";
    MessageBox(text, "Table ", mbOk | mbIconInformation);
    PostLogMessage(LevelError, TableFileMissingId, text);
    return;
  }
  if (LoadGridText(file, 0, *SGT, true, 0) > 0) {
    CurrentTablePath = file;
    SetCaption(file);
    TableChanged();
  }
}

void TTablOprtWnd::SaveTable() {
  SaveDialog1->SetFileName(CurrentTablePath.empty() ? std::string("Table1.asc") : CurrentTablePath);
  SaveDialog1->SetTitle("Save Table as");
  // The table as text, or as a workbook of the spreadsheet transfer.
  SaveDialog1->SetFilter("ASCII (*.asc)|*.asc|Excel Workbook (*.xlsx)|*.xlsx|All Files (*.*)|*.*");
  if (!SaveDialog1->Execute()) return;
  std::string file = SaveDialog1->FileName();
  if (SaveDialog1->FilterIndex() == 2 && LowerExtension(file) != ".xlsx") file += ".xlsx";
  if (FileExists(file) && !AskYesNo(UntranslatedText("File exists, replace ?"), "Table save as", true)) return;
  const bool workbook = LowerExtension(file) == ".xlsx";
  // The toolkit has reported a failure.
  if ((workbook ? SaveGridWorkbook(*SGT, file, "Records") : SaveGridText(*SGT, file)) != 1) return;
  // Open reads table texts: the path of a workbook is not offered to it.
  if (!workbook) CurrentTablePath = file;
  SetCaption(file);
  SaveHistory.erase(std::remove(SaveHistory.begin(), SaveHistory.end(), file), SaveHistory.end());
  SaveHistory.push_back(file);
}

// --- browsing ---

void TTablOprtWnd::Browse(int tag) {
  const int last = SGT->RowCount() - 1;
  // A position left beyond the table by an earlier edit counts as the nearest record.
  int p = std::clamp(RecordPosition, 1, std::max(last, 1));
  switch (tag) {
    case 1: p = 1; break;
    case 2: if (p > 1) --p; break;
    case 3: if (p < last) ++p; break;
    case 4: p = std::max(last, 1); break;
    default: break;
  }
  RecordPosition = p;
  ShowRecord();
}

void TTablOprtWnd::ShowRecord() {
  const int p = RecordPosition;
  if (p <= 0) return;
  const int visible = SGT->VisibleRowCount();
  if (p < SGT->TopRow()) SGT->SetTopRow(p);
  else if (p >= SGT->TopRow() + visible) SGT->SetTopRow(p - visible + 1);
  const int c = SGT->LeftCol();
  SGT->SetSelection({c, p, c, p});
  if (BrowserButtonHook) BrowserButtonHook(p);
}

void TTablOprtWnd::SGTSelectCell(Component* sender, int col, int row, bool& canSelect) {
  (void)sender;
  canSelect = true;
  SelectedColumn = col;
  RecordPosition = row;
  StatusBar1->SetPanelText(0, std::to_string(col) + ": " + std::to_string(row));
  StatusBar1->SetPanelText(1, SGT->Cells(col, 0));
  StatusBar1->SetPanelText(2, SGT->Cells(0, row));
  if (BrowserButtonHook) BrowserButtonHook(row);
}

// --- copy and selection ---

void TTablOprtWnd::CopySelection(StringGrid& grid) { Toolkit.CopyGridSelection(grid); }

void TTablOprtWnd::SelectAll(StringGrid& grid) {
  grid.SetSelection({0, 0, grid.ColCount() - 1, grid.RowCount() - 1});
}

// --- deleting ---

void TTablOprtWnd::DeleteRecord() {
  const int p = RecordPosition;
  // The title row and rows beyond the table are no records.
  if (p < 1 || p >= SGT->RowCount()) return;
  if (!AskYesNo("Delete Datasets in " + SGT->Cells(0, p) + " ?", "Quorel", true)) return;
  TakeUndoCopy(*SGT);
  DeleteGridRow(p, *SGT);
  TableChanged();
}

void TTablOprtWnd::DeleteSelection() {
  TakeUndoCopy(*SGT);
  const GridRect s = SGT->Selection();
  const int first = std::max(s.Top, 1);
  const int last = std::min(s.Bottom, SGT->RowCount() - 1);
  if (last < first) return;
  if (!AskYesNo("Delete records from " + std::to_string(first) + " to " + std::to_string(last) + " ?", "Table",
                true))
    return;
  const int leftCol = SGT->LeftCol();
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < SGT->RowCount(); ++r) {
    if (r < first || r > last) rows.push_back(SGT->Rows(r));
  }
  if (rows.size() < 2) rows.emplace_back(SGT->ColCount());  // one empty data row remains
  SGT->SetRowCount(int(rows.size()));
  for (int r = 0; r < int(rows.size()); ++r) {
    for (int c = 0; c < SGT->ColCount(); ++c) SGT->SetCells(c, r, c < int(rows[r].size()) ? rows[r][c] : "");
  }
  SGT->SetLeftCol(leftCol);
  TableChanged();
}

void TTablOprtWnd::DeleteAll() {
  if (!AskYesNo("Clear Data?", "Process Data", false)) return;
  TakeUndoCopy(*SGT);
  ClearGridRange(0, 1, *SGT);
  SGT->SetRowCount(2);
  TableChanged();
}

void TTablOprtWnd::ClearSelection(StringGrid& grid) {
  TakeUndoCopy(grid);
  const GridRect s = grid.Selection();
  const int c1 = std::max(s.Left, grid.FixedCols());
  const int r1 = std::max(s.Top, grid.FixedRows());
  const int c2 = std::min(s.Right, grid.ColCount() - 1);
  const int r2 = std::min(s.Bottom, grid.RowCount() - 1);
  if (c2 < c1 || r2 < r1) return;
  ClearGridRect(grid, c1, r2, c2, r1);
}

// --- sorting and index ---

void TTablOprtWnd::SortByName() {
  {
    RunStateScope busy(RunState::Waiting);
    SortGridByName(*SGT, SelectedColumn);
  }
  TableChanged();
}

void TTablOprtWnd::SortDataUp() {
  {
    RunStateScope busy(RunState::Waiting);
    SortGridDataUp(*SGT, SelectedColumn);
  }
  TableChanged();
}

void TTablOprtWnd::SortDataDown() {
  {
    RunStateScope busy(RunState::Waiting);
    SortGridDataDown(*SGT, SelectedColumn);
  }
  TableChanged();
}

void TTablOprtWnd::RenewIndex() {
  for (int r = 1; r < SGT->RowCount(); ++r) SGT->SetCells(0, r, std::to_string(r));
  TableChanged();
}

// --- edit tools ---

void TTablOprtWnd::InsertData() {
  // Without text on the clipboard the table is left as it is.
  if (!Clipboard().HasText()) return;
  TakeUndoCopy(*SGT);
  SGT->ClearCells();
  PasteClipboardToGrid(0, 0, *SGT);
  DataInserted();
}

void TTablOprtWnd::InsertColData() {
  if (!Clipboard().HasText()) return;
  TakeUndoCopy(*SGT);
  PasteClipboardToGrid(SGT->Selection().Left, 0, *SGT);
  DataInserted();
}

void TTablOprtWnd::PasteData() {
  if (!EditToolsEnabled || !Clipboard().HasText()) return;
  TakeUndoCopy(*SGT);
  PasteClipboardToGrid(SelectedColumn, RecordPosition, *SGT);
  DataInserted();
}

void TTablOprtWnd::Undo() {
  if (EditToolsEnabled) Toolkit.SwapGrids(*UndoGrid, *SGT);
}

void TTablOprtWnd::InsertColumn() {
  TakeUndoCopy(*SGT);
  InsertGridColumn(SelectedColumn, *SGT);
}

void TTablOprtWnd::DeleteColumn() {
  if (SelectedColumn < 0 || SelectedColumn >= SGT->ColCount()) return;
  if (!AskYesNo("Delete Column " + SGT->Cells(SelectedColumn, 0) + " ?", "Table", false)) return;
  TakeUndoCopy(*SGT);
  DeleteGridColumn(SelectedColumn, *SGT);
}

void TTablOprtWnd::Transpose() {
  TakeUndoCopy(*SGT);
  TransposeGrid(*UndoGrid, *SGT);
}

void TTablOprtWnd::ToggleSortMan() { SGT->SetFixedCols(SGT->FixedCols() == 0 ? 1 : 0); }

void TTablOprtWnd::FixColumn() {
  // The grid moves a selection out of the fixed columns; the same selection as after the last
  // press counts as the selection of that press.
  int left = SGT->Selection().Left;
  if (SGT->FixedCols() > 0 && SGT->Selection() == fixSelectionAfter_) left = fixLeftBefore_;
  const int n = std::min(left + 1, SGT->ColCount() - 1);
  const int fixed = SGT->FixedCols() == n ? 0 : n;
  SGT->SetFixedCols(fixed);
  GridOptions o = kGridLines | goRangeSelect | goColSizing | goThumbTracking;
  if (SGT->FixedCols() == 1) o |= goRowMoving;
  SGT->SetOptions(o);
  fixLeftBefore_ = left;
  fixSelectionAfter_ = SGT->Selection();
}

// --- colour marks ---

void TTablOprtWnd::ChooseMarkColor(int tag) {
  ColorColumn = SelectedColumn;
  ColorRow = RecordPosition;
  ColorDialog1->SetDialogColor(ColumnColor);
  if (!ColorDialog1->Execute()) return;
  if (tag == 1) RowColor = ColorDialog1->DialogColor();
  else ColumnColor = ColorDialog1->DialogColor();
  SGT->Repaint();
}

void TTablOprtWnd::SGTDrawCell(int col, int row, CellDrawInfo& info) const {
  if (col == ColorColumn && ColumnColor < clWhite) {
    info.Background = ColumnColor;
    info.TextDx = 2;
    info.TextDy = 2;
  }
  if (row == ColorRow && RowColor < clWhite) {
    info.Background = RowColor;
    info.TextDx = 2;
    info.TextDy = 2;
  }
}

void TTablOprtWnd::PopupMenu1Popup() {
  const bool inside = SelectedColumn >= 0 && SelectedColumn < SGT->ColCount();
  for (MenuItem* m : {SortbyName1, SortbyDataUp1, SortbyDataDown1, FixCol1, ColColor1}) m->SetEnabled(inside);
  RowColor1->SetVisible(RecordPosition < 128);
  ColColor1->SetVisible(SelectedColumn < 128);
}

// --- spreadsheet, tool bar ---

void TTablOprtWnd::ToExcel() { TransferGridsToExcel({{SGT, 1, ""}}, 1); }

void TTablOprtWnd::ToggleToolbars() {
  Toolbars1->SetChecked(!Toolbars1->Checked());
  ToolBar1->SetVisible(Toolbars1->Checked());
}

// --- keys and mouse ---

void TTablOprtWnd::SGTKeyDown(Component* sender, int& key, ShiftState shift) {
  auto* grid = dynamic_cast<StringGrid*>(sender);
  if (!grid) grid = SGT;
  if (Toolkit.GridKeyDown(*grid, key, shift)) return;
  const bool alt = (shift & ssAlt) != 0 && (shift & ssCtrl) == 0;
  if (alt && key == Key::Insert) {
    for (Component* c : std::initializer_list<Component*>{ToolBtnInsertData, ToolBtnInsertColData, ToolBtnInsertColum,
                                                          ToolBtnDelColumn, ToolBtnSortMan, Paste1, Undo1})
      c->SetVisible(!c->Visible());
    EditToolsEnabled = true;
    key = 0;
  } else if (alt && (key == 'H' || key == 'h')) {
    EditToolsEnabled = true;
    Toolkit.HtmlCopyMode = !Toolkit.HtmlCopyMode;
    StatusBar1->SetPanelText(3, Toolkit.HtmlCopyMode ? "HT" : "TXT");
    key = 0;
  }
}

void TTablOprtWnd::SGTMouseDown(Component* sender, MouseButton button, ShiftState shift, int x, int y) {
  auto* grid = dynamic_cast<StringGrid*>(sender);
  if (!grid || button != MouseButton::Left) return;
  int c = -1, r = -1;
  grid->MouseToCell(x, y, c, r);
  if (c < 0 || r < 0) return;
  SelectedColumn = c;
  RecordPosition = r;
  const int lastCol = grid->ColCount() - 1, lastRow = grid->RowCount() - 1;
  titleAnchorCol_ = c;
  titleAnchorRow_ = r;
  if (r == 0 && c > 0) {
    StatusBar1->SetPanelText(2, grid->Cells(c, 0));
    if (!grid->HasOption(goColMoving)) {
      titleSelecting_ = true;
      grid->SetSelection({c, 0, c, lastRow});
    }
  } else if (c == 0 && r > 0) {
    if (!(grid->FixedCols() == 0 && grid->HasOption(goEditing))) titleSelecting_ = true;
    StatusBar1->SetPanelText(2, grid->Cells(0, 0));
    grid->SetSelection({0, r, lastCol, r});
  } else if (c == 0 && r == 0) {
    if (shift & ssCtrl) grid->SetSelection({0, 0, lastCol, 0});
    else if (shift & ssShift) grid->SetSelection({0, 0, 0, lastRow});
    else if (grid->FixedCols() > 0) grid->SetSelection({0, 0, lastCol, lastRow});
    else grid->SetSelection({0, 0, 0, lastRow});
  }
}

void TTablOprtWnd::SGTMouseMove(Component* sender, ShiftState shift, int x, int y) {
  (void)shift;
  auto* grid = dynamic_cast<StringGrid*>(sender);
  if (!grid || !titleSelecting_) return;
  int c = -1, r = -1;
  grid->MouseToCell(x, y, c, r);
  if (c < 0 || r < 0) return;
  if (r == 0 && c > 0) grid->SetSelection({titleAnchorCol_, 0, c, grid->RowCount() - 1});
  else if (c == 0 && r > 0) grid->SetSelection({0, titleAnchorRow_, grid->ColCount() - 1, r});
}

void TTablOprtWnd::SGTMouseUp(Component* sender, MouseButton button, ShiftState shift, int x, int y) {
  (void)shift;
  auto* grid = dynamic_cast<StringGrid*>(sender);
  const bool wasSelecting = titleSelecting_;
  titleSelecting_ = false;
  if (!grid || button != MouseButton::Left || wasSelecting) return;
  int c = -1, r = -1;
  grid->MouseToCell(x, y, c, r);
  if (r != 0 || c <= 0) return;
  const GridRect s = grid->Selection();
  const bool wholeColumns = s.Top <= grid->FixedRows() && s.Bottom == grid->RowCount() - 1;
  if (!wholeColumns || c < s.Left || c > s.Right) return;
  const int width = grid->ColWidths(c);
  for (int k = std::max(s.Left, 1); k <= s.Right; ++k) {
    if (k != c) grid->SetColWidths(k, width);
  }
}

// --- window ---

void TTablOprtWnd::FormResize() {
  for (int i = 0; i < StatusBar1->PanelCount(); ++i) StatusBar1->SetPanelWidth(i, Width() / 4);
}

void TTablOprtWnd::FormDropFiles(const std::vector<std::string>& files) {
  if (!files.empty() && FileDroppedHook) FileDroppedHook(files.front());
}

}  // namespace quorel
