#ifndef CORVAX_REWARD_STRUCTURE_H
#define CORVAX_REWARD_STRUCTURE_H

#include <string>
#include <vector>

class BaseActionClass;
class PVModel;
class PerformanceVariableNode;

// One time point of a reward variable: one node of the reward model, whose
// position in the reward model's list is its result index.
struct RewardTimePoint {
  PerformanceVariableNode* node;
  int resultIndex;
  double start;
  double stop;
  // What the simulator adds per unit of time spent inside the window, per
  // unit of rate reward: 1 for an interval-of-time variable, 1 / (stop -
  // start) for a time-averaged one (the weight its rate worker gives a
  // span, over the span's length). Learnt from the worker itself
  // (LearnRateScales); 1 until then.
  double rateScale = 1.0;
};

// A reward variable: the consecutive nodes of one name (its time points).
struct RewardVariable {
  std::string name;
  bool instantOfTime = false;
  bool steadyState = false;           // its window slides: one batch after another
  int rateSlot = -1;                  // its rate reward in Rates(), or -1 without one
  int impulseSlot = -1;               // its impulses in AddImpulses(), or -1 without any
  bool timeAveragedImpulses = false;  // divided by the window's length
  bool rateScalesKnown = false;
  std::vector<RewardTimePoint> points;
};

// The reward variables of a reward model as the solver needs them: the rate
// reward of a marking and the impulses of a firing, computed by the
// generated reward code itself (the rate workers and the impulse workers of
// each variable's first node, summed over the model instances as the
// simulator sums them).
class RewardStructure {
 public:
  explicit RewardStructure(PVModel& rewardModel);

  const std::vector<RewardVariable>& Variables() const { return variables_; }
  int NumRateSlots() const { return numRateSlots_; }
  int NumImpulseSlots() const { return numImpulseSlots_; }

  // The rate reward of every variable that has one, in the present state:
  // out[rateSlot].
  void Rates(double* out);
  // Adds scale times the impulse that a firing of `fired` earns in the
  // present state (the state just after the firing) to out[impulseSlot] of
  // every variable with impulses. `fired` may be null (nothing fired).
  void AddImpulses(BaseActionClass* fired, double scale, double* out);

 private:
  // Asks each time point's worker for the weight it gives its whole window,
  // in a state whose rate reward r is not 0.
  void LearnRateScales(RewardVariable& variable, double r);
  double ImpulseOf(RewardVariable& variable, BaseActionClass* fired);

  std::vector<RewardVariable> variables_;
  BaseActionClass* noAction_;  // the reward model's placeholder action
  int numRateSlots_ = 0;
  int numImpulseSlots_ = 0;
  int impulseTimeChecksLeft_;
};

#endif
