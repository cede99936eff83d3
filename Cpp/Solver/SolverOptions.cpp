#include "Solver/SolverOptions.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "Common/StrictNumber.h"
#include "Solver/MarkingStore.h"

namespace {
std::string ModelName(const char* program) {
  std::string name = program != nullptr ? program : "model-solve";
  const std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::string suffix = "-solve";
  if (name.size() > suffix.size() &&
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
    name.erase(name.size() - suffix.size());
  return name;
}
}  // namespace

std::optional<int> SolverOptions::Parse(int argc, char** argv, unsigned numExperiments) {
  program = ModelName(argc > 0 ? argv[0] : nullptr);
  CLI::App app{"Exact values of the reward variables of model " + program +
                   ": its reachable markings are explored with the model's own code and the "
                   "Markov chain on them is solved (transient measures by uniformisation, "
                   "steady-state ones by Gauss-Seidel). Every timed activity must be "
                   "exponential.",
               program + "-solve"};
  std::string experimentText;
  app.add_option("-e,--experiment", experimentText,
                 "experiment to solve, as the simulator's -e: 0 (the default) for \"Experiment "
                 "1\", up to " +
                     std::to_string(numExperiments > 0 ? numExperiments - 1 : 0));
  std::string overrideText;
  auto* overrideOption = app.add_option(
      "-O,--override", overrideText,
      "global-variable overrides as for the simulator, type:name:value triples separated by "
      "':' (e.g. d:rho:0.5)");
  std::string csvText;
  auto* csvOption = app.add_option(
      "--csv", csvText,
      "also write the values to this CSV file: experiment,variable,start,stop,value, one row "
      "per variable and time point in result-index order");
  app.add_option(
         "--max-states", maxStates,
         "most tangible markings to explore (default " + std::to_string(kDefaultMaxStates) + ")")
      ->check(CLI::Range(1u, MarkingStore::kMaxMarkings));
  app.add_option("--tolerance", iteration.tolerance,
                 "relative residual of the steady-state iteration, and Poisson mass left out "
                 "by the uniformisation (default 1e-14)")
      ->check(CLI::Range(1e-15, 1e-3));
  app.add_option("--relaxation", iteration.relaxation,
                 "over-relaxation factor of the steady-state sweeps, 1 for Gauss-Seidel "
                 "(default 1)")
      ->check(CLI::Range(0.05, 1.95));
  app.add_option("--max-sweeps", iteration.maxSweeps,
                 "steady-state sweeps before giving up (default 100000)")
      ->check(CLI::PositiveNumber);
  app.add_flag("-q,--quiet", quiet, "only the table, without the statistics lines");
  app.footer(
      "Exit status: 0 when every value was computed; 1 for invalid options, a model the "
      "solver refuses (a timed activity that is not exponential, more markings than "
      "--max-states, a marking that overflows its type, ...), or a CSV file that could not be "
      "written.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 1;
  }
  if (!experimentText.empty()) {
    const std::optional<long long> number =
        numExperiments > 0 ? ParseWholeInteger(experimentText.c_str(), 0, numExperiments - 1)
                           : std::nullopt;
    if (!number) {
      std::cerr << "ERROR: -e " << experimentText << ": the study has " << numExperiments
                << " experiments, numbered from 0 ('Experiment 1' is 0)" << std::endl;
      return 1;
    }
    experiment = static_cast<int>(*number);
  }
  if (overrideOption->count() > 0) overrides = overrideText;
  if (csvOption->count() > 0) csvFile = csvText;
  return std::nullopt;
}
