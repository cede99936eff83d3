#ifndef MOVINGBLOCK_STUDY_STUDY_RESULTS_H
#define MOVINGBLOCK_STUDY_STUDY_RESULTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "StudyCatalog.h"

struct WindowResult {
  double start = 0.0;
  double end = 0.0;
  double mean = 0.0;
  double variance = 0.0;
  double halfWidth = 0.0;  // infinite with fewer than two replications
  bool converged = false;
};

// Status texts of an experiment.
namespace ExperimentStatus {
constexpr const char* kConverged = "converged";      // every window within the precision
constexpr const char* kMaxReps = "max-reps";         // stopped at --max-reps
constexpr const char* kIncomplete = "incomplete";    // the study was interrupted
constexpr const char* kFailed = "failed";            // the simulator misbehaved
constexpr const char* kNotRun = "not-run";           // interrupted before it started
}  // namespace ExperimentStatus

struct ExperimentResult {
  ExperimentInfo info;
  std::uint32_t seed = 0;
  std::string status;
  std::string failure;  // empty unless failed
  long replications = 0;
  double processorSeconds = 0.0;  // as last reported by the simulator
  std::vector<WindowResult> windows;
};

struct StudyResult {
  std::vector<ExperimentResult> experiments;
  int interruptSignal = 0;    // SIGINT or SIGTERM when the study was stopped
  std::string internalError;  // what stopped the study early, if anything did

  bool Interrupted() const { return interruptSignal != 0; }
  bool Aborted() const { return !internalError.empty(); }
  bool AnyFailure() const;
  // Every chosen experiment ran to its stop rule.
  bool Complete() const;
};

#endif
