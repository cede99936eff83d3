#ifndef MOVINGBLOCK_STUDY_EXPERIMENT_ESTIMATE_H
#define MOVINGBLOCK_STUDY_EXPERIMENT_ESTIMATE_H

#include <array>

#include "RewardWindows.h"
#include "RunningStatistics.h"

// When the replications of one experiment are enough.
struct StopRule {
  double confidence = 0.95;
  double precision = 0.05;  // largest relative half-width of a converged window
  long minReplications = 30;
  long maxReplications = 500;
};

enum class StopDecision { Continue, Converged, MaxReplications };

// The estimates of one experiment, one per window, and the stop decision
// taken after each whole replication. Once the decision is to stop, further
// replications are not counted, so the estimates always cover exactly the
// first Replications() replications of the simulator's stream.
class ExperimentEstimate {
 public:
  explicit ExperimentEstimate(const StopRule& rule) : rule_(rule) {}

  // Counts one replication unless the decision is already to stop; returns
  // the decision after it.
  StopDecision AddReplication(const Replication& observations);

  StopDecision Decision() const { return decision_; }
  long Replications() const { return windows_[0].Count(); }
  const RunningStatistics& Window(int w) const { return windows_[w]; }
  ConfidenceInterval Interval(int w) const { return IntervalOf(windows_[w], rule_.confidence); }
  bool WindowConverged(int w) const;
  // The largest relative half-width over the windows (infinite before two
  // replications).
  double WidestRelativeHalfWidth() const;

 private:
  StopRule rule_;
  std::array<RunningStatistics, kWindowCount> windows_;
  StopDecision decision_ = StopDecision::Continue;
};

#endif
