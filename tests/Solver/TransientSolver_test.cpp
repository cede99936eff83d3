// Uniformisation against closed forms: a two-state chain's distribution and
// its integral, carried over several spans; a chain without transitions; and
// the Poisson weights it rests on against Boost's Poisson distribution.
#include "Solver/TransientSolver.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/poisson.hpp>
#include <cmath>

#include "Solver/ChainBuilder.h"
#include "Solver/PoissonWeights.h"

namespace {

TEST(TransientSolver, TwoStateChainOverSeveralSpans) {
  const double l = 0.7, m = 2.5, c = l + m;
  const MarkovChain chain = chains::Make(2, {{0, 1, l}, {1, 0, m}}, {1.0, 0.0});
  auto up = [&](double t) { return m / c + l / c * std::exp(-c * t); };
  auto uptime = [&](double s, double t) {
    return m / c * (t - s) + l / (c * c) * (std::exp(-c * s) - std::exp(-c * t));
  };
  TransientSolver solver(chain, 1e-13);
  EXPECT_DOUBLE_EQ(solver.UniformisationRate(), 1.02 * m);
  std::vector<double> p = chain.initial, integral;
  double t = 0.0;
  for (const double span : {0.25, 1.0, 3.0, 40.0}) {
    solver.Advance(p, span, integral);
    EXPECT_NEAR(p[0], up(t + span), 1e-12) << "at " << t + span;
    EXPECT_NEAR(p[0] + p[1], 1.0, 1e-12);
    EXPECT_NEAR(integral[0], uptime(t, t + span), 1e-11 * span) << "over " << span;
    EXPECT_NEAR(integral[0] + integral[1], span, 1e-11 * span);
    t += span;
  }
  EXPECT_GT(solver.Steps(), 44 * 2.5);
}

TEST(TransientSolver, NothingMovesWithoutTransitions) {
  const MarkovChain chain = chains::Make(2, {}, {0.25, 0.75});
  TransientSolver solver(chain, 1e-12);
  std::vector<double> p = chain.initial, integral;
  solver.Advance(p, 3.0, integral);
  EXPECT_EQ(p, chain.initial);
  EXPECT_EQ(integral, (std::vector<double>{0.75, 2.25}));
}

TEST(PoissonWeights, AgreeWithBoostAndLeaveOutLessThanEpsilon) {
  for (const double mean : {0.0, 0.3, 4.5, 250.0, 1e5}) {
    const double epsilon = 1e-12;
    const PoissonWeights weights(mean, epsilon);
    double sum = 0.0;
    for (int k = weights.Left(); k <= weights.Right(); k++) sum += weights.Weight(k);
    EXPECT_NEAR(sum, 1.0, 1e-13) << mean;
    if (mean == 0.0) {
      EXPECT_EQ(weights.Weight(0), 1.0);
      continue;
    }
    const boost::math::poisson_distribution<double> poisson(mean);
    // The mass left out on both sides is within epsilon.
    const double outside =
        (weights.Left() > 0 ? boost::math::cdf(poisson, weights.Left() - 1.0) : 0.0) +
        boost::math::cdf(boost::math::complement(poisson, static_cast<double>(weights.Right())));
    EXPECT_LE(outside, epsilon) << mean;
    for (int k = weights.Left(); k <= weights.Right();
         k += 1 + (weights.Right() - weights.Left()) / 50) {
      const double exact = boost::math::pdf(poisson, static_cast<double>(k));
      EXPECT_NEAR(weights.Weight(k), exact, 1e-12 + 1e-9 * exact) << mean << " at " << k;
      EXPECT_NEAR(weights.Tail(k),
                  boost::math::cdf(boost::math::complement(poisson, static_cast<double>(k))),
                  2 * epsilon)
          << mean << " tail at " << k;
    }
    // Not much wider than needed: within some standard deviations.
    EXPECT_LT(weights.Right() - mean, 12 * std::sqrt(mean) + 30) << mean;
  }
}

}  // namespace
