#ifndef CORVAX_RATE_MATRIX_H
#define CORVAX_RATE_MATRIX_H

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <unordered_map>
#include <vector>

// The transition rates q_ij (i != j) of a chain, stored by target: for each
// state j, the states i with a transition into j, in increasing order, and
// its rate. That is what the solvers read: the Gauss-Seidel step of state j
// and entry j of the product p Q both sum the flows into j.
//
// A model's chain has few distinct rates (one per activity and case, and a
// few variants where a rate or a weight depends on the marking). While there
// are at most 65536, a transition names its rate by a two-byte code into a
// table instead of holding the eight-byte rate. Reason: a sweep or a
// uniformisation step reads the whole matrix, so its speed is that of
// memory, and 6 bytes per transition instead of 12 nearly halve the bytes
// read (and the memory held). Cost: one table lookup per transition, in a
// table that stays in the first-level cache.
class RateMatrix {
 public:
  RateMatrix() = default;

  // A matrix from (from, to, rate) transitions, none from a state to itself.
  static RateMatrix FromTransitions(uint32_t numStates,
                                    const std::vector<std::tuple<uint32_t, uint32_t, double>>& t);

  uint32_t NumStates() const { return numStates_; }
  std::size_t NumTransitions() const { return sources_.size(); }
  bool Coded() const { return !codes_.empty() || sources_.empty(); }

  // Calls f(i, q_ij) for every transition into j.
  template <class F>
  void ForEachInto(uint32_t j, F f) const {
    const std::size_t first = start_[j], last = start_[j + 1];
    if (!codes_.empty()) {
      for (std::size_t k = first; k < last; k++) f(sources_[k], table_[codes_[k]]);
    } else {
      for (std::size_t k = first; k < last; k++) f(sources_[k], values_[k]);
    }
  }
  // The sources of the transitions into j: Sources() + Start(j) up to
  // Sources() + Start(j + 1).
  std::size_t Start(uint32_t j) const { return start_[j]; }
  const uint32_t* Sources() const { return sources_.data(); }

  // Filling a matrix from transitions listed by source (the exploration's
  // order): Allocate with the number of transitions into each state and
  // every rate that occurs (distinct or not; they decide whether rates are
  // coded), then Place each transition, sources in increasing order.
  void Allocate(const std::vector<uint32_t>& incoming, const std::vector<double>& distinctRates);
  void Place(uint32_t from, uint32_t to, double rate) {
    const std::size_t k = next_[to]++;
    sources_[k] = from;
    if (codes_.empty())
      values_[k] = rate;
    else
      codes_[k] = codeOf_.find(rate)->second;
  }
  // Ends the filling (drops what only Place needed).
  void Finish();

  static constexpr std::size_t kMaxCodes = 65536;

 private:
  uint32_t numStates_ = 0;
  std::vector<std::size_t> start_;  // numStates_ + 1
  std::vector<uint32_t> sources_;
  std::vector<uint16_t> codes_;  // coded rates, or empty
  std::vector<double> table_;
  std::vector<double> values_;  // rates themselves, when not coded
  std::vector<std::size_t> next_;
  std::unordered_map<double, uint16_t> codeOf_;
};

#endif
