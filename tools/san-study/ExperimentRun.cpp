#include "ExperimentRun.h"

#include <algorithm>
#include <cmath>

ExperimentRun::ExperimentRun(ExperimentResult& slot, const StopRule& rule, long blockSize)
    : slot_(slot),
      fold_(rule, slot.plan.bounds, slot.plan.Streams(), blockSize, slot.plan.ratios),
      streams_(static_cast<std::size_t>(slot.plan.Streams())) {}

void ExperimentRun::EndStream(int stream, const std::string& failure, double processorSeconds) {
  StreamState& s = streams_[stream];
  s.started = true;
  s.ended = true;
  s.failure = failure;
  s.processorSeconds = processorSeconds;
  fold_.End(stream);
  fold_.Fold();
}

void ExperimentRun::Carry(const CountedReplications& earlier) {
  fold_.Carry(earlier.replications);
  // Only what the estimate took: the earlier run may have stopped counting.
  const auto counted = static_cast<std::size_t>(fold_.Estimate().Replications());
  // The planned streams first, so that a later --resume knows the experiment.
  for (std::uint32_t seed : earlier.plannedSeeds) carried_.push_back({seed, 0, 0, ""});
  for (std::size_t i = 0; i < counted && i < earlier.seeds.size(); i++) {
    auto stream = std::find_if(carried_.begin(), carried_.end(),
                               [&](const StreamResult& s) { return s.seed == earlier.seeds[i]; });
    if (stream == carried_.end())
      stream = carried_.insert(carried_.end(), {earlier.seeds[i], 0, 0, ""});
    stream->counted++;
    stream->received++;
  }
}

void ExperimentRun::LogTo(ExperimentFoldLog& log) {
  fold_.OnCount([this, &log](int stream, const Replication& replication) {
    log.Append(slot_.plan.streamSeeds[static_cast<std::size_t>(stream)], replication);
  });
}

bool ExperimentRun::Started() const {
  return std::any_of(streams_.begin(), streams_.end(),
                     [](const StreamState& s) { return s.started; });
}

bool ExperimentRun::Settled(bool stopping) const {
  return std::all_of(streams_.begin(), streams_.end(),
                     [&](const StreamState& s) { return s.ended || (stopping && !s.started); });
}

void ExperimentRun::Record(bool stopping) const {
  ExperimentResult& r = slot_;
  const ExperimentEstimate& estimate = fold_.Estimate();
  std::size_t started = 0, failed = 0;
  bool running = false;
  r.failure.clear();
  r.processorSeconds = 0.0;
  r.streams = carried_;
  for (std::size_t s = 0; s < streams_.size(); s++) {
    const StreamState& state = streams_[s];
    started += state.started;
    running |= state.started && !state.ended;
    if (!state.failure.empty()) {
      failed++;
      r.failure += (r.failure.empty() ? "" : "; ") +
                   (streams_.size() > 1 ? "stream " + std::to_string(s) + ": " : std::string()) +
                   state.failure;
    }
    r.processorSeconds += state.processorSeconds;
    r.streams.push_back({r.plan.streamSeeds[s], fold_.Counted(static_cast<int>(s)),
                         fold_.Received(static_cast<int>(s)), state.failure});
  }
  r.replications = estimate.Replications();
  r.wasted = fold_.Wasted();
  const bool allFailed = started > 0 && failed == started && !running;
  if (started == 0 && carried_.empty())
    r.status = ExperimentStatus::kNotRun;
  else if (allFailed)
    r.status = ExperimentStatus::kFailed;
  else if (fold_.Decision() == StopDecision::Converged)
    r.status = ExperimentStatus::kConverged;
  else if (fold_.Decision() == StopDecision::MaxReplications)
    r.status = ExperimentStatus::kMaxReps;
  else if (running && !stopping)
    r.status = ExperimentStatus::kRunning;
  else
    r.status = ExperimentStatus::kIncomplete;
  r.windows.clear();
  for (int w = 0; w < estimate.MeasureCount(); w++) {
    const ConfidenceInterval interval = estimate.Interval(w);
    r.windows.push_back({interval.mean, estimate.Variance(w), interval.lower, interval.upper,
                         interval.HalfWidth(), MethodName(interval.method),
                         interval.RelativeHalfWidth(), estimate.WindowConverged(w)});
  }
}

double ExperimentRun::ProjectedReplications(const StopRule& rule) const {
  const long n = fold_.Estimate().Replications();
  if (fold_.Decision() != StopDecision::Continue || Settled(false)) return static_cast<double>(n);
  const double widest = fold_.Estimate().WidestShortfall();
  if (n < 2 || !std::isfinite(widest)) return static_cast<double>(rule.maxReplications);
  const double needed = n * widest * widest;
  return std::clamp(needed, static_cast<double>(std::max(n, rule.minReplications)),
                    static_cast<double>(rule.maxReplications));
}
