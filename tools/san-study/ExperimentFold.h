#ifndef SAN_STUDY_EXPERIMENT_FOLD_H
#define SAN_STUDY_EXPERIMENT_FOLD_H

#include <deque>
#include <functional>
#include <vector>

#include "ExperimentEstimate.h"

// The estimate of one experiment from several independent streams (one
// simulator each), folded in a fixed order so that it does not depend on
// how fast each stream runs: round r takes block r (replications r·B to
// r·B + B - 1, B the report size) of stream 0, then of stream 1, and so on,
// one replication at a time, with the stop rule applied after each. The
// fold waits for a block that has not arrived; a stream that has ended
// (failed, or stopped) gives what it delivered of its block and is left
// out of later rounds. So each stream's counted replications are the first
// ones it ran, and the estimate can be recomputed from the seeds and the
// counts. Replications that arrive beyond the stop are counted as waste.
class ExperimentFold {
 public:
  ExperimentFold(const StopRule& rule, std::vector<ObservationBounds> bounds, int streams,
                 long blockSize, std::vector<RatioTerms> ratios = {});

  // Counts, before anything else, the replications an earlier run of the
  // experiment counted (in the order it counted them).
  void Carry(const std::vector<Replication>& replications);
  // `counted` is called with each replication as it is counted.
  void OnCount(std::function<void(int stream, const Replication&)> counted) {
    counted_ = std::move(counted);
  }
  // The next replication of `stream`, in the order the stream ran them.
  void Add(int stream, Replication replication);
  // `stream` will deliver nothing more.
  void End(int stream);
  // Folds as far as the order allows; the decision after it.
  StopDecision Fold();

  StopDecision Decision() const { return estimate_.Decision(); }
  // Every stream has ended and all it delivered up to the stop is folded.
  bool Exhausted() const;
  // Rounds folded completely so far.
  long Round() const { return round_; }

  int Streams() const { return static_cast<int>(streams_.size()); }
  long Counted(int stream) const { return streams_[stream].counted; }
  long Received(int stream) const { return streams_[stream].received; }
  // Replications delivered that will not be counted: those beyond the stop.
  long Wasted() const;
  const ExperimentEstimate& Estimate() const { return estimate_; }

 private:
  struct Stream {
    std::deque<Replication> waiting;  // delivered, not folded yet
    long received = 0;
    long counted = 0;
    bool ended = false;
  };
  bool AllEndedAndEmpty() const;

  ExperimentEstimate estimate_;
  std::function<void(int, const Replication&)> counted_;
  long blockSize_;
  std::vector<Stream> streams_;
  // The next replication to fold: offset_ within block round_ of stream stream_.
  long round_ = 0;
  int stream_ = 0;
  long offset_ = 0;
};

#endif
