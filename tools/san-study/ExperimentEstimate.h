#ifndef SAN_STUDY_EXPERIMENT_ESTIMATE_H
#define SAN_STUDY_EXPERIMENT_ESTIMATE_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "RatioEstimate.h"
#include "WindowEstimate.h"

// When the replications of one experiment are enough.
struct StopRule {
  double confidence = 0.95;
  double precision = 0.05;  // largest relative half-width of a converged measure
  long minReplications = 30;
  long maxReplications = 500;
  double absolutePrecision = 0.0;  // a half-width this small converges too; 0: none

  // The largest half-width of a converged measure whose mean is `mean`:
  // the relative precision of it, or the absolute one if that is larger
  // (a probability near 0 has no useful relative precision).
  double AllowedHalfWidth(double mean) const {
    return std::max(precision * std::fabs(mean), absolutePrecision);
  }
};

enum class StopDecision { Continue, Converged, MaxReplications };

// An interval's half-width (its larger side) over the allowed one for its
// mean: at most 1 once the measure has converged; infinite without an
// interval (fewer than two observations) or for an unbounded one.
double Shortfall(const ConfidenceInterval& interval, const StopRule& rule);

// Declared bounds of one observation of a measure (infinite: none).
struct ObservationBounds {
  double lowest = -std::numeric_limits<double>::infinity();
  double highest = std::numeric_limits<double>::infinity();
};

// One replication: one observation per observed measure.
using Replication = std::vector<double>;

// A derived measure: the ratio of the means of two observed measures.
struct RatioTerms {
  int numerator = 0;
  int denominator = 0;
};

// The estimates of one experiment, one per measure, and the stop decision
// taken after each whole replication. Once the decision is to stop, further
// replications are not counted, so the estimates always cover exactly the
// first Replications() replications of the simulator's stream.
class ExperimentEstimate {
 public:
  // One observed measure per bound; the derived measures (`ratios`) follow
  // them in the measures' numbering and take part in the stop rule alike.
  ExperimentEstimate(const StopRule& rule, std::vector<ObservationBounds> bounds,
                     std::vector<RatioTerms> ratios = {});

  // Counts one replication unless the decision is already to stop; returns
  // the decision after it.
  StopDecision AddReplication(const Replication& observations);

  StopDecision Decision() const { return decision_; }
  long Replications() const { return windows_.empty() ? 0 : windows_[0].Count(); }
  int MeasureCount() const { return static_cast<int>(windows_.size() + ratios_.size()); }
  int ObservedCount() const { return static_cast<int>(windows_.size()); }
  // An observed measure (w < ObservedCount()).
  const WindowEstimate& Window(int w) const { return windows_[w]; }
  ConfidenceInterval Interval(int w) const;
  // The variance of one observation; of a derived measure, the
  // delta-method variance of one replication (RatioEstimate::Variance).
  double Variance(int w) const;
  // A measure has reached the precision: the interval it shows lies within
  // the allowed half-width of its mean, on both sides.
  bool WindowConverged(int w) const { return Shortfall(w) <= 1.0; }
  // The interval's half-width (its larger side) over the allowed one: at
  // most 1 once converged; infinite before two replications or for an
  // unbounded interval.
  double Shortfall(int w) const;
  // The largest shortfall over the measures.
  double WidestShortfall() const;

 private:
  StopRule rule_;
  std::vector<ObservationBounds> bounds_;
  std::vector<WindowEstimate> windows_;
  std::vector<RatioTerms> terms_;
  std::vector<RatioEstimate> ratios_;
  StopDecision decision_ = StopDecision::Continue;
};

#endif
