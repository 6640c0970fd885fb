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
  bool ElementBalanceHolds();
  Extended StandardG0(int j) const;
  std::string LimitHint() const;
  std::string CounterText(char first) const;

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

}  // namespace quorel
