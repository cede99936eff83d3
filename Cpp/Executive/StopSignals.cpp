#include "Executive/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

// Only async-signal-safe work here: record the signal, or leave at once when
// one was already recorded (the user insists).
extern "C" void onStopSignal(int number) {
  if (stopSignal != 0) ::_exit(128 + number);
  stopSignal = number;
}

}  // namespace

void StopSignals::Install() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls resume, so that file and socket writes in
  // progress complete; the waits that matter (poll) return at once anyway.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopSignals::Requested() { return stopSignal != 0; }

int StopSignals::Number() { return stopSignal; }

int StopSignals::ExitStatus() { return 128 + stopSignal; }

void StopSignals::Clear() { stopSignal = 0; }
