// The eight phase slots of a system and the phase window that edits one of them.
//
// Slots 1-2 are gas phases, 3-5 liquid phases, 6-8 solid phases. Each open slot has one
// TPhaseWnd whose grid SGPhase lists the substances (column 0), their input amounts and, after
// a calculation, their results:
//   0 key "Name (g)", 1 in, 2 out, 3 x / w / w%, 4 f or a, 5 f.c. or a.c., 6 Rel., 7 Inf.,
//   8 T(in), 9 Comment.
// The main window owns the slot table and creates and frees the windows; it serves the phase
// windows through the PhaseHost interface (results, slot release, commands of other windows).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"

namespace quorel {

class TPhaseWnd;

constexpr int PhaseSlotCount = 8;
constexpr int PhaseGridColumns = 10;

enum PhaseColumn : int {
  ColKey = 0, ColIn = 1, ColOut = 2, ColConc = 3, ColActivity = 4, ColCoefficient = 5,
  ColRel = 6, ColInfo = 7, ColTin = 8, ColComment = 9,
};

inline bool IsGasSlot(int slot) { return slot == 1 || slot == 2; }
inline bool IsCondensedSlot(int slot) { return slot >= 3 && slot <= 8; }
inline bool ValidPhaseSlot(int slot) { return slot >= 1 && slot <= PhaseSlotCount; }

struct PhaseSlot {
  TPhaseWnd* Window = nullptr;
  bool Exists = false;
  platform::StringGrid* Grid = nullptr;
  int RowCount = -1;  // -1 while the slot has no window
};

struct PhaseSlotData {
  std::array<PhaseSlot, PhaseSlotCount + 1> Slots{};  // 1..8
  std::array<int, PhaseSlotCount + 1> SpeciesEnd{};    // solver species of slot p: end[p-1]+1..end[p]
  PhaseSlot& operator[](int slot) { return Slots[ValidPhaseSlot(slot) ? slot : 0]; }
  const PhaseSlot& operator[](int slot) const { return Slots[ValidPhaseSlot(slot) ? slot : 0]; }
  void Reset() { Slots.fill(PhaseSlot{}); SpeciesEnd.fill(0); }
};
extern PhaseSlotData PhaseSlotTable;

// The slot of the phase window the user worked in last.
extern int ActivePhaseSlot;

// Set when a phase's contents changed after the last calculation (the grid no longer matches
// the results); cleared by a successful calculation.
extern bool PhasesChangedFlag;

// Constants of a slot: "Gas.1", "GasWnd1", "Gas1", 'g', "Gas".
struct PhaseSlotConstants {
  const char* Caption;
  const char* WindowName;
  const char* GridName;
  char Letter;
  const char* KindWord;
};
const PhaseSlotConstants& SlotConstants(int slot);
// "(g)", "(l)" or "(s)" of a slot; "(u)" outside 1..8.
std::string SlotPhaseTag(int slot);
// The section of the user settings file that keeps a phase window's look: kind word + slot
// number (Gas1, Gas2, Liquid3 ... Solid8).
std::string PhaseSettingsSection(int slot);
// True when some row of the grid holds a substance key (not empty, not "0").
bool GridHoldsSubstance(const platform::StringGrid& grid);

// The state of the calculation run. While it is not Idle the commands that would change or
// free what the run reads or writes are refused (only the break of the run is taken).
enum class CalculationRun { Idle, DataCheck, Solving };
extern CalculationRun CalculationRunState;
inline bool CalculationUnderWay() { return CalculationRunState != CalculationRun::Idle; }
constexpr int CommandRefusedId = 1598;
// Posts that a command waits for the end of the run and returns true while a run is under way.
bool RefuseDuringCalculation(std::string_view command);

// What a phase window needs from the main window.
class PhaseHost {
 public:
  virtual ~PhaseHost() = default;
  virtual bool ResultsValid() const = 0;
  virtual void SetResultsValid(bool valid) = 0;
  // Writes the last results into the grid again (after a change of output unit).
  virtual void WritePhaseResults(platform::StringGrid& grid) = 0;
  // Frees the slot and its window (the window is destroyed after its close handling).
  virtual void ClosePhaseWindow(int slot) = 0;
  virtual void CompoundsCommand() {}
  virtual void ShowPropertyColumn(int slot, int property) { (void)slot; (void)property; }
  virtual void ReportRecordUnable(int slot, int row) { (void)slot; (void)row; }
  virtual bool ToolBarsShown() const { return true; }
  virtual bool ButtonCaptionsShown() const { return false; }
  // Folder of the current system file (initial folder of the import).
  virtual std::string SystemFolder() const { return {}; }
  // Something the system file holds was changed by the user (a cell, a unit, a row).
  virtual void SystemChanged() {}
};
extern PhaseHost* PhaseWindowHost;

// Hooks of windows that are not part of every build; each is tested before it is called.
// The record variables refer to substances by row: they check their addresses after row changes.
extern std::function<void()> CheckRecordAddressesHook;
// The compound dialog copies a phase's substances into another phase's grid.
extern std::function<void(platform::StringGrid& source, platform::StringGrid& target)> CopyPhaseCompoundsHook;
// The value-entry dialog as a pick list: returns the chosen index or -1.
extern std::function<int(const std::string& caption, const std::string& label,
                         const std::vector<std::string>& items)> PickListHook;

// The shared font of the phase grids (recorded by the first phase window).
extern bool PhaseGridFontSet;
extern platform::FontInfo PhaseGridFont;

class TPhaseWnd : public platform::Form {
 public:
  explicit TPhaseWnd(platform::Component* owner = nullptr);
  ~TPhaseWnd() override;

  int Slot() const { return Tag(); }

  // --- components ---
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* ToolBtnCompounds = nullptr;
  platform::ToolButton* ToolBtnInDim = nullptr;
  platform::ToolButton* ToolBtnOutDim = nullptr;
  platform::ToolButton* ToolBtnCDim = nullptr;
  platform::ToolButton* ToolBtnIO = nullptr;
  platform::ToolButton* ToolBtnEmpty = nullptr;
  platform::Panel* Panel1 = nullptr;
  platform::Label* LabelRel = nullptr;
  platform::Edit* EditRel = nullptr;
  platform::ToolButton* ToolButtonRel = nullptr;
  platform::ToolButton* ToolBtnSgeEdit = nullptr;
  platform::ToolButton* ToolBtnAddRow = nullptr;
  platform::ToolButton* ToolBtnDelRow = nullptr;
  platform::Label* LabelPh = nullptr;
  platform::StringGrid* SGPhase = nullptr;
  platform::StatusBar* StBar = nullptr;

  platform::PopupMenu* PopupMenuDimIn = nullptr;
  platform::PopupMenu* PopupMenuDimOut = nullptr;
  platform::PopupMenu* PopupConc = nullptr;
  std::array<platform::MenuItem*, 8> MnuDimIn{};
  std::array<platform::MenuItem*, 8> MnuDimOut{};
  std::array<platform::MenuItem*, 3> MnuConc{};

  platform::PopupMenu* PMPhase = nullptr;
  platform::MenuItem* PopToRecord = nullptr;
  platform::MenuItem* PopSortBy = nullptr;
  std::array<platform::MenuItem*, 10> PopSort{};  // by column
  platform::MenuItem* PopSetLast = nullptr;
  platform::MenuItem* PopAllPhases = nullptr;
  platform::MenuItem* PopColsRow = nullptr;
  platform::MenuItem* PopFixCol = nullptr;
  platform::MenuItem* PopRowMoving = nullptr;
  platform::MenuItem* PopSelectAll = nullptr;
  platform::MenuItem* PopCopy = nullptr;
  platform::MenuItem* PopPaste = nullptr;
  platform::MenuItem* PopRemove = nullptr;
  platform::MenuItem* PopCut = nullptr;
  platform::MenuItem* PopClear = nullptr;
  platform::MenuItem* PopColor = nullptr;
  platform::MenuItem* PopFont = nullptr;
  platform::MenuItem* PopToExcel = nullptr;

  platform::PopupMenu* PopupMenuDefData1 = nullptr;
  platform::MenuItem* MnuSetUndo = nullptr;

  platform::PopupMenu* PMnuCopyTo = nullptr;
  platform::MenuItem* MnuSelectCompounds = nullptr;
  std::array<platform::MenuItem*, 9> MnuCopyTo{};  // by target slot 1..8
  platform::MenuItem* MnuImport = nullptr;
  std::array<platform::MenuItem*, 3> MnuImportMode{};
  platform::MenuItem* MnuImportClipboard = nullptr;

  platform::OpenDialog* OpenDialog1 = nullptr;
  platform::FontDialog* FontDialog1 = nullptr;
  platform::ColorDialog* ColorDialog1 = nullptr;

  // --- state ---
  std::vector<std::string> UndoList;  // column, then the old texts of rows 1..n
  bool EditManually = false;
  int LastEditCol = -1;
  std::string LastEditText;
  std::unique_ptr<platform::StringGrid> ImportGrid;

  // --- set-up and look ---
  void FormCreate();
  void FormResize();
  void ApplyToolbarLook();
  void ShowColumnSum(int column);
  // Shows sum as the sum of column: a calculation gives the sum of the values it computed, which
  // the 8-digit cells can only approximate.
  void ShowColumnSum(int column, long double sum);
  void RefreshSums(std::initializer_list<int> columns);
  // A calculation that was refused or failed: no result of an earlier one stays in the output
  // cells (out, x, f or a, the state before Inf.) or in their sums.
  void ClearResults();

  // --- commands ---
  void DimInClick(int code);
  void DimOutClick(int code);
  void ConcClick(int kind);
  void ToolBtnInDimClick();
  void ToolBtnOutDimClick();
  void ToolBtnCDimClick();
  void ToolBtnIOClick();
  void ToolBtnEmptyClick();
  void SetColumnItemClick(int column, const std::string& caption);
  void ToolButtonRelClick();
  void UndoClick();
  void EditRelKeyDown(int& key, platform::ShiftState shift);
  void RemoveClick();
  void AddRowClick();
  void EditManualClick();
  void CopyClick();
  void PasteClick();
  void CutClick();
  void ClearClick();
  void SelectAllClick();
  void InsertFromClipboard();
  void SortClick(int column);
  void SortPopup();
  void FixColClick();
  void RowMovingClick();
  void FontClick();
  void ColorClick();
  void ToExcelClick();
  void ToRecordClick();
  void SetLastColumnClick(int property);
  void AllPhasesClick();
  void CopyToPopup();
  void CopyToClick(int target);
  void ImportClick(int mode);
  void SelectCell(int col, int row, bool& canSelect);
  void GridMouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y);
  void GridSetEditText(int col, int row, const std::string& text);
  void FormCloseQuery(bool& canClose);
  void FormClose(platform::CloseAction& action);

 private:
  void SetDimensionHeader(int column);
  bool DimensionHidden(int code) const;
  void RewriteResultsIfValid(bool changed);
  void MarkRowsChanged();
};

void InitPhaseSlotWindow(TPhaseWnd& window, int slot);
// Rebuilds the header row of the slot's grid from its dimension codes and concentration kind:
// "in" / "out" alone for mol, else with the unit ("in [g]"), then "x" / "w" / "w%", "f" and
// "f.c." (gas) or "a" and "a.c.", "Rel.", "Inf.", "T(in)", "Comment".
void SetPhaseGridHeaders(int slot);
void LoadPhaseWindowSettings(TPhaseWnd& window, int slot);
void SavePhaseWindowSettings(TPhaseWnd& window, int slot);
void ApplyToolbarLook(TPhaseWnd& window);
void ShowColumnSum(TPhaseWnd& window, int column);

}  // namespace quorel
