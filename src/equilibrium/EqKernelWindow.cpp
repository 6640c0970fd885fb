// The "Equilibrium - Calculation Criteria" window of the solver.
#include <algorithm>
#include <cmath>
#include <limits>

#include "equilibrium/EqKernel.h"
#include "platform/Services.h"
#include "shared/PTools.h"

namespace quorel {

TEqlKernel* EqlKernel = nullptr;

const char* const IterationLimitHint =
    "Largest number of steps of the estimate (I) and of the final loop (F); each Newton step counts as one "
    "step of its loop";

namespace {
constexpr int kDefaultLimit = 98000;
constexpr Extended kDefaultPrecision = 0.01L;
constexpr Extended kDefaultThreshold = 1e-23L;
}  // namespace

TEqlKernel::TEqlKernel() : platform::Form(nullptr, "EqlKernel") {
  using namespace platform;
  SetCaption("Equilibrium - Calculation Criteria");
  SetBorderStyle(BorderStyle::Dialog);
  SetPosition(FormPosition::ScreenCenter);
  SetKeyPreview(true);
  SetBounds(0, 0, 305, 330);

  GBOptions = Make<GroupBox>(this, "GBOptions");
  GBOptions->SetCaption("Calculation Options");
  GBOptions->SetAlign(Align::Top);
  GBOptions->SetBounds(0, 0, 305, 150);
  LabelILimit = Make<Label>(GBOptions, "LabelILimit");
  LabelILimit->SetCaption("lIter.Limit");
  LabelILimit->SetBounds(8, 20, 150, 13);
  EditILimit = Make<Edit>(GBOptions, "EditILimit");
  EditILimit->SetBounds(192, 16, 100, 21);
  // what the counters of the status text ("Steps: 1: I(f); 2: F(f); P: n") count
  for (Component* c : std::initializer_list<Component*>{LabelILimit, EditILimit}) {
    c->SetHint(IterationLimitHint);
    c->SetShowHint(true);
  }
  LabelPrec = Make<Label>(GBOptions, "LabelPrec");
  LabelPrec->SetCaption("Precision");
  LabelPrec->SetBounds(8, 44, 150, 13);
  EditPrec = Make<Edit>(GBOptions, "EditPrec");
  EditPrec->SetBounds(192, 40, 100, 21);
  LabelApprFactor = Make<Label>(GBOptions, "LabelApprFactor");
  LabelApprFactor->SetCaption("Appr.Factor");
  LabelApprFactor->SetBounds(8, 68, 150, 13);
  EditApprFactor = Make<Edit>(GBOptions, "EditApprFactor");
  EditApprFactor->SetBounds(192, 64, 100, 21);
  CBAutoIfa = Make<CheckBox>(GBOptions, "CBAutoIfa");
  CBAutoIfa->SetCaption("Auto Appr. Factor");
  CBAutoIfa->SetBounds(8, 90, 150, 17);
  LabelZero = Make<Label>(GBOptions, "LabelZero");
  LabelZero->SetCaption("Ignore mol values less than [mol]  <");
  LabelZero->SetBounds(8, 118, 180, 13);
  EdtZero = Make<Edit>(GBOptions, "EdtZero");
  EdtZero->SetBounds(192, 114, 100, 21);

  GBExtend = Make<GroupBox>(this, "GBExtend");
  GBExtend->SetCaption("Extended Options (Beta)");
  GBExtend->SetAlign(Align::Client);
  GBExtend->SetBounds(0, 150, 305, 180);
  CbxFast = Make<CheckBox>(GBExtend, "CbxFast");
  CbxFast->SetCaption("Fast Iteration");
  CbxFast->SetBounds(8, 20, 280, 17);
  CBAutoCorr = Make<CheckBox>(GBExtend, "CBAutoCorr");
  CBAutoCorr->SetCaption("Auto Correction");
  CBAutoCorr->SetBounds(8, 42, 280, 17);
  CBMaxEntropy = Make<CheckBox>(GBExtend, "CBMaxEntropy");
  CBMaxEntropy->SetCaption("Turbulent System (High Entropy)");
  CBMaxEntropy->SetBounds(8, 64, 280, 17);
  LabelPhaseCheck = Make<Label>(GBExtend, "LabelPhaseCheck");
  LabelPhaseCheck->SetCaption("Calc. Check");
  LabelPhaseCheck->SetBounds(8, 92, 90, 13);
  EditPhaseCheck = Make<Edit>(GBExtend, "EditPhaseCheck");
  EditPhaseCheck->SetBounds(160, 88, 50, 21);
  UpPhaseCheck = Make<UpDown>(GBExtend, "UpPhaseCheck");
  UpPhaseCheck->SetBounds(210, 88, 16, 21);
  UpPhaseCheck->SetRange(1, 100);
  UpPhaseCheck->SetAssociate(EditPhaseCheck);
  UpPhaseCheck->SetPosition(1);
  ButtonClose = Make<Button>(GBExtend, "ButtonClose");
  ButtonClose->SetCaption("Close");
  ButtonClose->SetBounds(115, 130, 75, 25);

  // defaults
  EditILimit->SetText("98000");
  EditPrec->SetText("0.01");
  EditApprFactor->SetText("0.98");
  EditApprFactor->SetEnabled(false);
  EdtZero->SetText("1e-23");
  CbxFast->SetChecked(false);
  CBAutoCorr->SetChecked(false);
  CBMaxEntropy->SetChecked(true);
  CBAutoIfa->SetChecked(true);
  Criteria.ignoreThreshold = kDefaultThreshold;
  Criteria.approximationFactor = 0.987654321L;  // until the first ReadCriteria
  TakeCheckBoxes();

  EditILimit->OnChange = [this](Component*) { EditILimitChange(); };
  EditApprFactor->OnChange = [this](Component*) { TakeFactorField(); };
  CBAutoIfa->OnClick = [this](Component*) { CBAutoIfaClick(); };
  CbxFast->OnClick = [this](Component*) { CbxFastClick(); };
  CBAutoCorr->OnClick = [this](Component*) { TakeCheckBoxes(); };
  CBMaxEntropy->OnClick = [this](Component*) { TakeCheckBoxes(); };
  UpPhaseCheck->OnClick = [this](Component*) { TakeCheckBoxes(); };
  EdtZero->OnExit = [this](Component*) { EdtZeroExit(); };
  ButtonClose->OnClick = [this](Component*) { Close(); };
  OnResize = [this](Component*) { FormResize(); };
  OnKeyDown = [this](Component*, int& key, ShiftState) { FormKeyDown(key); };

  SetHost(this);
  EqlKernel = this;
  FormResize();
}

TEqlKernel::~TEqlKernel() {
  SetHost(nullptr);
  if (EqlKernel == this) EqlKernel = nullptr;
}

void TEqlKernel::TakeCheckBoxes() {
  Criteria.fastIteration = CbxFast->Checked();
  Criteria.autoCorrection = CBAutoCorr->Checked();
  Criteria.turbulentSystem = CBMaxEntropy->Checked();
  Criteria.autoApprFactor = CBAutoIfa->Checked();
  int passes = 0;
  if (!ParseInteger(EditPhaseCheck->Text(), passes) || passes < 1) passes = UpPhaseCheck->Position();
  Criteria.phaseCheckPasses = std::max(1, passes);
}

void TEqlKernel::TakeFactorField() {
  Extended f = 0;
  Criteria.approximationFactorField =
      ParseExtended(EditApprFactor->Text(), f) ? f : std::numeric_limits<Extended>::quiet_NaN();
}

void TEqlKernel::ReadCriteria(const SystemConditions& conditions) {
  int limit = 0;
  Criteria.iterationLimit = ParseInteger(EditILimit->Text(), limit) ? limit : kDefaultLimit;
  Extended prec = 0;
  if (!ParseExtended(EditPrec->Text(), prec) || !(prec > 0) || prec >= 1) prec = kDefaultPrecision;
  Criteria.precision = prec;
  TakeFactorField();
  Extended zero = 0;
  if (!ParseExtended(EdtZero->Text(), zero) || zero < 0) zero = kDefaultThreshold;
  if (zero > 1) zero = 1;
  Criteria.ignoreThreshold = zero;
  TakeCheckBoxes();
  EqlSolver::ReadCriteria(conditions);
}

void TEqlKernel::EditILimitChange() {
  if (CbxFast->Checked()) {
    EditApprFactor->SetText("0.5");
  } else if (CBAutoIfa->Checked()) {
    int n = 0;
    if (!ParseInteger(EditILimit->Text(), n)) n = 43000;
    Extended f = static_cast<Extended>(n) / 100000.0L * 0.5L + 0.5L;
    if (f >= 0.98L) f = 0.98L;
    if (f < 0.5L) f = 0.5L;
    EditApprFactor->SetText(FormatExtended(f));
  }
  TakeFactorField();
}

void TEqlKernel::CBAutoIfaClick() {
  EditApprFactor->SetEnabled(!CBAutoIfa->Checked());
  TakeCheckBoxes();
  EditILimitChange();
}

void TEqlKernel::CbxFastClick() {
  TakeCheckBoxes();
  if (CbxFast->Checked()) {
    EditApprFactor->SetText("0.5");
    TakeFactorField();
  } else {
    EditILimitChange();
  }
}

void TEqlKernel::EdtZeroExit() {
  Extended zero = 0;
  if (!ParseExtended(EdtZero->Text(), zero) || zero < 0 || zero > 1) {
    Criteria.ignoreThreshold = kDefaultThreshold;
    EdtZero->SetText("1e-23");
  }
}

void TEqlKernel::FormResize() {
  const int left = (GBExtend->ClientWidth() - ButtonClose->Width()) / 2;
  ButtonClose->SetLeft(left > 0 ? left : 0);
}

void TEqlKernel::FormKeyDown(int& key) {
  using namespace platform;
  if (key == Key::Escape) {
    key = 0;
    Close();
  } else if (key == Key::Enter) {
    Component* focused = ActiveControl();
    if (!dynamic_cast<Button*>(focused)) {
      key = 0;
      Close();
    }
  }
}

void TEqlKernel::ProcessPendingEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (PumpIntervalMicroseconds > 0 && now - lastPump_ < std::chrono::microseconds(PumpIntervalMicroseconds)) return;
  lastPump_ = now;
  platform::ProcessMessages();
}

// The iteration switched Fast Iteration off: the box is unchecked as the user would, which also
// sets the factor field again.
void TEqlKernel::FastIterationSwitchedOff() {
  CbxFast->SetChecked(false);
  CbxFastClick();
}

}  // namespace quorel
