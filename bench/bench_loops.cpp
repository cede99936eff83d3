// Throughput of the simulation loops: firings per second of the firing step
// (which must not touch the heap) and of whole terminating runs.
#include <benchmark/benchmark.h>

#include <memory>

#include "AllocationCounter.h"
#include "Executive/Event.h"
#include "Executive/SimulatorClass.h"
#include "support/LoopTestModels.h"
#include "support/SimulatorBuilder.h"
#include "support/TestRewards.h"

namespace {

// A clock ticking every unit, each tick enabling three tied instantaneous
// activities once: four groups, a weighted choice at every tie, and an
// impulse reward counted at every tick.
ClockParams TiesParams() {
  ClockParams params;
  params.tieWeights = {1.0, 1.0, 2.0};
  params.tiesPerTick = 1;
  return params;
}

// The firing step alone, on a run that never ends: every SimStep fires one
// event, accumulates the rewards and reschedules the affected groups. With
// range(0) = 1 a fifth group is resampled through the reactivation list at
// every firing.
void BM_SimStep(benchmark::State& state) {
  ClockParams params = TiesParams();
  params.watcher = state.range(0) == 1;
  BuiltSimulator built = SimulatorBuilder(makeClockRewardModel(params, {{0, 1e300}})).Build();
  SimulatorClass& sim = *built.sim;
  sim.GenerateInitialEnabledList();
  Event** next = sim.StartReplication();

  const long before = allocation_counter::allocations;
  for (auto _ : state) benchmark::DoNotOptimize(next = sim.SimStep(next));
  allocation_counter::Report(state, before, "the firing step allocated");
  state.SetItemsProcessed(state.iterations());
  state.counters["firings/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimStep)->Arg(0)->Arg(1);

// Whole terminating runs: replications of state.range(0) time units, 100
// per iteration, reports included.
void RunReplications(benchmark::State& state, SimulatorBuilder&& builder) {
  BuiltSimulator built = builder.MaxBatches(100).Build();
  SimulatorClass& sim = *built.sim;
  long firings = 0;
  for (auto _ : state) {
    sim.Progress().SetStatus(RunProgress::Running);
    sim.Progress().SetBatchesCompleted(0);
    const int64_t before = sim.Loop().ActionsFired();
    sim.TerminatingSimulation();
    firings += sim.Loop().ActionsFired() - before;
  }
  state.SetItemsProcessed(firings);
  state.counters["firings/s"] =
      benchmark::Counter(static_cast<double>(firings), benchmark::Counter::kIsRate);
}

void BM_TerminatingClock(benchmark::State& state) {
  const double length = static_cast<double>(state.range(0));
  RunReplications(state, SimulatorBuilder(makeClockRewardModel(TiesParams(), {{0, length}})));
}
BENCHMARK(BM_TerminatingClock)->Arg(100)->Arg(10000);

// The worker pool of TestModels.h: short replications of a composed model.
void BM_TerminatingWorkerPool(benchmark::State& state) {
  RunReplications(state, SimulatorBuilder(std::make_unique<systemRewardModel>(
                             std::vector{ImpulseReward::threeWindows()}, true)));
}
BENCHMARK(BM_TerminatingWorkerPool);

}  // namespace
