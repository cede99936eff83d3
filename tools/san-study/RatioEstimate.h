#ifndef SAN_STUDY_RATIO_ESTIMATE_H
#define SAN_STUDY_RATIO_ESTIMATE_H

#include "WindowEstimate.h"

// The ratio R = x̄ / ȳ of the means of two measures observed in the same
// replications (drops per arrival, a response time by Little's law), with
// a delta-method interval: R's variance is about
//   (s_x² − 2 R s_xy + R² s_y²) / (n ȳ²),
// the sample variance of (x − R y) / ȳ over n; the half-width is the
// Student t quantile with n − 1 degrees of freedom times its square root.
// The co-moments are updated one pair at a time (Welford's method), so
// that large, nearly equal sums do not cancel.
class RatioEstimate {
 public:
  void Add(double x, double y);
  long Count() const { return count_; }
  // x̄ / ȳ; NaN while ȳ is 0 or there is no pair.
  double Ratio() const;
  // The delta-method variance of one pair, (s_x² − 2 R s_xy + R² s_y²) / ȳ²:
  // n times R's; NaN without a ratio or with fewer than two pairs.
  double Variance() const;
  // No interval (method None) with fewer than two pairs, with ȳ = 0, or
  // when every pair has the same ratio (a variance of 0).
  ConfidenceInterval Interval(double confidence) const;

 private:
  long count_ = 0;
  double meanX_ = 0.0, meanY_ = 0.0;
  double sumSquaresX_ = 0.0, sumSquaresY_ = 0.0, sumProducts_ = 0.0;  // of deviations
};

#endif
