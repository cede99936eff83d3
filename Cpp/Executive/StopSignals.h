#ifndef CORVAX_STOP_SIGNALS_H
#define CORVAX_STOP_SIGNALS_H

// SIGINT and SIGTERM ask the run to stop in order: the handler only records
// the signal, and the simulation loops read the record at their replication
// (or batch) boundaries, so that every completed replication is written and
// the result files are closed properly. A second signal ends the process at
// once with 128 + its number.
class StopSignals {
 public:
  // Installs the handler for SIGINT and SIGTERM.
  static void Install();
  static bool Requested();
  // The first signal received, 0 when none.
  static int Number();
  // The exit status that reports the signal: 128 + its number.
  static int ExitStatus();
  // Forgets a received signal (for tests that raise one).
  static void Clear();
};

#endif
