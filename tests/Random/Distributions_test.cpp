#include "Random/Distributions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "support/ScriptedGenerator.h"

namespace {

struct SamplerTest : testing::Test {
  SamplerTest() { d.setGenerator(g); }
  void play(std::vector<double> script) {
    g->setScript(std::move(script));
    g->draws = 0;
  }
  Distributions d;
  ScriptedGenerator* g = new ScriptedGenerator;
};

}  // namespace

TEST_F(SamplerTest, EachSamplerDrawsItsUniforms) {
  double rates[] = {1.0, 2.0, 3.0, 4.0};
  double pairs[] = {1.0, 1.0, 10.0, 3.0};
  const std::vector<std::pair<int, std::function<double()>>> cases = {
      {1, [&] { return d.Exponential(2); }},
      {0, [&] { return d.Deterministic(4); }},
      {1, [&] { return d.Uniform(1, 2); }},
      {1, [&] { return d.Geometric(0.3); }},
      {1, [&] { return d.Weibull(2, 1); }},
      {1, [&] { return d.ConditionalWeibull(2, 1, 3); }},
      {1, [&] { return d.Pareto(1, 3); }},
      {3, [&] { return d.Erlang(3, 6); }},
      {0, [&] { return d.Erlang(0.5, 6); }},
      {4, [&] { return d.HypoExponential(4, rates); }},
      {2, [&] { return d.HyperExponential(2, pairs); }},
      {1, [&] { return d.Triangular(0, 4, 1); }},
      {0, [&] { return d.Triangular(2, 2, 2); }},
      {1, [&] { return d.Gamma(1, 3); }},
      {3, [&] { return d.Binomial(2.5, 0.5); }},
      {0, [&] { return d.Binomial(-1, 0.5); }},
      {3, [&] { return d.NegativeBinomial(2.2, 0.5); }},
  };
  for (size_t i = 0; i < cases.size(); i++) {
    play({});
    cases[i].second();
    EXPECT_EQ(g->draws, cases[i].first) << "case " << i;
  }

  // Normal: a pair outside the circle, a pair at the centre and a negative
  // result are all redrawn; 8 uniforms for the accepted value.
  double w = std::sqrt(-2 * std::log(0.25) / 0.25);
  play({0.95, 0.95, 0.5, 0.5, 0.25, 0.5, 0.75, 0.5});
  EXPECT_NEAR(d.Normal(1, 1), 1 + 0.5 * w, 1e-12);
  EXPECT_EQ(g->draws, 8);

  play({0.5, 0.25, 0.8});
  EXPECT_NEAR(d.Erlang(3, 6), -2 * std::log(0.1), 1e-12);
  play({0.3, 0.31, 0.1});
  EXPECT_EQ(d.Binomial(3, 0.3), 2.0);  // u <= p counts
  play({0.9, 0.5});
  EXPECT_NEAR(d.Triangular(0, 4, 1), 4 - std::sqrt(0.75 * 0.1) * 4, 1e-12);
  // HyperExponential, weights 1 and 3: the first pair only for u < 0.25; the
  // last pair when u lies above every cumulative weight.
  for (auto [u, expected] : {std::pair{0.2499, 1.0}, {0.25, 0.1}, {1.0, 0.1}}) {
    play({u, std::exp(-1.0)});
    EXPECT_NEAR(d.HyperExponential(2, pairs), expected, 1e-12) << u;
  }
}

TEST_F(SamplerTest, ZeroUniformGivesFiniteSamples) {
  double rates[] = {2.0};
  const std::vector<std::function<double()>> samplers = {
      [&] { return d.Exponential(2); },
      [&] { return d.Geometric(0.5); },
      [&] { return d.Weibull(2, 1); },
      [&] { return d.ConditionalWeibull(2, 1, 0.5); },
      [&] { return d.Pareto(1, 3); },
      [&] { return d.Erlang(3, 1); },
      [&] { return d.HypoExponential(1, rates); },
      [&] { return d.Gamma(1, 1); },
      [&] { return d.Gamma(2, 1); },
      [&] { return d.NegativeBinomial(1, 0.5); },
  };
  for (size_t i = 0; i < samplers.size(); i++) {
    play({0.0, 0.0, 0.0});
    double x = samplers[i]();
    EXPECT_TRUE(std::isfinite(x) && x > 0) << "sampler " << i << " gave " << x;
  }
  play({0.5});
  EXPECT_EQ(d.Exponential(2), -std::log(0.5) / 2);
  // Products of many stages would underflow to 0.
  EXPECT_NEAR(d.Erlang(3000, 3000) / 3000, 1.0, 0.1);
}

namespace {
// Mean and variance of n samples.
std::pair<double, double> sampleMoments(const std::function<double()>& sample, int n = 200000) {
  double sum = 0, squares = 0;
  for (int i = 0; i < n; i++) {
    double x = sample();
    sum += x;
    squares += x * x;
  }
  return {sum / n, squares / n - (sum / n) * (sum / n)};
}
}  // namespace

TEST_F(SamplerTest, SamplesHaveTheRightDistribution) {
  double rates[] = {1.0, 2.0};
  double pairs[] = {1.0, 1.0, 10.0, 3.0};
  const std::vector<std::tuple<const char*, double, std::function<double()>>> cases = {
      {"Exponential", 0.5, [&] { return d.Exponential(2); }},
      {"Uniform", 2.0, [&] { return d.Uniform(1, 3); }},
      {"Geometric", 3.0, [&] { return d.Geometric(0.25); }},
      {"Weibull", std::sqrt(std::numbers::pi) / 2, [&] { return d.Weibull(2, 1); }},
      {"ConditionalWeibull", 2.0, [&] { return d.ConditionalWeibull(1, 2, 5); }},
      {"Pareto", 1.5, [&] { return d.Pareto(1, 3); }},
      {"Erlang", 6.0, [&] { return d.Erlang(3, 6); }},
      {"HypoExponential", 1.5, [&] { return d.HypoExponential(2, rates); }},
      {"HyperExponential", 0.325, [&] { return d.HyperExponential(2, pairs); }},
      {"Triangular", 5.0 / 3, [&] { return d.Triangular(0, 4, 1); }},
      {"Normal", 10.0, [&] { return d.Normal(10, 4); }},
      {"Lognormal", std::exp(0.125), [&] { return d.Lognormal(0, 0.25); }},
      {"Beta", 0.4, [&] { return d.Beta(2, 3); }},
      {"Binomial", 3.0, [&] { return d.Binomial(10, 0.3); }},
      {"NegativeBinomial", 3.0, [&] { return d.NegativeBinomial(3, 0.5); }},
  };
  for (const auto& [name, mean, sample] : cases)
    EXPECT_NEAR(sampleMoments(sample).first, mean, 0.015 * mean) << name;
  // Gamma(shape, scale): mean shape*scale, variance shape*scale^2, for each of its three methods.
  for (double shape : {0.5, 1.0, 2.5}) {
    auto [mean, variance] = sampleMoments([&] { return d.Gamma(shape, 2); });
    EXPECT_NEAR(mean, shape * 2, 0.015 * shape * 2) << shape;
    EXPECT_NEAR(variance, shape * 4, 0.04 * shape * 4) << shape;
  }
  for (int i = 0; i < 2000; i++) {
    ASSERT_GE(d.Normal(-3, 1), 0.0);  // about 740 attempts each
    double b = d.Beta(0.5, 0.5);
    ASSERT_TRUE(b > 0 && b < 1) << b;
  }
}
