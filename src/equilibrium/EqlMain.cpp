#include "equilibrium/EqlMain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "equilibrium/CalcVar.h"
#include "equilibrium/Compounds.h"
#include "equilibrium/EnterVal.h"
#include "equilibrium/ElBlnc.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/SearchDs.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"
#include "shared/UnitConv.h"

namespace quorel {

using namespace platform;

TEqlMainWnd* EqlMainWnd = nullptr;
OrvantoHooks EqlMainHooks;
ChartVariableHooks EqlChartHooks;

namespace {

constexpr double kCelsius = 273.15;

// Z of a gas row from its dataset; 1 when the dataset or the equation gives nothing usable.
double GasZ(int row, double P, double T) {
  if (row < 1) return 1.0;
  const double z = EvaluateZ(EosType, DatasetTable.Value(row, FieldPc), P, DatasetTable.Value(row, FieldTc), T,
                             DatasetTable.Value(row, FieldOmega));
  return (z > 0 && std::isfinite(z)) ? z : 1.0;
}

}  // namespace

std::string FormatRunDuration(std::chrono::steady_clock::duration d) {
  using namespace std::chrono;
  const long long ms = std::max<long long>(duration_cast<milliseconds>(d).count(), 0);
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld:%lld", ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60,
                ms % 1000);
  return text;
}

// ---------------------------------------------------------------------------------------------
// The window

TEqlMainWnd::TEqlMainWnd(Component* owner) : Form(owner, "EqlMainWnd") {
  SetCaption("Equilibrium");
  SetFormStyle(FormStyle::MDIForm);
  SetBounds(0, 0, 1000, 700);

  CoolBar1 = Make<CoolBar>(this, "CoolBar1");
  CoolBar1->SetAlign(Align::Top);
  ToolBar1 = Make<ToolBar>(CoolBar1, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  auto tool = [this](const char* name, const char* caption, const char* hint) {
    return MakeToolButton(ToolBar1, name, caption, hint);
  };
  BtnOpen = tool("BtnOpen", "Open", "Open Equilibrium File");
  BtnSave = tool("BtnSave", "Save", "Save Equilibrium File");
  BtnSaveAs = tool("BtnSaveAs", "Save as", "Save Equilibrium File as");
  BtnElements = tool("BtnElements", "Elements", "Select Elements");
  BtnComp = tool("BtnComp", "Comp.", "Select Compounds");
  ToolButton2 = tool("ToolButton2", "Act. Coeff.", "Activity Coefficients");
  ToolButton2->OnClick = [](Component*) { ShowActivityCoefficientWindow(); };
  BtnRecordVar = tool("BtnRecordVar", "Rec. Var.", "Record Variables");
  BtnRecords = tool("BtnRecords", "Records", "Record Table");
  BtnGrfVar = tool("BtnGrfVar", "Grf. Var.", "Graphic Variables");
  BtnGraphic = tool("BtnGraphic", "Graphic", "Graphic");
  BtnSearch = tool("BtnSearch", "Search", "Search in Records");
  BtnMemo = tool("BtnMemo", "Memo", "Memo");
  BtnMsg = tool("BtnMsg", "Messages", "Messages");
  BtnHelp = tool("BtnHelp", "Help", "Help");

  Panel1 = Make<Panel>(this, "Panel1");
  Panel1->SetAlign(Align::Top);
  Panel1->SetHeight(32);
  LabelT = Make<Label>(Panel1, "LabelT");
  LabelT->SetCaption("T [\xB0" "C ]");
  LabelT->SetBounds(8, 8, 52, 16);
  EditTsys = Make<Edit>(Panel1, "EditTsys");
  EditTsys->SetText("25");
  EditTsys->SetBounds(62, 4, 80, 22);
  CbxPV = Make<ComboBox>(Panel1, "CbxPV");
  CbxPV->SetStyle(ComboStyle::DropDownList);
  CbxPV->SetBounds(150, 4, 150, 22);
  CbxPV->Items().Add("P Const.");
  CbxPV->SetItemIndex(0);
  LabelPV = Make<Label>(Panel1, "LabelPV");
  LabelPV->SetCaption("P [bar]");
  LabelPV->SetBounds(308, 8, 52, 16);
  EditPVsys = Make<Edit>(Panel1, "EditPVsys");
  EditPVsys->SetText("1");
  EditPVsys->SetBounds(362, 4, 80, 22);
  BtnCalc = Make<Button>(Panel1, "BtnCalc");
  BtnCalc->SetCaption("Calculation");
  BtnCalc->SetHint("Calculation of equilibrium");
  BtnCalc->SetShowHint(true);
  BtnCalc->SetBounds(452, 3, 100, 25);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(20);
  for (int i = 0; i < 4; ++i) StBar->AddPanel(128);

  MainMenu1 = Make<MainMenu>(this, "MainMenu1");
  SetMenu(MainMenu1);
  MnuFile = MainMenu1->Add("MnuFile", "&File");
  MnuFileOpen = MnuFile->Add("MnuFileOpen", "&Open");
  MnuFileSave = MnuFile->Add("MnuFileSave", "&Save");
  MnuFileSaveAs = MnuFile->Add("MnuFileSaveAs", "Save &as");
  MnuReopen = MnuFile->Add("MnuReopen", "Reopen");
  MnuReopen->SetVisible(false);
  for (int i = 0; i < int(MnuHst.size()); ++i) {
    MnuHst[i] = MnuReopen->Add("MnuHst" + std::to_string(i), " ");
    MnuHst[i]->SetTag(i);
    MnuHst[i]->SetVisible(false);
  }
  MnuToExcel = MnuFile->Add("MnuToExcel", "To Excel");
  MnuClose = MnuFile->Add("MnuClose", "Close");
  MnuFile->AddSeparator("N1");
  MnuExit = MnuFile->Add("MnuExit", "E&xit");
  MnuSystem = MainMenu1->Add("MnuSystem", "&System");
  MnuElements = MnuSystem->Add("MnuElements", "Elements");
  MnuNewPhase = MnuSystem->Add("MnuNewPhase", "New Phase");
  MnuNewGas = MnuNewPhase->Add("MnuNewGas", "Gas");
  MnuNewGas->SetTag(1);
  MnuNewLiquid = MnuNewPhase->Add("MnuNewLiquid", "Liquid");
  MnuNewLiquid->SetTag(3);
  MnuNewSolid = MnuNewPhase->Add("MnuNewSolid", "Solid");
  MnuNewSolid->SetTag(6);
  MnuCompunds = MnuSystem->Add("MnuCompunds", "Compounds");
  MnuClear = MnuSystem->Add("MnuClear", "Clear");
  MnuClearSubstance = MnuClear->Add("MnuClearSubstance", "All Substances");
  MnuClearInput = MnuClear->Add("MnuClearInput", "Input Values");
  MnuAfc = MnuSystem->Add("MnuAfc", "Act. Coeff.");
  MnuEnvironment = MnuSystem->Add("MnuEnvironment", "Environment");
  MnuIsotherm = MnuEnvironment->Add("MnuIsotherm", "Isotherm");
  MnuIsotherm->SetTag(0);
  MnuIsotherm->SetRadioItem(true);
  MnuIsotherm->SetChecked(true);
  MnuAdiabatic = MnuEnvironment->Add("MnuAdiabatic", "Adiabatic");
  MnuAdiabatic->SetTag(1);
  MnuAdiabatic->SetRadioItem(true);
  MnuTemperature = MnuSystem->Add("MnuTemperature", "Temperature");
  MnuTempC = MnuTemperature->Add("MnuTempC", "[\xB0" "C ]");
  MnuTempC->SetTag(1);
  MnuTempC->SetRadioItem(true);
  MnuTempC->SetChecked(true);
  MnuTempK = MnuTemperature->Add("MnuTempK", "[ K ]");
  MnuTempK->SetTag(0);
  MnuTempK->SetRadioItem(true);
  MnuExtrapolation = MnuSystem->Add("MnuExtrapolation", "Extrapolation");
  MnuExtrapolation->SetChecked(true);
  MnuBehaviour = MnuSystem->Add("MnuBehaviour", "Behaviour");
  MnuExtOptions = MnuSystem->Add("MnuExtOptions", "Extended Options");
  MnuSystem->AddSeparator("N2");
  Calculation1 = MnuSystem->Add("Calculation1", "Calculation");
  MnuCalcVar = MnuSystem->Add("MnuCalcVar", "Calculation by Variation");
  MnuMonitoring = MainMenu1->Add("MnuMonitoring", "&Monitoring");
  MnuRecordVar = MnuMonitoring->Add("MnuRecordVar", "Record Variables");
  MnuRecords = MnuMonitoring->Add("MnuRecords", "Record Table");
  MnuSearch = MnuMonitoring->Add("MnuSearch", "Search in Records");
  MnuMonitoring->AddSeparator("N5");
  MnuGrfDef = MnuMonitoring->Add("MnuGrfDef", "Graphic Variables");
  MnuGraphic = MnuMonitoring->Add("MnuGraphic", "Graphic");
  MnuMonitoring->AddSeparator("N6");
  MnuElBalance = MnuMonitoring->Add("MnuElBalance", "Elementar Balance");
  MnuMemo = MnuMonitoring->Add("MnuMemo", "Memo");
  // Calculators that this version does not offer: never shown.
  MnuEnergy = MnuMonitoring->Add("MnuEnergy", "Energy");
  MnuMass = MnuMonitoring->Add("MnuMass", "Mass");
  MnuHeatBalance = MnuMonitoring->Add("MnuHeatBalance", "Heat Balance");
  for (MenuItem* hidden : {MnuEnergy, MnuMass, MnuHeatBalance}) hidden->SetVisible(false);
  MnuWindow = MainMenu1->Add("MnuWindow", "&Window");
  const char* windowCaptions[9] = {"", "Gas 1", "Gas 2", "Liquid 1", "Liquid 2", "Liquid 3", "Solid 1", "Solid 2", "Solid 3"};
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    MnuWindowPhase[s] = MnuWindow->Add("MnuWindowPhase" + std::to_string(s), windowCaptions[s]);
    MnuWindowPhase[s]->SetTag(s);
    MnuWindowPhase[s]->SetVisible(false);
  }
  MnuWindow->AddSeparator("N3");
  MnuGraf = MnuWindow->Add("MnuGraf", "Graphic");
  MnuCascade = MnuWindow->Add("MnuCascade", "Cascade");
  MnuTileHor = MnuWindow->Add("MnuTileHor", "Tile (H)");
  MnuTileVer = MnuWindow->Add("MnuTileVer", "Tile (V)");
  MnuSettings = MainMenu1->Add("MnuSettings", "S&ettings");
  MnuShowCaption = MnuSettings->Add("MnuShowCaption", "Show Buttons Caption");
  MnuShowCaption->SetChecked(true);
  MnuToolBars = MnuSettings->Add("MnuToolBars", "Tool Bars");
  MnuToolBars->SetChecked(true);
  MnuFixCol = MnuSettings->Add("MnuFixCol", "Fix Substance Column");
  MnuEditEnable = MnuSettings->Add("MnuEditEnable", "Edit Manual");
  MnuFont = MnuSettings->Add("MnuFont", "Font");
  MnuSettings->AddSeparator("N4");
  MnuSaveNow = MnuSettings->Add("MnuSaveNow", "Save Now");
  MnuSaveByExit = MnuSettings->Add("MnuSaveByExit", "Save by Exit");
  MnuSaveByExit->SetChecked(true);
  MnuInformation = MainMenu1->Add("MnuInformation", "&Information");
  MenHelp = MnuInformation->Add("MenHelp", "Help");
  MnuMessage = MnuInformation->Add("MnuMessage", "Messages");
  MnuAbout = MnuInformation->Add("MnuAbout", "About");

  PopupEdits = Make<PopupMenu>(this, "PopupEdits");
  PopMnuCopy = PopupEdits->Add("PopMnuCopy", "Copy");
  PopMnuPaste = PopupEdits->Add("PopMnuPaste", "Paste");
  PopMnuConversion = PopupEdits->Add("PopMnuConversion", "Conversion");
  PopMnuTempC = PopupEdits->Add("PopMnuTempC", "T [ C ]");
  PopMnuTempC->SetTag(1);
  PopMnuTempC->SetChecked(true);
  PopMnuTempK = PopupEdits->Add("PopMnuTempK", "T [ K ]");
  PopMnuTempK->SetTag(0);
  EditTsys->SetPopupMenu(PopupEdits);
  EditPVsys->SetPopupMenu(PopupEdits);
  EditTsys->SetTag(0);
  EditPVsys->SetTag(1);
  FontDialog1 = Make<FontDialog>(this, "FontDialog1");
  PopupPhase = Make<PopupMenu>(this, "PopupPhase");
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    PopPhase[s] = PopupPhase->Add("PopPhase" + std::to_string(s), " ");
    PopPhase[s]->SetTag(s);
    PopPhase[s]->SetVisible(false);
  }
  BtnComp->SetStyle(ToolButtonStyle::DropDown);
  BtnComp->SetDropdownMenu(PopupPhase);

  // --- events ---
  BtnCalc->OnClick = [this](Component* s) { BtnCalculationClick(s); };
  Calculation1->OnClick = [this](Component* s) { BtnCalculationClick(s); };
  EditTsys->OnChange = [this](Component*) { EditTsysChange(); };
  EditTsys->OnMouseDown = [this](Component*, MouseButton, ShiftState, int, int) { EditTsysChange(); };
  MnuTempC->OnClick = [this](Component* s) { MnuTempClick(s); };
  MnuTempK->OnClick = [this](Component* s) { MnuTempClick(s); };
  PopMnuTempC->OnClick = [this](Component* s) { MnuTempClick(s); };
  PopMnuTempK->OnClick = [this](Component* s) { MnuTempClick(s); };
  MnuIsotherm->OnClick = [this](Component* s) { MnuEnvClick(s); };
  MnuAdiabatic->OnClick = [this](Component* s) { MnuEnvClick(s); };
  CbxPV->OnChange = [this](Component*) { CbxPVChange(); };
  MnuToolBars->OnClick = [this](Component* s) { MnuToolBarsClick(s); };
  MnuShowCaption->OnClick = [this](Component* s) { MnuShowCaptionClick(s); };
  MnuFixCol->OnClick = [this](Component*) { MnuFixColClick(); };
  MnuSaveByExit->OnClick = [this](Component* s) { MnuSaveByExitClick(s); };
  MnuSaveNow->OnClick = [this](Component*) { MnuSaveNowClick(); };
  MnuExit->OnClick = [this](Component*) { Close(); };
  MnuNewGas->OnClick = [this](Component*) { NewPhaseClick(1); };
  MnuNewLiquid->OnClick = [this](Component*) { NewPhaseClick(3); };
  MnuNewSolid->OnClick = [this](Component*) { NewPhaseClick(6); };
  auto showPhase = [this](Component* sender) {
    if (!sender) return;
    if (TPhaseWnd* w = PhaseWindow(sender->Tag())) {
      if (w->GetWindowState() == WindowState::Minimized) w->SetWindowState(WindowState::Normal);
      w->Show();
      w->BringToFront();
    }
  };
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    MnuWindowPhase[s]->OnClick = showPhase;
    PopPhase[s]->OnClick = showPhase;
  }
  MnuCascade->OnClick = [this](Component*) { Cascade(); };
  MnuTileHor->OnClick = [this](Component*) { Tile(platform::TileMode::Horizontal); };
  MnuTileVer->OnClick = [this](Component*) { Tile(); };
  auto showMessages = [](Component*) {
    if (AplMsgWnd) AplMsgWnd->ShowInFront();
  };
  BtnMsg->OnClick = showMessages;
  BtnRecords->OnClick = [](Component*) {
    if (!TablOprtWnd) return;
    TablOprtWnd->Show();
    TablOprtWnd->BringToFront();
  };
  BtnSearch->OnClick = [](Component*) { ShowRecordSearch(); };
  MnuMessage->OnClick = showMessages;
  auto help = [](Component*) {
    if (InfoDlg) InfoDlg->OpenHelpIndex();
  };
  BtnHelp->OnClick = help;
  MenHelp->OnClick = help;
  MnuAbout->OnClick = [](Component*) {
    if (InfoDlg) InfoDlg->Show();
  };
  auto elements = [](Component*) {
    if (ElBalanceDlg && ElBalanceDlg->BalanceOpen) ElBalanceDlg->CloseBalance();
    if (!ElementsDlg) return;
    ElementsDlg->CollectSelectedElements();
    ElementsDlg->Show();
    ElementsDlg->BringToFront();
  };
  BtnElements->OnClick = elements;
  MnuElements->OnClick = elements;
  MnuElBalance->OnClick = [this](Component*) { MnuElBalanceClick(); };
  MnuExtOptions->OnClick = [](Component*) {
    if (EqlKernel) EqlKernel->Show();
  };
  MnuBehaviour->OnClick = [](Component*) {
    if (!TDynOprtWnd) return;
    if (EosType >= 0 && EosType < TDynOprtWnd->RGgrl->Items().Count()) TDynOprtWnd->RGgrl->SetItemIndex(EosType);
    TDynOprtWnd->Show();
  };
  MnuExtrapolation->OnClick = [this](Component*) {
    MnuExtrapolation->SetChecked(!MnuExtrapolation->Checked());
    if (TDynOprtWnd) TDynOprtWnd->CBExtrapolation->SetChecked(MnuExtrapolation->Checked());
  };
  MnuEditEnable->OnClick = [this](Component*) {
    MnuEditEnable->SetChecked(!MnuEditEnable->Checked());
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (TPhaseWnd* w = PhaseWindow(s)) {
        w->ToolBtnSgeEdit->SetDown(MnuEditEnable->Checked());
        w->EditManualClick();
      }
  };
  BtnMemo->OnClick = [](Component*) {
    if (!AplStgsWnd) return;
    AplStgsWnd->SetCaption("Memo: Equilibrium");
    AplStgsWnd->Show();
  };
  auto compounds = [this](Component*) { CompoundsCommand(); };
  BtnComp->OnClick = compounds;
  MnuCompunds->OnClick = compounds;
  // --- the commands of the records, the chart, the variation and the look ---
  MnuAfc->OnClick = ToolButton2->OnClick;
  MnuToExcel->OnClick = [this](Component*) { MnuToExcelClick(); };
  MnuClearInput->OnClick = [this](Component*) { MnuClearInputClick(); };
  MnuCalcVar->OnClick = [](Component*) { CalculationByVariationCommand(); };
  MnuRecordVar->OnClick = [](Component*) { RecordVariablesCommand(); };
  MnuRecords->OnClick = BtnRecords->OnClick;
  MnuSearch->OnClick = BtnSearch->OnClick;
  MnuMemo->OnClick = BtnMemo->OnClick;
  auto chartVariables = [this](Component*) { BtnGrfVarClick(); };
  BtnGrfVar->OnClick = chartVariables;
  MnuGrfDef->OnClick = chartVariables;
  auto chart = [](Component*) {
    if (EqlChartHooks.ShowChart) EqlChartHooks.ShowChart();
  };
  BtnGraphic->OnClick = chart;
  MnuGraphic->OnClick = chart;
  MnuGraf->OnClick = chart;
  MnuFont->OnClick = [this](Component* s) { MnuFontClick(s); };
  PopMnuCopy->OnClick = [this](Component*) { PopMnuCopyClick(); };
  PopMnuPaste->OnClick = [this](Component*) { PopMnuPasteClick(); };
  PopMnuConversion->OnClick = [this](Component*) { PopMnuConversionClick(); };
  auto openFile = [this](Component*) { MnuFileOpenClick(); };
  BtnOpen->OnClick = openFile;
  MnuFileOpen->OnClick = openFile;
  auto saveFile = [this](Component*) { MnuFileSaveClick(); };
  BtnSave->OnClick = saveFile;
  MnuFileSave->OnClick = saveFile;
  auto saveFileAs = [this](Component*) { MnuFileSaveAsClick(); };
  BtnSaveAs->OnClick = saveFileAs;
  MnuFileSaveAs->OnClick = saveFileAs;
  for (MenuItem* item : MnuHst) item->OnClick = [this](Component* s) { MnuHstClick(s ? s->Tag() : 0); };
  MnuClose->OnClick = [this](Component* s) { MnuCloseClick(s); };
  MnuClearSubstance->OnClick = [this](Component* s) { MnuCloseClick(s); };
  OnResize = [this](Component*) { FormResize(); };
  OnMDIClientResize = [this](Component*) { FormResize(); };
  OnCloseQuery = [this](Component*, bool& canClose) { FormCloseQuery(canClose); };
  OnDropFiles = [this](Component*, const std::vector<std::string>& files) { DropFiles(files); };
  OnCreate = [this](Component*) { FormCreate(); };

  GuardCommands(*this);
  EqlMainWnd = this;
  PhaseWindowHost = this;
  DoCreate();
}

TEqlMainWnd::~TEqlMainWnd() {
  DoDestroy();
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    PhaseSlotTable[s] = PhaseSlot{};
    phaseWindows_[s].reset();
  }
  retired_.clear();
  if (PhaseWindowHost == this) PhaseWindowHost = nullptr;
  if (EqlMainWnd == this) EqlMainWnd = nullptr;
  TableChangedHook = nullptr;  // it may hold this window's change watch
}

void TEqlMainWnd::FormCreate() {
  ElementValuesWanted = true;
  ResultsValidFlag = false;
  SetWindowState(WindowState::Maximized);
  CbxPV->SetItemIndex(0);
  SetAcceptFiles(true);
  PhaseGridFontSet = false;
}

void TEqlMainWnd::GuardCommands(Component& root) {
  root.ForEachDescendant([this](Component& c) {
    // The break, and the commands that only show windows, stay open during a run.
    if (&c == BtnCalc || &c == Calculation1 || &c == BtnMsg || &c == MnuMessage || &c == MnuAbout ||
        &c == BtnHelp || &c == MenHelp || &c == MnuCascade || &c == MnuTileHor || &c == MnuTileVer)
      return;
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (&c == MnuWindowPhase[s] || &c == PopPhase[s]) return;
    const bool command = dynamic_cast<MenuItem*>(&c) || dynamic_cast<ToolButton*>(&c) || dynamic_cast<Button*>(&c);
    if (!command || !c.OnClick) return;
    NotifyEvent inner = std::move(c.OnClick);
    Component* self = &c;
    c.OnClick = [inner, self](Component* sender) {
      if (CalculationUnderWay()) {
        // A check button has already changed its state: put it back.
        if (auto* tb = dynamic_cast<ToolButton*>(self); tb && tb->Style() == ToolButtonStyle::Check)
          tb->SetDown(!tb->Down());
        RefuseDuringCalculation("\"" + self->Caption() + "\"");
        return;
      }
      inner(sender);
    };
  });
}

bool TEqlMainWnd::TempInCelsius() const { return MnuTempC->Checked(); }

// ---------------------------------------------------------------------------------------------
// Start-up and settings

void TEqlMainWnd::StartUp() {
  // 1. Database, element picker, about box.
  if (TDynOprtWnd && !TDynOprtWnd->DatabaseStarted) TDynOprtWnd->StartUpDatabase();
  if (ElementsDlg) {
    ElementsDlg->ShowElementButtons();
    for (int e = 0; e <= LastElementIndex(); ++e) ElementsDlg->SetSelected(e, false);
    ElementsDlg->CollectSelectedElements();
    SetSelectedElements(&ElementsDlg->SelectedElements);
  }
  if (InfoDlg) {
    InfoDlg->SetCaption("About Equilibrium");
    InfoDlg->FillAboutText();
  }
  // 2. Dialog folders and captions.
  if (AplStgsWnd) {
    AplStgsWnd->OpenDialog1->SetInitialDir(ProjectFolder);
    AplStgsWnd->SaveDialog1->SetInitialDir(ProjectFolder);
  }
  if (AplMsgWnd) AplMsgWnd->SetCaption("Equilibrium - Messages");
  if (TDynOprtWnd) StBar->SetPanelText(2, TDynOprtWnd->CurrentDatabasePath);
  // The database and the equation of state must not change under a running calculation.
  if (TDynOprtWnd) {
    GuardCommands(*TDynOprtWnd);
    auto choose = std::move(TDynOprtWnd->RGgrl->OnClick);
    TDynOprtWnd->RGgrl->OnClick = [choose](Component* sender) {
      if (CalculationUnderWay()) {
        if (EosType >= 0 && EosType < TDynOprtWnd->RGgrl->Items().Count()) TDynOprtWnd->RGgrl->SetItemIndex(EosType);
        RefuseDuringCalculation("Behaviour of Fluids");
        return;
      }
      if (choose) choose(sender);
    };
  }
  // 3. Every change of the record table feeds the chart; with the chart's auto-size on, its
  // axes follow the records.
  TableChangedHook = [this](int row) { UpdateChartFromRecords(row); };
  AutoSizeChangedHook = [](bool autoSize) {
    if (autoSize && GrfVarDlg) GrfVarDlg->AutoSizeFromRecordTable();
  };
  // 4. The record table's search button runs the search command, the chart's variable items
  // the chart variables.
  if (TablOprtWnd) {
    TablOprtWnd->BtnSearch->SetVisible(true);
    TablOprtWnd->BtnSearch->OnClick = BtnSearch->OnClick;
  }
  if (GrfWnd) {
    for (MenuItem* item : {GrfWnd->MnuVarDef, GrfWnd->PopVarDef}) {
      item->SetVisible(true);
      item->OnClick = [this](Component*) { BtnGrfVarClick(); };
    }
  }
  // The chart variables change what a run feeds the chart: not while one runs.
  if (GrfVarDlg) GuardCommands(*GrfVarDlg);
  // 5. The chart picture's font.
  if (GrfWnd) {
    GrfWnd->ChartFont.Name = "Arial";
    GrfWnd->ChartFont.Size = 10;
  }
  if (InfoDlg) InfoDlg->RecentFilesMenu = MnuReopen;
  // 6. The user settings file.
  ReadMainSettings();
  // 7. The phase windows Gas1, Liquid1, Solid1.
  for (int slot : {1, 3, 6}) {
    CreatePhaseWindow(slot);
    LoadPhaseWindowSettings(*PhaseWindow(slot), slot);
  }
  RefreshPhaseMenus();
  ActivePhaseSlot = 1;
  ArrangeFirstPhaseWindows();
  // 8. The chart, then the tool bar look.
  if (GrfWnd) {
    GrfWnd->InitChartWindow();
    GrfWnd->CanPaint = true;
    GrfWnd->FormResize();
  }
  MnuShowCaptionClick(nullptr);
  MnuToolBarsClick(nullptr);
  EditTsysChange();
  KeepNewSystemState();
  WatchSystemChanges();
  // 9. A system file named on the command line, taken against the working folder; one that
  // does not exist is said as the open command says it, anything else is ignored.
  const std::vector<std::string> args = Application().Arguments();
  if (!args.empty()) {
    const std::string path = AbsolutePath(args[0]);
    if (LowerExtension(path) == ".eql") {
      if (FileExists(path))
        EqlFileReader(path);
      else
        ReportMissingSystemFile(path);
    }
  }
}

void TEqlMainWnd::KeepNewSystemState() {
  NewSystemState& n = newSystem_;
  n.temperature = EditTsys->Text();
  n.pressure = EditPVsys->Text();
  n.celsius = TempInCelsius();
  if (!GrfWnd) return;
  n.chartCaption = GrfWnd->ChartCaption;
  n.chartXText = GrfWnd->XVariableText;
  n.axisNames.clear();
  n.axisFrom.clear();
  n.axisTo.clear();
  for (const ChartAxis& axis : GrfWnd->Axis) {
    n.axisNames.push_back(axis.name);
    n.axisFrom.push_back(axis.from);
    n.axisTo.push_back(axis.to);
  }
}

void TEqlMainWnd::RestoreNewSystemState() {
  const NewSystemState& n = newSystem_;
  EditTsys->SetText(n.temperature);
  EditPVsys->SetText(n.pressure);
  MnuTempClick(n.celsius ? MnuTempC : MnuTempK);
  MnuEnvClick(MnuIsotherm);
  CbxPV->SetItemIndex(0);
  PVMode = 0;
  CbxPVChange();
  if (!GrfWnd) return;
  GrfWnd->ChartCaption = n.chartCaption;
  GrfWnd->XVariableText = n.chartXText;
  for (std::size_t k = 0; k < GrfWnd->Axis.size() && k < n.axisNames.size(); ++k) {
    GrfWnd->Axis[k].name = n.axisNames[k];
    GrfWnd->Axis[k].from = n.axisFrom[k];
    GrfWnd->Axis[k].to = n.axisTo[k];
  }
}

void TEqlMainWnd::ReadMainSettings() {
  SettingsReader& store = SettingsStore();
  if (store.UserSettingsFile.empty() || store.OpenSettingsFile(store.UserSettingsFile) != 1) return;
  if (store.SelectSection("MainWnd") > 0) {
    const std::string t = store.GetKeyValue("T");
    EditTsys->SetText(t.empty() ? "350" : t);
    const std::string p = store.GetKeyValue("P");
    EditPVsys->SetText(p.empty() ? "1" : p);
    const bool celsius = store.GetKeyValue("Temp").find('C') != std::string::npos;
    MnuTempC->SetChecked(celsius);
    MnuTempK->SetChecked(!celsius);
    PopMnuTempC->SetChecked(celsius);
    PopMnuTempK->SetChecked(!celsius);
    LabelT->SetCaption(celsius ? "T[ C ]" : "T[ K ]");
    MnuSaveByExit->SetChecked(store.GetKeyValue("SaveByExit") == "1");
    const std::string filter = store.GetKeyValue("MsgFilter");
    int level = 0;
    if (!filter.empty() && TryTextToInt(filter, level) && AplMsgWnd) AplMsgWnd->SetFilter(level);
    const std::string fix = store.GetKeyValue("FixCol");
    if (!fix.empty()) MnuFixCol->SetChecked(fix == "1");
    const std::string bars = store.GetKeyValue("ToolBars");
    if (!bars.empty()) MnuToolBars->SetChecked(bars == "1");
    const std::string captions = store.GetKeyValue("ShowCaption");
    if (!captions.empty()) MnuShowCaption->SetChecked(captions == "1");
    // The equation of state chosen when the settings were saved.
    int eos = -1;
    if (TryTextToInt(store.GetKeyValue("grl"), eos) && eos >= 0 && eos < EosTypeCount) SelectEquationOfState(eos);
    store.ReadFormPlacement(this, "MainWnd");
  }
  if (InfoDlg) InfoDlg->UpdateRecentFiles("");
  if (GrfWnd) {
    GrfWnd->SettingsFileName = store.UserSettingsFile;
    GrfWnd->SettingsSectionName = "Graphic";
    if (Width() < GrfWnd->Width()) GrfWnd->SetWidth(Width() - Width() / 10);
  }
}

int TEqlMainWnd::MnuSaveNowClick() {
  SettingsReader& store = SettingsStore();
  const std::string path = store.UserSettingsFile;
  if (path.empty()) return -1;
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  std::string aboutLine;
  if (InfoDlg && InfoDlg->Memo1->Lines().Count() > 0) aboutLine = InfoDlg->Memo1->Lines()[0];
  store.FileLines() = {"[Information]", "  Created by Quorel Equilibrium:", "  " + ProgramName(), "  " + aboutLine};
  store.SelectSection("MainWnd");
  store.SetKeyValue("T", EditTsys->Text());
  store.SetKeyValue("P", EditPVsys->Text());
  store.SetKeyValue("Temp", LabelT->Caption());
  store.SetKeyValue("SaveByExit", MnuSaveByExit->Checked() ? "1" : "0");
  store.SetKeyValue("MsgFilter", std::to_string(AplMsgWnd ? AplMsgWnd->Filter() : int(LevelImportant)));
  store.SetKeyValue("FixCol", MnuFixCol->Checked() ? "1" : "0");
  store.SetKeyValue("ToolBars", MnuToolBars->Checked() ? "1" : "0");
  store.SetKeyValue("ShowCaption", MnuShowCaption->Checked() ? "1" : "0");
  store.SetKeyValue("grl", std::to_string(EosType));
  store.WriteSection("MainWnd");
  store.WriteFormPlacement(this, "MainWnd");
  if (InfoDlg) InfoDlg->SaveRecentFiles();
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (TPhaseWnd* w = PhaseWindow(s)) SavePhaseWindowSettings(*w, s);
  if (GrfWnd) {
    GrfWnd->SettingsFileName = path;
    GrfWnd->MnuSaveNowClick(nullptr);
  }
  return store.SaveSettingsFile(path);
}

int TEqlMainWnd::AskSaveChanges() {
  if (!SystemChangedFlag) return 0;
  const int answer = MessageBox(CurrentSystemPath + " System is changed save Changes", "Equilibrium",
                                mbYesNoCancel | mbIconQuestion);
  if (answer == mrNo) return 0;
  if (answer != mrYes) return -1;
  MnuFileSaveClick();
  if (SystemChangedFlag) return -1;
  SetCaption("Equilibrium");
  return 1;
}

void TEqlMainWnd::FormCloseQuery(bool& canClose) {
  if (RefuseDuringCalculation("Closing the program")) {
    canClose = false;
    return;
  }
  const int r = AskSaveChanges();
  canClose = r >= 0;
  if (canClose && MnuSaveByExit->Checked()) {
    if (MnuSaveNowClick() < 1) {
      const std::string text = "The settings could not be saved in " + SettingsStore().UserSettingsFile;
      PostLogMessageAlways(LevelError, SettingsNotSavedId, text);
      MessageBox(text, "Equilibrium", mbOk | mbIconWarning);
    }
  }
}

void TEqlMainWnd::DropFiles(const std::vector<std::string>& files) {
  // A drop while a calculation runs (the solver lets window events through) is not taken.
  if (RefuseDuringCalculation("Opening a dropped file")) return;
  for (const std::string& f : files) {
    const std::string path = AbsolutePath(f);
    if (LowerExtension(path) != ".eql") continue;
    if (AskSaveChanges() < 0) return;
    EqlFileReader(path);
  }
}

void TEqlMainWnd::EditTsysChange() {
  const double v = TextToDouble(EditTsys->Text());
  StBar->SetPanelText(0, TempInCelsius() ? "T[K]" + FloatToShortText(v + kCelsius)
                                         : "T[C]" + FloatToShortText(v - kCelsius));
}

void TEqlMainWnd::MnuTempClick(Component* sender) {
  if (sender) {
    const bool c = sender->Tag() == 1;
    MnuTempC->SetChecked(c);
    MnuTempK->SetChecked(!c);
    PopMnuTempC->SetChecked(c);
    PopMnuTempK->SetChecked(!c);
  }
  LabelT->SetCaption(TempInCelsius() ? "T[ C ]" : "T[ K ]");
  EditTsysChange();
}

void TEqlMainWnd::MnuEnvClick(Component* sender) {
  if (!sender) return;
  MnuIsotherm->SetChecked(sender->Tag() == 0);
  MnuAdiabatic->SetChecked(sender->Tag() == 1);
}

void TEqlMainWnd::CbxPVChange() {
  const int i = CbxPV->ItemIndex();
  LabelPV->SetCaption(i > 0 ? "V [m3]" : "P [bar]");
}

void TEqlMainWnd::FormResize() {
  const int w = Width() >= 500 ? Width() - 40 : 500;
  for (int i = 0; i < 4; ++i) StBar->SetPanelWidth(i, w < 1032 ? w / 8 : 128);
  if (firstArrangement_.empty()) return;
  // Until the user changes it, the first arrangement follows the frame.
  const int slots[3] = {1, 3, 6};
  for (std::size_t i = 0; i < 3; ++i) {
    TPhaseWnd* p = PhaseWindow(slots[i]);
    const std::array<int, 4> b = firstArrangement_[i];
    if (!p || p->Left() != b[0] || p->Top() != b[1] || p->Width() != b[2] || p->Height() != b[3]) {
      firstArrangement_.clear();
      return;
    }
  }
  ArrangeFirstPhaseWindows();
}

void TEqlMainWnd::ArrangeFirstPhaseWindows() {
  const int width = MDIClientWidth(), height = MDIClientHeight();
  firstArrangement_.clear();
  if (width <= 0 || height <= 0) return;
  // Gas.1 takes half of the height, Liq.1 and Sol.1 a quarter each.
  const int slots[3] = {1, 3, 6};
  const int tops[4] = {0, height / 2, height / 2 + height / 4, height};
  for (std::size_t i = 0; i < 3; ++i) {
    TPhaseWnd* p = PhaseWindow(slots[i]);
    if (!p) {
      firstArrangement_.clear();
      return;
    }
    p->SetWindowState(WindowState::Normal);
    p->SetBounds(0, tops[i], width, tops[i + 1] - tops[i]);
    firstArrangement_.push_back({p->Left(), p->Top(), p->Width(), p->Height()});
  }
}

void TEqlMainWnd::MnuToolBarsClick(Component* sender) {
  if (sender) MnuToolBars->SetChecked(!MnuToolBars->Checked());
  ToolBar1->SetVisible(MnuToolBars->Checked());
  CoolBar1->SetVisible(MnuToolBars->Checked());
  if (GrfWnd) {
    GrfWnd->PopToolBar->SetChecked(MnuToolBars->Checked());
    GrfWnd->LayoutCheckClick(nullptr);
  }
  if (sender)
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (TPhaseWnd* w = PhaseWindow(s)) w->ApplyToolbarLook();
}

void TEqlMainWnd::MnuShowCaptionClick(Component* sender) {
  if (sender) MnuShowCaption->SetChecked(!MnuShowCaption->Checked());
  const bool captions = MnuShowCaption->Checked();
  ToolBar1->SetShowCaptions(captions);
  if (captions) ToolBar1->SetButtonSize(65, 38);
  else ToolBar1->SetButtonSize(25, 24);
  ToolBar1->SetHeight(ToolBar1->ButtonHeight() + 2);
  CoolBar1->SetHeight(ToolBar1->ButtonHeight() + 4);
  if (sender)
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (TPhaseWnd* w = PhaseWindow(s)) w->ApplyToolbarLook();
}

void TEqlMainWnd::MnuFixColClick() {
  MnuFixCol->SetChecked(!MnuFixCol->Checked());
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    if (!w || (w->SGPhase->FixedCols() > 0) == MnuFixCol->Checked()) continue;
    w->FixColClick();
  }
}

void TEqlMainWnd::MnuSaveByExitClick(Component* sender) {
  if (sender) MnuSaveByExit->SetChecked(!MnuSaveByExit->Checked());
}

void TEqlMainWnd::MnuElBalanceClick() {
  if (!ElBalanceDlg) return;
  T = TextToDouble(EditTsys->Text()) + (TempInCelsius() ? kCelsius : 0.0);
  // The pressure of the inputs as the run takes it (1 bar while a gas volume is held), and the
  // pressure of each gas phase after a successful run.
  const int item = CbxPV->ItemIndex();
  const bool constantPressure = item < 0 || item >= int(PVItemSlots.size()) || PVItemSlots[item] == 0;
  const double p = constantPressure ? TextToDouble(EditPVsys->Text()) : 1.0;
  const double p1 = ResultsValidFlag ? double(PhaseTotals[1].Fugacity) : 0.0;
  const double p2 = ResultsValidFlag ? double(PhaseTotals[2].Fugacity) : 0.0;
  ElBalanceDlg->SetBalanceConditions(T, p, p1, p2);
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    ElBalanceDlg->SetSlotSource(s, w ? w->Caption() : std::string(), w ? PhaseSlotTable[s].Grid : nullptr);
  }
  if (ElBalanceDlg->GetWindowState() == WindowState::Minimized) ElBalanceDlg->SetWindowState(WindowState::Normal);
  ElBalanceDlg->BalanceOpen = true;
  ElBalanceDlg->OpenBalance();
  ElBalanceDlg->ButtonUpdateClick();
  ElBalanceDlg->Show();
  ElBalanceDlg->BringToFront();
}

void TEqlMainWnd::SystemChanged() {
  if (!CalculationUnderWay()) SystemChangedFlag = true;
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet, input values, font and the edits' pop-up menu

void TEqlMainWnd::MnuToExcelClick() {
  // The transfer works on copies: the live grids never hold the sheet marks, not even when the
  // transfer fails half-way.
  StringGrid conditions;
  conditions.SetColCount(9);
  conditions.SetRowCount(15);
  conditions.ClearCells();
  conditions.SetCells(0, 0, "eql");
  conditions.SetCells(0, 1, LabelT->Caption());
  conditions.SetCells(1, 1, EditTsys->Text());
  conditions.SetCells(0, 2, LabelPV->Caption());
  conditions.SetCells(1, 2, EditPVsys->Text());
  conditions.SetCells(0, 3, "Phases");
  int column = 1;
  std::vector<std::unique_ptr<StringGrid>> phases;
  std::vector<ExcelSheetGrid> sheets{{&conditions, 1, ""}};
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    const StringGrid* g = PhaseSlotTable[s].Grid;
    if (!w || !g) continue;
    conditions.SetCells(column++, 3, w->Caption());
    auto copy = std::make_unique<StringGrid>();
    CopyGrid(*g, *copy);
    copy->SetCells(0, 0, SlotPhaseTag(s));
    copy->SetRowCount(copy->RowCount() + 1);
    copy->SetCells(0, copy->RowCount() - 1, "EOT");
    sheets.push_back({copy.get(), int(sheets.size()) + 1, w->Caption()});
    phases.push_back(std::move(copy));
  }
  conditions.SetCells(0, 4, "Calculation Conditions");
  conditions.SetCells(0, 5, "Count");
  conditions.SetCells(0, 6, "Precision");
  conditions.SetCells(0, 7, "Iterations Steps");
  if (EqlKernel) {
    conditions.SetCells(1, 6, EqlKernel->EditPrec->Text());
    conditions.SetCells(1, 7, EqlKernel->EditILimit->Text());
  }
  conditions.SetCells(0, 8, "Visualisation");
  conditions.SetCells(0, 9, "Following Calculation");
  conditions.SetCells(0, 10, "Recorder");
  conditions.SetCells(0, 11, "V1");
  conditions.SetCells(0, 12, "EOT");
  std::string name = CurrentSystemPath.substr(CurrentSystemPath.find_last_of("/\\") + 1);
  if (const size_t dot = name.find_last_of('.'); dot != std::string::npos) name.erase(dot);
  sheets[0].name = name.empty() ? std::string("Conditions") : name;
  TransferGridsToExcel(sheets, int(sheets.size()), false, LevelCritical);
}

void TEqlMainWnd::MnuClearInputClick() {
  const std::string file = CurrentSystemPath.substr(CurrentSystemPath.find_last_of("/\\") + 1);
  const std::string caption = file.empty() ? std::string("Equilibrium") : "Equilibrium [" + file + "]";
  if (MessageBox("Clear all input values in the phases ?", caption, mbYesNo | mbIconQuestion) == mrNo) return;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (StringGrid* g = PhaseSlotTable[s].Grid)
      for (int r = 1; r < g->RowCount(); ++r) g->SetCells(ColIn, r, "");
    if (TPhaseWnd* w = PhaseSlotTable[s].Window) w->RefreshSums({1});
  }
  PostStatus("");  // the results shown are no longer of these inputs
  PhasesChangedFlag = true;
  SystemChangedFlag = true;
}

void TEqlMainWnd::MnuFontClick(Component* sender) {
  if (CompoundsDlg) FontDialog1->SetDialogFont(CompoundsDlg->LVSrc->Font());
  if (sender && !FontDialog1->Execute()) return;
  const FontInfo font = FontDialog1->DialogFont();
  PhaseGridFont = font;
  PhaseGridFontSet = true;
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (StringGrid* g = PhaseSlotTable[s].Grid) {
      g->SetFont(font);
      // As the grids have it from their creation: the font height and room above and below.
      g->SetDefaultRowHeight(std::abs(font.PixelHeight()) + 6);
    }
  if (CompoundsDlg) {
    FontInfo lists = font;
    lists.Color = clWindowText;
    CompoundsDlg->LVSrc->SetFont(lists);
    CompoundsDlg->LVDst->SetFont(lists);
  }
}

void TEqlMainWnd::PopMnuCopyClick() {
  auto* edit = dynamic_cast<Edit*>(PopupEdits->PopupComponent());
  if (!edit) return;
  const std::string text = Trim(edit->Text());
  if (!text.empty()) Clipboard().SetText(text);
}

void TEqlMainWnd::PopMnuPasteClick() {
  auto* edit = dynamic_cast<Edit*>(PopupEdits->PopupComponent());
  if (!edit || !Clipboard().HasText()) return;
  const std::vector<std::string> lines = SplitTextLines(Clipboard().Text());
  const std::string text = lines.empty() ? std::string() : Trim(lines[0]);
  if (!text.empty()) edit->SetText(text);
}

void TEqlMainWnd::PopMnuConversionClick() {
  auto* edit = dynamic_cast<Edit*>(PopupEdits->PopupComponent());
  if (!edit || !UnitCnvDlg || (edit != EditTsys && edit != EditPVsys)) return;
  // The quantity is the first letter of the edit's label: T, P or V.
  const std::string label = Trim((edit->Tag() == 0 ? LabelT : LabelPV)->Caption());
  if (label.empty()) return;
  UnitCnvDlg->CelsiusFlag = TempInCelsius();
  UnitCnvDlg->SetupConversion(label[0], edit->Text());
  UnitCnvDlg->ShowModal();
  if (UnitCnvDlg->Converted()) edit->SetText(FloatToShortText(UnitCnvDlg->ConvertedValue()));
}

bool TEqlMainWnd::ToolBarsShown() const { return MnuToolBars->Checked(); }
bool TEqlMainWnd::ButtonCaptionsShown() const { return MnuShowCaption->Checked(); }

std::string TEqlMainWnd::SystemFolder() const {
  const size_t slash = CurrentSystemPath.find_last_of("/\\");
  return slash == std::string::npos ? ProjectFolder : CurrentSystemPath.substr(0, slash);
}

void TEqlMainWnd::ReportRecordUnable(int slot, int row) {
  StringGrid* g = PhaseSlotTable[slot].Grid;
  if (g && !Trim(g->Cells(ColKey, row)).empty()) PostLogMessage(LevelImportant, 1068, "Record is unable");
  else PostLogMessage(LevelImportant, 1042, "No compound to record");
}

void TEqlMainWnd::ShowPropertyColumn(int slot, int property) {
  std::vector<int> slots;
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (PhaseSlotTable[s].Grid && (slot == 0 || slot == s)) slots.push_back(s);
  if (property >= 14) {
    for (int s : slots) {
      StringGrid& g = *PhaseSlotTable[s].Grid;
      g.SetCells(ColComment, 0, DatasetTable.Text(0, property));
      for (int r = 1; r < g.RowCount(); ++r) {
        const std::string key = Trim(g.Cells(ColKey, r));
        if (!key.empty() && TDynOprtWnd) g.SetCells(ColComment, r, TDynOprtWnd->DatasetField(key, property));
      }
    }
    return;
  }
  const bool celsius = TempInCelsius();
  const double t = TextToDouble(EditTsys->Text()) + (celsius ? kCelsius : 0.0);
  if (!(t > 0)) {
    PostLogMessage(LevelError, 1472, "Irregular temperature");
    return;
  }
  const double value = TextToDouble(EditPVsys->Text());
  if (!(value > 0)) {
    PostLogMessage(LevelError, 1481, "Irregular pressure/volume");
    return;
  }
  const int index = CbxPV->ItemIndex();
  const bool pConst = index < 0 || index >= int(PVItemSlots.size()) || PVItemSlots[index] == 0;
  const double p = pConst ? value : 1.0;
  const char* headers[] = {"Comment", "MW [g/mol]", "Cp [J/mol K]", "H [kJ/mol]", "S [J/mol K]", "G [kJ/mol]"};
  for (int s : slots) {
    StringGrid& g = *PhaseSlotTable[s].Grid;
    const std::string caption = PhaseSlotTable[s].Window ? PhaseSlotTable[s].Window->Caption() : std::string();
    if (property >= 0 && property <= 5) g.SetCells(ColComment, 0, headers[property]);
    if (property == 0) continue;
    for (int r = 1; r < g.RowCount(); ++r) {
      const std::string key = Trim(g.Cells(ColKey, r));
      if (key.empty()) continue;
      std::string name, phase;
      SplitNamePhase(key, name, phase);
      if (phase == "(u)") phase = SlotPhaseTag(s);
      double temperature = t;
      const std::string tinText = Trim(g.Cells(ColTin, r));
      if (!tinText.empty()) {
        const double tin = TextToDouble(tinText) + (celsius ? kCelsius : 0.0);
        if (tin > 0) temperature = tin;
        else PostLogMessage(LevelError, 1255, "Irregular input temperature : " + tinText);
      }
      const int n = TDynOprtWnd ? TDynOprtWnd->FindDatasetAnyPhase(name, phase, temperature)
                                : FindDataset(name, phase, temperature);
      g.SetCells(ColComment, r, "");
      if (n < 1) {
        PostLogMessage(LevelError, 2533, "The data of \"" + key + "\"  in " + caption + ", Row:" + std::to_string(r) +
                                             " do not exist in the database !");
        continue;
      }
      const bool extrapolated = CurrentDataset.RangeStatus != RangeInside;
      const std::string formula = DatasetTable.Text(n, FieldComposition);
      const double tc = DatasetTable.Value(n, FieldTc);
      PropertyResult pr;
      EvaluateProperties(n, EosType, pr, p, temperature);
      g.SetCells(ColInfo, r, extrapolated ? "(ext.)" : "");
      if (pr.status == StatusBadInput) {
        PostLogMessage(LevelImportant, 2563, name + " " + phase + ": Calculation is only for ideal gases possible" +
                                                 "T[K]:" + std::to_string(std::lround(temperature)) + "; P[bar]:" +
                                                 FloatToShortText(p));
        continue;
      }
      if (pr.status == StatusNoPhase) {
        PostLogMessage(LevelImportant, 2019, key + " can not exist at T" +
                                                 (celsius ? "[C]:" + std::to_string(std::lround(temperature - kCelsius))
                                                          : "[K]:" + std::to_string(std::lround(temperature))));
        g.SetCells(ColInfo, r, "");
        continue;
      }
      if (phase != "(g)" && tc > 0 && tc < temperature) g.SetCells(ColInfo, r, "");
      double v = 0;
      switch (property) {
        case 1: v = MolarMass(formula); break;
        case 2: v = pr.Cp; break;
        case 3: v = pr.H / 1000; break;
        case 4: v = pr.S; break;
        case 5: v = pr.G / 1000; break;
        default: continue;
      }
      g.SetCells(ColComment, r, FloatToShortText(v));
    }
  }
}

void TEqlMainWnd::CompoundsCommand() {
  if (RefuseDuringCalculation("Select Compounds")) return;
  if (ElBalanceDlg && ElBalanceDlg->BalanceOpen) ElBalanceDlg->CloseBalance();
  if (!SelectPhaseCompounds(TempInCelsius())) return;
  RefreshPhaseMenus();
  if (CheckRecordAddressesHook) CheckRecordAddressesHook();
  SystemChangedFlag = true;
}

// ---------------------------------------------------------------------------------------------
// Phase windows

int TEqlMainWnd::CreatePhaseWindow(int slot) {
  if (!ValidPhaseSlot(slot)) return slot;
  retired_.clear();
  if (!PhaseSlotTable[slot].Window) {
    phaseWindows_[slot] = std::make_unique<TPhaseWnd>();
    TPhaseWnd& w = *phaseWindows_[slot];
    InitPhaseSlotWindow(w, slot);
    w.SetTag(slot);
    w.SGPhase->SetTag(slot);
    w.ToolBtnCompounds->SetTag(slot);
    if (PhaseSlotTable[slot].RowCount < 0) PhaseSlotTable[slot].RowCount = 0;
    const PhaseSlotConstants& k = SlotConstants(slot);
    w.SetCaption(k.Caption);
    w.SetName(k.WindowName);
    w.SGPhase->SetName(k.GridName);
    w.ApplyToolbarLook();
    w.LabelPh->SetCaption(SlotPhaseTag(slot));
    if (MnuFixCol->Checked()) w.FixColClick();
    if (MnuEditEnable->Checked()) {
      w.ToolBtnSgeEdit->SetDown(true);
      w.EditManualClick();
    }
    GuardCommands(w);
    PhaseSlotTable[slot].Exists = true;
    w.SetBounds(20 * (slot - 1), 20 * (slot - 1), 640, 240);
    w.FormResize();
    w.Show();
  }
  ActivePhaseSlot = slot;
  return slot;
}

void TEqlMainWnd::ClosePhaseWindow(int slot) {
  if (!ValidPhaseSlot(slot) || RefuseDuringCalculation("Closing a phase")) return;
  retired_.clear();
  PhaseSlotTable[slot].RowCount = -1;
  if (phaseWindows_[slot]) {
    phaseWindows_[slot]->Hide();
    // The window may be closing itself right now: it is destroyed at the next phase command.
    retired_.push_back(std::move(phaseWindows_[slot]));
    PhaseSlotTable[slot].Window = nullptr;
    PhaseSlotTable[slot].Grid = nullptr;
    PhaseSlotTable[slot].Exists = false;
    RefreshPhaseMenus();
    SystemChanged();
  }
}

void TEqlMainWnd::NewPhaseClick(int group) {
  const int last = group == 1 ? 2 : (group == 3 ? 5 : 8);
  int slot = last;
  for (int s = group; s <= last; ++s)
    if (!PhaseSlotTable[s].Window) {
      slot = s;
      break;
    }
  const bool opened = !PhaseSlotTable[slot].Window;
  CreatePhaseWindow(slot);
  LoadPhaseWindowSettings(*PhaseWindow(slot), slot);
  RefreshPhaseMenus();
  if (opened) SystemChanged();
}

void TEqlMainWnd::RefreshPhaseMenus() {
  int gas = 0, liquid = 0, solid = 0;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    PhaseSlotTable[s].Exists = w != nullptr;
    if (w) {
      (IsGasSlot(s) ? gas : (s <= 5 ? liquid : solid))++;
      PopPhase[s]->SetVisible(true);
      PopPhase[s]->SetCaption(w->Caption());
    } else {
      PopPhase[s]->SetVisible(false);
      PopPhase[s]->SetCaption(" ");
    }
    MnuWindowPhase[s]->SetVisible(PopPhase[s]->Visible());
    MnuWindowPhase[s]->SetCaption(PopPhase[s]->Caption());
  }
  MnuNewGas->SetEnabled(gas < 2);
  MnuNewLiquid->SetEnabled(liquid < 3);
  MnuNewSolid->SetEnabled(solid < 3);
  // Each V item carries the gas slot whose volume it holds.
  const int stored = CbxPV->ItemIndex() >= 0 && CbxPV->ItemIndex() < int(PVItemSlots.size())
                         ? PVItemSlots[CbxPV->ItemIndex()] : 0;
  CbxPV->Items().Clear();
  PVItemSlots.assign(1, 0);
  CbxPV->Items().Add("P Const.");
  for (int s = 1; s <= 2; ++s)
    if (TPhaseWnd* w = PhaseWindow(s)) {
      CbxPV->Items().Add("V Const.(" + w->Caption() + ")");
      PVItemSlots.push_back(s);
    }
  int index = 0;
  for (int i = 0; i < int(PVItemSlots.size()); ++i)
    if (PVItemSlots[i] == stored) index = i;
  CbxPV->SetItemIndex(index);
  CbxPVChange();
}

// ---------------------------------------------------------------------------------------------
// The calculation road

void TEqlMainWnd::LockForRun(bool lock) {
  EditTsys->SetReadOnly(lock);
  EditPVsys->SetReadOnly(lock);
  CbxPV->SetEnabled(!lock);
  if (lock) {
    lockedGrids_.clear();
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (StringGrid* g = PhaseSlotTable[s].Grid) {
        lockedGrids_.emplace_back(g, g->Options());
        g->SetOptions(g->Options() & ~goEditing);
      }
  } else {
    for (auto& [g, options] : lockedGrids_)
      for (int s = 1; s <= PhaseSlotCount; ++s)
        if (PhaseSlotTable[s].Grid == g) g->SetOptions(options);
    lockedGrids_.clear();
  }
}

void TEqlMainWnd::BtnCalculationClick(Component* sender) {
  if (CalculationUnderWay()) {
    // A press during the run breaks it; a call of the program during a run is refused.
    if (sender) {
      BreakRequested = true;
      if (EqlKernel) EqlKernel->SolverBreakFlag = 1;
      BtnCalc->SetCaption("Calculation");
      Calculation1->SetCaption("Calculation");
    }
    return;
  }
  if (!EqlKernel) return;
  if (sender && TDynOprtWnd) TDynOprtWnd->RefreshDatabase();
  {
    RunScope run(*this);
    RunCalculation(true);
  }
  SortRecordsByChartX();
}

TEqlMainWnd::RunScope::RunScope(TEqlMainWnd& window) : window_(window), busy_(RunState::Calculating) {
  window_.BreakRequested = false;
  CalculationRunState = CalculationRun::DataCheck;
  window_.LockForRun(true);
}

TEqlMainWnd::RunScope::~RunScope() {
  window_.LockForRun(false);
  CalculationRunState = CalculationRun::Idle;
}

void TEqlMainWnd::RunCalculation(bool firstOfRun) {
  if (!EqlKernel) return;
  if (firstOfRun && AplMsgWnd) AplMsgWnd->Clear();
  if (firstOfRun) {
    idealGasFallbacks_.clear();
    idealGasFallbackPosted_ = false;
    noVapourRootPosted_ = false;
  }
  CalculationRunState = CalculationRun::DataCheck;
  // Every calculation starts from zero totals: a gas phase that comes out empty keeps none of
  // an earlier calculation's volumes or fugacity.
  for (int s = 1; s <= 2; ++s) {
    PhaseTotals[s].InVolume = PhaseTotals[s].OutVolume = PhaseTotals[s].Fugacity = 0;
  }
  const int components = ElementsDlg ? int(ElementsDlg->SelectedElements.size()) : 0;
  ElementTotals.assign(std::max(components, 0) + 1, 0);
  ElementSlotTotals.assign(std::max(components, 0) + 1, {});
  if (MnuIsotherm->Checked()) {
    CalcIsothermal();
  } else {
    CalcAdiabatic();
  }
  if (EqlKernel->Criteria.elementsAutoSelected && ElementsDlg) {
    EqlKernel->Criteria.elementsAutoSelected = 0;
    for (int e = 0; e <= LastElementIndex(); ++e) ElementsDlg->SetSelected(e, EqlKernel->ElementSelected(e) != 0);
    ElementsDlg->CollectSelectedElements();
  }
}

void TEqlMainWnd::SortRecordsByChartX() {
  const int x = EqlMainHooks.ChartXColumn ? EqlMainHooks.ChartXColumn() : 0;
  if (x <= 0 || (TablOprtWnd && x >= TablOprtWnd->SGT->ColCount())) return;
  if (EqlMainHooks.SortRecords) EqlMainHooks.SortRecords(x);
  UpdateChartFromRecords(0);
}

void TEqlMainWnd::CalcIsothermal() {
  CheckSystemData();
  if (!CalculationReady) return;  // the data check has already restored the window
  PostStatus("Calculating Please Wait !  (Max. It.:" + EqlKernel->EditILimit->Text() + ";   Appr. Fac:" +
             EqlKernel->EditApprFactor->Text() + ")");
  if (BreakRequested) {
    // The user broke the run while the data were checked.
    ResultsValidFlag = false;
    MessageText = "Breaking calculation! ";
    PostLogMessage(LevelError, 1570, MessageText);
    PhasesChangedFlag = true;
  } else {
    CalculationRunState = CalculationRun::Solving;
    EqlKernel->ClearFailureText();
    const int r = EqlKernel->CalcEquilibrium();
    ResultsValidFlag = r == 1;
    if (r != 1) {
      // The solver's own text, a break by the user included ("Break by user !").
      if (MessageText.empty()) MessageText = EqlKernel->FailureText();
      if (MessageText.empty()) MessageText = "Breaking calculation! ";
      PostLogMessage(LevelError, 1570, MessageText);
      PhasesChangedFlag = true;
    }
  }
  FinishCalculation();
}

bool AdiabaticTemperatureSearch::Next(double r) {
  if (std::abs(r) < 1e-32) return true;
  if (brent_) {
    fb_ = r;
    if (!BrentStep()) return false;
    return true;
  }
  const double T = trial_;
  if (r > 0) {
    if (!(upper_ > 0) || T < upper_) {
      upper_ = T;
      rUpper_ = r;
    }
    if (!(lower_ > 0)) {
      trial_ = T * 0.9;
      return false;
    }
    StartBrent(upper_, rUpper_, lower_, rLower_);
  } else {
    if (!(lower_ > 0) || T > lower_) {
      lower_ = T;
      rLower_ = r;
    }
    if (!(upper_ > 0)) {
      trial_ = lower_ * 1.1;
      return false;
    }
    StartBrent(lower_, rLower_, upper_, rUpper_);
  }
  return BrentStep();
}

double AdiabaticTemperatureSearch::Lower() const { return brent_ ? std::min(b_, c_) : lower_; }
double AdiabaticTemperatureSearch::Upper() const { return brent_ ? std::max(b_, c_) : upper_; }

void AdiabaticTemperatureSearch::StartBrent(double lastT, double lastR, double otherT, double otherR) {
  brent_ = true;
  a_ = otherT;
  fa_ = otherR;
  b_ = lastT;
  fb_ = lastR;
  c_ = a_;
  fc_ = fa_;
  d_ = e_ = b_ - a_;
}

// One pass of Brent's zero finder with f(b) known; sets the next trial, or reports convergence.
bool AdiabaticTemperatureSearch::BrentStep() {
  if ((fb_ > 0) == (fc_ > 0)) {
    c_ = a_;
    fc_ = fa_;
    d_ = e_ = b_ - a_;
  }
  if (std::abs(fc_) < std::abs(fb_)) {
    a_ = b_;
    b_ = c_;
    c_ = a_;
    fa_ = fb_;
    fb_ = fc_;
    fc_ = fa_;
  }
  const double tol = 2 * 1e-16 * std::abs(b_) + 0.25 * AdiabaticTolerance;
  const double m = 0.5 * (c_ - b_);
  if (std::abs(m) <= tol || fb_ == 0) return true;
  if (std::abs(e_) >= tol && std::abs(fa_) > std::abs(fb_)) {
    const double s = fb_ / fa_;
    double p, q;
    if (a_ == c_) {
      p = 2 * m * s;  // secant
      q = 1 - s;
    } else {
      const double qa = fa_ / fc_, rb = fb_ / fc_;  // inverse quadratic interpolation
      p = s * (2 * m * qa * (qa - rb) - (b_ - a_) * (rb - 1));
      q = (qa - 1) * (rb - 1) * (s - 1);
    }
    if (p > 0) {
      q = -q;
    } else {
      p = -p;
    }
    if (2 * p < std::min(3 * m * q - std::abs(tol * q), std::abs(e_ * q))) {
      e_ = d_;
      d_ = p / q;
    } else {
      d_ = e_ = m;
    }
  } else {
    d_ = e_ = m;
  }
  a_ = b_;
  fa_ = fb_;
  b_ += std::abs(d_) > tol ? d_ : (m > 0 ? tol : -tol);
  trial_ = b_;
  return false;
}

// The adiabatic search. Every trial solves the system at the trial temperature T with the
// inputs kept at their own T(in) (the data check wrote the start temperature into every empty
// T(in) cell); the residual r = H(products) - H(inputs) tells whether T is too high (r > 0) or
// too low (r < 0). AdiabaticTemperatureSearch chooses the trials: a bracket first, then Brent's
// method inside it, until the bracket is narrower than 0.01 K.
//
// A residual that keeps its sign ends the search as a failure once the bracketing has passed the
// temperature range of the system's datasets (the lower bound above their highest Tmax, or the
// upper bound below their lowest Tmin), and any search ends after MaxAdiabaticTrials solves.
void TEqlMainWnd::CalcAdiabatic() {
  CheckSystemData();
  if (!CalculationReady) return;  // the data check has already restored the window
  PostStatus("Calculating Please Wait !  (Max. It.:" + EqlKernel->EditILimit->Text() + ";   Appr. Fac:" +
             EqlKernel->EditApprFactor->Text() + ")");
  CalculationRunState = CalculationRun::Solving;
  if (!SolveAdiabaticTrial(1364)) return;

  // The temperature range over which the system's species have data.
  double reachLow = -1, reachHigh = -1;
  for (int j = 1; j <= EqlKernel->SpeciesCount(); ++j) {
    std::string name, phase;
    if (!SplitNamePhase(EqlKernel->SpeciesNameWithPhase(j), name, phase)) continue;
    double tmin = -1, tmax = -1;
    if (TTDynOprtWnd::DatasetTemperatureRange(name, phase, tmin, tmax) < 1) continue;
    if (tmin > 0 && (reachLow < 0 || tmin < reachLow)) reachLow = tmin;
    if (tmax > reachHigh) reachHigh = tmax;
  }
  const double c = TempInCelsius() ? kCelsius : 0.0;
  const auto notFound = [&](const std::string& text) {
    MessageText = text;
    PostLogMessage(LevelError, AdiabaticNotFoundId, text);
    AbandonAdiabaticSearch();
  };

  AdiabaticTemperatureSearch search(T);
  for (int trials = 1;; ++trials) {
    Extended r = 0;
    EqlKernel->CalcEnthalpyBalance();
    if (MnuAdiabatic->Checked()) r = EqlKernel->ProductsEnthalpy() - InputEnthalpyTotal;
    // A press of "Calculation" between two solves is seen here.
    ProcessMessages();
    if (EqlKernel->SolverBreakFlag || BreakRequested) {
      if (MessageText.empty()) MessageText = "Breaking calculation! ";
      AbandonAdiabaticSearch();
      return;
    }
    if (search.Next(static_cast<double>(r))) break;
    if (!search.Bracketed()) {
      if (r > 0 && reachLow > 0 && search.Upper() < reachLow) {
        notFound("No adiabatic temperature found: the products are still too hot at " +
                 FloatToShortText(search.Upper() - c) + ", below the data range " + FloatToShortText(reachLow - c) +
                 " to " + FloatToShortText(reachHigh - c));
        return;
      }
      if (r < 0 && reachHigh > 0 && search.Lower() > reachHigh) {
        notFound("No adiabatic temperature found: the products are still too cold at " +
                 FloatToShortText(search.Lower() - c) + ", above the data range " + FloatToShortText(reachLow - c) +
                 " to " + FloatToShortText(reachHigh - c));
        return;
      }
    }
    if (trials >= MaxAdiabaticTrials) {
      notFound("No adiabatic temperature found after " + std::to_string(trials) + " trials; last bracket " +
               FloatToShortText(search.Lower() - c) + "< T <" + FloatToShortText(search.Upper() - c));
      return;
    }
    T = search.Trial();
    EditTsys->SetText(FloatToShortText(T - c));
    EditTsysChange();
    if (!ReloadAdiabaticTrial()) {
      AbandonAdiabaticSearch();
      return;
    }
    if (!SolveAdiabaticTrial(1416)) return;
  }
  PostLogMessage(LevelImportant, 1419,
                 FloatToShortText(search.Lower() - c) + "< T <" + FloatToShortText(search.Upper() - c));
  FinishCalculation();
  MessageText = "Calculation success ";
}

bool TEqlMainWnd::SolveAdiabaticTrial(int failureId) {
  EqlKernel->ClearFailureText();
  const int r = EqlKernel->CalcEquilibrium();
  ResultsValidFlag = r == 1;
  if (r == 1) return true;
  if (MessageText.empty()) MessageText = EqlKernel->FailureText();
  if (MessageText.empty()) MessageText = "Breaking calculation! ";
  PostLogMessage(LevelError, failureId, MessageText);
  PhasesChangedFlag = true;
  FinishCalculation();
  return false;
}

SystemConditions TEqlMainWnd::CurrentConditions() const {
  SystemConditions c;
  c.mode = PVMode;
  c.temperature = T;
  c.pressure = P;
  c.volume = V;
  return c;
}

bool TEqlMainWnd::ReloadAdiabaticTrial() {
  // The solver is emptied: what it held of the last trial is no result any more.
  ResultsValidFlag = false;
  EqlKernel->LoadSystem(ElementSelectionFlags(), 255);
  EqlKernel->ReadCriteria(CurrentConditions());
  InputEnthalpyTotal = 0;
  SpeciesTotal = SpeciesRead = 0;
  PhaseSlotTable.SpeciesEnd[0] = 0;
  for (int s = 1; s <= 2; ++s) PhaseTotals[s].InVolume = 0;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (StringGrid* g = PhaseSlotTable[s].Grid) {
      if (!ReadPhaseIntoSolver(*g)) return false;
    } else {
      SpeciesTotal += std::max(PhaseSlotTable[s].RowCount, 0);
    }
    PhaseSlotTable.SpeciesEnd[s] = EqlKernel->SpeciesCount();
  }
  if (SpeciesRead == 0) return false;
  if (!CalculationReady) {
    // A row could not be read at this temperature: the trial would solve another system.
    MessageText = "no calculation because errors";
    PostLogMessage(LevelError, 1551, MessageText);
    return false;
  }
  return true;
}

void TEqlMainWnd::AbandonAdiabaticSearch() {
  ResultsValidFlag = false;
  PhasesChangedFlag = true;
  FinishCalculation();
}

std::vector<std::uint8_t> TEqlMainWnd::ElementSelectionFlags() const {
  std::vector<std::uint8_t> flags(MaxElementCount, 0);
  if (ElementsDlg)
    for (int e = 0; e <= LastElementIndex() && e < MaxElementCount; ++e) flags[e] = ElementsDlg->Selected(e) ? 1 : 0;
  return flags;
}

void TEqlMainWnd::CheckSystemData() {
  PVMode = CbxPV->ItemIndex() >= 0 && CbxPV->ItemIndex() < int(PVItemSlots.size()) ? PVItemSlots[CbxPV->ItemIndex()] : 0;
  MessageText.clear();
  const std::string text = "Data Check " + LabelT->Caption() + " " + EditTsys->Text() + " ; " + LabelPV->Caption() +
                           " " + EditPVsys->Text();
  PostLogMessage(LevelInfo, 1513, text);
  PostStatus(text);
  BtnCalc->SetCaption("Cancel");
  Calculation1->SetCaption("Cancel");
  CalculationReady = true;
  ResultsValidFlag = false;
  InputEnthalpyTotal = 0;
  EqlKernel->LoadSystem(ElementSelectionFlags(), 255);
  if (!ReadSystemConditions()) {
    FinishCalculation();
    return;
  }
  EqlKernel->ReadCriteria(CurrentConditions());
  ProcessMessages();
  StartTime = std::chrono::steady_clock::now();
  SpeciesTotal = SpeciesRead = 0;
  PhaseSlotTable.SpeciesEnd[0] = 0;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    PhaseTotals[s].InEnthalpy = PhaseTotals[s].OutAmount = PhaseTotals[s].OutMass = 0;
    if (IsGasSlot(s)) PhaseTotals[s].InVolume = 0;
  }
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (StringGrid* g = PhaseSlotTable[s].Grid) {
      if (!ReadPhaseIntoSolver(*g)) {
        CalculationReady = false;
        FinishCalculation();
        return;
      }
    } else {
      SpeciesTotal += std::max(PhaseSlotTable[s].RowCount, 0);
    }
    PhaseSlotTable.SpeciesEnd[s] = EqlKernel->SpeciesCount();
  }
  if (!idealGasFallbackPosted_ && !idealGasFallbacks_.empty()) {
    PostIdealGasFallback(EosType, idealGasFallbacks_);
    idealGasFallbackPosted_ = true;
  }
  if (SpeciesRead == 0) {
    // Nothing to calculate, said as the solver says it of a system without amounts.
    MessageText = "No (valid) Input Values";
    PostLogMessage(LevelCritical, NoInputValuesId, MessageText);
    CalculationReady = false;
    FinishCalculation();
    PostStatus(MessageText);
    return;
  }
  if (!CalculationReady) {
    MessageText = "no calculation because errors";
    PostLogMessage(LevelError, 1551, MessageText);
    FinishCalculation();
  }
}

bool TEqlMainWnd::ReadSystemConditions() {
  long double t = 0;
  if (!TryTextToFloat(EditTsys->Text(), t)) {
    const std::string text = TranslateText("Irregular temperature");
    MessageBox(text, "Equilibrium ", mbOk | mbIconError);
    PostLogMessage(LevelError, 1462, text);
    MessageText = text;
    return false;
  }
  T = double(t) + (TempInCelsius() ? kCelsius : 0.0);
  if (!(T > 0)) {
    const std::string text = TranslateText("Irregular temperature");
    MessageBox(text, "Equilibrium ", mbOk | mbIconError);
    PostLogMessage(LevelError, 1472, text);
    MessageText = text;
    return false;
  }
  P = 1.0;
  const double value = TextToDouble(EditPVsys->Text());
  if (!(value > 0)) {
    MessageBox("Irregular pressure", "Equilibrium", mbOk | mbIconError);
    PostLogMessage(LevelError, 1481, "Irregular pressure");
    MessageText = "Irregular pressure";
    return false;
  }
  if (PVMode == 0) P = value;
  else V = value;
  return true;
}

bool TEqlMainWnd::ReadPhaseIntoSolver(StringGrid& g) {
  const int s = g.Tag();
  if (!ValidPhaseSlot(s)) return false;
  TPhaseWnd* window = PhaseSlotTable[s].Window;
  const std::string caption = window ? window->Caption() : std::string(SlotConstants(s).Caption);
  PhaseSlotTable[s].RowCount = 0;
  PhaseTotal& tot = PhaseTotals[s];
  tot.InAmount = tot.InMass = tot.InEnthalpy = 0;
  if (g.RowCount() == 2) {
    const std::string first = Trim(g.Cells(ColKey, 1));
    if (first.empty() || first == "-" || first == "1") return true;
  }
  const bool celsius = TempInCelsius();
  const bool extrapolationAllowed = TDynOprtWnd ? TDynOprtWnd->CBExtrapolation->Checked() : true;
  int lastSpecies = 0;
  std::string lastKey;
  for (int r = 1; r < g.RowCount(); ++r) {
    const std::string key = Trim(g.Cells(ColKey, r));
    if (key.empty()) {
      return RefuseRow(1982, "Blank cell in first column " + std::to_string(r) + " in the phase \"" + caption +
                                 "\" irregular (EM)");
    }
    ++PhaseSlotTable[s].RowCount;
    ++SpeciesRead;
    ++SpeciesTotal;
    std::string name, phase;
    SplitNamePhase(key, name, phase);
    if (phase == "(u)") phase = SlotPhaseTag(s);
    const int n = TDynOprtWnd ? TDynOprtWnd->FindDatasetAnyPhase(name, phase, T) : FindDataset(name, phase, T);
    bool active = true;
    if (n < 1) {
      CalculationReady = false;
      const std::string text = "The data of \"" + key + "\"  in " + caption + ", Row:" + std::to_string(r) +
                               " do not exist in the database !";
      PostLogMessage(LevelError, 2030, text);
      MessageText = text;
      if (MessageBox(text, "Equilibrium", mbOkCancel | mbIconInformation) == mrCancel) return false;
      // Nothing of this row can be evaluated: the run ends with "no calculation because errors".
      continue;
    }
    const bool extrapolated = CurrentDataset.RangeStatus != RangeInside;
    const std::string formula = DatasetTable.Text(n, FieldComposition);
    const double tc = DatasetTable.Value(n, FieldTc);
    PropertyResult pr;
    const bool evaluated = EvaluateProperties(n, EosType, pr, P, T);
    // A gas where its equation has no vapour root is computed on the liquid's root: said once.
    if (evaluated && pr.NoVapourRoot && !noVapourRootPosted_) {
      PostNoVapourRoot(EosType, name + " (g)", P, T);
      noVapourRootPosted_ = true;
    }
    const std::string conditions = "T[K]:" + std::to_string(std::lround(T)) + "; P[bar]:" + FloatToShortText(P);
    if (pr.status == StatusBadInput) {
      PostLogMessage(LevelImportant, 2025, name + " " + phase + ": Calculation is only for ideal gases possible" + conditions);
    } else if (pr.status == StatusNoPhase) {
      PostLogMessage(LevelImportant, 2037, name + " " + phase + " can not exists " + "at " + conditions);
      active = false;
    }
    // A failed evaluation leaves no usable Z: the conversions take the ideal gas.
    const double z = (evaluated && pr.Z > 0 && std::isfinite(pr.Z)) ? pr.Z : 1.0;

    double amount = 0;
    const std::string text = Trim(g.Cells(ColIn, r));
    const int d = PhaseDimensionTable.InDimension[s];
    bool ok = true;
    if (!text.empty()) {
      if (d < 1) {
        if (text.find("Nm") == std::string::npos) ok = AmountToMol(text, formula, P / z, T, amount);
        else amount = TDynOprtWnd ? TDynOprtWnd->SubstanceAmountToMol(text, n) : 0;
      } else {
        long double number = 0;
        ok = TryTextToFloat(text, number);
        if (ok) {
          std::string withUnit = text;
          if (d < DimensionNameCount()) withUnit += " " + DimensionName(d);
          if (d < DimNormalCubicMetre) ok = AmountToMol(withUnit, formula, P / z, T, amount);
          else amount = TDynOprtWnd ? TDynOprtWnd->SubstanceAmountToMol(withUnit, n) : 0;
        }
      }
    }
    if (!ok || amount < 0 || !std::isfinite(amount)) {
      return RefuseRow(1134, name + " " + phase + ": Irregular input");
    }
    tot.InAmount += amount;

    double coefficient = 1.0;
    bool forced = false;
    const std::string ctext = Trim(g.Cells(ColCoefficient, r));
    if (!ctext.empty()) {
      if (ctext == "(1)" || ctext == "-1") {
        forced = true;
      } else if (ctext[0] == '[' && ctext.find(']', 2) != std::string::npos) {
        if (PhaseDimensionTable.Concentration[s] != 0) {
          return RefuseRow(1309, key + ":" + caption + ", output concentration must be in mol ratio, " +
                                     "when activity/fugacity coeff is given by a relation");
        }
        if (!EqlMainHooks.RelationValue || !EqlMainHooks.RelationValue(ctext, g.Cells(ColConc, r), T, coefficient)) {
          return RefuseRow(RelationUnavailableId, key + ": the relation " + ctext + " can not be evaluated");
        }
      } else if (ctext.find('[') == std::string::npos) {
        coefficient = TextToDouble(ctext);
      }
      if (coefficient < 0) {
        return RefuseRow(1121, name + " " + phase +
                                   (phase == "(g)" ? "Irregular fugacity coefficient" : "Irregular activity coefficient"));
      }
    }
    g.SetCells(ColInfo, r, extrapolated ? "(ext.)" : "");
    if (extrapolated && !extrapolationAllowed) active = false;
    if (phase != "(g)" && tc > 0 && tc < T) active = false;
    const std::string gasKey = name + " (g)";
    if (active && ComputedAsIdealGas(n, EosType) &&
        std::find(idealGasFallbacks_.begin(), idealGasFallbacks_.end(), gasKey) == idealGasFallbacks_.end())
      idealGasFallbacks_.push_back(gasKey);
    const std::string rel = Trim(g.Cells(ColRel, r));
    const double fraction = rel.empty() ? 1.0 : TextToDouble(rel);
    if (amount > 0) tot.InMass += MolarMass(formula) * amount;

    SpeciesRow row;
    row.slot = s;
    row.name = name;
    row.reactingFraction = fraction;
    row.active = active;
    row.activityCoefficient = coefficient;
    row.inputAmount = amount;
    row.enthalpy = pr.H;
    row.gibbsEnergy = pr.G;
    row.formula = formula;
    row.phase = phase;
    const int j = EqlKernel->AddSpecies(row);
    if (j < 1) {
      CalculationReady = false;
      return false;
    }
    lastSpecies = j;
    lastKey = key;

    if (amount > 0) {
      double h = pr.H;
      if (Trim(g.Cells(ColTin, r)).empty() && MnuAdiabatic->Checked())
        g.SetCells(ColTin, r, FloatToShortText(celsius ? T - kCelsius : T));
      const std::string tinText = Trim(g.Cells(ColTin, r));
      if (!tinText.empty()) {
        const double tin = TextToDouble(tinText) + (celsius ? kCelsius : 0.0);
        if (tin > 0) {
          const int nin = TDynOprtWnd ? TDynOprtWnd->FindDatasetAnyPhase(name, phase, tin) : FindDataset(name, phase, tin);
          PropertyResult pin;
          if (nin >= 1 && EvaluateProperties(nin, EosType, pin, P, tin)) h = pin.H;
        } else {
          PostLogMessage(LevelError, 2116, TranslateText("Irregular temperature") + " : " + tinText);
        }
      }
      tot.InEnthalpy += amount * h;
      InputEnthalpyTotal += amount * h;
    }
    if (forced && IsCondensedSlot(s)) EqlKernel->ForceSpecies(j);
  }
  if (PhaseSlotTable[s].RowCount == 1 && lastSpecies > 0 && Trim(g.Cells(ColCoefficient, 1)).empty() &&
      IsCondensedSlot(s)) {
    PostLogMessage(LevelImportant, 2134, lastKey + " regarded as pure substance");
    EqlKernel->ForceSpecies(lastSpecies);
  }
  return true;
}

bool TEqlMainWnd::RefuseRow(int id, const std::string& text) {
  PostLogMessage(LevelError, id, text);
  MessageText = text;
  CalculationReady = false;
  return false;
}

void TEqlMainWnd::FinishCalculation() {
  for (int s = 1; s <= 2; ++s) PhaseTotals[s].OutVolume = 0;
  if (ResultsValidFlag) {
    for (int s = 1; s <= PhaseSlotCount; ++s) {
      StringGrid* g = PhaseSlotTable[s].Grid;
      if (!g || PhaseSlotTable.SpeciesEnd[s] <= PhaseSlotTable.SpeciesEnd[s - 1]) continue;
      WritePhaseResults(*g);
      g->WidenColumnsToText(ColOut, ColActivity);  // the results show whole
    }
    Duration = std::chrono::steady_clock::now() - StartTime;
    PostStatus("Calculation success, dt: " + FormatRunDuration(Duration));
    if (EqlMainHooks.RecordVariableCount && EqlMainHooks.RecordVariableCount() > 0 && EqlMainHooks.EvaluateRecordVariables)
      EqlMainHooks.EvaluateRecordVariables();
    PostLogMessage(LevelInfo, 1591, "Steps: " + EqlKernel->StatusText());
    MessageText = "Calculation success ";
    PostLogMessage(LevelInfo, 1593, MessageText);
    PhasesChangedFlag = false;
    SystemChangedFlag = true;
  }
  CalculationReady = false;
  if (!ResultsValidFlag) {
    // What is on screen is what was computed: nothing, and the reason why.
    for (int s = 1; s <= PhaseSlotCount; ++s)
      if (TPhaseWnd* w = PhaseSlotTable[s].Window) w->ClearResults();
    for (int s = 1; s <= PhaseSlotCount; ++s) {
      PhaseTotals[s].OutAmount = PhaseTotals[s].OutMass = 0;
      if (IsGasSlot(s)) PhaseTotals[s].Fugacity = 0;
    }
    PostStatus(MessageText.empty() ? std::string("no calculation because errors") : MessageText);
  }
  BtnCalc->SetHint("Calculation of equilibrium");
  BtnCalc->SetCaption("Calculation");
  Calculation1->SetCaption("Calculation");
}

void TEqlMainWnd::WritePhaseResults(StringGrid& g) {
  const int s = g.Tag();
  if (!ValidPhaseSlot(s) || !EqlKernel) return;
  const bool gas = IsGasSlot(s);
  const int inDim = PhaseDimensionTable.InDimension[s];
  const int outDim = PhaseDimensionTable.OutDimension[s];
  const int conc = PhaseDimensionTable.Concentration[s];
  g.SetCells(ColIn, 0, inDim > 0 ? "in " + DimensionName(inDim) : std::string("in"));
  g.SetCells(ColOut, 0, outDim > 0 ? "out " + DimensionName(outDim) : std::string("out"));
  g.SetCells(ColConc, 0, "x");
  g.SetCells(ColActivity, 0, gas ? "f" : "a");
  g.SetCells(ColCoefficient, 0, gas ? "f.c." : "a.c.");
  PhaseTotal& tot = PhaseTotals[s];
  if (gas) tot.InVolume = tot.OutVolume = 0;
  tot.OutAmount = tot.OutMass = 0;
  const Extended threshold = EqlKernel->Criteria.ignoreThreshold;
  const int first = PhaseSlotTable.SpeciesEnd[s - 1] + 1;
  const int last = std::min(PhaseSlotTable.SpeciesEnd[s], EqlKernel->SpeciesCount());
  auto rowOf = [&](int j) { return j - first + 1; };
  Extended fugacity = 0;
  Extended concSum = 0;  // of the fractions written, unrounded
  for (int j = first; j <= last; ++j) {
    const int r = rowOf(j);
    if (r >= g.RowCount()) break;
    const Extended n = EqlKernel->ProductAmount(j);
    const Extended activity = EqlKernel->SpeciesActivity(j);
    if (n <= threshold) {
      g.SetCells(ColOut, r, "0");
      g.SetCells(ColConc, r, "0");
      g.SetCells(ColActivity, r, "0");
    } else {
      const Extended mass = EqlKernel->SpeciesMass(j);
      tot.OutAmount += n;
      tot.OutMass += mass;
      switch (outDim) {
        case DimMol: g.SetCells(ColOut, r, FloatToShortText(n)); break;
        case DimGram: g.SetCells(ColOut, r, FloatToShortText(mass)); break;
        case DimKilogram: g.SetCells(ColOut, r, FloatToShortText(mass / 1000)); break;
        case DimPound: g.SetCells(ColOut, r, FloatToShortText(mass / 453.59L)); break;
        default: break;  // the volumes follow below (gas slots only)
      }
      g.SetCells(ColConc, r, FloatToShortText(EqlKernel->MoleFraction(j)));
      concSum += EqlKernel->MoleFraction(j);
      g.SetCells(ColActivity, r, FloatToShortText(activity));
    }
    if (gas) fugacity += activity;
    if (CalculationReady) g.SetCells(ColInfo, r, std::to_string(EqlKernel->SpeciesState(j)) + g.Cells(ColInfo, r));
    if (ElementValuesWanted) {
      const int components = static_cast<EqlSolver*>(EqlKernel)->ComponentCount();
      if (int(ElementTotals.size()) < components + 1) {
        ElementTotals.resize(components + 1, 0);
        ElementSlotTotals.resize(components + 1, {});
      }
      for (int k = 1; k <= components; ++k) {
        const Extended e = EqlKernel->MatrixEntry(j, k) * n;
        ElementTotals[k] += e;
        ElementSlotTotals[k][s] += e;
      }
    }
  }
  if (conc == ConcMassFraction || conc == ConcMassPercent) {
    g.SetCells(ColConc, 0, ConcentrationHeader(conc));
    concSum = 0;
    if (tot.OutMass > 0)
      for (int j = first; j <= last && rowOf(j) < g.RowCount(); ++j) {
        Extended w = EqlKernel->SpeciesMass(j) / tot.OutMass;
        if (conc == ConcMassPercent) w *= 100;
        g.SetCells(ColConc, rowOf(j), FloatToShortText(w));
        concSum += w;
      }
  }
  if (gas) {
    TPhaseWnd* window = PhaseSlotTable[s].Window;
    if (fugacity < 1e-45L) {
      if (window) {
        window->RefreshSums({1, 2});
        window->StBar->SetPanelText(3, "");
      }
      return;
    }
    tot.Fugacity = fugacity;
    const double R = GasConstant();
    const bool celsius = TempInCelsius();
    for (int j = first; j <= last && rowOf(j) < g.RowCount(); ++j) {
      const int r = rowOf(j);
      const Extended n = EqlKernel->ProductAmount(j);
      const Extended nin = EqlKernel->InputAmount(j);
      if (!(n > threshold || nin > threshold)) continue;
      std::string name, phase;
      SplitNamePhase(g.Cells(ColKey, r), name, phase);
      if (phase == "(u)") phase = "(g)";
      const int row = TDynOprtWnd ? TDynOprtWnd->FindDatasetAnyPhase(name, phase, T) : FindDataset(name, phase, T);
      const double z = GasZ(row, P, T);
      const Extended vout = n * z * R * T / (fugacity * 100000);
      // A row with its own input temperature has its input volume at that temperature.
      const std::string tinText = Trim(g.Cells(ColTin, r));
      double tin = tinText.empty() ? T : TextToDouble(tinText) + (celsius ? kCelsius : 0.0);
      if (!(tin > 0)) tin = T;
      const double zin = std::fabs(tin / T - 1) > 1e-5 ? GasZ(row, P, tin) : z;
      const Extended vin = PVMode != 0 ? nin * zin * R * tin / 100000 : nin * zin * R * tin / (fugacity * 100000);
      if (outDim == DimNormalCubicMetre) {
        const double zn = GasZ(row, 1.01325, 273.15);
        const Extended normal = n * zn * R * 273.15 / 101325;
        g.SetCells(ColOut, r, FloatToShortText(normal));
        tot.OutVolume += normal;
        tot.InVolume += nin * zn * R * 273.15 / 101325;
      } else {
        tot.OutVolume += vout;
        tot.InVolume += vin;
        if (outDim == DimLitre) g.SetCells(ColOut, r, FloatToShortText(vout * 1000));
        else if (outDim == DimCubicMetre) g.SetCells(ColOut, r, FloatToShortText(vout));
        else if (outDim == DimCubicFoot) g.SetCells(ColOut, r, FloatToShortText(vout * 35.316L));
      }
      if (n < threshold) g.SetCells(ColOut, r, "0");
    }
    const std::string hint = EqlKernel->PressureHint(s);
    if (!hint.empty()) PostLogMessage(LevelImportant, 1682, (window ? window->Caption() : std::string()) + ": " + hint);
  }
  if (TPhaseWnd* window = PhaseSlotTable[s].Window) {
    window->RefreshSums({1, 2});
    window->ShowColumnSum(ColConc, concSum);
  }
}

void TEqlMainWnd::UpdateChartFromRecords(int row) {
  if (!GrfWnd || !TablOprtWnd) return;
  TGrfWnd& chart = *GrfWnd;
  const StringGrid& table = *TablOprtWnd->SGT;
  const SeriesAssignmentTable& a = SeriesAssignment;
  const int count = std::min(a.count, ChartSeriesCount);
  auto fed = [&table](int column) { return column >= 0 && column < table.ColCount(); };
  // One point per record; a record whose X cannot be fed gives none (its values would land on
  // the point before).
  auto feed = [&](int r) {
    if (!fed(a.column[0])) return;
    for (int e = 0; e <= count; ++e) {
      const int column = a.column[static_cast<std::size_t>(e)];
      // An empty cell, or one that is no number, is no value: its series has a gap there.
      if (fed(column)) chart.AddChartValue(a.seriesNumber[static_cast<std::size_t>(e)], ChartValueOfCell(table.Cells(column, r)));
    }
  };
  // While auto size is on, every new record fits the axes anew (and redraws the chart).
  const bool fit = chart.AutoSize() && AutoSizeChangedHook;
  if (row > 0) {
    feed(table.RowCount() - 1);
    if (fit) AutoSizeChangedHook(true);
    else chart.DrawNewestPoint();
    return;
  }
  chart.ClearChartData();
  const bool none = table.RowCount() == 2 && Trim(table.Cells(0, 1)).empty();
  for (int r = 1; r < table.RowCount() && !none; ++r) feed(r);
  if (fit) AutoSizeChangedHook(true);
  chart.MnuUpdateClick(nullptr);
}

void TEqlMainWnd::BtnGrfVarClick() {
  if (EqlChartHooks.ShowChartVariables) EqlChartHooks.ShowChartVariables();
}

// ---------------------------------------------------------------------------------------------
// The windows of a run

OrvantoWindows::OrvantoWindows() {
  Application().SetTitle("Quorel Equilibrium");
  PhaseSlotTable.Reset();
  PhaseDimensionTable.Reset();
  ActivePhaseSlot = 1;
  PhasesChangedFlag = false;
  CalculationRunState = CalculationRun::Idle;
  Main = std::make_unique<TEqlMainWnd>();
  Screen::SetMainForm(Main.get());
  Settings = std::make_unique<TAplStgsWnd>();
  About = std::make_unique<TInfoDlg>();
  Records = std::make_unique<TTablOprtWnd>();
  Messages = std::make_unique<TAplMsgWnd>();
  Balance = std::make_unique<TElBalanceDlg>();
  RecordDefinition = std::make_unique<TRcrdDefDlg>();
  InstallRecordVariableHooks();
  Activity = std::make_unique<TAfcWnd>();
  InstallActivityCoefficientHooks();
  ValueEntry = std::make_unique<TEnterValDlg>();
  InstallValueEntryHooks();
  Behaviour = std::make_unique<TTDynOprtWnd>();
  Elements = std::make_unique<TElementsDlg>();
  Conversion = std::make_unique<TUnitCnvDlg>();
  Search = std::make_unique<TSearchDsDlg>();
  ChartFormat = std::make_unique<TGrfParaDlg>();
  ChartVariables = std::make_unique<TGrfVarDlg>();
  Variation = std::make_unique<TCalcVarDlg>();
  Compounds = std::make_unique<TCompoundsDlg>();
  Kernel = std::make_unique<TEqlKernel>();
  Chart = std::make_unique<TGrfWnd>();
  InstallChartHooks();
}

void InstallChartHooks() {
  ChartVariableHooks& h = EqlChartHooks;
  h.ShowChart = [] {
    if (GrfWnd) GrfWnd->ShowInFront();
  };
  h.ShowChartVariables = [] {
    if (!GrfVarDlg) return;
    GrfVarDlg->Show();
    GrfVarDlg->BringToFront();
  };
  h.FillFieldCombos = [] {
    if (GrfVarDlg) GrfVarDlg->FillFieldCombos();
  };
  h.SetXColumn = [](int column) {
    if (GrfVarDlg) GrfVarDlg->SetXColumn(column);
  };
  h.AssignmentCount = [] { return std::clamp(SeriesAssignment.count, 0, ChartSeriesCount); };
  h.AssignmentColumn = [](int e) {
    return e >= 0 && e < ChartColumnCount ? SeriesAssignment.column[static_cast<std::size_t>(e)] : -1;
  };
  h.FindXColumn = [] {
    if (GrfVarDlg) GrfVarDlg->FindXColumn();
  };
  h.RenumberSeriesColumn = [](int oldColumn, int newColumn) {
    if (GrfVarDlg) GrfVarDlg->RenumberSeriesColumn(oldColumn, newColumn);
  };
  h.ClearRenumberMarks = [] {
    if (GrfVarDlg) GrfVarDlg->ClearRenumberMarks();
  };
  h.ApplyChartVariables = [] {
    if (GrfVarDlg) GrfVarDlg->ButtonOKClick(nullptr);
  };
  EqlMainHooks.ChartXColumn = [] { return SeriesAssignment.column[0]; };
  EqlMainHooks.SortRecords = [](int column) {
    if (TablOprtWnd) SortGridDataUp(*TablOprtWnd->SGT, column);
  };
}

OrvantoWindows::~OrvantoWindows() {
  SetSelectedElements(nullptr);
  EqlChartHooks = ChartVariableHooks{};
  EqlMainHooks.ChartXColumn = nullptr;
  EqlMainHooks.SortRecords = nullptr;
  AutoSizeChangedHook = nullptr;
  Chart.reset();
  Kernel.reset();
  Compounds.reset();
  Variation.reset();
  ChartVariables.reset();
  ChartFormat.reset();
  Search.reset();
  Conversion.reset();
  Elements.reset();
  Behaviour.reset();
  ValueEntry.reset();
  PickListHook = nullptr;
  Activity.reset();
  RecordDefinition.reset();
  Balance.reset();
  Messages.reset();
  Records.reset();
  About.reset();
  Settings.reset();
  if (Screen::MainForm() == Main.get()) Screen::SetMainForm(nullptr);
  Main.reset();
}

}  // namespace quorel
