#ifndef CORVAX_MARKOV_CHAIN_H
#define CORVAX_MARKOV_CHAIN_H

#include <Eigen/SparseCore>
#include <cstddef>
#include <cstdint>
#include <vector>

// The continuous-time Markov chain on the tangible markings of a model, with
// its rewards: what the solvers work on.
struct MarkovChain {
  // Transition rates q_ij (i != j), stored by columns: column j lists the
  // transitions into state j. Both solvers need exactly that: the
  // Gauss-Seidel step of state j and the product p Q, whose entry j sums the
  // flows into j.
  using Generator = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;

  uint32_t NumStates() const { return static_cast<uint32_t>(exitRates.size()); }
  std::size_t NumTransitions() const { return static_cast<std::size_t>(rates.nonZeros()); }

  Generator rates;
  std::vector<double> exitRates;  // sum of the rates out of each state
  // The distribution at time 0, after the instantaneous firings at time 0.
  std::vector<double> initial;
  // Per rate slot of the reward structure, the rate reward of each state.
  std::vector<std::vector<double>> rateRewards;
  // Per impulse slot, the expected impulse earned per unit of time in each
  // state (sum over its transitions of rate times expected impulse).
  std::vector<std::vector<double>> impulseRates;
  // Per impulse slot, the expected impulse earned at time 0 by the
  // instantaneous firings of the initial marking.
  std::vector<double> initialImpulses;
};

#endif
