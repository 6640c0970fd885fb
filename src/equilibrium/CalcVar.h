// "Calculation by Variation" of Orvanto: a series of equilibrium calculations while up to eight
// input values change step by step. A variable is the system temperature, the pressure or
// volume, or one cell of a phase grid (input amount, activity or fugacity coefficient, reacting
// fraction, input temperature of a substance). Each step is one calculation of the main window,
// so each step appends its record row and its chart point as any calculation does.
//
// The variables are the rows of the grid SGV: "ID", "Variable", "Begin", "Step", "Limit",
// "Dependence", "Factor", "Allocation". The allocation is the 14-character text
// "0x KK SS CC RR" (RecordAddress form): 0x 00 00 00 00 the temperature, 0x 00 00 00 01 the
// pressure or volume, 0x 01 SS CC RR cell (CC, RR) of the phase grid in slot SS.
//
// A variable whose dependence is 0 (or empty, or not below its own ID) is a master: linear
// from Begin by Step towards Limit, or, with the dependence "dlogx", logarithmic from Begin by
// the factor Step. The number of steps is the largest count of the masters. A dependent
// variable takes its master's value of the step times its Factor.
//
// The whole variation runs in one run state of the main window: commands that would change or
// free what the steps read are refused until the last step has ended, and a press of
// "Calculation" during or between the steps ends the run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/Components.h"

namespace quorel {

using Extended = long double;

constexpr int MaxVariationVariables = 8;
// The most steps one variation may take.
constexpr int MaxVariationSteps = 10000;
// The record definition holds at most this many fields (the record variables' limit).
constexpr int MaxVariationRecordFields = 80;

// Grid columns of SGV.
enum VariationColumn : int {
  VarColId = 0, VarColName = 1, VarColBegin = 2, VarColStep = 3, VarColLimit = 4,
  VarColDependence = 5, VarColFactor = 6, VarColAllocation = 7,
};
constexpr int VariationColumnCount = 8;

// One variable as the run reads it from its grid row.
struct VariationRecord {
  int Slot = 0;        // allocation, second number (0 the state variables)
  int Row = 0;         // allocation, fourth number
  int Column = 0;      // allocation, third number
  int Dependence = 0;  // master's ID; 0 for a master
  Extended Factor = 0;
  Extended Begin = 0;
  Extended Step = 0;
  Extended Limit = 0;
  bool Logarithmic = false;  // "dlogx"
  bool AllocationValid = false;  // the allocation has 14 characters
};

// The step count of the masters among variables 1..count (R rounds halves to even). Masters
// with Step 0, dependent variables and logarithmic masters whose Begin, Limit or Step is not
// above 0 do not count. At least 1; a count beyond MaxVariationSteps gives MaxVariationSteps + 1.
int VariationStepCount(const std::vector<VariationRecord>& vars);
// The values of variables 1..count at step i (1..): index k - 1 holds variable k.
std::vector<Extended> VariationValues(const std::vector<VariationRecord>& vars, int step);

// Texts of the message boxes of the dialog.
constexpr const char* VariationCaption = "Process Calculator";

class TCalcVarDlg : public platform::Form {
 public:
  TCalcVarDlg();
  ~TCalcVarDlg() override;

  // --- components ---
  platform::GroupBox* GBVariables = nullptr;
  platform::Label* LabelState = nullptr;
  platform::ComboBox* CBState = nullptr;
  platform::Button* ButtonAdd0 = nullptr;
  platform::Label* LabelSubstances = nullptr;
  platform::ComboBox* CBWnd = nullptr;
  platform::ComboBox* CBRow = nullptr;
  platform::ComboBox* CBCol = nullptr;
  platform::Button* ButtonAdd1 = nullptr;
  platform::CheckBox* CbxXax = nullptr;
  platform::Splitter* Splitter1 = nullptr;
  platform::GroupBox* GBParameters = nullptr;
  platform::StringGrid* SGV = nullptr;
  platform::Panel* PanelGrid = nullptr;
  platform::Button* ButtonDel = nullptr;
  platform::Button* ButtonClear = nullptr;
  platform::Panel* PanelButtons = nullptr;
  platform::Button* ButtonStart = nullptr;
  platform::Button* ButtonExit = nullptr;
  platform::StatusBar* StBar = nullptr;

  // --- state ---
  int CurrentRow = 1;
  bool StartFlag = false;
  // Variables were appended to the record definition by AddVariablesToRecordDefinition.
  bool VariablesAdded = false;
  std::vector<int> WindowSlots;  // phase slot of each CBWnd item
  std::vector<int> SubstanceRows;  // grid row of each CBRow item
  int VariableCount = 0;
  std::array<VariationRecord, MaxVariationVariables + 1> Variables{};  // 1..8
  std::array<Extended, MaxVariationVariables + 1> Values{};             // 1..8

  // --- the dialog ---
  void PrepareVariationDialog();
  void WindowChange();
  void AddStateClick();
  void AddSubstanceClick();
  void DelClick();
  void ClearClick();
  void StartClick();
  void ExitClick();
  void SelectCell(int col, int row, bool& canSelect);
  void FormResize();
  // The status panels of a grid row: panel 0 the allocation, panel 1 its description.
  void ShowRowStatus(int row);
  // The description of an allocation: "!" when its target does not exist.
  std::string AllocationDescription(const std::string& allocation) const;
  // The ID of the row holding the allocation; 0 when none does.
  int FindAllocation(const std::string& code) const;

  // --- the definition ---
  // Reads variables 1..8 from the grid; returns the variable count (rows 9 and later are never
  // read).
  int ReadVariationGrid();
  // The first reason why the grid cannot run, naming its row; "" when it can.
  std::string CheckVariationGrid() const;
  // The codes of the variables that the record definition lacks (the pressure or volume is
  // never recorded by the variation).
  std::vector<int> VariablesMissingFromRecords() const;
  void AddVariablesToRecordDefinition();
  void ClearVariationGrid();
  void SetVariationHeaders();
  // The grid from the system file open in the settings store: section "CalculationVariable",
  // or the older "VariableCalculation".
  void LoadVariationSection();
  // Appends the grid as section "CalculationVariable" to a document's lines: every row from the
  // header row on, cells joined by TAB, without leading blanks.
  void SaveVariationSection(std::vector<std::string>& lines) const;

  // --- the run ---
  // Runs the steps; the main window's run state must be held by the caller.
  void RunVariation();
  // Writes the value of variable k of the current step into its target.
  void ApplyVariable(int k);

 private:
  void RenumberRows();
  void AddRow(const std::string& name, const std::string& code);
};

extern TCalcVarDlg* CalcVarDlg;

// The main window's "Calculation by Variation": the dialog, the record definition, the chart's
// X variable, the run in one run state, and the sort of the record table at the end.
void CalculationByVariationCommand();

}  // namespace quorel
