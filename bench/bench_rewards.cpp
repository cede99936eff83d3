// The reward model's part of every firing step: PVModel::Accumulate before
// the firing and PVModel::FireAction, over 13 considered nodes (one impulse
// variable with 13 windows, like the railway model's reward). Replications
// end at t = 700 (EndAccumulate, PVReset). Must not touch the heap.
#include <benchmark/benchmark.h>

#include <vector>

#include "AllocationCounter.h"
#include "support/TestRewards.h"

namespace {

// Fires a cycle of actions; every `impulseEvery`-th firing (0: none) is a
// serve_case1, which reaches an impulse worker of every node.
void runFirings(benchmark::State& state, int impulseEvery) {
  TestModelParams params;
  params.replicas = 4;
  systemRewardModel model({ImpulseReward::thirteenWindows()}, true, params);
  model.ConsiderOnly(nullptr, 0);
  std::vector<BaseActionClass*> plain, impulse;
  for (int i = 0; i < params.replicas; i++) {
    plain.push_back(&model.worker(i)->start);
    plain.push_back(&model.worker(i)->serve_case2);
    impulse.push_back(&model.worker(i)->serve_case1);
  }
  double t = 0.0;
  long n = 0;
  double completed = 0.0;
  const long before = allocation_counter::allocations;
  for (auto _ : state) {
    BaseActionClass* action = impulseEvery > 0 && n % impulseEvery == 0
                                  ? impulse[(n / impulseEvery) % impulse.size()]
                                  : plain[n % plain.size()];
    model.Accumulate(t);
    benchmark::DoNotOptimize(model.FireAction(action, t));
    n++;
    t += 0.01;
    if (t > model.getLatestFinishingTime()) {
      model.EndAccumulate(model.getLatestFinishingTime());
      completed += model.getPVs()[12]->AccumulatedValue;
      model.PVReset();
      t = 0.0;
    }
  }
  benchmark::DoNotOptimize(completed);
  allocation_counter::Report(state, before, "the firing path allocated");
  state.counters["firings/s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsRate);
}

void BM_AccumulateFire_NoImpulse(benchmark::State& state) { runFirings(state, 0); }
void BM_AccumulateFire_OneInEightImpulse(benchmark::State& state) { runFirings(state, 8); }
void BM_AccumulateFire_AllImpulse(benchmark::State& state) { runFirings(state, 1); }

BENCHMARK(BM_AccumulateFire_NoImpulse);
BENCHMARK(BM_AccumulateFire_OneInEightImpulse);
BENCHMARK(BM_AccumulateFire_AllImpulse);

}  // namespace
