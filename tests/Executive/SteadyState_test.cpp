#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Executive/LoopTestSupport.h"
#include "Executive/ProcessExitStatus.h"
#include "OutputTestSupport.h"
#include "support/Capture.h"

using loop_test::LoopRun;
using loop_test::Report;

namespace {
// Ticks at multiples of `period` in batch windows of `length` from `first`.
// A window is closed at the first firing time at or after its end, before
// that firing, so a tick at the boundary counts in the next window.
std::vector<double> Batches(double period, double first, double length, int count) {
  std::vector<double> values(count);
  for (int b = 0; b < count; b++)
    for (double t = period; t < first + (b + 1) * length; t += period)
      values[b] += t >= first + b * length;
  return values;
}

ClockParams Ticks(std::vector<double> delays, int limit = 1 << 30) {
  ClockParams params;
  params.tickDelays = std::move(delays);
  params.tickLimit = limit;
  return params;
}
}  // namespace

TEST(SteadyState, OneJumpOfTheClockClosesSeveralWindows) {
  // Ticks at 9 and 35: the jump to 35 closes [0,10], [10,20] and [20,30]
  // before the tick at 35 fires, and the maximum of 3 is then reached; one
  // more firing follows.
  LoopRun run(makeClockRewardModel(Ticks({9.0, 26.0, 1000.0}), {{0, 10}}, 1), 0, 3);
  run.sim.SteadyStateSimulation();
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 2);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {1, 0, 0}}}}));
  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
}

TEST(SteadyState, TheSlowestVariableCountsAndTheFirstFullOneReports) {
  // Ticks every 7. A: windows of 10 from 0; B: windows of 24 from 0; C:
  // windows of 50 from 100, nothing before. Report size 3, maximum 2.
  LoopRun run(makeClockRewardModel(Ticks({7.0}), {{0, 10}, {0, 24}, {100, 150}}, 1), 0, 2, 3);
  run.sim.SteadyStateSimulation();
  // C completes its second window at the check at 203, after which the
  // tick at 203 fires: 29 firings. A, faster, has 20 windows, B 8.
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 29);
  std::vector<Report> reports = run.Reports();
  ASSERT_EQ(reports.size(), 7u);
  // Every report but the last is made when A, first to fill up, needs room
  // for its fourth observation; B fills up just as often.
  for (size_t r = 0; r + 1 < reports.size(); r++) {
    EXPECT_EQ(reports[r].at(0).size(), 3u) << r;
    EXPECT_LE(reports[r].at(1).size(), 3u) << r;
  }
  const results::BinaryResults all{"", reports};
  EXPECT_EQ(
      all.all(),
      (Report{{0, Batches(7, 0, 10, 20)}, {1, Batches(7, 0, 24, 8)}, {2, Batches(7, 100, 50, 2)}}));
}

TEST(SteadyState, RunsThatCannotGoOn) {
  // Absorbing state: ticks at 4, 8, 12, 16, then nothing; a final report.
  // The line goes to standard error too, where a manager looks for causes.
  LoopRun run(makeClockRewardModel(Ticks({4.0}, 4), {{0, 10}}, 1), 0, 0);
  std::string out;
  const std::string err =
      StderrOf([&] { out = StdoutOf([&] { run.sim.SteadyStateSimulation(); }); });
  const std::string absorbing =
      "Simulator encountered an absorbing state and is unable to proceed.  Terminating run.\n";
  EXPECT_EQ(out, absorbing);
  EXPECT_EQ(err, absorbing);
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 4);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {2}}}}));

  // A run stopped before it began (no manager came) stays stopped, even
  // with nothing to fire, and reports nothing.
  LoopRun stopped(makeClockRewardModel(Ticks({4.0}, 0), {{0, 10}}, 1), 0, 0);
  stopped.sim.Progress().SetStatus(RunProgress::Stopped);
  stopped.sim.SteadyStateSimulation();
  EXPECT_EQ(stopped.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_TRUE(stopped.Reports().empty());

  // No steady-state variable: nothing runs.
  LoopRun none(makeClockRewardModel({}, {{0, 10}}, 0), 0, 5);
  const std::string message = StderrOf([&] { none.sim.SteadyStateSimulation(); });
  EXPECT_NE(message.find("No steady-state reward variable"), std::string::npos) << message;
  EXPECT_NE(message.find("with -t 1"), std::string::npos) << message;
  EXPECT_EQ(none.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_EQ(none.sim.Loop().ActionsFired(), 0);
  EXPECT_TRUE(none.Reports().empty());
  EXPECT_EQ(ProcessExitStatus::Value(), 1);  // nothing simulated is no success
  ProcessExitStatus::Clear();

  LoopRun empty(makeClockRewardModel({}, {{5, 5}}, 1), 0, 5);
  EXPECT_EXIT(empty.sim.SteadyStateSimulation(), testing::ExitedWithCode(1),
              "batch window of steady-state reward variable tickCount \\[5, 5\\] does not advance");
}

TEST(SteadyState, WindowsCloseBeyondTheTimesWhereOneUnitCounts) {
  // Two ticks at every multiple of 1e17 (1e17 + 1 == 1e17), windows of 1e17:
  // the window [0, 1e17] closes before the ticks at 1e17 fire, every later
  // one holds two.
  LoopRun run(makeClockRewardModel(Ticks({1e17, 1.0}), {{0, 1e17}}, 1), 0, 4);
  run.sim.SteadyStateSimulation();
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {0, 2, 2, 2}}}}));
}

TEST(SteadyState, AClockThatStallsEndsTheRunWithEveryBatchWritten) {
  // Ticks at 1, 2, 3, then at 1e17 (3 + 1e17 rounds to 1e17), then ticks of
  // delay 1, which no longer move the clock. The jump to 1e17 closes the
  // 100 windows of 1e15 before it: 3 ticks in the first, none after. One
  // observation per report: after ten drains the reports are held back
  // (25 at a time), and the stall must write those held back too.
  std::vector<double> delays(1000, 1.0);
  delays[3] = 1e17;
  LoopRun run(SimulatorBuilder(makeClockRewardModel(Ticks(delays), {{0, 1e15}}, 1))
                  .SimulationType(0)
                  .ReportSize(1)
                  .MaxFiringsAtOneTime(100));
  std::string out;
  const std::string err =
      StderrOf([&] { out = StdoutOf([&] { run.sim.SteadyStateSimulation(); }); });
  EXPECT_TRUE(
      err.starts_with("ERROR: the clock is stuck at time 1e+17: 100 firings without it "
                      "advancing (last action fired: tick, a timed action"))
      << err;
  EXPECT_EQ(out, "");  // no absorbing state
  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
  std::vector<double> batches(100, 0.0);
  batches[0] = 3;
  const std::vector<Report> reports = run.Reports();
  EXPECT_EQ(results::BinaryResults({"", reports}).all(), (Report{{0, batches}}));
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
}

TEST(SteadyState, AWindowThatStopsAdvancingEndsTheRunWithItsBatches) {
  // Windows of one unit from 2^53 - 2: the second ends at 2^53, where one
  // unit no longer counts, and the third would be [2^53, 2^53]. Ticks at
  // 2^53 - 2 (in the first window) and 2^53 + 98: the jump closes the two
  // windows, the run ends after them, written, with a failed status.
  const double start = 9007199254740990.0;
  LoopRun run(makeClockRewardModel(Ticks({start, 100.0}), {{start, start + 1}}, 1), 0, 0);
  const std::string err = StderrOf([&] { run.sim.SteadyStateSimulation(); });
  EXPECT_NE(err.find("batch window of steady-state reward variable tickCount"), std::string::npos)
      << err;
  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_EQ(run.sim.Progress().BatchesCompleted(), 2);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {1, 0}}}}));
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
}

TEST(SteadyState, AStoppedRunDropsObservationsWithoutRoom) {
  // A tick at 9, then one at 109: before the second fires, ten windows of
  // 10 close at once. With room for 2 observations, the third window makes
  // a report, at which the manager says quit; the run is then stopped, the
  // windows still close and slide, but what finds no room is dropped and
  // nothing more is reported.
  output_test::LoopbackPair manager;
  const std::string quit = "\x02";
  ASSERT_EQ(manager.client.Send(quit.data(), 1), 1);
  LoopRun run(SimulatorBuilder(makeClockRewardModel(Ticks({9.0, 100.0}), {{0, 10}}, 1))
                  .SimulationType(0)
                  .ReportSize(2)
                  .Manager(manager.server, 2000));
  EXPECT_EQ(StdoutOf([&] { run.sim.SteadyStateSimulation(); }), "SOCKET::Quit\n");

  EXPECT_EQ(run.sim.Progress().GetStatus(), RunProgress::Stopped);
  EXPECT_EQ(run.sim.Loop().ActionsFired(), 2);  // the tick at 109 fires after the check
  EXPECT_EQ(run.Variable(0)->getCurrentStartTime(), 100.0);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {1, 0}}}}));
  EXPECT_EQ(output_test::receive(manager.client, 10).size(), 10u);  // the reply to quit
}
