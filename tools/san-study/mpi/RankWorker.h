#ifndef SAN_STUDY_MPI_RANK_WORKER_H
#define SAN_STUDY_MPI_RANK_WORKER_H

#include <vector>

#include "MpiLink.h"
#include "RankMessages.h"
#include "SimulatorSession.h"
#include "StudyPlan.h"

// A rank other than 0: runs the simulators of its streams, at most `jobs`
// at a time, exactly as the local tool does, and sends rank 0 their
// replications in blocks of the report size, their starts and ends; it
// pauses a stream that gets too far ahead of the rounds rank 0 has folded,
// stops an experiment's streams when rank 0 says so, and all of them on a
// stop signal (its own, told to rank 0, or rank 0's). Ends when rank 0 says
// Finish, after its own Done.
class RankWorker {
 public:
  RankWorker(const SessionSettings& settings, unsigned jobs, std::vector<PlannedExperiment> runs,
             const StreamPlacement& placement, MpiLink& link);
  // The exit status: 0.
  int Run();

 private:
  struct Unit {
    std::size_t run;
    int stream;
    std::vector<Replication> block;  // replications not sent yet
  };
  void SendBlock(std::size_t unit, double processorSeconds);

  SessionSettings settings_;
  unsigned jobs_;
  std::vector<PlannedExperiment> runs_;
  const StreamPlacement& placement_;
  MpiLink& link_;
  std::vector<Unit> units_;  // in the order of the pool's sessions
};

#endif
