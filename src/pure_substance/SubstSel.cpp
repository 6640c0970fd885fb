#include "pure_substance/SubstSel.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/Services.h"
#include "pure_substance/StablePhase.h"
#include "shared/AplMsg.h"
#include "shared/Elements.h"
#include "shared/PTools.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace quorel {

using namespace platform;

std::function<void()> SubstanceAcceptedHook;
AcentricFactorEstimateResult AcentricFactorEstimate;
TSubstSelDlg* SubstSelDlg = nullptr;

namespace {

constexpr double kCelsius = 273.15;
const char* const kColumnCaptions[TSubstSelDlg::kColumns] = {"Substance", "Description", "T Interval", "Comment",
                                                             "n->"};
const int kColumnWidths[TSubstSelDlg::kColumns] = {128, 128, 128, 128, 40};
// Sub-items of an entry (column - 1).
enum EntryText : int { TextDescription = 0, TextInterval = 1, TextComment = 2, TextRow = 3 };

bool EndsWithChar(std::string_view text, char c) { return !text.empty() && text.back() == c; }

// Ambrose-Walton functions f0, f1, f2 of tau = 1 - Tr, each divided by Tr = 1 - tau.
struct AmbroseWaltonTerms {
  double f0, f1, f2;
};
AmbroseWaltonTerms AmbroseWalton(double tau) {
  const double t15 = std::pow(tau, 1.5), t25 = std::pow(tau, 2.5), t5 = std::pow(tau, 5);
  const double tr = 1 - tau;
  return {(-5.97616 * tau + 1.29874 * t15 - 0.60394 * t25 - 1.06841 * t5) / tr,
          (-5.03365 * tau + 1.11505 * t15 - 5.41217 * t25 - 7.46628 * t5) / tr,
          (-0.64771 * tau + 2.41539 * t15 - 4.26979 * t25 + 3.25259 * t5) / tr};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Acentric factor from the normal boiling point

bool EstimateAcentricFactor(std::string_view name, double endT, double startT, double Pc) {
  if (!(Pc > 0) || !std::isfinite(Pc) || !std::isfinite(endT) || !std::isfinite(startT)) return false;
  const double step = endT >= startT ? 1.0 : -1.0;
  // A far end would make the scan endless; no boiling point lies that far.
  const double span = std::min(std::round(std::fabs(endT - startT)), double(MaxAcentricScanSteps));
  const int n = std::max(1, int(span));

  // The lookups choose among the datasets of the name; the caller's candidates are kept.
  const CandidateListData callersCandidates = CandidateList;
  ClearCandidateList();
  BuildCandidateList(name, "(*)");
  const int gasRow = FindDataset(name, "(g)", startT);
  const double gasTc = gasRow > 0 ? CurrentDataset.Tc : 0;
  const int liquidRow = FindDataset(name, "(l)", startT);
  const double liquidTc = liquidRow > 0 ? CurrentDataset.Tc : 0;
  CandidateList = callersCandidates;
  // Both phases are needed for a boiling point.
  if (gasRow <= 0 || liquidRow <= 0) return false;
  // The liquid's critical temperature; the gas's when the liquid has none.
  const double Tc = liquidTc > 0 ? liquidTc : gasTc;
  if (!(Tc > 0)) return false;

  // The temperature of the smallest |Gg - Gl| at 1 bar; ties keep the earlier one. A
  // temperature where either phase cannot be evaluated takes no part.
  bool found = false;
  double Tb = startT, smallest = 0;
  for (int i = 0; i <= n; ++i) {
    const double T = startT + i * step;
    bool gasOk = false, liquidOk = false;
    const double Gg = EvaluateSubstanceProperties(gasRow, EosType, 1.0, T, &gasOk);
    const double Gl = EvaluateSubstanceProperties(liquidRow, EosType, 1.0, T, &liquidOk);
    if (!gasOk || !liquidOk) continue;
    const double D = std::fabs(Gg - Gl);
    if (!std::isfinite(D)) continue;
    if (!found || D < smallest) {
      found = true;
      smallest = D;
      Tb = T;
    }
  }
  if (!found) return false;

  // At or above Tc there is no boiling point; at Tr = 0 the functions are undefined.
  const double tau = 1 - Tb / Tc;
  if (!(tau > 0) || !(tau < 1)) return false;
  const AmbroseWaltonTerms f = AmbroseWalton(tau);
  // f2 w^2 + f1 w + (f0 - ln Pr) = 0 with the reduced pressure of 1 bar.
  const double c = f.f0 - std::log(1 / Pc);
  const double disc = f.f1 * f.f1 - 4 * f.f2 * c;
  AcentricFactorEstimate.BoilingPoint = Tb;
  AcentricFactorEstimate.Tc = Tc;
  AcentricFactorEstimate.Discriminant = disc;
  if (!(disc > 0) || f.f2 == 0 || !std::isfinite(disc)) return false;
  const double root = std::sqrt(disc);
  AcentricFactorEstimate.RootA = (root - f.f1) / (2 * f.f2);
  AcentricFactorEstimate.RootB = (-f.f1 - root) / (2 * f.f2);
  AcentricFactorEstimate.Discriminant = 0;
  return true;
}

// ---------------------------------------------------------------------------------------------
// The dialog

TSubstSelDlg::TSubstSelDlg() : Form(nullptr, "SubstSelDlg") {
  SubstSelDlg = this;
  SubstanceAcceptedHook = nullptr;
  SetCaption("Substances");
  SetBounds(0, 0, 520, 177);

  auto* panel = Make<Panel>(this, "PanelTop");
  panel->SetAlign(Align::Top);
  panel->SetBounds(0, 0, 520, 33);
  panel->SetBevelOuter(BevelStyle::None);
  BitBtn1 = Make<BitBtn>(panel, "BitBtn1");
  BitBtn1->SetCaption("Elements");
  BitBtn1->SetBounds(4, 4, 75, 25);
  CbxPhase = Make<ComboBox>(panel, "CbxPhase");
  CbxPhase->SetStyle(ComboStyle::DropDownList);
  CbxPhase->SetBounds(84, 6, 96, 21);
  CbxPhase->Items().Assign({"All Phases", "Gas", "Liquid", "Solid"});
  CbxPhase->SetItemIndex(0);
  CbxEl = Make<ComboBox>(panel, "CbxEl");
  CbxEl->SetStyle(ComboStyle::DropDownList);
  CbxEl->SetBounds(186, 6, 72, 21);
  CbxEl->Items().Add("[all]");
  CbxEl->SetItemIndex(0);
  Button1 = Make<Button>(panel, "Button1");
  Button1->SetCaption("Accept");
  Button1->SetBounds(264, 4, 75, 25);
  BitBtn2 = Make<BitBtn>(panel, "BitBtn2");
  BitBtn2->SetCaption("Close");
  BitBtn2->SetBounds(344, 4, 75, 25);

  LVSubst = Make<ListView>(this, "LVSubst");
  LVSubst->SetAlign(Align::Client);
  LVSubst->SetStyle(ViewStyle::Report);
  LVSubst->SetReadOnly(true);
  LVSubst->SetRowSelect(true);
  LVSubst->SetHideSelection(false);
  for (int c = 0; c < kColumns; ++c) LVSubst->AddColumn(kColumnCaptions[c], kColumnWidths[c]);

  BitBtn1->OnClick = [this](Component*) { BtnElementsClick(); };
  BitBtn2->OnClick = [this](Component*) { BtnCloseClick(); };
  Button1->OnClick = [this](Component*) { LVSubstDblClick(); };
  CbxPhase->OnChange = [this](Component*) { CbxChange(); };
  CbxEl->OnChange = [this](Component*) { CbxChange(); };
  LVSubst->OnDblClick = [this](Component*) { LVSubstDblClick(); };
  LVSubst->OnKeyDown = [this](Component*, int& key, ShiftState) { LVSubstKeyDown(key); };
  LVSubst->OnColumnClick = [this](Component*, int column) { LVSubstColumnClick(column); };
  ranges_.reserve(32);

  DoCreate();
}

TSubstSelDlg::~TSubstSelDlg() {
  DoDestroy();
  // The picker's Accept button does its own work again.
  if (wiredPicker_ && ElementsDlg == wiredPicker_ && wiredPicker_->BtnAccept) {
    TElementsDlg* picker = wiredPicker_;
    picker->BtnAccept->OnClick = [picker](Component*) { picker->ButtonOKClick(); };
  }
  SubstanceAcceptedHook = nullptr;
  if (SubstSelDlg == this) SubstSelDlg = nullptr;
}

void TSubstSelDlg::WireElementFilter() {
  if (!ElementsDlg || !ElementsDlg->BtnAccept) return;
  wiredPicker_ = ElementsDlg;
  ElementsDlg->BtnAccept->OnClick = [this](Component*) { BtnSetClick(); };
}

void TSubstSelDlg::AttachSubstanceTarget(Component* control, int mode) {
  Target = control;
  TargetMode = mode;
  TargetText = control ? control->Text() : std::string();
}

void TSubstSelDlg::PromptElementSelection() {
  if (!ElementsDlg || !ElementsDlg->SelectedElements.empty()) return;
  ElementsDlg->Show();
  ElementsDlg->BringToFront();
}

void TSubstSelDlg::SetCelsius(bool celsius) {
  CelsiusFlag = celsius;
  if (LVSubst->Count() > 0) FillSubstanceList();
}

// --- filling ---------------------------------------------------------------------------------

void TSubstSelDlg::BtnSetClick() {
  if (DatasetTable.DatabaseLoadState != 1) {
    PostLogMessage(LevelError, SubstanceDatabaseNotDefinedId, "Database is not defined !");
    return;
  }
  if (ElementsDlg) ElementsDlg->ApplyElementSelection();
  const int old = CbxEl->ItemIndex();
  const std::string remembered = old >= 0 && old < CbxEl->Items().Count() ? CbxEl->Items()[old] : std::string();
  CbxEl->Items().Clear();
  CbxEl->Items().Add("[all]");
  if (ElementsDlg)
    for (const std::string& symbol : ElementsDlg->SelectedElements) CbxEl->Items().Add(Trim(symbol));
  int index = 0;
  for (int i = 0; i < CbxEl->Items().Count(); ++i)
    if (CbxEl->Items()[i] == remembered) {
      index = i;
      break;
    }
  CbxEl->SetItemIndex(index);
  FillSubstanceList();
}

void TSubstSelDlg::CbxChange() { FillSubstanceList(); }

void TSubstSelDlg::FillSubstanceList() {
  RunStateScope busy(RunState::Waiting);
  if (TDynOprtWnd) TDynOprtWnd->RefreshDatabase();
  static const char* const kLetters[] = {"*", "g", "l", "s"};
  const int phase = CbxPhase->ItemIndex();
  const char* letter = phase >= 1 && phase <= 3 ? kLetters[phase] : "*";
  const int el = CbxEl->ItemIndex();
  ElementFilter = el >= 1 && el < CbxEl->Items().Count() ? Trim(CbxEl->Items()[el]) : std::string();
  // A symbol is compared with its blank, so "C" does not find "Cl".
  const std::string needed = ElementFilter.empty() ? std::string() : ElementFilter + " ";
  if (ElementsDlg) SetSelectedElements(&ElementsDlg->SelectedElements);

  // The list shows the present selection only: entries of elements no longer chosen go.
  LVSubst->Clear();
  ranges_.clear();
  std::unordered_map<std::string, ListItem*> byKey;
  // Row 0 is the header line of the database.
  for (int row = 1; row < DatasetCount(); ++row) {
    if (!MadeOfSelectedElements(row, letter, needed)) continue;
    const std::string key = DatasetTable.Text(row, FieldName) + " " + DatasetTable.Text(row, FieldPhase);
    const double tmin = DatasetTable.Value(row, FieldTmin), tmax = DatasetTable.Value(row, FieldTmax);
    auto found = byKey.find(key);
    if (found != byKey.end()) {
      ListItem* item = found->second;
      EntryRange& range = ranges_[std::size_t(item->Data())];
      if (!range.Seen) {
        range = {tmin, tmax, true};
      } else {
        if (tmin < range.Tmin) range.Tmin = tmin;
        if (tmax > range.Tmax) range.Tmax = tmax;
      }
      item->SetSubItem(TextInterval, IntervalText(range.Tmin, range.Tmax));
      if (Trim(item->SubItem(TextComment)).empty())
        item->SetSubItem(TextComment, DatasetTable.Text(row, FieldComment));
      continue;
    }
    ListItem* item = LVSubst->Add();
    item->SetCaption(key);
    item->AddSubItem(DatasetTable.Text(row, FieldDescription));
    item->AddSubItem(IntervalText(tmin, tmax));
    item->AddSubItem(DatasetTable.Text(row, FieldComment));
    // padded, so that row numbers sort as text
    item->AddSubItem(PadLeft(DatasetTable.Text(row, FieldRow), 4));
    item->SetData(std::intptr_t(ranges_.size()));
    ranges_.push_back({tmin, tmax, true});
    byKey.emplace(key, item);
  }
}

std::string TSubstSelDlg::IntervalText(double tmin, double tmax) const {
  if (CelsiusFlag) return FloatToShortText(tmin - kCelsius) + "< T[C] <" + FloatToShortText(tmax - kCelsius);
  return FloatToShortText(tmin) + "< T[K] <" + FloatToShortText(tmax);
}

bool TSubstSelDlg::EntryInterval(const ListItem* item, double& tmin, double& tmax) const {
  if (!item || LVSubst->IndexOf(item) < 0) return false;
  const std::intptr_t i = item->Data();
  if (i < 0 || std::size_t(i) >= ranges_.size()) return false;
  tmin = ranges_[std::size_t(i)].Tmin;
  tmax = ranges_[std::size_t(i)].Tmax;
  return true;
}

// --- accepting -------------------------------------------------------------------------------

void TSubstSelDlg::LVSubstDblClick() {
  if (!Target) return;
  const ListItem* item = LVSubst->Selected();
  if (!item) return;
  const std::string name = item->Caption();
  if (TargetMode == 1) {
    Target->SetText(name);
    if (SubstanceAcceptedHook) SubstanceAcceptedHook();
    return;
  }
  const std::string text = Trim(Target->Text());
  if (text.empty())
    Target->SetText(name);
  else if (EndsWithChar(text, '=') || EndsWithChar(text, '+'))
    Target->SetText(text + " " + name);
  else
    Target->SetText(text + " + " + name);
}

void TSubstSelDlg::LVSubstKeyDown(int& key) {
  if (key == Key::Escape) {
    key = 0;
    BtnCloseClick();
  } else if (key == Key::Enter) {
    key = 0;
    LVSubstDblClick();
  }
}

// --- sorting ---------------------------------------------------------------------------------

void TSubstSelDlg::LVSubstColumnClick(int column) {
  if (column < 0 || column >= kColumns) return;
  SortColumn = column;
  LVSubst->CustomSort([this](const ListItem* a, const ListItem* b) { return LVSubstCompare(a, b); });
}

int TSubstSelDlg::LVSubstCompare(const ListItem* a, const ListItem* b) const {
  const int column = std::clamp(SortColumn, 0, kColumns - 1);
  return CompareTextNoCase(a->ColumnText(column), b->ColumnText(column));
}

// --- buttons ---------------------------------------------------------------------------------

void TSubstSelDlg::BtnElementsClick() {
  if (!ElementsDlg) return;
  ElementsDlg->Show();
  ElementsDlg->BringToFront();
}

void TSubstSelDlg::BtnMsgClick() {
  if (AplMsgWnd) AplMsgWnd->ShowInFront();
}

void TSubstSelDlg::BtnCloseClick() { Close(); }

void ShowSubstanceSelection() {
  if (!SubstSelDlg) return;
  SubstSelDlg->Show();
  SubstSelDlg->BringToFront();
  SubstSelDlg->PromptElementSelection();
}

}  // namespace quorel
