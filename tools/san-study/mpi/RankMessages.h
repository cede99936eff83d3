#ifndef SAN_STUDY_MPI_RANK_MESSAGES_H
#define SAN_STUDY_MPI_RANK_MESSAGES_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ExperimentEstimate.h"

// What the ranks of an MPI study tell each other, as bytes. The ranks run
// the same program on the same kind of machine, so numbers travel in the
// machine's own byte order.
//
// To rank 0: Started, Block (replications of a stream, in its order; a
// stream's last block may be short), End (with the failure, if any),
// Signal (a stop signal reached the rank), Done (all its streams ended;
// its last message). From rank 0: Round (the rounds of a run folded so
// far), Stop (the run has decided), Abort (the study is being stopped),
// Finish (nothing more comes; its last message).
enum class RankMessage : std::int32_t {
  Started = 1,
  Block,
  End,
  Signal,
  Done,
  Round,
  Stop,
  Abort,
  Finish
};

class MessageWriter {
 public:
  explicit MessageWriter(RankMessage kind) { Put(static_cast<std::int64_t>(kind)); }
  MessageWriter& Put(std::int64_t value);
  MessageWriter& Put(double value);
  MessageWriter& Put(const std::string& text);
  std::vector<char> Take() { return std::move(bytes_); }

 private:
  std::vector<char> bytes_;
};

// Reads what a MessageWriter wrote, in the same order; throws
// std::runtime_error on a short or malformed message.
class MessageReader {
 public:
  explicit MessageReader(const std::vector<char>& bytes) : bytes_(bytes) {}
  RankMessage Kind();
  std::int64_t Integer();
  double Number();
  std::string Text();

 private:
  void Read(void* out, std::size_t size);
  const std::vector<char>& bytes_;
  std::size_t at_ = 0;
};

// Which rank runs which stream: the streams of the experiments to run, in
// order (experiment, then stream), go to the ranks in turn, so that an
// experiment's streams spread over the ranks and the experiments over the
// ranks' cores. Each rank starts its own streams in this order; since every
// rank holds few streams of one experiment and starts an experiment's
// streams together, the experiment that holds the others up is always
// running everywhere.
class StreamPlacement {
 public:
  StreamPlacement(const std::vector<int>& streamsPerRun, int ranks);
  int Rank(std::size_t run, int stream) const {
    return ranks_[first_[run] + static_cast<std::size_t>(stream)];
  }
  // The ranks (other than 0) that run some stream of `run`.
  const std::vector<int>& OtherRanks(std::size_t run) const { return others_[run]; }

 private:
  std::vector<std::size_t> first_;  // per run, its first stream's position
  std::vector<int> ranks_;          // per stream position
  std::vector<std::vector<int>> others_;
};

// A block of replications of stream `stream` of run `run`.
std::vector<char> BlockMessage(std::int64_t run, std::int64_t stream, double processorSeconds,
                               const std::vector<Replication>& replications);

#endif
