#ifndef CORVAX_RUN_PROGRESS_H
#define CORVAX_RUN_PROGRESS_H

#include <cstdint>

// Where a run stands: its status, the one signal between the simulation
// loops and the output side, and the replications (or batches) completed,
// which the loops count and the result-file headers report.
//
// Status moves Running -> Finishing when a loop has completed its last
// batch, and -> Stopped when a drain empties the queue of a finishing run,
// a send to the manager fails, the manager says quit or never comes. The
// loops end at Stopped.
class RunProgress {
 public:
  enum Status : int32_t { Running = 0, Finishing = 1, Stopped = 2 };

  Status GetStatus() const { return status_; }
  bool IsRunning() const { return status_ == Running; }
  void SetStatus(Status status) { status_ = status; }
  // A run that is still going finishes; a stopped one stays stopped.
  void FinishIfRunning() {
    if (status_ == Running) status_ = Finishing;
  }
  void Stop() { status_ = Stopped; }

  int32_t BatchesCompleted() const { return batchesCompleted_; }
  void CompleteBatch() { batchesCompleted_++; }
  void SetBatchesCompleted(int32_t batches) { batchesCompleted_ = batches; }

 private:
  Status status_ = Running;
  int32_t batchesCompleted_ = 0;
};

#endif
