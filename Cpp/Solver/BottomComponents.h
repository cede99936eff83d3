#ifndef CORVAX_BOTTOM_COMPONENTS_H
#define CORVAX_BOTTOM_COMPONENTS_H

#include <cstdint>
#include <vector>

#include "Solver/RateMatrix.h"

// The strongly connected components of a chain's transition graph, and which
// of them are bottom components (closed: no transition leaves them). The
// long-run distribution lives on the bottom components; the states of the
// others are transient. Found by Tarjan's algorithm, with an explicit stack
// (a chain of millions of states would overflow the call stack), on the
// transitions read backwards (into each state), which have the same
// components.
class BottomComponents {
 public:
  explicit BottomComponents(const RateMatrix& rates);

  uint32_t NumComponents() const { return numComponents_; }
  uint32_t Component(uint32_t state) const { return component_[state]; }
  bool IsBottom(uint32_t component) const { return bottom_[component] != 0; }
  // The states of each bottom component, in state order.
  const std::vector<std::vector<uint32_t>>& Bottoms() const { return bottoms_; }
  uint32_t NumTransientStates() const { return numTransient_; }

 private:
  std::vector<uint32_t> component_;
  std::vector<char> bottom_;
  std::vector<std::vector<uint32_t>> bottoms_;
  uint32_t numComponents_ = 0;
  uint32_t numTransient_ = 0;
};

#endif
