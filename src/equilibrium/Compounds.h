// Compound selection of a phase. This unit owns the amount and concentration dimensions of the
// eight phase slots (PhaseDimensionTable) and the names of the amount dimensions, which the
// phase windows and the calculation run use to build their column headers and to convert
// amounts, and the dialog "Compounds" that chooses the substances of one phase.
//
// The dialog lists, on the left, every substance key of the database ("Name (g)") that fits
// the phase kind and is made of the selected elements of the element picker ("Substances"),
// and on the right the substances of the phase ("Selections for System"). The user moves keys
// between the lists, may rename the phase, and on OK the phase grid is rebuilt from the system
// list: substances that stay keep their inputs, results and comments, new ones start empty.
// The unit also copies the substances of one phase into another (the copy-to menu of a phase
// window), keeping only the names the target phase has datasets for.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Components.h"

namespace quorel {

// Amount dimensions of the "in" and "out" columns of a phase grid. 4..7 exist for gas slots only.
enum AmountDimension : int {
  DimMol = 0, DimGram = 1, DimKilogram = 2, DimPound = 3,
  DimLitre = 4, DimCubicMetre = 5, DimCubicFoot = 6, DimNormalCubicMetre = 7,
};
constexpr int AmountDimensionCount = 8;

// What the x column holds: mole fraction, mass fraction or mass percent.
enum ConcentrationKind : int { ConcMoleFraction = 0, ConcMassFraction = 1, ConcMassPercent = 2 };
constexpr int ConcentrationKindCount = 3;

// Units of every phase slot, index 1..8 (index 0 unused); all 0 at start.
struct PhaseDimensionData {
  std::array<int, 9> InDimension{};
  std::array<int, 9> OutDimension{};
  std::array<int, 9> Concentration{};
  void Reset() { InDimension.fill(0); OutDimension.fill(0); Concentration.fill(0); }
};
extern PhaseDimensionData PhaseDimensionTable;

// "[mol]", "[g]", "[kg]", "[lb]", "[l]", "[m³]", "[ft³]", "[Nm³]" for codes 0..7 (single-byte
// text); "" outside.
const std::string& DimensionName(int code);
// The number of names in the dimension name list (8).
int DimensionNameCount();
// The x column header of a concentration kind: "x", "w", "w%" ("x" outside).
std::string ConcentrationHeader(int kind);

// Message IDs of the unit.
constexpr int DatabaseNotDefinedId = 281;
constexpr int SpeciesInsertedId = 458;

// First dataset row (1..) whose name (field 1) equals name and, when phase is not empty, whose
// phase (field 2) equals phase; -1 when there is none.
int FindDatasetByNamePhase(std::string_view name, std::string_view phase);
// Appends the substance name + " " + phase to a phase grid: into its only substance row when
// that is empty, otherwise as a new row with the other columns empty. Nothing happens when the
// grid already holds a substance of that name (in whatever phase). Posts "inserting " + key
// (level 6, ID 458) for every insert.
void InsertSpeciesRow(std::string_view name, std::string_view phase, platform::StringGrid& grid);
// Copies the substances of source into target (a phase grid whose tag is its slot): each name
// that has a dataset in the target's phase ("(g)" slots 1-2, "(l)" 3-5, "(s)" 6-8) is inserted
// with that phase. Nothing happens for a target tag outside 1..8.
void CopyPhaseCompounds(const platform::StringGrid& source, platform::StringGrid* target);

class TCompoundsDlg : public platform::Form {
 public:
  static constexpr int kColumns = 4;  // "Substance", "Desc.", "Comment", "n ->"
  static constexpr int kMinWidth = 486;
  static constexpr int kMinHeight = 256;

  TCompoundsDlg();
  ~TCompoundsDlg() override;

  // --- components ---
  platform::GroupBox* GbxPhase = nullptr;      // "Phase"
  platform::Label* Label1 = nullptr;           // "Containing Element"
  platform::ComboBox* CbxEl = nullptr;         // element filter
  platform::Label* Label2 = nullptr;           // "Name"
  platform::Edit* EditName = nullptr;          // name of the phase
  platform::Button* OKBtn = nullptr;
  platform::Button* CancelBtn = nullptr;
  platform::Button* HelpBtn = nullptr;
  platform::GroupBox* GbxDatabase = nullptr;   // "Substances", then "In Database: n"
  platform::ListView* LVSrc = nullptr;         // tag 0
  platform::Button* IncludeBtn = nullptr;      // "Select - >"
  platform::GroupBox* GbxSystem = nullptr;     // "Selections for System", then "In System: n"
  platform::ListView* LVDst = nullptr;         // tag 1
  platform::Button* ExcludeBtn = nullptr;      // "< - Deselect", tag 1
  platform::StatusBar* StBar = nullptr;        // row number, references, temperature range
  platform::StringGrid* SGC = nullptr;         // hidden copy of the phase grid as it came

  // --- state ---
  // Temperatures in degrees Celsius (set by the caller before FillCompoundLists).
  bool CelsiusFlag = true;
  // "< T [C] <" or "< T [K] <".
  std::string RangeLabel = "< T [C] <";
  // Phase letter of the current call: "g", "l", "s" or "u".
  std::string PhaseLetter = "u";
  // True after OK.
  bool OkFlag = false;
  // The column sorted last and, per list (0 source, 1 system) and column, whether the next sort
  // of it is ascending.
  int SortColumn = 0;
  std::array<std::array<bool, kColumns>, 2> SortAscending{};

  // --- filling ---
  // Prepares the dialog for one phase (caption, grid, letter g/l/s/u); the caller then shows it
  // modally. Without a database: posts "Database is not defined !" (level 0, ID 281), the lists
  // stay empty.
  void FillCompoundLists(std::string_view caption, const platform::StringGrid& grid, std::string_view letter);
  // Adds every dataset of the letter made of the selected elements (and holding the element
  // filter when one is given) that neither list shows yet.
  void FillDatabaseList(std::string_view letter, std::string_view element);
  // Adds the key of a dataset row to the source list unless either list shows it already.
  void AddDatasetIfAbsent(int row);
  // A new item for a dataset row at the end of a list.
  platform::ListItem* AddDatasetListItem(platform::ListView* list, int row);
  // Puts a substance key of the grid into the system list: taken from the source list when
  // listed there, else made for its dataset, else marked " not found !". origin is the grid row
  // it came from (0 none).
  void AddCompoundByFormula(std::string_view text, int origin = 0);
  // The element filter changed: refills the source list.
  void CbxElChange();
  // The symbol CbxEl chooses ("" for "[All Selection]").
  std::string ChosenElement() const;

  // --- moving ---
  // Moves item index of list from (0 source, 1 system) to the end of the other list.
  void MoveListItem(int index, int from);
  void IncludeBtnClick();
  void ExcludeBtnClick();
  void ListDblClick(platform::ListView* list);
  void ListKeyDown(platform::ListView* list, int& key);
  // Shows row number, references and temperature range of the list's selected item.
  void ShowItemStatus(platform::ListView* list);
  // Updates the captions "In Database: n" and "In System: n".
  void UpdateCounts();

  // --- sorting ---
  // A click on a column header: sorts that list by the column, then turns its direction.
  void ListColumnClick(platform::ListView* list, int column);
  // Compares two items by the sort column of a list (case-insensitive text).
  int LVsCompare(const platform::ListItem* a, const platform::ListItem* b, int list) const;

  // --- closing ---
  void OKBtnClick();
  void CancelBtnClick();
  void HelpBtnClick();
  // After OK: rebuilds the grid from the system list, keeping the columns 1.. of the
  // substances that stay.
  void ApplySelectionToGrid(platform::StringGrid& grid);

  void FormResize();

 private:
  platform::ListView* ListOf(int tag) const { return tag == 0 ? LVSrc : LVDst; }
  platform::ListItem* CopyItemTo(const platform::ListItem& item, platform::ListView* list);
  bool phasesChangedAtOpen_ = false;
  bool databaseDefined_ = false;
};

extern TCompoundsDlg* CompoundsDlg;

// The main window's Compounds command for the ActivePhaseSlot (the first open slot when that
// one has no window): fills the dialog with the window's caption, grid and phase letter and the
// temperature switch, shows it modally and, after OK, writes the chosen substances into the
// grid and the name into the window's caption. A first substance cell "-" is emptied before;
// after OK a positive integer in header cell (0, 0) is emptied and an empty cell (0, 1) becomes
// " ". True after OK; false when cancelled, or when no phase window or no dialog exists.
bool SelectPhaseCompounds(bool celsius);

}  // namespace quorel
