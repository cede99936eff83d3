#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Executive/LoopTestSupport.h"
#include "Random/Distributions.h"
#include "support/ScriptedGenerator.h"

using loop_test::LoopRun;
using loop_test::Report;

namespace {
// Appends "draw" to the log of the clock model for every uniform drawn.
class LoggingGenerator : public ScriptedGenerator {
 public:
  explicit LoggingGenerator(std::vector<std::string>& log) : log(log) { setScript({0.25}); }
  double rnd() override {
    log.push_back("draw");
    return ScriptedGenerator::rnd();
  }
  std::vector<std::string>& log;
};

class TerminatingTest : public ::testing::Test {
 protected:
  void TearDown() override { ScriptedGenerator::restoreDefaultGenerator(); }
};
}  // namespace

TEST_F(TerminatingTest, FiresUpToTheLatestFinishingTimeInclusive) {
  // Ticks at 50, 100, 150, 200 ...; windows end at 100, 149 and 150, so each
  // replication runs to 150: the tick at 150 fires, the one at 200 does not.
  ClockParams params;
  params.tickDelays = {50.0};
  LoopRun run(makeClockRewardModel(params, {{0, 100}, {0, 149}, {0, 150}}), 1, 2);
  run.sim.TerminatingSimulation();
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 6);
  EXPECT_EQ(run.sim.Progress().BatchesCompleted(), 2);
  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {2, 2}}, {1, {2, 2}}, {2, {3, 3}}}}));
  EXPECT_EQ(run.Clock()->ticks->getMark(), 0);  // every replication starts from the initial marking
}

TEST_F(TerminatingTest, ReportsEveryReportSizeAndAtTheMaximumUnlessStopped) {
  // No group is ever enabled: replications fire nothing and still report.
  ClockParams params;
  params.tickLimit = 0;
  LoopRun run(makeClockRewardModel(params, {{0, 10}}), 1, 3, 2);
  run.sim.TerminatingSimulation();
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 0);
  EXPECT_EQ(run.sim.Progress().BatchesCompleted(), 3);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {0, 0}}}, {{0, {0}}}}));
  // The drain of the second report found the run finishing and stopped it.
  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_EQ(run.sim.Drain().DrainCounter(), 3);
  EXPECT_EQ(run.sim.Loop().InitialState(), nullptr);  // released with the loop

  LoopRun stopped(makeClockRewardModel({}, {{0, 10}}), 1, 3);
  stopped.sim.Progress().SetStatus(RunProgress::Stopped);
  stopped.sim.TerminatingSimulation();
  EXPECT_EQ(stopped.sim.Loop().ActionsFired(), 0);
  EXPECT_TRUE(stopped.Reports().empty());
}

TEST_F(TerminatingTest, DrawsInTheDocumentedOrder) {
  // tick (at 1, 2, ...) and watch draw one uniform per sample; each tick
  // enables two tied instantaneous activities, one of which fires.
  std::vector<std::string> log;
  ClockParams params;
  params.tieWeights = {1.0, 1.0};
  params.tiesPerTick = 1;
  params.watcher = true;
  params.log = &log;
  params.drawOnSample = true;
  LoopRun run(makeClockRewardModel(params, {{0, 1.5}}), 1, 1);
  TheDistribution->setGenerator(new LoggingGenerator(log));
  run.sim.TerminatingSimulation();
  const std::vector<std::string> expected = {
      // initial schedule, enabled groups in table order
      "tick", "draw", "watch", "draw",
      // tick fires at 1: reactivation list, then the affected groups in list
      // order, then the tie between the two instantaneous activities
      "watch", "draw", "tie_1", "tie_0", "tick", "draw", "draw",
      // one tie fires at 1 (the other loses its event); the next tick is at 2
      "watch", "draw"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 2);
  EXPECT_EQ(run.Clock()->activity("tie_0")->fireCount + run.Clock()->activity("tie_1")->fireCount,
            1);

  // Three tokens for three tied activities of weights 1, 1 and 1e6: three
  // weighted choices per tick, one draw each, the heavy one wins.
  params = ClockParams();
  params.tieWeights = {1.0, 1.0, 1e6};
  params.tiesPerTick = 3;
  LoopRun ties(makeClockRewardModel(params, {{0, 2.5}}, 0, "tie_2"), 1, 2);
  ScriptedGenerator* random = ScriptedGenerator::install({0.5});
  ties.sim.TerminatingSimulation();
  EXPECT_EQ(random->draws, 2 * 2 * 3);  // 2 replications, 2 ticks each
  EXPECT_EQ(ties.sim.Loop().ActionsFired(), 2 * 2 * 4);
  EXPECT_EQ(ties.Clock()->activity("tie_2")->fireCount, 12);
  EXPECT_EQ(ties.Reports(), (std::vector<Report>{{{0, {6, 6}}}}));
}

TEST_F(TerminatingTest, ZeroDelayLoopsStuckClocksAndInvalidParametersAreFatal) {
  ClockParams params;
  params.spinner = true;
  LoopRun run(SimulatorBuilder(makeClockRewardModel(params, {{0, 10}}))
                  .MaxBatches(1)
                  .MaxFiringsAtOneTime(1000));
  EXPECT_EXIT(run.sim.TerminatingSimulation(), testing::ExitedWithCode(1),
              "ERROR: 1000 firings without the clock advancing beyond time 0 \\(last action "
              "fired: spin\\); zero-delay actions keep enabling one another");
  // A positive delay below the clock's resolution: 1e17 + 1 == 1e17.
  ClockParams stuck;
  stuck.tickDelays = {1e17, 1.0};
  LoopRun frozen(makeClockRewardModel(stuck, {{0, 1e18}}), 1, 1);
  EXPECT_EXIT(frozen.sim.TerminatingSimulation(), testing::ExitedWithCode(1),
              "^ERROR: the clock is stuck at time 1e\\+17: the delay 1 of action tick no longer "
              "advances it in double precision");

  BaseActionClass* tick = run.Clock()->activity("tick");
  EXPECT_EXIT(run.sim.HandleInvalidDistParams(tick, "INVALID_DIST_PARAMS: rate -1"),
              testing::ExitedWithCode(1), "^FATAL ERROR: In action tick, rate -1\n$");
  EXPECT_DEATH(run.sim.HandleInvalidDistParams(tick, "rate -1"), "INVALID_DIST_PARAMS");
}
