// Running statistics, the intervals and the stop rule.
#include <gtest/gtest.h>

#include <cmath>

#include "ExperimentEstimate.h"
#include "ProportionBounds.h"
#include "RunningStatistics.h"
#include "WindowEstimate.h"

namespace {
// The interval of n Bernoulli observations of which k are 1.
ConfidenceInterval BernoulliInterval(long k, long n, double confidence = 0.95) {
  WindowEstimate window;
  for (long i = 0; i < n; i++) window.Add(i < k ? 1.0 : 0.0);
  return window.Interval(confidence, 0.0, 1.0);
}

double BinomialProbability(long k, long n, double p) {
  return std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) +
                  k * std::log(p) + (n - k) * std::log1p(-p));
}

// The exact chance that the interval from n observations covers p: the
// interval depends only on k, so it is a sum over k.
template <typename Covers>
double Coverage(long n, double p, Covers covers) {
  double coverage = 0.0;
  for (long k = 0; k <= n; k++)
    if (covers(k)) coverage += BinomialProbability(k, n, p);
  return coverage;
}
}  // namespace

TEST(RunningStatistics, KnownValuesAndLargeOffsets) {
  RunningStatistics s;
  for (double x : {2, 4, 4, 4, 5, 5, 7, 9}) s.Add(x);
  EXPECT_EQ(s.Count(), 8);
  EXPECT_DOUBLE_EQ(s.Mean(), 5.0);
  EXPECT_DOUBLE_EQ(s.Variance(), 32.0 / 7.0);

  // A naive sum of squares loses every digit here; Welford keeps them.
  RunningStatistics offset;
  for (double x : {4.0, 7.0, 13.0, 16.0}) offset.Add(1e9 + x);
  EXPECT_DOUBLE_EQ(offset.Mean(), 1e9 + 10.0);
  EXPECT_NEAR(offset.Variance(), 30.0, 1e-6);

  EXPECT_NEAR(StudentTQuantile(0.95, 9), 2.262157, 1e-6);
  EXPECT_NEAR(StudentTQuantile(0.99, 1), 63.65674, 1e-4);
  RunningStatistics ten;
  for (int i = 1; i <= 10; i++) ten.Add(i);  // mean 5.5, variance 55/6
  EXPECT_NEAR(StudentHalfWidth(ten, 0.95), 2.262157 * std::sqrt(55.0 / 6.0 / 10.0), 1e-5);
}

TEST(ProportionBounds, PublishedValuesAndTheRuleOfThree) {
  const ProportionInterval wilson = WilsonInterval(5, 50, 0.95);
  EXPECT_NEAR(wilson.lower, 0.04348, 1e-5);
  EXPECT_NEAR(wilson.upper, 0.21360, 1e-5);
  // No event in n trials: 1 - 0.05^(1/n), close to 3/n.
  EXPECT_NEAR(UnseenChanceBound(300, 0.95), 3.0 / 300, 1e-4);
  EXPECT_LE(UnseenChanceBound(59, 0.95), 0.05);  // where a constant window reaches 5 %
  EXPECT_GT(UnseenChanceBound(58, 0.95), 0.05);
}

// Rare values: data that are almost always 0, with chance p of a 1. The
// t interval misses the mean whenever no 1 was seen (zero width) and is
// too narrow with one or two; the window's interval holds its level: on
// average over p, and never far below it (a score interval's coverage
// oscillates with p, as every interval's on discrete data does).
TEST(WindowEstimate, BernoulliCoverageHoldsForRareValues) {
  const long n = 500;
  double sum = 0.0;
  int count = 0;
  for (double p = 0.0005; p < 0.5; p *= 1.25, count++) {
    const double coverage = Coverage(n, p, [&](long k) {
      const ConfidenceInterval ci = BernoulliInterval(k, n);
      return ci.lower <= p && p <= ci.upper;
    });
    EXPECT_GE(coverage, 0.90) << "p = " << p;
    sum += coverage;
  }
  EXPECT_NEAR(sum / count, 0.955, 0.015);
  const double tCoverage = Coverage(n, 0.002, [&](long k) {
    RunningStatistics s;
    for (long i = 0; i < n; i++) s.Add(i < k ? 1.0 : 0.0);
    const double half = k == 0 ? 0.0 : StudentHalfWidth(s, 0.95);
    return std::fabs(s.Mean() - 0.002) <= half;
  });
  EXPECT_LT(tCoverage, 0.8);
}

TEST(WindowEstimate, MethodsFollowTheData) {
  WindowEstimate constant;
  for (int i = 0; i < 100; i++) constant.Add(7.0);
  ConfidenceInterval ci = constant.Interval(0.95, 0.0, 30.0);
  EXPECT_EQ(ci.method, IntervalMethod::AllEqual);
  EXPECT_NEAR(ci.upper, 7.0 + UnseenChanceBound(100, 0.95) * 23.0, 1e-12);
  EXPECT_NEAR(ci.lower, 7.0 - UnseenChanceBound(100, 0.95) * 7.0, 1e-12);
  EXPECT_TRUE(std::isinf(constant.Interval(0.95).upper));  // no declared bound: none can be given

  // Three values, two deviations: the chance of a deviation times the
  // deviations seen (+1 and +2).
  WindowEstimate rare;
  for (int i = 0; i < 98; i++) rare.Add(1.0);
  rare.Add(2.0);
  rare.Add(3.0);
  ci = rare.Interval(0.95);
  const ProportionInterval p = WilsonInterval(2, 100, 0.95);
  EXPECT_EQ(ci.method, IntervalMethod::Binomial);
  EXPECT_NEAR(ci.lower, 1.0 + p.lower * 1.0, 1e-12);
  EXPECT_NEAR(ci.upper, 1.0 + p.upper * 2.0, 1e-12);

  // A few observations that all differ (batch means, say) show no sign of
  // a discrete measure: the t interval, however few.
  for (int n : {2, 5}) {
    WindowEstimate distinct;
    RunningStatistics stats;
    for (int i = 0; i < n; i++) {
      distinct.Add(0.9 + 0.03 * i * i);
      stats.Add(0.9 + 0.03 * i * i);
    }
    ci = distinct.Interval(0.95);
    EXPECT_EQ(ci.method, IntervalMethod::StudentT) << n;
    EXPECT_NEAR(ci.upper - ci.mean, StudentHalfWidth(stats, 0.95), 1e-12) << n;
  }

  WindowEstimate spread;
  for (int i = 0; i < 100; i++) spread.Add(i % 10);
  ci = spread.Interval(0.95);
  EXPECT_EQ(ci.method, IntervalMethod::StudentT);
  EXPECT_NEAR(ci.upper - ci.mean, StudentTQuantile(0.95, 99) * std::sqrt(spread.Variance() / 100),
              1e-12);
}

// The smallest n at which n equal observations bound the chance of
// another value by `chance` at 95 %: (1 - chance)^n <= 0.05.
long RuleOfThreeCount(double chance) {
  return static_cast<long>(std::ceil(std::log(0.05) / std::log1p(-chance)));
}

TEST(ExperimentEstimate, ConvergesOnlyWhenTheShownIntervalMeetsTheTarget) {
  const std::vector<ObservationBounds> bounds(3, ObservationBounds{0.0, 30.0});
  const Replication same(3, 2.0);
  // All equal to 2 in [0, 30]: the interval [2 - 2u, 2 + 28u] is within 5 %
  // of 2 once 28u <= 0.1, far later than the 59 at which u alone is 5 %.
  const long needed = RuleOfThreeCount(0.1 / 28);
  ExperimentEstimate constant({0.95, 0.05, 5, 5000}, bounds);
  for (long r = 1; r < needed; r++)
    ASSERT_EQ(constant.AddReplication(same), StopDecision::Continue) << r;
  EXPECT_EQ(constant.AddReplication(same), StopDecision::Converged);
  EXPECT_EQ(constant.AddReplication(same), StopDecision::Converged);
  EXPECT_EQ(constant.Replications(), needed);  // nothing counted after the decision
  const ConfidenceInterval ci = constant.Interval(0);
  EXPECT_LE(ci.HalfWidth(), 0.05 * 2.0);
  EXPECT_NEAR(ci.upper - 2.0, 28.0 * UnseenChanceBound(needed, 0.95), 1e-12);

  // A probability never seen to happen: no relative precision can be met
  // at 0, so it runs to the maximum; an absolute one of 0.001 is met when
  // the rule of three reaches it.
  const std::vector<ObservationBounds> probability(1, ObservationBounds{0.0, 1.0});
  ExperimentEstimate relative({0.95, 0.05, 30, 5000}, probability);
  ExperimentEstimate absolute({0.95, 0.05, 30, 5000, 0.001}, probability);
  StopDecision d = StopDecision::Continue;
  for (int r = 0; r < 5000 && d == StopDecision::Continue; r++) d = relative.AddReplication({0.0});
  EXPECT_EQ(d, StopDecision::MaxReplications);
  EXPECT_FALSE(relative.WindowConverged(0));
  EXPECT_TRUE(std::isinf(relative.Shortfall(0)));
  d = StopDecision::Continue;
  while (d == StopDecision::Continue) d = absolute.AddReplication({0.0});
  EXPECT_EQ(d, StopDecision::Converged);
  EXPECT_EQ(absolute.Replications(), RuleOfThreeCount(0.001));

  // One noisy measure keeps the whole experiment going until --max-reps.
  ExperimentEstimate noisy({0.95, 0.05, 2, 70}, bounds);
  d = StopDecision::Continue;
  RunningStatistics third;
  for (int r = 0; r < 70; r++) {
    Replication rep = same;
    rep[1] = r % 10 ? 3.0 : 4.0;  // binomial: 7 deviations of +1 in 70
    rep[2] = r % 10;              // ten values: the t interval
    third.Add(rep[2]);
    d = noisy.AddReplication(rep);
  }
  EXPECT_EQ(d, StopDecision::MaxReplications);
  EXPECT_FALSE(noisy.WindowConverged(0));  // 70 equal values are too few for 5 % of 2
  EXPECT_FALSE(noisy.WindowConverged(2));
  // The t interval of 0, 1, ..., 9, ...: its shortfall is its half-width over 5 % of 4.5.
  EXPECT_NEAR(noisy.Shortfall(2), StudentHalfWidth(third, 0.95) / (0.05 * 4.5), 1e-9);
  const ProportionInterval p = WilsonInterval(7, 70, 0.95);
  EXPECT_NEAR(noisy.Interval(1).upper, 3.0 + p.upper, 1e-12);
  EXPECT_NEAR(noisy.Interval(1).lower, 3.0 + p.lower, 1e-12);
  EXPECT_GE(noisy.WidestShortfall(), noisy.Shortfall(2));
}
