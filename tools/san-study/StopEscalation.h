#ifndef SAN_STUDY_STOP_ESCALATION_H
#define SAN_STUDY_STOP_ESCALATION_H

#include "SessionPool.h"

// How the simulators of a pool are stopped when the study is: in order
// the first time (the quit command, then SIGTERM, then SIGKILL), at once
// with SIGKILL on a second stop signal.
class StopEscalation {
 public:
  explicit StopEscalation(SessionPool& pool) : pool_(pool) {}

  // Stops every simulator in order, once; nothing starts any more.
  void Interrupt(Clock::time_point now);
  // A stop signal (SIGINT, SIGTERM) reached the study: the first one
  // interrupts, true; a later one kills, false.
  bool Signal(Clock::time_point now);
  bool Stopping() const { return interrupted_; }

 private:
  SessionPool& pool_;
  bool interrupted_ = false;
  int signals_ = 0;
};

#endif
