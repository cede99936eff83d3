// The rate matrix: the transitions into each state, sources in increasing
// order, with their rates whether they are coded (few distinct rates) or
// stored as they are (more than a code can name).
#include "Solver/RateMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace {

void ExpectHolds(const RateMatrix& matrix,
                 const std::vector<std::tuple<uint32_t, uint32_t, double>>& transitions) {
  std::map<uint32_t, std::vector<std::pair<uint32_t, double>>> into;
  for (const auto& [from, to, rate] : transitions) into[to].emplace_back(from, rate);
  ASSERT_EQ(matrix.NumTransitions(), transitions.size());
  for (uint32_t j = 0; j < matrix.NumStates(); j++) {
    std::vector<std::pair<uint32_t, double>> seen;
    matrix.ForEachInto(j, [&](uint32_t i, double rate) { seen.emplace_back(i, rate); });
    auto expected = into[j];
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected) << "into " << j;  // sorted by source, rates exact
  }
}

TEST(RateMatrix, CodesFewRatesAndStoresManyAsTheyAre) {
  std::mt19937 random(3);
  for (const int distinct : {3, 70000}) {
    const uint32_t n = 5000;
    std::vector<std::tuple<uint32_t, uint32_t, double>> transitions;
    for (int k = 0; k < 100000; k++) {
      const uint32_t from = random() % n, to = random() % n;
      const double rate = 0.25 + (k % distinct) * 1e-3;
      if (from != to) transitions.emplace_back(from, to, rate);
    }
    const RateMatrix matrix = RateMatrix::FromTransitions(n, transitions);
    EXPECT_EQ(matrix.Coded(), distinct <= static_cast<int>(RateMatrix::kMaxCodes)) << distinct;
    ExpectHolds(matrix, transitions);
  }
}

}  // namespace
