#ifndef CORVAX_STEADY_STATE_SOLVER_H
#define CORVAX_STEADY_STATE_SOLVER_H

#include <cstdint>
#include <vector>

#include "Solver/MarkovChain.h"

// Settings of the iterative solvers.
struct IterationSettings {
  // Stop when the residual, relative to the flows it balances, is at most
  // this.
  double tolerance = 1e-14;
  // Successive over-relaxation factor (1: Gauss-Seidel); in (0, 2).
  double relaxation = 1.0;
  // Sweeps before giving up on one system.
  long maxSweeps = 100000;
};

// The long-run distribution of a chain started from its initial
// distribution. An irreducible chain has one: p Q = 0, sum p = 1, solved by
// Gauss-Seidel (or SOR) sweeps over the states in order, each state's
// probability set from the flows into it (p_j = sum_i p_i q_ij / E_j), until
// the relative residual ||pQ||_1 / sum_j p_j E_j is within the tolerance.
// A chain that is not irreducible ends in one of its bottom components: each
// gets its own stationary distribution, weighted by the probability of
// ending there, which follows from the expected time z spent in the
// transient states (z_j E_j = p0_j + sum over transient i of z_i q_ij,
// solved by the same sweeps). An absorbing state is a bottom component of
// one state.
class SteadyStateSolver {
 public:
  SteadyStateSolver(const MarkovChain& chain, const IterationSettings& settings);

  std::vector<double> Solve();

  long Sweeps() const { return sweeps_; }
  // The largest relative residual of the systems solved.
  double Residual() const { return residual_; }
  uint32_t NumBottomComponents() const { return numBottoms_; }
  uint32_t NumTransientStates() const { return numTransient_; }

 private:
  const MarkovChain& chain_;
  IterationSettings settings_;
  long sweeps_ = 0;
  double residual_ = 0.0;
  uint32_t numBottoms_ = 0;
  uint32_t numTransient_ = 0;
};

#endif
