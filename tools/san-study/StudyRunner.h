#ifndef SAN_STUDY_STUDY_RUNNER_H
#define SAN_STUDY_STUDY_RUNNER_H

#include <functional>

#include "ProgressDisplay.h"
#include "SimulatorSession.h"
#include "StudyDescriptionTypes.h"
#include "StudyOptions.h"
#include "StudyResults.h"

class ExperimentRun;
class StreamExchange;

// Runs the planned experiments that `result` does not hold finished yet
// (those reused by --resume), each as its streams (one simulator each),
// at most `jobs` simulators at a time, in one poll loop over every
// simulator's pipes and socket. The streams of an experiment are folded in
// a fixed order (ExperimentFold); a stream that runs ahead is paused. SIGINT and SIGTERM
// stop every simulator (quit, then SIGTERM, then SIGKILL; a second signal
// kills at once) and end the run with the results gathered so far.
// Failures are reported as they happen; the study goes on with the other
// experiments. `experimentEnded` is called with the results so far each
// time an experiment ends, and after folded rounds at most every second,
// so that they can be saved at once.
class StudyRunner {
 public:
  using Listener = std::function<void(const StudyResult&)>;

  StudyRunner(const StudyOptions& options, const StudyDescription& description,
              ProgressDisplay& progress, Listener experimentEnded);
  // With `remote`, only the streams it calls local run here; the others
  // are folded from what it receives (an MPI run's rank 0).
  void Run(StudyResult& result, StreamExchange* remote = nullptr);

 private:
  const StudyOptions& options_;
  const StudyDescription& description_;
  ProgressDisplay& progress_;
  Listener experimentEnded_;
};

// The simulators' settings from the study's options.
SessionSettings StudySessionSettings(const StudyOptions& options,
                                     const StudyDescription& description);

// The progress of the experiments being run (the others in `result` are done).
ProgressSnapshot StudySnapshot(const StudyResult& result, const std::vector<ExperimentRun*>& runs,
                               const StopRule& rule, double elapsedSeconds);

#endif
