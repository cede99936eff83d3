#ifndef CORVAX_SOLVER_OPTIONS_H
#define CORVAX_SOLVER_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>

#include "Solver/SteadyStateSolver.h"

// The solver's command line. -e and -O are the simulator's: the experiment
// (0 is "Experiment 1") and the global-variable overrides, checked against
// the study as the simulator checks them.
struct SolverOptions {
  // Tangible markings explored at most by default. The Kanban benchmark
  // (some ten transitions per marking) peaks at about 300 bytes per marking:
  // the marking and its table slots, its transitions as found and sorted by
  // target, the solution vectors. 20 million markings then take some 6 GB
  // of this machine's 24 GB, and a model with several times more
  // transitions per marking still fits.
  static constexpr uint32_t kDefaultMaxStates = 20000000;

  std::string program;  // the model's name, from the program's own
  int experiment = 0;
  std::optional<std::string> overrides;
  std::optional<std::string> csvFile;
  uint32_t maxStates = kDefaultMaxStates;
  IterationSettings iteration;
  bool quiet = false;

  // Reads the command line; the experiment is checked against
  // `numExperiments`. Returns nothing to go on, or the exit status to end
  // with (0 after --help, 1 after a message on standard error).
  std::optional<int> Parse(int argc, char** argv, unsigned numExperiments);
};

#endif
