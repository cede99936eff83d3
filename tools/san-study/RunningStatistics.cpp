#include "RunningStatistics.h"

#include <boost/math/distributions/students_t.hpp>
#include <cassert>
#include <cmath>
#include <limits>

void RunningStatistics::Add(double x) {
  count_++;
  if (count_ == 1) {
    min_ = max_ = x;
  } else {
    min_ = std::fmin(min_, x);
    max_ = std::fmax(max_, x);
  }
  const double delta = x - mean_;
  mean_ += delta / static_cast<double>(count_);
  sumSquaredDeviations_ += delta * (x - mean_);
}

double RunningStatistics::Variance() const {
  if (count_ < 2) return 0.0;
  return sumSquaredDeviations_ / static_cast<double>(count_ - 1);
}

double StudentTQuantile(double confidence, long degrees) {
  assert(confidence > 0.0 && confidence < 1.0 && degrees >= 1);
  const boost::math::students_t distribution(static_cast<double>(degrees));
  return boost::math::quantile(distribution, 0.5 + confidence / 2.0);
}

double StudentHalfWidth(const RunningStatistics& stats, double confidence) {
  if (stats.Count() < 2) return std::numeric_limits<double>::infinity();
  const double n = static_cast<double>(stats.Count());
  return StudentTQuantile(confidence, stats.Count() - 1) * std::sqrt(stats.Variance() / n);
}
