// Substance selection of Lunetta and the acentric-factor estimate.
//
// The dialog "Substances" lists every substance of the database whose composition is made of
// the elements chosen in the element picker, optionally only one phase and only substances
// holding one given element. Each entry is one substance key ("CO2 (g)") with its description,
// the overall temperature interval of its datasets, a comment and the row number of its first
// dataset. Accept writes the key into the target control: in replace mode the text becomes the
// key and SubstanceAcceptedHook runs (Lunetta's substance window recalculates); in append mode
// the key is added to the text as a sum ("A + CO2 (g)").
//
// EstimateAcentricFactor estimates a missing acentric factor from the normal boiling point:
// the temperature where the gas and the liquid dataset of a substance have the same Gibbs
// energy at 1 bar is taken as Tb, and the vapour-pressure correlation of Ambrose and Walton,
//   ln Pr = f0(Tr) + w f1(Tr) + w^2 f2(Tr),
// is solved for w at Pr = 1 bar / Pc (D. Ambrose, J. Walton, Pure Appl. Chem. 61 (1989) 1395;
// B. E. Poling, J. M. Prausnitz, J. P. O'Connell, The Properties of Gases and Liquids, 5th ed.,
// McGraw-Hill 2001, eq. 7-4.1).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

class TElementsDlg;

// Called after Accept in replace mode when set; cleared when the dialog is created. Lunetta's
// start-up sets it to the substance window's recalculation.
extern std::function<void()> SubstanceAcceptedHook;

// Message ID of the unit.
constexpr int SubstanceDatabaseNotDefinedId = 101;

// Results of the last EstimateAcentricFactor.
struct AcentricFactorEstimateResult {
  double Discriminant = 0;  // of the quadratic in w; reset to 0 after a successful estimate
  double RootA = 0;         // (sqrt(disc) - f1) / (2 f2)
  double RootB = 0;         // (-f1 - sqrt(disc)) / (2 f2): the estimate the substance window reports
  double BoilingPoint = 0;  // K, the scanned temperature of the smallest |Gg - Gl|
  double Tc = 0;            // K, the critical temperature used
};
extern AcentricFactorEstimateResult AcentricFactorEstimate;

// Largest number of 1 K steps of one boiling-point scan.
constexpr int MaxAcentricScanSteps = 100000;

// Scans from startT to endT [K] in steps of 1 K (downwards when endT < startT; at least one
// step) for the temperature where the gas and the liquid dataset of name, both found at startT,
// have the closest Gibbs energies at 1 bar under the current EosType, and solves the
// Ambrose-Walton correlation for w with the critical pressure Pc [bar] and the critical
// temperature of the datasets (the liquid's, else the gas's). False, with the roots left as
// they were, when Pc is not positive, a dataset or the critical temperature is missing, no
// scanned temperature could be evaluated, Tb lies at or above Tc, or the quadratic has no two
// real roots (the discriminant is then kept).
bool EstimateAcentricFactor(std::string_view name, double endT, double startT, double Pc);

class TSubstSelDlg : public platform::Form {
 public:
  static constexpr int kColumns = 5;  // "Substance", "Description", "T Interval", "Comment", "n->"

  TSubstSelDlg();
  ~TSubstSelDlg() override;

  // --- components ---
  platform::ListView* LVSubst = nullptr;
  platform::BitBtn* BitBtn1 = nullptr;   // "Elements"
  platform::BitBtn* BitBtn2 = nullptr;   // "Close"
  platform::ComboBox* CbxPhase = nullptr;  // "All Phases", "Gas", "Liquid", "Solid"
  platform::ComboBox* CbxEl = nullptr;     // "[all]" and the selected element symbols
  platform::Button* Button1 = nullptr;     // "Accept"

  // --- state ---
  // The control that receives the accepted key, and the mode: 1 replace the text and call
  // SubstanceAcceptedHook, 0 append the key as a sum.
  platform::Component* Target = nullptr;
  int TargetMode = 1;
  // The target's text when it was attached.
  std::string TargetText;
  // The element filter of the last fill ("" for "[all]").
  std::string ElementFilter;
  // The column sorted last.
  int SortColumn = 0;
  // Intervals shown in degrees Celsius.
  bool CelsiusFlag = false;

  // Makes the element picker's Accept button run BtnSetClick of this dialog.
  void WireElementFilter();
  // Remembers the target control, the mode and the control's text.
  void AttachSubstanceTarget(platform::Component* control, int mode);
  // Opens the element picker when no element is selected in it.
  void PromptElementSelection();
  // The substance window's temperature unit changed: a filled list is refilled.
  void SetCelsius(bool celsius);

  // The element picker accepted its selection: the picker takes over its buttons, the element
  // filter is rebuilt (keeping the chosen element when it is still selected), and the list is
  // refilled. Without a database: "Database is not defined !" (level 0, ID 101), nothing else.
  void BtnSetClick();
  // Phase or element filter changed: the list is refilled.
  void CbxChange();
  // Fills the list from the database with the phase and element filters.
  void FillSubstanceList();
  // Accept: the first selected entry goes into the target.
  void LVSubstDblClick();
  // Esc closes the dialog, Enter accepts.
  void LVSubstKeyDown(int& key);
  // Sorts ascending by a column, comparing texts without regard to case.
  void LVSubstColumnClick(int column);
  int LVSubstCompare(const platform::ListItem* a, const platform::ListItem* b) const;
  void BtnElementsClick();
  void BtnMsgClick();
  void BtnCloseClick();

  // "298< T[K] <3000", or in Celsius "24.85< T[C] <2726.85".
  std::string IntervalText(double tmin, double tmax) const;
  // Lowest Tmin and highest Tmax of the datasets of an entry; false for an item not listed.
  bool EntryInterval(const platform::ListItem* item, double& tmin, double& tmax) const;

 private:
  struct EntryRange {
    double Tmin = 0, Tmax = 0;
    bool Seen = false;
  };
  void AddOrUpdateEntry(int row);

  std::vector<EntryRange> ranges_;   // per entry, by the item's data value
  TElementsDlg* wiredPicker_ = nullptr;  // the picker whose Accept button runs BtnSetClick
};

extern TSubstSelDlg* SubstSelDlg;

// "Select From Database" of the frame and of the substance window: shows the dialog, then
// opens the element picker when no element is selected.
void ShowSubstanceSelection();

}  // namespace quorel
