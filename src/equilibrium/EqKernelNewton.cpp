// The Newton finish of the element-potential iteration, the phases of the system and the check
// of every result.
//
// Unknowns: the potential lambda_k of every component with input, and mu_q = ln nu_q of every
// present phase q; a member j of the phase holds n_j = nu_q y_j with
//   ln a_j = ln w_j + sum_k a_jk lambda_k,   ln y_j = ln a_j - ln(gamma_j x scale factor_j).
// Equations, all in logarithms so that traces and main species weigh alike:
//   element balance          ln(sum_j a_jk n_j / b_k) = 0
//   gas at the pressure      ln(sum_j a_j / P) = 0                (fugacities sum to P)
//   gas in the volume        ln(sum_j n_j R T / (1e5 V)) - ln(sum_j a_j) = 0
//   gas beside that volume   ln(sum_j a_j) - ln(sum a of the gas in the volume) = 0
//   liquid or solid solution ln(sum_j y_j) = 0
//   pure (forced) species    ln a_j = 0
// The Jacobian is dense and solved with full pivoting, so that dependent elements (CaCO3 = CaO +
// CO2 leaves one potential direction that no species feels) cost nothing; the steps are damped
// as in S. Gordon, B. J. McBride, NASA RP-1311 (1994), ch. 2 (the factors of eqs. 3.1-3.3 on the
// implied change of every ln n_j), and halved until the residual falls.
//
// Phases come and go by the standard test: an absent phase whose sum (gas: fugacities over P;
// solution: y; pure species: its activity) exceeds 1 at the current potentials is added, and a
// present phase whose amount vanishes is removed. Where more than one phase could be present,
// the set is found first by a barrier (interior-point) iteration on the dual problem
//   maximise sum_k b_k lambda_k  subject to  ln Q_q(lambda) <= 0 for every phase q,
// whose multipliers are the phase amounts (the Gibbs minimum of ideal phases is the saddle point
// of this problem, e.g. S. Boyd, L. Vandenberghe, Convex Optimization, 2004, sec. 5.2 and 11.3).
// It converges from any start and settles the phase rule by itself; Newton then finishes on the
// phases found present.
#include <algorithm>
#include <cmath>

#include "equilibrium/EqKernel.h"
#include "shared/AplMsg.h"

namespace quorel {

namespace {

constexpr Extended kLnHuge = 11000;       // exp beyond this would leave the extended range
constexpr int kMaxNewtonSteps = 300;      // per attempt
constexpr int kStallWindow = 10;          // the residual must halve within this many steps
constexpr int kMaxPhaseChanges = 24;
constexpr Extended kStartShare = 1e-3L;   // amount of a phase added by the stability test
constexpr Extended kRiseLimit = 6;        // largest rise of ln n of a main species in one step

inline Extended SafeExp(Extended x) { return std::exp(std::min(x, kLnHuge)); }
inline Extended SafeLog(Extended x) { return x > 0 ? std::log(x) : -kLnHuge; }

// Gaussian elimination with full pivoting of A x = r (A is n x n, row-major; A and r are
// overwritten). Unknowns beyond the numerical rank get 0, so a dependent element or a potential
// direction that no species feels makes no step. Returns the rank.
int SolveFullPivot(Extended* A, Extended* r, Extended* x, int n, int* pcol, Extended* tmp) {
  for (int i = 0; i < n; ++i) pcol[i] = i;
  int rank = 0;
  Extended first = 0;
  for (int k = 0; k < n; ++k) {
    int bi = k, bj = k;
    Extended best = 0;
    for (int i = k; i < n; ++i) {
      const Extended* row = A + static_cast<size_t>(i) * n;
      for (int j = k; j < n; ++j) {
        const Extended v = std::fabs(row[j]);
        if (v > best) {
          best = v;
          bi = i;
          bj = j;
        }
      }
    }
    if (k == 0) first = best;
    if (!(best > 1e-15L * first) || !std::isfinite(best)) break;
    if (bi != k) {
      for (int j = 0; j < n; ++j) std::swap(A[static_cast<size_t>(bi) * n + j], A[static_cast<size_t>(k) * n + j]);
      std::swap(r[bi], r[k]);
    }
    if (bj != k) {
      for (int i = 0; i < n; ++i) std::swap(A[static_cast<size_t>(i) * n + bj], A[static_cast<size_t>(i) * n + k]);
      std::swap(pcol[bj], pcol[k]);
    }
    const Extended* pivotRow = A + static_cast<size_t>(k) * n;
    const Extended pivot = pivotRow[k];
    for (int i = k + 1; i < n; ++i) {
      Extended* row = A + static_cast<size_t>(i) * n;
      const Extended f = row[k] / pivot;
      if (f == 0) continue;
      row[k] = 0;
      for (int j = k + 1; j < n; ++j) row[j] -= f * pivotRow[j];
      r[i] -= f * r[k];
    }
    ++rank;
  }
  for (int i = n - 1; i >= 0; --i) {
    if (i >= rank) {
      tmp[i] = 0;
      continue;
    }
    const Extended* row = A + static_cast<size_t>(i) * n;
    Extended s = r[i];
    for (int j = i + 1; j < rank; ++j) s -= row[j] * tmp[j];
    tmp[i] = s / row[i];
  }
  for (int i = 0; i < n; ++i) x[pcol[i]] = tmp[i];
  return rank;
}

}  // namespace

// ------------------------------------------------------------------------------------------
// Phases

bool EqlSolver::SpeciesInPresentPhase(int j) const {
  if (!ValidSpecies(j) || !newtonValid_) return false;
  const int q = phaseOf_[j];
  return q >= 0 && q < phaseCount_ && phases_[q].present;
}

// Every phase slot with active species that are not forced is one phase; every active forced
// species is a pure phase of its own. A phase keeps its presence from the last solution of the
// call (by its key).
void EqlSolver::BuildPhases() {
  phaseCount_ = 0;
  int m = 0;
  const int volumeSlot = conditions_.mode == 0 ? 0 : (conditions_.mode == 2 ? 2 : 1);
  for (int j = 1; j <= speciesCount_; ++j) phaseOf_[j] = -1;
  bool volumePhase = false;
  const auto add = [&](int key, PhaseKind kind, int first) {
    SolverPhase& q = phases_[phaseCount_];
    q.key = key;
    q.kind = kind;
    q.first = first;
    q.count = m - first;
    q.present = keysKnown_ && keyPresent_[key];
    q.mu = 0;
    for (int i = first; i < m; ++i) phaseOf_[members_[i]] = phaseCount_;
    ++phaseCount_;
  };
  for (int p = 1; p <= PhaseSlots; ++p) {
    const int first = m;
    for (int j = slotEnd_[p - 1] + 1; j <= slotEnd_[p]; ++j) {
      if (active_[j] == 1 && !forced_[j]) members_[m++] = j;
    }
    if (m == first) continue;
    PhaseKind kind = kCondensed;
    if (IsGasSlot(p)) {
      kind = volumeSlot == 0 ? kGasAtPressure : (p == volumeSlot ? kGasInVolume : kGasBesideVolume);
      if (kind == kGasInVolume) volumePhase = true;
    }
    add(p, kind, first);
  }
  for (int j = 1; j <= speciesCount_; ++j) {
    if (active_[j] != 1 || !forced_[j]) continue;
    const int first = m;
    members_[m++] = j;
    add(PhaseSlots + j, kPure, first);
  }
  lnTarget_ = std::log(PhaseTarget(SolverPhase{}));
  lnVolumeFactor_ = conditions_.volume > 0
                        ? std::log(SolverGasConstant * conditions_.temperature / (1e5L * conditions_.volume))
                        : 0;
  for (int q = 0; q < phaseCount_; ++q) {
    if (phases_[q].kind == kGasBesideVolume && !volumePhase) phases_[q].kind = kGasAtPressure;
    if (phases_[q].kind == kGasInVolume) phases_[q].present = true;  // the gas always fills the volume
  }
  // the components of the Newton unknowns: those with input that some member holds
  newtonComps_ = 0;
  for (int k = 0; k <= componentCount_; ++k) newtonCol_[k] = -1;
  for (int k = 1; k <= componentCount_; ++k) {
    if (!(b_[k] > 0)) continue;
    bool held = false;
    for (int i = 0; i < m && !held; ++i) {
      const int j = members_[i];
      for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
        if (nzComponent_[n] == k) held = true;
      }
    }
    if (!held) continue;
    newtonCol_[k] = newtonComps_;
    newtonComp_[newtonComps_++] = k;
  }
}

// The pressure at which a gas of the kind "at pressure" is closed.
Extended EqlSolver::PhaseTarget(const SolverPhase&) const {
  return conditions_.mode == 0 ? conditions_.pressure : pressureEstimate_;
}

// Species and phase sums at the potentials given (the solver's own, or a trial point). The
// sums are formed in logarithms (shifted by the largest term), so that a phase far from
// stability keeps an exact ln Q however small Q is.
void EqlSolver::EvaluatePhases(const Extended* lambda) {
  int volume = -1;
  const bool tabled = lambda == lambda_.data();
  if (tabled) RefreshPotentialFactors();
  for (int q = 0; q < phaseCount_; ++q) {
    SolverPhase& ph = phases_[q];
    const int end = ph.first + ph.count;
    Extended maxA = -1e300L, maxY = -1e300L;
    bool plain = true;  // y = a for every member (coefficients and scale factors 1)
    for (int i = ph.first; i < end; ++i) {
      const int j = members_[i];
      Extended s = 0;
      for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) s += nzValue_[n] * lambda[nzComponent_[n]];
      lnA_[j] = lnw_[j] + s;
      lnY_[j] = lnA_[j] - lnGammaScale_[j];
      if (lnGammaScale_[j] != 0) plain = false;
      maxA = std::max(maxA, lnA_[j]);
      maxY = std::max(maxY, lnY_[j]);
    }
    // The terms relative to the largest one. A formula of small whole numbers takes its term as
    // w times the powers exp(lambda_k)^a_jk of the table (an exponential per component, not
    // per species), while every partial product stays well inside the extended range; any
    // other member takes the exponential of its logarithm.
    const bool shifted = tabled && maxA > -kLnHuge && maxA < kLnHuge && maxY - maxA < kLnHuge;
    const Extended invScale = shifted ? std::exp(-maxA) : 0;
    const Extended shiftY = shifted && !plain ? std::exp(maxA - maxY) : 1;
    Extended sa = 0, sy = 0;
    for (int i = ph.first; i < end; ++i) {
      const int j = members_[i];
      Extended ea, ey;
      if (shifted && wholeRow_[j] && std::fabs(lnw_[j]) + atomTotal_[j] * lambdaBound_ < 11000) {
        Extended a = weight_[j];
        for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) a *= powerTable_[nzComponent_[n]][nzPower_[n]];
        ea = a * invScale;
        ey = plain ? ea : ea * invGammaScale_[j] * shiftY;
      } else {
        ea = std::exp(lnA_[j] - maxA);
        ey = plain ? ea : std::exp(lnY_[j] - maxY);
      }
      weightA_[j] = ea;
      weightY_[j] = ey;
      sa += ea;
      sy += ey;
    }
    ph.lnSumA = maxA + std::log(sa);
    ph.lnSumY = plain ? ph.lnSumA : maxY + std::log(sy);
    ph.lnSumN = ph.present ? ph.mu + ph.lnSumY : -kLnHuge;
    const bool inRange = maxA < kLnHuge && maxY < kLnHuge;
    const Extended scaleA = SafeExp(maxA);
    const Extended scaleY = plain ? scaleA : SafeExp(maxY);
    const Extended scaleN = ph.present ? SafeExp(ph.mu + maxY) : 0;
    ph.sumA = inRange ? scaleA * sa : SafeExp(ph.lnSumA);
    ph.sumY = inRange ? scaleY * sy : SafeExp(ph.lnSumY);
    ph.sumN = scaleN * sy;
    const Extended invA = 1 / sa, invY = 1 / sy;
    for (int i = ph.first; i < end; ++i) {
      const int j = members_[i];
      activity_[j] = inRange ? weightA_[j] * scaleA : SafeExp(lnA_[j]);
      amount_[j] = weightY_[j] * scaleN;
      weightA_[j] *= invA;  // now the share of the term in its sum
      weightY_[j] *= invY;
    }
    if (ph.kind == kGasInVolume) volume = q;
  }
  for (int q = 0; q < phaseCount_; ++q) {
    SolverPhase& ph = phases_[q];
    switch (ph.kind) {
      case kGasAtPressure: ph.lnQ = ph.lnSumA - lnTarget_; break;
      case kGasInVolume: ph.lnQ = 0; break;
      case kGasBesideVolume: ph.lnQ = ph.lnSumA - (volume >= 0 ? phases_[volume].lnSumA : 0); break;
      case kCondensed: ph.lnQ = ph.lnSumY; break;
      case kPure: ph.lnQ = lnA_[members_[ph.first]]; break;
    }
  }
}

// The amount factor that gives the phase the amount given at the current potentials.
void EqlSolver::StartAmounts(SolverPhase& q, Extended amount) {
  q.mu = SafeLog(amount) - q.lnSumY;
}

// Residuals (and the Jacobian) of the present phases at the solver's potentials and the
// phases' mu; returns half the sum of the squared residuals.
Extended EqlSolver::NewtonResidual(bool jacobian) {
  EvaluatePhases(lambda_.data());
  const int nc = newtonComps_;
  const int np = static_cast<int>(presentList_.size());
  const int n = nc + np;
  Extended* F = res_.data();
  Extended* B = work_.data();  // element outputs
  for (int c = 0; c < nc; ++c) B[c] = 0;
  if (jacobian) std::fill(jac_.begin(), jac_.begin() + static_cast<size_t>(n) * n, 0.0L);
  Extended* J = jac_.data();
  for (int i = 0; i < np; ++i) {
    const SolverPhase& ph = phases_[presentList_[i]];
    for (int r = ph.first; r < ph.first + ph.count; ++r) {
      const int j = members_[r];
      const Extended nj = amount_[j];
      if (nj == 0) continue;
      for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
        const int ck = newtonCol_[nzComponent_[e]];
        if (ck < 0) continue;
        const Extended ank = nzValue_[e] * nj;
        B[ck] += ank;
        if (!jacobian) continue;
        Extended* row = J + static_cast<size_t>(ck) * n;
        row[nc + i] += ank;
        for (int f = nzStart_[j]; f < nzStart_[j + 1]; ++f) {
          const int cm = newtonCol_[nzComponent_[f]];
          if (cm >= 0) row[cm] += ank * nzValue_[f];
        }
      }
    }
  }
  Extended phi = 0;
  for (int c = 0; c < nc; ++c) {
    const Extended b = b_[newtonComp_[c]];
    F[c] = B[c] > 0 ? std::log(B[c] / b) : -kLnHuge;
    phi += F[c] * F[c];
    if (jacobian && B[c] > 0) {
      Extended* row = J + static_cast<size_t>(c) * n;
      const Extended inv = 1 / B[c];
      for (int u = 0; u < n; ++u) row[u] *= inv;
    }
  }
  int volume = -1;
  for (int q = 0; q < phaseCount_; ++q) {
    if (phases_[q].kind == kGasInVolume) volume = q;
  }
  for (int i = 0; i < np; ++i) {
    const SolverPhase& ph = phases_[presentList_[i]];
    const int rowIndex = nc + i;
    Extended& f = F[rowIndex];
    switch (ph.kind) {
      case kGasAtPressure: f = ph.lnSumA - lnTarget_; break;
      case kGasInVolume: f = ph.lnSumN + lnVolumeFactor_ - ph.lnSumA; break;
      case kGasBesideVolume: f = ph.lnSumA - phases_[volume].lnSumA; break;
      case kCondensed: f = ph.lnSumY; break;
      case kPure: f = lnA_[members_[ph.first]]; break;
    }
    phi += f * f;
    if (!jacobian) continue;
    Extended* row = J + static_cast<size_t>(rowIndex) * n;
    // d ln(sum)/d lambda: the mean composition, weighted by the terms of the sum (the amounts of
    // a phase are in proportion to its y)
    const auto addMean = [&](const SolverPhase& p, Extended sign, bool byY, bool byN) {
      const bool y = byY || byN;
      for (int r = p.first; r < p.first + p.count; ++r) {
        const int j = members_[r];
        const Extended w = y ? weightY_[j] : weightA_[j];
        if (w == 0) continue;
        for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
          const int cm = newtonCol_[nzComponent_[e]];
          if (cm >= 0) row[cm] += sign * w * nzValue_[e];
        }
      }
    };
    switch (ph.kind) {
      case kGasAtPressure: addMean(ph, 1, false, false); break;
      case kGasInVolume:
        addMean(ph, 1, false, true);
        addMean(ph, -1, false, false);
        row[rowIndex] = 1;
        break;
      case kGasBesideVolume:
        addMean(ph, 1, false, false);
        addMean(phases_[volume], -1, false, false);
        break;
      case kCondensed: addMean(ph, 1, true, false); break;
      case kPure: {
        const int j = members_[ph.first];
        for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
          const int cm = newtonCol_[nzComponent_[e]];
          if (cm >= 0) row[cm] += nzValue_[e];
        }
        break;
      }
    }
  }
  return phi / 2;
}

// One Newton or barrier step done: counted as one step of the loop that runs it (I in the
// estimate, F in the final loop), which also raises the factor, keeps the limit and lets
// pending events run, as every step of those loops does.
bool EqlSolver::CountNewtonStep(bool estimate, NewtonOutcome& stop) {
  ++counters_.newton;
  ++counters_.steps;
  long& count = estimate ? counters_.I : counters_.F;
  ++count;
  Extended& f = Criteria.approximationFactor;
  if (count > raiseThreshold_) {
    f = std::min<Extended>(f + (0.99L - f) / 2, 0.99L);
    raiseThreshold_ += 1000;
  }
  if (count > Criteria.iterationLimit) {
    stop = NewtonOutcome::Stopped;
    if (estimate) {
      PostLogMessage(LevelError, 916,
                     "Maximum iteration steps are exceed (ilk)." + LimitHint() + "; " + CounterText('I') + " (" +
                         FormatExtended(f) + ")");
      failureText_ = "Calculation is broken because error 916";
    } else if (!silent_) {
      PostLogMessage(LevelCritical, 780,
                     "Maximum iteration steps are exceed.(Fin)" + LimitHint() + "; " + CounterText('I') + " (" +
                         FormatExtended(f) + ")");
      failureText_ = "Calculation is broken because error 780";
    }
    return false;
  }
  if (Pump()) {
    stop = NewtonOutcome::Stopped;
    failureText_ += estimate ? "Break by user (ilk)" : "Break by user !";
    return false;
  }
  return true;
}

// Newton on the present phases, adding and removing phases by the stability test. Stalled when
// the residual does not halve within kStallWindow steps or the phase set keeps changing.
EqlSolver::NewtonOutcome EqlSolver::NewtonIterate(bool estimate, bool& stalled) {
  stalled = false;
  const Extended tol = std::min<Extended>(1e-12L, Criteria.precision / 100);
  const int nc = newtonComps_;
  const auto rebuild = [&]() {
    presentList_.clear();
    for (int q = 0; q < phaseCount_; ++q) {
      if (phases_[q].present) presentList_.push_back(q);
    }
  };
  const auto maxResidual = [&]() {
    Extended m = 0;
    for (int i = 0; i < nc + static_cast<int>(presentList_.size()); ++i) m = std::max(m, std::fabs(res_[i]));
    return m;
  };
  // Every element with input needs a present phase that holds it: where none does, the absent
  // phase nearest to stability among those holding it comes in.
  const auto cover = [&]() {
    EvaluatePhases(lambda_.data());
    for (int c = 0; c < nc; ++c) {
      const int k = newtonComp_[c];
      int best = -1;
      bool held = false;
      for (int q = 0; q < phaseCount_ && !held; ++q) {
        const SolverPhase& ph = phases_[q];
        bool holds = false;
        for (int r = ph.first; r < ph.first + ph.count && !holds; ++r) holds = MatrixEntry(members_[r], k) != 0;
        if (!holds) continue;
        if (ph.present) {
          held = true;
        } else if (best < 0 || ph.lnQ > phases_[best].lnQ) {
          best = q;
        }
      }
      if (held || best < 0) continue;
      // the amount that holds the element's input, at the phase's mean content of it
      SolverPhase& ph = phases_[best];
      Extended content = 0;
      for (int r = ph.first; r < ph.first + ph.count; ++r) {
        const int j = members_[r];
        content += MatrixEntry(j, k) * weightY_[j];
      }
      ph.present = true;
      StartAmounts(ph, content > 0 ? b_[k] / content : b_[k]);
    }
  };
  cover();
  rebuild();
  if (presentList_.empty()) {
    stalled = true;
    return NewtonOutcome::Stalled;
  }
  Extended phi = NewtonResidual(true);
  Extended windowStart = maxResidual();
  int windowSteps = 0, changes = 0;
  Extended lastRatio = 1;  // the gain of the last full step
  Extended* dx = step_.data();
  Extended* rhs = work_.data() + (MaxSolverComponents + 1);
  Extended* tmp = rhs + kNewtonUnknowns;
  Extended* x0 = tmp + kNewtonUnknowns;
  for (int iter = 0; iter < kMaxNewtonSteps; ++iter) {
    const int np = static_cast<int>(presentList_.size());
    const int n = nc + np;
    const Extended maxF = maxResidual();
    if (maxF <= tol) {
      // converged on these phases: is an absent one unstable?
      int worst = -1;
      Extended worstLn = tol;
      for (int q = 0; q < phaseCount_; ++q) {
        if (!phases_[q].present && phases_[q].lnQ > worstLn) {
          worstLn = phases_[q].lnQ;
          worst = q;
        }
      }
      if (worst < 0) return NewtonOutcome::Converged;
      if (++changes > kMaxPhaseChanges) break;
      Extended total = 0;
      for (int q : presentList_) total += phases_[q].sumN;
      phases_[worst].present = true;
      StartAmounts(phases_[worst], kStartShare * total);
      rebuild();
      phi = NewtonResidual(true);
      windowStart = maxResidual();
      windowSteps = 0;
      continue;
    }
    for (int i = 0; i < n; ++i) rhs[i] = -res_[i];
    SolveFullPivot(jac_.data(), rhs, dx, n, pivCol_.data(), tmp);
    // damping (NASA RP-1311, eqs. 3.1-3.3) on the implied change of every ln n_j
    Extended total = 0;
    for (int q : presentList_) total += phases_[q].sumN;
    Extended largestRise = 0, largestFall = 0, minorLimit = 1e300L;
    for (int i = 0; i < np; ++i) {
      const SolverPhase& ph = phases_[presentList_[i]];
      const Extended dmu = dx[nc + i];
      for (int r = ph.first; r < ph.first + ph.count; ++r) {
        const int j = members_[r];
        Extended psi = dmu;
        for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
          const int c = newtonCol_[nzComponent_[e]];
          if (c >= 0) psi += nzValue_[e] * dx[c];
        }
        const Extended share = total > 0 ? amount_[j] / total : 0;
        if (share > 1e-8L) {
          largestRise = std::max(largestRise, psi);
          largestFall = std::max(largestFall, -psi);
        } else if (psi > 0) {
          const Extended lnShare = std::max(SafeLog(share), -kLnHuge);
          minorLimit = std::min(minorLimit, std::fabs((-lnShare - 9.2103404L) / psi));
        }
      }
    }
    // (the rise limit is wider than the factor e^2 of the paper: the unknowns here are the
    // potentials, and a step that raises the main species too far is halved below anyway)
    Extended t = 1;
    if (largestRise > kRiseLimit) t = kRiseLimit / largestRise;
    t = std::min(t, minorLimit);
    if (largestFall > 40) t = std::min(t, 40 / largestFall);
    Extended largestLambda = 0;
    for (int c = 0; c < nc; ++c) largestLambda = std::max(largestLambda, std::fabs(dx[c]));
    if (largestLambda * t > 50) t = 50 / largestLambda;
    // halve until the residual falls
    for (int c = 0; c < nc; ++c) x0[c] = lambda_[newtonComp_[c]];
    for (int i = 0; i < np; ++i) x0[nc + i] = phases_[presentList_[i]].mu;
    bool accepted = false;
    Extended phiNew = phi;
    for (int halving = 0; halving < 12; ++halving) {
      for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = x0[c] + t * dx[c];
      for (int i = 0; i < np; ++i) phases_[presentList_[i]].mu = x0[nc + i] + t * dx[nc + i];
      phiNew = NewtonResidual(true);
      if (phiNew < phi || !(phi > 0)) {
        accepted = true;
        break;
      }
      t /= 2;
    }
    if (!accepted) {
      for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = x0[c];
      for (int i = 0; i < np; ++i) phases_[presentList_[i]].mu = x0[nc + i];
      NewtonResidual(true);
      break;
    }
    // A full step that gains only a factor of a few is a trace that the balance sees linearly
    // while it falls exponentially along the step (at exact stoichiometry the last potential
    // direction shows only through traces, and each Newton step lowers them by e): the step is
    // lengthened as long as the residual keeps falling.
    const Extended ratio = phi > 0 ? phiNew / phi : 0;
    const bool linear = t == 1 && ratio > 1e-3L && lastRatio > 1e-3L && lastRatio < 0.5L && phi < 1e-2L;
    lastRatio = t == 1 ? ratio : 1;
    if (linear) {
      Extended longer = 1, best = phiNew;
      for (int grow = 0; grow < 6; ++grow) {
        const Extended trial = longer * 4;
        for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = x0[c] + trial * dx[c];
        for (int i = 0; i < np; ++i) phases_[presentList_[i]].mu = x0[nc + i] + trial * dx[nc + i];
        const Extended phiTrial = NewtonResidual(false);
        if (!(phiTrial < best)) break;
        best = phiTrial;
        longer = trial;
      }
      for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = x0[c] + longer * dx[c];
      for (int i = 0; i < np; ++i) phases_[presentList_[i]].mu = x0[nc + i] + longer * dx[nc + i];
      phiNew = NewtonResidual(true);
      t = longer;
    }
    NewtonOutcome stop = NewtonOutcome::Converged;
    if (!CountNewtonStep(estimate, stop)) return stop;
    phi = phiNew;
    // a phase whose amount vanishes leaves (the gas that fills the volume always stays)
    bool removed = false;
    Extended newTotal = 0;
    for (int q : presentList_) newTotal += phases_[q].sumN;
    // (near a vanishing phase the full step of mu tends to -1: the linearised amount, N (1 + dmu),
    // goes to zero; a phase that keeps a small amount N* has dmu = N*/N - 1 > -1)
    for (int i = 0; i < np; ++i) {
      SolverPhase& ph = phases_[presentList_[i]];
      if (ph.kind == kGasInVolume || np <= 1) continue;
      const Extended share = newTotal > 0 ? ph.sumN / newTotal : 0;
      if ((share < 1e-3L && dx[nc + i] < -0.999L) || share < 1e-40L) {
        ph.present = false;
        removed = true;
      }
    }
    if (removed) {
      if (++changes > kMaxPhaseChanges) break;
      cover();
      rebuild();
      phi = NewtonResidual(true);
      windowStart = maxResidual();
      windowSteps = 0;
      continue;
    }
    if (++windowSteps >= kStallWindow) {
      const Extended now = maxResidual();
      if (now > windowStart / 2) break;
      windowStart = now;
      windowSteps = 0;
    }
  }
  stalled = true;
  return NewtonOutcome::Stalled;
}

// The interior-point iteration on the dual problem (primal-dual: the phase amounts eta_q and
// the slacks s_q = -ln Q_q are unknowns beside the potentials, eta_q s_q = tau is driven to 0):
// finds which phases are present and potentials close to the solution, from any start, with
// every amount relative to the input. False when a step limit or a break stopped it.
bool EqlSolver::InteriorPointPhases(bool estimate, NewtonOutcome& stop) {
  const int m = newtonComps_;
  if (m == 0) return true;
  Extended bsum = 0;
  for (int c = 0; c < m; ++c) bsum += b_[newtonComp_[c]];
  const Extended RT = SolverGasConstant * conditions_.temperature;
  int volume = -1, constraints = 0;
  for (int q = 0; q < phaseCount_; ++q) {
    if (phases_[q].kind == kGasInVolume) {
      volume = q;
    } else {
      ++constraints;
    }
  }
  // amounts of the gas that fills the volume per unit y, relative to the input
  const Extended nuV = volume >= 0 ? 1e5L * conditions_.volume / RT / bsum : 0;
  Extended* lam = lambda_.data();
  Extended* rd = ipGrad_.data();
  Extended* M = ipHess_.data();
  Extended* V = ipV_.data();  // d g_q / d lambda: the mean composition of each phase
  Extended* S = ipS_.data();
  Extended* E = ipEta_.data();
  Extended* dS = ipDs_.data();
  Extended* dE = ipDeta_.data();
  Extended* G = ipG_.data();
  Extended* dx = step_.data();
  Extended* rhs = work_.data() + (MaxSolverComponents + 1);
  Extended* tmp = rhs + kNewtonUnknowns;
  Extended* x0 = tmp + kNewtonUnknowns;
  const auto constraint = [&](const SolverPhase& ph) -> Extended {
    if (ph.kind == kGasBesideVolume) return ph.lnSumA - std::log(pressureEstimate_);
    return ph.lnQ;
  };
  const auto byY = [](const SolverPhase& ph) { return ph.kind == kCondensed; };
  // residuals at lam: rd = b - grad F_V - sum eta v, rp = g + s, rc = eta s - tau
  const auto residual = [&](Extended tau, bool derivatives) -> Extended {
    EvaluatePhases(lam);
    for (int c = 0; c < m; ++c) rd[c] = b_[newtonComp_[c]] / bsum;
    if (derivatives) std::fill(M, M + static_cast<size_t>(m) * m, 0.0L);
    Extended norm = 0;
    for (int q = 0; q < phaseCount_; ++q) {
      const SolverPhase& ph = phases_[q];
      Extended* v = V + static_cast<size_t>(q) * m;
      std::fill(v, v + m, 0.0L);
      const bool isVolume = q == volume;
      const Extended weight = isVolume ? nuV : E[q];
      for (int r = ph.first; r < ph.first + ph.count; ++r) {
        const int j = members_[r];
        const Extended w = isVolume ? SafeExp(lnY_[j]) : (byY(ph) ? weightY_[j] : weightA_[j]);
        if (w == 0) continue;
        for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
          const int ce = newtonCol_[nzComponent_[e]];
          if (ce < 0) continue;
          v[ce] += w * nzValue_[e];
          if (!derivatives) continue;
          for (int e2 = nzStart_[j]; e2 < nzStart_[j + 1]; ++e2) {
            const int c2 = newtonCol_[nzComponent_[e2]];
            if (c2 >= 0) M[static_cast<size_t>(ce) * m + c2] += weight * w * nzValue_[e] * nzValue_[e2];
          }
        }
      }
      for (int c = 0; c < m; ++c) rd[c] -= weight * v[c];
      if (isVolume) continue;
      G[q] = constraint(ph);
      const Extended rp = G[q] + S[q], rc = E[q] * S[q] - tau;
      norm += rp * rp + rc * rc;
      if (!derivatives) continue;
      // eta (sum w a a^T - v v^T) + (eta / s) v v^T
      const Extended f = E[q] / S[q] - E[q];
      for (int a = 0; a < m; ++a) {
        if (v[a] == 0) continue;
        for (int c = 0; c < m; ++c) M[static_cast<size_t>(a) * m + c] += f * v[a] * v[c];
      }
    }
    for (int c = 0; c < m; ++c) norm += rd[c] * rd[c];
    return norm;
  };
  // start: the potentials as they are; slacks at least 1, amounts shared equally
  EvaluatePhases(lam);
  for (int q = 0; q < phaseCount_; ++q) {
    if (q == volume) continue;
    S[q] = std::max<Extended>(-constraint(phases_[q]), 1);
    E[q] = 1.0L / std::max(constraints, 1);
  }
  Extended tau = 0.1L;
  Extended norm = residual(tau, true);
  bool haveDerivatives = true, shortStep = false;
  for (int iter = 0; iter < 200; ++iter) {
    Extended gap = 0;
    for (int q = 0; q < phaseCount_; ++q) {
      if (q != volume) gap += E[q] * S[q];
    }
    gap /= std::max(constraints, 1);
    Extended rdNorm = 0, rpNorm = 0;
    for (int c = 0; c < m; ++c) rdNorm = std::max(rdNorm, std::fabs(rd[c]));
    for (int q = 0; q < phaseCount_; ++q) {
      if (q != volume) rpNorm = std::max(rpNorm, std::fabs(G[q] + S[q]));
    }
    // the phases are told apart long before the balances are exact: Newton finishes them
    if (gap < 1e-6L && rdNorm < 1e-6L && rpNorm < 1e-6L) break;
    // after a short step the path is followed more closely (a step is short where phases are
    // about to change places, e.g. a decomposition near its temperature)
    tau = (shortStep ? 0.5L : 0.1L) * gap;
    if (!haveDerivatives) residual(tau, true);
    norm = 0;  // the residual norm for the new tau
    for (int c = 0; c < m; ++c) norm += rd[c] * rd[c];
    for (int q = 0; q < phaseCount_; ++q) {
      if (q == volume) continue;
      const Extended rp = G[q] + S[q], rc = E[q] * S[q] - tau;
      norm += rp * rp + rc * rc;
    }
    haveDerivatives = false;
    // M dx = rd - sum v (-rc + eta rp) / s
    for (int c = 0; c < m; ++c) rhs[c] = rd[c];
    for (int q = 0; q < phaseCount_; ++q) {
      if (q == volume) continue;
      const Extended rp = G[q] + S[q], rc = E[q] * S[q] - tau;
      const Extended k = (-rc + E[q] * rp) / S[q];
      const Extended* v = V + static_cast<size_t>(q) * m;
      for (int c = 0; c < m; ++c) rhs[c] -= v[c] * k;
    }
    SolveFullPivot(M, rhs, dx, m, pivCol_.data(), tmp);
    // the slacks and amounts follow; the step keeps both positive
    Extended alpha = 1;
    for (int q = 0; q < phaseCount_; ++q) {
      if (q == volume) continue;
      const Extended* v = V + static_cast<size_t>(q) * m;
      Extended vdx = 0;
      for (int c = 0; c < m; ++c) vdx += v[c] * dx[c];
      const Extended rp = G[q] + S[q], rc = E[q] * S[q] - tau;
      dS[q] = -rp - vdx;
      dE[q] = (-rc - E[q] * dS[q]) / S[q];
      if (dS[q] < 0) alpha = std::min(alpha, -0.99L * S[q] / dS[q]);
      if (dE[q] < 0) alpha = std::min(alpha, -0.99L * E[q] / dE[q]);
    }
    // no species may change by more than e^50 in one step
    Extended largest = 0;
    for (int r = 0; r < (phaseCount_ > 0 ? phases_[phaseCount_ - 1].first + phases_[phaseCount_ - 1].count : 0); ++r) {
      const int j = members_[r];
      Extended d = 0;
      for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
        const int c = newtonCol_[nzComponent_[e]];
        if (c >= 0) d += nzValue_[e] * dx[c];
      }
      largest = std::max(largest, std::fabs(d));
    }
    if (largest * alpha > 50) alpha = 50 / largest;
    for (int c = 0; c < m; ++c) x0[c] = lam[newtonComp_[c]];
    for (int q = 0; q < phaseCount_; ++q) {
      x0[m + 2 * q] = S[q];
      x0[m + 2 * q + 1] = E[q];
    }
    bool moved = false;
    for (int halving = 0; halving < 40; ++halving) {
      for (int c = 0; c < m; ++c) lam[newtonComp_[c]] = x0[c] + alpha * dx[c];
      for (int q = 0; q < phaseCount_; ++q) {
        if (q == volume) continue;
        S[q] = x0[m + 2 * q] + alpha * dS[q];
        E[q] = x0[m + 2 * q + 1] + alpha * dE[q];
      }
      const Extended trial = residual(tau, true);
      if (std::isfinite(trial) && trial <= (1 - 1e-4L * alpha) * norm) {
        moved = true;
        haveDerivatives = true;
        break;
      }
      alpha /= 2;
    }
    if (!moved) {
      for (int c = 0; c < m; ++c) lam[newtonComp_[c]] = x0[c];
      for (int q = 0; q < phaseCount_; ++q) {
        S[q] = x0[m + 2 * q];
        E[q] = x0[m + 2 * q + 1];
      }
      residual(tau, true);
      break;
    }
    if (!CountNewtonStep(estimate, stop)) return false;
    // steps that hardly move: a direction only traces feel (exact stoichiometry), which the
    // Newton finish takes better
    if (alpha < 1e-6L && gap < 1e-6L) break;
    shortStep = alpha < 0.5L;
  }
  // present: the phases whose amount outweighs their slack; their amounts are the multipliers
  EvaluatePhases(lam);
  for (int q = 0; q < phaseCount_; ++q) {
    SolverPhase& ph = phases_[q];
    if (ph.kind == kGasInVolume) {
      ph.present = true;
      ph.mu = std::log(1e5L * conditions_.volume / RT);
      continue;
    }
    ph.present = E[q] > S[q];
    if (ph.present) StartAmounts(ph, E[q] * bsum);
  }
  return true;
}

// The Newton finish of one loop: from the phases of the last solution when there is one,
// else from the barrier iteration (or, with a single phase, from the potentials as they are).
EqlSolver::NewtonOutcome EqlSolver::NewtonFinish(bool estimate) {
  // A Newton that gives up leaves the potentials as the steps had them.
  std::copy(lambda_.begin(), lambda_.end(), bestLambda_.begin());
  const NewtonOutcome r = NewtonFinishFrom(estimate);
  if (r == NewtonOutcome::Stalled) std::copy(bestLambda_.begin(), bestLambda_.end(), lambda_.begin());
  return r;
}

EqlSolver::NewtonOutcome EqlSolver::NewtonFinishFrom(bool estimate) {
  BuildPhases();
  const int nUnknowns = newtonComps_ + phaseCount_;
  if (phaseCount_ == 0 || newtonComps_ == 0 || nUnknowns > kNewtonUnknowns) return NewtonOutcome::Stalled;
  // workspace: grows to the largest system solved, so that a solve of the same size allocates
  // nothing
  const size_t square = static_cast<size_t>(nUnknowns) * nUnknowns;
  if (jac_.size() < square) jac_.resize(square);
  const size_t m = static_cast<size_t>(newtonComps_);
  if (ipHess_.size() < m * m) ipHess_.resize(m * m);
  if (ipV_.size() < m * phaseCount_) ipV_.resize(m * phaseCount_);
  NewtonOutcome stop = NewtonOutcome::Stalled;
  bool barrierDone = false;
  EvaluatePhases(lambda_.data());
  bool anyPresent = false;
  for (int q = 0; q < phaseCount_; ++q) {
    SolverPhase& ph = phases_[q];
    if (!ph.present) continue;
    anyPresent = true;
    if (ph.kind == kGasInVolume) {
      ph.mu = std::log(1e5L * conditions_.volume / (SolverGasConstant * conditions_.temperature));
    } else {
      StartAmounts(ph, keysKnown_ && keyPresent_[ph.key] ? keyAmount_[ph.key] : 0);
    }
  }
  const bool onlyVolume = phaseCount_ == 1 && phases_[0].kind == kGasInVolume;
  const bool cold = !keysKnown_ || !anyPresent || onlyVolume;
  if (cold && StartFromLast()) {
    // the last solution of the same system
  } else if (cold) {
    if (phaseCount_ == 1) {
      // one phase: it starts with the amount of the input, at the potentials as they are or at
      // those of the input mixture, whichever balances better
      SolverPhase& ph = phases_[0];
      ph.present = true;
      StartFromInput(ph);
    } else {
      // several phases: the interior-point iteration finds which are present
      if (!InteriorPointPhases(estimate, stop)) return stop;
      barrierDone = true;
    }
  }
  for (int attempt = 0; attempt < 2 * PhaseSlots; ++attempt) {
    bool stalled = false;
    const NewtonOutcome r = NewtonIterate(estimate, stalled);
    if (r == NewtonOutcome::Converged) {
      AcceptNewtonSolution();
      return r;
    }
    if (r == NewtonOutcome::Stopped) return r;
    if (!barrierDone) {
      if (!InteriorPointPhases(estimate, stop)) return stop;
      barrierDone = true;
      continue;
    }
    // From the barrier's phases a stall means that they cannot all be closed at once (a
    // decomposition a hair from its equilibrium temperature): the one with the least amount goes.
    int smallest = -1, present = 0;
    for (int q = 0; q < phaseCount_; ++q) {
      const SolverPhase& ph = phases_[q];
      if (!ph.present) continue;
      ++present;
      if (ph.kind != kGasInVolume && (smallest < 0 || ph.sumN < phases_[smallest].sumN)) smallest = q;
    }
    if (smallest < 0 || present < 2) break;
    phases_[smallest].present = false;
  }
  return NewtonOutcome::Stalled;
}

// The start of a single phase: its amount that of the input; the potentials moved (in the
// least-squares sense) to those at which the species of the input have their input shares, when
// that balances the elements better than the potentials of the estimate.
void EqlSolver::StartFromInput(SolverPhase& ph) {
  const int m = newtonComps_;
  Extended input = 0;
  for (int j = 1; j <= speciesCount_; ++j) input += reactingInput_[j];
  const auto startMu = [&]() {
    if (ph.kind == kGasInVolume) {
      ph.mu = std::log(1e5L * conditions_.volume / (SolverGasConstant * conditions_.temperature));
    } else {
      StartAmounts(ph, input);
    }
  };
  presentList_.assign(1, 0);
  startMu();
  const Extended before = NewtonResidual(false);
  // normal equations of the input species: sum_j a_j a_j^T d = sum_j a_j (t_j - ln y_j)
  Extended* A = jac_.data();
  Extended* rhs = work_.data() + (MaxSolverComponents + 1);
  Extended* tmp = rhs + kNewtonUnknowns;
  Extended* d = step_.data();
  std::fill(A, A + static_cast<size_t>(m) * m, 0.0L);
  std::fill(rhs, rhs + m, 0.0L);
  const Extended lnTarget = ph.kind == kGasAtPressure ? lnTarget_ : 0;
  int inputs = 0;
  for (int r = ph.first; r < ph.first + ph.count; ++r) {
    const int j = members_[r];
    if (!(reactingInput_[j] > 0) || !(input > 0)) continue;
    ++inputs;
    // gas: y = x P (the fugacity); a solution: y = x
    const Extended miss = std::log(reactingInput_[j] / input) + lnTarget - lnY_[j];
    for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
      const int c = newtonCol_[nzComponent_[e]];
      if (c < 0) continue;
      rhs[c] += nzValue_[e] * miss;
      for (int e2 = nzStart_[j]; e2 < nzStart_[j + 1]; ++e2) {
        const int c2 = newtonCol_[nzComponent_[e2]];
        if (c2 >= 0) A[static_cast<size_t>(c) * m + c2] += nzValue_[e] * nzValue_[e2];
      }
    }
  }
  if (inputs == 0) return;
  SolveFullPivot(A, rhs, d, m, pivCol_.data(), tmp);
  Extended* x0 = tmp + kNewtonUnknowns;
  for (int c = 0; c < m; ++c) {
    x0[c] = lambda_[newtonComp_[c]];
    lambda_[newtonComp_[c]] += d[c];
  }
  EvaluatePhases(lambda_.data());
  startMu();
  const Extended after = NewtonResidual(false);
  if (after < before && std::isfinite(after)) return;
  for (int c = 0; c < m; ++c) lambda_[newtonComp_[c]] = x0[c];
  EvaluatePhases(lambda_.data());
  startMu();
}

// The system as the phases see it: components, species, their slots, formulas and states, and
// the mode; not the conditions or the amounts.
std::size_t EqlSolver::SystemSignature() const {
  std::size_t h = 1469598103934665603ull;
  const auto mix = [&](std::size_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(static_cast<std::size_t>(conditions_.mode));
  mix(static_cast<std::size_t>(componentCount_));
  for (int k = 1; k <= componentCount_; ++k) mix(static_cast<std::size_t>(componentElement_[k]));
  mix(static_cast<std::size_t>(speciesCount_));
  for (int j = 1; j <= speciesCount_; ++j) {
    mix(static_cast<std::size_t>(slot_[j] * 8 + forced_[j] * 4 + (active_[j] + 1)));
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) {
      mix(static_cast<std::size_t>(nzComponent_[n]));
      mix(static_cast<std::size_t>(std::llround(nzValue_[n] * 1000)));
    }
  }
  return h;
}

void EqlSolver::KeepSolution() {
  if (!newtonValid_) {
    last_.valid = false;
    return;
  }
  last_.valid = true;
  last_.signature = systemSignature_;
  // sized once for every element, key and species, so that keeping allocates nothing later
  last_.lambda.resize(256);  // one per periodic-table element
  last_.present.resize(keyPresent_.size());
  last_.amount.resize(keyAmount_.size());
  last_.lnY.resize(MaxSolverSpecies + 1);
  last_.share.resize(MaxSolverSpecies + 1);
  for (int k = 1; k <= componentCount_; ++k) last_.lambda[componentElement_[k]] = lambda_[k];
  last_.temperature = conditions_.temperature;
  const int keys = PhaseSlots + speciesCount_ + 1;
  std::copy(keyPresent_.begin(), keyPresent_.begin() + keys, last_.present.begin());
  std::copy(keyAmount_.begin(), keyAmount_.begin() + keys, last_.amount.begin());
  Extended total = 0;
  for (int j = 1; j <= speciesCount_; ++j) total += std::max<Extended>(product_[j], 0);
  for (int j = 1; j <= speciesCount_; ++j) {
    last_.lnY[j] = y_[j] > 0 ? std::log(y_[j]) : -kLnHuge;
    last_.share[j] = total > 0 ? std::max<Extended>(product_[j], 0) / total : 0;
  }
}

// Newton starts from the last solution of the same system where the potentials of the estimate
// do not balance the elements better.
bool EqlSolver::StartFromLast() {
  if (!last_.valid || last_.signature != systemSignature_) return false;
  const int nc = newtonComps_;
  Extended* keep = work_.data() + (MaxSolverComponents + 1) + 3 * kNewtonUnknowns;  // beyond the others
  for (int c = 0; c < nc; ++c) keep[c] = lambda_[newtonComp_[c]];
  // The composition of the last solution at the new conditions: the potentials, from those of
  // the last solution scaled to the new temperature (mu = R T lambda changes less than lambda),
  // moved so that the main species keep their phase fractions y (least squares, weighted by
  // the amounts), with the Gibbs energies of now.
  const Extended scale = last_.temperature / conditions_.temperature;
  for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = scale * last_.lambda[componentElement_[newtonComp_[c]]];
  EvaluatePhases(lambda_.data());
  {
    Extended* A = jac_.data();
    Extended* rhs = work_.data() + (MaxSolverComponents + 1);
    Extended* tmp = rhs + kNewtonUnknowns;
    Extended* d = step_.data();
    std::fill(A, A + static_cast<size_t>(nc) * nc, 0.0L);
    std::fill(rhs, rhs + nc, 0.0L);
    for (int q = 0; q < phaseCount_; ++q) {
      const SolverPhase& ph = phases_[q];
      for (int r = ph.first; r < ph.first + ph.count; ++r) {
        const int j = members_[r];
        const Extended w = last_.share[j];
        if (!(w > 1e-12L)) continue;
        const Extended miss = last_.lnY[j] - lnY_[j];
        for (int e = nzStart_[j]; e < nzStart_[j + 1]; ++e) {
          const int c = newtonCol_[nzComponent_[e]];
          if (c < 0) continue;
          rhs[c] += w * nzValue_[e] * miss;
          for (int e2 = nzStart_[j]; e2 < nzStart_[j + 1]; ++e2) {
            const int c2 = newtonCol_[nzComponent_[e2]];
            if (c2 >= 0) A[static_cast<size_t>(c) * nc + c2] += w * nzValue_[e] * nzValue_[e2];
          }
        }
      }
    }
    SolveFullPivot(A, rhs, d, nc, pivCol_.data(), tmp);
    for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] += d[c];
    EvaluatePhases(lambda_.data());
  }
  presentList_.clear();
  bool any = false;
  for (int q = 0; q < phaseCount_; ++q) {
    SolverPhase& ph = phases_[q];
    ph.present = ph.kind == kGasInVolume || last_.present[ph.key];
    if (!ph.present) continue;
    any = true;
    presentList_.push_back(q);
    if (ph.kind == kGasInVolume) {
      ph.mu = std::log(1e5L * conditions_.volume / (SolverGasConstant * conditions_.temperature));
    } else {
      StartAmounts(ph, last_.amount[ph.key]);
    }
  }
  if (!any) return false;
  if (phaseCount_ > 1) return true;
  // A single phase: where the conditions moved far (more than half the temperature), the start
  // from the estimate or the input may balance better.
  if (scale > 2.0L / 3 && scale < 1.5L) return true;
  const Extended warm = NewtonResidual(false);
  if (warm < 0.5L) return true;
  const Extended warmMu = phases_[0].mu;
  Extended* warmLambda = keep + MaxSolverComponents + 1;
  for (int c = 0; c < nc; ++c) {
    warmLambda[c] = lambda_[newtonComp_[c]];
    lambda_[newtonComp_[c]] = keep[c];
  }
  EvaluatePhases(lambda_.data());
  StartFromInput(phases_[0]);
  presentList_.assign(1, 0);
  if (NewtonResidual(false) < warm) return true;
  for (int c = 0; c < nc; ++c) lambda_[newtonComp_[c]] = warmLambda[c];
  EvaluatePhases(lambda_.data());
  phases_[0].mu = warmMu;
  return true;
}

// The converged solution becomes the solver's state: every species' phase fraction and amount
// factor, the presence of each phase for the later loops of the call, the pressure of the gas
// in the volume, and balanced ratios, so that the next specified step accepts it as it stands.
void EqlSolver::AcceptNewtonSolution() {
  for (int j = 1; j <= speciesCount_; ++j) {
    nu_[j] = 0;
    if (phaseOf_[j] >= 0) {
      y_[j] = activity_[j] * invGammaScale_[j];
    } else {
      y_[j] = activity_[j] = 0;
    }
  }
  for (int q = 0; q < phaseCount_; ++q) {
    const SolverPhase& ph = phases_[q];
    keyPresent_[ph.key] = ph.present ? 1 : 0;
    keyAmount_[ph.key] = ph.present ? ph.sumN : 0;
    if (!ph.present) continue;
    const Extended nu = std::exp(ph.mu);
    for (int r = ph.first; r < ph.first + ph.count; ++r) nu_[members_[r]] = nu;
    if (ph.kind == kGasInVolume) pressureEstimate_ = ph.sumA;
  }
  keysKnown_ = true;
  newtonValid_ = true;
  normValid_ = false;
  for (int k = 0; k <= componentCount_; ++k) ratio_[k] = 1.0L;
}

// ------------------------------------------------------------------------------------------
// The check of a result

// Present: holding an equilibrium amount (the product without the input that takes no part).
int EqlSolver::PhaseCheckFailure(Extended tol, std::string& text) {
  const Extended RT = SolverGasConstant * conditions_.temperature;
  BuildPhases();
  EvaluatePhases(lambda_.data());
  int volume = -1;
  for (int q = 0; q < phaseCount_; ++q) {
    if (phases_[q].kind == kGasInVolume) volume = q;
  }
  const auto phaseName = [&](const SolverPhase& ph) {
    return ph.kind == kPure ? namesPh_[members_[ph.first]] : "phase slot " + std::to_string(ph.key);
  };
  for (int q = 0; q < phaseCount_; ++q) {
    const SolverPhase& ph = phases_[q];
    Extended held = 0;
    for (int r = ph.first; r < ph.first + ph.count; ++r) {
      const int j = members_[r];
      held += std::max<Extended>(product_[j] - input_[j] * (1 - fraction_[j]), 0);
    }
    const bool present = ph.kind == kGasInVolume || held > 0;
    Extended sum = 0, target = 1;
    switch (ph.kind) {
      case kGasAtPressure: sum = ph.sumA; target = PhaseTarget(ph); break;
      case kGasInVolume: sum = held * RT / (1e5L * conditions_.volume); target = ph.sumA; break;
      case kGasBesideVolume: sum = ph.sumA; target = volume >= 0 ? phases_[volume].sumA : pressureEstimate_; break;
      case kCondensed: sum = ph.sumY; break;
      case kPure: sum = activity_[members_[ph.first]]; break;
    }
    if (present && !(std::fabs(sum / target - 1) <= tol)) {
      text = "Phase not closed (" + phaseName(ph) + "): sum " + FormatExtended(sum) + " instead of " +
             FormatExtended(target);
      return 1404;
    }
    if (!present && sum / target > 1 + tol) {
      text = "Phase missing in the products (" + phaseName(ph) + "): sum " + FormatExtended(sum) + " above " +
             FormatExtended(target);
      return 1406;
    }
  }
  // Excluded species (the losers of the phase competition, dropped forced species) hold
  // nothing: none of them may stand above unit activity (a gas: above the pressure) on its own.
  for (int j = 1; j <= speciesCount_; ++j) {
    if (active_[j] != -1) continue;
    Extended s = 0;
    for (int n = nzStart_[j]; n < nzStart_[j + 1]; ++n) s += nzValue_[n] * lambda_[nzComponent_[n]];
    const Extended lnA = lnw_[j] + s;
    Extended lnSum = forced_[j] ? lnA : lnA - lnGammaScale_[j];
    if (IsGasSlot(slot_[j]) && !forced_[j]) {
      lnSum = lnA - std::log(conditions_.mode == 0 ? conditions_.pressure : pressureEstimate_);
    }
    if (lnSum > std::log1p(tol)) {
      text = "Phase missing in the products (" + namesPh_[j] + "): sum " + FormatExtended(std::exp(lnSum)) +
             " above 1";
      return 1406;
    }
  }
  return 0;
}

bool EqlSolver::VerifyResult() {
  const Extended tol = Criteria.precision;
  const auto fail = [&](int id, const std::string& text) {
    PostLogMessage(LevelError, id, text);
    failureText_ = "Calculation is broken because error EK." + std::to_string(id);
    return false;
  };
  const auto reacted = [&](int j) { return product_[j] - input_[j] * (1 - fraction_[j]); };
  // 1. element balance
  for (int k = 1; k <= componentCount_; ++k) {
    if (!(b_[k] >= Criteria.ignoreThreshold) || !(b_[k] > 1e-23L)) continue;
    Extended o = 0;
    for (int j = 1; j <= speciesCount_; ++j) {
      const Extended a = MatrixEntry(j, k);
      if (a > 0) o += reacted(j) * a;
    }
    if (!(o > 0) || std::fabs(1 - o / b_[k]) > tol) {
      return fail(1403, "Element lost in the products (" + ComponentLabel(k) + "): " + FormatExtended(o) +
                            " mol of " + FormatExtended(b_[k]) + " mol");
    }
  }
  // 2. present phases closed, 4. absent ones stable
  std::string text;
  if (const int id = PhaseCheckFailure(tol, text)) return fail(id, text);
  // 3. every species with an amount stands at the potential of its elements: its activity is
  // the one those potentials give, exp(sum_k a_jk lambda_k - G0/RT), as the phase check just
  // evaluated it (mu / RT - sum a lambda = ln of their ratio)
  for (int j = 1; j <= speciesCount_; ++j) {
    if (active_[j] != 1 || !(reacted(j) > 0) || (electronPresent_ && j == electronIndex_)) continue;
    const Extended a = SpeciesActivity(j);
    const Extended ratio = phaseOf_[j] >= 0 && activity_[j] > 0 ? a / activity_[j] : 0;
    if (!(std::fabs(ratio - 1) <= tol)) {
      return fail(1405, "Chemical potential of " + namesPh_[j] + " off the potentials of its elements by " +
                            FormatExtended(ratio > 0 ? std::log(ratio) : -kLnHuge) + " RT");
    }
  }
  return true;
}

}  // namespace quorel
