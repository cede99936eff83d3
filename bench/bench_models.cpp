// Group selection and Rep state capture: the executive runs them for every
// firing, so both must be fast and must not touch the heap.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "AllocationCounter.h"
#include "support/ControlledActivity.h"
#include "support/TestModels.h"

namespace {
using allocation_counter::allocations;

void reportAllocations(benchmark::State& state, long before) {
  allocation_counter::Report(state, before, "the measured operation allocated");
}

void BM_PostselectSelection(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<std::unique_ptr<ControlledActivity>> cases;
  PostselectGroup group;
  group.initialize(n, "group");
  for (int i = 0; i < n; i++) {
    cases.push_back(std::make_unique<ControlledActivity>("case", true, 1, 1.0 + i));
    group.appendGroup(cases.back().get());
  }
  const long before = allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(group.SelectAction());
    benchmark::DoNotOptimize(group.getSelectedAction());
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_PostselectSelection)->Arg(2)->Arg(16)->Arg(256);

void BM_PreselectQueries(benchmark::State& state) {
  ControlledActivity a("a", true, 1, 1.0, 1.0), b("b", true, 1, 3.0, 2.0);
  PreselectGroup group;
  group.initialize(2, "group");
  group.appendGroup(&a);
  group.appendGroup(&b);
  const long before = allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(group.Enabled());
    benchmark::DoNotOptimize(group.Rank());
    benchmark::DoNotOptimize(group.SampleDistribution());
    benchmark::DoNotOptimize(group.Fire());
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_PreselectQueries);

void BM_RepCurrentState(benchmark::State& state) {
  TestModelParams params;
  params.replicas = static_cast<int>(state.range(0));
  poolRep pool(params);
  std::vector<char> buffer(pool.StateSize());
  int k = 0;
  const long before = allocations;
  for (auto _ : state) {
    // One replica changes between captures, as during simulation.
    pool.worker(k)->busy->setMark(static_cast<short>(k & 3));
    k = (k + 1) % params.replicas;
    pool.CurrentState(buffer.data());
    benchmark::DoNotOptimize(buffer.data());
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_RepCurrentState)->Arg(3)->Arg(50);

}  // namespace
