#ifndef CORVAX_PHASE_TIMER_H
#define CORVAX_PHASE_TIMER_H

#include <chrono>
#include <ctime>

// The time one phase of a solver run takes: on the wall clock, and on the
// processor (on a shared machine the two differ, and the second is what the
// phase costs).
struct PhaseTime {
  double wallSeconds = 0.0;
  double processorSeconds = 0.0;
};

class PhaseTimer {
 public:
  PhaseTimer() : wall_(std::chrono::steady_clock::now()), processor_(std::clock()) {}

  PhaseTime Elapsed() const {
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
            static_cast<double>(std::clock() - processor_) / CLOCKS_PER_SEC};
  }

 private:
  std::chrono::steady_clock::time_point wall_;
  std::clock_t processor_;
};

#endif
