#ifndef SAN_STUDY_STOP_SIGNALS_H
#define SAN_STUDY_STOP_SIGNALS_H

#include <csignal>

// Routes SIGINT and SIGTERM into a pipe that an event loop watches, for
// the lifetime of the object; SIGPIPE is ignored (a vanished simulator is
// noticed by its end, not by a signal). One at a time.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The read end of the pipe (-1 when it could not be made).
  int Fd() const;
  // The next signal that arrived, or 0 when none is pending.
  int Take();

 private:
  struct sigaction oldInt_ {
  }, oldTerm_{}, oldPipe_{};
};

#endif
