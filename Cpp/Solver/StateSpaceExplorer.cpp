#include "Solver/StateSpaceExplorer.h"

#include <algorithm>
#include <climits>
#include <string>

#include "Solver/RewardStructure.h"
#include "Solver/SolverError.h"

StateSpaceExplorer::StateSpaceExplorer(MarkingModel& model, RewardStructure& rewards,
                                       uint32_t maxStates)
    : model_(model),
      rewards_(rewards),
      maxStates_(maxStates),
      store_(model.MarkingSize()),
      vanishing_(
          model, rewards, [this](const unsigned char* m) { return AddTangible(m); }, maxStates),
      rateRewards_(static_cast<std::size_t>(rewards.NumRateSlots())),
      impulseRates_(static_cast<std::size_t>(rewards.NumImpulseSlots())),
      rowImpulses_(static_cast<std::size_t>(rewards.NumImpulseSlots())),
      rowRates_(static_cast<std::size_t>(rewards.NumRateSlots())),
      buffer_(model.MarkingSize()) {}

uint32_t StateSpaceExplorer::AddTangible(const unsigned char* marking) {
  bool added = false;
  const uint32_t index = store_.Insert(marking, added);
  if (added && store_.Size() > maxStates_)
    throw SolverError("the state space has more than --max-states " + std::to_string(maxStates_) +
                      " tangible markings: " + std::to_string(store_.Size()) + " reached, " +
                      std::to_string(store_.Size() - explored_) +
                      " of them not yet explored; raise --max-states to explore further");
  return index;
}

MarkovChain StateSpaceExplorer::Explore() {
  MarkovChain chain;
  chain.initialImpulses.assign(static_cast<std::size_t>(rewards_.NumImpulseSlots()), 0.0);
  // The initial marking, or where its instantaneous firings lead at time 0.
  std::vector<std::pair<uint32_t, double>> initial;
  const bool vanishing = model_.Vanishing();
  model_.Save(buffer_.data());
  if (vanishing) {
    const VanishingExits exits = vanishing_.Resolve(buffer_.data());
    for (std::size_t k = 0; k < exits.count; k++)
      initial.emplace_back(exits.targets[k], exits.probabilities[k]);
    chain.initialImpulses.assign(exits.impulses, exits.impulses + rewards_.NumImpulseSlots());
  } else {
    initial.emplace_back(AddTangible(buffer_.data()), 1.0);
  }

  rowStart_.push_back(0);
  for (; explored_ < store_.Size(); explored_++) ExploreMarking(explored_);

  const uint32_t n = store_.Size();
  memory_ = store_.MemoryBytes() + vanishing_.MemoryBytes() +
            (rowStart_.capacity() + targets_.capacity()) * sizeof(int) +
            rates_.capacity() * sizeof(double);
  store_.Clear();
  chain.initial.assign(n, 0.0);
  for (const auto& [state, p] : initial) chain.initial[state] += p;
  // The rows by source, as Eigen sees compressed rows; stored by columns
  // (Eigen's storage-order conversion is a counting sort).
  const Eigen::Map<const Eigen::SparseMatrix<double, Eigen::RowMajor, int>> bySource(
      n, n, static_cast<Eigen::Index>(targets_.size()), rowStart_.data(), targets_.data(),
      rates_.data());
  chain.rates = bySource;
  memory_ += static_cast<std::size_t>(chain.rates.nonZeros()) * (sizeof(double) + sizeof(int));
  std::vector<int>().swap(rowStart_);
  std::vector<int>().swap(targets_);
  std::vector<double>().swap(rates_);
  chain.exitRates = std::move(exitRates_);
  chain.rateRewards = std::move(rateRewards_);
  chain.impulseRates = std::move(impulseRates_);
  return chain;
}

void StateSpaceExplorer::ExploreMarking(uint32_t index) {
  const unsigned char* marking = store_.Marking(index);
  model_.Load(marking);
  rewards_.Rates(rowRates_.data());
  for (std::size_t s = 0; s < rowRates_.size(); s++) rateRewards_[s].push_back(rowRates_[s]);
  model_.TimedMoves(moves_);
  row_.clear();
  std::fill(rowImpulses_.begin(), rowImpulses_.end(), 0.0);
  for (std::size_t m = 0; m < moves_.size(); m++) {
    if (m > 0) model_.Load(marking);
    const double rate = moves_[m].weight;
    rewards_.AddImpulses(model_.Fire(moves_[m].action), rate, rowImpulses_.data());
    AddSuccessor(rate);
  }
  FinishRow(index);
}

void StateSpaceExplorer::AddSuccessor(double rate) {
  const bool vanishing = model_.Vanishing();
  model_.Save(buffer_.data());
  if (!vanishing) {
    row_.emplace_back(AddTangible(buffer_.data()), rate);
    return;
  }
  const VanishingExits exits = vanishing_.Resolve(buffer_.data());
  for (std::size_t k = 0; k < exits.count; k++)
    row_.emplace_back(exits.targets[k], rate * exits.probabilities[k]);
  for (std::size_t s = 0; s < rowImpulses_.size(); s++) rowImpulses_[s] += rate * exits.impulses[s];
}

void StateSpaceExplorer::FinishRow(uint32_t index) {
  // One transition per target (several moves may lead to one marking); a
  // move back to the marking itself changes nothing but its impulses.
  std::sort(row_.begin(), row_.end());
  double exit = 0.0;
  for (std::size_t k = 0; k < row_.size(); k++) {
    const auto& [target, rate] = row_[k];
    if (target == index) continue;
    exit += rate;
    if (k > 0 && row_[k - 1].first == target) {
      rates_.back() += rate;
    } else {
      if (targets_.size() >= static_cast<std::size_t>(INT_MAX))
        throw SolverError("the state space has more than " + std::to_string(INT_MAX) +
                          " transitions");
      targets_.push_back(static_cast<int>(target));
      rates_.push_back(rate);
    }
  }
  rowStart_.push_back(static_cast<int>(targets_.size()));
  exitRates_.push_back(exit);
  for (std::size_t s = 0; s < rowImpulses_.size(); s++) impulseRates_[s].push_back(rowImpulses_[s]);
}
