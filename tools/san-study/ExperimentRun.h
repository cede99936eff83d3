#ifndef SAN_STUDY_EXPERIMENT_RUN_H
#define SAN_STUDY_EXPERIMENT_RUN_H

#include <string>
#include <vector>

#include "ExperimentFold.h"
#include "ExperimentFoldLog.h"
#include "StudyResults.h"

// What the folding side knows of one experiment while it runs: the fold of
// its streams and the state of each stream's simulator, wherever it runs.
class ExperimentRun {
 public:
  struct StreamState {
    bool started = false;
    bool ended = false;
    std::string failure;  // empty unless its simulator failed
    double processorSeconds = 0.0;
  };

  ExperimentRun(ExperimentResult& slot, const StopRule& rule, long blockSize);

  ExperimentFold& Fold() { return fold_; }
  const ExperimentFold& Fold() const { return fold_; }
  const PlannedExperiment& Plan() const { return slot_.plan; }
  StreamState& Stream(int stream) { return streams_[stream]; }
  // The stream has ended: nothing more will come from it.
  void EndStream(int stream, const std::string& failure, double processorSeconds);

  // Goes on from the replications an earlier run counted (--resume): they
  // are counted first, and their streams come first in the results.
  void Carry(const CountedReplications& earlier);
  // Each replication counted from now on goes to `log` too.
  void LogTo(ExperimentFoldLog& log);

  bool Started() const;
  // Every stream that started has ended (and `stopping`: none will start).
  bool Settled(bool stopping) const;

  // The result so far into the slot: status, counts, estimates, streams.
  // Once the study is `stopping`, an experiment still running is recorded
  // as incomplete: the files written then may be its last.
  void Record(bool stopping = false) const;
  // The replications the experiment will probably need: its count once it
  // ended, else the count at which its widest interval should reach the
  // allowed half-width (half-widths shrink as 1/sqrt(n)).
  double ProjectedReplications(const StopRule& rule) const;

 private:
  ExperimentResult& slot_;
  ExperimentFold fold_;
  std::vector<StreamState> streams_;
  std::vector<StreamResult> carried_;  // the streams of earlier runs, by seed
};

#endif
