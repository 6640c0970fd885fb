#include "pure_substance/MdiMain.h"

#include <algorithm>

#include "platform/Services.h"
#include "platform/System.h"
#include "pure_substance/SubstMain.h"
#include "pure_substance/SubstSel.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/TDynOprt.h"
#include "shared/UnitConv.h"

namespace quorel {

TMdiMainWnd* MdiMainWnd = nullptr;

TMdiMainWnd::TMdiMainWnd(platform::Component* owner) : platform::Form(owner, "MdiMainWnd") {
  using namespace platform;
  SetCaption("Pure Substance");
  SetFormStyle(FormStyle::MDIForm);
  SetBounds(0, 0, 684, 378);
  FontInfo font;
  font.Name = "MS Sans Serif";
  SetFont(font);

  MainMenu1 = Make<MainMenu>(this, "MainMenu1");
  SetMenu(MainMenu1);
  File1 = MainMenu1->Add("File1", "File");
  MnuClose1 = File1->Add("MnuClose1", "Close");
  System1 = MainMenu1->Add("System1", "System");
  MnuBehaviour = System1->Add("MnuBehaviour", "Behaviour");
  MnuSelect = System1->Add("MnuSelect", "Select From Database");
  Window1 = MainMenu1->Add("Window1", "Window");
  Cascade1 = Window1->Add("Cascade1", "Cascade");
  Tile1 = Window1->Add("Tile1", "Tile");
  Window1->AddSeparator("N1");
  MnuTable = Window1->Add("MnuTable", "Table");
  MnuGraphic = Window1->Add("MnuGraphic", "Graphic");
  Settings1 = MainMenu1->Add("Settings1", "Settings");
  MnuSaveNow = Settings1->Add("MnuSaveNow", "Save Now");
  MnuSaveByExit = Settings1->Add("MnuSaveByExit", "Save by Exit");
  Information1 = MainMenu1->Add("Information1", "Information");
  Help1 = Information1->Add("Help1", "Help");
  Messages1 = Information1->Add("Messages1", "Messages");
  About1 = Information1->Add("About1", "About");

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(19);
  for (int i = 0; i < 3; ++i) StBar->AddPanel(128);

  MnuClose1->OnClick = [this](Component* s) { MnuClose1Click(s); };
  MnuSelect->OnClick = [this](Component* s) { MnuSelectClick(s); };
  Cascade1->OnClick = [this](Component* s) { Cascade1Click(s); };
  Tile1->OnClick = [this](Component* s) { Tile1Click(s); };
  MnuGraphic->OnClick = [this](Component* s) { MnuGraphicClick(s); };
  MnuSaveByExit->OnClick = [this](Component* s) { MnuSaveByExitClick(s); };
  Help1->OnClick = [this](Component* s) { Help1Click(s); };
  Messages1->OnClick = [this](Component* s) { Messages1Click(s); };
  About1->OnClick = [this](Component* s) { About1Click(s); };
  OnResize = [this](Component* s) { FormResize(s); };
  OnShow = [this](Component*) {
    if (ArrangeOnResize && !arranged_) SetWindowState(WindowState::Maximized);
  };

  MdiMainWnd = this;
  DoCreate();
}

TMdiMainWnd::~TMdiMainWnd() {
  DoDestroy();
  if (MdiMainWnd == this) MdiMainWnd = nullptr;
}

void TMdiMainWnd::MnuClose1Click(platform::Component*) { Close(); }
void TMdiMainWnd::MnuSelectClick(platform::Component*) { ShowSubstanceSelection(); }
void TMdiMainWnd::Cascade1Click(platform::Component*) { Cascade(); }
void TMdiMainWnd::Tile1Click(platform::Component*) { ArrangeTableAndChart(); }

// The table above the chart, both the frame's full width (the table is wide, the chart needs
// height for its series boxes); other arrangements of children go as the frame tiles them.
void TMdiMainWnd::ArrangeTableAndChart() {
  platform::Form* table = PSubstWnd;
  platform::Form* chart = GrfWnd;
  const bool both = table && chart && MDIChildCount() == 2 && table->GetWindowState() != platform::WindowState::Minimized &&
                    chart->GetWindowState() != platform::WindowState::Minimized && table->Visible() && chart->Visible();
  if (!both) {
    Tile(platform::TileMode::Horizontal);
    return;
  }
  const int w = MDIClientWidth(), h = MDIClientHeight();
  const int chartHeight = std::max(std::min(std::max(h / 2, kChartHeight), h - kTableMinHeight), 0);
  table->SetWindowState(platform::WindowState::Normal);
  chart->SetWindowState(platform::WindowState::Normal);
  table->SetBounds(0, 0, w, h - chartHeight);
  chart->SetBounds(0, h - chartHeight, w, chartHeight);
}
void TMdiMainWnd::MnuGraphicClick(platform::Component*) {
  if (GrfWnd) GrfWnd->ShowInFront();
}
void TMdiMainWnd::MnuSaveByExitClick(platform::Component*) { MnuSaveByExit->SetChecked(!MnuSaveByExit->Checked()); }
void TMdiMainWnd::Help1Click(platform::Component*) {
  if (InfoDlg) InfoDlg->OpenHelpIndex();
}
void TMdiMainWnd::Messages1Click(platform::Component*) {
  if (AplMsgWnd) AplMsgWnd->ShowInFront();
}
void TMdiMainWnd::About1Click(platform::Component*) {
  if (!InfoDlg) return;
  InfoDlg->Show();
  InfoDlg->BringToFront();
}

void TMdiMainWnd::FormResize(platform::Component*) {
  // At the first start the maximised frame shares itself out between the table and the chart
  // until the user gives it a size of its own.
  if (ArrangeOnResize) {
    if (GetWindowState() == platform::WindowState::Maximized && Visible()) ArrangeTableAndChart();
    else if (GetWindowState() == platform::WindowState::Normal && Visible() && arranged_) ArrangeOnResize = false;
    arranged_ = arranged_ || GetWindowState() == platform::WindowState::Maximized;
  }
  if (Width() < 255) return;
  StBar->SetPanelWidth(0, Width() / 4);
  StBar->SetPanelWidth(1, Width() / 4);
}

// ---------------------------------------------------------------------------------------------
// Start-up

LunettaWindows::LunettaWindows() {
  platform::Application().SetTitle("Quorel Pure Substance");
  previousMainForm_ = platform::Screen::MainForm();
  Frame = std::make_unique<TMdiMainWnd>();
  platform::Screen::SetMainForm(Frame.get());
  Settings = std::make_unique<TAplStgsWnd>();
  Messages = std::make_unique<TAplMsgWnd>();
  Conversion = std::make_unique<TUnitCnvDlg>();
  About = std::make_unique<TInfoDlg>();
  Records = std::make_unique<TTablOprtWnd>();
  Behaviour = std::make_unique<TTDynOprtWnd>();
  SubstanceSelection = std::make_unique<TSubstSelDlg>();
  Elements = std::make_unique<TElementsDlg>();
  ChartFormat = std::make_unique<TGrfParaDlg>();
  ChartVariables = std::make_unique<TGrfVarDlg>();
  Chart = std::make_unique<TGrfWnd>();
  Substance = std::make_unique<TPSubstWnd>();
}

LunettaWindows::~LunettaWindows() {
  Substance.reset();
  Chart.reset();
  ChartVariables.reset();
  ChartFormat.reset();
  Elements.reset();
  SubstanceSelection.reset();
  Behaviour.reset();
  Records.reset();
  About.reset();
  Conversion.reset();
  Messages.reset();
  Settings.reset();
  if (platform::Screen::MainForm() == Frame.get()) platform::Screen::SetMainForm(previousMainForm_);
  Frame.reset();
}

void StartSubstanceWindow(TPSubstWnd& w) {
  // The database, once.
  if (TDynOprtWnd && !TDynOprtWnd->DatabaseStarted) {
    if (InfoDlg) InfoDlg->SetCaption("About Pure Substance");
    TDynOprtWnd->StartUpDatabase();
    if (AplStgsWnd) {
      AplStgsWnd->OpenDialog1->SetInitialDir(ProjectFolder);
      AplStgsWnd->SaveDialog1->SetInitialDir(ProjectFolder);
    }
    if (MdiMainWnd) MdiMainWnd->StBar->SetPanelText(2, TDynOprtWnd->CurrentDatabasePath);
    if (ElementsDlg) ElementsDlg->ShowElementButtons();
  }
  // Captions.
  if (AplMsgWnd) AplMsgWnd->SetCaption("Pure Substance - Messages");
  // The element picker's Accept fills the substance selection; an accepted substance is
  // calculated at once.
  if (SubstSelDlg) SubstSelDlg->WireElementFilter();
  SubstanceAcceptedHook = RecalculateFromSelection;
  if (MdiMainWnd) MdiMainWnd->SetCaption("Pure Substance");
  // The pure-substance file serves the settings, Table>"Save" and "Open" and the exit.
  if (!SubstanceFileReader) SubstanceFileReader = ReadSubstanceFile;
  if (!SubstanceFileWriter) SubstanceFileWriter = WriteSubstanceFile;
  InstallSubstanceChart();
  // The frame's commands that belong to the substance window.
  if (MdiMainWnd) {
    MdiMainWnd->MnuBehaviour->OnClick = [&w](platform::Component* s) { w.MnuBehaviourClick(s); };
    MdiMainWnd->OnCloseQuery = [&w](platform::Component* s, bool& canClose) { w.FormCloseQuery(s, canClose); };
    MdiMainWnd->MnuTable->OnClick = [&w](platform::Component* s) { w.ShowTableWnd(s); };
    MdiMainWnd->MnuSaveNow->OnClick = [&w](platform::Component* s) { w.MnuSaveNowClick(s); };
    // Saving at exit needs the pure-substance file writer.
    MdiMainWnd->MnuSaveByExit->SetEnabled(bool(SubstanceFileWriter));
  }
  // The table's mouse is the record table's: column titles select and size whole columns.
  w.SGT->OnMouseDown = [](platform::Component* s, platform::MouseButton b, platform::ShiftState sh, int x, int y) {
    if (TablOprtWnd) TablOprtWnd->SGTMouseDown(s, b, sh, x, y);
  };
  w.SGT->OnMouseMove = [](platform::Component* s, platform::ShiftState sh, int x, int y) {
    if (TablOprtWnd) TablOprtWnd->SGTMouseMove(s, sh, x, y);
  };
  w.SGT->OnMouseUp = [](platform::Component* s, platform::MouseButton b, platform::ShiftState sh, int x, int y) {
    if (TablOprtWnd) TablOprtWnd->SGTMouseUp(s, b, sh, x, y);
  };
  // A change of the table feeds the chart; the substance selection writes into the key.
  TableChangedHook = RefreshChartFromTable;
  if (SubstSelDlg) SubstSelDlg->AttachSubstanceTarget(w.CbxSubst, 1);
  // The program's settings.
  const std::string& userFile = SettingsStore().UserSettingsFile;
  const bool firstStart = !platform::FileExists(userFile);
  ReadThroughSubstanceSlot(w, userFile);
  // The chart: the property curves of the substance, its font, the items Lunetta has no use
  // for, its definition and look from the user file.
  if (GrfWnd) {
    TGrfWnd& chart = *GrfWnd;
    chart.ResetChartCurves();
    AutoSizeChangedHook = ChartAutoSizeChanged;
    chart.ChartFont.Name = "Arial";
    chart.ChartFont.Size = 10;
    if (GrfVarDlg) {
      // No time axis and no title of its own: the table's columns against T or P.
      GrfVarDlg->CBxTime->SetChecked(false);
      GrfVarDlg->CBxTime->SetVisible(false);
      GrfVarDlg->LabelCaption->SetVisible(false);
      GrfVarDlg->EditCaption->SetVisible(false);
    }
    // The source item is one with the chart's source: a click runs the switch.
    chart.MnuGrfSrc->SetChecked(false);
    chart.MnuGrfSrc->OnClick = [&w](platform::Component* s) { w.MnuGrfDefsClick(s); };
    chart.MnuVarDef->SetEnabled(false);
    chart.PopVarDef->SetEnabled(false);
    for (platform::MenuItem* item : {chart.MnuFollowTime, chart.MnuSep2, chart.MnuSaveNow, chart.MnuSaveByExit})
      item->SetVisible(false);
    SettingsReader& store = SettingsStore();
    chart.SettingsFileName = userFile;
    if (GrfVarDlg) GrfVarDlg->SetFieldGrid(w.SGT);
    SetupSubstanceChart(w, true);
    // The variables' field lists come from the table whether or not the file holds a
    // definition (a missing file reads as empty).
    if (GrfVarDlg) {
      if (store.OpenSettingsFile(userFile) >= 0) GrfVarDlg->ReadGraphicDefinition();
      else GrfVarDlg->FillFieldCombos();
    }
    chart.LoadGraphicSettings();
    SetupSubstanceChart(w, false);
    SeriesAssignment.count = 0;
    chart.PopGrfStyle->SetEnabled(false);
    chart.MnuStyle->SetEnabled(false);
    chart.MnuStyle->SetVisible(false);
    w.MnuGraphic->OnClick = [](platform::Component*) { GrfWnd->ShowInFront(); };
  }
  w.MnuGraphic->SetEnabled(GrfWnd != nullptr);
  // Labels and headers.
  w.CbxTPChange(nullptr);
  SetTableHeaders(w);
  if (GrfWnd) GrfWnd->FormResize();
  // A ".sub" file named on the command line.
  const std::vector<std::string> args = platform::Application().Arguments();
  if (!args.empty() && LowerExtension(args[0]) == ".sub" && platform::FileExists(args[0])) {
    if (!ReadThroughSubstanceSlot(w, args[0]))
      PostLogMessage(LevelCritical, SubstanceArgumentUnreadableId,
                     args[0] + ": pure-substance file can not be read");
  }
  // Layout.
  // Widths from a file are bounded; the sum is taken wide all the same.
  long long width = 196;
  for (int c = 0; c < w.SGT->ColCount(); ++c) width += w.SGT->ColWidths(c);
  w.SetWidth(static_cast<int>(std::min<long long>(width, 1 << 20)));
  if (GrfWnd && MdiMainWnd) GrfWnd->SetWidth(MdiMainWnd->Width() - 128);
  // The chart's variable box holds the gas's and the liquid's nine series and the solid's four
  // one below the other: the window is made high enough to show them all.
  if (GrfWnd) GrfWnd->SetHeight(std::max(GrfWnd->Height(), TMdiMainWnd::kChartHeight));
  // Without settings the frame takes the screen, the table above the chart.
  if (firstStart && MdiMainWnd) MdiMainWnd->ArrangeOnResize = true;
  // The program's about text.
  if (InfoDlg) InfoDlg->FillAboutText();
}

}  // namespace quorel
