// Throughput of the simulation loops: firings per second of the firing step
// (which must not touch the heap) and of whole terminating runs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/SimulatorClass.h"
#include "support/LoopTestModels.h"
#include "support/SimulatorAssembly.h"
#include "support/TestRewards.h"

namespace {
std::atomic<long> allocations{0};
}

// Counting replacement of the global allocation functions (malloc-based new
// paired with free-based delete, which GCC cannot see through).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  allocations++;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
  SimulatorAssembly assembly(makeClockRewardModel(params, {{0, 1e300}}));
  SimulatorClass& sim = assembly.sim;
  Event scratch;
  BaseActionClass initial;
  sim.ScratchEvent = &scratch;
  sim.GenerateInitialEnabledList();
  sim.Events->ClearEventList();
  sim.GenerateCompleteEventList();
  sim.FiredAction = &initial;
  sim.TakeEarliestEvent();

  const long before = allocations;
  for (auto _ : state) benchmark::DoNotOptimize(sim.SimStep());
  const long made = allocations - before;
  state.counters["allocations"] = static_cast<double>(made);
  if (made != 0) state.SkipWithError("the firing step allocated");
  state.SetItemsProcessed(state.iterations());
  state.counters["firings/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
  sim.ScratchEvent = nullptr;
  sim.FiredAction = nullptr;
  sim.Events->ClearEventList();
}
BENCHMARK(BM_SimStep)->Arg(0)->Arg(1);

// Whole terminating runs: replications of state.range(0) time units, 100
// per iteration, reports included.
void RunReplications(benchmark::State& state, SimulatorAssembly& assembly) {
  SimulatorClass& sim = assembly.sim;
  long firings = 0;
  for (auto _ : state) {
    sim.RunStatus = SimulatorClass::Running;
    sim.BatchesCompleted = 0;
    const int64_t before = sim.ActionsFired;
    sim.TerminatingSimulation();
    firings += sim.ActionsFired - before;
  }
  state.SetItemsProcessed(firings);
  state.counters["firings/s"] =
      benchmark::Counter(static_cast<double>(firings), benchmark::Counter::kIsRate);
}

void BM_TerminatingClock(benchmark::State& state) {
  SimulatorAssembly::Settings settings;
  settings.maxBatches = 100;
  const double length = static_cast<double>(state.range(0));
  SimulatorAssembly assembly(makeClockRewardModel(TiesParams(), {{0, length}}), settings);
  RunReplications(state, assembly);
}
BENCHMARK(BM_TerminatingClock)->Arg(100)->Arg(10000);

// The worker pool of TestModels.h: short replications of a composed model.
void BM_TerminatingWorkerPool(benchmark::State& state) {
  SimulatorAssembly::Settings settings;
  settings.maxBatches = 100;
  SimulatorAssembly assembly(
      std::make_unique<systemRewardModel>(std::vector{ImpulseReward::threeWindows()}, true),
      settings);
  RunReplications(state, assembly);
}
BENCHMARK(BM_TerminatingWorkerPool);

}  // namespace
