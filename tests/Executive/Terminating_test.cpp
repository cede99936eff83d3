#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Executive/LoopTestSupport.h"
#include "Executive/ProcessExitStatus.h"
#include "Random/Distributions.h"
#include "support/Capture.h"
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

TEST_F(TerminatingTest, DelaysBelowTheClocksResolutionFireAsTies) {
  // 1e17 + 1 == 1e17 in double precision: every tick of delay 1 fires at the
  // time of the tick before it, so two ticks fire at each multiple of 1e17,
  // ten multiples up to 1e18 (which counts: the window is inclusive).
  ClockParams params;
  params.tickDelays = {1e17, 1.0};
  LoopRun run(makeClockRewardModel(params, {{0, 1e18}}), 1, 2);
  run.sim.TerminatingSimulation();
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 40);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {20, 20}}}}));
  EXPECT_EQ(ProcessExitStatus::Value(), 0);
}

// A clock that never advances again ends the run in order: a message, the
// replications completed before it reported, exit status 1.
TEST_F(TerminatingTest, AClockThatStallsStopsTheRunWithStatusOne) {
  ClockParams spinning;
  spinning.spinner = true;  // zero-delay firings that go on for ever
  ClockParams frozen;       // timed firings whose delays no longer count
  frozen.tickDelays.assign(2000, 1.0);
  frozen.tickDelays[0] = 1e17;
  for (const ClockParams& params : {spinning, frozen}) {
    LoopRun run(SimulatorBuilder(makeClockRewardModel(params, {{0, 1e18}}))
                    .MaxBatches(3)
                    .MaxFiringsAtOneTime(1000));
    const std::string message = StderrOf([&] { run.sim.TerminatingSimulation(); });
    const bool timed = params.spinner == false;
    EXPECT_EQ(message, std::string("ERROR: the clock is stuck at time ") + (timed ? "1e+17" : "0") +
                           ": 1000 firings without it advancing (last action fired: " +
                           (timed ? "tick, a timed action whose delays are 0 or below the "
                                    "clock's resolution at this time"
                                  : "spin; zero-delay actions keep enabling one another") +
                           ").  Stopping the run; what was simulated is written to the result "
                           "files.\n");
    // The spinner's first firing is at the clock's start, the first tick's
    // at 1e17, after the clock moved: one more firing before the bound.
    EXPECT_EQ(run.sim.Loop().ActionsFired(), timed ? 1001 : 1000);
    EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
    EXPECT_EQ(run.sim.Progress().BatchesCompleted(), 0);
    EXPECT_EQ(run.Reports(), (std::vector<Report>{{}}));  // the empty final report
    EXPECT_EQ(ProcessExitStatus::Value(), 1);
    ProcessExitStatus::Clear();
  }
}

// A model with a terminating variable (ticks in [0, 10]) and a steady-state
// one (ticks in batches of 100): each run observes the variables of its own
// type only, and a replication lasts as long as its variables need.
TEST_F(TerminatingTest, AMixedModelObservesOnlyTheVariablesOfItsType) {
  const auto mixed = [] {
    std::vector<LoopReward> rewards = {
        {{"upToTen", IntervalOfTime, {0.0}, {10.0}, "tick", "clock"}, 0},
        {{"batches", IntervalOfTime, {0.0}, {100.0}, "tick", "clock"}, 1}};
    return std::make_unique<loopRewardModel>(new clockSAN(), std::move(rewards));
  };
  // Ticks at 1, 2, ...: ten in [0, 10]; 99 in [0, 100] (the tick at 100
  // fires after the window closes), then 100 in each batch.
  LoopRun terminating(mixed(), 1, 2);
  terminating.sim.TerminatingSimulation();
  EXPECT_EQ(terminating.Reports(), (std::vector<Report>{{{0, {10, 10}}}}));
  EXPECT_EQ(terminating.sim.Loop().ActionsFired(), 2 * 10);

  LoopRun steady(mixed(), 0, 2);
  StdoutOf([&] { steady.sim.SteadyStateSimulation(); });
  EXPECT_EQ(steady.Reports(), (std::vector<Report>{{{1, {99, 100}}}}));
  EXPECT_EQ(steady.sim.Progress().BatchesCompleted(), 2);
  EXPECT_EQ(ProcessExitStatus::Value(), 0);

  // Without a variable of its type, a run simulates nothing and fails.
  LoopRun onlySteady(makeClockRewardModel({}, {{0, 100}}, 1), 1, 2);
  const std::string message = StderrOf([&] { onlySteady.sim.TerminatingSimulation(); });
  EXPECT_NE(message.find("No terminating reward variable"), std::string::npos) << message;
  EXPECT_NE(message.find("with -t 0"), std::string::npos) << message;
  EXPECT_EQ(onlySteady.sim.Loop().ActionsFired(), 0);
  EXPECT_TRUE(onlySteady.Reports().empty());
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
}

TEST_F(TerminatingTest, InvalidDistributionParametersAreFatal) {
  LoopRun run(makeClockRewardModel({}, {{0, 10}}), 1, 1);
  BaseActionClass* tick = run.Clock()->activity("tick");
  EXPECT_EXIT(run.sim.HandleInvalidDistParams(tick, "INVALID_DIST_PARAMS: rate -1"),
              testing::ExitedWithCode(1), "^FATAL ERROR: In action tick, rate -1\n$");
  EXPECT_DEATH(run.sim.HandleInvalidDistParams(tick, "rate -1"), "INVALID_DIST_PARAMS");
}
