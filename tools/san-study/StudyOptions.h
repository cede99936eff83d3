#ifndef SAN_STUDY_STUDY_OPTIONS_H
#define SAN_STUDY_STUDY_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ExperimentEstimate.h"

// What differs between the generic tool and a model's own study command.
struct ToolProfile {
  std::string program = "san-study";
  std::string defaultSimulator;  // file name beside the tool; empty: --simulator is required
  std::vector<std::string> tableMeasures;  // measure labels in the table; empty: a few spread out
  std::string xTitle;                      // table heading of the x variable; empty: its name
  StopRule stopRule;                       // the defaults of the stop rule's options
};

// The settings of one study run, from the command line.
struct StudyOptions {
  std::string program = "san-study";             // in messages
  std::vector<std::string> experimentSelection;  // as given; empty: all (the first with sweeps)
  std::vector<std::string> sweeps;
  unsigned jobs = 1;
  std::optional<int>
      streams;  // simulators per experiment; default: from --jobs and the experiments
  std::uint32_t seed = 31415;
  std::optional<int> generator;  // the simulators' -r
  std::string overrideText;
  StopRule stopRule;
  int reportSize = 20;  // the simulator's -n
  std::string outDir = "results";
  std::string simulator;
  std::string description;  // default: beside the simulator, NAME-sim -> NAME-study.json
  double stallSeconds = 120.0;
  std::string part;  // --part K/N as given; empty: the whole study
  bool resume = false;
  bool overwrite = false;
  bool quiet = false;
  std::vector<std::string> show;  // --show: measures in the table; empty: the defaults
  bool describe = false;          // --describe: print the model's study description and exit
  bool exact = false;             // the solver's exact values beside the estimates
  bool solveOnly = false;         // the exact values alone, no simulation
  std::string solver;             // default: beside the simulator, NAME-sim -> NAME-solve
};

// Parses the command line. Returns std::nullopt to go on, or the exit
// status to end with (0 after --help or --version; 1 after a message on
// standard error).
std::optional<int> ParseStudyOptions(int argc, char** argv, const ToolProfile& profile,
                                     StudyOptions& options);

// The seed handed to the simulator of an experiment: a mix of the study
// seed and the experiment index, in 1 .. 2^31 - 1, the same whatever else
// is run alongside. A sweep point mixes in its values' text too.
std::uint32_t SimulatorSeed(std::uint32_t studySeed, int experiment,
                            const std::string& pointText = "");

// The seed of stream `stream` (1 or more) of an experiment, on attempt
// `attempt` (a seed taken already is derived again with the next attempt):
// a mix of the study seed, the experiment index, the point's text, the
// stream and the attempt, in 1 .. 2^30 - 3. The lagged Fibonacci
// generator's author documents distinct, far apart sequences for seeds up
// to 2^30 - 3; 0 is left out, since the simulator runs seed 0 as 31415.
std::uint32_t StreamSeed(std::uint32_t studySeed, int experiment, const std::string& pointText,
                         int stream, int attempt);
constexpr std::uint32_t kLargestStreamSeed = (1u << 30) - 3;

// The largest --streams.
constexpr int kMaxStreams = 4096;

// "1.2.0 (git abc1234)" or "1.2.0".
std::string ToolVersion();

#endif
