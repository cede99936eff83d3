#ifndef SAN_STUDY_SIGNAL_PIPE_H
#define SAN_STUDY_SIGNAL_PIPE_H

#include <csignal>

// Routes SIGINT and SIGTERM into a pipe that an event loop watches, for
// the lifetime of the object; SIGPIPE is ignored (a vanished simulator is
// noticed by its end, not by a signal). One at a time.
class SignalPipe {
 public:
  SignalPipe();
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // The read end of the pipe (-1 when it could not be made).
  int Fd() const;
  // The next signal that arrived, or 0 when none is pending.
  int Take();

 private:
  struct sigaction oldInt_ {
  }, oldTerm_{}, oldPipe_{};
};

#endif
