#ifndef CORVAX_POISSON_WEIGHTS_H
#define CORVAX_POISSON_WEIGHTS_H

#include <vector>

// The Poisson probabilities P(N = k), N of mean `mean`, for k from Left() to
// Right(), where the mass left out on both sides together is at most
// `epsilon` (Fox and Glynn's truncation). Computed from the mode outwards by
// the ratios P(k+1)/P(k) = mean/(k+1) and normalised at the end, so that a
// large mean (where e^-mean underflows) loses nothing; each side stops once
// a geometric bound on the rest of its tail is below epsilon/2 of the mass
// found so far.
class PoissonWeights {
 public:
  PoissonWeights(double mean, double epsilon);

  int Left() const { return left_; }
  int Right() const { return right_; }
  // P(N = k) for Left() <= k <= Right().
  double Weight(int k) const { return weights_[k - left_]; }
  // P(N > k) for Left() - 1 <= k <= Right() (1 below Left(), 0 from Right()
  // on, within epsilon), summed from the right so that small tails keep
  // their precision.
  double Tail(int k) const;

 private:
  int left_ = 0;
  int right_ = 0;
  std::vector<double> weights_;
  std::vector<double> tails_;  // tails_[k - left_] = sum of weights above k
};

#endif
