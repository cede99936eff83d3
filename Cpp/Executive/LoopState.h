#ifndef CORVAX_LOOP_STATE_H
#define CORVAX_LOOP_STATE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Executive/Heap.h"

class BaseActionClass;
class BaseGroupClass;
class PerformanceVariableNode;
class PVModel;

// What the simulation loops keep across firings and replications: the
// counters (firings over the run, firings since the clock last advanced),
// the processor clock at the start of the loop, the saved initial state,
// the groups enabled in it, and, in a steady-state run, the two heaps of
// the batch windows. The event to fire, its time and the action that fired
// are not kept here: the firing step hands them on by argument.
class LoopState {
 public:
  LoopState();
  LoopState(const LoopState&) = delete;
  LoopState& operator=(const LoopState&) = delete;
  ~LoopState();

  // Processor time since StartProcessorClock, in seconds (0 before).
  void StartProcessorClock();
  double ProcessorSecondsSinceStart() const;

  void CountFiring() { actionsFired_++; }
  // 64 bits: a fast model passes 2^31 firings in minutes.
  int64_t ActionsFired() const { return actionsFired_; }

  // Firings at one instant are ordinary: instantaneous actions, ties, and
  // a timed delay too small to move the clock at the current time (below
  // half the spacing of doubles there, as an exponential sample now and
  // then is late in a long run) fire at the current time. What cannot go
  // on is a clock that never advances again: zero-delay actions that keep
  // enabling one another, or timed actions whose delays are always 0 or
  // below the clock's resolution; no real model fires this often at one
  // instant. The clock stands at `now` (after the firing of lastFired,
  // null at the start); the next event fires at `next`. Returns false,
  // after a message, once the clock has not advanced for
  // MaxFiringsAtOneTime firings: the run has stalled, and the loop ends it
  // with the observations it has completed.
  bool NoteNextFiringTime(double next, double now, const BaseActionClass* lastFired) {
    if (next != now) {
      firingsAtCurrentTime_ = 0;
    } else if (++firingsAtCurrentTime_ > maxFiringsAtOneTime_) [[unlikely]] {
      ReportStall(now, lastFired);
      return false;
    }
    return true;
  }
  // The clock starts anew (a replication or a run begins).
  void ResetFiringsAtOneTime() { firingsAtCurrentTime_ = 0; }
  void SetMaxFiringsAtOneTime(int64_t firings) { maxFiringsAtOneTime_ = firings; }
  // The clock has stalled (NoteNextFiringTime returned false).
  bool Stalled() const { return stalled_; }

  // The reward model's state, saved before the first replication and
  // restored after each.
  void SaveInitialState(PVModel& model);
  char* InitialState() const { return initialState_.get(); }

  // The groups enabled in the initial state, in group-table order. The room
  // for them is cut to the number found when that is below half the groups.
  void CollectEnabledGroups(BaseGroupClass** groups, int numGroups);
  int NumEnabledGroups() const { return static_cast<int>(enabledGroups_.size()); }
  BaseGroupClass* EnabledGroup(int i) const { return enabledGroups_[i]; }

  // Steady state: for every variable whose window slides, by its index,
  // the next window boundary and the batches completed (-1 before the
  // first window begins).
  void StartBatchWindows(PerformanceVariableNode** variables, int numVariables);
  Heap<double>& Boundaries() { return *boundaries_; }
  Heap<int>& BatchCounts() { return *batchCounts_; }

  // End of a loop: frees the saved state, the enabled groups and the heaps.
  void Release();

 private:
  // The message, and a failed exit status.
  [[gnu::cold, gnu::noinline]] void ReportStall(double now, const BaseActionClass* lastFired);

  std::optional<double> clockAtStart_;  // processor clock, in ticks
  int64_t actionsFired_ = 0;
  int64_t firingsAtCurrentTime_ = 0;
  int64_t maxFiringsAtOneTime_ = 10'000'000;
  bool stalled_ = false;
  std::unique_ptr<char[]> initialState_;
  std::vector<BaseGroupClass*> enabledGroups_;
  std::unique_ptr<Heap<double>> boundaries_;
  std::unique_ptr<Heap<int>> batchCounts_;
};

#endif
