#include "Random/Distributions.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

#include "Common/ErrorHandler.h"
#include "Random/LaggedFibonacci.h"

namespace {

// ln(x) for a non-negative x built from uniforms. The lagged Fibonacci and
// Tausworthe generators can return exactly 0.0; inside a logarithm it is
// taken as the smallest positive double, so the sample stays finite. Every
// other argument gives std::log(x) unchanged.
inline double logPositive(double x) {
  return std::log(x == 0.0 ? std::numeric_limits<double>::denorm_min() : x);
}

}  // namespace

Distributions::Distributions() : generator(new (std::nothrow) LaggedFibonacci) {
  if (!generator) MemoryAllocationError();
}

Distributions::~Distributions() {
  delete generator;
  generator = nullptr;
}

void Distributions::setGenerator(RandomNumberGenerator* g) {
  if (g == generator) return;
  delete generator;
  generator = g;
}

double Distributions::Exponential(double rate) { return -logPositive(uniform()) / rate; }

double Distributions::Deterministic(double value) { return value; }

double Distributions::Uniform(double lower, double upper) {
  return lower + (upper - lower) * uniform();
}

double Distributions::Geometric(double p) {
  return std::floor(logPositive(uniform()) / std::log(1.0 - p));
}

double Distributions::Weibull(double shape, double scale) {
  return scale * std::pow(-logPositive(uniform()), 1.0 / shape);
}

double Distributions::ConditionalWeibull(double shape, double scale, double age) {
  double survival = std::exp(-std::pow(age / scale, shape));
  return scale * std::pow(-logPositive(uniform() * survival), 1.0 / shape) - age;
}

double Distributions::Pareto(double scale, double shape) {
  return std::exp(std::log(scale) - logPositive(uniform()) / shape);
}

double Distributions::Erlang(double stages, double mean) {
  if (!(stages >= 1.0)) return 0.0;
  const long long k = static_cast<long long>(std::floor(stages));
  // ln(u1 ... uk). While the running product stays a normal double this is
  // the logarithm of the plain product; when the next factor would take it
  // below DBL_MIN, the product so far is moved into a sum of logarithms, so
  // that many stages cannot underflow the product to 0.
  double product = 1.0;
  double logSum = 0.0;
  for (long long i = 0; i < k; i++) {
    double u = uniform();
    double next = product * u;
    if (next >= DBL_MIN) {
      product = next;
    } else {
      logSum += std::log(product);
      product = u == 0.0 ? std::numeric_limits<double>::denorm_min() : u;
    }
  }
  return -(mean / stages) * (logSum + std::log(product));
}

double Distributions::HypoExponential(int n, double* rates) {
  double sum = 0.0;
  for (int i = 0; i < n; i++) sum += -logPositive(uniform()) / rates[i];
  return sum;
}

double Distributions::HyperExponential(int n, double* pairs) {
  assert(n > 0 && pairs != nullptr);
  double u = uniform();
  double totalWeight = 0.0;
  for (int i = 0; i < n; i++) totalWeight += pairs[2 * i + 1];
  int chosen = n - 1;  // when rounding leaves u above every cumulative weight
  double cumulative = 0.0;
  for (int i = 0; i < n; i++) {
    cumulative += pairs[2 * i + 1];
    if (u < cumulative / totalWeight) {
      chosen = i;
      break;
    }
  }
  return -logPositive(uniform()) / pairs[2 * chosen];
}

double Distributions::Triangular(double minimum, double maximum, double mode) {
  if (minimum == maximum) return minimum;
  double r = (mode - minimum) / (maximum - minimum);
  double u = uniform();
  double x = u <= r ? std::sqrt(r * u) : 1.0 - std::sqrt((1.0 - r) * (1.0 - u));
  return minimum + x * (maximum - minimum);
}

double Distributions::polarVariate(double mean, double variance) {
  double p1, s;
  // s == 0 (both uniforms exactly 0.5) has no direction and would give NaN;
  // it is redrawn like a point outside the unit circle.
  do {
    p1 = 2.0 * uniform() - 1.0;
    double p2 = 2.0 * uniform() - 1.0;
    s = p1 * p1 + p2 * p2;
  } while (s > 1.0 || s == 0.0);
  double w = std::sqrt(-2.0 * std::log(s) / s);
  return mean + std::sqrt(variance) * p1 * w;
}

double Distributions::Normal(double mean, double variance) {
  double x;
  do x = polarVariate(mean, variance);
  while (x < 0.0);
  return x;
}

double Distributions::Lognormal(double mean, double variance) {
  return std::exp(polarVariate(mean, variance));
}

double Distributions::Gamma(double shape, double scale) { return scale * standardGamma(shape); }

double Distributions::standardGamma(double shape) {
  if (shape == 1.0) return -logPositive(uniform());
  if (shape > 1.0) {
    // Cheng's rejection algorithm GB.
    const double a = 1.0 / std::sqrt(2.0 * shape - 1.0);
    const double b = shape - std::log(4.0);
    const double q = shape + 1.0 / a;
    const double theta = 4.5;
    const double d = 1.0 + std::log(4.5);
    for (;;) {
      double u1 = uniform();
      double u2 = uniform();
      double v = a * logPositive(u1 / (1.0 - u1));
      double y = shape * std::exp(v);
      double z = u1 * u1 * u2;
      double w = b + q * v - y;
      if (w + d - theta * z >= 0.0) return y;
      if (w >= logPositive(z)) return y;
    }
  }
  // Ahrens and Dieter's algorithm GS.
  const double b = (std::numbers::e + shape) / std::numbers::e;
  for (;;) {
    double p = b * uniform();
    if (p <= 1.0) {
      double y = std::pow(p, 1.0 / shape);
      if (uniform() <= std::exp(-y)) return y;
    } else {
      double y = -logPositive((b - p) / shape);
      if (uniform() <= std::pow(y, shape - 1.0)) return y;
    }
  }
}

double Distributions::Beta(double a, double b) {
  double x = standardGamma(a);
  double y = standardGamma(b);
  return x / (x + y);
}

double Distributions::Binomial(double trials, double p) {
  if (!(trials > 0.0)) return 0.0;
  const long long n = static_cast<long long>(std::ceil(trials));
  long long successes = 0;
  for (long long i = 0; i < n; i++)
    if (uniform() <= p) successes++;
  return static_cast<double>(successes);
}

double Distributions::NegativeBinomial(double r, double p) {
  if (!(r > 0.0)) return 0.0;
  const long long n = static_cast<long long>(std::ceil(r));
  const double logFailure = std::log(1.0 - p);
  double failures = 0.0;
  for (long long i = 0; i < n; i++) failures += std::floor(logPositive(uniform()) / logFailure);
  return failures;
}
