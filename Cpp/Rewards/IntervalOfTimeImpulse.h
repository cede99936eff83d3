#ifndef CORVAX_INTERVAL_OF_TIME_IMPULSE_H
#define CORVAX_INTERVAL_OF_TIME_IMPULSE_H

#include "Rewards/ImpulseNodeClass.h"

// An impulse reward counted over the window [StartTime, StopTime] (both
// bounds inclusive); time-averaged, it is divided at the end by the part of
// the window that was simulated.
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
};

#endif
