#include "ExperimentEstimate.h"

#include <algorithm>

StopDecision ExperimentEstimate::AddReplication(const Replication& observations) {
  if (decision_ != StopDecision::Continue) return decision_;
  for (int w = 0; w < kWindowCount; w++) windows_[w].Add(observations[w]);
  const long n = Replications();
  bool converged = n >= rule_.minReplications;
  for (int w = 0; converged && w < kWindowCount; w++) converged = WindowConverged(w);
  if (converged) {
    decision_ = StopDecision::Converged;
  } else if (n >= rule_.maxReplications) {
    decision_ = StopDecision::MaxReplications;
  }
  return decision_;
}

bool ExperimentEstimate::WindowConverged(int w) const {
  if (windows_[w].Count() < 2) return false;
  return Interval(w).RelativeHalfWidth() <= rule_.precision;
}

double ExperimentEstimate::WidestRelativeHalfWidth() const {
  double widest = 0.0;
  for (int w = 0; w < kWindowCount; w++) widest = std::max(widest, Interval(w).RelativeHalfWidth());
  return widest;
}
