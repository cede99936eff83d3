#ifndef CORVAX_GV_RANGE_H
#define CORVAX_GV_RANGE_H

#include <cmath>
#include <string>

// The values a global variable may take, declared by the study as data: an
// interval whose ends are open or closed (an infinite end is no bound), and
// whether the value must be finite. NaN is never in a range.
struct GVRange {
  double Min = -HUGE_VAL;
  bool MinOpen = false;
  double Max = HUGE_VAL;
  bool MaxOpen = false;
  bool Finite = true;

  bool Contains(double value) const;
  // "[0, 1]", "(0, inf)": the interval as a reader writes it.
  std::string Text() const;
};

// The shortest text that reads back to exactly `value` ("0.001", "inf"),
// whole numbers written out in full ("500000000").
std::string ShortestNumberText(double value);

#endif
