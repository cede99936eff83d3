#ifndef CORVAX_MARKOV_CHAIN_H
#define CORVAX_MARKOV_CHAIN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Solver/RateMatrix.h"

// The continuous-time Markov chain on the tangible markings of a model, with
// its rewards: what the solvers work on.
struct MarkovChain {
  uint32_t NumStates() const { return static_cast<uint32_t>(exitRates.size()); }
  std::size_t NumTransitions() const { return rates.NumTransitions(); }

  RateMatrix rates;               // q_ij for i != j, by target
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
