#include "ProportionBounds.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

ProportionInterval WilsonInterval(long k, long n, double confidence) {
  if (n <= 0) return {};
  const double z = boost::math::quantile(boost::math::normal(), 0.5 + confidence / 2.0);
  const double trials = static_cast<double>(n), p = static_cast<double>(k) / trials;
  const double z2 = z * z;
  const double centre = (p + z2 / (2 * trials)) / (1 + z2 / trials);
  const double spread =
      z / (1 + z2 / trials) * std::sqrt(p * (1 - p) / trials + z2 / (4 * trials * trials));
  return {std::max(0.0, centre - spread), std::min(1.0, centre + spread)};
}

double UnseenChanceBound(long n, double confidence) {
  if (n <= 0) return 1.0;
  return -std::expm1(std::log1p(-confidence) / static_cast<double>(n));
}
