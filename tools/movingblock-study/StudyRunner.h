#ifndef MOVINGBLOCK_STUDY_STUDY_RUNNER_H
#define MOVINGBLOCK_STUDY_STUDY_RUNNER_H

#include "ProgressDisplay.h"
#include "StudyCatalog.h"
#include "StudyOptions.h"
#include "StudyResults.h"

// Runs the chosen experiments, at most `jobs` simulators at a time, in one
// poll loop over every simulator's pipes and socket. SIGINT and SIGTERM stop
// every simulator (quit, then SIGTERM, then SIGKILL; a second signal kills
// at once) and end the run with the results gathered so far. Failures are
// reported as they happen; the study goes on with the other experiments.
class StudyRunner {
 public:
  StudyRunner(const StudyOptions& options, const StudyCatalog& catalog, ProgressDisplay& progress);
  StudyResult Run();

 private:
  const StudyOptions& options_;
  const StudyCatalog& catalog_;
  ProgressDisplay& progress_;
};

#endif
