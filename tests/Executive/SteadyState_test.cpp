#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Executive/DataPacket.h"
#include "Executive/Heap.h"
#include "Executive/LoopTestSupport.h"

using loop_test::LoopRun;
using loop_test::Report;
using loop_test::SteadyState;

namespace {
// Ticks at multiples of `period` in [start, stop). A window is closed at the
// first firing time at or after its end, before that firing, so a tick at
// the boundary counts in the next window.
double TicksIn(double period, double start, double stop) {
  int n = 0;
  for (double t = period; t < stop; t += period) n += t >= start;
  return n;
}

std::vector<double> Batches(double period, double first, double length, int count) {
  std::vector<double> values;
  for (int b = 0; b < count; b++) values.push_back(TicksIn(period, first + b * length, first + (b + 1) * length));
  return values;
}
}  // namespace

TEST(SteadyState, OneJumpOfTheClockClosesSeveralWindows) {
  // Ticks at 9 and 35: the jump to 35 closes [0,10], [10,20] and [20,30]
  // before the tick at 35 fires, and the maximum of 3 is then reached; one
  // more firing follows.
  ClockParams params;
  params.tickDelays = {9.0, 26.0, 1000.0};
  LoopRun run(makeClockRewardModel(params, {{0, 10}}, 1), SteadyState(3));
  run.sim().SteadyStateSimulation();

  EXPECT_EQ(run.sim().ActionsFired, 2);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {1, 0, 0}}}}));
  EXPECT_EQ(run.sim().RunStatus, SimulatorClass::Stopped);
  EXPECT_EQ(run.sim().BoundaryHeap, nullptr);
}

TEST(SteadyState, TheSlowestVariableCountsAndTheFirstFullOneReports) {
  // Ticks every 7. A: windows of 10 from 0; B: windows of 24 from 0; C:
  // windows of 50 from 100, nothing before. Report size 3, maximum 2.
  ClockParams params;
  params.tickDelays = {7.0};
  LoopRun run(makeClockRewardModel(params, {{0, 10}, {0, 24}, {100, 150}}, 1), SteadyState(2, 3));
  run.sim().SteadyStateSimulation();

  // C completes its second window at the check at 203, after which the
  // tick at 203 fires: 29 firings. A, faster, has 20 windows, B 8.
  EXPECT_EQ(run.sim().ActionsFired, 29);
  std::vector<Report> reports = run.Reports();
  std::vector<double> a, b, c;
  for (size_t r = 0; r < reports.size(); r++) {
    for (auto& [pv, values] : reports[r]) {
      std::vector<double>& all = pv == 0 ? a : pv == 1 ? b : c;
      all.insert(all.end(), values.begin(), values.end());
    }
    // Every report but the last is made when A, first to fill up, needs
    // room for its fourth observation; B fills up just as often.
    if (r + 1 < reports.size()) {
      EXPECT_EQ(reports[r].at(0).size(), 3u) << r;
      EXPECT_LE(reports[r].at(1).size(), 3u) << r;
    }
  }
  EXPECT_EQ(reports.size(), 7u);
  EXPECT_EQ(a, Batches(7, 0, 10, 20));
  EXPECT_EQ(b, Batches(7, 0, 24, 8));
  EXPECT_EQ(c, Batches(7, 100, 50, 2));
}

TEST(SteadyState, AbsorbingStateEndsWithAFinalReport) {
  ClockParams params;
  params.tickDelays = {4.0};
  params.tickLimit = 4;  // ticks at 4, 8, 12, 16, then nothing
  LoopRun run(makeClockRewardModel(params, {{0, 10}}, 1), SteadyState(0));
  testing::internal::CaptureStdout();
  run.sim().SteadyStateSimulation();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Simulator encountered an absorbing state and is unable to proceed.  Terminating run.\n");
  EXPECT_EQ(run.sim().ActionsFired, 4);
  EXPECT_EQ(run.Reports(), (std::vector<Report>{{{0, {2}}}}));

  // A run stopped before it began (no manager came) stays stopped, even
  // with nothing to fire, and reports nothing.
  params.tickLimit = 0;
  LoopRun stopped(makeClockRewardModel(params, {{0, 10}}, 1), SteadyState(0));
  stopped.sim().RunStatus = SimulatorClass::Stopped;
  stopped.sim().SteadyStateSimulation();
  EXPECT_EQ(stopped.sim().RunStatus, SimulatorClass::Stopped);
  EXPECT_TRUE(stopped.Reports().empty());
}

TEST(SteadyState, WithoutSteadyStateVariablesNothingRuns) {
  LoopRun run(makeClockRewardModel({}, {{0, 10}}, 0), SteadyState(5));
  testing::internal::CaptureStderr();
  run.sim().SteadyStateSimulation();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("No steady-state reward variable"),
            std::string::npos);
  EXPECT_EQ(run.sim().RunStatus, SimulatorClass::Stopped);
  EXPECT_EQ(run.sim().ActionsFired, 0);
  EXPECT_TRUE(run.Reports().empty());
  EXPECT_EQ(SimulatorClass::ExitStatus, 1);  // nothing simulated is no success
  SimulatorClass::ExitStatus = 0;
}

TEST(SteadyState, AWindowThatCannotSlideIsFatal) {
  LoopRun run(makeClockRewardModel({}, {{5, 5}}, 1), SteadyState(5));
  EXPECT_EXIT(run.sim().SteadyStateSimulation(), testing::ExitedWithCode(1),
              "batch window of steady-state reward variable tickCount \\[5, 5\\] does not advance");
}

TEST(SteadyState, AStoppedRunDropsObservationsWithoutRoom) {
  // The manager has stopped the run while a full packet waits: the windows
  // still close and slide, but nothing is stored or reported.
  LoopRun run(makeClockRewardModel({}, {{0, 10}}, 1), SteadyState(0, 2));
  SimulatorClass& sim = run.sim();
  Heap<double> boundaries(1);
  Heap<int> batches(1);
  boundaries.Insert(10.0, 0);
  batches.Insert(0, 0);
  sim.BoundaryHeap = &boundaries;
  sim.BatchCountHeap = &batches;
  sim.Primary = sim.CreateDataPacket(1);
  sim.Companion = sim.CreateDataPacket(1);
  int primaryCounts[1] = {2}, companionCounts[1] = {2};
  sim.RunStatus = SimulatorClass::Stopped;
  sim.CurrentTime = 25.0;
  sim.CheckCompletedBatches(sim.PVs, primaryCounts, companionCounts);
  sim.BoundaryHeap = nullptr;
  sim.BatchCountHeap = nullptr;

  EXPECT_EQ(primaryCounts[0], 2);
  EXPECT_EQ(companionCounts[0], 2);
  EXPECT_EQ(sim.DrainCounter, 1);
  EXPECT_EQ(boundaries.TopKey(), 30.0);
  EXPECT_EQ(batches.TopKey(), 2);
  EXPECT_EQ(sim.PVs[0]->CurrentStartTime, 20.0);
  EXPECT_TRUE(run.Reports().empty());
}
