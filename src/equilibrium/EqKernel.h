// The equilibrium solver of Orvanto and its "Equilibrium - Calculation Criteria" window.
//
// The solver minimises the Gibbs energy of a closed system by the element-potential method:
// every component (element) k has a Lagrange multiplier lambda_k, every species j follows from
// them as ln a_j = ln w_j + sum_k a_jk lambda_k (w_j = exp(-G0_j / RT), G0 of a gas taken at
// the standard pressure of 1 bar), and the potentials are corrected until the output of every
// element matches its input. The activity of a gas is its fugacity in bar; the gas fugacities
// sum to the system pressure, so the mass-action law holds at every pressure and in both the
// constant-pressure and the constant-volume mode.
//
// Each phase slot is one ideal phase of its species (a gas at the pressure, or in the volume, of
// the system; a liquid or solid solution), and every forced species is a pure phase of its own.
// The element-potential steps make the first estimate; a Newton iteration on the potentials and
// the amounts of the present phases finishes it (EqKernelNewton.cpp), with the phases coming and
// going by the usual stability test, and every result is checked before it counts as a success.
//
// `EqlSolver` holds all of the numerical state and runs with no window: it reads its settings
// from a plain `CalculationCriteria` record, posts through the message log and lets pending
// events run through a small `SolverHost` (tests and benchmarks pass none or their own).
// `TEqlKernel` is the criteria window; it derives from the solver, so the calculation run drives
// the one object: LoadSystem, AddSpecies (and ForceSpecies) per phase row, ReadCriteria,
// CalcEquilibrium, then the result accessors.
//
// Every real number of the solver is an 80-bit extended float; per-species and per-component
// indices are 1-based (index 0 holds nothing).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Components.h"

namespace quorel {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "the solver needs the 80-bit extended float (64-bit mantissa)");
static_assert(std::numeric_limits<long double>::max_exponent10 >= 4932,
              "the solver's exponent guard needs the extended exponent range");

using Extended = long double;

constexpr int MaxSolverComponents = 255;
constexpr int MaxSolverSpecies = 2048;
constexpr int PhaseSlots = 8;  // 1-2 gas, 3-5 liquid, 6-8 solid
constexpr Extended SolverGasConstant = 8.3143L;  // J/(mol K)

// System conditions handed to ReadCriteria. A named record, so that no argument can be swapped.
struct SystemConditions {
  int mode = 0;                 // 0 constant pressure; 1 or 2 constant volume of gas slot 1 or 2
  Extended temperature = 0;     // K
  Extended pressure = 1;        // bar: the pressure at which the species' properties were evaluated
  Extended volume = 0;          // m3, the gas volume in the constant-volume mode
};

// The settings of the calculation, edited by the criteria window. The iteration changes some of
// them during a call (raised limit, raised factor, Fast Iteration switched off); ReadCriteria
// reads them again from the window before the next call.
struct CalculationCriteria {
  int iterationLimit = 98000;                  // "Iter.Limit"
  Extended precision = 0.01L;                  // "Precision": the balance band 1 +- Precision
  Extended approximationFactor = 0.987654321L; // the factor the loops work with
  // The number in the "Appr.Factor" field, read at each start of IterateToBalance; NaN when
  // the field holds no number.
  Extended approximationFactorField = 0.98L;
  Extended ignoreThreshold = 1e-23L;           // mol; smaller amounts count as none
  bool fastIteration = false;                  // "Fast Iteration"
  bool autoCorrection = false;                 // "Auto Correction"
  bool turbulentSystem = true;                 // "Turbulent System (High Entropy)"
  bool autoApprFactor = true;                  // "Auto Appr. Factor"
  int phaseCheckPasses = 1;                    // "Calc. Check": passes of CondensedPhaseCheck
  std::uint8_t elementsAutoSelected = 0;       // set when CalcEquilibrium selected an element
};

// One phase row handed to AddSpecies. A named record for the same reason as SystemConditions.
struct SpeciesRow {
  int slot = 1;                    // phase slot 1..8
  std::string name;                // dataset name
  Extended reactingFraction = 1;   // share of the input taking part, clipped to [0, 1]
  bool active = true;
  Extended activityCoefficient = 1;  // activity or fugacity coefficient; must be > 0
  Extended inputAmount = 0;        // mol
  Extended enthalpy = 0;           // H at the system temperature, J/mol
  Extended gibbsEnergy = 0;        // G at the system temperature and pressure, J/mol (for a gas
                                   // the pressure term R T ln P included)
  std::string formula;             // composition with explicit counts, e.g. "C1O2"
  std::string phase;               // phase text, e.g. "(g)"
};

// What the solver needs from its surroundings while it runs.
class SolverHost {
 public:
  virtual ~SolverHost() = default;
  // Lets pending window events run once. A second press of "Calculation" handled here sets
  // the solver's SolverBreakFlag, which the loops test right after the call.
  virtual void ProcessPendingEvents() {}
  // The iteration switched Fast Iteration off; the window unchecks its box.
  virtual void FastIterationSwitchedOff() {}
};

// Step counters of one CalcEquilibrium call.
struct SolverCounters {
  long P = 0;        // steps of the constant-pressure normalisation (reset per step)
  long I = 0;        // steps of the estimate
  long F = 0;        // steps of the final loop
  long V = 0;        // steps of the volume loop (reset per step)
  long largestP = 0; // largest P seen
  long steps = 0;    // every loop step of the call (estimate, final loops, retries)
  long pumps = 0;    // event pumps of the call
  long passes = 0;   // evaluation passes over the species (normalisation steps included)
  long newton = 0;   // Newton steps of the call (each also counted as one I or F step)
};

// Number to text in the general float format with '.' as the decimal point.
std::string FormatExtended(Extended x);
// Trims, turns ',' into '.', completes a trailing '.', drops blanks and converts.
bool ParseExtended(std::string_view text, Extended& value);
// Trims and converts a decimal integer.
bool ParseInteger(std::string_view text, int& value);

class EqlSolver {
 public:
  explicit EqlSolver(SolverHost* host = nullptr);
  virtual ~EqlSolver();
  EqlSolver(const EqlSolver&) = delete;
  EqlSolver& operator=(const EqlSolver&) = delete;

  void SetHost(SolverHost* host) { host_ = host; }
  SolverHost* Host() const { return host_; }

  CalculationCriteria Criteria;
  // Set by the calculation run when the user asks to stop; cleared by LoadSystem.
  std::uint8_t SolverBreakFlag = 0;

  // ---- loading ----
  // Empties the solver and takes the element selection (one byte per periodic-table element,
  // index 0..LastElementIndex); maxComponents bounds the component count (at most 255).
  void LoadSystem(std::span<const std::uint8_t> selectionFlags, int maxComponents);
  // Adds one phase row; returns the species index (>= 1), or 0 when the row is refused.
  int AddSpecies(const SpeciesRow& row);
  // Marks an active species as forced (a pure condensed phase held at activity 1).
  void ForceSpecies(int index);
  // Stores the conditions and checks the criteria record (out-of-range values fall back).
  virtual void ReadCriteria(const SystemConditions& conditions);

  // ---- solving ----
  // 1 success; 0 stopped before the estimate; -1 input refused or estimate failed; -32
  // iteration failed (FailureText says why).
  int CalcEquilibrium();

  int EstimateSystem();
  int IterateToBalance(int first, int last, Extended target);
  bool StepConstPressure(int first, int last, Extended target);
  bool StepConstVolume(int first, int last, Extended volume);
  void UpdatePotentials();
  int CheckElementBalance();
  void CheckElementSupply(int code);
  bool RetryWithSteps();
  void DistributeProducts();
  // Returns false when a re-iteration of the check failed.
  bool CondensedPhaseCheck();
  // The checks every result passes before it counts as a success, each within Precision: the
  // element balance, the closure of every present phase, the chemical potential of every
  // species against the sum of its elements' potentials, and the sum of every absent phase.
  // Posts the first failure (IDs 1403 to 1406) and returns false.
  bool VerifyResult();

  // ---- system as loaded ----
  int SpeciesCount() const { return speciesCount_; }
  int SlotSpeciesCount(int slot) const;
  int SlotFirst(int slot) const;  // first species of the slot (end[slot-1] + 1)
  int SlotLast(int slot) const;   // end[slot]
  int ComponentCount() const { return componentCount_; }
  int ComponentElement(int k) const;
  int ReferenceComponent() const { return reference_; }
  Extended InputElementTotal(int k) const;
  Extended MatrixEntry(int j, int k) const;
  const std::string& SpeciesName(int j) const;          // "Substances:" list
  const std::string& SpeciesNameWithPhase(int j) const; // "Substance (ph):" list
  const std::string& SpeciesFormula(int j) const;       // "MolDef:" list
  const std::vector<std::string>& SubstanceList() const { return names_; }
  const std::vector<std::string>& SubstancePhaseList() const { return namesPh_; }
  const std::vector<std::string>& MolDefList() const { return formulas_; }
  int SpeciesSlot(int j) const;
  Extended InputAmount(int j) const;
  Extended ReactingFraction(int j) const;
  Extended ReactingInput(int j) const;
  Extended SpeciesG0(int j) const;
  Extended SpeciesH(int j) const;
  Extended ActivityCoefficient(int j) const;
  Extended ScaleFactor(int j) const;
  Extended PhaseFraction(int j) const;  // the solver's unknown y
  bool SpeciesForced(int j) const;
  bool PartialReaction() const { return partialReaction_; }
  // "1: <I>(<f>); 2: <F>(<f>); P: <largest P>", shown after "Steps: ".
  const std::string& StatusText() const { return statusText_; }
  const std::string& FailureText() const { return failureText_; }
  void ClearFailureText() { failureText_.clear(); }
  const SolverCounters& Counters() const { return counters_; }
  const SystemConditions& Conditions() const { return conditions_; }
  Extended PressureEstimate() const { return pressureEstimate_; }
  Extended ExponentGuard() const { return exponentGuard_; }
  int NormalisingSlot() const { return normalisingSlot_; }
  // The next solve starts from the estimate, not from the last solution of the same system.
  void ForgetLastSolution() { last_.valid = false; }
  // True while the potentials are those of a converged Newton solution.
  bool NewtonSolution() const { return newtonValid_; }
  // Whether species j belongs to a phase that is present in that solution.
  bool SpeciesInPresentPhase(int j) const;

  std::string ComponentLabel(int k) const;   // k-th selected element: "Fe(Fe)"
  std::uint8_t ElementSelected(int e) const;

  // ---- results ----
  Extended ProductAmount(int j) const;
  Extended MoleFraction(int j) const;
  Extended TotalProductAmount() const { return totalProduct_; }
  Extended SlotProductTotal(int slot) const;
  bool ProductsDistributed() const { return productsDistributed_; }
  bool BalanceComputed() const { return balanceComputed_; }
  Extended ProductsEnthalpy() const { return productsH_; }   // J
  Extended ProductsEntropy() const { return productsS_; }    // J/K
  Extended ProductsGibbsEnergy() const { return productsG_; } // J
  Extended ProductsEnthalpyPerMol() const { return productsHm_; }
  Extended ProductsEntropyPerMol() const { return productsSm_; }
  Extended ProductsGibbsEnergyPerMol() const { return productsGm_; }

  int ComponentIndexOfElement(int e) const;
  Extended SpeciesMass(int j) const;
  Extended SpeciesActivity(int j) const;  // fugacity in bar for a gas species
  int SpeciesState(int j) const;          // 1 active, 0 inactive, -1 excluded
  std::string PressureHint(int slot) const;
  Extended LagrangeGibbsEnergy() const;
  Extended ReactionGibbsEnergy() const;
  Extended ReactionEnthalpy() const;
  Extended SystemEntropy() const;
  Extended PhaseEnthalpy(int slot) const;
  Extended PhaseGibbsEnergy(int slot) const;
  Extended PhaseEntropy(int slot) const;
  Extended PhaseActivitySum(int slot) const;
  Extended GetElementPotential(int k) const;
  void CalcEnthalpyBalance();

 protected:
  // Called when the iteration switches Fast Iteration off.
  void SwitchFastIterationOff();

 private:
  bool ValidSpecies(int j) const { return j >= 1 && j <= speciesCount_; }
  bool ValidSlot(int p) const { return p >= 1 && p <= PhaseSlots; }
  static bool IsGasSlot(int p) { return p == 1 || p == 2; }
  bool EvaluateSpecies(int j);
  void RefreshPotentialFactors();
  bool Pump();  // true when the user asked to stop
  void RefreshSpeciesFactors(int j);
  bool TakesPart(int k) const;
  bool IterateNormalising(Extended target);
  // 0 when every present phase is closed and every absent one stable within tol; else the ID
  // of the first failure (1404 closure, 1406 stability) and its text.
  int PhaseCheckFailure(Extended tol, std::string& text);
  std::string LimitHint() const;
  const std::string& FactorText(Extended f);
  std::string factorText_;
  Extended factorTextValue_ = 0;
  int lambdaHigh_ = MaxSolverComponents;  // highest potential set since the last LoadSystem
  std::string CounterText(char first) const;
  // The share of the amounts that a species' phase fraction y stands for: the amount factor of
  // its phase in a Newton solution (0 for an absent phase), 1 otherwise.
  Extended AmountFactor(int j) const { return newtonValid_ ? nu_[j] : 1.0L; }
  void SetSpeciesState(int j, int state);
  void ParseFormula(int j, const std::string& formula);

  // ---- phases and the Newton finish (EqKernelNewton.cpp) ----
  static constexpr int kNewtonUnknowns = 600;  // a larger system stays with the specified steps
  enum class NewtonOutcome { Converged, Stalled, Stopped };
  enum PhaseKind : std::uint8_t { kGasAtPressure, kGasInVolume, kGasBesideVolume, kCondensed, kPure };
  struct SolverPhase {
    int key = 0;         // slot 1..8, or PhaseSlots + species index for a forced species
    PhaseKind kind = kCondensed;
    int first = 0;       // members_[first .. first + count - 1]
    int count = 0;
    bool present = false;
    Extended mu = 0;     // ln of the amount factor: n_j = exp(mu + ln y_j)
    // at the last evaluation
    Extended sumA = 0, sumY = 0, sumN = 0;  // activities, phase fractions, amounts
    Extended lnSumA = 0, lnSumY = 0, lnSumN = 0;  // their logarithms, free of underflow
    Extended lnQ = 0;    // ln of the stability sum (1 when closed)
  };
  static constexpr long kNewtonRetrySteps = 200;
  void ScheduleNewton();
  bool RunNewtonFinish(bool estimate);
  void BuildPhases();
  NewtonOutcome NewtonFinish(bool estimate);
  NewtonOutcome NewtonFinishFrom(bool estimate);
  NewtonOutcome NewtonIterate(bool estimate, bool& stalled);
  bool InteriorPointPhases(bool estimate, NewtonOutcome& stop);
  bool CountNewtonStep(bool estimate, NewtonOutcome& stop);
  void EvaluatePhases(const Extended* lambda);
  Extended NewtonResidual(bool jacobian);
  Extended PhaseTarget(const SolverPhase& q) const;
  void AcceptNewtonSolution();
  void StartAmounts(SolverPhase& q, Extended amount);
  void StartFromInput(SolverPhase& q);

  SolverHost* host_ = nullptr;

  // selection and components
  std::vector<std::uint8_t> selection_;
  int maxComponents_ = MaxSolverComponents;
  int componentCount_ = 0;
  int reference_ = 0;
  std::array<int, MaxSolverComponents + 1> componentElement_{};
  std::array<Extended, MaxSolverComponents + 1> b_{};
  std::array<Extended, MaxSolverComponents + 1> lambda_{};
  std::array<Extended, MaxSolverComponents + 1> delta_{};
  std::array<int, MaxSolverComponents + 1> direction_{};
  std::array<Extended, MaxSolverComponents + 1> ratio_{};
  std::array<std::uint8_t, MaxSolverComponents + 1> balanced_{};
  std::array<Extended, MaxSolverComponents + 1> output_{};

  // species (index 0 unused)
  int speciesCount_ = 0;
  int loadedHigh_ = 0;  // highest species index written since the last LoadSystem
  std::vector<std::string> names_, namesPh_, formulas_;
  std::vector<int> slot_;
  std::vector<Extended> input_, fraction_, reactingInput_, product_, moleFraction_, g0_, g0std_,
      h_, y_, gamma_, scale_, lnw_, lnGamma_, lnGammaScale_, invGammaScale_, activity_, atoms_;
  std::vector<int> active_;
  std::vector<std::uint8_t> forced_;

  // element matrix: dense (species x components) and the non-zero entries per species
  std::vector<Extended> matrix_;
  int matrixStride_ = 1;
  std::vector<int> nzStart_;
  std::vector<int> nzComponent_;
  std::vector<Extended> nzValue_;
  std::vector<int> nzPower_;             // the entry as a small whole number, 0 when it is none
  std::vector<std::uint8_t> wholeRow_;   // every entry of the species is a small whole number
  std::vector<Extended> weight_;         // w = exp(ln w), kept beside ln w
  static constexpr int kMaxPower = 16;
  // exp(lambda_k)^p for p = 0..kMaxPower, refreshed with the potentials
  std::vector<std::array<Extended, kMaxPower + 1>> powerTable_;
  int maxPower_ = 0;                     // largest whole-number entry of the system
  Extended lambdaBound_ = 0;             // largest |lambda_k| at the last refresh
  std::array<Extended, MaxSolverComponents + 1> tabledLambda_{};  // lambda_k of the table row
  int tabledPower_ = 0;                  // powers the table rows hold
  // The last accepted normalisation, to start the next one from a first-order prediction:
  // range and target, S, the mean atoms per species, sum over the range of a_j a_jk, lambda.
  bool normValid_ = false;
  int normFirst_ = 0, normLast_ = 0;
  Extended normTarget_ = 0, normS_ = 0, normAtoms_ = 0;
  std::array<Extended, MaxSolverComponents + 1> normWeight_{};
  std::array<Extended, MaxSolverComponents + 1> normLambda_{};
  std::vector<Extended> atomTotal_;      // sum of the entries of each species
  // The formula of each row read once (element index, count), from a cache over the formulas
  // seen, which lives as long as the element table is the same.
  std::vector<int> formulaStart_;
  std::vector<int> formulaElement_;
  std::vector<Extended> formulaCount_;
  struct ParsedFormula {
    std::vector<int> elements;
    std::vector<Extended> counts;
  };
  std::unordered_map<std::string, ParsedFormula> formulaCache_;
  std::vector<std::string> formulaSymbols_;  // the element symbols the cache was read with
  std::array<int, 256> firstSpeciesOf_{};    // first species that holds the element (automatic selection)
  std::array<int, 256> componentOfElement_{};
  std::vector<std::array<int, PhaseSlots + 1>> elementInSlot_;

  // phases and the Newton finish
  std::vector<SolverPhase> phases_;      // phaseCount_ used
  int phaseCount_ = 0;
  std::vector<int> members_;             // species of the phases, phase by phase
  std::vector<int> phaseOf_;             // phase of each species, -1 none
  std::vector<Extended> nu_;             // amount factor of each species' phase
  std::vector<Extended> lnA_, lnY_, amount_;  // Newton's view of every species
  std::vector<Extended> weightA_, weightY_;   // its share in its phase's sum of a and of y
  std::vector<std::uint8_t> keyPresent_; // presence of the phase with each key in the last solution
  std::vector<Extended> keyAmount_;      // its amount
  bool keysKnown_ = false;               // a Newton solution of this call set the keys
  Extended lnTarget_ = 0;                // ln of the pressure a gas at pressure is closed at
  Extended lnVolumeFactor_ = 0;          // ln(R T / (1e5 V))
  bool newtonValid_ = false;
  int newtonComps_ = 0;
  std::array<int, MaxSolverComponents + 1> newtonComp_{};   // Newton column -> component
  std::array<int, MaxSolverComponents + 1> newtonCol_{};    // component -> Newton column, -1
  std::vector<int> presentList_;         // present phases in unknown order
  std::vector<Extended> jac_, res_, step_, work_;
  std::vector<int> pivRow_, pivCol_;
  std::vector<Extended> ipGrad_, ipHess_, ipV_, ipS_, ipEta_, ipDs_, ipDeta_, ipG_;
  std::array<Extended, MaxSolverComponents + 1> bestLambda_{};
  // The last verified solution: the start of the next solve of the same species in the same
  // phases (the adiabatic search and the variation solve one system at many conditions). It is
  // a start only: the solve converges to the same result from any start.
  struct LastSolution {
    bool valid = false;
    std::size_t signature = 0;
    std::vector<Extended> lambda;          // by periodic-table element
    Extended temperature = 0;
    std::vector<Extended> lnY, share;      // by species: ln y and the share of the amounts
    std::vector<std::uint8_t> present;     // by phase key
    std::vector<Extended> amount;
  };
  LastSolution last_;
  std::size_t systemSignature_ = 0;
  std::size_t SystemSignature() const;
  void KeepSolution();
  bool StartFromLast();
  long newtonStallSteps_ = 0;           // specified steps since Newton last gave up
  bool newtonDue_ = false;
  int newtonAttempts_ = 0;
  std::vector<Extended> sLimit_;         // s above this passes one of the exponent guards

  // slots
  std::array<int, PhaseSlots + 1> slotCount_{};
  std::array<int, PhaseSlots + 1> slotEnd_{};
  std::array<std::uint8_t, PhaseSlots + 1> hasSpecies_{};
  std::array<std::uint8_t, PhaseSlots + 1> candidate_{};
  std::array<Extended, PhaseSlots + 1> slotTotal_{};
  std::array<std::string, 3> pressureHint_;
  int normalisingSlot_ = 1;

  // conditions and iteration state
  SystemConditions conditions_;
  Extended evaluationPressure_ = 1;
  Extended pressureEstimate_ = 1;
  Extended exponentGuard_ = 0;
  Extended initialDivisor_ = 2;
  long raiseThreshold_ = 1000;
  SolverCounters counters_;
  bool silent_ = false;
  bool forcedFlag_ = false;
  bool firstRetry_ = true;
  bool autoCorrection_ = false;
  bool partialReaction_ = false;
  bool productsDistributed_ = false;
  bool balanceComputed_ = false;
  bool electronPresent_ = false;
  int electronIndex_ = 0;
  int electronSign_ = 0;
  std::string statusText_;
  std::string failureText_;

  // results
  Extended totalProduct_ = 0;
  Extended productsH_ = 0, productsS_ = 0, productsG_ = 0;
  Extended productsHm_ = 0, productsSm_ = 0, productsGm_ = 0;
};

// The "Equilibrium - Calculation Criteria" window and the one solver of the run. The window only
// edits the criteria; ReadCriteria takes them from its controls (unreadable or out-of-range texts
// fall back silently), and the check boxes and the factor field keep the criteria record current
// while a calculation runs. The window is also the solver's host: it lets pending events run
// on every iteration step, and unchecks "Fast Iteration" when the iteration switches it off.
class TEqlKernel : public platform::Form, public EqlSolver, private SolverHost {
 public:
  TEqlKernel();
  ~TEqlKernel() override;

  platform::GroupBox* GBOptions = nullptr;
  platform::Label* LabelILimit = nullptr;
  platform::Label* LabelPrec = nullptr;
  platform::Label* LabelApprFactor = nullptr;
  platform::Label* LabelZero = nullptr;
  platform::Edit* EditILimit = nullptr;
  platform::Edit* EditPrec = nullptr;
  platform::Edit* EditApprFactor = nullptr;
  platform::Edit* EdtZero = nullptr;
  platform::CheckBox* CBAutoIfa = nullptr;
  platform::GroupBox* GBExtend = nullptr;
  platform::CheckBox* CbxFast = nullptr;
  platform::CheckBox* CBAutoCorr = nullptr;
  platform::CheckBox* CBMaxEntropy = nullptr;
  platform::Label* LabelPhaseCheck = nullptr;
  platform::Edit* EditPhaseCheck = nullptr;
  platform::UpDown* UpPhaseCheck = nullptr;
  platform::Button* ButtonClose = nullptr;

  // Stores the conditions and reads the criteria from the window.
  void ReadCriteria(const SystemConditions& conditions) override;

  // The solver asks for the events on every step; they are let run at most once in this many
  // microseconds (0: every time), so that the event check of the window system does not cost
  // more than the steps themselves. The first request of a pause always runs them.
  long PumpIntervalMicroseconds = 5000;

  void EditILimitChange();
  void CBAutoIfaClick();
  void CbxFastClick();
  void EdtZeroExit();
  void FormResize();
  void FormKeyDown(int& key);

 private:
  void ProcessPendingEvents() override;
  void FastIterationSwitchedOff() override;
  void TakeCheckBoxes();
  void TakeFactorField();
  std::chrono::steady_clock::time_point lastPump_{};
};

// The one criteria window and solver of the run (set while it exists).
extern TEqlKernel* EqlKernel;

// The hint of "lIter.Limit": what the steps I and F of the status text count.
extern const char* const IterationLimitHint;

}  // namespace quorel
