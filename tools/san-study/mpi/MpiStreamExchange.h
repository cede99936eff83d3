#ifndef SAN_STUDY_MPI_MPI_STREAM_EXCHANGE_H
#define SAN_STUDY_MPI_MPI_STREAM_EXCHANGE_H

#include "MpiLink.h"
#include "RankMessages.h"
#include "StreamExchange.h"

// Rank 0's side of the streams that run on the other ranks: their blocks
// go into the folds, their ends and failures into the runs; every folded
// round and every stop decision goes to the ranks that run the
// experiment's streams.
class MpiStreamExchange : public StreamExchange {
 public:
  MpiStreamExchange(MpiLink& link, StreamPlacement placement, std::size_t runs);

  bool Local(std::size_t run, int stream) const override {
    return placement_.Rank(run, stream) == 0;
  }
  void Receive(const std::vector<ExperimentRun*>& runs,
               std::vector<std::string>& failureReports) override;
  void Publish(std::size_t run, const ExperimentRun& state) override;
  int TakeSignal() override;
  void Interrupt(int signal) override;
  bool Done() override;

 private:
  void Handle(const std::vector<char>& bytes, int source, const std::vector<ExperimentRun*>& runs,
              std::vector<std::string>& failureReports);

  MpiLink& link_;
  StreamPlacement placement_;
  std::vector<long> roundSent_;
  std::vector<bool> stopSent_;
  std::vector<bool> done_;  // per rank: said Done
  int signal_ = 0;
  bool finished_ = false;
};

#endif
