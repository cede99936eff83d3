#ifndef SAN_STUDY_EXPERIMENT_FOLD_LOG_H
#define SAN_STUDY_EXPERIMENT_FOLD_LOG_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ExperimentEstimate.h"

// The replications an experiment has counted, in the order it counted them,
// with the seed of the stream each came from: enough to rebuild its
// estimate exactly (the intervals need the observations themselves: the
// distinct values and their counts, not only sums).
struct CountedReplications {
  std::string key;                          // the experiment's PlannedExperiment::Key()
  std::vector<std::uint32_t> plannedSeeds;  // the seeds its study planned for its streams
  int generation = 0;                       // runs before the one that writes it
  std::vector<std::uint32_t> seeds;         // per replication: its stream's seed
  std::vector<Replication> replications;
};

// A file beside the result files that an experiment appends each counted
// replication to as soon as it is folded, so that --resume after a crash or
// a kill -9 goes on from what was counted instead of from nothing. Each
// replication costs one write of 4 + 8 M bytes (M measures) when it is
// folded; the file is synced when the result files are written. A torn last
// record (the process was killed within a write) is left out when read.
class ExperimentFoldLog {
 public:
  // The log `file` of an experiment that goes on from `carried`. Nothing is
  // written before the first replication is counted: an experiment that
  // has not started keeps no file open, and an earlier run's log stays as
  // it was until then.
  ExperimentFoldLog(std::filesystem::path file, CountedReplications carried, int measures);
  ExperimentFoldLog(const ExperimentFoldLog&) = delete;
  ExperimentFoldLog& operator=(const ExperimentFoldLog&) = delete;
  ~ExperimentFoldLog() { Close(); }

  void Append(std::uint32_t seed, const Replication& replication);
  // Hands what was appended to the system (a kill loses nothing of it
  // then), and with `durable` to the disk. The first time the file cannot
  // be written: the error text (the log is given up; a resume then starts
  // the experiment anew).
  std::optional<std::string> Flush(bool durable);
  // Flushes to the disk and closes the file (the experiment has ended).
  void Close();

 private:
  std::filesystem::path file_;
  CountedReplications carried_;
  int measures_;
  int fd_ = -1;
  bool failed_ = false;
  std::string pending_;
};

// The log of the experiment at `position` in the study's plan.
std::filesystem::path FoldLogPath(const std::filesystem::path& directory, std::size_t position);

// What a log holds, or std::nullopt when there is none or it is not one
// (another format, a header cut short).
std::optional<CountedReplications> ReadFoldLog(const std::filesystem::path& file, int measures);

#endif
