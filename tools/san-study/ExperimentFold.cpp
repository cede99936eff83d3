#include "ExperimentFold.h"

#include <algorithm>

ExperimentFold::ExperimentFold(const StopRule& rule, std::vector<ObservationBounds> bounds,
                               int streams, long blockSize, std::vector<RatioTerms> ratios)
    : estimate_(rule, std::move(bounds), std::move(ratios)),
      blockSize_(std::max(1L, blockSize)),
      streams_(std::max(1, streams)) {}

void ExperimentFold::Carry(const std::vector<Replication>& replications) {
  for (const Replication& r : replications) estimate_.AddReplication(r);
}

void ExperimentFold::Add(int stream, Replication replication) {
  Stream& s = streams_[stream];
  s.received++;
  if (estimate_.Decision() == StopDecision::Continue) s.waiting.push_back(std::move(replication));
}

void ExperimentFold::End(int stream) { streams_[stream].ended = true; }

bool ExperimentFold::AllEndedAndEmpty() const {
  return std::all_of(streams_.begin(), streams_.end(),
                     [](const Stream& s) { return s.ended && s.waiting.empty(); });
}

StopDecision ExperimentFold::Fold() {
  while (estimate_.Decision() == StopDecision::Continue) {
    Stream& s = streams_[stream_];
    if (offset_ < blockSize_ && !s.waiting.empty()) {
      estimate_.AddReplication(s.waiting.front());
      if (counted_) counted_(stream_, s.waiting.front());
      s.waiting.pop_front();
      s.counted++;
      offset_++;
      continue;
    }
    if (offset_ < blockSize_ && !s.ended) break;  // the rest of this block is on its way
    // This stream's block is folded, or it ended short of it: the next one.
    offset_ = 0;
    if (++stream_ == Streams()) {
      stream_ = 0;
      round_++;
    }
    if (AllEndedAndEmpty()) break;
  }
  if (estimate_.Decision() != StopDecision::Continue)
    for (Stream& s : streams_) s.waiting.clear();
  return estimate_.Decision();
}

bool ExperimentFold::Exhausted() const {
  return std::all_of(streams_.begin(), streams_.end(), [](const Stream& s) { return s.ended; }) &&
         (estimate_.Decision() != StopDecision::Continue || AllEndedAndEmpty());
}

long ExperimentFold::Wasted() const {
  long wasted = 0;
  for (const Stream& s : streams_)
    wasted += s.received - s.counted - static_cast<long>(s.waiting.size());
  return wasted;
}
