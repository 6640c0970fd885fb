// The activity-coefficient window "Activitiy Coefficients" and its relations.
//
// A substance in a phase grid carries a fixed activity or fugacity coefficient in its column
// "a.c." / "f.c."; a cell holding "[n]" takes it instead from relation n of this window, every
// time the phase is read for a calculation: a formula of one of ten types in the mole fraction x
// of the substance (the x cell of the last result) and the system temperature T [K], with two
// parameters A and B. The relations belong to the current system and travel with its file in
// the section "ActivityCoefficients":
//
//   [ActivityCoefficients]
//     Count=2
//     1=Idx:2;A:0.5;B:1.2;C:info text;
//     2=Idx:6;A:2;B:0.5;C:;
//
// The formulas (gamma the coefficient; types 0 to 3 are van Laar forms, 4 and 5 the
// three-suffix Margules form, written here as the window has always named them):
//   0  exp( (B/T) / (1 + A x/(1 - x))^2 )        x >= 1 or T <= 0: 1
//   1  exp( A B/T / (A + x/(1 - x))^2 )          x >= 1 or T <= 0: 1
//   2  10^( A (1 - x)^2 / (1 - x + x A/B)^2 )
//   3  10^( B (1 - x)^2 / (1 - x + x B/A)^2 )
//   4  10^( (1 - x)^2 (B + 2x (A - B)) )
//   5  10^( (1 - x)^2 (A + 2x (B - A)) )
//   6  A (1 - x) + B
//   7  B exp( A (1 - x)/T )                       T <= 0: 1
//   8  B exp( A/T )                               T <= 0: 1
//   9  exp( A ln x + B )                          x <= 0: 1
// A formula that cannot be evaluated (a zero denominator, a result beyond the double range, a
// type outside 0..9) gives no value: the calculation is stopped and told so, where the plain
// value reads 1.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

constexpr int AfcEquationTypeCount = 10;
// The caption of a type's menu item; "" outside 0..9.
const char* AfcEquationCaption(int type);

// gamma of a formula type at x and T [K]. False (gamma := 1) when it cannot be evaluated: an
// unknown type, a zero denominator (types 0 to 3; B = 0 for type 2, A = 0 for type 3) or a
// result that is not a finite number. The guarded cases give 1 and true.
bool EvaluateAfcEquation(int type, double A, double B, double x, double T, double& gamma);

// The relation number of a reference "[n]": the text trimmed, its first and last characters
// removed, the rest read as a decimal integer; 0 when that is no integer.
int RelationNumberOfText(std::string_view relation);

// What came of evaluating a relation reference.
enum class AfcEvaluation {
  Evaluated,    // the formula gave the value
  NoRelation,   // the reference names no relation of the list (not a number, or beyond it)
  UnreadableX,  // the x text is not a number
  NotEvaluable  // the formula gives no finite value here (EvaluateAfcEquation)
};

// One relation as the arrays hold it.
struct ActivityRelation {
  int type = 0;   // AfcEquationType 0..9
  double A = 0;   // first parameter
  double B = 0;   // second parameter
};

class TAfcWnd : public platform::Form {
 public:
  explicit TAfcWnd(platform::Component* owner = nullptr);
  ~TAfcWnd() override;

  // --- components ---
  platform::ImageList* ImageList1 = nullptr;  // the formula pictures, image index = type
  platform::Panel* Panel1 = nullptr;
  platform::Label* LabelA = nullptr;
  platform::Label* LabelB = nullptr;
  platform::Label* LabelC = nullptr;
  platform::Edit* EditA = nullptr;
  platform::Edit* EditB = nullptr;
  platform::Edit* EditC = nullptr;
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* BtnSelect = nullptr;  // drop-down type button; its image is the chosen type
  platform::ToolButton* BtnAdd = nullptr;
  platform::ToolButton* BtnReplace = nullptr;
  platform::ToolButton* BtnDelete = nullptr;
  platform::ToolButton* BtnExit = nullptr;
  platform::PopupMenu* PopupAfc = nullptr;    // the menu "afc" of the type button
  std::array<platform::MenuItem*, AfcEquationTypeCount> MnuType{};  // tag and image = type
  platform::ListView* ListView1 = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;

  // --- the relations ---
  // Relation n (1..RelationCount()) is list item n - 1; the list holds the texts, the arrays
  // the numbers used for evaluation.
  int RelationCount() const { return ListView1->Count(); }
  // Size of the arrays: slots 1 to Capacity() - 1 hold relations; 9 at creation, grown by 8
  // whenever a relation number would reach it.
  int Capacity() const { return int(relations_.size()); }
  // Relation n from the arrays; a default relation outside 1..RelationCount().
  ActivityRelation Relation(int n) const;
  // The type the type button shows: the one "Add" and "Replace" use.
  int ChosenType() const { return BtnSelect->ImageIndex(); }
  // The temperature [K] of the last evaluation.
  double LastTemperature = 0;

  // --- evaluation ---
  // The coefficient for a grid cell holding "[n]", the text of the substance's x cell and T [K]:
  // relation n's formula at x (x = 1 for an empty text); 1 when the reference names no
  // relation, the x text is no number or the formula cannot be evaluated.
  double ActivityCoefficientOfRelation(std::string_view relation, std::string_view xText, double T);
  // The same, telling what came of it; gamma is 1 unless the result is Evaluated.
  AfcEvaluation EvaluateRelation(std::string_view relation, std::string_view xText, double T, double& gamma);

  // --- the system file ---
  // Writes the section "ActivityCoefficients" into the settings document that is open in the
  // store (nothing when the list is empty). The section is written whole: keys of relations
  // deleted since it was last written do not stay behind.
  void SaveActivityCoefficients();
  // Rebuilds the list from that section of the open document; an empty list when it is absent.
  void LoadActivityCoefficients();

  // --- commands ---
  // A type menu item: the type button shows that type (the sender's tag).
  void MnuTypeClick(platform::Component* sender);
  // "Add" and a click on the type button: a new relation of the chosen type from the edits.
  void BtnAddClick();
  // A change of the list's selection.
  void ListView1SelectItem(platform::ListItem* item, bool selected);
  // "Replace": the selected relation takes the chosen type and the edits.
  void BtnReplaceClick();
  // "Del": deletes the selected relation; the later ones move down by one number.
  void BtnDeleteClick();
  // "Exit": closes the window.
  void BtnExitClick();
  // Restores the window when minimized, shows it and brings it to the front.
  void ShowWindow();

 private:
  // Grows the arrays so that slot n exists (n < Capacity()).
  void EnsureSlot(int n);
  platform::ListItem* AddItem(int n, int type, const std::string& a, const std::string& b, const std::string& c);
  void UpdateButtons();
  std::vector<ActivityRelation> relations_;  // slot 0 unused
};

extern TAfcWnd* AfcWnd;

// Puts the relations of AfcWnd into the main window's hook for "[n]" cells: a reference that
// names no relation, an unreadable x cell or a formula without a value answers false, so that
// the calculation stops with its message instead of running with a coefficient of 1.
void InstallActivityCoefficientHooks();
// The main window's "Act. Coeff." command: shows AfcWnd (nothing when it does not exist).
void ShowActivityCoefficientWindow();

}  // namespace quorel
