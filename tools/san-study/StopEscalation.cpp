#include "StopEscalation.h"

void StopEscalation::Interrupt(Clock::time_point now) {
  if (interrupted_) return;
  interrupted_ = true;
  pool_.InterruptAll(now);
}

bool StopEscalation::Signal(Clock::time_point now) {
  if (signals_++ > 0) {
    pool_.KillAll();
    return false;
  }
  Interrupt(now);
  return true;
}
