#include "WindowEstimate.h"

#include <algorithm>
#include <cmath>

#include "ProportionBounds.h"

const char* MethodName(IntervalMethod method) {
  switch (method) {
    case IntervalMethod::AllEqual:
      return "all-equal";
    case IntervalMethod::Binomial:
      return "binomial";
    case IntervalMethod::StudentT:
      return "t";
    case IntervalMethod::Delta:
      return "delta";
    default:
      return "none";
  }
}

double ConfidenceInterval::HalfWidth() const { return std::max(upper - mean, mean - lower); }

double ConfidenceInterval::RelativeHalfWidth() const {
  const double half = HalfWidth();
  if (half == 0.0) return 0.0;
  if (mean == 0.0) return std::numeric_limits<double>::infinity();
  return half / std::fabs(mean);
}

void WindowEstimate::Add(double x) {
  stats_.Add(x);
  if (spread_) return;
  auto seen =
      std::find_if(values_.begin(), values_.end(), [x](const auto& v) { return v.first == x; });
  if (seen != values_.end()) {
    seen->second++;
  } else if (values_.size() < kTrackedValues) {
    values_.emplace_back(x, 1);
  } else {
    spread_ = true;
    values_.clear();
    values_.shrink_to_fit();
  }
}

ConfidenceInterval WindowEstimate::Interval(double confidence, double lowest,
                                            double highest) const {
  ConfidenceInterval ci;
  ci.mean = stats_.Mean();
  const long n = stats_.Count();
  if (n < 2) return ci;
  if (!spread_ && values_.size() == 1) {
    const double v = values_.front().first;
    ci.method = IntervalMethod::AllEqual;
    const double unseen = UnseenChanceBound(n, confidence);
    // Without a declared bound another value may lie anywhere.
    ci.lower = std::isfinite(lowest) ? v - unseen * std::max(0.0, v - lowest) : -INFINITY;
    ci.upper = std::isfinite(highest) ? v + unseen * std::max(0.0, highest - v) : INFINITY;
    return ci;
  }
  if (!spread_) {
    const auto common =
        std::max_element(values_.begin(), values_.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    const long deviations = n - common->second;
    // Counting values assumes a discrete measure; without a value seen
    // twice (a few observations of a continuous one) there is no sign of it.
    if (common->second >= 2 && (values_.size() == 2 || deviations < kRareDeviations)) {
      double smallest = INFINITY, largest = -INFINITY;
      for (const auto& [value, count] : values_)
        if (value != common->first) {
          smallest = std::min(smallest, value - common->first);
          largest = std::max(largest, value - common->first);
        }
      const ProportionInterval p = WilsonInterval(deviations, n, confidence);
      ci.method = IntervalMethod::Binomial;
      ci.lower = common->first + std::min(p.lower * smallest, p.upper * smallest);
      ci.upper = common->first + std::max(p.lower * largest, p.upper * largest);
      // The sample mean lies inside in exact arithmetic; rounding must not
      // put it outside.
      ci.lower = std::min(ci.lower, ci.mean);
      ci.upper = std::max(ci.upper, ci.mean);
      return ci;
    }
  }
  const double half = StudentHalfWidth(stats_, confidence);
  ci.method = IntervalMethod::StudentT;
  ci.lower = ci.mean - half;
  ci.upper = ci.mean + half;
  return ci;
}
