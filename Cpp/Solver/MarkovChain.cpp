#include "Solver/MarkovChain.h"

std::size_t MarkovChain::MemoryBytes() const {
  std::size_t bytes = static_cast<std::size_t>(rates.nonZeros()) * (sizeof(double) + sizeof(int)) +
                      (static_cast<std::size_t>(rates.outerSize()) + 1) * sizeof(int);
  bytes += (exitRates.capacity() + initial.capacity()) * sizeof(double);
  for (const auto& v : rateRewards) bytes += v.capacity() * sizeof(double);
  for (const auto& v : impulseRates) bytes += v.capacity() * sizeof(double);
  return bytes;
}
