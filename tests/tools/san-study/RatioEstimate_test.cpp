// The delta-method estimate of a ratio of two means, against hand-worked
// pairs and a two-pass computation in long double.
#include "RatioEstimate.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <vector>

namespace {

double TQuantile(double confidence, double degrees) {
  return boost::math::quantile(boost::math::students_t(degrees), 0.5 + confidence / 2);
}

TEST(RatioEstimate, MatchesHandWorkedPairs) {
  // (1, 1), (3, 1): x̄ = 2, ȳ = 1, R = 2; s_x² = 2, s_y² = s_xy = 0, so
  // Var(R) = 2 / (2 · 1) = 1.
  RatioEstimate flat;
  flat.Add(1, 1);
  flat.Add(3, 1);
  ConfidenceInterval ci = flat.Interval(0.95);
  EXPECT_EQ(ci.method, IntervalMethod::Delta);
  EXPECT_DOUBLE_EQ(ci.mean, 2.0);
  EXPECT_NEAR(ci.HalfWidth(), TQuantile(0.95, 1) * 1.0, 1e-12);
  // (2, 1), (4, 3): x̄ = 3, ȳ = 2, R = 1.5; s_x² = s_y² = s_xy = 2, so
  // s_x² − 2R s_xy + R² s_y² = 2 − 6 + 4.5 = 0.5 and Var(R) = 0.5 / (2 · 4)
  // = 1/16; one pair's variance is 0.5 / 4.
  RatioEstimate paired;
  paired.Add(2, 1);
  paired.Add(4, 3);
  ci = paired.Interval(0.99);
  EXPECT_DOUBLE_EQ(ci.mean, 1.5);
  EXPECT_NEAR(paired.Variance(), 0.125, 1e-15);
  EXPECT_NEAR(ci.HalfWidth(), TQuantile(0.99, 1) * 0.25, 1e-12);
  EXPECT_NEAR(ci.upper - ci.mean, ci.mean - ci.lower, 1e-12);
}

TEST(RatioEstimate, AgreesWithATwoPassComputationFarFromZero) {
  // Large, nearly equal values: a sum of squares would cancel.
  std::vector<std::pair<double, double>> pairs;
  for (int i = 0; i < 50; i++)
    pairs.push_back({1e8 + std::sin(i) * 3 + i % 7, 2e8 + std::cos(i) * 5 - i % 5});
  RatioEstimate estimate;
  long double mx = 0, my = 0;
  for (const auto& [x, y] : pairs) {
    estimate.Add(x, y);
    mx += x;
    my += y;
  }
  const long double n = pairs.size();
  mx /= n;
  my /= n;
  long double sxx = 0, syy = 0, sxy = 0;
  for (const auto& [x, y] : pairs) {
    sxx += (x - mx) * (x - mx);
    syy += (y - my) * (y - my);
    sxy += (x - mx) * (y - my);
  }
  const long double r = mx / my;
  const long double variance = (sxx - 2 * r * sxy + r * r * syy) / (n - 1) / (my * my);
  EXPECT_NEAR(estimate.Ratio(), static_cast<double>(r), 1e-15);
  EXPECT_NEAR(estimate.Variance() / static_cast<double>(variance), 1.0, 1e-6);
  const double half = TQuantile(0.95, 49) * std::sqrt(static_cast<double>(variance) / 50);
  EXPECT_NEAR(estimate.Interval(0.95).HalfWidth() / half, 1.0, 1e-6);
}

TEST(RatioEstimate, GivesNoIntervalWithoutEvidence) {
  RatioEstimate one;
  one.Add(1, 2);
  EXPECT_EQ(one.Interval(0.95).method, IntervalMethod::None);
  EXPECT_DOUBLE_EQ(one.Interval(0.95).mean, 0.5);
  RatioEstimate zeroDenominator;
  zeroDenominator.Add(1, 1);
  zeroDenominator.Add(2, -1);
  EXPECT_EQ(zeroDenominator.Interval(0.95).method, IntervalMethod::None);
  EXPECT_TRUE(std::isnan(zeroDenominator.Ratio()));
  // Every pair in the same proportion: no spread to bound the error by.
  RatioEstimate proportional;
  for (int i = 1; i <= 5; i++) proportional.Add(0, i);
  EXPECT_EQ(proportional.Interval(0.95).method, IntervalMethod::None);
  EXPECT_DOUBLE_EQ(proportional.Ratio(), 0.0);
}

}  // namespace
