#ifndef CORVAX_PROCESS_EXIT_STATUS_H
#define CORVAX_PROCESS_EXIT_STATUS_H

// The exit status that main returns after destroying the simulator: 0 after
// a completed run, 1 once anything has failed in a way that must not be
// reported as success (a lost manager, a result file not written, a run
// with nothing to observe). Process-wide, since the failure may be found
// while the simulator is destroyed (a result file that cannot be closed).
class ProcessExitStatus {
 public:
  static int Value() { return value_; }
  static void Fail() { value_ = 1; }
  // Forgets an earlier failure (for tests that provoke one).
  static void Clear() { value_ = 0; }

 private:
  static inline int value_ = 0;
};

#endif
