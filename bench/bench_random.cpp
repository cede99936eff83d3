// Cost of one uniform number from each generator (time per iteration is the
// time per number).
#include <benchmark/benchmark.h>

#include "Random/LaggedFibonacci.h"
#include "Random/MersenneTwister.h"
#include "Random/Tausworthe.h"

template <class Generator>
static void BM_rnd(benchmark::State& state) {
  Generator generator;
  RandomNumberGenerator* through = &generator;
  benchmark::DoNotOptimize(through);  // keep the calls virtual, as in the engine
  through->srnd(31415);
  for (auto _ : state) benchmark::DoNotOptimize(through->rnd());
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(BM_rnd, LaggedFibonacci);
BENCHMARK_TEMPLATE(BM_rnd, Tausworthe);
BENCHMARK_TEMPLATE(BM_rnd, MersenneTwister);
