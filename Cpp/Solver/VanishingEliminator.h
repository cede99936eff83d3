#ifndef CORVAX_VANISHING_ELIMINATOR_H
#define CORVAX_VANISHING_ELIMINATOR_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Solver/MarkingModel.h"
#include "Solver/MarkingStore.h"

class RewardStructure;

// Where the instantaneous firings from one vanishing marking lead: the
// tangible markings (numbers in the tangible store) with their
// probabilities, and the expected impulses earned on the way (one per
// impulse slot of the reward structure). Valid until the next Resolve.
struct VanishingExits {
  const uint32_t* targets;
  const double* probabilities;
  std::size_t count;
  const double* impulses;
};

// Eliminates vanishing markings on the fly: from a vanishing marking it
// fires the instantaneous activities as the simulator would (highest rank
// first, ties by weight, cases by weight), through further vanishing
// markings, until tangible markings are reached; no time passes on the way.
// The vanishing markings met form a small absorbing chain; the expected
// number of visits y to each solves (I - P_vv)^T y = e_root, by substitution
// in topological order when the firings cannot return to a marking (the
// usual case) and by a sparse LU factorisation otherwise. A loop of firings
// that can never reach a tangible marking is refused (the simulator would
// fire forever at one instant).
//
// Results are kept per starting marking. Reason: many tangible markings
// lead into the same vanishing one. Cost: the starting marking and its exits
// for every vanishing marking entered.
class VanishingEliminator {
 public:
  // addTangible numbers a tangible marking (adding it to the state space);
  // at most maxMarkings vanishing markings are met from one start.
  VanishingEliminator(MarkingModel& model, RewardStructure& rewards,
                      std::function<uint32_t(const unsigned char*)> addTangible,
                      uint32_t maxMarkings);

  VanishingExits Resolve(const unsigned char* vanishing);
  // Vanishing markings entered from tangible ones (each counted once).
  uint32_t NumEntered() const { return cache_.Size(); }

 private:
  // One instantaneous firing in the local chain.
  struct Edge {
    uint32_t from;
    uint32_t to;  // a local vanishing marking, or a tangible marking
    bool tangible;
    double probability;
    Activity* action;  // what fired
  };

  void ExploreFrom(const unsigned char* root);
  // Expected visits to each local vanishing marking (index 0 is the root).
  void CountVisits();
  void CountVisitsWithLoops();
  void RefuseEndlessLoops() const;
  // Records the exits of the local chain's root; returns its number.
  uint32_t Record(const unsigned char* root);

  MarkingModel& model_;
  RewardStructure& rewards_;
  std::function<uint32_t(const unsigned char*)> addTangible_;
  uint32_t maxMarkings_;
  std::size_t numImpulses_;

  // The local chain of the marking being resolved.
  MarkingStore local_;
  std::vector<Edge> edges_;
  std::vector<std::size_t> edgeStart_;  // per local marking, and one past the last
  std::vector<double> localImpulses_;   // per local marking and impulse slot
  std::vector<double> visits_;

  // Results per starting marking.
  MarkingStore cache_;
  std::vector<std::size_t> exitStart_;  // per cached marking, and one past the last
  std::vector<uint32_t> exitTargets_;
  std::vector<double> exitProbabilities_;
  std::vector<double> exitImpulses_;  // per cached marking and impulse slot

  std::vector<Move> moves_;
  std::vector<unsigned char> buffer_;
};

#endif
