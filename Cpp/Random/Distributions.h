#ifndef CORVAX_DISTRIBUTIONS_H
#define CORVAX_DISTRIBUTIONS_H

#include "Random/RandomNumberGenerator.h"

// Samplers of the firing-time distributions, drawing uniforms from the owned
// generator. Each sampler draws a fixed (or well-defined) number of uniforms
// in a fixed order, so a run is reproducible from generator and seed.
// Parameters are not checked: the calling model code supplies valid values.
//
// A uniform of exactly 0.0 that would enter a logarithm is taken as the
// smallest positive double inside that logarithm, so the result stays finite;
// every other value gives the plain formula's result.
class Distributions {
 public:
  // Owns a new, unseeded lagged Fibonacci generator.
  Distributions();
  Distributions(const Distributions&) = delete;
  Distributions& operator=(const Distributions&) = delete;
  ~Distributions();

  RandomNumberGenerator* getGenerator() { return generator_; }
  // Takes ownership of g and deletes the previous generator (unless it is g).
  void setGenerator(RandomNumberGenerator* g);

  // -ln(u) / rate. 1 uniform.
  double Exponential(double rate);
  // value. No uniform.
  double Deterministic(double value);
  // lower + (upper - lower) u. 1 uniform.
  double Uniform(double lower, double upper);
  // floor(ln u / ln(1 - p)). 1 uniform.
  double Geometric(double p);
  // scale (-ln u)^(1/shape). 1 uniform.
  double Weibull(double shape, double scale);
  // Remaining life of a Weibull unit that has survived to age. 1 uniform.
  double ConditionalWeibull(double shape, double scale, double age);
  // scale u^(-1/shape). 1 uniform.
  double Pareto(double scale, double shape);
  // -(mean / stages) ln(u1 ... uk), k = floor(stages); 0 without drawing
  // when stages < 1.
  double Erlang(double stages, double mean);
  // Sum of -ln(ui) / rates[i] for i < n. n uniforms.
  double HypoExponential(int n, double* rates);
  // pairs holds n (rate, weight) pairs, rate first. One uniform picks the
  // pair by weight (the last pair if rounding leaves none), a second one
  // samples its exponential. 2 uniforms. Requires n > 0.
  double HyperExponential(int n, double* pairs);
  // Triangle on [minimum, maximum] peaking at mode. 1 uniform, none when
  // minimum == maximum.
  double Triangular(double minimum, double maximum, double mode);
  // Polar method, redrawn until the result is non-negative. 2 uniforms per
  // attempt.
  double Normal(double mean, double variance);
  // exp of a normal variate of the given mean and variance (no sign
  // rejection). 2 uniforms per attempt.
  double Lognormal(double mean, double variance);
  // Gamma of the given shape and scale (Cheng's GB for shape > 1, Ahrens and
  // Dieter's GS for shape < 1). Uniforms depend on the acceptance loop.
  double Gamma(double shape, double scale);
  // x / (x + y) with x = Gamma(a, 1), then y = Gamma(b, 1).
  double Beta(double a, double b);
  // Number of ui <= p among ceil(trials) uniforms; 0 when trials <= 0.
  double Binomial(double trials, double p);
  // Failures before the ceil(r)-th success: a sum of ceil(r) geometric draws.
  double NegativeBinomial(double r, double p);

 private:
  double uniform() { return generator_->rnd(); }
  // Gamma(shape, 1) without the scale factor.
  double standardGamma(double shape);
  // mean + sqrt(variance) p1 w from one accepted polar pair.
  double polarVariate(double mean, double variance);

  RandomNumberGenerator* generator_;
};

// The distributions object of a run; only chooses the generator.
class UserDistributions : public Distributions {
 public:
  // Replaces the base's generator by a new lagged Fibonacci generator.
  UserDistributions();
  // type 1: Tausworthe; any other type: lagged Fibonacci. Seeds it with seed.
  UserDistributions(int type, long seed);
};

// Constructed at program start with generator type 0 and seed 31415.
extern UserDistributions TheGenerator;
// Points to TheGenerator (constant-initialised, so usable from any code run
// after main starts). Every random number of the run is drawn through it.
extern UserDistributions* TheDistribution;

#endif
