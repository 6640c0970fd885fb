#include "records_charts/GrfVars.h"

#include <algorithm>

#include "platform/Services.h"
#include "records_charts/GrfPara.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TGrfVarDlg* GrfVarDlg = nullptr;

namespace {

constexpr const char* kCaption = "Graphic Variables";

// A series number as the "[Assign]" keys write it: two digits ("00" for X).
std::string SeriesKey(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

const char* Flag(bool on) { return on ? "1" : "0"; }

// A column of the record table that a series or X can be fed from.
bool AssignableColumn(int c) { return c >= 0 && c <= ChartLastAssignableColumn; }

// The series of row r of page k.
int SeriesOf(int k, int r) { return 10 * (k - 1) + r; }

}  // namespace

TGrfVarDlg::TGrfVarDlg(Component* owner) : Form(owner, "GrfVarDlg") {
  GrfVarDlg = this;
  SetCaption(kCaption);
  SetBounds(160, 100, 580, 380);

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);
  StatusBar1->SetHeight(19);
  StatusBar1->SetSimplePanel(true);
  PanelButtons = Make<Panel>(this, "PanelButtons");
  PanelButtons->SetAlign(Align::Bottom);
  PanelButtons->SetHeight(38);
  PanelButtons->SetBevelOuter(BevelStyle::None);
  ButtonOK = Make<Button>(PanelButtons, "ButtonOK");
  ButtonOK->SetCaption("OK");
  ButtonOK->SetBounds(208, 7, 75, 25);
  ButtonOK->SetDefault(true);
  ButtonCancel = Make<Button>(PanelButtons, "ButtonCancel");
  ButtonCancel->SetCaption("Cancel");
  ButtonCancel->SetBounds(296, 7, 75, 25);
  ButtonCancel->SetCancel(true);

  PanelFields = Make<Panel>(this, "PanelFields");
  PanelFields->SetAlign(Align::Left);
  PanelFields->SetWidth(216);
  PanelFields->SetBevelOuter(BevelStyle::None);
  auto label = [this](const char* name, const char* caption, int top) {
    Label* l = Make<Label>(PanelFields, name);
    l->SetCaption(caption);
    l->SetBounds(8, top, 200, 13);
    return l;
  };
  auto button = [this](const char* name, const char* caption, int left, int top) {
    Button* b = Make<Button>(PanelFields, name);
    b->SetCaption(caption);
    b->SetBounds(left, top, 97, 25);
    return b;
  };
  LabelY = label("LabelY", "Y Variable", 8);
  CBY = Make<ComboBox>(PanelFields, "CBY");
  CBY->SetStyle(ComboStyle::DropDownList);
  CBY->SetBounds(8, 24, 200, 21);
  ButtonAdd = button("ButtonAdd", "Add  ->", 8, 52);
  ButtonAsgn = button("ButtonAsgn", "Assign <-", 111, 52);
  ButtonDel = button("ButtonDel", "Del Selection", 8, 82);
  ButtonClear = button("ButtonClear", "Delete All", 111, 82);
  LabelX = label("LabelX", "X Variable", 120);
  CBX = Make<ComboBox>(PanelFields, "CBX");
  CBX->SetStyle(ComboStyle::DropDownList);
  CBX->SetBounds(8, 136, 200, 21);
  CBxTime = Make<CheckBox>(PanelFields, "CBxTime");
  CBxTime->SetCaption("[Time]");
  CBxTime->SetBounds(8, 163, 100, 17);
  LabelCaption = label("LabelCaption", "Caption", 192);
  EditCaption = Make<Edit>(PanelFields, "EditCaption");
  EditCaption->SetBounds(8, 208, 200, 21);
  LabelXvar = label("LabelXvar", "X Description", 238);
  EditXvar = Make<Edit>(PanelFields, "EditXvar");
  EditXvar->SetBounds(8, 254, 200, 21);

  PageControl1 = Make<PageControl>(this, "PageControl1");
  PageControl1->SetAlign(Align::Client);
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    const std::string n = std::to_string(k);
    TabSheet* sheet = Make<TabSheet>(PageControl1, "TS" + n);
    sheet->SetCaption("Y" + n);
    sheet->SetTag(k);
    Panel* top = Make<Panel>(sheet, "PanelName" + n);
    top->SetAlign(Align::Top);
    top->SetHeight(32);
    top->SetBevelOuter(BevelStyle::None);
    Label* name = Make<Label>(top, "LabelName" + n);
    name->SetCaption("Name");
    name->SetBounds(8, 10, 40, 13);
    Edit* edit = Make<Edit>(top, "Edit" + n);
    edit->SetBounds(52, 6, 180, 21);
    edit->SetTag(k);
    StringGrid* g = Make<StringGrid>(sheet, "StringGrid" + n);
    g->SetAlign(Align::Client);
    g->SetTag(k);
    g->SetColCount(3);
    g->SetRowCount(2);
    g->SetFixedCols(1);
    g->SetFixedRows(1);
    g->SetDefaultRowHeight(18);
    g->SetColWidths(GrfVarColId, 28);
    g->SetColWidths(GrfVarColVariable, 170);
    g->SetColWidths(GrfVarColField, 84);
    g->SetCells(GrfVarColId, 0, "ID");
    g->SetCells(GrfVarColVariable, 0, "Variable");
    g->SetCells(GrfVarColField, 0, "Record Field");
    TS[static_cast<std::size_t>(k)] = sheet;
    EditName[static_cast<std::size_t>(k)] = edit;
    Grids[static_cast<std::size_t>(k)] = g;
    SelectedRow[static_cast<std::size_t>(k)] = 1;
    edit->OnChange = [this, k](Component*) { EditNameChange(k); };
    g->OnSelectCell = [this, k](Component*, int col, int row, bool& canSelect) { GridSelectCell(k, col, row, canSelect); };
    g->OnMouseDown = [this, k](Component*, MouseButton, ShiftState, int x, int y) { GridMouseDown(k, x, y); };
  }
  PageControl1->SetActivePage(TS[1]);

  ButtonAdd->OnClick = [this](Component*) { ButtonAddClick(); };
  ButtonAsgn->OnClick = [this](Component*) { ButtonAsgnClick(); };
  ButtonDel->OnClick = [this](Component*) { ButtonDelClick(); };
  ButtonClear->OnClick = [this](Component*) { ButtonClearClick(); };
  ButtonOK->OnClick = [this](Component* s) { ButtonOKClick(s); };
  ButtonCancel->OnClick = [this](Component*) { ButtonCancelClick(); };
  CBY->OnKeyDown = [this](Component*, int& key, ShiftState) { CBYKeyDown(key); };
  PageControl1->OnChange = [this](Component*) { PageControl1Change(); };
  DoCreate();
}

TGrfVarDlg::~TGrfVarDlg() {
  DoDestroy();
  if (GrfVarDlg == this) GrfVarDlg = nullptr;
}

StringGrid* TGrfVarDlg::FieldGrid() const {
  if (fieldGrid_) return fieldGrid_;
  return TablOprtWnd ? TablOprtWnd->SGT : nullptr;
}

int TGrfVarDlg::ActivePageNumber() const {
  const TabSheet* page = PageControl1->ActivePage();
  const int k = page ? page->Tag() : 1;
  return k >= 1 && k <= ChartVariablePageCount ? k : 1;
}

std::string TGrfVarDlg::RecordField(int k, int row) const {
  const StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  return row >= 1 && row < g.RowCount() ? Trim(g.Cells(GrfVarColField, row)) : std::string();
}

int TGrfVarDlg::PageRows(int k) const {
  const StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  for (int r = std::min(g.RowCount() - 1, ChartRowsPerPage); r >= 1; --r)
    if (!RecordField(k, r).empty()) return r;
  return 0;
}

std::string TGrfVarDlg::FieldItemText(const std::string& field) const {
  int i = -1;
  if (!TryTextToInt(field, i) || i < 0 || i >= CBY->Items().Count()) return "?";
  return CBY->Items()[i];
}

// ---------------------------------------------------------------------------------------------
// Dialog commands

void TGrfVarDlg::ButtonAddClick() {
  if (CBY->Items().Count() == 0) return;
  const int k = ActivePageNumber();
  StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  const int i = PageRows(k);
  if (i >= ChartRowsPerPage) {
    MessageBox("Maximum is 10 !", kCaption, mbOk | mbIconInformation);
    return;
  }
  // Only the columns the chart's tables reach can be assigned.
  const int column = CBY->ItemIndex();
  if (!AssignableColumn(column) || column >= CBY->Items().Count()) {
    Status("?");
    return;
  }
  if (g.RowCount() < i + 2) g.SetRowCount(i + 2);
  g.SetCells(GrfVarColId, i + 1, std::to_string(i + 1));
  g.SetCells(GrfVarColVariable, i + 1, CBY->Text());
  g.SetCells(GrfVarColField, i + 1, std::to_string(column));
  if (i == 0 && EditName[static_cast<std::size_t>(k)]->Text().empty()) SetPageName(k, "G" + std::to_string(k));
}

void TGrfVarDlg::ButtonAsgnClick() {
  const int k = ActivePageNumber();
  StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  const int row = SelectedRow[static_cast<std::size_t>(k)];
  const int column = CBY->ItemIndex();
  if (row < 1 || row >= g.RowCount() || !AssignableColumn(column) || column >= CBY->Items().Count()) {
    Status("?");
    return;
  }
  g.SetCells(GrfVarColField, row, std::to_string(column));
  Status(CBY->Text());
}

void TGrfVarDlg::ButtonDelClick() {
  const int k = ActivePageNumber();
  const int row = SelectedRow[static_cast<std::size_t>(k)];
  DeleteGridRow(row, *Grids[static_cast<std::size_t>(k)]);
  RenumberAssignmentPage(k);
  Status(std::to_string(row));
}

void TGrfVarDlg::ButtonClearClick() {
  const int k = ActivePageNumber();
  StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  ClearGridRange(1, 1, g);
  g.SetRowCount(2);
  g.SetCells(GrfVarColId, 1, "");
  RenumberAssignmentPage(k);
}

void TGrfVarDlg::ButtonOKClick(Component* sender) {
  ApplyGraphicVariables();
  if (TableChangedHook) TableChangedHook(0);
  if (GrfWnd) {
    GrfWnd->FormatAxisClick(nullptr);
    GrfWnd->MnuUpdateClick(nullptr);
  }
  if (sender) Close();
}

void TGrfVarDlg::ButtonCancelClick() { Close(); }

void TGrfVarDlg::CBYKeyDown(int& key) {
  if (key != Key::Enter) return;
  key = 0;
  ButtonAddClick();
}

void TGrfVarDlg::GridSelectCell(int k, int col, int row, bool& canSelect) {
  canSelect = col == GrfVarColVariable && row >= 1;
  if (!canSelect) return;
  SelectedRow[static_cast<std::size_t>(k)] = row;
  Status(FieldItemText(RecordField(k, row)));
}

void TGrfVarDlg::GridMouseDown(int k, int x, int y) {
  int col = -1, row = -1;
  Grids[static_cast<std::size_t>(k)]->MouseToCell(x, y, col, row);
  if (row >= 1) Status(FieldItemText(RecordField(k, row)));
}

void TGrfVarDlg::SetPageName(int k, const std::string& name) {
  EditName[static_cast<std::size_t>(k)]->SetText(name);
  EditNameChange(k);
}

void TGrfVarDlg::EditNameChange(int k) {
  // A page without a name keeps its axis on its tab, so that the tabs can be told apart.
  const std::string& name = EditName[static_cast<std::size_t>(k)]->Text();
  TS[static_cast<std::size_t>(k)]->SetCaption(Trim(name).empty() ? "Y" + std::to_string(k) : name);
}

void TGrfVarDlg::PageControl1Change() {
  const int k = ActivePageNumber();
  RenumberAssignmentPage(k);
  Grids[static_cast<std::size_t>(k)]->SetCurrent(GrfVarColVariable, 1);
  SelectedRow[static_cast<std::size_t>(k)] = 1;
}

int TGrfVarDlg::RenumberAssignmentPage(int k) {
  if (k < 1 || k > ChartVariablePageCount) return 0;
  StringGrid& g = *Grids[static_cast<std::size_t>(k)];
  const int rows = PageRows(k);
  for (int r = 1; r <= rows; ++r) g.SetCells(GrfVarColId, r, std::to_string(r));
  return rows;
}

// ---------------------------------------------------------------------------------------------
// The assignment

// The check box of series n fed by column; a series new on the chart is shown at once when
// the record table has that column.
void TGrfVarDlg::ShowAssignedSeries(TGrfWnd& chart, int n, int column, const std::string& caption) {
  const CheckBox* before = chart.Series[static_cast<std::size_t>(n)].checkBox;
  const bool fresh = !before || !before->Visible();
  chart.ShowSeriesCheckBox(n, caption);
  const StringGrid* table = FieldGrid();
  if (!fresh || !table || column < 0 || column >= table->ColCount()) return;
  chart.Series[static_cast<std::size_t>(n)].checkBox->SetChecked(true);
  chart.Series[static_cast<std::size_t>(n)].shown = 1;
}

void TGrfVarDlg::ApplyGraphicVariables() {
  SeriesAssignmentTable& a = SeriesAssignment;
  a.seriesNumber[0] = 0;
  a.column[0] = 0;
  a.axisOfColumn[0] = 0;
  for (int e = 1; e < ChartColumnCount; ++e) a.column[static_cast<std::size_t>(e)] = -1;
  TGrfWnd* chart = GrfWnd;
  if (CBX->Items().Count() > 0) {
    const int x = std::max(CBX->ItemIndex(), 0);
    a.column[0] = x;
    if (AssignableColumn(x)) a.axisOfColumn[static_cast<std::size_t>(x)] = 0;
    if (!CBxTime->Checked() && CBX->ItemIndex() >= 0) {
      XFieldName = CBX->Text();
      if (chart) chart->Axis[0].name = XFieldName;
    }
  }
  a.count = 0;
  unsigned mask = 0;
  if (chart) chart->SuppressCheckBoxClicks = true;
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    const std::size_t ki = static_cast<std::size_t>(k);
    if (GrfParaDlg) GrfParaDlg->BuildAxisPage(k);
    const StringGrid& g = *Grids[ki];
    const int rows = PageRows(k);
    bool any = false;
    for (int r = 1; r <= rows; ++r) {
      const std::string field = RecordField(k, r);
      if (field.empty()) continue;
      any = true;
      a.count += 1;
      const int column = TextToInt(field);
      a.column[static_cast<std::size_t>(a.count)] = column;
      a.seriesNumber[static_cast<std::size_t>(a.count)] = SeriesOf(k, r);
      if (AssignableColumn(column)) a.axisOfColumn[static_cast<std::size_t>(column)] = k;
      if (chart) ShowAssignedSeries(*chart, SeriesOf(k, r), column, Trim(g.Cells(GrfVarColVariable, r)));
    }
    TabSheet* formatSheet = GrfParaDlg ? GrfParaDlg->Sheet[ki] : nullptr;
    if (!any) {
      if (formatSheet) formatSheet->SetTabVisible(false);
      if (chart) chart->Axis[ki].include = false;
    } else {
      Edit* name = EditName[ki];
      if (name->Text().empty()) SetPageName(k, "G" + std::to_string(k));
      if (chart) {
        // An axis that comes into use is fitted while the chart's auto size is on.
        CheckBox* autoBox = GrfParaDlg ? GrfParaDlg->AutoSizeBox[ki] : nullptr;
        if (!chart->Axis[ki].include && chart->AutoSize() && autoBox) autoBox->SetChecked(true);
        chart->Axis[ki].include = true;
        chart->Axis[ki].name = name->Text();
        chart->GbxY[ki]->SetCaption(name->Text());
      }
      if (formatSheet) formatSheet->SetTabVisible(true);
      mask |= 1u << (k - 1);
    }
    // Every row of the page without a record field plots nothing.
    if (chart)
      for (int m = 1; m <= ChartRowsPerPage; ++m)
        if (m > rows || RecordField(k, m).empty()) chart->HideSeries(SeriesOf(k, m));
  }
  if (!chart) return;
  chart->SuppressCheckBoxClicks = false;
  chart->ChartCaption = EditCaption->Text();
  chart->XVariableText = EditXvar->Text();
  chart->LayoutAxisGroups(mask, true);
  TGrfParaDlg* format = GrfParaDlg;
  if (CBxTime->Visible() && CBxTime->Checked() && chart->xTime <= 0) chart->xTime = 3600;
  if (format) {
    format->CBxTime->SetVisible(CBxTime->Checked());
    format->CBlX->SetVisible(!CBxTime->Checked());
    if (!format->CBlX->Visible()) {
      format->CBlX->SetChecked(false);
      chart->Axis[0].log = false;
    }
  }
  if (CBxTime->Visible() && !CBxTime->Checked()) chart->xTime = -1;
  chart->ApplyTimeUnit();
}

void TGrfVarDlg::ResetGraphicVariables() {
  TGrfWnd* chart = GrfWnd;
  if (chart) chart->ClearChartData();
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    const std::size_t ki = static_cast<std::size_t>(k);
    StringGrid& g = *Grids[ki];
    ClearGridRange(0, 1, g);
    g.SetRowCount(2);
    SetPageName(k, "");
    if (chart) chart->Axis[ki].include = k == 1;
  }
  EditCaption->SetText("");
  EditXvar->SetText("");
  if (chart) {
    chart->HideSeries(0);
    chart->ChartCaption.clear();
    chart->XVariableText.clear();
    chart->Axis[0].name = "x";
    chart->Axis[1].name = "y";
    chart->SetCaption("Graphic");
    chart->LayoutAxisGroups(1, true);
  }
  CBY->Items().Assign({"C"});
  CBY->SetItemIndex(0);
  CBX->Items().Assign({"C"});
  CBX->SetItemIndex(0);
  // Nothing of the old assignment stays: a feed after the reset opens no point.
  SeriesAssignmentTable& a = SeriesAssignment;
  a.count = 0;
  a.column.fill(-1);
  a.seriesNumber.fill(0);
  a.axisOfColumn.fill(0);
}

void TGrfVarDlg::FillFieldCombos() {
  const int x = CBX->ItemIndex();
  const int y = CBY->ItemIndex();
  std::vector<std::string> items;
  if (const StringGrid* g = FieldGrid())
    for (int c = 0; c < g->ColCount(); ++c) {
      const std::string h = Trim(g->Cells(c, 0));
      items.push_back(!h.empty() ? h : c == 0 ? "C" : "[undef]");
    }
  const int n = static_cast<int>(items.size());
  CBX->Items().Assign(items);
  CBY->Items().Assign(items);
  CBX->SetItemIndex(x >= 0 && x < n ? x : n > 0 ? 0 : -1);
  CBY->SetItemIndex(y >= 0 && y < n ? y : n > 1 ? 1 : n > 0 ? 0 : -1);
  if (GrfWnd) {
    EditCaption->SetText(GrfWnd->ChartCaption);
    EditXvar->SetText(GrfWnd->XVariableText);
  }
}

void TGrfVarDlg::SetXColumn(int column) {
  if (column < 0) return;
  if (column >= CBX->Items().Count()) FillFieldCombos();
  if (column >= CBX->Items().Count()) return;
  CBX->SetItemIndex(column);
  ButtonOKClick(nullptr);
}

// ---------------------------------------------------------------------------------------------
// The graphic definition of a document

void TGrfVarDlg::StoreGraphicDefinition() { WriteGraphicDefinition(SettingsStore().FileLines()); }

void TGrfVarDlg::WriteGraphicDefinition(std::vector<std::string>& list) {
  // The pages: names, and the variable names of their rows.
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    const std::size_t ki = static_cast<std::size_t>(k);
    const int rows = RenumberAssignmentPage(k);
    list.push_back("[GB" + std::to_string(k) + "]");
    list.push_back("  Alias=" + EditName[ki]->Text());
    list.push_back("  OC=" + std::to_string(rows));
    for (int r = 1; r <= rows; ++r)
      list.push_back("  Y" + std::to_string(r) + "=" + Grids[ki]->Cells(GrfVarColVariable, r));
  }
  TGrfWnd* chart = GrfWnd;
  int timeUnit = chart ? chart->xTime : 0;
  if (!CBxTime->Visible() || !CBxTime->Checked()) timeUnit = -1;
  if (CBX->Items().Count() > 0) {
    list.push_back("[X]");
    list.push_back("  Alias=" + (chart ? chart->Axis[0].name : std::string()));
    if (CBxTime->Visible()) {
      if (!CBxTime->Checked()) timeUnit = 0;
      list.push_back("  xTime=" + std::to_string(timeUnit));
    }
  }
  if (chart) chart->xTime = timeUnit;
  const SeriesAssignmentTable& a = SeriesAssignment;
  list.push_back("[Assign]");
  list.push_back("  Style=" + std::to_string(chart ? chart->Series[0].style : 1));
  for (int e = 0; e <= std::min(a.count, ChartSeriesCount); ++e)
    list.push_back("  " + SeriesKey(a.seriesNumber[static_cast<std::size_t>(e)]) + "=" +
                   std::to_string(a.column[static_cast<std::size_t>(e)]));
  if (!chart) return;
  // The chart's look: keys that come twice keep their first place, as the chart's own writer
  // sets them.
  SettingsReader section;
  const std::string name = "Graphic";
  section.SelectSection(name);
  auto set = [&section](const std::string& key, const std::string& value) { section.SetKeyValue(key, value); };
  const auto colour = ChartColourText;
  set("Caption", chart->ChartCaption);
  section.WriteFontSettings(chart->ChartFont, name);
  set("GbxWidth", std::to_string(chart->PnlVarbox->Width()));
  set("Style", std::to_string(chart->Series[0].style));
  set("GrafBG", colour(chart->GrafBG));
  set("GrafFrame", colour(chart->GrafFrame));
  set("GrafScale", colour(chart->GrafScale));
  set("GrafFG", colour(chart->GrafFG));
  set("GrafFntCol", colour(chart->GrafFntCol));
  set("ToolBars", Flag(chart->PopToolBar->Checked()));
  set("StatusBar", Flag(chart->PopStBar->Checked()));
  set("VariableBox", Flag(chart->PopVarBox->Checked()));
  set("AutoFormat", Flag(chart->AutoSize()));
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    const ChartSeries& s = chart->Series[static_cast<std::size_t>(n)];
    if (!s.checkBox) continue;
    set("sv" + SeriesKey(n), Flag(s.checkBox->Visible() && s.checkBox->Checked()));
    set("cl" + SeriesKey(n), colour(s.colour));
  }
  const ChartAxis& x = chart->Axis[0];
  set("grf0fxa", FloatToFullText(x.from));
  set("grf0fxe", FloatToFullText(x.to));
  set("grf0dx", std::to_string(x.tiles));
  set("grf0LogX", Flag(x.log));
  set("grf0dx", std::to_string(x.tiles));
  set("grf0vx", x.name);
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    if (!GrfParaDlg || !GrfParaDlg->PageShown(k)) continue;
    const ChartAxis& y = chart->Axis[static_cast<std::size_t>(k)];
    const std::string p = "grf" + std::to_string(k);
    set(p + "fya", FloatToFullText(y.from));
    set(p + "fye", FloatToFullText(y.to));
    set(p + "dy", std::to_string(y.tiles));
    set(p + "sw", Flag(y.include));
    set(p + "vy", y.name);
    set(p + "LogY", Flag(y.log));
    const ComboBox* combo = GrfParaDlg->ScaleCombo[static_cast<std::size_t>(k)];
    if (combo && combo->Visible()) set(p + "ex10", std::to_string(AxisScaleExponent[static_cast<std::size_t>(k)]));
  }
  set("xTime", std::to_string(chart->xTime));
  set("Xvar", chart->XVariableText);
  set("FollowTime", Flag(chart->PopFollowTime->Checked()));
  section.WriteSection(name);
  list.insert(list.end(), section.FileLines().begin(), section.FileLines().end());
}

void TGrfVarDlg::ReadGraphicDefinition() {
  SettingsReader& store = SettingsStore();
  TGrfWnd* chart = GrfWnd;
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    StringGrid& g = *Grids[static_cast<std::size_t>(k)];
    ClearGridRange(0, 1, g);
    g.SetRowCount(2);
  }
  FillFieldCombos();
  // The title and the X description.
  store.SelectSection("Graphic");
  EditCaption->SetText(store.GetKeyValue("Caption"));
  EditXvar->SetText(store.GetKeyValue("Xvar"));
  if (chart) {
    chart->ChartCaption = EditCaption->Text();
    chart->XVariableText = EditXvar->Text();
  }
  // The columns: a row keeps its place by its series number.
  SeriesAssignmentTable& a = SeriesAssignment;
  store.SelectSection("Assign");
  const int x = TextToInt(store.GetKeyValue("00"));
  a.column[0] = x;
  if (x >= 0 && x < CBX->Items().Count()) CBX->SetItemIndex(x);
  int count = 0;
  for (int n = 1; n <= ChartYAxisCount * ChartRowsPerPage; ++n) {
    const std::string value = Trim(store.GetKeyValue(SeriesKey(n)));
    if (value.empty()) continue;
    const int column = TextToInt(value);
    if (!AssignableColumn(column)) continue;
    const int k = (n - 1) / 10 + 1, r = n - 10 * (k - 1);
    ++count;
    a.column[static_cast<std::size_t>(count)] = column;
    a.seriesNumber[static_cast<std::size_t>(count)] = n;
    StringGrid& g = *Grids[static_cast<std::size_t>(k)];
    if (g.RowCount() < r + 1) g.SetRowCount(r + 1);
    g.SetCells(GrfVarColField, r, std::to_string(column));
    g.SetCells(GrfVarColId, r, std::to_string(r));
  }
  a.count = count;
  // X.
  if (store.SelectSection("X") > 0) {
    const std::string alias = store.GetKeyValue("Alias");
    if (!alias.empty() && chart) chart->Axis[0].name = alias;
    const std::string xvar = store.GetKeyValue("Xvar");
    if (!xvar.empty()) {
      EditXvar->SetText(xvar);
      if (chart) chart->XVariableText = xvar;
    }
    // A program without the time box (Lunetta) has no time axis, whatever a file says.
    const std::string time = Trim(store.GetKeyValue("xTime"));
    if (!time.empty() && CBxTime->Visible()) {
      const int unit = TextToInt(time);
      if (chart) chart->xTime = unit;
      CBxTime->SetChecked(unit > 0);
    }
  }
  // The names of the pages and of their rows.
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    const std::size_t ki = static_cast<std::size_t>(k);
    // A page without its section has no name (as one written without a name reads back).
    if (store.SelectSection("GB" + std::to_string(k)) <= 0) {
      SetPageName(k, "");
      continue;
    }
    const int oc = std::min(TextToInt(store.GetKeyValue("OC")), ChartRowsPerPage);
    SetPageName(k, store.GetKeyValue("Alias"));
    StringGrid& g = *Grids[ki];
    for (int r = 1; r <= oc && r < g.RowCount(); ++r)
      g.SetCells(GrfVarColVariable, r, store.GetKeyValue("Y" + std::to_string(r)));
  }
}

// ---------------------------------------------------------------------------------------------
// Renumbering after the record definition changed

void TGrfVarDlg::FindXColumn() {
  SeriesAssignment.column[0] = 0;
  const int i = CBX->Items().IndexOf(XFieldName);
  if (i >= 0) {
    SeriesAssignment.column[0] = i;
    CBX->SetItemIndex(i);
    return;
  }
  // The list says so too, so that the pages applied next keep X at column 0.
  if (CBX->Items().Count() > 0) CBX->SetItemIndex(0);
  PostLogMessage(LevelImportant, ChartXFieldMissingId, "No Records for x/t-Coordinate  " + XFieldName);
}

void TGrfVarDlg::RenumberSeriesColumn(int oldColumn, int newColumn) {
  const std::string old = std::to_string(oldColumn);
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    StringGrid& g = *Grids[static_cast<std::size_t>(k)];
    for (int r = 1; r < g.RowCount(); ++r) {
      if (Trim(g.Cells(GrfVarColField, r)) != old) continue;
      const std::string variable = g.Cells(GrfVarColVariable, r);
      if (newColumn > 0) {
        // The mark keeps the row from matching a later old number.
        g.SetCells(GrfVarColField, r, "+" + std::to_string(newColumn));
        PostLogMessage(LevelInfo, ChartSeriesRenumberedId, variable + " Rec. ID:" + std::to_string(newColumn));
      } else {
        g.SetCells(GrfVarColField, r, "-1");
        PostLogMessage(LevelCritical, ChartSeriesFieldMissingId, "No Records for " + variable);
      }
      return;
    }
  }
}

void TGrfVarDlg::ClearRenumberMarks() {
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    StringGrid& g = *Grids[static_cast<std::size_t>(k)];
    for (int r = 1; r < g.RowCount(); ++r) {
      const std::string& cell = g.Cells(GrfVarColField, r);
      if (!cell.empty() && cell[0] == '+') g.SetCells(GrfVarColField, r, cell.substr(1));
    }
  }
}

void TGrfVarDlg::AutoSizeFromRecordTable() {
  if (GrfParaDlg && FieldGrid()) GrfParaDlg->AutoSizeAxes(*FieldGrid());
}

void TGrfVarDlg::LabelCurvesFromTable() {
  const StringGrid* table = FieldGrid();
  for (int k = 1; k <= ChartVariablePageCount; ++k) {
    StringGrid& g = *Grids[static_cast<std::size_t>(k)];
    for (int r = 1; r <= PageRows(k); ++r) {
      const std::string field = RecordField(k, r);
      int column = -1;
      if (field.empty() || !TryTextToInt(field, column)) continue;
      if (table && column >= 0 && column < table->ColCount()) g.SetCells(GrfVarColVariable, r, table->Cells(column, 0));
      if (!GrfWnd) continue;
      if (CheckBox* box = GrfWnd->Series[static_cast<std::size_t>(SeriesOf(k, r))].checkBox)
        box->SetCaption(g.Cells(GrfVarColVariable, r));
    }
  }
  if (GrfWnd && CBX->ItemIndex() >= 0 && CBX->ItemIndex() < CBX->Items().Count()) GrfWnd->Axis[0].name = CBX->Text();
}

}  // namespace quorel
