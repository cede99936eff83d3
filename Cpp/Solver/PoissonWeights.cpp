#include "Solver/PoissonWeights.h"

#include <cmath>
#include <deque>
#include <limits>

#include "Solver/SolverError.h"

PoissonWeights::PoissonWeights(double mean, double epsilon) {
  if (!(mean >= 0.0) || !std::isfinite(mean))
    throw SolverError("a Poisson weight of mean " + std::to_string(mean) + " is asked for");
  if (mean > static_cast<double>(std::numeric_limits<int>::max() / 2))
    throw SolverError("the uniformisation needs more than " +
                      std::to_string(std::numeric_limits<int>::max() / 2) +
                      " steps (rates times time too large)");
  const int mode = static_cast<int>(std::floor(mean));
  std::deque<double> weights{1.0};
  double total = 1.0;
  // Right of the mode: ratios mean/(k+1) fall below 1, so the tail after k
  // is at most w_k r / (1 - r) with r = mean/(k+2).
  int right = mode;
  for (double w = 1.0;;) {
    const double ratio = mean / (right + 1);
    w *= ratio;
    right++;
    weights.push_back(w);
    total += w;
    const double next = mean / (right + 1);
    if (w * next / (1.0 - next) <= 0.5 * epsilon * total || w == 0.0) break;
  }
  // Left of the mode: ratios k/mean, falling towards 0.
  int left = mode;
  for (double w = 1.0; left > 0;) {
    const double ratio = left / mean;
    const double previous = (left - 1) / mean;
    if (w * ratio / (1.0 - previous) <= 0.5 * epsilon * total) break;
    w *= ratio;
    left--;
    weights.push_front(w);
    total += w;
  }
  left_ = left;
  right_ = right;
  weights_.assign(weights.begin(), weights.end());
  for (double& w : weights_) w /= total;
  tails_.assign(weights_.size(), 0.0);
  double above = 0.0;
  for (int k = right_; k >= left_; k--) {
    tails_[k - left_] = above;
    above += weights_[k - left_];
  }
}

double PoissonWeights::Tail(int k) const {
  if (k < left_) return 1.0;
  if (k >= right_) return 0.0;
  return tails_[k - left_];
}
