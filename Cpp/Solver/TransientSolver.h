#ifndef CORVAX_TRANSIENT_SOLVER_H
#define CORVAX_TRANSIENT_SOLVER_H

#include <cstdint>
#include <vector>

#include "Solver/MarkovChain.h"

// The distribution of a chain over time, by uniformisation: with a rate L
// above every exit rate, P = I + Q/L is a stochastic matrix and
//   p(t) = sum_k Poisson(k; L t) p(0) P^k,
//   integral of p over [0, t] = (1/L) sum_k P(N > k; L t) p(0) P^k,
// both truncated where the Poisson mass left out is below the tolerance
// (PoissonWeights). L is 2% above the largest exit rate, so that P keeps
// some weight on every state and is aperiodic.
class TransientSolver {
 public:
  TransientSolver(const MarkovChain& chain, double tolerance);

  // Moves p on by `duration` (p(t) becomes p(t + duration)) and sets
  // `integral` to the integral of p over that span, state by state.
  void Advance(std::vector<double>& p, double duration, std::vector<double>& integral);

  double UniformisationRate() const { return rate_; }
  // Products p P computed so far.
  long Steps() const { return steps_; }

 private:
  // next = p P.
  void Step(const std::vector<double>& p, std::vector<double>& next) const;

  const MarkovChain& chain_;
  double tolerance_;
  double rate_ = 0.0;
  long steps_ = 0;
  std::vector<double> term_, next_;
};

#endif
