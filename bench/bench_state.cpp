// Reads and writes of state values as generated activities do them: through
// a linked pointer, a typed place's Mark() and a bounds-checked array index.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BaseClasses/state/ArrayStateVariable.h"
#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/Place.h"

namespace {
class Positions : public ArrayStateVariable<ExtendedPlace<int>> {
 public:
  explicit Positions(int n) : ArrayStateVariable("positions", "", IntElement, n) {
    for (int i = 0; i < n; i++) appendElement(new ExtendedPlace<int>(std::to_string(i).c_str(), 0));
  }
  ~Positions() override { destroyElements(); }
};
}  // namespace

static void BM_SharedPlaceThroughLinkedPointer(benchmark::State& state) {
  Place fleet("Count", 0), train("Count", 5);
  short* linked = nullptr;
  train.linkPointer(&linked);
  fleet.share(&train);
  for (auto _ : state) {
    *linked += 1;
    benchmark::DoNotOptimize(fleet.getMark());
  }
}
BENCHMARK(BM_SharedPlaceThroughLinkedPointer);

static void BM_ArrayIndexAndMark(benchmark::State& state) {
  Positions positions(64);
  int i = 0;
  for (auto _ : state) {
    positions.Index(i)->Mark() += 3;
    i = (i + 1) & 63;
    benchmark::DoNotOptimize(positions.Index(i)->Mark());
  }
}
BENCHMARK(BM_ArrayIndexAndMark);
