#include "RatioEstimate.h"

#include <algorithm>
#include <cmath>

#include "RunningStatistics.h"

void RatioEstimate::Add(double x, double y) {
  count_++;
  const double n = static_cast<double>(count_);
  const double dx = x - meanX_;
  const double dy = y - meanY_;
  meanX_ += dx / n;
  meanY_ += dy / n;
  sumSquaresX_ += dx * (x - meanX_);
  sumSquaresY_ += dy * (y - meanY_);
  sumProducts_ += dx * (y - meanY_);
}

double RatioEstimate::Ratio() const {
  if (count_ == 0 || meanY_ == 0.0) return NAN;
  return meanX_ / meanY_;
}

double RatioEstimate::Variance() const {
  const double r = Ratio();
  if (count_ < 2 || std::isnan(r)) return NAN;
  const double m = static_cast<double>(count_ - 1);
  const double spread = sumSquaresX_ / m - 2.0 * r * sumProducts_ / m + r * r * sumSquaresY_ / m;
  // Non-negative in exact arithmetic (a sample variance); rounding must not
  // make it negative.
  return std::max(0.0, spread) / (meanY_ * meanY_);
}

ConfidenceInterval RatioEstimate::Interval(double confidence) const {
  ConfidenceInterval ci;
  ci.mean = Ratio();
  const double variance = Variance();
  // Every pair in the same proportion (no drop in any replication, say):
  // the spread says nothing of how far the ratio may be off, so no interval.
  if (std::isnan(variance) || variance == 0.0) return ci;
  const double half =
      StudentTQuantile(confidence, count_ - 1) * std::sqrt(variance / static_cast<double>(count_));
  ci.method = IntervalMethod::Delta;
  ci.lower = ci.mean - half;
  ci.upper = ci.mean + half;
  return ci;
}
