// The aggregate of a rate reward over the copies of a model, kept per copy:
// after any sequence of changes it equals the aggregate computed afresh from
// the copies' values.
#include "Rewards/RateAggregate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Kind = RateAggregate::Kind;

double Afresh(Kind kind, double least, const std::vector<double>& values) {
  const auto nonZero = static_cast<double>(
      std::count_if(values.begin(), values.end(), [](double v) { return v != 0.0; }));
  const double n = static_cast<double>(values.size());
  switch (kind) {
    case Kind::Count:
      return nonZero;
    case Kind::All:
      return nonZero == n ? 1.0 : 0.0;
    case Kind::Any:
      return nonZero > 0 ? 1.0 : 0.0;
    case Kind::AtLeast:
      return nonZero >= least ? 1.0 : 0.0;
    case Kind::Min:
      return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
    case Kind::Max:
      return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
  }
  return -1.0;
}

TEST(RateAggregate, MatchesTheAggregateComputedAfreshAfterEveryChange) {
  std::mt19937 random(7);
  for (Kind kind : {Kind::Count, Kind::All, Kind::Any, Kind::AtLeast, Kind::Min, Kind::Max})
    for (int n : {0, 1, 2, 3, 5, 8, 13, 100}) {
      const double least = n / 2;
      RateAggregate aggregate(kind, least);
      aggregate.Resize(n);
      std::vector<double> values(n, 0.0);
      EXPECT_EQ(aggregate.Value(), Afresh(kind, least, values)) << n;
      if (n == 0) continue;
      std::uniform_int_distribution<int> copy(0, n - 1);
      std::uniform_int_distribution<int> value(-3, 3);  // 0 often: conditions
      for (int step = 0; step < 20 * n; step++) {
        const int i = copy(random);
        values[i] = value(random) * 0.5;
        aggregate.Set(i, values[i]);
        ASSERT_EQ(aggregate.Value(), Afresh(kind, least, values))
            << "kind " << static_cast<int>(kind) << ", n " << n << ", step " << step;
      }
      // A resize starts again from zeros.
      aggregate.Resize(n);
      EXPECT_EQ(aggregate.Value(), Afresh(kind, least, std::vector<double>(n, 0.0)));
    }
}

}  // namespace
