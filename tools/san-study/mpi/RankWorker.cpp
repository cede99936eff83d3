#include "RankWorker.h"

#include <algorithm>
#include <cstdio>

#include "SessionPool.h"
#include "SignalPipe.h"
#include "StopEscalation.h"
#include "StreamSteering.h"

RankWorker::RankWorker(const SessionSettings& settings, unsigned jobs,
                       std::vector<PlannedExperiment> runs, const StreamPlacement& placement,
                       MpiLink& link)
    : settings_(settings),
      jobs_(jobs),
      runs_(std::move(runs)),
      placement_(placement),
      link_(link) {}

void RankWorker::SendBlock(std::size_t unit, double processorSeconds) {
  Unit& u = units_[unit];
  link_.Send(0,
             BlockMessage(static_cast<std::int64_t>(u.run), u.stream, processorSeconds, u.block));
  u.block.clear();
}

int RankWorker::Run() {
  SessionPool pool(jobs_);
  const long blockSize = settings_.reportSize;
  for (std::size_t r = 0; r < runs_.size(); r++)
    for (int s = 0; s < runs_[r].Streams(); s++) {
      if (placement_.Rank(r, s) != link_.Rank()) continue;
      const std::size_t unit = units_.size();
      units_.push_back({r, s, {}});
      pool.Add(std::make_unique<SimulatorSession>(
                   runs_[r], s, settings_,
                   [this, unit, blockSize, &pool](Replication&& replication) {
                     units_[unit].block.push_back(std::move(replication));
                     if (static_cast<long>(units_[unit].block.size()) == blockSize)
                       SendBlock(unit, pool.At(unit).ProcessorSeconds());
                   }),
               r);
    }
  std::vector<long> rounds(runs_.size(), 0);
  std::vector<bool> stopped(runs_.size(), false);
  SignalPipe signals;
  StopEscalation escalation(pool);
  bool doneSent = false, finished = false;
  try {
    for (;;) {
      Clock::time_point now = Clock::now();
      pool.StartDue(now, escalation.Stopping());
      for (std::size_t i : pool.TakeStarted())
        link_.Send(0, MessageWriter(RankMessage::Started)
                          .Put(static_cast<std::int64_t>(units_[i].run))
                          .Put(static_cast<std::int64_t>(units_[i].stream))
                          .Take());
      for (std::size_t i : pool.TakeFinished()) {
        const SimulatorSession& s = pool.At(i);
        if (!units_[i].block.empty()) SendBlock(i, s.ProcessorSeconds());
        link_.Send(0, MessageWriter(RankMessage::End)
                          .Put(static_cast<std::int64_t>(units_[i].run))
                          .Put(static_cast<std::int64_t>(units_[i].stream))
                          .Put(s.ProcessorSeconds())
                          .Put(s.Failure())
                          .Put(s.Failed() ? s.FailureReport() : std::string())
                          .Take());
      }
      std::vector<char> bytes;
      int source = 0;
      while (link_.Receive(bytes, source)) {
        MessageReader message(bytes);
        const RankMessage kind = message.Kind();
        if (kind == RankMessage::Finish) {
          finished = true;
          continue;
        }
        if (kind == RankMessage::Abort) {
          escalation.Interrupt(now);
          continue;
        }
        const std::int64_t r = message.Integer();
        if (r < 0 || static_cast<std::size_t>(r) >= runs_.size())
          throw std::runtime_error("rank 0 names an experiment that is not run");
        if (kind == RankMessage::Round)
          rounds[r] = std::max<long>(rounds[r], message.Integer());
        else if (kind == RankMessage::Stop)
          stopped[r] = true;
      }
      // As the local tool, by what rank 0 has told of its folds.
      SteerStreams(
          pool,
          [&](std::size_t r) {
            return FoldPosition{stopped[r], rounds[r]};
          },
          settings_.reportSize, now);
      link_.Progress();
      if (!doneSent && pool.Idle(escalation.Stopping())) {
        link_.Send(0, MessageWriter(RankMessage::Done).Take());
        doneSent = true;
      }
      if (doneSent && finished) break;
      if (pool.Poll(signals.Fd(), 20)) {
        while (const int signal = signals.Take())
          if (escalation.Signal(Clock::now()))
            link_.Send(
                0,
                MessageWriter(RankMessage::Signal).Put(static_cast<std::int64_t>(signal)).Take());
      }
    }
  } catch (const std::exception& e) {
    pool.KillAll();
    std::fprintf(stderr, "rank %d: internal error: %s\n", link_.Rank(), e.what());
    MPI_Abort(link_.Comm(), 1);
  }
  link_.FinishSends();
  return 0;
}
