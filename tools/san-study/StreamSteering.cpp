#include "StreamSteering.h"

bool RunsAhead(long received, long round, long blockSize, long blocks) {
  return received >= (round + 1 + blocks) * blockSize;
}

void SteerStreams(SessionPool& pool, const std::function<FoldPosition(std::size_t group)>& fold,
                  long blockSize, Clock::time_point now) {
  for (std::size_t i = 0; i < pool.Size(); i++) {
    SimulatorSession& session = pool.At(i);
    const FoldPosition position = fold(pool.Group(i));
    if (position.decided)
      session.Stop(now);
    else if (RunsAhead(session.Received(), position.round, blockSize))
      session.Pause();
    else
      session.Resume(now);
  }
}
