// The element balance window "Elementar Balance" of Orvanto.
//
// For one element chosen in CBE the window shows, for every substance row of every open phase
// window, how much of the element goes in and comes out: the row's total amount in mol, the
// element's moles and kilograms and the row's share of the element's total (in and out). It
// reads the phase grids themselves, not the solver, so it also balances amounts typed by hand;
// every amount is converted to mol by the unit of its column (PhaseDimensionTable), gas
// volumes as a real gas with the compressibility factor of its dataset.
//
// One tab per phase slot: SGG1, SGG2 on PCG (gas), SGL1..SGL3 on PCL (liquid), SGS1..SGS3 on
// PCS (solid). The main window shows the tabs of its open phases, hides the others and opens
// the window with OpenBalance. Balance columns (<El> the element symbol):
//   0 "Compound", 1 "Total [mol] (in) ", 2 "<El> [mol] (in)", 3 "<El> [kg] (in)",
//   4 "<El> rel. Mass (in)", 5 "Total [mol] (out) ", 6 "<El> [mol] (out)", 7 "<El> [kg] (out)",
//   8 "<El> rel. Mass (out)"; the last row is "Sum".
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "equilibrium/Phase.h"
#include "platform/Components.h"

namespace quorel {

enum BalanceColumn : int {
  BalCompound = 0, BalTotalIn = 1, BalMolIn = 2, BalKgIn = 3, BalRelIn = 4,
  BalTotalOut = 5, BalMolOut = 6, BalKgOut = 7, BalRelOut = 8,
};
constexpr int BalanceColumnCount = 9;

// Message IDs of the balance.
constexpr int BalanceNoSubstanceId = 350;
constexpr int BalanceNoDataId = 318;
constexpr int BalanceNegativeInId = 337;
constexpr int BalanceNegativeOutId = 351;
// Unreadable amounts by the unit group of the column: mol, mass, gas volume.
constexpr std::array<int, 3> BalanceIrregularInIds{327, 331, 334};
constexpr std::array<int, 3> BalanceIrregularOutIds{341, 345, 348};

// The light green of the highlighted column pair.
constexpr platform::TColor BalanceHighlightColor = 192 | (255 << 8) | (192 << 16);

// How an element takes part in a composition ("C1O2").
struct ElementPart {
  double MolarMass = 0;     // g/mol of the whole composition
  double Atoms = 0;         // atoms of the element per formula unit
  double MassFraction = 0;  // mass of the element part / molar mass
};

// Whether the element occurs in the composition: a one-letter symbol where the letter is not
// followed by another letter ("O" is not found in "Os1" or "Co1"), a two-letter symbol at its
// occurrence. When it occurs and the molar mass is positive, part holds the molar mass, the
// atoms (an element written twice counts both times) and the mass fraction; otherwise zeros.
bool ElementShare(std::string_view formula, std::string_view symbol, ElementPart& part);

// The nine header texts of a balance grid for an element symbol.
std::string BalanceHeader(int column, std::string_view symbol);

class TElBalanceDlg : public platform::Form {
 public:
  TElBalanceDlg();
  ~TElBalanceDlg() override;

  // --- components ---
  platform::Panel* PanelTop = nullptr;
  platform::Label* LabelElement = nullptr;
  platform::ComboBox* CBE = nullptr;  // sorted drop-down list of the picker's elements
  platform::CheckBox* CbxAllComp = nullptr;  // "Show all compounds"
  platform::Button* ButtonUpdate = nullptr;
  platform::Button* ButtonExit = nullptr;
  platform::Panel* PanelGas = nullptr;  // "No Gases" while no gas tab is shown
  platform::Panel* PanelLiq = nullptr;
  platform::Panel* PanelSol = nullptr;
  platform::PageControl* PCG = nullptr;
  platform::PageControl* PCL = nullptr;
  platform::PageControl* PCS = nullptr;
  std::array<platform::TabSheet*, PhaseSlotCount + 1> Tabs{};         // by slot 1..8
  std::array<platform::StringGrid*, PhaseSlotCount + 1> BalanceGrids{};  // SGG1 .. SGS3
  platform::StatusBar* StBar = nullptr;
  platform::PopupMenu* PopupSGs = nullptr;
  platform::MenuItem* PopSortName = nullptr;  // "Sort by Name"
  platform::MenuItem* PopSortUp = nullptr;    // "Sort by Data upwards"
  platform::MenuItem* PopSortDown = nullptr;  // "Sort by Data downwards"
  platform::MenuItem* PopCopy = nullptr;
  platform::MenuItem* PopToExcel = nullptr;
  platform::FontDialog* FontDialog1 = nullptr;

  // --- state ---
  double T = 298.15;  // K
  double P = 1.0;     // bar, the system pressure
  double P2 = 1.0;    // bar, the total pressure of gas slot 1 after the run
  double P3 = 1.0;    // bar, the same of gas slot 2
  std::string Element;
  double ElementMass = 0;  // g/mol
  double TotalIn = 0;      // mol of the element
  double TotalOut = 0;
  int HighlightCol = BalTotalIn;
  int PartnerCol = BalTotalOut;
  std::array<int, PhaseSlotCount + 1> LastSelectedCol{};  // by slot, 0 none
  int LastSelectedColumn = 0;
  bool BalanceOpen = false;

  // --- interface ---
  // Conditions of the conversions: T [K] and the pressures [bar]; P2 and P3 not > 0 are
  // replaced by P.
  void SetBalanceConditions(double t, double p, double p2, double p3);
  // The source grid of a slot's tab with its caption; nullptr hides the tab.
  void SetSlotSource(int slot, const std::string& caption, platform::StringGrid* source);
  platform::StringGrid* SlotSource(int slot) const;
  // Empties every balance grid to the header and one empty row and fills CBE with the symbols
  // of the picker's selected elements, selecting the first.
  void OpenBalance();
  // Fills the balance grid of a slot from its source grid; adds the element moles in and out.
  void FillBalanceGrids(const platform::StringGrid& source, platform::StringGrid& balance, double& in, double& out);
  void ButtonUpdateClick();
  // Hides the window and marks it closed.
  void CloseBalance();

  // --- grids ---
  void SelectCell(platform::StringGrid& grid, int col, int row);
  void DrawCell(const platform::StringGrid& grid, int col, int row, platform::CellDrawInfo& info) const;
  void PopupSGsPopup();
  void SortByName();
  void SortByData(bool upwards);
  void CopyClick();
  void ToExcelClick();
  void FormKeyDown(int& key, platform::ShiftState shift);
  void FormResize();

 private:
  int SlotOfGrid(const platform::Component* grid) const;
  platform::StringGrid* PopupGrid() const;
  void WriteHeader(platform::StringGrid& grid) const;
  void ShowPanels();
  std::array<platform::StringGrid*, PhaseSlotCount + 1> sources_{};
};

extern TElBalanceDlg* ElBalanceDlg;

}  // namespace quorel
