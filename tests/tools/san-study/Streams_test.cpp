// The fold of several streams into one estimate, and the streams' seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "ExperimentFold.h"
#include "StreamSteering.h"
#include "StudyPlan.h"

namespace {
// Replication i of stream s: one measure whose value tells both apart.
Replication Observation(int s, long i) { return {static_cast<double>(1000 * s + i % 17)}; }

// Feeds `delivered[s]` replications of each stream in a random interleaving
// (ending each stream after its last one when `end` is set), folding after
// every arrival.
ExperimentFold FoldShuffled(const StopRule& rule, const std::vector<long>& delivered, long block,
                            unsigned seed, bool end) {
  const int streams = static_cast<int>(delivered.size());
  ExperimentFold fold(rule, std::vector<ObservationBounds>(1), streams, block);
  std::vector<int> arrivals;
  for (int s = 0; s < streams; s++) arrivals.insert(arrivals.end(), delivered[s], s);
  std::shuffle(arrivals.begin(), arrivals.end(), std::mt19937(seed));
  std::vector<long> next(streams, 0);
  for (int s : arrivals) {
    fold.Add(s, Observation(s, next[s]++));
    fold.Fold();
  }
  if (end)
    for (int s = 0; s < streams; s++) fold.End(s);
  fold.Fold();
  return fold;
}
}  // namespace

TEST(ExperimentFold, CountsTheSameReplicationsWhateverTheirArrival) {
  // Three streams, blocks of 5, a stop at exactly 37 replications: two
  // whole rounds (30), then 5 of stream 0 and 2 of stream 1.
  const StopRule rule{0.95, 1e-12, 37, 37};
  const std::vector<long> expected{15, 12, 10};
  double oracle = 0.0;
  for (int s = 0; s < 3; s++)
    for (long i = 0; i < expected[s]; i++) oracle += Observation(s, i)[0];
  oracle /= 37;
  for (unsigned seed = 1; seed <= 20; seed++) {
    const ExperimentFold fold = FoldShuffled(rule, {40, 25, 31}, 5, seed, false);
    ASSERT_EQ(fold.Decision(), StopDecision::MaxReplications) << seed;
    for (int s = 0; s < 3; s++)
      EXPECT_EQ(fold.Counted(s), expected[s]) << "stream " << s << ", seed " << seed;
    EXPECT_NEAR(fold.Estimate().Window(0).Mean(), oracle, 1e-12);
    EXPECT_EQ(fold.Wasted(), 40 + 25 + 31 - 37);
  }
  // Before the stop, a stream waits for the slower ones: nothing of stream
  // 1 is counted before stream 0's first block is whole.
  ExperimentFold waiting(rule, std::vector<ObservationBounds>(1), 2, 5);
  for (long i = 0; i < 12; i++) waiting.Add(1, Observation(1, i));
  for (long i = 0; i < 4; i++) waiting.Add(0, Observation(0, i));
  waiting.Fold();
  EXPECT_EQ(waiting.Counted(0), 4);
  EXPECT_EQ(waiting.Counted(1), 0);
  EXPECT_FALSE(RunsAhead(waiting.Received(1), waiting.Round(), 5,
                         2));  // 12 replications: within block 0 and two ahead
  waiting.Add(1, Observation(1, 12));
  waiting.Add(1, Observation(1, 13));
  waiting.Add(1, Observation(1, 14));
  EXPECT_TRUE(RunsAhead(waiting.Received(1), waiting.Round(), 5, 2));
  waiting.Add(0, Observation(0, 4));
  waiting.Fold();
  EXPECT_EQ(waiting.Round(), 1);
  EXPECT_EQ(waiting.Counted(1), 5);
  EXPECT_FALSE(RunsAhead(waiting.Received(1), waiting.Round(), 5, 2));
  EXPECT_EQ(waiting.Wasted(), 0);  // waiting replications are not waste before the stop
}

TEST(ExperimentFold, AnEndedStreamGivesWhatItHadAndIsLeftOut) {
  const StopRule rule{0.95, 1e-12, 1000, 1000};
  for (unsigned seed = 1; seed <= 10; seed++) {
    // Stream 1 ends within its second block; streams 0 and 2 go on.
    const ExperimentFold fold = FoldShuffled(rule, {23, 7, 21}, 5, seed, true);
    EXPECT_EQ(fold.Counted(0), 23);
    EXPECT_EQ(fold.Counted(1), 7);
    EXPECT_EQ(fold.Counted(2), 21);
    EXPECT_TRUE(fold.Exhausted());
    EXPECT_EQ(fold.Decision(), StopDecision::Continue);
  }
  // Without the end, the fold waits at stream 1's second block.
  const ExperimentFold open = FoldShuffled(rule, {23, 7, 21}, 5, 3, false);
  EXPECT_EQ(open.Counted(0), 10);
  EXPECT_EQ(open.Counted(1), 7);
  EXPECT_EQ(open.Counted(2), 5);
  EXPECT_FALSE(open.Exhausted());
}

TEST(StreamSeeds, DistinctInRangeAndStreamZeroKeepsTheExperimentsSeed) {
  EXPECT_EQ(AutomaticStreams(1, 2), (std::vector<int>{2}));
  EXPECT_EQ(AutomaticStreams(3, 8), (std::vector<int>{3, 3, 2}));
  EXPECT_EQ(AutomaticStreams(2, 2), (std::vector<int>{1, 1}));
  EXPECT_EQ(AutomaticStreams(11, 2), std::vector<int>(11, 1));

  std::vector<PlannedExperiment> plan(3000);
  for (std::size_t e = 0; e < plan.size(); e++) {
    plan[e].index = static_cast<int>(e % 11);
    plan[e].point = "d:p:" + std::to_string(e);
    plan[e].seed = SimulatorSeed(7, plan[e].index, plan[e].point);
  }
  plan[2].seed = plan[1].seed;  // as if two experiments' seeds collided
  const std::uint32_t collided = plan[1].seed;
  AssignStreamSeeds(7, plan, std::vector<int>(plan.size(), 8));
  std::set<std::uint32_t> seen;
  for (std::size_t e = 0; e < plan.size(); e++) {
    ASSERT_EQ(plan[e].Streams(), 8);
    EXPECT_EQ(plan[e].seed, plan[e].streamSeeds[0]);
    if (e != 2) {
      EXPECT_EQ(plan[e].seed, SimulatorSeed(7, plan[e].index, plan[e].point));
    }
    for (int s = 0; s < 8; s++) {
      const std::uint32_t seed = plan[e].streamSeeds[s];
      EXPECT_TRUE(seen.insert(seed).second) << "experiment " << e << " stream " << s;
      if (s > 0) {
        EXPECT_TRUE(seed >= 1 && seed <= kLargestStreamSeed) << seed;
      }
    }
  }
  EXPECT_EQ(plan[1].seed, collided);
  EXPECT_EQ(plan[2].seed, StreamSeed(7, plan[2].index, plan[2].point, 0, 1));  // derived again
  // Streams of one experiment differ from the same streams of another.
  EXPECT_NE(StreamSeed(7, 1, "", 1, 0), StreamSeed(7, 2, "", 1, 0));
  EXPECT_NE(StreamSeed(7, 1, "", 1, 0), StreamSeed(8, 1, "", 1, 0));
}
