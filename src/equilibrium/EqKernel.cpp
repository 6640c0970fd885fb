// The headless equilibrium solver: system loading, the element-potential iteration, the driver
// with its retries and corrections, and the result accessors.
//
// Method: Gibbs energy minimisation with one Lagrange multiplier (element potential) per
// element, as in W. B. White, S. M. Johnson, G. B. Dantzig, "Chemical equilibrium in complex
// mixtures", J. Chem. Phys. 28 (1958) 751, with the species written in the log domain
// (ln a = ln w + sum a_jk lambda_k) and exponentiated last.
#include "equilibrium/EqKernel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shared/AplMsg.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"

namespace quorel {

namespace {

constexpr Extended kTiny = 1e-23L;          // amounts below this count as none
constexpr Extended kHugeSum = 1e4932L;      // element output beyond this: unusual activity
constexpr Extended kForcedDrop = 1e2048L;   // a forced species with a larger coefficient is dropped
constexpr int kForcedRounds = 64;
constexpr long kRaiseStep = 1000;

const std::string kEmpty;

Extended Clamp(Extended v, Extended lo, Extended hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The working approximation factor always stays inside [0.5, 0.999]: at 1 or above the step
// would never shrink, at 0 or below it would vanish or change sign.
Extended ClampFactor(Extended f) {
  if (std::isnan(f)) return 0.98L;
  return Clamp(f, 0.5L, 0.999L);
}

std::string IntText(long v) { return std::to_string(v); }

}  // namespace

// ------------------------------------------------------------------------------------------
// Text helpers

std::string FormatExtended(Extended x) { return FloatToFullText(x); }

bool ParseExtended(std::string_view text, Extended& value) { return TryTextToFloat(text, value); }

bool ParseInteger(std::string_view text, int& value) { return TryTextToInt(Trim(text), value); }

// ------------------------------------------------------------------------------------------
// Construction and loading

EqlSolver::EqlSolver(SolverHost* host) : host_(host) {
  const int n = MaxSolverSpecies + 1;
  slot_.assign(n, 0);
  for (auto* v : {&input_, &fraction_, &reactingInput_, &product_, &moleFraction_, &g0_, &g0std_,
                  &h_, &y_, &gamma_, &scale_, &lnw_, &lnGamma_, &lnGammaScale_, &invGammaScale_, &activity_, &atoms_}) {
    v->assign(n, 0);
  }
  active_.assign(n, 0);
  forced_.assign(n, 0);
  wholeRow_.assign(n, 0);
  weight_.assign(n, 0);
  atomTotal_.assign(n, 0);
  sLimit_.assign(n, 0);
  powerTable_.assign(MaxSolverComponents + 1, {});
  nzStart_.assign(n + 1, 0);
  formulaStart_.assign(n + 1, 0);
  formulaElement_.reserve(4 * n);
  formulaCount_.reserve(4 * n);
  elementInSlot_.assign(MaxSolverComponents + 1, {});
  phases_.assign(n + PhaseSlots + 1, SolverPhase{});
  members_.assign(n + 1, 0);
  phaseOf_.assign(n + 1, -1);
  nu_.assign(n, 1);
  lnA_.assign(n, 0);
  lnY_.assign(n, 0);
  amount_.assign(n, 0);
  weightA_.assign(n, 0);
  weightY_.assign(n, 0);
  keyPresent_.assign(n + PhaseSlots + 1, 0);
  keyAmount_.assign(n + PhaseSlots + 1, 0);
  presentList_.reserve(n + PhaseSlots + 1);
  res_.assign(kNewtonUnknowns, 0);
  step_.assign(kNewtonUnknowns, 0);
  work_.assign(MaxSolverComponents + 1 + 5 * kNewtonUnknowns, 0);
  pivCol_.assign(kNewtonUnknowns, 0);
  ipGrad_.assign(MaxSolverComponents + 1, 0);
  for (auto* v : {&ipS_, &ipEta_, &ipDs_, &ipDeta_, &ipG_}) v->assign(n + PhaseSlots + 1, 0);
  nzComponent_.reserve(4 * n);
  nzValue_.reserve(4 * n);
  nzPower_.reserve(4 * n);
  // The exponent guard 4096 ln 10 is kept as a double, as the window stores it.
  exponentGuard_ = static_cast<double>(4096.0 * std::log(10.0));
  initialDivisor_ = 2;
  selection_.assign(MaxElementCount, 0);
  for (int j = 0; j <= MaxSolverSpecies; ++j) fraction_[j] = gamma_[j] = scale_[j] = 1.0L;
}

EqlSolver::~EqlSolver() = default;

void EqlSolver::LoadSystem(std::span<const std::uint8_t> selectionFlags, int maxComponents) {
  silent_ = false;
  SolverBreakFlag = 0;
  names_.assign(1, "Substances:");
  namesPh_.assign(1, "Substance (ph):");
  formulas_.assign(1, "MolDef:");
  selection_.assign(MaxElementCount, 0);
  const int last = std::min<int>(LastElementIndex(), MaxElementCount - 1);
  for (int e = 0; e <= last && e < static_cast<int>(selectionFlags.size()); ++e) {
    selection_[e] = selectionFlags[e] ? 1 : 0;
  }
  maxComponents_ = std::clamp(maxComponents, 0, MaxSolverComponents);
  // every potential -1; those beyond the highest one set since the last call still are
  std::fill(lambda_.begin(), lambda_.begin() + lambdaHigh_ + 1, -1.0L);
  lambdaHigh_ = 0;
  componentCount_ = 0;
  reference_ = 0;
  speciesCount_ = 0;
  // Every species row holds its loaded state: the rows beyond the highest one ever loaded still
  // hold it from construction, so only those up to it are set again.
  for (int j = 0; j <= loadedHigh_; ++j) {
    forced_[j] = 0;
    input_[j] = 0;
    product_[j] = 0;
    moleFraction_[j] = 0;
    y_[j] = 0;
    activity_[j] = 0;
    fraction_[j] = 1.0L;
    gamma_[j] = 1.0L;
    scale_[j] = 1.0L;
    reactingInput_[j] = 0;
    g0_[j] = g0std_[j] = h_[j] = lnw_[j] = 0;
    active_[j] = 0;
    slot_[j] = 0;
  }
  loadedHigh_ = 0;
  nzComponent_.clear();
  nzValue_.clear();
  formulaElement_.clear();
  formulaCount_.clear();
  formulaStart_[1] = 0;
  // The parsed formulas stay valid while the element table is the same.
  if (Elements().ElementSymbols != formulaSymbols_) {
    formulaCache_.clear();
    formulaSymbols_ = Elements().ElementSymbols;
  }
  keysKnown_ = false;
  newtonValid_ = false;
  matrix_.clear();
  matrixStride_ = 1;
  slotCount_.fill(0);
  slotEnd_.fill(0);
  hasSpecies_.fill(0);
  slotTotal_.fill(0);
  candidate_.fill(0);
  statusText_.clear();
  failureText_.clear();
  for (auto& h : pressureHint_) h.clear();
  electronPresent_ = false;
  electronIndex_ = 0;
  electronSign_ = 0;
  productsDistributed_ = false;
  balanceComputed_ = false;
  partialReaction_ = false;
  forcedFlag_ = false;
  totalProduct_ = 0;
  productsH_ = productsS_ = productsG_ = productsHm_ = productsSm_ = productsGm_ = 0;
  counters_ = SolverCounters{};
}

int EqlSolver::AddSpecies(const SpeciesRow& row) {
  if (!ValidSlot(row.slot)) {
    PostLogMessage(LevelError, 375,
                   row.name + " " + row.phase + ": phase slot " + std::to_string(row.slot) +
                       " does not exist, the substance can not be considered !");
    failureText_ = "Break because error EK.375";
    return 0;
  }
  if (speciesCount_ >= MaxSolverSpecies) {
    PostLogMessage(LevelError, 374,
                   "Too many substances in system (at most " + std::to_string(MaxSolverSpecies) +
                       "): " + row.name + " " + row.phase + " can not be considered !");
    failureText_ = "Break because error EK.374";
    return 0;
  }
  const int j = ++speciesCount_;
  loadedHigh_ = std::max(loadedHigh_, j);
  names_.push_back(row.name);
  namesPh_.push_back(row.name + " " + row.phase);
  formulas_.push_back(row.formula);
  slot_[j] = row.slot;
  slotCount_[row.slot] += 1;
  ParseFormula(j, row.formula);
  g0_[j] = row.gibbsEnergy;
  h_[j] = row.enthalpy;
  Extended phi = row.reactingFraction;
  if (std::isnan(phi) || phi < 0) phi = 0;
  if (phi > 1) phi = 1;
  if (phi < 1) partialReaction_ = true;
  input_[j] = row.inputAmount;
  fraction_[j] = phi;
  reactingInput_[j] = row.inputAmount * phi;
  gamma_[j] = row.activityCoefficient;
  active_[j] = row.active ? 1 : 0;
  if (!(gamma_[j] > 0) || std::isinf(gamma_[j])) {
    gamma_[j] = 1.0L;
    active_[j] = 0;
  }
  if (active_[j] == 0) g0_[j] = 0;
  if (row.formula != "E1" && row.formula != "E-1") return j;
  if (electronPresent_) {
    PostLogMessage(LevelError, 373,
                   "Electron as component of system only in a phase permitted " + row.name +
                       " can not be considered !");
    failureText_ = "Break because error EK.373";
    // The refused row takes no place in the system.
    names_.pop_back();
    namesPh_.pop_back();
    formulas_.pop_back();
    formulaElement_.resize(formulaStart_[j]);
    formulaCount_.resize(formulaStart_[j]);
    slotCount_[row.slot] -= 1;
    slot_[j] = 0;
    input_[j] = reactingInput_[j] = 0;
    fraction_[j] = gamma_[j] = 1;
    g0_[j] = h_[j] = 0;
    active_[j] = 0;
    --speciesCount_;
    return 0;
  }
  electronPresent_ = true;
  electronIndex_ = j;
  electronSign_ = row.formula == "E1" ? -1 : +1;
  active_[j] = 0;  // its amount follows from the charge balance
  return j;
}

// The element counts of a row's formula, read once for each formula seen (through
// FormulaElementCount, so that every reading rule of the periodic table holds).
void EqlSolver::ParseFormula(int j, const std::string& formula) {
  auto it = formulaCache_.find(formula);
  if (it == formulaCache_.end()) {
    ParsedFormula parsed;
    const auto& symbols = Elements().ElementSymbols;
    const int last = std::min<int>(LastElementIndex(), MaxElementCount - 1);
    for (int e = 0; e <= last && e < static_cast<int>(symbols.size()); ++e) {
      const double n = FormulaElementCount(symbols[e], formula);
      if (n != 0) {
        parsed.elements.push_back(e);
        parsed.counts.push_back(n);
      }
    }
    it = formulaCache_.emplace(formula, std::move(parsed)).first;
  }
  formulaStart_[j] = static_cast<int>(formulaElement_.size());
  formulaElement_.insert(formulaElement_.end(), it->second.elements.begin(), it->second.elements.end());
  formulaCount_.insert(formulaCount_.end(), it->second.counts.begin(), it->second.counts.end());
  formulaStart_[j + 1] = static_cast<int>(formulaElement_.size());
}

void EqlSolver::ForceSpecies(int index) {
  if (!ValidSpecies(index) || active_[index] != 1) return;
  forced_[index] = 1;
  gamma_[index] = 1.0L;
}

void EqlSolver::ReadCriteria(const SystemConditions& conditions) {
  conditions_ = conditions;
  if (conditions_.mode < 0 || conditions_.mode > 2) conditions_.mode = 0;
  pressureEstimate_ = 1.0L;
  CalculationCriteria& c = Criteria;
  if (c.iterationLimit < 0) c.iterationLimit = 98000;
  if (std::isnan(c.precision) || !(c.precision > 0) || c.precision >= 1) c.precision = 0.01L;
  c.approximationFactor = std::isnan(c.approximationFactorField) ? 0.98L : ClampFactor(c.approximationFactorField);
  if (std::isnan(c.ignoreThreshold) || c.ignoreThreshold < 0) c.ignoreThreshold = 1e-23L;
  if (c.ignoreThreshold > 1) c.ignoreThreshold = 1;
  if (c.phaseCheckPasses < 1) c.phaseCheckPasses = 1;
  // The pressure at which the caller evaluated the gas rows. Kept apart from the system
  // pressure, which the constant-volume mode replaces by its estimate during a call.
  evaluationPressure_ = conditions_.pressure > 0 ? conditions_.pressure : 1;
}

// ------------------------------------------------------------------------------------------
// Small accessors

int EqlSolver::SlotSpeciesCount(int slot) const { return ValidSlot(slot) ? slotCount_[slot] : 0; }
int EqlSolver::SlotFirst(int slot) const {
  if (!ValidSlot(slot)) return 1;
  int end = 0;
  for (int p = 1; p < slot; ++p) end += slotCount_[p];
  return end + 1;
}
int EqlSolver::SlotLast(int slot) const {
  if (!ValidSlot(slot)) return 0;
  int end = 0;
  for (int p = 1; p <= slot; ++p) end += slotCount_[p];
  return end;
}
int EqlSolver::ComponentElement(int k) const {
  return k >= 1 && k <= componentCount_ ? componentElement_[k] : -1;
}
Extended EqlSolver::InputElementTotal(int k) const {
  return k >= 1 && k <= componentCount_ ? b_[k] : 0;
}
Extended EqlSolver::MatrixEntry(int j, int k) const {
  if (!ValidSpecies(j) || k < 1 || k > componentCount_ || matrix_.empty()) return 0;
  return matrix_[static_cast<size_t>(j) * matrixStride_ + k];
}
const std::string& EqlSolver::SpeciesName(int j) const {
  return j >= 0 && j < static_cast<int>(names_.size()) ? names_[j] : kEmpty;
}
const std::string& EqlSolver::SpeciesNameWithPhase(int j) const {
  return j >= 0 && j < static_cast<int>(namesPh_.size()) ? namesPh_[j] : kEmpty;
}
const std::string& EqlSolver::SpeciesFormula(int j) const {
  return j >= 0 && j < static_cast<int>(formulas_.size()) ? formulas_[j] : kEmpty;
}
int EqlSolver::SpeciesSlot(int j) const { return ValidSpecies(j) ? slot_[j] : 0; }
Extended EqlSolver::InputAmount(int j) const { return ValidSpecies(j) ? input_[j] : 0; }
Extended EqlSolver::ReactingFraction(int j) const { return ValidSpecies(j) ? fraction_[j] : 0; }
Extended EqlSolver::ReactingInput(int j) const { return ValidSpecies(j) ? reactingInput_[j] : 0; }
Extended EqlSolver::SpeciesG0(int j) const { return ValidSpecies(j) ? g0_[j] : 0; }
Extended EqlSolver::SpeciesH(int j) const { return ValidSpecies(j) ? h_[j] : 0; }
Extended EqlSolver::ActivityCoefficient(int j) const { return ValidSpecies(j) ? gamma_[j] : 0; }
Extended EqlSolver::ScaleFactor(int j) const { return ValidSpecies(j) ? scale_[j] : 0; }
Extended EqlSolver::PhaseFraction(int j) const { return ValidSpecies(j) ? y_[j] : 0; }
bool EqlSolver::SpeciesForced(int j) const { return ValidSpecies(j) && forced_[j] != 0; }
Extended EqlSolver::ProductAmount(int j) const { return ValidSpecies(j) ? product_[j] : 0; }
Extended EqlSolver::MoleFraction(int j) const { return ValidSpecies(j) ? moleFraction_[j] : 0; }
Extended EqlSolver::SlotProductTotal(int slot) const { return ValidSlot(slot) ? slotTotal_[slot] : 0; }

// Counted from element 1, as the components are: the electron (element 0) is never a component,
// and counting it would shift every label by one once an electron species selected it.
std::string EqlSolver::ComponentLabel(int k) const {
  int n = 0;
  for (int e = 1; e < MaxElementCount && e <= LastElementIndex(); ++e) {
    if (!selection_[e]) continue;
    if (++n == k) {
      const std::string s = ElementSymbol(e);
      return s + "(" + s + ")";
    }
  }
  return "";
}

std::uint8_t EqlSolver::ElementSelected(int e) const {
  return e >= 0 && e < MaxElementCount ? selection_[e] : 0;
}

bool EqlSolver::TakesPart(int k) const { return k != reference_ && b_[k] > 0; }

void EqlSolver::SwitchFastIterationOff() {
  Criteria.fastIteration = false;
  if (host_) host_->FastIterationSwitchedOff();
}

bool EqlSolver::Pump() {
  ++counters_.pumps;
  if (host_) host_->ProcessPendingEvents();
  return SolverBreakFlag != 0;
}


void EqlSolver::RefreshSpeciesFactors(int j) {
  normValid_ = false;
  newtonValid_ = false;
  const Extended g = gamma_[j];
  const Extended gs = g * scale_[j];
  lnGamma_[j] = g == 1 ? 0 : (g > 0 ? std::log(g) : 0);
  lnGammaScale_[j] = gs == 1 ? 0 : (gs > 0 ? std::log(gs) : 0);
  invGammaScale_[j] = gs > 0 ? 1.0L / gs : 0;
  const Extended E = exponentGuard_;
  sLimit_[j] = std::min({E + lnGamma_[j], E - lnw_[j], E - lnw_[j] + lnGammaScale_[j]});
}

// exp(lambda_k)^p of every component, for the species whose formula holds whole numbers only.
// A row is built again only when its potential moved since.
void EqlSolver::RefreshPotentialFactors() {
  lambdaBound_ = 0;
  const bool all = tabledPower_ != maxPower_;
  tabledPower_ = maxPower_;
  for (int k = 1; k <= componentCount_; ++k) {
    lambdaBound_ = std::max(lambdaBound_, std::fabs(lambda_[k]));
    if (!all && tabledLambda_[k] == lambda_[k]) continue;
    tabledLambda_[k] = lambda_[k];
    auto& row = powerTable_[k];
    row[0] = 1;
    row[1] = std::exp(lambda_[k]);
    for (int p = 2; p <= maxPower_; ++p) row[p] = row[p - 1] * row[1];
  }
}

// Species evaluation in the log domain: ln a = ln w + s, s = sum_k a_jk lambda_k; every guard
// is tested on the logarithms (s - ln gamma > E, ln a > E, ln y > E fail; s < -E gives 0), and
// the activity a = w e^s and the phase fraction y = a / (gamma x scale factor) are formed last,
// so no inf or NaN reaches a sum. For a formula of small whole numbers e^s is the product of
// the powers exp(lambda_k)^a_jk (refreshed by the caller for the current potentials) while
// every partial product stays well inside the extended range; any other species takes the
// exponential of ln a itself.
#if defined(__GNUC__)
#define QUOREL_HOT_INLINE __attribute__((always_inline)) inline
#else
#define QUOREL_HOT_INLINE inline
#endif

QUOREL_HOT_INLINE bool EqlSolver::EvaluateSpecies(int j) {
  Extended s = 0;
  const int n0 = nzStart_[j], n1 = nzStart_[j + 1];
  for (int n = n0; n < n1; ++n) s += nzValue_[n] * lambda_[nzComponent_[n]];
  if (s > sLimit_[j] || std::isnan(s)) [[unlikely]] {
    CheckElementSupply(-j);
    return false;
  }
  if (s < -exponentGuard_) {
    activity_[j] = 0;
    y_[j] = 0;
    return true;
  }
  Extended a;
  if (wholeRow_[j] && std::fabs(lnw_[j]) + atomTotal_[j] * lambdaBound_ < 11000) {
    a = weight_[j];
    for (int n = n0; n < n1; ++n) a *= powerTable_[nzComponent_[n]][nzPower_[n]];
  } else {
    a = std::exp(lnw_[j] + s);
  }
  activity_[j] = a;
  y_[j] = a * invGammaScale_[j];
  return true;
}

// The factor as the status text shows it; the text of the last factor is kept, since the
// factor mostly stays what it was.
const std::string& EqlSolver::FactorText(Extended f) {
  if (!(f == factorTextValue_) || factorText_.empty()) {
    factorTextValue_ = f;
    factorText_ = FormatExtended(f);
  }
  return factorText_;
}

std::string EqlSolver::LimitHint() const {
  return " Increase \"Iter.Limit\">90000; or \"Precision\"; or Set. \"Appr.Factor\" to 0.99";
}

// ------------------------------------------------------------------------------------------
// Element-potential iteration

bool EqlSolver::StepConstPressure(int first, int last, Extended target) {
  first = std::max(first, 1);
  last = std::min(last, speciesCount_);
  if (forcedFlag_) {
    int n = 0;
    for (int j = first; j <= last; ++j) {
      if (forced_[j]) ++n;
    }
    if (n > 0) target = n;
  }
  const Extended prec = Criteria.precision;
  Extended shift = 0, previous = 0, k = initialDivisor_;
  Extended doubling = 1;
  counters_.P = 0;
  for (int j = first; j <= last; ++j) {
    if (active_[j] != 1) {
      y_[j] = 0;
      activity_[j] = 0;
    }
  }
  // A converged Newton solution has closed every present phase, the normalising one among
  // them: the step accepts it with one evaluation pass.
  const bool accept = newtonValid_;
  // Start from the first-order prediction of S for the potentials as the last step left them,
  // so that one pass usually meets the band; the passes below still decide.
  if (!accept && normValid_ && normFirst_ == first && normLast_ == last && normTarget_ == target && normS_ > 0 &&
      normAtoms_ > 0) {
    Extended dlnS = 0;
    for (int c = 1; c <= componentCount_; ++c) dlnS += normWeight_[c] * (lambda_[c] - normLambda_[c]);
    const Extended lnRatio = std::log(normS_ / target) + dlnS / normS_;
    if (std::fabs(lnRatio) > prec / 2 && std::fabs(lnRatio) < 50) {
      const Extended pre = lnRatio / normAtoms_;
      for (int c = 1; c <= componentCount_; ++c) {
        if (b_[c] > 0) lambda_[c] -= pre;
      }
    }
  }
  Extended acceptedS = 0, acceptedAtoms = 0;
  for (; !accept;) {
    Extended S = 0, atomSum = 0;
    ++counters_.passes;
    RefreshPotentialFactors();
    for (int j = first; j <= last; ++j) {
      if (active_[j] != 1) continue;
      if (!EvaluateSpecies(j)) return false;
      S += activity_[j];
      atomSum += activity_[j] * atoms_[j];
    }
    if (!(S > 0) || !(target > 0)) {
      if (!silent_) {
        PostLogMessage(LevelCritical, 560, "Calculation is not possible, Please check restrictions !");
        failureText_ = "Calculation is broken because error EK.560";
      }
      return false;
    }
    const Extended r = S / target;
    if (r < 1 - prec || r > 1 + prec) {
      // The divisor is the activity-weighted number of atoms per species of the range (2 for a
      // diatomic gas), which is the Newton step of ln S against the shift; it is doubled after
      // every change of sign, so the shift can never oscillate.
      if (atomSum > 0) k = std::max<Extended>(atomSum / S, 0.5L);
      previous = shift;
      shift = std::log(r) / (k * doubling);
      for (int c = 1; c <= componentCount_; ++c) {
        if (b_[c] > 0) lambda_[c] -= shift;
      }
      if (shift * previous < 0) doubling *= 2;
      ++counters_.P;
      if (counters_.P >= Criteria.iterationLimit) {
        if (!silent_) {
          PostLogMessage(LevelCritical, 637,
                         "Maximum iteration steps are exceed. (PN)" + LimitHint() + CounterText('P'));
          failureText_ = "Calculation is broken because error 637";
        }
        return false;
      }
    } else {
      acceptedS = S;
      acceptedAtoms = atomSum / S;
      break;
    }
  }
  // The rest of the system at the same potentials; a species that takes no part holds nothing.
  // (The Newton solution has evaluated every species already.)
  if (!accept) RefreshPotentialFactors();
  for (int j = 1; j <= speciesCount_; ++j) {
    if (active_[j] != 1) {
      y_[j] = 0;
      activity_[j] = 0;
      continue;
    }
    if (accept || (j >= first && j <= last)) continue;
    if (!EvaluateSpecies(j)) return false;
  }
  for (int c = 1; c <= componentCount_; ++c) {
    output_[c] = 0;
    normWeight_[c] = 0;
    normLambda_[c] = lambda_[c];
  }
  for (int j = 1; j <= speciesCount_; ++j) {
    if (active_[j] != 1 || y_[j] == 0) continue;
    const bool inRange = j >= first && j <= last;
    const Extended held = AmountFactor(j) * y_[j];
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
      output_[nzComponent_[n]] += held * nzValue_[n];
      if (inRange) normWeight_[nzComponent_[n]] += activity_[j] * nzValue_[n];
    }
  }
  normValid_ = true;
  normFirst_ = first;
  normLast_ = last;
  normTarget_ = target;
  normS_ = acceptedS;
  normAtoms_ = acceptedAtoms;
  for (int c = 1; c <= componentCount_; ++c) {
    if (!std::isfinite(output_[c]) || output_[c] > kHugeSum) {
      CheckElementSupply(c);
      return false;
    }
  }
  if (reference_ >= 1 && output_[reference_] > 0) {
    counters_.largestP = std::max(counters_.largestP, counters_.P);
    return true;
  }
  CheckElementSupply(reference_);
  PostLogMessage(LevelError, 642, "At last one element can not exist in products");
  return false;
}

bool EqlSolver::StepConstVolume(int first, int last, Extended volume) {
  first = std::max(first, 1);
  last = std::min(last, speciesCount_);
  counters_.V = 0;
  const Extended prec = Criteria.precision;
  const Extended RT = SolverGasConstant * conditions_.temperature;
  while (pressureEstimate_ > 0) {
    // The weights stay those of the standard state; the fugacities are normalised to the
    // estimate, which is then moved until the ideal-gas volume of the amounts meets V.
    if (!StepConstPressure(first, last, pressureEstimate_)) return false;
    Extended vc = 0;
    for (int j = first; j <= last; ++j) {
      Extended sum = 0;
      int n = 0;
      if (active_[j] == 1 && y_[j] > 0) {
        const Extended held = AmountFactor(j) * y_[j];
        for (int q = nzStart_[j]; q < nzStart_[j + 1]; ++q) {
          const int c = nzComponent_[q];
          if (output_[c] > 0) {
            sum += b_[c] * held / output_[c];
            ++n;
          }
        }
      }
      product_[j] = n > 0 ? sum / n : 0;
      vc += product_[j] * RT / pressureEstimate_ / 100000.0L;
    }
    bool met = false;
    if (volume > 0) {
      const Extended q = vc / volume;
      met = q >= 1 - prec && q <= 1 + prec;
      if (!met) pressureEstimate_ *= q;
    }
    ++counters_.V;
    if (met) return true;
    if (counters_.V >= Criteria.iterationLimit) {
      if (!silent_) {
        PostLogMessage(LevelError, 756,
                       "Maximum iteration steps are exceed. (VN)" + LimitHint() + CounterText('V'));
        failureText_ = "Calculation is broken because error 756";
      }
      return false;
    }
  }
  return false;
}

void EqlSolver::UpdatePotentials() {
  const Extended prec = Criteria.precision;
  Extended& f = Criteria.approximationFactor;
  if (Criteria.fastIteration) {
    bool positive = false;
    for (int k = 1; k <= componentCount_; ++k) {
      if (!TakesPart(k)) continue;
      if (ratio_[k] > 1 + prec || ratio_[k] < 1 - prec) {
        newtonValid_ = false;
        if (ratio_[k] > 0) {
          lambda_[k] -= f * std::log(ratio_[k]);
        } else {
          lambda_[k] += delta_[k];  // no output at all: raise by a full step
        }
      }
      if (lambda_[k] > 0) positive = true;
    }
    if (!positive) return;
    SwitchFastIterationOff();
    f = 0.98L;
    newtonValid_ = false;
    for (int k = 1; k <= componentCount_; ++k) {
      if (lambda_[k] > 0) lambda_[k] = -1.0L;
    }
  }
  for (int k = 1; k <= componentCount_; ++k) {
    if (!TakesPart(k)) continue;
    if (ratio_[k] > 1 + prec) {
      if (direction_[k] == -1) delta_[k] *= f;
      lambda_[k] -= delta_[k];
      direction_[k] = +1;
      newtonValid_ = false;
    } else if (ratio_[k] < 1 - prec) {
      if (direction_[k] == +1) delta_[k] *= f;
      lambda_[k] += delta_[k];
      direction_[k] = -1;
      newtonValid_ = false;
    }
  }
}

// The balanced band and the update band are the same closed band 1 +- Precision: a ratio on
// the edge is balanced, anything outside is moved. A component with input but no output is not
// balanced (ratio 0), so its potential is raised instead of the element vanishing.
int EqlSolver::CheckElementBalance() {
  const Extended prec = Criteria.precision;
  const Extended oRef = reference_ >= 1 ? output_[reference_] : 0;
  const Extended bRef = reference_ >= 1 ? b_[reference_] : 0;
  int all = 1;
  for (int k = 1; k <= componentCount_; ++k) {
    if (!TakesPart(k)) continue;
    Extended r = 1;
    if (output_[k] == 0) {
      r = 0;
    } else if (oRef != 0 && bRef != 0) {
      r = (output_[k] / oRef) / (b_[k] / bRef);
    }
    ratio_[k] = r;
    balanced_[k] = (r >= 1 - prec && r <= 1 + prec) ? 1 : 0;
    if (!balanced_[k]) all = 0;
  }
  return all;
}

std::string EqlSolver::CounterText(char first) const {
  const std::string P = "P:" + IntText(counters_.P);
  const std::string I = "I:" + IntText(counters_.I);
  const std::string F = "F:" + IntText(counters_.F);
  const std::string V = "V:" + IntText(counters_.V);
  switch (first) {
    case 'P': return P + ";" + I + ";" + F + ";" + V;
    case 'V': return V + ";" + P + ";" + I + ";" + F;
    default: return I + ";" + P + ";" + F + ";" + V;
  }
}

int EqlSolver::IterateToBalance(int first, int last, Extended target) {
  Extended& f = Criteria.approximationFactor;
  f = std::isnan(Criteria.approximationFactorField) ? 0.72L : ClampFactor(Criteria.approximationFactorField);
  raiseThreshold_ = kRaiseStep;
  for (int k = 0; k <= componentCount_; ++k) {
    delta_[k] = 10.0L;
    direction_[k] = 0;
    ratio_[k] = 1.0L;
  }
  counters_.F = 0;
  // The loop starts with the Newton finish (at once converged when the potentials already solve
  // the system); its result is accepted by the step that follows. When Newton stalls the steps
  // go on from the best point it reached, and Newton tries again after kNewtonRetrySteps.
  newtonDue_ = true;
  newtonStallSteps_ = 0;
  for (;;) {
    if (newtonDue_ && !RunNewtonFinish(false)) return 0;
    UpdatePotentials();
    const bool ok = conditions_.mode == 0 ? StepConstPressure(first, last, target)
                                          : StepConstVolume(first, last, target);
    ++counters_.steps;
    if (!ok) return 0;
    const int c = CheckElementBalance();
    if (c != 1) ++counters_.F;
    if (counters_.F > raiseThreshold_) {
      f = std::min<Extended>(f + (0.99L - f) / 2, 0.99L);
      raiseThreshold_ += kRaiseStep;
    }
    if (counters_.F > Criteria.iterationLimit) {
      if (silent_) return 0;
      PostLogMessage(LevelCritical, 780,
                     "Maximum iteration steps are exceed.(Fin)" + LimitHint() + "; " + CounterText('I') +
                         " (" + FormatExtended(f) + ")");
      failureText_ = "Calculation is broken because error 780";
      return 0;
    }
    if (Pump()) {
      failureText_ += "Break by user !";
      return 0;
    }
    if (c == 1) return 1;
    ScheduleNewton();
  }
}

// Newton gave up: the steps go on, and Newton is tried again after this many of them.
void EqlSolver::ScheduleNewton() {
  if (newtonValid_) return;
  if (++newtonStallSteps_ >= kNewtonRetrySteps) newtonDue_ = true;
}

// The Newton finish inside a loop; false when a step limit or a break stopped it (the loop then
// returns its failure, the message and the failure text having been set).
bool EqlSolver::RunNewtonFinish(bool estimate) {
  newtonDue_ = false;
  newtonStallSteps_ = 0;
  if (newtonValid_) return true;
  const NewtonOutcome r = NewtonFinish(estimate);
  return r != NewtonOutcome::Stopped;
}

int EqlSolver::EstimateSystem() {
  raiseThreshold_ = kRaiseStep;
  const Extended startTarget = conditions_.mode == 0 ? conditions_.pressure : pressureEstimate_;
  if (!StepConstPressure(1, speciesCount_, startTarget)) return 0;
  for (int k = 0; k <= componentCount_; ++k) {
    delta_[k] = 10.0L;
    direction_[k] = 0;
    ratio_[k] = 1.0L;
  }
  counters_.largestP = 0;
  Extended& f = Criteria.approximationFactor;
  const int gasSlot = conditions_.mode == 2 ? 2 : 1;
  newtonDue_ = true;
  newtonStallSteps_ = 0;
  for (;;) {
    if (newtonDue_ && !RunNewtonFinish(true)) return -4;
    UpdatePotentials();
    const bool ok = conditions_.mode == 0
                        ? StepConstPressure(1, speciesCount_, conditions_.pressure)
                        : StepConstVolume(SlotFirst(gasSlot), SlotLast(gasSlot), conditions_.volume);
    ++counters_.steps;
    if (!ok) return 0;
    const int c = CheckElementBalance();
    if (c != 1) ++counters_.I;
    if (counters_.I > raiseThreshold_) {
      f = std::min<Extended>(f + (0.99L - f) / 2, 0.99L);
      raiseThreshold_ += kRaiseStep;
    }
    if (counters_.I > Criteria.iterationLimit) {
      PostLogMessage(LevelError, 916,
                     "Maximum iteration steps are exceed (ilk)." + LimitHint() + "; " + CounterText('I') +
                         " (" + FormatExtended(f) + ")");
      failureText_ = "Calculation is broken because error 916";
      return -4;
    }
    if (Pump()) {
      failureText_ += "Break by user (ilk)";
      return -4;
    }
    if (c == 1) {
      statusText_ = "1: " + IntText(counters_.I) + "(" + FactorText(f) + ")";
      return 1;
    }
    ScheduleNewton();
  }
}

void EqlSolver::CheckElementSupply(int code) {
  if (silent_) return;
  if (code > 0) {
    if (code > componentCount_ || componentElement_[code] == 0) return;
    std::string text = "Calculation is not possible. Probably because " + ComponentLabel(code);
    if (reference_ >= 1 && reference_ != code) text += " | " + ComponentLabel(reference_);
    text += "You must insert compounds with this element into the system ";
    PostLogMessage(LevelError, 433, text);
    failureText_ = "Break because error EK.433";
  } else if (code < 0) {
    const std::string& n = SpeciesNameWithPhase(-code);
    PostLogMessage(LevelError, 456,
                   "Unusual high activity of " + n + " . Insert compounds to system with the elements of " + n);
    failureText_ = "Break because error EK.456";
  }
}

// ------------------------------------------------------------------------------------------
// Driver

bool EqlSolver::RetryWithSteps() {
  if (Criteria.iterationLimit > 100000 || SolverBreakFlag) return false;
  // A tenth more, and at least one more, so that a small limit still grows towards the end.
  Criteria.iterationLimit += std::max(1, Criteria.iterationLimit / 10);
  PostLogMessage(LevelImportant, 936, "Retrying solution with steps.. " + IntText(Criteria.iterationLimit));
  Extended& f = Criteria.approximationFactor;
  f = firstRetry_ ? 0.5L : f + 0.05L;
  if (f >= 1) f = 0.999L;
  if (f < 0.5L) f = 0.5L;
  firstRetry_ = false;
  return true;
}

// One solve over the normalising slot with the current target (step c of the main loop).
bool EqlSolver::IterateNormalising(Extended target) {
  const int first = SlotFirst(normalisingSlot_), last = SlotLast(normalisingSlot_);
  if (componentCount_ > 1) return IterateToBalance(first, last, target) == 1;
  // One component: the normalisation alone balances it; Newton closes the other phases.
  if (!RunNewtonFinish(false)) return false;
  const bool ok = conditions_.mode == 0 ? StepConstPressure(first, last, pressureEstimate_)
                                        : StepConstVolume(first, last, conditions_.volume);
  ++counters_.steps;
  return ok;
}

void EqlSolver::DistributeProducts() {
  const int ns = speciesCount_;
  // Element totals over the species that take part: an excluded species keeps its old phase
  // fraction, and counting it would lose its share of the element from the products.
  for (int k = 1; k <= componentCount_; ++k) output_[k] = 0;
  for (int j = 1; j <= ns; ++j) {
    if (active_[j] != 1 || !(y_[j] > 0)) continue;
    const Extended held = AmountFactor(j) * y_[j];
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) output_[nzComponent_[n]] += nzValue_[n] * held;
  }
  for (int j = 1; j <= ns; ++j) {
    Extended sum = 0;
    int count = 0;
    const Extended held = AmountFactor(j) * y_[j];
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
      const int k = nzComponent_[n];
      if (!(b_[k] > 0)) continue;
      ++count;
      if (active_[j] == 1 && held > 0 && output_[k] > 0) sum += b_[k] * held / output_[k];
    }
    product_[j] = count > 0 ? sum / count : 0;
  }
  if (partialReaction_) {
    for (int j = 1; j <= ns; ++j) product_[j] += input_[j] * (1 - fraction_[j]);
  }
  if (electronPresent_) {
    const int e = electronIndex_;
    Extended amount = input_[e];
    const int electron = ElementIndex("E");
    for (int i = 1; i <= ns; ++i) {
      if (i == e) continue;
      Extended electrons = 0;
      for (int n = formulaStart_[i]; n < formulaStart_[i + 1]; ++n) {
        if (formulaElement_[n] == electron) electrons += formulaCount_[n];
      }
      if (electrons != 0) amount -= (input_[i] - product_[i]) * electronSign_ * electrons;
    }
    product_[e] = amount;
    if (amount > 0) active_[e] = 1;
  }
  totalProduct_ = 0;
  for (int p = 1; p <= PhaseSlots; ++p) {
    slotTotal_[p] = 0;
    if (!hasSpecies_[p]) continue;
    const int first = SlotFirst(p), last = SlotLast(p);
    for (int j = first; j <= last; ++j) {
      if (product_[j] > 0) slotTotal_[p] += product_[j];
    }
    for (int j = first; j <= last; ++j) {
      moleFraction_[j] = slotTotal_[p] > 0 ? product_[j] / slotTotal_[p] : 0;
    }
    totalProduct_ += slotTotal_[p];
  }
  if (Criteria.autoCorrection) {
    for (int k = 1; k <= componentCount_; ++k) {
      if (!(b_[k] > 0)) continue;
      Extended o = 0;
      for (int j = 1; j <= ns; ++j) {
        const Extended a = MatrixEntry(j, k);
        if (a > 0) o += product_[j] * a;
      }
      if (o == 0) PostLogMessage(LevelCritical, 1398, "Auto correctur caused error");
      if (std::fabs(1 - o / b_[k]) > Criteria.precision) {
        PostLogMessage(LevelCritical, 1402, "Possibily not exact mass distrubution (" + ComponentLabel(k) + ")");
      }
    }
  }
  if (electronPresent_) {
    const int e = electronIndex_;
    if (product_[e] == 0) {
      y_[e] = 0;
      moleFraction_[e] = 0;
    } else {
      y_[e] = std::fabs(moleFraction_[e]);
    }
  }
  productsDistributed_ = true;
  balanceComputed_ = false;
}

void EqlSolver::SetSpeciesState(int j, int state) {
  if (active_[j] == 1 && state != 1 && SpeciesInPresentPhase(j)) newtonValid_ = false;
  active_[j] = state;
}

// The passes check what every converged result shows: each present phase closed, each absent
// one at a sum of at most 1 + Precision. A pass that finds otherwise solves again (Newton then
// sorts the phases out) and the products are distributed after the last pass. The scale factors
// stay as loaded: the closure of every phase is part of the solution itself.
bool EqlSolver::CondensedPhaseCheck() {
  const int passes = std::max(1, Criteria.phaseCheckPasses);
  const Extended target = conditions_.mode == 0 ? pressureEstimate_ : conditions_.volume;
  for (int pass = 1; pass <= passes; ++pass) {
    std::string text;
    if (PhaseCheckFailure(Criteria.precision, text) == 0) return true;
    newtonValid_ = false;
    if (!IterateNormalising(target)) return false;
    if (pass == passes) DistributeProducts();
  }
  return true;
}

int EqlSolver::CalcEquilibrium() {
  normValid_ = false;
  newtonValid_ = false;
  keysKnown_ = false;
  forcedFlag_ = false;
  autoCorrection_ = Criteria.autoCorrection;
  firstRetry_ = true;
  counters_ = SolverCounters{};
  productsDistributed_ = false;
  balanceComputed_ = false;
  if (SolverBreakFlag) {
    failureText_ += "Break by user !";
    return 0;
  }
  if (!(conditions_.temperature > 0)) {
    failureText_ = "Irregular temperature";
    return 0;
  }
  const Extended RT = SolverGasConstant * conditions_.temperature;
  const int ns = speciesCount_;
  // G of the standard state, which the iteration and the result accessors use with the
  // activities (fugacities in bar for a gas). The gas rows carry G at the system pressure (the
  // pressure term R T ln P included); without taking it off, the pressure would be counted
  // twice: once in G and once in the normalisation of the fugacities to the pressure.
  const Extended pressureTerm =
      evaluationPressure_ > 0 ? SolverGasConstant * conditions_.temperature * std::log(evaluationPressure_) : 0;
  for (int j = 1; j <= ns; ++j) g0std_[j] = IsGasSlot(slot_[j]) ? g0_[j] - pressureTerm : g0_[j];

  // 2. slot bookkeeping
  slotEnd_[0] = 0;
  for (int p = 1; p <= PhaseSlots; ++p) {
    slotEnd_[p] = slotEnd_[p - 1] + slotCount_[p];
    hasSpecies_[p] = slotCount_[p] > 0 ? 1 : 0;
  }

  // 3. automatic element selection, from the formulas as AddSpecies read them
  Criteria.elementsAutoSelected = 0;
  const int lastElement = std::min<int>(LastElementIndex(), MaxElementCount - 1);
  firstSpeciesOf_.fill(0);
  for (int j = ns; j >= 1; --j) {
    for (int n = formulaStart_[j]; n < formulaStart_[j + 1]; ++n) {
      if (formulaCount_[n] > 0 && formulaElement_[n] <= lastElement) firstSpeciesOf_[formulaElement_[n]] = j;
    }
  }
  for (int e = 0; e <= lastElement; ++e) {
    if (selection_[e] || firstSpeciesOf_[e] == 0) continue;
    selection_[e] = 1;
    PostLogMessage(LevelInfo, 1033, ElementSymbol(e) + " is selected, because " + namesPh_[firstSpeciesOf_[e]]);
    Criteria.elementsAutoSelected = 1;
  }

  // 4. components and the element matrix
  componentCount_ = 0;
  componentOfElement_.fill(0);

  for (int e = 1; e <= lastElement; ++e) {
    if (!selection_[e]) continue;
    if (componentCount_ >= maxComponents_) {
      PostLogMessage(LevelError, 1190,
                     "More than " + std::to_string(maxComponents_) + " elements in system, " + ElementSymbol(e) +
                         " can not be considered !");
      failureText_ = "Break because error EK.1190";
      return 0;
    }
    componentElement_[++componentCount_] = e;
    componentOfElement_[e] = componentCount_;
  }
  lambdaHigh_ = std::max(lambdaHigh_, componentCount_);
  matrixStride_ = componentCount_ + 1;
  matrix_.assign(static_cast<size_t>(ns + 1) * matrixStride_, 0);
  for (int j = 1; j <= ns; ++j) {
    for (int n = formulaStart_[j]; n < formulaStart_[j + 1]; ++n) {
      const int k = formulaElement_[n] < MaxElementCount ? componentOfElement_[formulaElement_[n]] : 0;
      if (k > 0) matrix_[static_cast<size_t>(j) * matrixStride_ + k] = formulaCount_[n];
    }
  }
  std::string noValues;
  for (int k = 1; k <= componentCount_; ++k) {
    Extended b = 0;
    for (int j = 1; j <= ns; ++j) b += reactingInput_[j] * matrix_[static_cast<size_t>(j) * matrixStride_ + k];
    b_[k] = b;
    if (b < Criteria.ignoreThreshold) {
      noValues += ElementSymbol(componentElement_[k]) + ", ";
      lambda_[k] = 0;
    }
  }
  if (!noValues.empty()) {
    noValues.erase(noValues.size() - 2, 1);  // the last comma; its blank stays
    PostLogMessage(LevelImportant, 1196, "No values for :" + noValues);
  }
  nzComponent_.clear();
  nzValue_.clear();
  nzPower_.clear();
  for (int j = 1; j <= ns; ++j) {
    nzStart_[j] = static_cast<int>(nzComponent_.size());
    for (int k = 1; k <= componentCount_; ++k) {
      const Extended a = matrix_[static_cast<size_t>(j) * matrixStride_ + k];
      if (a != 0) {
        nzComponent_.push_back(k);
        nzValue_.push_back(a);
        const bool whole = a >= 1 && a <= kMaxPower && a == std::floor(a);
        nzPower_.push_back(whole ? static_cast<int>(a) : 0);
      }
    }
  }
  nzStart_[ns + 1] = static_cast<int>(nzComponent_.size());
  maxPower_ = 1;
  tabledPower_ = 0;  // the component columns are new: build every table row again
  for (int j = 1; j <= ns; ++j) {
    wholeRow_[j] = 1;
    atomTotal_[j] = 0;
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
      if (nzPower_[n] == 0) wholeRow_[j] = 0;
      maxPower_ = std::max(maxPower_, nzPower_[n]);
      atomTotal_[j] += std::fabs(nzValue_[n]);
    }
  }
  for (int j = 1; j <= ns; ++j) {
    atoms_[j] = 0;
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
      if (b_[nzComponent_[n]] > 0) atoms_[j] += nzValue_[n];
    }
  }

  // 5. reference component: the largest input above the threshold
  reference_ = 0;
  for (int k = 1; k <= componentCount_; ++k) {
    if (!(b_[k] > kTiny) || b_[k] < Criteria.ignoreThreshold) continue;
    if (reference_ == 0 || b_[k] > b_[reference_]) reference_ = k;
  }

  // 6. species of elements without input; elements without species
  std::string impossible;
  for (int k = 1; k <= componentCount_; ++k) {
    bool any = false;
    for (int j = 1; j <= ns; ++j) {
      if (matrix_[static_cast<size_t>(j) * matrixStride_ + k] == 0) continue;
      if (b_[k] < kTiny) active_[j] = 0;
      if (active_[j] == 1) any = true;
    }
    if (!any) {
      if (b_[k] > kTiny) {
        const std::string text = "Error: Formation of substances containing " +
                                 ElementSymbol(componentElement_[k]) + " are disabled in system !";
        PostLogMessage(LevelError, 1220, text);
        failureText_ = text;
        return 0;
      }
      impossible += (impossible.empty() ? "" : ", ") + ElementSymbol(componentElement_[k]);
    }
  }
  if (!impossible.empty()) {
    PostLogMessage(LevelInfo, 1223, "Formation of substances containing { " + impossible + " } are not possible !");
  }

  // 7. nothing reacts
  if (reference_ == 0) {
    PostLogMessage(LevelCritical, 1004, "No (valid) Input Values");
    failureText_ = "No (valid) Input Values";
    if (partialReaction_) {
      for (int j = 1; j <= ns; ++j) y_[j] = 0;
      DistributeProducts();
      for (int j = 1; j <= ns; ++j) y_[j] = moleFraction_[j];
      // A gas activity is its fugacity in bar: the mole fraction times the gas pressure, in
      // the constant-volume mode the ideal-gas pressure of the gas amounts in the volume.
      for (int p = 1; p <= 2; ++p) {
        Extended pressure = conditions_.pressure;
        if (conditions_.mode != 0) {
          pressure = conditions_.volume > 0 ? slotTotal_[p] * RT / conditions_.volume / 100000.0L : 0;
        }
        for (int j = SlotFirst(p); j <= SlotLast(p); ++j) y_[j] *= pressure;
      }
      failureText_.clear();
      return 1;
    }
    return 0;
  }

  // 8. weights
  for (int j = 1; j <= ns; ++j) {
    const Extended g = -g0_[j] / RT;
    if (g > 5000 || std::isnan(g)) {
      failureText_ = "Free energy -G(" + namesPh_[j] + ")=" + FormatExtended(g0_[j]) + ",  is unusual heigh ";
      return -1;
    }
    lnw_[j] = -g0std_[j] / RT;
    weight_[j] = std::exp(lnw_[j]);
    RefreshSpeciesFactors(j);
  }
  pressureEstimate_ = conditions_.mode == 0 ? conditions_.pressure : 1.0L;

  // 9. first estimate
  systemSignature_ = SystemSignature();
  PostLogMessage(LevelInfo, 1108, "Estimation of System ...");
  if (EstimateSystem() <= 0) return -1;

  bool autoCorrected = false;
  int candidateSlot = 0;
  const Extended roundTolerance = std::min<Extended>(1e-12L, Criteria.precision / 100) * 10;
  for (;;) {  // main loop, started again after a retry
  restart:
    // a0. element-in-slot table
    for (int k = 1; k <= componentCount_; ++k) {
      elementInSlot_[k].fill(0);
      for (int j = 1; j <= ns; ++j) {
        if (matrix_[static_cast<size_t>(j) * matrixStride_ + k] != 0) elementInSlot_[k][slot_[j]] += 1;
      }
    }
    auto onlyIn = [&](int k, int p) {
      if (elementInSlot_[k][p] == 0) return false;
      for (int q = 1; q <= PhaseSlots; ++q) {
        if (q != p && elementInSlot_[k][q] > 0) return false;
      }
      return true;
    };
    candidate_.fill(0);

    // a1. phase competition: a substance that stands in more than one phase slot (the same
    // formula) keeps only the slots where it holds the larger part of its elements. Species of
    // other formulas never exclude each other, and a forced species is never excluded. In a
    // Newton solution the parts are the amounts, and a species of a present phase keeps its
    // place: two phases of one substance can stand side by side (water and its vapour).
    for (int p = 1; p <= PhaseSlots; ++p) {
      for (int i = SlotFirst(p); i <= SlotLast(p); ++i) {
        if (active_[i] != 1 || forced_[i]) continue;
        const Extended mine = AmountFactor(i) * y_[i];
        if (newtonValid_ && mine > 0) continue;
        bool rival = false, wins = false;
        for (int dir = 0; dir < 2 && !wins; ++dir) {
          const int from = dir == 0 ? 1 : SlotLast(p) + 1;
          const int to = dir == 0 ? SlotFirst(p) - 1 : ns;
          for (int j = from; j <= to; ++j) {
            if (active_[j] == 0 || formulas_[j] != formulas_[i]) continue;
            rival = true;
            if (AmountFactor(j) * y_[j] < mine) wins = true;
            break;
          }
        }
        if (rival && !wins) SetSpeciesState(i, -1);
      }
    }

    // a. / b. normalising slot
    if (conditions_.mode != 0) {
      if (!(pressureEstimate_ > 0)) pressureEstimate_ = 1.0L;
      normalisingSlot_ = conditions_.mode == 2 ? 2 : 1;
      conditions_.pressure = pressureEstimate_;
    } else {
      // The sums of the slots in the units of the estimate, which shares the pressure among all
      // species: in a Newton solution P times the slot's share of the amounts.
      std::array<Extended, PhaseSlots + 1> Y{};
      Extended largest = 0, amounts = 0;
      if (newtonValid_) {
        for (int j = 1; j <= ns; ++j) {
          if (active_[j] == 1) amounts += AmountFactor(j) * y_[j];
        }
      }
      for (int p = 1; p <= PhaseSlots; ++p) {
        for (int j = SlotFirst(p); j <= SlotLast(p); ++j) {
          if (!newtonValid_) {
            Y[p] += y_[j];
          } else if (active_[j] == 1 && amounts > 0) {
            Y[p] += conditions_.pressure * AmountFactor(j) * y_[j] / amounts;
          }
        }
        largest = std::max(largest, Y[p]);
      }
      for (int p = 1; p <= 2; ++p) {
        if (!hasSpecies_[p]) continue;
        bool c = Y[p] > 0 && Y[p] >= largest;
        for (int k = 1; k <= componentCount_ && !c; ++k) {
          if (b_[k] > kTiny && onlyIn(k, p)) c = true;
        }
        candidate_[p] = c ? 1 : 0;
      }
      const Extended P = conditions_.pressure;
      for (int p = 1; p <= 2; ++p) {
        const int other = 3 - p;
        if (candidate_[p] && !candidate_[other] && Y[p] < Criteria.precision * P) {
          candidate_[p] = 0;
          pressureHint_[p] = p == 1 ? "The pressure can change " : "The pressure can change";
        }
      }
      if (candidate_[1] && candidate_[2]) {
        if (Y[1] < Y[2]) {
          candidate_[1] = 0;
        } else {
          candidate_[2] = 0;
        }
      }
      for (int p = 1; p <= 2; ++p) {
        if (hasSpecies_[p] && !candidate_[p] && pressureHint_[p].empty()) pressureHint_[p] = "Pressure change is possible";
      }
      pressureEstimate_ = P;
      if (!candidate_[1] && !candidate_[2]) {
        pressureEstimate_ = 1.0L;
        Extended largestCondensed = 0;
        for (int p = 3; p <= PhaseSlots; ++p) {
          if (hasSpecies_[p]) largestCondensed = std::max(largestCondensed, Y[p]);
        }
        for (int p = 3; p <= PhaseSlots; ++p) {
          if (hasSpecies_[p] && Y[p] >= largestCondensed) candidate_[p] = 1;
        }
      }
      normalisingSlot_ = 0;
      for (int p = 1; p <= PhaseSlots && normalisingSlot_ == 0; ++p) {
        if (candidate_[p]) normalisingSlot_ = p;
      }
      if (normalisingSlot_ == 0) {
        for (int p = 1; p <= PhaseSlots && normalisingSlot_ == 0; ++p) {
          if (hasSpecies_[p]) normalisingSlot_ = p;
        }
        candidate_[normalisingSlot_] = 1;
      }
    }
    // The hints of step j concern the slot chosen as a candidate; the constant-volume mode
    // chooses none.
    candidateSlot = conditions_.mode == 0 ? normalisingSlot_ : 0;
    const Extended target = conditions_.mode == 0 ? pressureEstimate_ : conditions_.volume;

    // c. the iteration
    auto solve = [&]() -> int {  // 1 solved, 0 retry, -32 failed
      if (IterateNormalising(target)) return 1;
      if (autoCorrection_ && RetryWithSteps()) return 0;
      return -32;
    };
    int r = solve();
    if (r == 0) goto restart;
    if (r < 0) return -32;

    // d.
    statusText_ += "; 2: " + IntText(counters_.F) + "(" + FactorText(Criteria.approximationFactor) + ")";
    PostLogMessage(LevelInfo, 1205, "Search for exact solution");

    // e. forced species held at unit activity
  forced:
    for (int j = 1; j <= ns; ++j) {
      if (forced_[j] && active_[j] != 1) {
        PostLogMessage(LevelImportant, 1296,
                       namesPh_[j] + "- formation may be inpossible in system. The formation is forced.");
      }
    }
    // Each round holds every forced species at unit activity for the amount it has and solves
    // again. A forced species is a pure phase of its own: present, the solution holds it at
    // activity 1 already, so the coefficient a round would give it is the one it has and the
    // rounds end after the first; absent (its activity below 1) it holds nothing. The
    // element-potential steps alone (no Newton solution) move the coefficients as rounds do.
    for (int round = 0; round < kForcedRounds; ++round) {
      forcedFlag_ = false;
      bool again = false;
      for (int j = 1; j <= ns; ++j) {
        if (!forced_[j]) continue;
        if (gamma_[j] > kForcedDrop) {
          forced_[j] = 0;
          SetSpeciesState(j, -1);
        } else if (y_[j] < 1e-308L) {
          forced_[j] = 0;
          SetSpeciesState(j, 0);
        } else {
          forcedFlag_ = true;
          if (newtonValid_ && !SpeciesInPresentPhase(j)) continue;
          const Extended g = 1 / (scale_[j] * y_[j]);
          if (std::fabs(g / gamma_[j] - 1) <= roundTolerance) continue;
          gamma_[j] = g;
          RefreshSpeciesFactors(j);
          again = true;
        }
      }
      if (!again) break;
      r = solve();
      if (r == 0) goto restart;
      if (r < 0) return -32;
    }
    {
      for (int j = 1; j <= ns; ++j) {
        if (forced_[j] && active_[j] == 1 && SpeciesActivity(j) < 0.5L) SetSpeciesState(j, -1);
      }
      // The products must follow from a solution without the dropped species.
      if (!newtonValid_) {
        r = solve();
        if (r == 0) goto restart;
        if (r < 0) return -32;
      }
    }

    // f.
    statusText_ += "; P: " + IntText(counters_.largestP);
    {
      std::string inconsistent, low;
      for (int j = SlotFirst(normalisingSlot_); j <= SlotLast(normalisingSlot_); ++j) {
        if (!forced_[j]) continue;
        const Extended a = SpeciesActivity(j);
        if (a > 1.1L) inconsistent = "Inconsistent System. ";
        if (a < 0.9L) low += namesPh_[j] + ", ";
      }
      if (!inconsistent.empty() || !low.empty()) {
        PostLogMessage(LevelImportant, 1292,
                       inconsistent + (low.empty() ? "" : "Inconsistece, Possibily caused by " + low));
      }
    }

    // g.
    DistributeProducts();

    // h. auto correction
    if (autoCorrection_ && !autoCorrected && forcedFlag_) {
      autoCorrected = true;
      bool high = false;
      for (int j = 1; j <= ns; ++j) {
        if (forced_[j] && SpeciesActivity(j) > 1.1L) high = true;
      }
      if (high) {
        for (int j = 1; j <= ns; ++j) {
          if (!forced_[j]) continue;
          if (product_[j] < kTiny || SpeciesActivity(j) < 0.5L) {
            forced_[j] = 0;
            SetSpeciesState(j, 0);
            y_[j] = 0;
          }
        }
        PostLogMessage(LevelInfo, 1323, "Check for auto correcture");
        goto forced;
      }
      PostLogMessage(LevelInfo, 1327, "auto correcture is not necessary");
    }

    // i. condensed-phase check
    if (!Criteria.turbulentSystem && componentCount_ > 1) {
      silent_ = true;
      const bool ok = CondensedPhaseCheck();
      silent_ = false;
      if (!ok) {
        if (failureText_.empty()) failureText_ = "Calculation is broken because error 780";
        return -32;
      }
    }

    // j. hints for an empty normalising phase
    if (candidateSlot >= 1 && SlotProductTotal(candidateSlot) < kTiny) {
      PostLogMessage(LevelCritical, 1478, "Formation of natural minerals should be disabled: set ac=0 (zero)");
      PostLogMessage(LevelCritical, 1477,
                     "Remember that the natural minerals (in input) can not often form or exist in thermic processes");
      PostLogMessage(LevelCritical, 1476, "Please add several compunds with various combination into system");
      PostLogMessage(LevelCritical, 1475, "The substance selection is very restrictive");
    }

    if (!VerifyResult()) return -32;
    KeepSolution();
    return 1;
  }
}

// ------------------------------------------------------------------------------------------
// Results

int EqlSolver::ComponentIndexOfElement(int e) const {
  for (int k = 1; k <= componentCount_; ++k) {
    if (componentElement_[k] == e) return k;
  }
  return 0;
}

Extended EqlSolver::SpeciesMass(int j) const {
  if (!ValidSpecies(j) || product_[j] < Criteria.ignoreThreshold) return 0;
  return product_[j] * static_cast<Extended>(MolarMass(formulas_[j]));
}

Extended EqlSolver::SpeciesActivity(int j) const {
  return ValidSpecies(j) ? y_[j] * gamma_[j] * scale_[j] : 0;
}

int EqlSolver::SpeciesState(int j) const { return ValidSpecies(j) ? active_[j] : 0; }

std::string EqlSolver::PressureHint(int slot) const {
  if (slot == 1 || slot == 2) return pressureHint_[slot];
  return "-";
}

Extended EqlSolver::LagrangeGibbsEnergy() const {
  Extended sum = 0;
  for (int j = 1; j <= speciesCount_; ++j) {
    if (!(product_[j] > kTiny)) continue;
    Extended s = 0;
    for (int k = 1; k <= componentCount_; ++k) s += MatrixEntry(j, k) * lambda_[k];
    sum += product_[j] * s;
  }
  return SolverGasConstant * conditions_.temperature * sum;
}

Extended EqlSolver::ReactionGibbsEnergy() const {
  const Extended T = conditions_.temperature;
  const Extended RT = SolverGasConstant * T;
  Extended in = 0, out = 0;
  for (int p = 1; p <= PhaseSlots; ++p) {
    if (slotCount_[p] == 0) continue;
    const int first = SlotFirst(p), last = SlotLast(p);
    Extended sIn = 0;
    for (int j = first; j <= last; ++j) sIn += input_[j];
    if (sIn > 0 && T > 0) {
      for (int j = first; j <= last; ++j) {
        if (input_[j] > kTiny) in += input_[j] * (g0_[j] + RT * std::log(input_[j] / sIn));
      }
    }
    for (int j = first; j <= last; ++j) {
      const Extended a = SpeciesActivity(j);
      if (a > 0 && product_[j] > kTiny && T > 0) out += product_[j] * (g0std_[j] + RT * std::log(a));
    }
  }
  return out - in;
}

Extended EqlSolver::ReactionEnthalpy() const {
  Extended sum = 0;
  for (int j = 1; j <= speciesCount_; ++j) {
    if (product_[j] > 0) sum += product_[j] * h_[j];
    if (input_[j] > 0) sum -= input_[j] * h_[j];
  }
  return sum;
}

Extended EqlSolver::SystemEntropy() const {
  const Extended T = conditions_.temperature;
  if (!(T > 0)) return 0;
  return (ReactionEnthalpy() - ReactionGibbsEnergy()) / T;
}

Extended EqlSolver::PhaseEnthalpy(int slot) const {
  if (!ValidSlot(slot)) return 0;
  Extended sum = 0;
  for (int j = SlotFirst(slot); j <= SlotLast(slot); ++j) sum += product_[j] * h_[j];
  return sum;
}

Extended EqlSolver::PhaseGibbsEnergy(int slot) const {
  const Extended T = conditions_.temperature;
  if (!ValidSlot(slot) || !(T > 0)) return 0;
  const Extended RT = SolverGasConstant * T;
  Extended sum = 0;
  for (int j = SlotFirst(slot); j <= SlotLast(slot); ++j) {
    const Extended a = SpeciesActivity(j);
    if (a > 0) sum += product_[j] * (g0std_[j] + RT * std::log(a));
  }
  return sum;
}

Extended EqlSolver::PhaseEntropy(int slot) const {
  const Extended T = conditions_.temperature;
  if (!ValidSlot(slot) || !(T > 0)) return 0;
  return (PhaseEnthalpy(slot) - PhaseGibbsEnergy(slot)) / T;
}

Extended EqlSolver::PhaseActivitySum(int slot) const {
  if (!ValidSlot(slot)) return 0;
  Extended sum = 0;
  for (int j = SlotFirst(slot); j <= SlotLast(slot); ++j) sum += SpeciesActivity(j);
  return sum;
}

Extended EqlSolver::GetElementPotential(int k) const {
  return k >= 1 && k <= componentCount_ ? lambda_[k] : 0;
}

void EqlSolver::CalcEnthalpyBalance() {
  Extended n = 0;
  for (int p = 1; p <= PhaseSlots; ++p) n += slotTotal_[p];
  totalProduct_ = n;
  if (n < kTiny) return;
  const Extended T = conditions_.temperature;
  const Extended RT = SolverGasConstant * T;
  Extended H = 0, G = 0;
  for (int j = 1; j <= speciesCount_; ++j) {
    if (!(product_[j] > kTiny)) continue;
    H += product_[j] * h_[j];
    const Extended a = SpeciesActivity(j);
    if (a > 0) G += product_[j] * (g0std_[j] + RT * std::log(a));
  }
  productsH_ = H;
  productsG_ = G;
  productsS_ = T > 0 ? (H - G) / T : 0;
  productsHm_ = H / n;
  productsSm_ = productsS_ / n;
  productsGm_ = G / n;
  balanceComputed_ = true;
}

}  // namespace quorel
