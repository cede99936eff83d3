// Running statistics, Student t intervals and the stop rule.
#include <gtest/gtest.h>

#include <cmath>

#include "ExperimentEstimate.h"
#include "RunningStatistics.h"

TEST(RunningStatistics, KnownValuesAndLargeOffsets) {
  RunningStatistics s;
  for (double x : {2, 4, 4, 4, 5, 5, 7, 9}) s.Add(x);
  EXPECT_EQ(s.Count(), 8);
  EXPECT_DOUBLE_EQ(s.Mean(), 5.0);
  EXPECT_DOUBLE_EQ(s.Variance(), 32.0 / 7.0);
  EXPECT_FALSE(s.AllEqual());

  // A naive sum of squares loses every digit here; Welford keeps them.
  RunningStatistics offset;
  for (double x : {4.0, 7.0, 13.0, 16.0}) offset.Add(1e9 + x);
  EXPECT_DOUBLE_EQ(offset.Mean(), 1e9 + 10.0);
  EXPECT_NEAR(offset.Variance(), 30.0, 1e-6);
}

TEST(RunningStatistics, StudentIntervals) {
  EXPECT_NEAR(StudentTQuantile(0.95, 9), 2.262157, 1e-6);
  EXPECT_NEAR(StudentTQuantile(0.99, 1), 63.65674, 1e-4);
  EXPECT_NEAR(StudentTQuantile(0.90, 120), 1.657651, 1e-6);

  RunningStatistics s;
  for (int i = 1; i <= 10; i++) s.Add(i);  // mean 5.5, variance 55/6
  const ConfidenceInterval ci = IntervalOf(s, 0.95);
  EXPECT_NEAR(ci.halfWidth, 2.262157 * std::sqrt(55.0 / 6.0 / 10.0), 1e-5);
  EXPECT_NEAR(ci.Lower() + ci.Upper(), 11.0, 1e-12);
  EXPECT_NEAR(ci.RelativeHalfWidth(), ci.halfWidth / 5.5, 1e-12);

  RunningStatistics one;
  one.Add(3.0);
  EXPECT_TRUE(std::isinf(IntervalOf(one, 0.95).halfWidth));
  RunningStatistics equal;
  for (int i = 0; i < 5; i++) equal.Add(0.0);
  EXPECT_EQ(IntervalOf(equal, 0.95).halfWidth, 0.0);
  EXPECT_EQ(IntervalOf(equal, 0.95).RelativeHalfWidth(), 0.0);
}

TEST(ExperimentEstimate, StopsWhenConvergedOrAtTheMaximum) {
  Replication same{};
  same.fill(2.0);
  ExperimentEstimate constant({0.95, 0.05, 5, 50});
  for (int r = 1; r < 5; r++) EXPECT_EQ(constant.AddReplication(same), StopDecision::Continue);
  EXPECT_EQ(constant.AddReplication(same), StopDecision::Converged);  // not before --min-reps
  EXPECT_EQ(constant.AddReplication(same), StopDecision::Converged);
  EXPECT_EQ(constant.Replications(), 5);  // nothing counted after the decision

  // One noisy window keeps the whole experiment going until --max-reps.
  ExperimentEstimate noisy({0.95, 0.05, 2, 7});
  StopDecision d = StopDecision::Continue;
  for (int r = 0; r < 7; r++) {
    Replication rep = same;
    rep[12] = r % 2 ? 1.0 : 9.0;
    d = noisy.AddReplication(rep);
  }
  EXPECT_EQ(d, StopDecision::MaxReplications);
  EXPECT_TRUE(noisy.WindowConverged(0));
  EXPECT_FALSE(noisy.WindowConverged(12));
  EXPECT_GT(noisy.WidestRelativeHalfWidth(), 0.5);
}
