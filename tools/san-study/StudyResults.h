#ifndef SAN_STUDY_STUDY_RESULTS_H
#define SAN_STUDY_STUDY_RESULTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "StudyPlan.h"

struct WindowResult {
  double mean = 0.0;
  double variance = 0.0;
  double lower = 0.0;  // -inf / +inf when unknown
  double upper = 0.0;
  double halfWidth = 0.0;  // the larger distance from the mean to a bound
  std::string method;      // how the interval was formed
  double reached = 0.0;    // the relative half-width (infinite at a mean of 0)
  bool converged = false;

  // Only a t interval lies as far below the mean as above it; the others
  // are shown as [lower, upper].
  bool Symmetric() const { return method == "t" || method == "delta" || method == "none"; }
};

// Status texts of an experiment.
namespace ExperimentStatus {
constexpr const char* kConverged = "converged";    // every measure within the precision
constexpr const char* kMaxReps = "max-reps";       // stopped at --max-reps short of the precision
constexpr const char* kIncomplete = "incomplete";  // the study was interrupted
constexpr const char* kFailed = "failed";          // the simulator (of every stream) misbehaved
constexpr const char* kNotRun = "not-run";         // not started (yet)
constexpr const char* kRunning = "running";        // in the files written while the study runs
constexpr const char* kSolved = "solved";          // exact values only (--solve-only)
}  // namespace ExperimentStatus

// One stream of an experiment: its simulator's seed, how many of its
// replications the estimate counts (its first ones), how many it delivered.
struct StreamResult {
  std::uint32_t seed = 0;
  long counted = 0;
  long received = 0;
  std::string failure;  // empty unless its simulator failed
};

struct ExperimentResult {
  PlannedExperiment plan;
  std::string status = ExperimentStatus::kNotRun;
  std::string failure;            // empty unless a stream failed
  long replications = 0;          // counted, over every stream
  double processorSeconds = 0.0;  // as last reported by the simulator
  std::vector<WindowResult> windows;
  std::vector<StreamResult> streams;
  long wasted = 0;            // replications delivered beyond the stop, not counted
  bool reused = false;        // taken from an earlier run's files (--resume)
  std::vector<double> exact;  // the solver's value of every measure; empty when not asked

  // Ran to its stop rule (some stream may have failed on the way).
  bool Finished() const {
    return status == ExperimentStatus::kConverged || status == ExperimentStatus::kMaxReps ||
           status == ExperimentStatus::kSolved;
  }
};

// The result of an experiment not run yet: its streams with nothing counted.
ExperimentResult FreshResult(const PlannedExperiment& plan);

struct StudyResult {
  std::vector<ExperimentResult> experiments;
  int interruptSignal = 0;         // SIGINT or SIGTERM when the study was stopped
  std::string internalError;       // what stopped the study early, if anything did
  std::string startTime, endTime;  // UTC, ISO 8601; no end while it runs

  bool Interrupted() const { return interruptSignal != 0; }
  bool Aborted() const { return !internalError.empty(); }
  bool AnyFailure() const;
  // Every chosen experiment ran to its stop rule.
  bool Complete() const;
};

// The current time as 2024-05-01T12:00:00Z.
std::string UtcNow();

#endif
