// The substance window "Table" of Lunetta: the user names a substance ("H2O(u)", "CO2(g)"),
// holds the pressure or the temperature constant, gives a range of the other variable and
// presses "Update". The Update run evaluates the substance row by row, picks the stable phase
// of each row by the lowest Gibbs energy (or keeps the phase the key names) and fills the
// table with Phase, T or P, Cp, H, S, G, Z, V (or 1/V) and the residual parts Hr, Sr, Gr in the
// units chosen in the menus. Where the stable phase changes, a "change" row stands between
// the two rows.
//
// Every table cell is read and written through TableColumnIndex (the grid column that holds a
// logical column), so a user who drags the columns into another order keeps a working table.
//
// In batch mode (Table>"Batch Calculation") the table is an input sheet: the user types or
// pastes one state point per row, T in the first column and P in the second, and "Update"
// evaluates the substance at each of them. The window's copy, paste and spreadsheet commands
// go through the record table window's grid toolkit.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"
#include "platform/Picture.h"
#include "pure_substance/StablePhase.h"

namespace quorel {

class TPSubstWnd;

// Logical columns of the table.
enum SubstanceTableColumn : int {
  ColPhase = 0,     // phase key of the row, "(g)"; "change" on a separator row
  ColVariable = 1,  // T (constant pressure) or P (constant temperature)
  ColCp = 2,
  ColH = 3,
  ColS = 4,
  ColG = 5,
  ColZ = 6,
  ColV = 7,         // V or 1/V
  ColHr = 8,
  ColSr = 9,
  ColGr = 10,
};
constexpr int SubstanceColumnCount = 11;
// A table holds at most this many rows, the header row included.
constexpr int MaxSubstanceTableRows = 1024;
// Message IDs of a range input the Update run could not use as given (level 2). A corrected
// value is written back into its edit, so the edits, the copied heading and the chart caption
// show what was computed.
constexpr int RangeStartCorrectedId = 581;     // T1 below 0 K, P1 not above 0
constexpr int RangeEndCorrectedId = 582;       // an end below the start
constexpr int RangeStepCorrectedId = 583;      // dT not above 0, dP below 0
constexpr int RangeConstantCorrectedId = 584;  // P or T not above 0
constexpr int RangeSingleRowId = 585;          // dP of 0: the start pressure alone
constexpr int RangeCutId = 586;                // more rows than the table holds
constexpr int BatchRowRefusedId = 587;         // a batch row that is no state point ends the batch
constexpr int BeyondDataId = 588;              // rows whose values no dataset gives (S < 0, Cp <= 0)
// The phase cell of a row whose computed values are impossible (Cp not positive, S negative or
// not finite): the data do not reach there.
inline constexpr const char* BeyondDataText = "no data";
// Values a chemist can take as a result: finite, Cp positive, S not negative.
bool PlausibleResult(const PropertyResult& r);

// Grid column of each logical column.
extern std::array<int, SubstanceColumnCount> TableColumnIndex;
// TableColumnIndex := 0..10. With a grid, its columns first go back into that order with their
// cells and widths, so every header stays over its values.
void ResetColumnOrder(platform::StringGrid* grid = nullptr);

// The phase the last EvaluateTableRow chose, with its properties (status -1: none).
extern PropertyResult SelectedResult;

// What the Update run tells the substance chart. Each slot is empty until the chart window
// is installed; a run then simply has no chart.
struct SubstanceChartLink {
  // EnableSeriesGroup(first, last, dataset row): the series check boxes of one phase group.
  std::function<void(TPSubstWnd&, int first, int last, int row)> EnableSeriesGroup;
  // The run ended well: caption (text such as "CO2 ; P=1 [bar]"), axis names, fit, redraw.
  std::function<void(TPSubstWnd&, const std::string& captionText)> RunFinished;
  // The chart window's caption ("Graphic: CO2", "Graphic [Pure Subsatance]") and a redraw.
  std::function<void(TPSubstWnd&, const std::string& caption)> SetCaption;
  // The table headers changed: the chart's labels follow.
  std::function<void(TPSubstWnd&)> HeadersChanged;
  // The temperature unit switched: toKelvin true for C -> K.
  std::function<void(TPSubstWnd&, bool toKelvin)> TemperatureUnitChanged;
  // Batch mode switched. On: the chart leaves table data (through its source command, so the
  // source item and the chart's own mode stay one), its source item and variable definition
  // are disabled. Off: the source item is enabled again and the chart set up anew.
  std::function<void(TPSubstWnd&, bool on)> BatchModeChanged;
};
extern SubstanceChartLink SubstanceChart;

// The pure-substance file routines the start-up, the file commands and the exit call. The
// start-up puts ReadSubstanceFile and WriteSubstanceFile into slots that are empty (a test may
// have put its own there); an empty slot reads or writes nothing.
using SubstanceFileRoutine = std::function<bool(TPSubstWnd&, const std::string& path)>;
extern SubstanceFileRoutine SubstanceFileReader;
extern SubstanceFileRoutine SubstanceFileWriter;
// Through the slots: false when the slot is empty or the routine failed.
bool ReadThroughSubstanceSlot(TPSubstWnd& window, const std::string& path);
bool WriteThroughSubstanceSlot(TPSubstWnd& window, const std::string& path);

// --- the ".sub" file and the user settings file (SubstMainFile.cpp) ---
// One text form serves both: [Information], [System], [TableWnd] (frame placement, modes,
// units, the range edits as typed, the equation, the extrapolation flag, the chart source),
// [SubstanceHistory] (S0..S31), [Table] (column widths, row height, font, colour) and the
// chart's definition. No results are stored: an opened file restores the set-up and leaves
// an empty table.
// Writes the whole file from nothing (with a backup of the old one); false when it could not
// be saved.
bool WriteSubstanceFile(TPSubstWnd& window, const std::string& path);
// Restores the window from the file; a missing or unreadable file changes nothing and gives
// false. Runs no calculation.
bool ReadSubstanceFile(TPSubstWnd& window, const std::string& path);
// Message ID of settings that could not be saved at exit.
constexpr int SubstanceSettingsNotSavedId = 1607;
// Message ID of a file Table>"Open" was given that does not exist.
constexpr int SubstanceFileMissingId = 1908;
// Message IDs of a damaged ".sub" file (level 2): one without the substance window's section
// is not read; a number key that is no finite number leaves its edit as it was; a file cut
// short inside a line keeps what was read.
constexpr int SubstanceFileRefusedId = 1913;
constexpr int SubstanceFileNumberIgnoredId = 1914;
constexpr int SubstanceFileCutShortId = 1915;
// Bounds of the table layout a file may set; a value outside keeps the layout's own.
constexpr int MaxTableColumnWidth = 1000;
constexpr int MaxTableRowHeight = 100;
constexpr int MinTableFontSize = 4;
constexpr int MaxTableFontSize = 72;

// --- the substance chart (SubstMainChart.cpp) ---
// In curve mode (the chart's "Source" unchecked) the chart draws the property curves of the
// calculated substance itself: for every pixel column of the plot PlotSubstanceCurves
// evaluates the gas, liquid and solid datasets at that column's T (or P) and draws one segment
// per shown series. Series 1..9 are the gas's Cp, H, S, G, Z, V, Hr, Sr, Gr, 11..19 the
// liquid's, 21..24 the solid's Cp, H, S, G; Y axes 1..6 are Cp, H, S, G, Z, V, the residual
// parts lie on the axes of H, S and G. In table mode the chart shows columns of the table
// through the chart variables' series assignment.

// What the curve drawing keeps from column to column (phase order gas, liquid, solid; values
// Cp, H, S, G, Z, V, Hr, Sr, Gr, one spare; series 1..30).
struct SubstancePlotState {
  std::array<PhaseDatasetEntry, 3> datasets;  // the phases' datasets, found again as T moves
  std::array<bool, 3> enabled{};
  std::array<bool, 3> refind{};
  std::array<bool, 3> valid{};
  std::array<bool, 31> drawable{};
  std::array<bool, 31> newCurve{};
  std::array<std::array<double, 10>, 3> current{};
  std::array<std::array<double, 10>, 3> previous{};
  double currentX = 0, previousX = 0;
  double constT = 0;  // K, constant-temperature mode
  double constP = 0;  // bar, constant-pressure mode
  // The table's own range of the running variable (in its column's units): curves are drawn
  // over it only, never where the datasets are extrapolated beyond the run.
  double tableFrom = 0, tableTo = 0;
  bool firstColumn = false;
};
extern SubstancePlotState PlotState;

// The chart shows table data: the check of its "Source" item (false without a chart).
bool ChartShowsTable();
// Groups, series boxes, axis list and format pages for the substance; with defaults also the
// axes and the drawing hooks.
void SetupSubstanceChart(TPSubstWnd& window, bool withDefaults);
// Every series hidden, only group 1 shown, group 3 to the bottom; column moving off.
void ResetSubstanceChartLayout(TPSubstWnd& window);
// Axis names (curve mode) or series names (table mode) from the table headers.
void LabelSubstanceChart(TPSubstWnd& window);
// With the chart's auto size on: every axis fitted to its table column.
void FitSubstanceAxes(TPSubstWnd& window);
// The table's rows as chart points (table mode, arg >= 0); otherwise the points are cleared.
void RefreshChartFromTable(int arg);
// Start of a full redraw (ChartPreDrawHook).
void PreparePlotState();
// One pixel column of the curves (ChartColumnHook).
void PlotSubstanceCurves(platform::Picture& plot, double x);
// AutoSizeChangedHook: switched on, the axes are fitted and the chart redrawn.
void ChartAutoSizeChanged(bool autoSize);
// Fills the SubstanceChart slots that the Update run, the unit switches and the batch mode
// call.
void InstallSubstanceChart();

// The running variable of a run, in order: start, start + step, ... up to end (an end that
// lies within a rounding error of a grid point counts as that point), at most `limit`
// values. With insert25C one extra value 298.15 K follows the grid temperature below it when
// the next grid step lies above it and the run reaches 298.15 K; it counts towards the limit.
// A step that is not positive, or an end below the start, gives the start alone.
std::vector<double> RunVariablePlan(double start, double step, double end, bool insert25C, int limit);

// One row of the run: evaluates the substance in the phases the code allows ('g', 'l', 's';
// 'u' every phase) at P [bar] and T [K] and chooses one. Returns 0 none, 1 gas, 2 liquid,
// 3 solid; leaves SelectedResult and SelectedDataset. A phase whose evaluation failed takes
// no part in the choice.
int EvaluateTableRow(TPSubstWnd& window, char code, double P, double T);
// Posts the datasets of the substance (the present CandidateList) and builds RangeText and
// the combined temperature interval.
void SubstanceDatasetInfo(TPSubstWnd& window);
// Ends a run that stopped on an error: captions and status.
void FinishSubstanceCalculation(TPSubstWnd& window);
// Parses one range edit; on failure posts label + " is irregular !" (2, 591), ErrorState 1.
bool ValidateRangeEdit(TPSubstWnd& window, platform::Edit* edit, const std::string& label, double& value);
// Header texts from the unit menus, then the chart's labels.
void SetTableHeaders(TPSubstWnd& window);
// Runs the Update run (the substance dialog's accepted-hook).
void RecalculateFromSelection();
// The batch run: the substance of the window's key at every state point of the table, from
// row 1 down to the first row whose T or P is empty, not a finite number or not above 0
// (T in the display unit in logical column 0, P in bar in logical column 1); the results go
// into logical columns 2..10 of the row. A row that ends the batch without being empty is
// said (BatchRowRefusedId); no row from there on keeps results. Called by the Update run in
// batch mode after its first steps.
void RunBatchCalculation(TPSubstWnd& window);

class GridToolkit;
// The grid toolkit of the record table window (a toolkit of the unit's own while there is no
// such window): copy buffer, spare grid and copy mode of the table's commands.
GridToolkit& TableToolkit();

class TPSubstWnd : public platform::Form {
 public:
  explicit TPSubstWnd(platform::Component* owner = nullptr);
  ~TPSubstWnd() override;

  // --- components ---
  platform::Panel* PanelTop = nullptr;
  platform::ComboBox* CbxSubst = nullptr;
  platform::CheckBox* CBex = nullptr;
  platform::Button* ButtonUpdate = nullptr;
  platform::ComboBox* CbxTP = nullptr;
  platform::Edit* ETP = nullptr;
  platform::Edit* EditV1 = nullptr;
  platform::Edit* EditdV = nullptr;
  platform::Edit* EditV2 = nullptr;
  platform::Label* Label1 = nullptr;
  platform::Label* Labeld = nullptr;
  platform::Label* Label2 = nullptr;
  platform::Label* Label3 = nullptr;
  platform::StringGrid* SGT = nullptr;
  platform::StatusBar* StBar = nullptr;
  // The tool bar: each button opens the menu of its name.
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* ToolBtnTable = nullptr;
  platform::ToolButton* ToolBtnEdit = nullptr;
  platform::ToolButton* ToolBtnSystem = nullptr;
  platform::ToolButton* ToolBtnSettings = nullptr;
  platform::ToolButton* ToolBtnInfo = nullptr;
  // The grid's popup; the separator and "Paste" show in batch mode only.
  platform::PopupMenu* PopupGrid = nullptr;
  platform::MenuItem* PopSelectAll = nullptr;
  platform::MenuItem* PopCopy = nullptr;  // Tag 0
  platform::MenuItem* PopN1 = nullptr;
  platform::MenuItem* PopPaste = nullptr;
  platform::MenuItem* PopClearTable = nullptr;
  // The popup of ETP (Tag 0) and the range edits (Tag 1).
  platform::PopupMenu* PopupEdit = nullptr;
  platform::MenuItem* PopMnuConvers = nullptr;
  platform::MenuItem* PopMnuCopy = nullptr;
  platform::MenuItem* PopMnuPaste = nullptr;
  // The status bar's popup.
  platform::PopupMenu* PopupStatus = nullptr;
  platform::MenuItem* CopySB = nullptr;

  platform::MainMenu* MainMenu1 = nullptr;
  // Table
  platform::MenuItem* MnuTableMenu = nullptr;
  platform::MenuItem* MnuUpdate = nullptr;
  platform::MenuItem* MnuBatchCalculation = nullptr;
  platform::MenuItem* MnuSave = nullptr;
  platform::MenuItem* MnuOpen = nullptr;
  platform::MenuItem* MnuToMsExcel = nullptr;
  // Edit
  platform::MenuItem* MnuEditMenu = nullptr;
  platform::MenuItem* MnuSelectAll = nullptr;
  platform::MenuItem* MnuCopy = nullptr;
  platform::MenuItem* MnuCopyMode = nullptr;
  platform::MenuItem* MnuCopyModeText = nullptr;
  platform::MenuItem* MnuCopyModeHtml = nullptr;
  // System
  platform::MenuItem* MnuSystemMenu = nullptr;
  platform::MenuItem* MnuBehaviour = nullptr;
  platform::MenuItem* MnuSelect = nullptr;
  platform::MenuItem* MnuGraphic = nullptr;
  platform::MenuItem* MnuTemperature = nullptr;
  platform::MenuItem* MnuTempC = nullptr;  // Tag 1
  platform::MenuItem* MnuTempK = nullptr;  // Tag 0
  platform::MenuItem* MnuEnergy = nullptr;
  platform::MenuItem* MnuEJ = nullptr;     // Tag 1
  platform::MenuItem* MnuEkJ = nullptr;    // Tag 1000
  platform::MenuItem* MnuMass = nullptr;
  platform::MenuItem* MnuMol = nullptr;    // Tag 0
  platform::MenuItem* MnuGram = nullptr;   // Tag 1
  platform::MenuItem* MnuKg = nullptr;     // Tag 2
  platform::MenuItem* MnuVolume = nullptr;
  platform::MenuItem* MnuVol = nullptr;    // "V", Tag 0
  platform::MenuItem* MnuVolInv = nullptr; // "1/V", Tag 1
  platform::MenuItem* MnuInsert25 = nullptr;
  // Settings
  platform::MenuItem* MnuSettingsMenu = nullptr;
  platform::MenuItem* MnuFont = nullptr;
  platform::MenuItem* MnuColor = nullptr;
  platform::MenuItem* MnuColMove = nullptr;
  platform::MenuItem* MnuSaveNow = nullptr;
  platform::MenuItem* MnuSaveByExit = nullptr;
  // Information
  platform::MenuItem* MnuInfoMenu = nullptr;
  platform::MenuItem* MenHelp = nullptr;
  platform::MenuItem* MnuMessage = nullptr;
  platform::MenuItem* MnuAbout = nullptr;

  // --- window state ---
  double TemperatureOffset = 273.15;  // shown temperature = kelvin - offset
  std::string UnitText = " [C]";
  std::string SubstanceName;  // name part of the key of the last run
  std::string PhaseKey;       // "(g)", "(l)", "(s)", "(u)"
  std::string BlankFreeKey;   // key of the last run without blanks
  std::string StatusText;
  std::string RangeText;
  std::string NoPhaseText;
  std::string DescriptionText;       // description of the last dataset listed
  std::string ChartCaptionText;      // "CO2 ; P=1 [bar]" of the last good run
  std::string RangeNotes;            // what the last run corrected or cut in its range
  int ErrorState = -1;  // 0 good, 1 irregular range input, 2 not in the database, 4 no valid substance
  bool Calculated = false;
  std::array<bool, 3> PhaseEnabled{};  // gas, liquid, solid (SubstancePhase order)
  std::array<bool, 16> OnceFlags{};
  double PreviousRowT = 0;               // T of the last row written, K
  bool PreviousRowExtrapolated = false;  // its dataset was extrapolated to that T
  bool IdealGasFallbackPosted = false;  // this run said that its gas is computed as ideal
  bool BatchMode = false;   // Table>"Batch Calculation" is checked
  int SelectedCellCol = 0;  // the last selected table cell (grid column and row)
  int SelectedCellRow = 1;
  int StatusPanelIndex = 0;  // the status panel last under the pointer
  std::array<double, 2> CombinedInterval{-1, -1};
  std::array<double, 2> PhaseInterval{-1, -1};
  double MolarMassValue = -1;      // g/mol of the last listed dataset
  double AcentricFactor = 0;
  bool AcentricFactorKnown = false;
  double LiquidVolume = 0;         // m3/mol of the last liquid evaluated under a cubic equation

  // Range values (kept between runs).
  double CurrentT = 298.15;  // K
  double ConstP = 1.0;       // bar
  double T1 = 298.15, T2 = 573.0, dT = 25.0;  // K
  double P1 = 1.0, P2 = 2.0, dP = 0.1;        // bar
  double EnergyFactor = 1.0;  // 1 J, 1/1000 kJ
  double AmountFactor = 1.0;  // 1 mol, 1/M g, 1000/M kg

  // --- routines ---
  void FormCreate();
  // The Update run.
  void ButtonUpdateClick(platform::Component* sender);
  // Constant P (item 0) / constant T (item 1); sender nullptr relabels only.
  void CbxTPChange(platform::Component* sender);
  // Unit switches; the clicked item (its Tag), nullptr: relabel without a calculation.
  void TemperatureClick(platform::Component* sender);
  void MnuEJClick(platform::Component* sender);
  void MnuMassClick(platform::Component* sender);
  void MnuVolClick(platform::Component* sender);
  void MnuInsert25Click(platform::Component* sender);
  void CBexClick(platform::Component* sender);
  void MnuBehaviourClick(platform::Component* sender);
  // System>Select from Database: the substance selection, with the element picker first when
  // no element is selected.
  void MnuSelectClick(platform::Component* sender);
  void MnuMessageClick(platform::Component* sender);
  void MnuAboutClick(platform::Component* sender);
  void MenHelpClick(platform::Component* sender);
  // Window>Table of the frame.
  void ShowTableWnd(platform::Component* sender);
  // Bound to the frame's close query: saves with the frame's Save by Exit; never refuses.
  void FormCloseQuery(platform::Component* sender, bool& canClose);
  // WriteSubstanceFile of the user settings file; false when it could not be saved.
  bool MnuSaveNowClick(platform::Component* sender);
  // Table>"Save": the save dialog, the question before a file is replaced, the writer.
  void MnuSaveClick(platform::Component* sender);
  // Table>"Open": the open dialog, then the reader; a missing file is reported (ID 1908).
  void MnuOpenClick(platform::Component* sender);
  // The chart's source switch: with a sender its "Source" item is toggled; the chart follows
  // the item's check.
  void MnuGrfDefsClick(platform::Component* sender);
  // The chart variables' field lists from the table headers (with "1/T" or "1/P" for column
  // 0); with a sender the dialog is shown.
  void MnuGrafVarsClick(platform::Component* sender);

  // --- table commands ---
  // With a sender toggles Table>"Batch Calculation"; applies the mode.
  void MnuBatchCalculationClick(platform::Component* sender);
  // Batch mode: the clipboard's TAB lines into the table from the remembered cell.
  void PopPasteClick(platform::Component* sender);
  // The table with its two heading rows into a spreadsheet.
  void MnuToMsExcelClick(platform::Component* sender);
  // The whole grid, header row included.
  void MnuSelelectAllClick(platform::Component* sender);
  // The selection to the clipboard; from the Edit menu (Tag 1) after two heading lines.
  void MnuCopyClick(platform::Component* sender);
  // Copy Mode: "Text and Tab" (Tag 0) or "HTML" (Tag 1).
  void MnuCopyModeTextClick(platform::Component* sender);
  // The table font through the settings window's font dialog; without a sender the table's
  // font is passed on without the dialog.
  void MnuFontClick(platform::Component* sender);
  void MnuColorClick(platform::Component* sender);
  // Settings>"Col. Move Enable": the columns can be dragged exactly while it is checked.
  void MnuColMoveClick(platform::Component* sender);
  void PopClearTableClick(platform::Component* sender);
  // The range-edit popup: conversion dialog, copy and paste of the edit's text.
  void PopMnuConversClick(platform::Component* sender);
  void PopMnuCopyClick(platform::Component* sender);
  void PopMnuPasteClick(platform::Component* sender);
  // The status bar's popup: the text of the panel last under the pointer.
  void CopySBClick(platform::Component* sender);

  // --- events ---
  void SGTSelectCell(platform::Component* sender, int col, int row, bool& canSelect);
  // The user dragged a column: TableColumnIndex follows the headers.
  void SGTColumnMoved(platform::Component* sender, int from, int to);
  // Shift+Insert and Ctrl+V paste; every other key goes to the record table's grid keys.
  void SGTKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  // Enter runs the Update run; Ctrl+Delete empties the history after a question.
  void CbxSubstKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  void StBarMouseMove(platform::Component* sender, platform::ShiftState shift, int x, int y);
  void FormResize(platform::Component* sender);

  // --- helpers for the table ---
  // The table with one empty row (a run that did not happen shows no answer); a chart of the
  // table's data follows.
  void EmptyTable();
  const std::string& TableCell(int logicalColumn, int row) const;
  void SetTableCell(int logicalColumn, int row, std::string_view text);
  // Header text of a logical column.
  const std::string& ColumnHeader(int logicalColumn) const { return TableCell(logicalColumn, 0); }
  // Name of the chosen equation of state (the Behaviour window's item text).
  std::string EquationName() const;
  // Energy and amount unit texts of the menus: "J"/"kJ", "mol"/"g"/"kg".
  std::string EnergyUnit() const;
  std::string AmountUnit() const;
  // The batch headers of logical columns 0 and 1: `CbxTP` item 1 ("T [ C ]") and item 0.
  void SetBatchHeaders();
  // The program's, the frame's, the chart's and this window's captions name the substance of
  // the blank-free key; without a key they are the captions of no substance.
  void ShowSubstanceCaptions(const std::string& blankFreeKey);

 private:
  friend void RunBatchCalculation(TPSubstWnd& window);
  // Steps of the Update run: the start (log, units, key, phase records, "Data Check"), the
  // range run, and the look-up of the substance at a start point shared with the batch run
  // (false after the run was finished on an error).
  void StartRun();
  void RangeRun();
  bool LookUpSubstance(double P, double T);
  // Status panels 1..3 (molar mass, composition, description) and the amount factor from the
  // selected dataset.
  void TakeSelectedSubstance();
  void WriteRow(int code, int& r, int& previousCode, double P, double T, double step);
  // A row of the range whose values are impossible: its phase cell says so, no values.
  void WriteBeyondDataRow(int& r, double P, double T);
  // A range note: posted at level 2 and kept in RangeNotes for the status bar.
  void SayRangeNote(int id, const std::string& text);
  // A range value the run replaced: the note names what was given and what is used, and the
  // edit shows the value used (in the display unit).
  void CorrectRangeEdit(int id, platform::Edit* edit, const std::string& label, const std::string& reason, double used);
  // The text of the running variable in logical column 1 (T in the display unit, or P).
  std::string VariableText(double P, double T) const;
  // Logical columns 2..10 of row r from SelectedResult; idealGasZV: a gas evaluated without
  // its real-fluid part gets Z and V too.
  void WriteResultCells(int r, double P, double T, bool idealGasZV);
  // A paste of the clipboard's text at (col, row) of the table.
  void PasteIntoTable(int col, int row, bool memoToGrid);
  void NoPhaseNotes(char code, double T);
  void VleWarning();
  void SaveHistory(const std::string& key);
  void SetFrameStatus(int panel, const std::string& text);
  void SetFrameCaption(const std::string& text);
  void SetChartCaption(const std::string& text);

  std::string runKey_;  // the trimmed key of the run under way
  // Select all was the last selection: a copy of that selection starts at the header row.
  bool wholeGridSelected_ = false;
  platform::GridRect wholeGridSelection_{};
};

extern TPSubstWnd* PSubstWnd;

}  // namespace quorel
