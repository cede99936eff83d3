#ifndef SAN_STUDY_STUDY_RUNNER_H
#define SAN_STUDY_STUDY_RUNNER_H

#include <functional>

#include "ProgressDisplay.h"
#include "StudyDescription.h"
#include "StudyOptions.h"
#include "StudyResults.h"

// Runs the planned experiments that `result` does not hold finished yet
// (those reused by --resume), at most `jobs` simulators at a time, in one
// poll loop over every simulator's pipes and socket. SIGINT and SIGTERM
// stop every simulator (quit, then SIGTERM, then SIGKILL; a second signal
// kills at once) and end the run with the results gathered so far.
// Failures are reported as they happen; the study goes on with the other
// experiments. `experimentEnded` is called with the results so far each
// time an experiment ends, so that they can be saved at once.
class StudyRunner {
 public:
  using Listener = std::function<void(const StudyResult&)>;

  StudyRunner(const StudyOptions& options, const StudyDescription& description, ProgressDisplay& progress,
              Listener experimentEnded);
  void Run(StudyResult& result);

 private:
  const StudyOptions& options_;
  const StudyDescription& description_;
  ProgressDisplay& progress_;
  Listener experimentEnded_;
};

#endif
