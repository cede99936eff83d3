#include "Rewards/RateAggregate.h"

#include <algorithm>

void RateAggregate::Resize(int n) {
  n_ = n > 0 ? n : 0;
  nonZero_ = 0;
  if (counts())
    values_.assign(n_, 0.0);
  else
    tree_.assign(2 * static_cast<std::size_t>(n_), 0.0);
}

double RateAggregate::combine(double a, double b) const {
  return kind_ == Kind::Min ? std::min(a, b) : std::max(a, b);
}

void RateAggregate::Set(int i, double value) {
  if (counts()) {
    nonZero_ += (value != 0.0) - (values_[i] != 0.0);
    values_[i] = value;
    return;
  }
  int node = n_ + i;
  tree_[node] = value;
  for (node /= 2; node >= 1; node /= 2) tree_[node] = combine(tree_[2 * node], tree_[2 * node + 1]);
}

double RateAggregate::Value() const {
  switch (kind_) {
    case Kind::Count:
      return nonZero_;
    case Kind::All:
      return nonZero_ == n_ ? 1.0 : 0.0;
    case Kind::Any:
      return nonZero_ > 0 ? 1.0 : 0.0;
    case Kind::AtLeast:
      return nonZero_ >= least_ ? 1.0 : 0.0;
    case Kind::Min:
    case Kind::Max:
      return n_ > 0 ? tree_[1] : 0.0;
  }
  return 0.0;
}
