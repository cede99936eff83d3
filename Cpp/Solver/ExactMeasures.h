#ifndef CORVAX_EXACT_MEASURES_H
#define CORVAX_EXACT_MEASURES_H

#include <string>
#include <vector>

#include "Solver/MarkovChain.h"
#include "Solver/PhaseTimer.h"
#include "Solver/RewardStructure.h"
#include "Solver/SteadyStateSolver.h"
#include "Study/BaseStudyClass.h"

// The exact value of one time point of a reward variable: what the mean of
// the simulator's observations of it tends to.
struct MeasureValue {
  enum class Kind { InstantOfTime, Window, SteadyState };
  std::string variable;
  int resultIndex;
  Kind kind;
  double start;  // the time of an instant; the window's bounds (a steady
  double stop;   // state's first batch)
  double value;
};

// Appends, for each derived ratio, one value per time point of its
// numerator: the numerator's value over the denominator's at the same time
// point (NaN where the denominator's is 0). The ratio of the expectations is
// what the study tool's ratio of means tends to, so it is exact too.
void AppendDerivedRatios(std::vector<MeasureValue>& values,
                         const std::vector<BaseStudyClass::DerivedRatio>& ratios);

// What the solution took.
struct SolutionStatistics {
  bool steadyState = false;
  long sweeps = 0;
  double residual = 0.0;
  unsigned bottomComponents = 0;
  unsigned transientStates = 0;
  PhaseTime steadyStateTime;
  bool transient = false;
  double uniformisationRate = 0.0;
  long steps = 0;
  PhaseTime transientTime;
};

// Computes every measure of the reward variables on a chain:
// - instant of time t: the expected rate reward at t, sum_s p_s(t) r(s);
// - a window [a, b]: the expected reward earned in it, the integral of the
//   expected rate reward (times the variable's rate scale: 1, or 1/(b - a)
//   when time-averaged) plus the expected impulses (the integral of the
//   impulse rate, and at a = 0 the impulses of the instantaneous firings at
//   time 0; divided by b - a when time-averaged);
// - steady state, batches of length L: the expected reward of one batch in
//   the long run, L times the long-run reward rate (rate scale applied as
//   for a window of length L).
// The transient distribution is carried from one time point to the next
// (every instant and every window bound, in order), integrating over each
// span on the way.
class ExactMeasures {
 public:
  ExactMeasures(const RewardStructure& rewards, const MarkovChain& chain,
                const IterationSettings& settings);

  // In result-index order.
  std::vector<MeasureValue> Compute();
  const SolutionStatistics& Statistics() const { return statistics_; }

 private:
  void SolveTransient();
  void SolveSteadyState();
  double Dot(const std::vector<double>& p, const std::vector<double>& reward) const;
  int TimeIndex(double t) const;

  const RewardStructure& rewards_;
  const MarkovChain& chain_;
  IterationSettings settings_;
  SolutionStatistics statistics_;

  std::vector<double> times_;  // every instant and window bound, and 0
  // Per time: the expected rate reward of each rate slot.
  std::vector<std::vector<double>> instantRates_;
  // Per span [times_[k], times_[k+1]]: the integral of each rate slot's and
  // each impulse slot's reward.
  std::vector<std::vector<double>> spanRates_;
  std::vector<std::vector<double>> spanImpulses_;
  // Long-run reward rates per rate slot and impulse slot.
  std::vector<double> longRunRates_;
  std::vector<double> longRunImpulses_;
};

#endif
