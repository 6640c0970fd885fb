// Orvanto's main window "Equilibrium", its start-up and the calculation run.
//
// The main window holds the system conditions (temperature, pressure or volume), the eight
// phase windows, the settings of the program (section "MainWnd" of the user settings file) and
// runs one calculation at a time: the data check reads every phase grid into the solver,
// converting each amount to mol, the solver computes the equilibrium, and the write-back puts
// amounts, fractions, activities, totals and volumes into the grids and the status bars.
//
// Run state: CalculationRunState (Phase.h) is DataCheck, then Solving, then Idle again. While
// it is not Idle every command that would change or free what the run reads or writes is
// refused with a message, the edits and grids are read-only, closing a window is refused, and
// a second press of "Calculation" only sets the solver's break flag.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "equilibrium/EqKernel.h"
#include "equilibrium/Phase.h"
#include "platform/Components.h"
#include "platform/Services.h"

namespace quorel {

class TEqlKernel;
class TAplStgsWnd;
class TAplMsgWnd;
class TElBalanceDlg;
class TRcrdDefDlg;
class TInfoDlg;
class TTDynOprtWnd;
class TElementsDlg;
class TUnitCnvDlg;
class TSearchDsDlg;
class TAfcWnd;
class TEnterValDlg;
class TCalcVarDlg;
class TCompoundsDlg;
class TTablOprtWnd;
class TGrfParaDlg;
class TGrfVarDlg;
class TGrfWnd;

using Extended = long double;

// Message IDs of this window beyond those of the calculation road.
// A system file that cannot be read, or holds no system.
constexpr int SystemFileMissingId = 491;
// The file chosen in the open dialog does not exist.
constexpr int OpenFileMissingId = 473;
// An element number of "ne" that the periodic table does not have.
constexpr int SystemFileElementSkippedId = 493;
// A system file cut short: it ends inside a section, or a section holds fewer rows than its
// count says. What was read stays open.
constexpr int SystemFileCutShortId = 494;
constexpr int SystemFileSectionShortId = 495;
// A system file computed under another equation of state than the one chosen: the file's one is
// taken. A value that names none keeps the current choice.
constexpr int SystemFileEosTakenId = 496;
constexpr int SystemFileEosUnknownId = 497;
// A calculation of a system that holds no substance (the solver's own ID and text for a system
// without input amounts).
constexpr int NoInputValuesId = 1004;
// The adiabatic search ended without a temperature: the enthalpy balance kept its sign beyond
// the temperature range of the system's datasets, or no bracket closed within the trial limit.
constexpr int AdiabaticNotFoundId = 1417;
// Solves of one adiabatic search, the start solve included.
constexpr int MaxAdiabaticTrials = 200;

// The temperature steps of the adiabatic search, from the residual r = H(products) - H(inputs)
// of each trial: first a bracket (too hot: the upper bound is the trial and the next one 0.9 T;
// too cold: the lower bound is the trial and the next one 1.1 times it), then Brent's method
// inside it (R. P. Brent, Algorithms for Minimization without Derivatives, 1973, ch. 4: secant
// and inverse quadratic steps, bisection where they would not gain) until the bracket is
// narrower than AdiabaticTolerance.
constexpr double AdiabaticTolerance = 0.01;  // K
class AdiabaticTemperatureSearch {
 public:
  explicit AdiabaticTemperatureSearch(double start) : trial_(start) {}
  // The residual of the trial at Trial(); true when the search is done, the trial then being the
  // result (it lies in [Lower(), Upper()]); otherwise Trial() is the next temperature.
  bool Next(double r);
  double Trial() const { return trial_; }
  // The bracket: -1 for a bound not known yet.
  double Lower() const;
  double Upper() const;
  bool Bracketed() const { return brent_; }

 private:
  void StartBrent(double lastT, double lastR, double otherT, double otherR);
  bool BrentStep();  // true when converged
  double trial_;
  double lower_ = -1, upper_ = -1, rLower_ = 0, rUpper_ = 0;
  bool brent_ = false;
  double a_ = 0, b_ = 0, c_ = 0, fa_ = 0, fb_ = 0, fc_ = 0, d_ = 0, e_ = 0;
};
constexpr int SettingsNotSavedId = 1607;
constexpr int RelationUnavailableId = 1310;

// The duration of a calculation as the status bar shows it: hours, minutes and seconds as two
// digits each, then the milliseconds without leading zeros ("00:01:05:7").
std::string FormatRunDuration(std::chrono::steady_clock::duration d);

// Sums of one phase slot after the last calculation.
struct PhaseTotal {
  Extended InAmount = 0;    // mol
  Extended InMass = 0;      // g
  Extended InEnthalpy = 0;  // J
  Extended OutAmount = 0;   // mol
  Extended OutMass = 0;     // g
  Extended InVolume = 0;    // m3, gas slots
  Extended OutVolume = 0;   // m3, gas slots
  Extended Fugacity = 0;    // bar, gas slots
};

// Windows that join the program later reach the run through these; each is tested first.
struct OrvantoHooks {
  // Record variables: how many are defined, and append one record row for the last result.
  std::function<int()> RecordVariableCount;
  std::function<void()> EvaluateRecordVariables;
  // The chart's X column of the record table (0 none) and the sort of the table by it.
  std::function<int()> ChartXColumn;
  std::function<void(int column)> SortRecords;
  // The value of an activity-coefficient relation "[n]" for the x cell text at T [K].
  std::function<bool(const std::string& relation, const std::string& x, double T, double& value)> RelationValue;
};
extern OrvantoHooks EqlMainHooks;

// The chart variables as the main window's commands reach them; each is tested first, and a
// command whose hook is empty does nothing.
struct ChartVariableHooks {
  // Shows the chart variables dialog ("Graphic Variables") and the chart window ("Graphic").
  std::function<void()> ShowChartVariables;
  std::function<void()> ShowChart;
  // Refills the field lists of the dialog from the record-table headers.
  std::function<void()> FillFieldCombos;
  // Makes record-table column `column` the chart's X variable (through the dialog and its
  // apply step), refilling the field lists first when the column lies beyond them.
  std::function<void(int column)> SetXColumn;
  // The assignment of the record columns to the chart: how many series are assigned and the
  // record column of entry e (1..count).
  std::function<int()> AssignmentCount;
  std::function<int(int entry)> AssignmentColumn;
  // The renumbering after the record definition changed: find the X column again, renumber an
  // assigned column (-1: its variable is gone), and drop the marks of the renumbered rows.
  std::function<void()> FindXColumn;
  std::function<void(int oldColumn, int newColumn)> RenumberSeriesColumn;
  std::function<void()> ClearRenumberMarks;
  // The pages applied to the chart at once (their OK without closing the dialog).
  std::function<void()> ApplyChartVariables;
};
extern ChartVariableHooks EqlChartHooks;
// Fills EqlChartHooks and the chart hooks of EqlMainHooks with the chart and its variables.
void InstallChartHooks();

class TEqlMainWnd : public platform::Form, public PhaseHost {
 public:
  explicit TEqlMainWnd(platform::Component* owner = nullptr);
  ~TEqlMainWnd() override;

  // --- components ---
  platform::CoolBar* CoolBar1 = nullptr;
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* BtnOpen = nullptr;
  platform::ToolButton* BtnSave = nullptr;
  platform::ToolButton* BtnSaveAs = nullptr;
  platform::ToolButton* BtnElements = nullptr;
  platform::ToolButton* BtnComp = nullptr;
  platform::ToolButton* ToolButton2 = nullptr;
  platform::ToolButton* BtnRecordVar = nullptr;
  platform::ToolButton* BtnRecords = nullptr;
  platform::ToolButton* BtnGrfVar = nullptr;
  platform::ToolButton* BtnGraphic = nullptr;
  platform::ToolButton* BtnSearch = nullptr;
  platform::ToolButton* BtnMemo = nullptr;
  platform::ToolButton* BtnMsg = nullptr;
  platform::ToolButton* BtnHelp = nullptr;
  platform::Panel* Panel1 = nullptr;
  platform::Label* LabelT = nullptr;
  platform::Edit* EditTsys = nullptr;
  platform::ComboBox* CbxPV = nullptr;
  platform::Label* LabelPV = nullptr;
  platform::Edit* EditPVsys = nullptr;
  platform::Button* BtnCalc = nullptr;
  platform::StatusBar* StBar = nullptr;

  platform::MainMenu* MainMenu1 = nullptr;
  platform::MenuItem* MnuFile = nullptr;
  platform::MenuItem* MnuFileOpen = nullptr;
  platform::MenuItem* MnuFileSave = nullptr;
  platform::MenuItem* MnuFileSaveAs = nullptr;
  platform::MenuItem* MnuReopen = nullptr;
  std::array<platform::MenuItem*, 8> MnuHst{};  // the recent files, MnuHst0..MnuHst7
  platform::MenuItem* MnuToExcel = nullptr;
  platform::MenuItem* MnuClose = nullptr;
  platform::MenuItem* MnuClear = nullptr;
  platform::MenuItem* MnuClearInput = nullptr;
  platform::MenuItem* MnuExit = nullptr;
  platform::MenuItem* MnuSystem = nullptr;
  platform::MenuItem* MnuElements = nullptr;
  platform::MenuItem* MnuNewPhase = nullptr;
  platform::MenuItem* MnuNewGas = nullptr;
  platform::MenuItem* MnuNewLiquid = nullptr;
  platform::MenuItem* MnuNewSolid = nullptr;
  platform::MenuItem* MnuCompunds = nullptr;
  platform::MenuItem* MnuClearSubstance = nullptr;
  platform::MenuItem* MnuAfc = nullptr;
  platform::MenuItem* MnuEnvironment = nullptr;
  platform::MenuItem* MnuIsotherm = nullptr;
  platform::MenuItem* MnuAdiabatic = nullptr;
  platform::MenuItem* MnuTemperature = nullptr;
  platform::MenuItem* MnuTempC = nullptr;
  platform::MenuItem* MnuTempK = nullptr;
  platform::MenuItem* MnuExtrapolation = nullptr;
  platform::MenuItem* MnuBehaviour = nullptr;
  platform::MenuItem* MnuExtOptions = nullptr;
  platform::MenuItem* Calculation1 = nullptr;
  platform::MenuItem* MnuCalcVar = nullptr;
  platform::MenuItem* MnuMonitoring = nullptr;
  platform::MenuItem* MnuRecordVar = nullptr;
  platform::MenuItem* MnuRecords = nullptr;
  platform::MenuItem* MnuSearch = nullptr;
  platform::MenuItem* MnuGrfDef = nullptr;
  platform::MenuItem* MnuGraphic = nullptr;
  platform::MenuItem* MnuElBalance = nullptr;
  platform::MenuItem* MnuMemo = nullptr;
  platform::MenuItem* MnuEnergy = nullptr;       // hidden
  platform::MenuItem* MnuMass = nullptr;         // hidden
  platform::MenuItem* MnuHeatBalance = nullptr;  // hidden
  platform::MenuItem* MnuWindow = nullptr;
  std::array<platform::MenuItem*, 9> MnuWindowPhase{};  // by slot 1..8
  platform::MenuItem* MnuGraf = nullptr;
  platform::MenuItem* MnuCascade = nullptr;
  platform::MenuItem* MnuTileHor = nullptr;
  platform::MenuItem* MnuTileVer = nullptr;
  platform::MenuItem* MnuSettings = nullptr;
  platform::MenuItem* MnuShowCaption = nullptr;
  platform::MenuItem* MnuToolBars = nullptr;
  platform::MenuItem* MnuFixCol = nullptr;
  platform::MenuItem* MnuEditEnable = nullptr;
  platform::MenuItem* MnuFont = nullptr;
  platform::MenuItem* MnuSaveNow = nullptr;
  platform::MenuItem* MnuSaveByExit = nullptr;
  platform::MenuItem* MnuInformation = nullptr;
  platform::MenuItem* MenHelp = nullptr;
  platform::MenuItem* MnuMessage = nullptr;
  platform::MenuItem* MnuAbout = nullptr;

  platform::PopupMenu* PopupEdits = nullptr;
  platform::MenuItem* PopMnuCopy = nullptr;
  platform::MenuItem* PopMnuPaste = nullptr;
  platform::MenuItem* PopMnuConversion = nullptr;
  platform::MenuItem* PopMnuTempC = nullptr;
  platform::MenuItem* PopMnuTempK = nullptr;
  platform::PopupMenu* PopupPhase = nullptr;
  std::array<platform::MenuItem*, 9> PopPhase{};  // by slot 1..8
  platform::FontDialog* FontDialog1 = nullptr;

  // --- state ---
  std::string CurrentSystemPath;
  bool SystemChangedFlag = false;
  bool CalculationReady = false;
  bool ResultsValidFlag = false;
  bool ElementValuesWanted = true;
  int SpeciesTotal = 0;     // species rows read in this run
  int SpeciesRead = 0;      // running number of rows read
  // System conditions of the run.
  double T = 298.15;        // K
  double P = 1.0;           // bar (1 in the constant-volume mode)
  double V = 0;             // m3
  int PVMode = 0;           // 0 constant pressure, 1 or 2 the gas slot whose volume is held
  std::chrono::steady_clock::time_point StartTime{};
  std::chrono::steady_clock::duration Duration{};
  std::string MessageText;
  std::array<PhaseTotal, PhaseSlotCount + 1> PhaseTotals{};
  Extended InputEnthalpyTotal = 0;
  std::vector<Extended> ElementTotals;                                   // by component 1..
  std::vector<std::array<Extended, PhaseSlotCount + 1>> ElementSlotTotals;  // by component, slot
  // The gas slot of each CbxPV item (0 for "P Const.").
  std::vector<int> PVItemSlots{0};
  // The addresses of the record variables (column 2 of the field grid, field 1 first) as the
  // system was read or the record dialog opened: the chart's columns are renumbered against
  // them.
  std::vector<std::string> RecordAddressSnapshot;
  bool BreakRequested = false;

  // --- start-up, settings, closing ---
  void FormCreate();
  void StartUp();
  void ReadMainSettings();
  // Rewrites the user settings file; 1 written, -1 failed.
  int MnuSaveNowClick();
  // 0 nothing to save or not wanted, 1 saved, -1 cancelled or not saved.
  int AskSaveChanges();
  void FormCloseQuery(bool& canClose);
  void DropFiles(const std::vector<std::string>& files);
  void EditTsysChange();
  void MnuTempClick(platform::Component* sender);
  void MnuEnvClick(platform::Component* sender);
  void CbxPVChange();
  void FormResize();
  void MnuToolBarsClick(platform::Component* sender);
  void MnuShowCaptionClick(platform::Component* sender);
  void MnuFixColClick();
  void MnuSaveByExitClick(platform::Component* sender);
  // Opens the element balance of the open phases at the conditions of the edits.
  void MnuElBalanceClick();
  // --- further commands ---
  // The system to the spreadsheet: the conditions, then one sheet per open phase.
  void MnuToExcelClick();
  // Empties the input amounts of every open phase after a question.
  void MnuClearInputClick();
  // The phase-grid font (the dialog is asked only with a sender).
  void MnuFontClick(platform::Component* sender);
  // The pop-up menu of the two edits (the edit it was opened on).
  void PopMnuCopyClick();
  void PopMnuPasteClick();
  void PopMnuConversionClick();
  bool TempInCelsius() const;

  // --- the system file (EqlFile.cpp) ---
  // Writes the whole system; 1 written, -1 when the file could not be saved (then nothing of
  // the window's state changes).
  int EqlFileWriter(const std::string& path);
  // Reads a system into the windows; 1 read, 0 when the file cannot be read or holds no
  // system (the system open before stays).
  int EqlFileReader(const std::string& path);
  void MnuFileOpenClick();
  // Save: the current path, else (or when that fails) Save as. The writer's result, 0 when
  // cancelled.
  int MnuFileSaveClick();
  int MnuFileSaveAsClick();
  // Reopen item i (MnuHst0..7).
  void MnuHstClick(int index);
  // Close and Clear > All Substances: a new, empty system; with a sender the changes are
  // asked for first.
  void MnuCloseClick(platform::Component* sender);
  // The flag of unsaved changes follows every edit of what the file holds.
  void WatchSystemChanges();
  void SystemChanged() override;

  // --- phase windows ---
  int CreatePhaseWindow(int slot);
  void ClosePhaseWindow(int slot) override;
  void RefreshPhaseMenus();
  void NewPhaseClick(int group);
  TPhaseWnd* PhaseWindow(int slot) const { return PhaseSlotTable[slot].Window; }

  // --- the calculation road ---
  // "Calculation": a press during a run breaks it; otherwise one calculation in its own run
  // state, then the record table is sorted by the chart's X column.
  void BtnCalculationClick(platform::Component* sender);
  // The run state of one calculation or of every step of a variation: busy cursor, the
  // commands that change what the run reads refused, edits and grids read-only. A press of
  // "Calculation" while it is held breaks the run (BreakRequested).
  class RunScope {
   public:
    explicit RunScope(TEqlMainWnd& window);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    TEqlMainWnd& window_;
    platform::RunStateScope busy_;
  };
  // One calculation inside a RunScope, isothermal or adiabatic by the environment choice. The
  // first calculation of a run empties the message log.
  void RunCalculation(bool firstOfRun);
  // The end of a command that calculated: with a chart X column inside the record table, the
  // table is sorted by it and the chart is rebuilt.
  void SortRecordsByChartX();
  void CalcIsothermal();
  // Searches the temperature at which the products' enthalpy equals that of the inputs.
  void CalcAdiabatic();
  void CheckSystemData();
  bool ReadSystemConditions();
  bool ReadPhaseIntoSolver(platform::StringGrid& grid);
  // A row that stops the data check: its text is posted at level 0 and kept as the run's reason.
  bool RefuseRow(int id, const std::string& text);
  void FinishCalculation();
  void WritePhaseResults(platform::StringGrid& grid) override;
  // The chart fed from the record table: row > 0 the table's last row as a new point, drawn at
  // once; row <= 0 every record anew, then a full redraw.
  void UpdateChartFromRecords(int row);
  // "Graphic Variables": shows the chart variables dialog.
  void BtnGrfVarClick();

  // --- PhaseHost ---
  bool ResultsValid() const override { return ResultsValidFlag; }
  void SetResultsValid(bool valid) override { ResultsValidFlag = valid; }
  void ReportRecordUnable(int slot, int row) override;
  void CompoundsCommand() override;
  void ShowPropertyColumn(int slot, int property) override;
  bool ToolBarsShown() const override;
  bool ButtonCaptionsShown() const override;
  std::string SystemFolder() const override;

  // Wraps the commands of a window so that they are refused while a calculation runs.
  void GuardCommands(platform::Component& root);

 private:
  void LockForRun(bool lock);
  // Captions and recent files after a read or write of path.
  void ShowSystemPath(const std::string& path);
  // The "grl" value of a system file (path for the log), and the choice of an equation of state
  // in EosType and in the "Behaviour of System" window without its advice.
  void ReadEquationOfState(const std::string& value, const std::string& path);
  void SelectEquationOfState(int eos);
  // A system file to open that does not exist: a box and the log, as the open command says it.
  void ReportMissingSystemFile(const std::string& path);
  std::vector<std::uint8_t> ElementSelectionFlags() const;
  SystemConditions CurrentConditions() const;  // mode, T, P and V as the run holds them
  // One solve of the adiabatic search; false (reported with failureId) when it failed.
  bool SolveAdiabaticTrial(int failureId);
  // Reads the phase grids into the solver again at the trial temperature T.
  bool ReloadAdiabaticTrial();
  // Ends the search without results: nothing is written and the window returns to idle.
  void AbandonAdiabaticSearch();
  void PostStatus(const std::string& text) { StBar->SetPanelText(3, text); }
  std::array<std::unique_ptr<TPhaseWnd>, PhaseSlotCount + 1> phaseWindows_{};
  std::vector<std::unique_ptr<TPhaseWnd>> retired_;
  std::vector<std::pair<platform::StringGrid*, platform::GridOptions>> lockedGrids_;
  // A new system (File > Close) starts from what the program started with: the conditions of the
  // user settings and the chart's look, so that nothing of the system before stays on screen.
  struct NewSystemState {
    std::string temperature, pressure;
    bool celsius = false;
    std::string chartCaption, chartXText;
    std::vector<std::string> axisNames;
    std::vector<double> axisFrom, axisTo;
  };
  NewSystemState newSystem_;
  // The first arrangement of the phase windows of the start (Gas.1 over Liq.1 over Sol.1, each
  // the width of the frame, so that no window hides another's tool bar or grid header); it
  // follows the frame's size until the user moves or sizes one of them.
  void ArrangeFirstPhaseWindows();
  std::vector<std::array<int, 4>> firstArrangement_;
  void KeepNewSystemState();
  void RestoreNewSystemState();
  // Gases of the run that the chosen equation computes as ideal for want of critical data, and
  // whether the run has said so (once per calculation or variation run).
  std::vector<std::string> idealGasFallbacks_;
  bool idealGasFallbackPosted_ = false;
  bool noVapourRootPosted_ = false;  // the note of a gas without vapour root, once per run
};

extern TEqlMainWnd* EqlMainWnd;

// The windows of one run of Orvanto, made in the start-up order (the main window first) and
// destroyed in the opposite order.
struct OrvantoWindows {
  OrvantoWindows();
  ~OrvantoWindows();
  OrvantoWindows(const OrvantoWindows&) = delete;
  OrvantoWindows& operator=(const OrvantoWindows&) = delete;

  std::unique_ptr<TEqlMainWnd> Main;
  std::unique_ptr<TAplStgsWnd> Settings;
  std::unique_ptr<TInfoDlg> About;
  std::unique_ptr<TTablOprtWnd> Records;
  std::unique_ptr<TAplMsgWnd> Messages;
  std::unique_ptr<TElBalanceDlg> Balance;
  std::unique_ptr<TRcrdDefDlg> RecordDefinition;
  std::unique_ptr<TAfcWnd> Activity;
  std::unique_ptr<TEnterValDlg> ValueEntry;
  std::unique_ptr<TTDynOprtWnd> Behaviour;
  std::unique_ptr<TElementsDlg> Elements;
  std::unique_ptr<TUnitCnvDlg> Conversion;
  std::unique_ptr<TSearchDsDlg> Search;
  std::unique_ptr<TGrfParaDlg> ChartFormat;
  std::unique_ptr<TGrfVarDlg> ChartVariables;
  std::unique_ptr<TCalcVarDlg> Variation;
  std::unique_ptr<TCompoundsDlg> Compounds;
  std::unique_ptr<TEqlKernel> Kernel;
  std::unique_ptr<TGrfWnd> Chart;
};

}  // namespace quorel
