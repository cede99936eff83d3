// Event list throughput: the hold pattern of a simulation loop (take the
// earliest event, remove it, schedule its action again later) and the
// removal and re-insertion of an arbitrary scheduled event.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/SchedulingRecord.h"

namespace {
class BenchAction : public BaseActionClass {
 public:
  BenchAction() { Record = &record; }
  int Rank() override { return 0; }
  SchedulingRecord record;
};

struct Fixture {
  explicit Fixture(int n) : list(n), rng(42) {
    for (int i = 0; i < n; i++) actions.push_back(std::make_unique<BenchAction>());
    for (auto& action : actions) {
      Event event(unit(rng), 0.0, action.get());
      list.Insert(&event);
    }
  }
  std::vector<std::unique_ptr<BenchAction>> actions;
  EventList list;  // destroyed first: its destructor still reads the actions' records
  std::mt19937_64 rng;
  std::uniform_real_distribution<double> unit{0.0, 1.0};
};

void BM_EarliestRemoveInsert(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  double now = 0.0;
  for (auto _ : state) {
    Event** earliest = f.list.Earliest();
    now = (*earliest)->FiringTime;
    Event event(now + f.unit(f.rng), now, (*earliest)->Action);
    f.list.Remove(earliest);
    benchmark::DoNotOptimize(f.list.Insert(&event));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RemoveInsertAnywhere(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Fixture f(n);
  for (auto _ : state) {
    BenchAction* action = f.actions[f.rng() % n].get();
    f.list.Remove(&action->record);
    Event event(f.unit(f.rng), 0.0, action);
    benchmark::DoNotOptimize(f.list.Insert(&event));
  }
  state.SetItemsProcessed(state.iterations());
}
// Bursts of ties, as in a model whose periodic activities share their
// periods: n events at each whole time, each choice among all that remain
// tied (one draw per choice), every fired action rescheduled one time unit
// later.
void BM_TiedBursts(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<std::unique_ptr<BenchAction>> actions;
  EventList list(n);  // its destructor still reads the actions' records
  for (int i = 0; i < n; i++) {
    actions.push_back(std::make_unique<BenchAction>());
    Event event(1.0, 0.0, actions.back().get());
    list.Insert(&event);
  }
  for (auto _ : state) {
    Event** earliest = list.Earliest();
    const double now = (*earliest)->FiringTime;
    Event event(now + 1.0, now, (*earliest)->Action);
    list.Remove(earliest);
    benchmark::DoNotOptimize(list.Insert(&event));
  }
  state.SetItemsProcessed(state.iterations());
}
}  // namespace

BENCHMARK(BM_EarliestRemoveInsert)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_TiedBursts)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_RemoveInsertAnywhere)->Arg(16)->Arg(256)->Arg(4096);
