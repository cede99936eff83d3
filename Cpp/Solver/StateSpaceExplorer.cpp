#include "Solver/StateSpaceExplorer.h"

#include <algorithm>
#include <string>

#include "Solver/RewardStructure.h"
#include "Solver/SolverError.h"

namespace {
// Transitions per block: 12 MB.
constexpr int kBlockBits = 20;
constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
}  // namespace

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
  if (added) incoming_.push_back(0);
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
  store_.Clear();
  chain.initial.assign(n, 0.0);
  for (const auto& [state, p] : initial) chain.initial[state] += p;
  StoreByTarget(chain);
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
  for (std::size_t k = 0; k < row_.size();) {
    const uint32_t target = row_[k].first;
    double rate = 0.0;
    for (; k < row_.size() && row_[k].first == target; k++) rate += row_[k].second;
    if (target == index) continue;
    exit += rate;
    AppendTransition(target, rate);
  }
  rowStart_.push_back(numTransitions_);
  exitRates_.push_back(exit);
  for (std::size_t s = 0; s < rowImpulses_.size(); s++) impulseRates_[s].push_back(rowImpulses_[s]);
}

void StateSpaceExplorer::AppendTransition(uint32_t target, double rate) {
  const std::size_t k = numTransitions_++;
  if ((k >> kBlockBits) >= blocks_.size())
    blocks_.push_back(
        {std::make_unique<uint32_t[]>(kBlockSize), std::make_unique<double[]>(kBlockSize)});
  TransitionBlock& block = blocks_[k >> kBlockBits];
  block.targets[k & (kBlockSize - 1)] = target;
  block.rates[k & (kBlockSize - 1)] = rate;
  incoming_[target]++;
  if (!tooManyRates_ && distinctRates_.insert(rate).second &&
      distinctRates_.size() > RateMatrix::kMaxCodes) {
    tooManyRates_ = true;
    distinctRates_.clear();
  }
}

void StateSpaceExplorer::StoreByTarget(MarkovChain& chain) {
  // A counting sort: each column's start from the counts, then every
  // transition in source order to the next free place of its column (so the
  // sources of a column come in increasing order), each block freed once
  // read.
  chain.rates.Allocate(incoming_,
                       std::vector<double>(distinctRates_.begin(), distinctRates_.end()));
  const auto n = static_cast<uint32_t>(incoming_.size());
  for (uint32_t i = 0; i < n; i++) {
    for (std::size_t k = rowStart_[i]; k < rowStart_[i + 1]; k++) {
      TransitionBlock& block = blocks_[k >> kBlockBits];
      const std::size_t offset = k & (kBlockSize - 1);
      chain.rates.Place(i, block.targets[offset], block.rates[offset]);
      if (offset == kBlockSize - 1) block = {};
    }
  }
  chain.rates.Finish();
  std::vector<TransitionBlock>().swap(blocks_);
  std::vector<std::size_t>().swap(rowStart_);
  std::vector<uint32_t>().swap(incoming_);
}
