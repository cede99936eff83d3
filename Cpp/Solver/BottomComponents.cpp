#include "Solver/BottomComponents.h"

#include <algorithm>
#include <utility>

BottomComponents::BottomComponents(const RateMatrix& rates) {
  const uint32_t n = rates.NumStates();
  constexpr uint32_t kUnvisited = UINT32_MAX;
  const uint32_t* from = rates.Sources();
  std::vector<uint32_t> order(n, kUnvisited);  // Tarjan's index
  std::vector<uint32_t> low(n, 0);
  component_.assign(n, kUnvisited);
  std::vector<uint32_t> stack;
  std::vector<std::pair<uint32_t, std::size_t>> calls;  // (state, next transition to follow)
  uint32_t counter = 0;
  for (uint32_t root = 0; root < n; root++) {
    if (order[root] != kUnvisited) continue;
    order[root] = low[root] = counter++;
    stack.push_back(root);
    calls.emplace_back(root, rates.Start(root));
    while (!calls.empty()) {
      auto& [v, next] = calls.back();
      if (next < rates.Start(v + 1)) {
        const uint32_t w = from[next++];
        if (order[w] == kUnvisited) {
          order[w] = low[w] = counter++;
          stack.push_back(w);
          calls.emplace_back(w, rates.Start(w));
        } else if (component_[w] == kUnvisited) {  // on the stack
          low[v] = std::min(low[v], order[w]);
        }
        continue;
      }
      const uint32_t done = v;
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
      if (low[done] == order[done]) {
        uint32_t w;
        do {
          w = stack.back();
          stack.pop_back();
          component_[w] = numComponents_;
        } while (w != done);
        numComponents_++;
      }
    }
  }
  // A component is closed unless a transition leaves it.
  bottom_.assign(numComponents_, 1);
  for (uint32_t j = 0; j < n; j++)
    for (std::size_t k = rates.Start(j); k < rates.Start(j + 1); k++)
      if (component_[from[k]] != component_[j]) bottom_[component_[from[k]]] = 0;
  std::vector<uint32_t> bottomNumber(numComponents_, kUnvisited);
  for (uint32_t c = 0; c < numComponents_; c++)
    if (bottom_[c]) {
      bottomNumber[c] = static_cast<uint32_t>(bottoms_.size());
      bottoms_.emplace_back();
    }
  for (uint32_t s = 0; s < n; s++) {
    if (bottom_[component_[s]])
      bottoms_[bottomNumber[component_[s]]].push_back(s);
    else
      numTransient_++;
  }
}
