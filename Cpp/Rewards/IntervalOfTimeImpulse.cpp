#include "Rewards/IntervalOfTimeImpulse.h"

void IntervalOfTimeImpulse::Accumulate(double, double T) {
  if (StartTime <= T && T <= StopTime) {
    Value += Impulse_Function(T);
    Counter++;
  }
}

void IntervalOfTimeImpulse::completeAccumulation(double t) {
  if (!TimeAveraged || averaged_) return;
  Value = Value / (min(t, StopTime) - StartTime);
  averaged_ = true;
}

void IntervalOfTimeImpulse::CurrentImpulse() { Value = Impulse_Function(0.0); }

void IntervalOfTimeImpulse::Reset() {
  Value = 0.0;
  Counter = 0;
  averaged_ = false;
}
