#include "MpiStreamExchange.h"

#include <algorithm>

#include "ExperimentRun.h"

MpiStreamExchange::MpiStreamExchange(MpiLink& link, StreamPlacement placement, std::size_t runs)
    : link_(link),
      placement_(std::move(placement)),
      roundSent_(runs, 0),
      stopSent_(runs, false),
      done_(static_cast<std::size_t>(link.Size()), false) {
  done_[0] = true;
}

void MpiStreamExchange::Receive(const std::vector<ExperimentRun*>& runs,
                                std::vector<std::string>& failureReports) {
  std::vector<char> bytes;
  int source = 0;
  while (link_.Receive(bytes, source)) Handle(bytes, source, runs, failureReports);
  link_.Progress();
}

void MpiStreamExchange::Handle(const std::vector<char>& bytes, int source,
                               const std::vector<ExperimentRun*>& runs,
                               std::vector<std::string>& failureReports) {
  MessageReader message(bytes);
  const RankMessage kind = message.Kind();
  if (kind == RankMessage::Signal) {
    signal_ = static_cast<int>(message.Integer());
    return;
  }
  if (kind == RankMessage::Done) {
    done_[static_cast<std::size_t>(source)] = true;
    return;
  }
  const std::int64_t r = message.Integer(), s = message.Integer();
  if (r < 0 || static_cast<std::size_t>(r) >= runs.size() || s < 0 ||
      s >= runs[r]->Fold().Streams() ||
      placement_.Rank(static_cast<std::size_t>(r), static_cast<int>(s)) != source)
    throw std::runtime_error("rank " + std::to_string(source) +
                             " reports a stream it does not run");
  ExperimentRun& run = *runs[static_cast<std::size_t>(r)];
  const int stream = static_cast<int>(s);
  switch (kind) {
    case RankMessage::Started:
      run.Stream(stream).started = true;
      break;
    case RankMessage::Block: {
      run.Stream(stream).started = true;
      run.Stream(stream).processorSeconds = message.Number();
      const std::int64_t count = message.Integer(), measures = message.Integer();
      if (measures != run.Fold().Estimate().ObservedCount() && count > 0)
        throw std::runtime_error("rank " + std::to_string(source) +
                                 " sent replications of another study");
      for (std::int64_t i = 0; i < count; i++) {
        Replication replication(static_cast<std::size_t>(measures));
        for (double& x : replication) x = message.Number();
        run.Fold().Add(stream, std::move(replication));
      }
      break;
    }
    case RankMessage::End: {
      const double seconds = message.Number();
      const std::string failure = message.Text(), report = message.Text();
      run.EndStream(stream, failure, seconds);
      if (!failure.empty())
        failureReports.push_back(report + " (on rank " + std::to_string(source) + ")");
      break;
    }
    default:
      throw std::runtime_error("rank " + std::to_string(source) +
                               " sent a message of unknown kind");
  }
}

void MpiStreamExchange::Publish(std::size_t run, const ExperimentRun& state) {
  const ExperimentFold& fold = state.Fold();
  if (fold.Decision() != StopDecision::Continue) {
    if (stopSent_[run]) return;
    stopSent_[run] = true;
    for (int rank : placement_.OtherRanks(run))
      link_.Send(rank, MessageWriter(RankMessage::Stop).Put(static_cast<std::int64_t>(run)).Take());
  } else if (fold.Round() != roundSent_[run]) {
    roundSent_[run] = fold.Round();
    for (int rank : placement_.OtherRanks(run))
      link_.Send(rank, MessageWriter(RankMessage::Round)
                           .Put(static_cast<std::int64_t>(run))
                           .Put(static_cast<std::int64_t>(fold.Round()))
                           .Take());
  }
}

int MpiStreamExchange::TakeSignal() {
  const int signal = signal_;
  signal_ = 0;
  return signal;
}

void MpiStreamExchange::Interrupt(int signal) {
  for (int rank = 1; rank < link_.Size(); rank++)
    link_.Send(rank,
               MessageWriter(RankMessage::Abort).Put(static_cast<std::int64_t>(signal)).Take());
}

bool MpiStreamExchange::Done() {
  if (finished_) return true;
  if (!std::all_of(done_.begin(), done_.end(), [](bool d) { return d; })) return false;
  // Every rank has ended its streams and takes messages until this one.
  for (int rank = 1; rank < link_.Size(); rank++)
    link_.Send(rank, MessageWriter(RankMessage::Finish).Take());
  link_.FinishSends();
  finished_ = true;
  return true;
}
