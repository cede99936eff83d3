#ifndef MOVINGBLOCK_STUDY_STUDY_OPTIONS_H
#define MOVINGBLOCK_STUDY_STUDY_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ExperimentEstimate.h"

class StudyCatalog;

// The settings of one study run, from the command line.
struct StudyOptions {
  std::vector<std::string> experimentSelection;  // as given; empty: all
  std::vector<int> experiments;                  // resolved simulator -e indices
  unsigned jobs = 1;
  std::uint32_t seed = 31415;
  std::string overrideText;
  StopRule stopRule;
  int reportSize = 20;  // the simulator's -n
  std::string outDir = "results";
  std::string simulator;  // default: movingblock-sim beside this program
  double stallSeconds = 120.0;
};

// Parses the command line. Returns std::nullopt to go on, or the exit
// status to end with (0 after --help; 1 after a message on standard error).
std::optional<int> ParseStudyOptions(int argc, char** argv, StudyOptions& options);

// Resolves the experiment selection ("0,3,5-7" in the simulator's -e
// numbering, or names such as "Experiment 4") against the study; an error
// text for an experiment the study does not have.
std::optional<std::string> ResolveExperiments(StudyOptions& options, const StudyCatalog& catalog);

// The seed handed to the simulator of an experiment: a mix of the study
// seed and the experiment index, in 1 .. 2^31 - 1, the same whatever else
// is run alongside.
std::uint32_t SimulatorSeed(std::uint32_t studySeed, int experiment);

#endif
