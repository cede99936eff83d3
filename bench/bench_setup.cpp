// Set-up of a model that grows: the test system of N workers sharing the
// place "jobs" (every worker reads and changes it) and the array "served",
// composed, then given its affected lists. Google Benchmark fits the time
// against N; the set-up is meant to stay about linear (bench/scale_bench.sh
// measures the generated farm and railway models the same way).
#include <benchmark/benchmark.h>

#include "Executive/ConnectivityTable.h"
#include "support/TestModels.h"

namespace {

void BM_ComposeAndConnect(benchmark::State& state) {
  TestModelParams params;
  params.replicas = static_cast<int>(state.range(0));
  // Action ids restart for every model, as in a fresh simulator: the
  // builders' scratch tables have one entry per id.
  const int firstId = BaseActionClass::MaxID;
  for (auto _ : state) {
    BaseActionClass::MaxID = firstId;
    systemJoin system(params);
    List<BaseGroupClass> groups;
    List<BaseActionClass> actions;
    system.listGroups(&groups);
    system.listActions(&actions);
    ConnectivityTable table;
    table.UseTables(groups.getList(), groups.getNumItems(), actions.getList(),
                    actions.getNumItems());
    if (table.GenerateConnectivityList() != 0) state.SkipWithError("no connectivity");
    benchmark::DoNotOptimize(actions.getItem(0)->AffectedSpans);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ComposeAndConnect)
    ->RangeMultiplier(4)
    ->Range(64, 16384)
    ->MinTime(2.0)  // several runs of the largest: the first touches fresh pages
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
