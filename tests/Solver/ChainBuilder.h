#ifndef MB_TEST_CHAIN_BUILDER_H
#define MB_TEST_CHAIN_BUILDER_H

// Markov chains written down by hand, for the solvers' tests.
#include <tuple>
#include <vector>

#include "Solver/MarkovChain.h"

namespace chains {

// A chain of n states with the given transitions (from, to, rate), started
// in `initial` (a distribution).
inline MarkovChain Make(int n, const std::vector<std::tuple<int, int, double>>& transitions,
                        const std::vector<double>& initial) {
  MarkovChain chain;
  std::vector<std::tuple<uint32_t, uint32_t, double>> entries;
  chain.exitRates.assign(n, 0.0);
  for (const auto& [from, to, rate] : transitions) {
    entries.emplace_back(from, to, rate);
    chain.exitRates[from] += rate;
  }
  chain.rates = RateMatrix::FromTransitions(static_cast<uint32_t>(n), entries);
  chain.initial = initial;
  return chain;
}

// A birth-death chain on 0..births.size(), started in 0.
inline MarkovChain BirthDeath(const std::vector<double>& births,
                              const std::vector<double>& deaths) {
  const int n = static_cast<int>(births.size()) + 1;
  std::vector<std::tuple<int, int, double>> transitions;
  for (int k = 0; k + 1 < n; k++) {
    transitions.emplace_back(k, k + 1, births[k]);
    transitions.emplace_back(k + 1, k, deaths[k]);
  }
  std::vector<double> initial(n, 0.0);
  initial[0] = 1.0;
  return Make(n, transitions, initial);
}

}  // namespace chains

#endif
