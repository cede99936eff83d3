#include "Solver/SteadyStateSolver.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "Solver/BottomComponents.h"
#include "Solver/SolverError.h"

namespace {

// When to compute the residual, which costs as much as a sweep: first once
// the change of a sweep is within kResidualGate times the tolerance (or
// after kResidualPeriod sweeps), then after as many sweeps as the rate of
// convergence so far says are needed to reach the tolerance (80% of them).
// Reason: near the end a check after every sweep would double the work.
class ResidualSchedule {
 public:
  explicit ResidualSchedule(double tolerance) : tolerance_(tolerance) {}

  // After each sweep, with its change relative to the total.
  bool Due(long sweep, double change) {
    if (previous_ > 0.0 && change > 0.0) ratio_ = change / previous_;
    previous_ = change;
    if (next_ == 0) return change <= kResidualGate * tolerance_ || sweep >= kResidualPeriod;
    return sweep >= next_;
  }
  // After a residual above the tolerance.
  void Missed(long sweep, double residual) {
    long wait = 1;
    if (ratio_ > 0.0 && ratio_ < 1.0)
      wait = static_cast<long>(0.8 * std::log(tolerance_ / residual) / std::log(ratio_));
    next_ = sweep + std::clamp(wait, 1L, kResidualPeriod);
  }

 private:
  static constexpr double kResidualGate = 100.0;
  static constexpr long kResidualPeriod = 50;
  double tolerance_;
  double previous_ = 0.0;
  double ratio_ = 1.0;
  long next_ = 0;
};

// Sweeps of one linear system, over the states `states` (all when null)
// in increasing order; `inside(i)` tells whether a flow from state i counts.
class Sweeper {
 public:
  Sweeper(const MarkovChain& chain, const IterationSettings& settings, long& sweeps,
          double& residual)
      : chain_(chain), settings_(settings), sweeps_(sweeps), residual_(residual) {}

  // The flow into state j from the states inside, weighted by p.
  template <class Inside>
  double Inflow(uint32_t j, const std::vector<double>& p, Inside inside) const {
    double flow = 0.0;
    chain_.rates.ForEachInto(j, [&](uint32_t i, double rate) {
      if (inside(i)) flow += p[i] * rate;
    });
    return flow;
  }

  // Stationary distribution of a closed set of states: p_j E_j = inflow_j,
  // normalised to sum 1 over the set.
  template <class Inside>
  void Closed(const std::vector<uint32_t>* states, uint32_t count, Inside inside,
              std::vector<double>& p) {
    const double omega = settings_.relaxation;
    auto forEach = [&](auto f) {
      if (states == nullptr)
        for (uint32_t j = 0; j < count; j++) f(j);
      else
        for (uint32_t j : *states) f(j);
    };
    forEach([&](uint32_t j) { p[j] = 1.0 / count; });
    if (count == 1) return;
    ResidualSchedule schedule(settings_.tolerance);
    for (long sweep = 1;; sweep++) {
      double change = 0.0, total = 0.0;
      forEach([&](uint32_t j) {
        const double updated =
            (1.0 - omega) * p[j] + omega * Inflow(j, p, inside) / chain_.exitRates[j];
        change += std::fabs(updated - p[j]);
        total += updated;
        p[j] = updated;
      });
      sweeps_++;
      // The sweeps are homogeneous (p scaled scales the next sweep alike),
      // so p is normalised only when it is checked, which saves a pass.
      if (schedule.Due(sweep, change / total) || sweep >= settings_.maxSweeps) {
        forEach([&](uint32_t j) { p[j] /= total; });
        double imbalance = 0.0, flow = 0.0;
        forEach([&](uint32_t j) {
          const double out = p[j] * chain_.exitRates[j];
          imbalance += std::fabs(Inflow(j, p, inside) - out);
          flow += out;
        });
        const double relative = imbalance / flow;
        if (relative <= settings_.tolerance) {
          residual_ = std::max(residual_, relative);
          return;
        }
        if (sweep >= settings_.maxSweeps) Refuse("steady state", sweep, relative);
        schedule.Missed(sweep, relative);
      }
    }
  }

  // Expected times in the transient states: z_j E_j = p0_j + inflow_j.
  template <class Inside>
  void Transient(uint32_t count, Inside transient, std::vector<double>& z) {
    const double omega = settings_.relaxation;
    double mass = 0.0;
    for (uint32_t j = 0; j < count; j++)
      if (transient(j)) mass += chain_.initial[j];
    if (mass == 0.0) return;
    ResidualSchedule schedule(settings_.tolerance);
    for (long sweep = 1;; sweep++) {
      double change = 0.0, total = 0.0;
      for (uint32_t j = 0; j < count; j++) {
        if (!transient(j)) continue;
        const double updated =
            (1.0 - omega) * z[j] +
            omega * (chain_.initial[j] + Inflow(j, z, transient)) / chain_.exitRates[j];
        change += std::fabs(updated - z[j]);
        total += updated;
        z[j] = updated;
      }
      sweeps_++;
      if (schedule.Due(sweep, change / total) || sweep >= settings_.maxSweeps) {
        double imbalance = 0.0, flow = 0.0;
        for (uint32_t j = 0; j < count; j++) {
          if (!transient(j)) continue;
          const double out = z[j] * chain_.exitRates[j];
          imbalance += std::fabs(chain_.initial[j] + Inflow(j, z, transient) - out);
          flow += out;
        }
        const double relative = imbalance / flow;
        if (relative <= settings_.tolerance) {
          residual_ = std::max(residual_, relative);
          return;
        }
        if (sweep >= settings_.maxSweeps)
          Refuse("absorption into the bottom components", sweep, relative);
        schedule.Missed(sweep, relative);
      }
    }
  }

 private:
  [[noreturn]] void Refuse(const char* what, long sweeps, double residual) const {
    std::ostringstream text;
    text << "the " << what << " did not converge: relative residual " << residual << " after "
         << sweeps << " sweeps, tolerance " << settings_.tolerance
         << " (--max-sweeps, --relaxation and --tolerance set the iteration)";
    throw SolverError(text.str());
  }

  const MarkovChain& chain_;
  const IterationSettings& settings_;
  long& sweeps_;
  double& residual_;
};

}  // namespace

SteadyStateSolver::SteadyStateSolver(const MarkovChain& chain, const IterationSettings& settings)
    : chain_(chain), settings_(settings) {}

std::vector<double> SteadyStateSolver::Solve() {
  const uint32_t n = chain_.NumStates();
  std::vector<double> p(n, 0.0);
  if (n == 0) return p;
  const BottomComponents components(chain_.rates);
  numBottoms_ = static_cast<uint32_t>(components.Bottoms().size());
  numTransient_ = components.NumTransientStates();
  Sweeper sweeper(chain_, settings_, sweeps_, residual_);
  if (numBottoms_ == 1 && numTransient_ == 0) {
    sweeper.Closed(
        nullptr, n, [](uint32_t) { return true; }, p);
    return p;
  }
  auto isTransient = [&](uint32_t i) { return !components.IsBottom(components.Component(i)); };
  std::vector<double> z(n, 0.0);
  if (numBottoms_ > 1) sweeper.Transient(n, isTransient, z);
  std::vector<double> local(n, 0.0);
  for (const std::vector<uint32_t>& bottom : components.Bottoms()) {
    // The chance of ending in this component: what starts there, and what
    // flows into it from the transient states.
    double chance = 1.0;
    if (numBottoms_ > 1) {
      chance = 0.0;
      for (uint32_t j : bottom) chance += chain_.initial[j] + sweeper.Inflow(j, z, isTransient);
    }
    if (chance == 0.0) continue;
    const uint32_t c = components.Component(bottom.front());
    sweeper.Closed(
        &bottom, static_cast<uint32_t>(bottom.size()),
        [&](uint32_t i) { return components.Component(i) == c; }, local);
    for (uint32_t j : bottom) p[j] = chance * local[j];
  }
  return p;
}
