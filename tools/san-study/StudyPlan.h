#ifndef SAN_STUDY_STUDY_PLAN_H
#define SAN_STUDY_STUDY_PLAN_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ExperimentEstimate.h"
#include "StudyDescriptionTypes.h"
#include "StudyOptions.h"
#include "VariableAssignments.h"

// One experiment the study runs: an experiment of the model's study, or a
// sweep point made from one, with everything its simulator is given.
struct PlannedExperiment {
  int index = 0;             // the simulator's -e
  std::string name;          // "Experiment 1", or "Experiment 1 [nTrains=12]" for a point
  std::string point;         // the point's assignments as -O text; empty for none
  std::string overrideText;  // the whole -O text: the study's override, then the point's
  std::uint32_t seed = 0;    // stream 0's
  std::vector<std::uint32_t> streamSeeds;  // one simulator per stream; [0] is `seed`
  std::vector<double> values;             // every global variable, after the override and the point
  std::vector<ObservationBounds> bounds;  // per observed measure, resolved with these values
  std::vector<RatioTerms> ratios;         // per derived measure

  // Identifies the experiment among the results of a study with the same
  // settings (for --resume).
  std::string Key() const { return std::to_string(index) + (point.empty() ? "" : "|" + point); }
  int Streams() const { return static_cast<int>(streamSeeds.size()); }
};

struct StudyPlan {
  std::vector<PlannedExperiment> experiments;
  std::vector<Assignment> overrides;
  std::vector<Sweep> sweeps;
  int xVariable = -1;  // the swept variable, or the one that differs between experiments; -1: none
};

// Builds the plan from the options; an error text for an unknown
// experiment, a malformed or out-of-range override or sweep. `cores` is
// the number of simulators the study may run at once (--jobs, or all
// ranks' together): without --streams, experiments fewer than the cores
// share them out as further streams.
std::optional<std::string> PlanStudy(const StudyOptions& options,
                                     const StudyDescription& description, StudyPlan& plan,
                                     unsigned cores);

// The variable the results are drawn against: the first swept one, else
// the one variable in which the experiments differ, else -1.
int ChooseXVariable(const StudyPlan& plan, std::size_t variableCount);

// Streams per experiment without --streams: 1 each when there are at least
// as many experiments as cores, else the cores shared out, the first ones
// taking one more when they do not divide evenly.
std::vector<int> AutomaticStreams(std::size_t experiments, unsigned cores);

// The seeds of every experiment's streams, in plan order: stream 0 keeps
// the experiment's own seed (SimulatorSeed), further streams take
// StreamSeed; a seed already taken by the study is derived again.
void AssignStreamSeeds(std::uint32_t studySeed, std::vector<PlannedExperiment>& experiments,
                       const std::vector<int>& streams);

#endif
