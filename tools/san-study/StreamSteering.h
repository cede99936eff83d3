#ifndef SAN_STUDY_STREAM_STEERING_H
#define SAN_STUDY_STREAM_STEERING_H

#include <cstddef>
#include <functional>

#include "SessionPool.h"

// How far the fold lets a stream run ahead of the round being folded, in
// blocks of the report size; a stream further ahead is paused. Bounds the
// replications wasted beyond the stop, per stream, to this many blocks, the
// block being computed and the reports a fast simulator holds back before
// it sends them (up to 25).
constexpr long kRunAheadBlocks = 4;

// A stream that has delivered `received` replications is more than
// `blocks` whole blocks ahead of round `round` of the fold.
bool RunsAhead(long received, long round, long blockSize, long blocks = kRunAheadBlocks);

// Where the fold of one experiment stands, as the process driving its
// streams knows it.
struct FoldPosition {
  bool decided = false;  // the experiment has stopped
  long round = 0;        // rounds folded completely
};

// The one rule for every simulator of `pool`, whichever process folds its
// experiment (the group of a session): stopped once its experiment has
// decided, paused while it runs ahead of the fold, resumed otherwise.
void SteerStreams(SessionPool& pool, const std::function<FoldPosition(std::size_t group)>& fold,
                  long blockSize, Clock::time_point now);

#endif
