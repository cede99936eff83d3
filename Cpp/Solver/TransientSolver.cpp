#include "Solver/TransientSolver.h"

#include <algorithm>

#include "Solver/PoissonWeights.h"

namespace {
// L = kMargin times the largest exit rate.
constexpr double kMargin = 1.02;
}  // namespace

TransientSolver::TransientSolver(const MarkovChain& chain, double tolerance)
    : chain_(chain), tolerance_(tolerance) {
  double largest = 0.0;
  for (double e : chain.exitRates) largest = std::max(largest, e);
  rate_ = kMargin * largest;
}

void TransientSolver::Step(const std::vector<double>& p, std::vector<double>& next) const {
  const double inverse = 1.0 / rate_;
  const auto n = static_cast<uint32_t>(p.size());
  for (uint32_t j = 0; j < n; j++) {
    double inflow = 0.0;
    chain_.rates.ForEachInto(j, [&](uint32_t i, double rate) { inflow += p[i] * rate; });
    next[j] = p[j] * (1.0 - chain_.exitRates[j] * inverse) + inflow * inverse;
  }
}

void TransientSolver::Advance(std::vector<double>& p, double duration,
                              std::vector<double>& integral) {
  const std::size_t n = p.size();
  integral.assign(n, 0.0);
  if (duration <= 0.0) return;
  if (rate_ == 0.0) {  // no transitions: nothing moves
    for (std::size_t j = 0; j < n; j++) integral[j] = p[j] * duration;
    return;
  }
  const PoissonWeights poisson(rate_ * duration, tolerance_);
  term_ = p;  // p(0) P^k
  next_.resize(n);
  std::fill(p.begin(), p.end(), 0.0);
  const double inverse = 1.0 / rate_;
  for (int k = 0;; k++) {
    if (k >= poisson.Left()) {
      const double w = poisson.Weight(k);
      for (std::size_t j = 0; j < n; j++) p[j] += w * term_[j];
    }
    const double tail = poisson.Tail(k) * inverse;
    if (tail > 0.0)
      for (std::size_t j = 0; j < n; j++) integral[j] += tail * term_[j];
    if (k == poisson.Right()) break;
    Step(term_, next_);
    term_.swap(next_);
    steps_++;
  }
}
