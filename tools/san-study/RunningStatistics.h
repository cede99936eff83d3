#ifndef SAN_STUDY_RUNNING_STATISTICS_H
#define SAN_STUDY_RUNNING_STATISTICS_H

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

// Student t interval for the mean: mean ± t · sqrt(variance / n); infinite
// with fewer than two observations.
double StudentHalfWidth(const RunningStatistics& stats, double confidence);

#endif
