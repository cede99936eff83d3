#ifndef CORVAX_RATE_AGGREGATE_H
#define CORVAX_RATE_AGGREGATE_H

#include <vector>

// The value of a rate reward over every instance of its model when it is
// not their sum: the number of instances whose value is non-zero (Count),
// whether all, any or at least a given number of them are (1 or 0: All,
// Any, AtLeast; all of no instance holds), or the least or greatest value
// (Min, Max).
//
// It keeps the value of every instance, so that a firing re-evaluates only
// the instances it changes: Set costs O(1) for the counting kinds (a count
// of the non-zero values) and O(log n) for Min and Max (a tree of partial
// minima or maxima over the instances, leaves n .. 2n-1, node i combining
// 2i and 2i + 1). Value costs O(1). A NaN value makes Min and Max depend on
// the instances' order.
class RateAggregate {
 public:
  enum class Kind { Count, All, Any, AtLeast, Min, Max };

  // `least`: the number of instances that must be non-zero for AtLeast.
  explicit RateAggregate(Kind kind, double least = 0.0) : kind_(kind), least_(least) {}

  // n instances, every value 0.
  void Resize(int n);
  // Instance i (0 <= i < n) now has `value`.
  void Set(int i, double value);
  // The aggregate of the present values; 0 for Min and Max of no instance.
  double Value() const;

 private:
  bool counts() const { return kind_ != Kind::Min && kind_ != Kind::Max; }
  double combine(double a, double b) const;

  Kind kind_;
  double least_;
  int n_ = 0;
  int nonZero_ = 0;
  std::vector<double> values_;  // the counting kinds
  std::vector<double> tree_;    // Min and Max: 2n entries
};

#endif
