#include "Solver/RateMatrix.h"

#include <algorithm>

RateMatrix RateMatrix::FromTransitions(
    uint32_t numStates, const std::vector<std::tuple<uint32_t, uint32_t, double>>& t) {
  std::vector<uint32_t> incoming(numStates, 0);
  std::vector<double> rates;
  for (const auto& [from, to, rate] : t) {
    incoming[to]++;
    rates.push_back(rate);
  }
  RateMatrix matrix;
  matrix.Allocate(incoming, rates);
  // Sources in increasing order within each column.
  std::vector<std::tuple<uint32_t, uint32_t, double>> bySource(t);
  std::sort(bySource.begin(), bySource.end());
  for (const auto& [from, to, rate] : bySource) matrix.Place(from, to, rate);
  matrix.Finish();
  return matrix;
}

void RateMatrix::Allocate(const std::vector<uint32_t>& incoming,
                          const std::vector<double>& distinctRates) {
  numStates_ = static_cast<uint32_t>(incoming.size());
  start_.assign(numStates_ + std::size_t{1}, 0);
  for (uint32_t j = 0; j < numStates_; j++) start_[j + 1] = start_[j] + incoming[j];
  next_.assign(start_.begin(), start_.end() - 1);
  const std::size_t n = start_.back();
  sources_.resize(n);
  codeOf_.clear();
  table_.clear();
  for (double rate : distinctRates) {
    if (codeOf_.count(rate) != 0) continue;
    if (table_.size() == kMaxCodes) {
      table_.clear();
      codeOf_.clear();
      break;
    }
    codeOf_.emplace(rate, static_cast<uint16_t>(table_.size()));
    table_.push_back(rate);
  }
  codes_.clear();
  values_.clear();
  if (n > 0 && !table_.empty())
    codes_.resize(n);
  else
    values_.resize(n);
}

void RateMatrix::Finish() {
  std::vector<std::size_t>().swap(next_);
  codeOf_ = {};
}
