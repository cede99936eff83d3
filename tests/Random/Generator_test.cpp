#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"
#include "Random/MersenneTwister.h"
#include "Random/Tausworthe.h"

TEST(MersenneTwister, MatchesPublishedMT19937) {
  MersenneTwister mt;
  for (unsigned long seed : {5489UL, 0xFFFFFFFFUL, 1UL}) {
    mt.srnd(seed);
    std::mt19937 reference(static_cast<uint32_t>(seed));
    for (int i = 0; i < 5000; i++)
      ASSERT_EQ(mt.rnd_int32(), reference()) << "seed " << seed << ", output " << i;
  }
  MersenneTwister unseeded, seeded;
  seeded.srnd(MersenneTwister::DefaultSeed);
  std::mt19937 reference(18671867);
  for (int i = 0; i < 1000; i++) {
    uint32_t expected = reference();
    ASSERT_EQ(unseeded.rnd_int32(), expected);
    ASSERT_EQ(seeded.rnd(), (expected + 0.5) / 4294967296.0);
  }
}

TEST(Tausworthe, StreamAndDegenerateSeeds) {
  Tausworthe t;
  t.srnd(1);
  EXPECT_EQ(t.rnd(), 8193 * 4.656612875245797e-10);
  // Seeds without any of the low 31 bits would leave the state at 0 forever.
  Tausworthe zero, top, standard;
  zero.srnd(0);
  top.srnd(0x80000000UL);
  standard.srnd(Tausworthe::ReplacementSeed);
  for (int i = 0; i < 100; i++) {
    double x = standard.rnd();
    ASSERT_GT(x, 0.0);
    ASSERT_LE(x, 1.0);
    ASSERT_EQ(zero.rnd(), x);
    ASSERT_EQ(top.rnd(), x);
  }
}

TEST(LaggedFibonacci, MatchesKnuthsPublishedProgram) {
  static double a[1009];
  ranf_start(310952);
  for (int m = 0; m < 2009; m++) ranf_array(a, 1009);
  EXPECT_EQ(ran_u[0], 0.27452626307394156768);
}

// Batches 2 and 3 after ranf_start(seed): the buffer after srnd and after one refill.
static std::vector<double> batchesAfterSeeding(unsigned long seed) {
  std::vector<double> out(300);
  ranf_start(static_cast<long>(seed));
  for (int b = 0; b < 3; b++) ranf_array(out.data() + 100 * b, 100);
  return {out.begin() + 100, out.end()};
}

TEST(LaggedFibonacci, BufferPositionSurvivesReseedingAndRefillsAt100) {
  LaggedFibonacci lf;
  std::vector<double> expected = batchesAfterSeeding(31415);
  while (LaggedFibonacci::bufferPosition() != 99) lf.rnd();
  lf.srnd(31415);
  EXPECT_EQ(LaggedFibonacci::bufferPosition(), 99);
  for (int i = 99; i < 200; i++) {
    double x = lf.rnd();
    ASSERT_EQ(x, expected[i]) << i;
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
  }
  // Every 32-bit seed ends its seeding; the seed is taken modulo 2^32.
  std::vector<double> all = batchesAfterSeeding(0xFFFFFFFFUL);
  EXPECT_EQ(batchesAfterSeeding(static_cast<unsigned long>(-1)), all);
  EXPECT_NE(batchesAfterSeeding(0xFFFFFFFEUL), all);
  EXPECT_NE(batchesAfterSeeding(0), batchesAfterSeeding(31415));
}

TEST(LaggedFibonacci, FirstNumberOfTheProcessIsFirstOfSecondBatch) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: position 0
  EXPECT_EXIT(
      {
        bool fresh = LaggedFibonacci::bufferPosition() == 0;
        double first = TheDistribution->getGenerator()->rnd();
        std::exit(fresh && first == batchesAfterSeeding(31415)[0] ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(UserDistributions, GeneratorByType) {
  EXPECT_EQ(TheDistribution, &TheGenerator);
  EXPECT_NE(dynamic_cast<LaggedFibonacci*>(TheDistribution->getGenerator()), nullptr);
  UserDistributions tausworthe(1, 77), other(5, 77), plain;
  EXPECT_NE(dynamic_cast<LaggedFibonacci*>(other.getGenerator()), nullptr);
  EXPECT_NE(dynamic_cast<LaggedFibonacci*>(plain.getGenerator()), nullptr);
  Tausworthe reference;
  reference.srnd(77);
  for (int i = 0; i < 10; i++) EXPECT_EQ(tausworthe.getGenerator()->rnd(), reference.rnd());
}
