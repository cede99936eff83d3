#ifndef MB_BENCH_ALLOCATION_COUNTER_H
#define MB_BENCH_ALLOCATION_COUNTER_H

// Counts every allocation of the process by replacing the global allocation
// functions (malloc-based new paired with free-based delete, which GCC cannot
// see through). Include it in exactly one source file of a benchmark.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace allocation_counter {
inline std::atomic<long> allocations{0};

// Reports the allocations made since `before` (a value of `allocations`)
// and fails the benchmark when there were any.
inline void Report(benchmark::State& state, long before, const char* what) {
  const long made = allocations - before;
  state.counters["allocations"] = static_cast<double>(made);
  if (made != 0) state.SkipWithError(what);
}
}  // namespace allocation_counter

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  allocation_counter::allocations++;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

#endif
