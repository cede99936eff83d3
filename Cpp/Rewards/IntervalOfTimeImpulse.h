#ifndef CORVAX_INTERVAL_OF_TIME_IMPULSE_H
#define CORVAX_INTERVAL_OF_TIME_IMPULSE_H

#include "Rewards/ImpulseNodeClass.h"

// An impulse reward counted over the window [StartTime, StopTime] (both
// bounds inclusive); time-averaged, it is divided, when the window ends, by
// the part of the window that was simulated. The window may end in several
// ways (a firing past its stop, the end of a replication, a batch boundary)
// and more than one may report it: the division happens once per window,
// the first time completeAccumulation is called after a Reset.
class IntervalOfTimeImpulse : public ImpulseNodeClass {
 public:
  IntervalOfTimeImpulse() = default;
  explicit IntervalOfTimeImpulse(bool timeAveraged) : TimeAveraged(timeAveraged) {}

  void completeAccumulation(double t) override;
  void Accumulate(double t, double T) override;
  void CurrentImpulse() override;
  void Reset() override;

  void SetWindow(double start, double stop) {
    StartTime = start;
    StopTime = stop;
  }

  double StartTime = 0.0;
  double StopTime = 0.0;
  int Counter = 0;  // impulses earned in the window
  bool TimeAveraged = false;

 private:
  bool averaged_ = false;  // Value has been divided in this window
};

#endif
