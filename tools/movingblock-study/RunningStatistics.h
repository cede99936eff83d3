#ifndef MOVINGBLOCK_STUDY_RUNNING_STATISTICS_H
#define MOVINGBLOCK_STUDY_RUNNING_STATISTICS_H

// Count, mean and sample variance of a stream of observations, updated one
// observation at a time by Welford's method (no cancellation of large sums).
class RunningStatistics {
 public:
  void Add(double x);

  long Count() const { return count_; }
  double Mean() const { return mean_; }
  // Sample variance (divisor n - 1); 0 with fewer than two observations.
  double Variance() const;
  // True when there is at least one observation and all are equal.
  bool AllEqual() const { return count_ > 0 && min_ == max_; }

 private:
  long count_ = 0;
  double mean_ = 0.0;
  double sumSquaredDeviations_ = 0.0;
  double min_ = 0.0;
  double max_ = 0.0;
};

// The two-sided Student t quantile: t with P(|T| <= t) = confidence for
// `degrees` degrees of freedom (at least 1).
double StudentTQuantile(double confidence, long degrees);

// Confidence interval for the mean: mean ± t · sqrt(variance / n).
struct ConfidenceInterval {
  double mean = 0.0;
  double halfWidth = 0.0;  // infinite with fewer than two observations

  double Lower() const { return mean - halfWidth; }
  double Upper() const { return mean + halfWidth; }
  // Half-width relative to |mean|: 0 when the half-width is 0, infinite
  // when the mean is 0 and the half-width is not.
  double RelativeHalfWidth() const;
};

// The interval at `confidence`; observations that are all equal give a
// half-width of 0.
ConfidenceInterval IntervalOf(const RunningStatistics& stats, double confidence);

#endif
