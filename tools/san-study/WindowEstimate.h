#ifndef SAN_STUDY_WINDOW_ESTIMATE_H
#define SAN_STUDY_WINDOW_ESTIMATE_H

#include <limits>
#include <utility>
#include <vector>

#include "RunningStatistics.h"

// How an interval was formed (the CSV and JSON name it).
enum class IntervalMethod {
  None,      // fewer than two observations
  AllEqual,  // every observation equal: the chance of another value is bounded
  Binomial,  // few observations differ from the commonest value
  StudentT,  // the usual t interval
  Delta,     // a ratio of two means, by the delta method (RatioEstimate)
};
const char* MethodName(IntervalMethod method);

struct ConfidenceInterval {
  double mean = 0.0;
  double lower = -std::numeric_limits<double>::infinity();
  double upper = std::numeric_limits<double>::infinity();
  IntervalMethod method = IntervalMethod::None;

  // The larger distance from the mean to a bound.
  double HalfWidth() const;
  // Half-width relative to |mean|: 0 when the half-width is 0, infinite
  // when the mean is 0 and the half-width is not.
  double RelativeHalfWidth() const;
};

// The observations of one measure in one experiment, and their confidence
// interval for the mean. A t interval assumes many deviations from the
// mean; where the value is nearly always the same (dependability measures:
// a rare extra train, a rare failure), it is far too narrow. So the window
// also counts its first few distinct values:
// - all observations equal v: the chance p of another value is at most the
//   rule-of-three bound, and another value lies within the declared bounds
//   [lowest, highest] of an observation, so the mean lies in
//   [v - p (v - lowest), v + p (highest - v)];
// - fewer than kRareDeviations observations differ from the commonest value
//   v, or only two values occur, and v was seen at least twice: the mean is
//   v + p · d with p the chance of a deviation (Wilson score interval on
//   their count) and d the mean deviation, between the smallest and largest
//   deviation seen;
// - otherwise the t interval.
class WindowEstimate {
 public:
  static constexpr long kRareDeviations = 20;
  static constexpr std::size_t kTrackedValues = 8;

  void Add(double x);
  long Count() const { return stats_.Count(); }
  double Mean() const { return stats_.Mean(); }
  double Variance() const { return stats_.Variance(); }
  ConfidenceInterval Interval(double confidence,
                              double lowest = -std::numeric_limits<double>::infinity(),
                              double highest = std::numeric_limits<double>::infinity()) const;

 private:
  RunningStatistics stats_;
  std::vector<std::pair<double, long>> values_;  // distinct values and their counts, while few
  bool spread_ = false;                          // more than kTrackedValues distinct values seen
};

#endif
