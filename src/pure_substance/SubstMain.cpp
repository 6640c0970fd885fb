#include "pure_substance/SubstMain.h"

#include <algorithm>
#include <cmath>

#include "platform/Services.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstSel.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/TDynOprt.h"

namespace quorel {

std::array<int, SubstanceColumnCount> TableColumnIndex = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
PropertyResult SelectedResult;
SubstanceChartLink SubstanceChart;
SubstanceFileRoutine SubstanceFileReader;
SubstanceFileRoutine SubstanceFileWriter;
TPSubstWnd* PSubstWnd = nullptr;

namespace {

// Data rows of one run (the header row is the grid's row 0).
constexpr int MaxDataRows = MaxSubstanceTableRows - 1;

// One-time notes of a run (indices into OnceFlags).
enum OnceNote : int {
  NoteSolidTc = 0,
  NoteSolidRange = 1,
  NoteLiquidTc = 2,
  NoteLiquidRange = 3,
  NoteGasRange = 4,
  NoteAnyRange = 5,
  NoteVle = 6,
};

const char* const kCreationHeaders[SubstanceColumnCount] = {
    "Phase", " T [ C ]", " Cp [ J/mol K ]", " H [ J/mol ]", " S [ J/mol K ]", " G [ J/mol ]",
    " Z [ - ]", " V [ m\xB3/mol ]", " Hr [ J/mol ]", " Sr [ J/mol K ]", " Gr [ J/mol ]"};

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Name and phase of a substance key. "(u)" (phase not given) is one of the phase parts the
// window offers, so "H2O(u)" gives H2O and "(u)" as "H2O" does.
bool SplitSubstanceKey(const std::string& key, std::string& name, std::string& phase) {
  if (key.size() > 3 && EndsWith(key, "(u)")) {
    name = Trim(std::string_view(key).substr(0, key.size() - 3));
    phase = "(u)";
    return !name.empty();
  }
  return SplitNamePhase(key, name, phase);
}

bool ExtrapolationBoxChecked() {
  return !TDynOprtWnd || !TDynOprtWnd->CBExtrapolation || TDynOprtWnd->CBExtrapolation->Checked();
}

int PhaseSlotOfCode(char code) {
  switch (code) {
    case 'g': return PhaseGas;
    case 'l': return PhaseLiquid;
    case 's': return PhaseSolid;
    default: return -1;
  }
}

std::string ReferencesOf(int row) {
  return TDynOprtWnd ? TDynOprtWnd->ReferenceText(row) : std::string();
}

}  // namespace

void ResetColumnOrder(platform::StringGrid* grid) {
  // Logical columns 0..i-1 stand in their places; the one that belongs to place i lies to its
  // right and comes back, the columns between move one place on.
  for (int i = 0; grid && i < SubstanceColumnCount; ++i) {
    const int at = TableColumnIndex[i];
    if (at == i || at < i || at >= grid->ColCount()) continue;
    grid->MoveColumn(at, i);
    for (int& g : TableColumnIndex)
      if (g >= i && g < at) ++g;
    TableColumnIndex[i] = i;
  }
  for (int i = 0; i < SubstanceColumnCount; ++i) TableColumnIndex[i] = i;
}

bool ReadThroughSubstanceSlot(TPSubstWnd& window, const std::string& path) {
  return SubstanceFileReader && SubstanceFileReader(window, path);
}

bool WriteThroughSubstanceSlot(TPSubstWnd& window, const std::string& path) {
  return SubstanceFileWriter && SubstanceFileWriter(window, path);
}

std::vector<double> RunVariablePlan(double start, double step, double end, bool insert25C, int limit) {
  std::vector<double> plan;
  if (limit < 1) return plan;
  // Grid points 0..last. The quotient may be huge or infinite (a tiny step, a far end): it is
  // compared with the limit before it becomes an integer.
  long long last = 0;
  if (step > 0 && end > start) {
    const double steps = (end - start) / step;
    const double lastPoint = std::floor(steps + 1e-9 * std::max(1.0, steps));
    last = lastPoint < double(limit) ? static_cast<long long>(lastPoint) : limit;
  }
  // 298.15 K goes after the grid temperature below it when the next grid temperature lies
  // above it and the run reaches it.
  bool insert = insert25C && std::round(100 * end) >= 29815;
  for (long long k = 0; k <= last && int(plan.size()) < limit; ++k) {
    const double value = start + double(k) * step;
    plan.push_back(value);
    if (insert && int(plan.size()) < limit && std::round(100 * value) < 29815 &&
        std::round(100 * (value + step)) >= 29816) {
      insert = false;
      plan.push_back(298.15);
    }
  }
  return plan;
}

// ---------------------------------------------------------------------------------------------
// Window

TPSubstWnd::TPSubstWnd(platform::Component* owner) : platform::Form(owner, "PSubstWnd") {
  using namespace platform;
  SetCaption("Table");
  SetFormStyle(FormStyle::MDIChild);
  SetBounds(0, 0, 1100, 420);

  // The menus open from the tool bar's buttons below (ToolBar1): the window shows no menu
  // bar of its own besides them.
  MainMenu1 = Make<MainMenu>(this, "MainMenu1");
  MnuTableMenu = MainMenu1->Add("MnuTableMenu", "Table");
  MnuUpdate = MnuTableMenu->Add("MnuUpdate", "Update");
  MnuBatchCalculation = MnuTableMenu->Add("MnuBatchCalculation", "Batch Calculation");
  MnuSave = MnuTableMenu->Add("MnuSave", "Save");
  MnuOpen = MnuTableMenu->Add("MnuOpen", "Open");
  MnuToMsExcel = MnuTableMenu->Add("MnuToMsExcel", "To MS Excel");
  MnuEditMenu = MainMenu1->Add("MnuEditMenu", "Edit");
  MnuSelectAll = MnuEditMenu->Add("MnuSelectAll", "Select all");
  MnuCopy = MnuEditMenu->Add("MnuCopy", "Copy");
  MnuCopy->SetTag(1);
  MnuCopyMode = MnuEditMenu->Add("MnuCopyMode", "Copy Mode");
  MnuCopyModeText = MnuCopyMode->Add("MnuCopyModeText", "Text and Tab");
  MnuCopyModeText->SetChecked(true);
  MnuCopyModeHtml = MnuCopyMode->Add("MnuCopyModeHtml", "HTML");
  MnuCopyModeHtml->SetTag(1);
  MnuSystemMenu = MainMenu1->Add("MnuSystemMenu", "System");
  MnuBehaviour = MnuSystemMenu->Add("MnuBehaviour", "Behaviour");
  MnuSelect = MnuSystemMenu->Add("MnuSelect", "Select from Database");
  MnuGraphic = MnuSystemMenu->Add("MnuGraphic", "Graphic");
  MnuTemperature = MnuSystemMenu->Add("MnuTemperature", "Temperature");
  MnuTempC = MnuTemperature->Add("MnuTempC", "[ C ]");
  MnuTempC->SetTag(1);
  MnuTempC->SetChecked(true);
  MnuTempK = MnuTemperature->Add("MnuTempK", "[ K ]");
  MnuTempK->SetTag(0);
  MnuEnergy = MnuSystemMenu->Add("MnuEnergy", "Energy");
  MnuEJ = MnuEnergy->Add("MnuEJ", "[ J ]");
  MnuEJ->SetTag(1);
  MnuEJ->SetChecked(true);
  MnuEkJ = MnuEnergy->Add("MnuEkJ", "[ kJ ]");
  MnuEkJ->SetTag(1000);
  MnuMass = MnuSystemMenu->Add("MnuMass", "Mass");
  MnuMol = MnuMass->Add("MnuMol", "[ mol ]");
  MnuMol->SetTag(0);
  MnuGram = MnuMass->Add("MnuGram", "[ g ]");
  MnuGram->SetTag(1);
  MnuKg = MnuMass->Add("MnuKg", "[ kg ]");
  MnuKg->SetTag(2);
  MnuVolume = MnuSystemMenu->Add("MnuVolume", "Volume");
  MnuVol = MnuVolume->Add("MnuVol", "V");
  MnuVol->SetTag(0);
  MnuVol->SetChecked(true);
  MnuVolInv = MnuVolume->Add("MnuVolInv", "1/V");
  MnuVolInv->SetTag(1);
  MnuInsert25 = MnuSystemMenu->Add("MnuInsert25", "Insert 25C (298.15K)");
  MnuSettingsMenu = MainMenu1->Add("MnuSettingsMenu", "Settings");
  MnuFont = MnuSettingsMenu->Add("MnuFont", "Font");
  MnuColor = MnuSettingsMenu->Add("MnuColor", "Table Color");
  MnuColMove = MnuSettingsMenu->Add("MnuColMove", "Col. Move Enable");
  MnuSaveNow = MnuSettingsMenu->Add("MnuSaveNow", "Save Now");
  MnuSaveNow->SetVisible(false);
  MnuSaveByExit = MnuSettingsMenu->Add("MnuSaveByExit", "Save by Exit");
  MnuSaveByExit->SetVisible(false);
  MnuInfoMenu = MainMenu1->Add("MnuInfoMenu", "Information");
  MenHelp = MnuInfoMenu->Add("MenHelp", "Help");
  MnuMessage = MnuInfoMenu->Add("MnuMessage", "Messages");
  MnuAbout = MnuInfoMenu->Add("MnuAbout", "About");

  ToolBar1 = Make<ToolBar>(this, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  ToolBar1->SetBounds(0, 0, 960, 22);
  ToolBar1->SetShowCaptions(true);
  ToolBar1->SetButtonSize(60, 20);
  ToolBtnTable = MakeToolButton(ToolBar1, "ToolBtnTable", "Table", "Table");
  ToolBtnEdit = MakeToolButton(ToolBar1, "ToolBtnEdit", "Edit", "Edit");
  ToolBtnSystem = MakeToolButton(ToolBar1, "ToolBtnSystem", "System", "System");
  ToolBtnSettings = MakeToolButton(ToolBar1, "ToolBtnSettings", "Settings", "Settings");
  ToolBtnInfo = MakeToolButton(ToolBar1, "ToolBtnInfo", "Information", "Information");
  ToolBtnTable->SetDropdownItem(MnuTableMenu);
  ToolBtnEdit->SetDropdownItem(MnuEditMenu);
  ToolBtnSystem->SetDropdownItem(MnuSystemMenu);
  ToolBtnSettings->SetDropdownItem(MnuSettingsMenu);
  ToolBtnInfo->SetDropdownItem(MnuInfoMenu);

  PopupGrid = Make<PopupMenu>(this, "PopupGrid");
  PopSelectAll = PopupGrid->Add("PopSelectAll", "Select All");
  PopCopy = PopupGrid->Add("PopCopy", "Copy");
  PopCopy->SetTag(0);
  PopN1 = PopupGrid->AddSeparator("PopN1");
  PopPaste = PopupGrid->Add("PopPaste", "Paste");
  PopClearTable = PopupGrid->Add("PopClearTable", "Clear Table");
  PopN1->SetVisible(false);
  PopPaste->SetVisible(false);
  PopupEdit = Make<PopupMenu>(this, "PopupEdit");
  PopMnuConvers = PopupEdit->Add("PopMnuConvers", "Convert");
  PopMnuCopy = PopupEdit->Add("PopMnuCopy", "Copy");
  PopMnuPaste = PopupEdit->Add("PopMnuPaste", "Paste");
  PopupStatus = Make<PopupMenu>(this, "PopupStatus");
  CopySB = PopupStatus->Add("CopySB", "Copy");

  PanelTop = Make<Panel>(this, "PanelTop");
  PanelTop->SetAlign(Align::Top);
  PanelTop->SetBounds(0, 0, 960, 50);
  PanelTop->SetBevelOuter(BevelStyle::None);
  Label3 = Make<Label>(PanelTop, "Label3");
  Label3->SetCaption("Const.");
  Label3->SetBounds(224, 4, 56, 13);
  Label1 = Make<Label>(PanelTop, "Label1");
  Label1->SetCaption("T1 [ C ]");
  Label1->SetBounds(288, 4, 56, 13);
  Labeld = Make<Label>(PanelTop, "Labeld");
  Labeld->SetCaption("dT [ C ]");
  Labeld->SetBounds(352, 4, 56, 13);
  Label2 = Make<Label>(PanelTop, "Label2");
  Label2->SetCaption("T2 [ C ]");
  Label2->SetBounds(416, 4, 56, 13);
  CbxSubst = Make<ComboBox>(PanelTop, "CbxSubst");
  CbxSubst->SetBounds(8, 20, 120, 21);
  CbxSubst->SetText("CO2");
  CbxTP = Make<ComboBox>(PanelTop, "CbxTP");
  CbxTP->SetStyle(ComboStyle::DropDownList);
  CbxTP->SetBounds(136, 20, 80, 21);
  CbxTP->Items().Add("P [bar]");
  CbxTP->Items().Add("T [ C ]");
  ETP = Make<Edit>(PanelTop, "ETP");
  ETP->SetBounds(224, 20, 56, 21);
  ETP->SetText("1");
  EditV1 = Make<Edit>(PanelTop, "EditV1");
  EditV1->SetBounds(288, 20, 56, 21);
  EditV1->SetText("0");
  EditdV = Make<Edit>(PanelTop, "EditdV");
  EditdV->SetBounds(352, 20, 56, 21);
  EditdV->SetText("25");
  EditV2 = Make<Edit>(PanelTop, "EditV2");
  EditV2->SetBounds(416, 20, 56, 21);
  EditV2->SetText("500");
  ButtonUpdate = Make<Button>(PanelTop, "ButtonUpdate");
  ButtonUpdate->SetCaption("Update");
  ButtonUpdate->SetBounds(480, 18, 75, 25);
  CBex = Make<CheckBox>(PanelTop, "CBex");
  CBex->SetCaption("Extrapolation");
  CBex->SetBounds(564, 22, 100, 17);
  CBex->SetChecked(true);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(19);
  for (int w : {64, 128, 128, 128}) StBar->AddPanel(w);

  SGT = Make<StringGrid>(this, "SGT");
  SGT->SetAlign(Align::Client);
  SGT->SetColor(clWindow);
  SGT->SetPopupMenu(PopupGrid);
  StBar->SetPopupMenu(PopupStatus);
  // The constant's edit and the range edits share one popup; the tag tells them apart.
  ETP->SetTag(0);
  for (Edit* e : {EditV1, EditdV, EditV2}) e->SetTag(1);
  for (Edit* e : {ETP, EditV1, EditdV, EditV2}) e->SetPopupMenu(PopupEdit);

  ButtonUpdate->OnClick = [this](Component* s) { ButtonUpdateClick(s); };
  MnuUpdate->OnClick = [this](Component* s) { ButtonUpdateClick(s); };
  CbxTP->OnChange = [this](Component* s) { CbxTPChange(s); };
  CBex->OnClick = [this](Component* s) { CBexClick(s); };
  for (MenuItem* item : {MnuTempC, MnuTempK}) item->OnClick = [this](Component* s) { TemperatureClick(s); };
  for (MenuItem* item : {MnuEJ, MnuEkJ}) item->OnClick = [this](Component* s) { MnuEJClick(s); };
  for (MenuItem* item : {MnuMol, MnuGram, MnuKg}) item->OnClick = [this](Component* s) { MnuMassClick(s); };
  for (MenuItem* item : {MnuVol, MnuVolInv}) item->OnClick = [this](Component* s) { MnuVolClick(s); };
  MnuInsert25->OnClick = [this](Component* s) { MnuInsert25Click(s); };
  MnuBehaviour->OnClick = [this](Component* s) { MnuBehaviourClick(s); };
  MnuSelect->OnClick = [this](Component* s) { MnuSelectClick(s); };
  MnuMessage->OnClick = [this](Component* s) { MnuMessageClick(s); };
  MnuAbout->OnClick = [this](Component* s) { MnuAboutClick(s); };
  MenHelp->OnClick = [this](Component* s) { MenHelpClick(s); };
  MnuSaveNow->OnClick = [this](Component* s) { MnuSaveNowClick(s); };
  MnuSave->OnClick = [this](Component* s) { MnuSaveClick(s); };
  MnuOpen->OnClick = [this](Component* s) { MnuOpenClick(s); };
  MnuSaveByExit->OnClick = [this](Component*) { MnuSaveByExit->SetChecked(!MnuSaveByExit->Checked()); };
  // Enter in the key or a range edit runs the Update run.
  auto enterRuns = [this](Component*, int& key, ShiftState) {
    if (key != Key::Enter) return;
    key = 0;
    ButtonUpdateClick(ButtonUpdate);
  };
  for (Component* c : std::initializer_list<Component*>{ETP, EditV1, EditdV, EditV2}) c->OnKeyDown = enterRuns;
  CbxSubst->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { CbxSubstKeyDown(s, key, shift); };

  // Table commands.
  MnuBatchCalculation->OnClick = [this](Component* s) { MnuBatchCalculationClick(s); };
  MnuToMsExcel->OnClick = [this](Component* s) { MnuToMsExcelClick(s); };
  for (MenuItem* item : {MnuSelectAll, PopSelectAll}) item->OnClick = [this](Component* s) { MnuSelelectAllClick(s); };
  for (MenuItem* item : {MnuCopy, PopCopy}) item->OnClick = [this](Component* s) { MnuCopyClick(s); };
  for (MenuItem* item : {MnuCopyModeText, MnuCopyModeHtml})
    item->OnClick = [this](Component* s) { MnuCopyModeTextClick(s); };
  // The copy mode is the toolkit's flag, which the record table's Alt+H and the settings file
  // set too: the checks show it whenever the menu opens.
  MnuEditMenu->OnClick = [this](Component*) {
    MnuCopyModeHtml->SetChecked(TableToolkit().HtmlCopyMode);
    MnuCopyModeText->SetChecked(!TableToolkit().HtmlCopyMode);
  };
  MnuFont->OnClick = [this](Component* s) { MnuFontClick(s); };
  MnuColor->OnClick = [this](Component* s) { MnuColorClick(s); };
  MnuColMove->OnClick = [this](Component* s) { MnuColMoveClick(s); };
  PopPaste->OnClick = [this](Component* s) { PopPasteClick(s); };
  PopClearTable->OnClick = [this](Component* s) { PopClearTableClick(s); };
  PopMnuConvers->OnClick = [this](Component* s) { PopMnuConversClick(s); };
  PopMnuCopy->OnClick = [this](Component* s) { PopMnuCopyClick(s); };
  PopMnuPaste->OnClick = [this](Component* s) { PopMnuPasteClick(s); };
  CopySB->OnClick = [this](Component* s) { CopySBClick(s); };
  SGT->OnSelectCell = [this](Component* s, int c, int r, bool& can) { SGTSelectCell(s, c, r, can); };
  SGT->OnColumnMoved = [this](Component* s, int from, int to) { SGTColumnMoved(s, from, to); };
  SGT->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { SGTKeyDown(s, key, shift); };
  StBar->OnMouseMove = [this](Component* s, ShiftState shift, int x, int y) { StBarMouseMove(s, shift, x, y); };
  OnResize = [this](Component* s) { FormResize(s); };

  PSubstWnd = this;
  FormCreate();
  DoCreate();
  Show();  // an MDI child is shown when it is made
}

TPSubstWnd::~TPSubstWnd() {
  DoDestroy();
  if (PSubstWnd == this) PSubstWnd = nullptr;
}

void TPSubstWnd::FormCreate() {
  using namespace platform;
  Calculated = false;
  ErrorState = -1;
  CurrentT = 298.15;
  ConstP = 1.0;
  T1 = 298.15;
  T2 = 573.0;
  dT = 25.0;
  P1 = 1.0;
  P2 = 2.0;
  dP = 0.1;
  EnergyFactor = 1.0;
  AmountFactor = 1.0;
  SGT->SetFixedCols(0);
  SGT->SetFixedRows(0);
  SGT->SetColCount(SubstanceColumnCount);
  SGT->SetRowCount(2);
  SGT->SetFixedRows(1);
  SGT->SetDefaultRowHeight(18);
  SGT->SetDefaultColWidth(86);
  SGT->SetColWidths(0, 44);
  SGT->SetOptions(goDefaultOptions | goColSizing | goRangeSelect);
  CbxTP->SetItemIndex(0);
  for (int c = 0; c < SubstanceColumnCount; ++c) SGT->SetCells(c, 0, kCreationHeaders[c]);
  ResetColumnOrder();
  ErrorState = 0;
  MnuMol->SetChecked(true);
  for (MenuItem* item : {MnuGram, MnuKg, MnuTempK, MnuEkJ}) item->SetChecked(false);
  BatchMode = false;
}

// ---------------------------------------------------------------------------------------------
// Helpers

const std::string& TPSubstWnd::TableCell(int logicalColumn, int row) const {
  static const std::string empty;
  if (logicalColumn < 0 || logicalColumn >= SubstanceColumnCount) return empty;
  return SGT->Cells(TableColumnIndex[logicalColumn], row);
}

void TPSubstWnd::SetTableCell(int logicalColumn, int row, std::string_view text) {
  if (logicalColumn < 0 || logicalColumn >= SubstanceColumnCount) return;
  SGT->SetCells(TableColumnIndex[logicalColumn], row, text);
}

std::string TPSubstWnd::EquationName() const {
  if (TDynOprtWnd && TDynOprtWnd->RGgrl) {
    const int i = TDynOprtWnd->RGgrl->ItemIndex();
    if (i >= 0 && i < TDynOprtWnd->RGgrl->Items().Count()) return TDynOprtWnd->RGgrl->Items()[i];
  }
  return std::string(EosCaption(EosType));
}

std::string TPSubstWnd::EnergyUnit() const { return MnuEkJ->Checked() ? "kJ" : "J"; }

std::string TPSubstWnd::AmountUnit() const {
  if (MnuKg->Checked()) return "kg";
  if (MnuGram->Checked()) return "g";
  return "mol";
}

void TPSubstWnd::SetFrameStatus(int panel, const std::string& text) {
  if (MdiMainWnd) MdiMainWnd->StBar->SetPanelText(panel, text);
}

void TPSubstWnd::SetFrameCaption(const std::string& text) {
  if (MdiMainWnd) MdiMainWnd->SetCaption(text);
}

void TPSubstWnd::SetChartCaption(const std::string& text) {
  if (SubstanceChart.SetCaption) SubstanceChart.SetCaption(*this, text);
}

void TPSubstWnd::ShowSubstanceCaptions(const std::string& key) {
  platform::Application().SetTitle(key.empty() ? "Quorel Pure Substance" : key + " - Pure Substance ");
  SetFrameCaption(key.empty() ? "Pure Substance" : "Pure Substance: " + key);
  SetChartCaption(key.empty() ? "Graphic [Pure Subsatance]" : "Graphic: " + key);
  SetCaption(key.empty() ? "Table" : key);
}

// ---------------------------------------------------------------------------------------------
// Range input, headers, finishing

bool ValidateRangeEdit(TPSubstWnd& window, platform::Edit* edit, const std::string& label, double& value) {
  const std::string text = Trim(edit->Text());
  if (TryTextToDouble(text, value) && std::isfinite(value)) return true;
  value = 0;
  window.StatusText = label + " is irregular !";
  PostLogMessage(LevelCritical, 591, window.StatusText);
  window.ErrorState = 1;
  return false;
}

void TPSubstWnd::SetBatchHeaders() {
  SetTableCell(ColPhase, 0, CbxTP->Items()[1]);
  SetTableCell(ColVariable, 0, CbxTP->Items()[0]);
}

void SetTableHeaders(TPSubstWnd& w) {
  const std::string E = w.EnergyUnit(), M = w.AmountUnit();
  const std::string t = w.MnuTempC->Checked() ? "C" : "K";
  if (w.BatchMode) {
    w.SetBatchHeaders();
  } else {
    w.SetTableCell(ColPhase, 0, "Phase");
    w.SetTableCell(ColVariable, 0, w.CbxTP->ItemIndex() == 1 ? std::string("P [bar]") : "T [ " + t + " ]");
  }
  w.SetTableCell(ColCp, 0, "Cp [" + E + "/" + M + " " + t + "]");
  w.SetTableCell(ColH, 0, "H [" + E + "/" + M + "]");
  w.SetTableCell(ColS, 0, "S [" + E + "/" + M + " K]");
  w.SetTableCell(ColG, 0, "G [" + E + "/" + M + "]");
  w.SetTableCell(ColZ, 0, "Z [-]");
  w.SetTableCell(ColV, 0, w.MnuVolInv->Checked() ? "1/V [" + M + "/m\xB3]" : "V [m\xB3/" + M + "]");
  w.SetTableCell(ColHr, 0, "Hr[" + E + "/" + M + "]");
  w.SetTableCell(ColSr, 0, "Sr[" + E + "/" + M + " K]");
  w.SetTableCell(ColGr, 0, "Gr[" + E + "/" + M + "]");
  if (SubstanceChart.HeadersChanged) SubstanceChart.HeadersChanged(w);
}

void FinishSubstanceCalculation(TPSubstWnd& w) {
  if (w.ErrorState >= 1) {
    w.SetCaption("");
    if (SubstanceChart.SetCaption) SubstanceChart.SetCaption(w, "Graphic [Pure Subsatance]");
    if (MdiMainWnd) MdiMainWnd->SetCaption("Pure Substance");
  }
  if (MdiMainWnd) MdiMainWnd->StBar->SetPanelText(2, w.StatusText);
}

void RecalculateFromSelection() {
  if (PSubstWnd) PSubstWnd->ButtonUpdateClick(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Datasets of the substance

void SubstanceDatasetInfo(TPSubstWnd& w) {
  w.RangeText.clear();
  w.CombinedInterval = {-1, -1};
  w.PhaseInterval = {-1, -1};
  w.MolarMassValue = -1;
  w.DescriptionText.clear();
  struct Pass {
    int slot;
    const char* key;
    const char* lineTag;
    const char* refTag;
    int lineId, summaryId;
  };
  const Pass passes[] = {
      {PhaseSolid, "(s)", " (s): ", "; Ref. ", 636, 643},
      {PhaseLiquid, "(l)", " (l): ", "; Ref. ", 664, 676},
      {PhaseGas, "(g)", " (g): ", "; Ref.:", 698, 710},
  };
  auto criticalParts = [](double Tc, double Pc) {
    std::string s;
    if (Tc > 0) s += "; Tc[K]=" + FloatToShortText(Tc);
    if (Pc > 0) s += "; Pc[bar]=" + FloatToShortText(Pc);
    return s;
  };
  for (const Pass& pass : passes) {
    w.PhaseInterval = {-1, -1};
    double Tc = -1, Pc = -1;
    int count = 0;
    for (int i = 1; i <= CandidateList.Count(); ++i) {
      const int row = CandidateList.Row(i);
      if (DatasetTable.Text(row, FieldPhase) != pass.key) continue;
      ++count;
      const double tmin = DatasetTable.Value(row, FieldTmin), tmax = DatasetTable.Value(row, FieldTmax);
      if (w.PhaseInterval[0] < 0 || tmin < w.PhaseInterval[0]) w.PhaseInterval[0] = tmin;
      if (w.PhaseInterval[1] < 0 || tmax > w.PhaseInterval[1]) w.PhaseInterval[1] = tmax;
      const double dsTc = DatasetTable.Value(row, FieldTc), dsPc = DatasetTable.Value(row, FieldPc);
      if (count == 1) {
        Tc = dsTc;
        Pc = dsPc;
      }
      std::string line = DatasetTable.Text(row, FieldName) + pass.lineTag + FloatToShortText(tmin) +
                         " < T[K] < " + FloatToShortText(tmax) + criticalParts(dsTc, dsPc);
      double omega = 0;
      if (TryParseDatasetValue(DatasetTable.Text(row, FieldOmega), omega) && std::isfinite(omega)) {
        line += "; w=" + FloatToShortText(omega);
        w.AcentricFactor = omega;
        w.AcentricFactorKnown = true;
      }
      line += pass.refTag + ReferencesOf(row);
      PostLogMessageUnique(LevelImportant, pass.lineId, line);
      w.DescriptionText = DatasetTable.Text(row, FieldDescription);
      w.MolarMassValue = MolarMass(DatasetTable.Text(row, FieldComposition));
    }
    if (count > 1)
      PostLogMessage(LevelInfo, pass.summaryId,
                     w.SubstanceName + pass.lineTag + FloatToShortText(w.PhaseInterval[0]) + " < T[K] < " +
                         FloatToShortText(w.PhaseInterval[1]) + criticalParts(Tc, Pc));
    // The combined interval of the enabled phases (those of the previous run); a phase
    // without datasets leaves it as it is.
    if (count == 0 || !w.PhaseEnabled[pass.slot]) continue;
    if (pass.slot == PhaseSolid) {
      w.CombinedInterval = w.PhaseInterval;
    } else {
      if (w.CombinedInterval[0] < 0 || w.PhaseInterval[0] < w.CombinedInterval[0])
        w.CombinedInterval[0] = w.PhaseInterval[0];
      if (w.CombinedInterval[1] < 0 || w.PhaseInterval[1] > w.CombinedInterval[1])
        w.CombinedInterval[1] = w.PhaseInterval[1];
    }
  }
  if (w.MolarMassValue > -1) PostLogMessage(LevelInfo, 749, "M [g/mol]: " + FloatToShortText(w.MolarMassValue));
  if (w.CombinedInterval[0] > -1 && w.CombinedInterval[1] > -1)
    w.RangeText = FloatToShortText(w.CombinedInterval[0] - w.TemperatureOffset) + " <" +
                  w.ColumnHeader(ColVariable) + "< " +
                  FloatToShortText(w.CombinedInterval[1] - w.TemperatureOffset);
}

// ---------------------------------------------------------------------------------------------
// One row

int EvaluateTableRow(TPSubstWnd& w, char code, double P, double T) {
  const bool any = code == 'u';
  std::array<bool, 3> wanted{};
  wanted[PhaseGas] = (code == 'g' || any) && w.PhaseEnabled[PhaseGas];
  wanted[PhaseLiquid] = (code == 'l' || any) && w.PhaseEnabled[PhaseLiquid];
  wanted[PhaseSolid] = (code == 's' || any) && w.PhaseEnabled[PhaseSolid];

  // Above its critical temperature a condensed phase does not exist; above the gas's Tc
  // nothing condenses.
  const DatasetRecord& solid = PhaseDatasets[PhaseSolid].Record;
  const DatasetRecord& liquid = PhaseDatasets[PhaseLiquid].Record;
  const DatasetRecord& gas = PhaseDatasets[PhaseGas].Record;
  if (wanted[PhaseSolid] && solid.Tc > 0 && T > solid.Tc) {
    wanted[PhaseSolid] = false;
    // A range run rises in T: the solid stays off for the rest of it. The rows of a batch
    // come in any order, so there it is left out of this row only.
    if (!w.BatchMode) w.PhaseEnabled[PhaseSolid] = false;
  }
  if (wanted[PhaseLiquid] && liquid.Tc > 0 && T > liquid.Tc) wanted[PhaseLiquid] = false;
  if (wanted[PhaseGas] && (wanted[PhaseSolid] || wanted[PhaseLiquid]) && gas.Tc > 0 && T > gas.Tc)
    wanted[PhaseSolid] = wanted[PhaseLiquid] = false;

  std::array<bool, 3> evaluated{};
  for (int p : {int(PhaseSolid), int(PhaseLiquid), int(PhaseGas)}) {
    if (!wanted[p]) continue;
    PhaseDatasetEntry& entry = PhaseDatasets[p];
    if (entry.Row <= 0) {
      wanted[p] = false;
      continue;
    }
    const DatasetRecord& r = entry.Record;
    // Another dataset of the phase may cover T. A range run rises in T and keeps a record
    // above its range; a batch looks again whenever the record does not hold T.
    const bool outside = T < r.Tmin || T > r.Tmax;
    const bool lookAgain = w.BatchMode ? outside || r.RangeStatus != RangeInside
                                       : (r.RangeStatus < 0 && T >= r.Tmin) || (r.RangeStatus == 0 && outside);
    if (lookAgain) {
      const int row = FindDataset(r.Name, SubstancePhaseKeys[p], T);
      if (row > 0) {
        entry.Row = row;
        entry.Record = CurrentDataset;
      }
    }
    if (!w.CBex->Checked() && entry.Record.RangeStatus != 0) {
      wanted[p] = false;
      continue;
    }
    PhaseResults[p] = PropertyResult{};
    evaluated[p] = EvaluateProperties(entry.Row, EosType, PhaseResults[p], P, T);
    if (p == PhaseLiquid) w.LiquidVolume = evaluated[p] ? LastLiquidMolarVolume() : 0;
    // Where the equation has no vapour root there is no gas: its values are not shown.
    if (p == PhaseGas && evaluated[p] && PhaseResults[p].NoVapourRoot) {
      evaluated[p] = false;
      PhaseResults[p].status = StatusNoPhase;
    }
    // A gas without critical data is an ideal gas under every equation: the run says so once.
    if (p == PhaseGas && evaluated[p] && !w.IdealGasFallbackPosted && ComputedAsIdealGas(entry.Row, EosType)) {
      PostIdealGasFallback(EosType, {entry.Record.Name + " (g)"});
      w.IdealGasFallbackPosted = true;
    }
  }

  // Only phases that were evaluated take part in the choice.
  int chosen = -1;
  if (!any) {
    const int p = PhaseSlotOfCode(code);
    if (p >= 0 && wanted[p] && evaluated[p]) chosen = p;
  } else {
    // A phase extrapolated to T competes only where no phase's dataset covers T.
    std::array<bool, 3> candidate{};
    std::array<int, 3> rangeStatus{};
    for (int p = 0; p < 3; ++p) {
      candidate[p] = wanted[p] && evaluated[p];
      rangeStatus[p] = PhaseDatasets[p].Record.RangeStatus;
    }
    const double Tcl = PhaseDatasets[PhaseLiquid].Record.Tc;
    KeepPhasesThatCoverT(candidate, rangeStatus, w.CBex->Checked() && Tcl > 0 && T < Tcl);
    if (candidate[PhaseGas]) chosen = PhaseGas;
    if (candidate[PhaseLiquid] && (chosen < 0 || PhaseResults[PhaseLiquid].G < PhaseResults[chosen].G))
      chosen = PhaseLiquid;
    if (candidate[PhaseSolid] && (chosen < 0 || PhaseResults[PhaseSolid].G < PhaseResults[chosen].G))
      chosen = PhaseSolid;
  }

  // A gas that could not be evaluated at all is reported once per run.
  if (wanted[PhaseGas] && !evaluated[PhaseGas] && PhaseResults[PhaseGas].status == StatusBadInput &&
      w.NoPhaseText.empty()) {
    // The equation's name as the Behaviour window lists it; none for the ideal gas or for an
    // equation the list does not hold. Without the window, the equation's own caption.
    std::string eos;
    if (EosType > 0 && !TDynOprtWnd)
      eos = std::string(EosCaption(EosType));
    else if (EosType > 0 && EosType < TDynOprtWnd->RGgrl->Items().Count())
      eos = TDynOprtWnd->RGgrl->Items()[EosType];
    w.NoPhaseText = "Calculation in Table corresponding to \"" + eos + "\" no possible  at: " + " T=" +
                    FloatToShortText(T) + "[K]; " + " P=" + FloatToShortText(P) + "[bar]";
    PostLogMessage(LevelCritical, 1125, w.NoPhaseText);
  }

  if (chosen < 0) {
    SelectedResult = PropertyResult{};
    return 0;
  }
  SelectedResult = PhaseResults[chosen];
  SelectedDataset = PhaseDatasets[chosen].Record;
  SelectedDatasetRow = PhaseDatasets[chosen].Row;
  if (!ExtrapolationBoxChecked() && SelectedDataset.RangeStatus != 0) return 0;
  return chosen == PhaseGas ? 1 : chosen == PhaseLiquid ? 2 : 3;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TPSubstWnd::ButtonUpdateClick(platform::Component*) {
  platform::RunStateScope busy(platform::RunState::Waiting);
  StartRun();
  if (BatchMode)
    RunBatchCalculation(*this);
  else
    RangeRun();
}

void TPSubstWnd::StartRun() {
  // Start.
  if (AplMsgWnd) AplMsgWnd->Clear();
  const bool celsius = MnuTempC->Checked();
  UnitText = celsius ? " [ C ]" : " [ K ]";
  TemperatureOffset = celsius ? 273.15 : 0;
  Calculated = false;
  DescriptionText.clear();
  StatusText.clear();
  NoPhaseText.clear();
  IdealGasFallbackPosted = false;
  ErrorState = 0;

  // Key, database, phase records.
  runKey_ = Trim(CbxSubst->Text());
  BlankFreeKey = WithoutBlanks(runKey_);
  AcentricFactor = 0;
  AcentricFactorKnown = false;
  StBar->SetPanelText(3, "");
  ClearCandidateList();
  if (TDynOprtWnd) TDynOprtWnd->RefreshDatabase();
  for (PhaseDatasetEntry& entry : PhaseDatasets) {
    entry.Record.Name.clear();
    entry.Row = 0;
  }
  SelectedDatasetRow = 0;

  // What is checked, and with which equation.
  PostLogMessage(LevelInfo, 728, "Data Check " + BlankFreeKey + " using " + EquationName());
  SetCaption("Table");
}

bool TPSubstWnd::LookUpSubstance(double P, double T) {
  // Name and phase.
  if (!SplitSubstanceKey(BlankFreeKey, SubstanceName, PhaseKey)) {
    StatusText = "No valid substance given";
    PostLogMessage(LevelError, 891, StatusText);
    ErrorState = 4;
    FinishSubstanceCalculation(*this);
    return false;
  }

  // Every dataset of the name.
  BuildCandidateList(SubstanceName, "(*)");
  SubstanceDatasetInfo(*this);
  SelectedDataset.Name = SubstanceName;
  SelectedDataset.Phase = PhaseKey;
  const char code = PhaseKey.size() > 1 ? PhaseKey[1] : 'u';
  PhaseEnabled = {code == 'g', code == 'l', code == 's'};

  // The datasets at the start point.
  if (code == 'u') {
    SelectedDatasetRow = EvaluateStablePhase(SubstanceName, P, T, ExtrapolationBoxChecked());
    for (int p = 0; p < 3; ++p) PhaseEnabled[p] = PhaseDatasets[p].Row > 0;
  } else {
    const int row = FindDataset(SubstanceName, PhaseKey, T);
    SelectedDatasetRow = std::max(row, 0);
    const int slot = PhaseSlotOfCode(code);
    if (row > 0 && slot >= 0) {
      PhaseDatasets[slot].Record = CurrentDataset;
      PhaseDatasets[slot].Row = row;
      SelectedDataset = CurrentDataset;
    }
  }

  // Nothing of the substance at the start point.
  if (SelectedDatasetRow < 1) {
    StatusText = "Data of " + BlankFreeKey + " do not exist in the database";
    PostLogMessage(LevelError, 805, StatusText);
    ErrorState = 2;
    FinishSubstanceCalculation(*this);
    return false;
  }
  return true;
}

void TPSubstWnd::TakeSelectedSubstance() {
  const double M = MolarMass(SelectedDataset.Composition);
  StBar->SetPanelText(1, FloatToShortText(M));
  StBar->SetPanelText(2, SelectedDataset.Composition);
  StBar->SetPanelText(3, SelectedDataset.Description);
  AmountFactor = 1;
  if (!MnuMol->Checked() && M > 0) AmountFactor = MnuKg->Checked() ? 1000 / M : 1 / M;
  if (!(EnergyFactor > 0)) EnergyFactor = 1;
}

void TPSubstWnd::RangeRun() {
  // Range, corrected where it cannot be used as given; every correction is said.
  const bool constantT = CbxTP->ItemIndex() == 1;
  const double off = TemperatureOffset;
  std::vector<double> plan;
  double P = ConstP;
  RangeNotes.clear();
  if (!constantT) {
    double p, t1, step, t2;
    if (!ValidateRangeEdit(*this, ETP, CbxTP->Text(), p) || !ValidateRangeEdit(*this, EditV1, Label1->Caption(), t1) ||
        !ValidateRangeEdit(*this, EditdV, Labeld->Caption(), step) ||
        !ValidateRangeEdit(*this, EditV2, Label2->Caption(), t2)) {
      EmptyTable();
      FinishSubstanceCalculation(*this);
      return;
    }
    T1 = t1 + off;
    T2 = t2 + off;
    dT = step;
    if (T1 < 0) {
      T1 = 0.001;
      CorrectRangeEdit(RangeStartCorrectedId, EditV1, Label1->Caption(), "is below 0 K", T1 - off);
    }
    if (T2 < T1) {
      T2 = T1;
      CorrectRangeEdit(RangeEndCorrectedId, EditV2, Label2->Caption(), "is below T1", T2 - off);
    }
    if (dT <= 0) {
      dT = 100;
      CorrectRangeEdit(RangeStepCorrectedId, EditdV, Labeld->Caption(), "is not above 0", dT);
    }
    if (p <= 0) {
      p = 1.0;
      CorrectRangeEdit(RangeConstantCorrectedId, ETP, CbxTP->Text(), "is not above 0", p);
    }
    ConstP = P = p;
    CurrentT = T1;
    plan = RunVariablePlan(T1, dT, T2, MnuInsert25->Checked(), MaxDataRows + 1);
  } else {
    double t, p1, step, p2;
    if (!ValidateRangeEdit(*this, ETP, CbxTP->Text(), t) || !ValidateRangeEdit(*this, EditV1, Label1->Caption(), p1) ||
        !ValidateRangeEdit(*this, EditdV, Labeld->Caption(), step) ||
        !ValidateRangeEdit(*this, EditV2, Label2->Caption(), p2)) {
      EmptyTable();
      FinishSubstanceCalculation(*this);
      return;
    }
    CurrentT = t + off;
    P1 = p1;
    dP = step;
    P2 = p2;
    if (P1 <= 0) {
      P1 = 1.0;
      CorrectRangeEdit(RangeStartCorrectedId, EditV1, Label1->Caption(), "is not above 0", P1);
    }
    if (P2 < P1) {
      P2 = P1;
      CorrectRangeEdit(RangeEndCorrectedId, EditV2, Label2->Caption(), "is below P1", P2);
    }
    if (dP < 0) {
      dP = 0;
      CorrectRangeEdit(RangeStepCorrectedId, EditdV, Labeld->Caption(), "is below 0", dP);
    }
    // A step of 0 gives the start pressure alone.
    if (dP == 0 && P2 > P1) SayRangeNote(RangeSingleRowId, Labeld->Caption() + ": 0 gives the one row at P1");
    if (CurrentT <= 0) {
      CurrentT = 298.0;
      CorrectRangeEdit(RangeConstantCorrectedId, ETP, CbxTP->Text(), "is not above 0 K", CurrentT - off);
    }
    ConstP = P = P1;
    plan = RunVariablePlan(P1, dP, P2, false, MaxDataRows + 1);
  }
  if (CurrentT <= 0) CurrentT = 1e-25;
  // A plan one value longer than the table tells that the range goes on beyond it.
  if (int(plan.size()) > MaxDataRows) {
    plan.resize(MaxDataRows);
    const double last = plan.back();
    SayRangeNote(RangeCutId,
                 "Range cut to " + std::to_string(MaxDataRows) + " rows: it ends at " +
                     (constantT ? VariableText(last, CurrentT) + " [bar]" : VariableText(P, last) + UnitText));
  }
  SGT->SetRowCount(std::clamp(int(plan.size()) + 1, 2, MaxSubstanceTableRows));

  // The substance and its datasets at the start point.
  if (!LookUpSubstance(P, CurrentT)) {
    EmptyTable();
    return;
  }
  const char code = PhaseKey.size() > 1 ? PhaseKey[1] : 'u';

  // Chart series of the phases.
  if (SubstanceChart.EnableSeriesGroup) {
    SubstanceChart.EnableSeriesGroup(*this, 0, 0, 0);
    SubstanceChart.EnableSeriesGroup(*this, 1, 9, PhaseDatasets[PhaseGas].Row);
    SubstanceChart.EnableSeriesGroup(*this, 11, 19, PhaseDatasets[PhaseLiquid].Row);
    SubstanceChart.EnableSeriesGroup(*this, 21, 24, PhaseDatasets[PhaseSolid].Row);
  }

  // Status, captions and units.
  TakeSelectedSubstance();
  ShowSubstanceCaptions(BlankFreeKey);

  // From the start again, on an empty table.
  if (!constantT)
    CurrentT = T1;
  else
    ConstP = P = P1;
  ClearGridRange(0, 1, *SGT);

  // The start point decides the phases of the run.
  int previousCode = EvaluateTableRow(*this, code, P, CurrentT);
  for (int p = 0; p < 3; ++p) PhaseEnabled[p] = PhaseDatasets[p].Row > 0;

  // Temperature interval of the enabled phases.
  PhaseInterval = {-1, -1};
  for (int p : {int(PhaseGas), int(PhaseLiquid), int(PhaseSolid)}) {
    if (!PhaseEnabled[p]) continue;
    double tmin, tmax;
    if (TTDynOprtWnd::DatasetTemperatureRange(PhaseDatasets[p].Record.Name, std::string(SubstancePhaseKeys[p]), tmin, tmax) <= 0)
      continue;
    if (p == PhaseGas) {
      PhaseInterval = {tmin, tmax};
    } else {
      if (PhaseInterval[0] < 0 || tmin < PhaseInterval[0]) PhaseInterval[0] = tmin;
      if (PhaseInterval[1] < 0 || tmax > PhaseInterval[1]) PhaseInterval[1] = tmax;
    }
  }
  if (PhaseInterval[0] < 0 || PhaseInterval[1] < 0) {
    PostLogMessage(LevelError, 994, "Access to Database fails");
    return;
  }
  // The dataset listing above knew only the phases of the previous run; the notes of this run
  // name the interval of this run's phases.
  CombinedInterval = PhaseInterval;
  RangeText = FloatToShortText(PhaseInterval[0] - TemperatureOffset) + " <" + ColumnHeader(ColVariable) + "< " +
              FloatToShortText(PhaseInterval[1] - TemperatureOffset);

  // The rows.
  OnceFlags.fill(true);
  Calculated = true;
  int r = 0;
  std::string beyondFirst, beyondLast;  // the first and last row whose values are impossible
  for (double value : plan) {
    const double T = constantT ? CurrentT : value;
    if (constantT)
      ConstP = P = value;
    else
      CurrentT = T;
    const int rowCode = EvaluateTableRow(*this, code, P, T);
    if (rowCode == 0) NoPhaseNotes(code, T);
    VleWarning();
    if (rowCode > 0 && !PlausibleResult(SelectedResult)) {
      WriteBeyondDataRow(r, P, T);
      if (beyondFirst.empty()) beyondFirst = VariableText(P, T);
      beyondLast = VariableText(P, T);
      continue;
    }
    if (rowCode > 0) WriteRow(rowCode, r, previousCode, P, T, constantT ? dP : dT);
  }
  if (!beyondFirst.empty())
    PostLogMessage(LevelImportant, BeyondDataId,
                   BlankFreeKey + ": the data do not reach " + beyondFirst +
                       (beyondLast != beyondFirst ? " to " + beyondLast : "") + " " +
                       (constantT ? std::string("[bar]") : UnitText) + ", no values shown");

  // The table's columns show their whole numbers.
  SGT->WidenColumnsToText(0, SGT->ColCount() - 1);

  // History.
  SaveHistory(runKey_);

  // Chart.
  const std::string tp = CbxTP->Text();
  ChartCaptionText = BlankFreeKey + " ; " + (tp.empty() ? std::string() : tp.substr(0, 1)) + "=" + ETP->Text() +
                     (tp.size() > 1 ? tp.substr(1) : std::string());
  if (SubstanceChart.RunFinished) SubstanceChart.RunFinished(*this, ChartCaptionText);

  // Status: what the run corrected or cut in its range, else the equation.
  StBar->SetPanelText(0, SelectedDataset.Name);
  if (r > 0) SGT->SetRowCount(r + 1);
  SetFrameStatus(0, DescriptionText);
  SetFrameStatus(2, RangeNotes.empty() ? EquationName() : RangeNotes);
  PostLogMessage(LevelInfo, 1016, "Calculation end  using " + EquationName());
}

void TPSubstWnd::WriteRow(int code, int& r, int& previousCode, double P, double T, double step) {
  (void)step;  // the boiling-point scan at a change goes back by the temperature step dT
  auto ensureRow = [this](int row) {
    if (row >= SGT->RowCount()) SGT->SetRowCount(row + 1);
  };
  ++r;
  ensureRow(r);
  if (code != previousCode && r >= 2) {
    SetTableCell(ColPhase, r, "change");
    for (int c = ColVariable; c < SubstanceColumnCount; ++c) SetTableCell(c, r, " ");
    ++r;
    ensureRow(r);
    // Rising along the run towards the solid: the extrapolated data are suspect. The note names
    // the extrapolated row at the change; rows inside their datasets give none.
    const bool extrapolated = SelectedDataset.RangeStatus != RangeInside;
    if (previousCode < code && (extrapolated || PreviousRowExtrapolated))
      PostLogMessage(LevelError, 994, "Extremly extrapolations cause errors at T :" +
                                          FloatToShortText((extrapolated ? T : PreviousRowT) - TemperatureOffset));
    // Liquid to gas near 1 bar: the change lies at the normal boiling point, from which the
    // acentric factor can be estimated. It is only reported; the dataset keeps its own.
    if (previousCode == 2 && code == 1 && SelectedDataset.Pc > 0 && P > 0.99 && P <= 1.02 &&
        EstimateAcentricFactor(PhaseDatasets[PhaseGas].Record.Name, T, T - dT, SelectedDataset.Pc))
      PostLogMessage(LevelImportant, 998, "Estimated acentric factor w=" + FloatToShortText(AcentricFactorEstimate.RootB));
  }
  SetTableCell(ColPhase, r, SelectedDataset.Phase);
  SetTableCell(ColVariable, r, VariableText(P, T));
  WriteResultCells(r, P, T, true);
  previousCode = code;
  PreviousRowT = T;
  PreviousRowExtrapolated = SelectedDataset.RangeStatus != RangeInside;
}

bool PlausibleResult(const PropertyResult& r) {
  return std::isfinite(r.Cp) && std::isfinite(r.H) && std::isfinite(r.S) && std::isfinite(r.G) && r.Cp > 0 &&
         r.S >= 0;
}

void TPSubstWnd::WriteBeyondDataRow(int& r, double P, double T) {
  ++r;
  if (r >= SGT->RowCount()) SGT->SetRowCount(r + 1);
  SetTableCell(ColPhase, r, BeyondDataText);
  SetTableCell(ColVariable, r, VariableText(P, T));
  for (int c = ColVariable + 1; c < SubstanceColumnCount; ++c) SetTableCell(c, r, " ");
}

std::string TPSubstWnd::VariableText(double P, double T) const {
  if (CbxTP->ItemIndex() == 1) return FloatToShortText(P);
  double shown = MnuTempC->Checked() ? T - 273.15 : T;
  if (MnuTempC->Checked() && std::fabs(shown) <= 1e-7) shown = 0;
  return FloatToTextF(shown, 9, 2);
}

void TPSubstWnd::SayRangeNote(int id, const std::string& text) {
  PostLogMessage(LevelCritical, id, text);
  RangeNotes += (RangeNotes.empty() ? "" : "; ") + text;
}

void TPSubstWnd::CorrectRangeEdit(int id, platform::Edit* edit, const std::string& label, const std::string& reason,
                                  double used) {
  const std::string shown = FloatToShortText(used);
  SayRangeNote(id, label + ": " + Trim(edit->Text()) + " " + reason + ", " + shown + " is used");
  edit->SetText(shown);
}

void TPSubstWnd::EmptyTable() {
  ClearGridRange(0, 1, *SGT);
  SGT->SetRowCount(2);
  if (ChartShowsTable()) RefreshChartFromTable(1);
}

void TPSubstWnd::WriteResultCells(int r, double P, double T, bool idealGasZV) {
  const double ea = EnergyFactor * AmountFactor;
  SetTableCell(ColCp, r, FloatToShortText(SelectedResult.Cp * ea));
  SetTableCell(ColH, r, FloatToShortText(SelectedResult.H * ea));
  SetTableCell(ColS, r, FloatToShortText(SelectedResult.S * ea));
  SetTableCell(ColG, r, FloatToShortText(SelectedResult.G * ea));
  for (int c = ColZ; c < SubstanceColumnCount; ++c) SetTableCell(c, r, " ");
  const bool inverse = MnuVolInv->Checked();
  const double gasV = SelectedResult.Z * GasConstant() * T / (P * 100000) * AmountFactor;
  if (SelectedResult.status < 1) {
    if (idealGasZV && SelectedDataset.Phase == "(g)") {
      SetTableCell(ColZ, r, FloatToShortText(SelectedResult.Z));
      double V = gasV;
      if (inverse) V = V > 0 ? 1 / V : 0;
      SetTableCell(ColV, r, FloatToShortText(V));
    }
  } else {
    SetTableCell(ColZ, r, FloatToShortText(SelectedResult.Z));
    double V = 0;
    if (SelectedResult.status == StatusRealGas) V = gasV;
    if (SelectedResult.status == StatusRealLiquid && LiquidVolume > 0) V = LiquidVolume * AmountFactor;
    if (inverse && V > 0) V = 1 / V;
    SetTableCell(ColV, r, FloatToShortText(V));
    SetTableCell(ColHr, r, FloatToShortText(SelectedResult.Hr * ea));
    SetTableCell(ColSr, r, FloatToShortText(SelectedResult.Sr * ea));
    SetTableCell(ColGr, r, FloatToShortText(SelectedResult.Gr * ea));
  }
}

void TPSubstWnd::NoPhaseNotes(char code, double T) {
  StatusText.clear();
  const std::string& header = ColumnHeader(ColVariable);
  const double off = TemperatureOffset;
  const std::string interval = FloatToShortText(PhaseInterval[0] - off) + " <" + header + "< " +
                               FloatToShortText(PhaseInterval[1] - off);
  auto once = [this](int note) {
    if (!OnceFlags[note]) return false;
    OnceFlags[note] = false;
    return true;
  };
  auto condensed = [&](int slot, const char* tag, int tcNote, int rangeNote) {
    const PhaseDatasetEntry& e = PhaseDatasets[slot];
    if (e.Row <= 0) return;
    if (e.Record.Tc > 0 && T > e.Record.Tc && once(tcNote))
      StatusText = e.Record.Name + tag + header + "> Tc =" + FloatToShortText(e.Record.Tc - off);
    if (!CBex->Checked() && (T < e.Record.Tmin || T > e.Record.Tmax) && once(rangeNote))
      StatusText = "Extrapolation disabled. dataset interval:" + interval;
  };
  if (code == 's') condensed(PhaseSolid, " (s) can not exist at ", NoteSolidTc, NoteSolidRange);
  if (code == 'l') condensed(PhaseLiquid, " (l) can not exist at ", NoteLiquidTc, NoteLiquidRange);
  if (code == 'g') {
    const PhaseDatasetEntry& e = PhaseDatasets[PhaseGas];
    if (e.Row > 0 && !CBex->Checked() && (T < e.Record.Tmin || T > e.Record.Tmax) && once(NoteGasRange))
      StatusText = "T:" + FloatToShortText(T - off) + UnitText + "; Extrapolation disabled. dataset interval:" + interval;
  }
  if (code == 'u' && !CBex->Checked() && once(NoteAnyRange))
    StatusText = "T:" + FloatToShortText(T - off) + UnitText + "; Extrapolation disabled. dataset interval: " + RangeText;
  if (!StatusText.empty()) PostLogMessageAlways(LevelImportant, 899, StatusText);
}

void TPSubstWnd::VleWarning() {
  if (!OnceFlags[NoteVle] || EosType <= EosGeneralizedRedlichKwong || !CBex->Checked()) return;
  if (SelectedDataset.RangeStatus >= 0) return;
  if (PhaseDatasets[PhaseGas].Row <= 0 && PhaseDatasets[PhaseLiquid].Row <= 0) return;
  OnceFlags[NoteVle] = false;
  StatusText = EquationName() + " for " + SelectedDataset.Name + " " + SelectedDataset.Phase +
               ", calculations may be unusable, when extrapolation is enabled";
  PostLogMessageAlways(LevelImportant, 922, StatusText);
}

void TPSubstWnd::SaveHistory(const std::string& key) {
  const std::string text = CbxSubst->Text();
  platform::Strings& items = CbxSubst->Items();
  if (items.Empty())
    items.Add(key);
  else
    items.Insert(0, key);
  for (int i = items.Count() - 1; i >= 1; --i) {
    if (items[i] == key) {
      items.Delete(i);
      break;
    }
  }
  CbxSubst->SetText(text);
}

void TPSubstWnd::CbxTPChange(platform::Component* sender) {
  const bool celsius = MnuTempC->Checked();
  UnitText = celsius ? " [C]" : " [K]";
  TemperatureOffset = celsius ? 273.15 : 0;
  // Without a sender only the labels change: the edits keep what the user or a file put in.
  if (CbxTP->ItemIndex() == 1) {
    if (sender) ETP->SetText(FloatToShortText(T1 - TemperatureOffset));
    if (!BatchMode) SetTableCell(ColVariable, 0, "P [bar]");
    Label1->SetCaption("P1 [bar]");
    Labeld->SetCaption("dP [bar]");
    Label2->SetCaption("P2 [bar]");
    if (sender) {
      EditV1->SetText(FloatToShortText(P1));
      EditdV->SetText(FloatToShortText(dP));
      EditV2->SetText(FloatToShortText(P2));
    }
  } else {
    if (sender) ETP->SetText(FloatToShortText(ConstP));
    if (!BatchMode) SetTableCell(ColVariable, 0, "T " + UnitText);
    Label1->SetCaption("T1" + UnitText);
    Labeld->SetCaption("dT" + UnitText);
    Label2->SetCaption("T2" + UnitText);
    if (sender) {
      EditV1->SetText(FloatToShortText(T1 - TemperatureOffset));
      EditdV->SetText(FloatToShortText(dT));
      EditV2->SetText(FloatToShortText(T2 - TemperatureOffset));
    }
  }
  // The batch's T and P columns keep their headers; the range table's second column is now
  // the other variable: no value of the mode before stays under its header.
  if (BatchMode) SetBatchHeaders();
  else if (sender) EmptyTable();
}

void TPSubstWnd::TemperatureClick(platform::Component* sender) {
  const bool wasCelsius = MnuTempC->Checked();
  const double oldOffset = wasCelsius ? 273.15 : 0;
  bool celsius = wasCelsius;
  if (sender) celsius = sender->Tag() == 1;
  // With the temperature held constant, the constant is the user's temperature: it is shown
  // in the new unit, not replaced by the start of the other mode's range.
  double constantT = 0;
  const bool keepConstantT =
      CbxTP->ItemIndex() == 1 && TryTextToDouble(Trim(ETP->Text()), constantT) && std::isfinite(constantT);
  MnuTempC->SetChecked(celsius);
  MnuTempK->SetChecked(!celsius);
  TemperatureOffset = celsius ? 273.15 : 0;
  // The typed temperatures of a batch are the same states in the new unit.
  if (BatchMode && celsius != wasCelsius) {
    for (int r = 1; r < SGT->RowCount(); ++r) {
      double t = 0;
      if (TryTextToDouble(Trim(TableCell(ColPhase, r)), t) && std::isfinite(t))
        SetTableCell(ColPhase, r, FloatToShortText(t + oldOffset - TemperatureOffset));
    }
  }
  if (CbxTP->ItemIndex() == 0) {
    EditV1->SetText(FloatToShortText(T1 - TemperatureOffset));
    EditdV->SetText(FloatToShortText(dT));
    EditV2->SetText(FloatToShortText(T2 - TemperatureOffset));
  }
  if (wasCelsius != celsius && SubstanceChart.TemperatureUnitChanged)
    SubstanceChart.TemperatureUnitChanged(*this, !celsius);
  SetTableHeaders(*this);
  const int index = CbxTP->ItemIndex();
  CbxTP->Items().Assign({"P [bar]", celsius ? "T [ C ]" : "T [ K ]"});
  CbxTP->SetItemIndex(index);
  CbxTPChange(nullptr);
  if (keepConstantT) ETP->SetText(FloatToShortText(constantT + oldOffset - TemperatureOffset));
  if (sender && ErrorState == 0) ButtonUpdateClick(nullptr);
}

void TPSubstWnd::MnuEJClick(platform::Component* sender) {
  if (!sender) return;
  const int tag = sender->Tag();
  MnuEJ->SetChecked(MnuEJ->Tag() == tag);
  MnuEkJ->SetChecked(MnuEkJ->Tag() == tag);
  EnergyFactor = 1.0 / (tag < 1 ? 1 : tag);
  if (ErrorState == 0) ButtonUpdateClick(nullptr);
  SetTableHeaders(*this);
}

void TPSubstWnd::MnuMassClick(platform::Component* sender) {
  if (!sender) return;
  const int tag = sender->Tag();
  for (platform::MenuItem* item : {MnuMol, MnuGram, MnuKg}) item->SetChecked(item->Tag() == tag);
  if (ErrorState == 0) ButtonUpdateClick(nullptr);
  SetTableHeaders(*this);
}

void TPSubstWnd::MnuVolClick(platform::Component* sender) {
  if (!sender) return;
  const bool v = sender->Tag() == 0;
  MnuVol->SetChecked(v);
  MnuVolInv->SetChecked(!v);
  const std::string M = AmountUnit();
  SetTableCell(ColV, 0, v ? "V [m\xB3/" + M + "]" : "1/V [" + M + "/m\xB3]");
  // The chart's volume axis is named after the column.
  if (SubstanceChart.HeadersChanged) SubstanceChart.HeadersChanged(*this);
  if (ErrorState == 0) ButtonUpdateClick(nullptr);
}

void TPSubstWnd::MnuInsert25Click(platform::Component*) { MnuInsert25->SetChecked(!MnuInsert25->Checked()); }

void TPSubstWnd::CBexClick(platform::Component*) {
  // The Behaviour window's hidden box follows the window's own.
  if (TDynOprtWnd && TDynOprtWnd->CBExtrapolation) TDynOprtWnd->CBExtrapolation->SetChecked(CBex->Checked());
}

void TPSubstWnd::MnuBehaviourClick(platform::Component*) {
  if (!TDynOprtWnd) return;
  if (TDynOprtWnd->RGgrl->Items().Count() > EosType) TDynOprtWnd->RGgrl->SetItemIndex(EosType);
  TDynOprtWnd->Show();
  TDynOprtWnd->BringToFront();
}

void TPSubstWnd::MnuSelectClick(platform::Component*) { ShowSubstanceSelection(); }

void TPSubstWnd::MnuMessageClick(platform::Component*) {
  if (AplMsgWnd) AplMsgWnd->ShowInFront();
}

void TPSubstWnd::MnuAboutClick(platform::Component*) {
  if (!InfoDlg) return;
  InfoDlg->Show();
  InfoDlg->BringToFront();
}

void TPSubstWnd::MenHelpClick(platform::Component*) {
  if (InfoDlg) InfoDlg->OpenHelpIndex();
}

void TPSubstWnd::ShowTableWnd(platform::Component*) {
  if (GetWindowState() == platform::WindowState::Minimized) SetWindowState(platform::WindowState::Normal);
  Show();
  BringToFront();
  StatusPanelIndex = 0;
}

void TPSubstWnd::FormCloseQuery(platform::Component* sender, bool& canClose) {
  canClose = true;
  if (auto* form = dynamic_cast<platform::Form*>(sender); form && form->GetFormStyle() == platform::FormStyle::MDIChild)
    return;
  if (!MdiMainWnd || !MdiMainWnd->MnuSaveByExit->Checked() || MnuSaveNowClick(nullptr)) return;
  // The program ends all the same: the user learns that the settings are not kept.
  const std::string text = "The settings could not be saved in " + SettingsStore().UserSettingsFile;
  PostLogMessageAlways(LevelError, SubstanceSettingsNotSavedId, text);
  platform::MessageBox(text, "Pure Substance", platform::mbOk | platform::mbIconWarning);
}

bool TPSubstWnd::MnuSaveNowClick(platform::Component*) {
  return WriteThroughSubstanceSlot(*this, SettingsStore().UserSettingsFile);
}

}  // namespace quorel
