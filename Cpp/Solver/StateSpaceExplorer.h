#ifndef CORVAX_STATE_SPACE_EXPLORER_H
#define CORVAX_STATE_SPACE_EXPLORER_H

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Solver/MarkingModel.h"
#include "Solver/MarkingStore.h"
#include "Solver/MarkovChain.h"
#include "Solver/VanishingEliminator.h"

class RewardStructure;

// Breadth-first exploration of the tangible markings reachable from the
// model's present (initial) state, building the Markov chain on them. Each
// marking is loaded into the model and every enabled timed activity (every
// case of it) is fired on a copy; a successor in which an instantaneous
// activity is enabled is vanishing and replaced by the tangible markings its
// instantaneous firings lead to (VanishingEliminator). Markings are numbered
// in the order they are found, so marking 0 is the first tangible one.
//
// The rate and impulse rewards of each marking are computed while it is
// loaded: the rate reward there, and the impulses of each of its
// transitions (in the state after the firing, and through the vanishing
// markings that follow).
class StateSpaceExplorer {
 public:
  // At most maxStates tangible markings; more refuses the model with the
  // count reached.
  StateSpaceExplorer(MarkingModel& model, RewardStructure& rewards, uint32_t maxStates);

  MarkovChain Explore();
  uint32_t NumVanishing() const { return vanishing_.NumEntered(); }

 private:
  uint32_t AddTangible(const unsigned char* marking);
  void ExploreMarking(uint32_t index);
  // Adds the successor reached by a move of the given rate (and the
  // impulses on the way) to the present row.
  void AddSuccessor(double rate);
  void FinishRow(uint32_t index);
  void AppendTransition(uint32_t target, double rate);
  // The transitions sorted by target, into chain.rates; frees the blocks.
  void StoreByTarget(MarkovChain& chain);

  MarkingModel& model_;
  RewardStructure& rewards_;
  uint32_t maxStates_;
  MarkingStore store_;
  VanishingEliminator vanishing_;
  uint32_t explored_ = 0;

  // The transitions by source (compressed rows, in the order the markings
  // are explored), in blocks of fixed size, and the number of transitions
  // into each marking. Reason: sorted by target afterwards with the counts
  // known, each block can be freed once it is read, and no array is copied
  // as it grows; the peak is the sorted matrix and one block, not two full
  // copies of the transitions.
  struct TransitionBlock {
    std::unique_ptr<uint32_t[]> targets;
    std::unique_ptr<double[]> rates;
  };
  std::vector<TransitionBlock> blocks_;
  std::size_t numTransitions_ = 0;
  std::vector<std::size_t> rowStart_;
  std::vector<uint32_t> incoming_;
  // The rates that occur, while there are few enough to code them
  // (RateMatrix).
  std::unordered_set<double> distinctRates_;
  bool tooManyRates_ = false;
  std::vector<double> exitRates_;
  std::vector<std::vector<double>> rateRewards_;
  std::vector<std::vector<double>> impulseRates_;

  // The row being built: (target, rate), and the impulses per unit of time.
  std::vector<std::pair<uint32_t, double>> row_;
  std::vector<double> rowImpulses_;
  std::vector<double> rowRates_;
  std::vector<Move> moves_;
  std::vector<unsigned char> buffer_;
};

#endif
