#ifndef SAN_STUDY_STUDY_TOOL_H
#define SAN_STUDY_STUDY_TOOL_H

#include <optional>
#include <vector>

#include "StreamExchange.h"
#include "StudyDescriptionTypes.h"
#include "StudyOptions.h"
#include "StudyPlan.h"

// What a run over several processes (the ranks of an MPI job) adds to the
// study's steps. Every process parses the same command line, reads the
// description and plans the study; each step's outcome is agreed on
// (Agree), the processes' --jobs are added up (Cores, before planning).
// Then the leading process (rank 0) prepares the results directory, and
// after a last Agree starts the others on the experiments to run (Start)
// and folds their streams through the exchange; the others Follow.
class StudyDistribution {
 public:
  virtual ~StudyDistribution() = default;
  // This process's outcome of a step (std::nullopt: go on; else the exit
  // status it ends with, its message written); the outcome of all: go on
  // only when all go on, else the leader's status (1 when only others
  // stopped, whose messages are then shown).
  virtual std::optional<int> Agree(std::optional<int> status) = 0;
  // The simulators all processes may run at once.
  virtual unsigned Cores(unsigned jobs) = 0;
  virtual bool Leads() const = 0;
  // Leader: the positions in the plan of the experiments to run; the
  // others learn them and start their streams.
  virtual StreamExchange& Start(const StudyPlan& plan, const std::vector<std::size_t>& runs) = 0;
  // The others: run this process's streams until the leader ends the study;
  // the exit status.
  virtual int Follow(const StudyOptions& options, const StudyDescription& description,
                     const StudyPlan& plan) = 0;
};

// The whole study command: options, description, plan, earlier results,
// the run, the table, the verdict and the files. Exit status 0 when every
// experiment reached the precision, 1 on invalid input, a failed simulator
// or an unwritable file, 2 when some experiment stopped at --max-reps short
// of the precision, 128 + the signal that stopped it.
// With `distribution`, one process of a distributed run (no merge command).
int RunStudyTool(int argc, char** argv, const ToolProfile& profile,
                 StudyDistribution* distribution = nullptr);

#endif
