#include "ExperimentEstimate.h"

#include <algorithm>

ExperimentEstimate::ExperimentEstimate(const StopRule& rule, std::vector<ObservationBounds> bounds,
                                       std::vector<RatioTerms> ratios)
    : rule_(rule),
      bounds_(std::move(bounds)),
      windows_(bounds_.size()),
      terms_(std::move(ratios)),
      ratios_(terms_.size()) {}

StopDecision ExperimentEstimate::AddReplication(const Replication& observations) {
  if (decision_ != StopDecision::Continue) return decision_;
  for (std::size_t w = 0; w < windows_.size(); w++) windows_[w].Add(observations[w]);
  for (std::size_t r = 0; r < ratios_.size(); r++)
    ratios_[r].Add(observations[terms_[r].numerator], observations[terms_[r].denominator]);
  const long n = Replications();
  bool converged = n >= rule_.minReplications;
  for (int w = 0; converged && w < MeasureCount(); w++) converged = WindowConverged(w);
  if (converged) {
    decision_ = StopDecision::Converged;
  } else if (n >= rule_.maxReplications) {
    decision_ = StopDecision::MaxReplications;
  }
  return decision_;
}

ConfidenceInterval ExperimentEstimate::Interval(int w) const {
  if (w >= ObservedCount()) return ratios_[w - ObservedCount()].Interval(rule_.confidence);
  return windows_[w].Interval(rule_.confidence, bounds_[w].lowest, bounds_[w].highest);
}

double ExperimentEstimate::Variance(int w) const {
  if (w >= ObservedCount()) return ratios_[w - ObservedCount()].Variance();
  return windows_[w].Variance();
}

double Shortfall(const ConfidenceInterval& ci, const StopRule& rule) {
  const double half = ci.HalfWidth();
  if (ci.method == IntervalMethod::None || !std::isfinite(half))
    return std::numeric_limits<double>::infinity();
  if (half == 0.0) return 0.0;
  const double allowed = rule.AllowedHalfWidth(ci.mean);
  return allowed > 0.0 ? half / allowed : std::numeric_limits<double>::infinity();
}

double ExperimentEstimate::Shortfall(int w) const { return ::Shortfall(Interval(w), rule_); }

double ExperimentEstimate::WidestShortfall() const {
  double widest = 0.0;
  for (int w = 0; w < MeasureCount(); w++) widest = std::max(widest, Shortfall(w));
  return widest;
}
