#include "StudyRunner.h"

#include <algorithm>
#include <memory>

#include "ExperimentRun.h"
#include "SessionPool.h"
#include "SignalPipe.h"
#include "StopEscalation.h"
#include "StreamExchange.h"
#include "StreamSteering.h"

namespace {
// Files are written again after a folded round at most this often (each
// write syncs two files to disk).
constexpr auto kRoundSaveInterval = std::chrono::seconds(1);
// Each write rewrites both files whole, which for a sweep of thousands of
// points takes long: the next waits at least this many times as long as the
// last took, so that writing stays a small share of the study's time. A
// small study still writes at every experiment's end.
constexpr int kSaveSpacing = 10;
}  // namespace

SessionSettings StudySessionSettings(const StudyOptions& options,
                                     const StudyDescription& description) {
  SessionSettings settings;
  settings.simulator = options.simulator;
  settings.generator = options.generator;
  settings.steadyState = description.steadyState;
  settings.measures = static_cast<int>(description.measures.size());
  settings.reportSize = options.reportSize;
  settings.stallSeconds = options.stallSeconds;
  return settings;
}

ProgressSnapshot StudySnapshot(const StudyResult& result, const std::vector<ExperimentRun*>& runs,
                               const StopRule& rule, double elapsedSeconds) {
  ProgressSnapshot p;
  p.total = result.experiments.size();
  p.done = result.experiments.size() - runs.size();
  p.precision = rule.precision;
  p.elapsedSeconds = elapsedSeconds;
  double counted = 0.0, projectedStarted = 0.0;
  std::size_t started = 0;
  for (const ExperimentRun* run : runs) {
    if (!run->Started()) continue;
    started++;
    const bool ended = run->Settled(false);
    p.done += ended;
    const ExperimentEstimate& estimate = run->Fold().Estimate();
    counted += static_cast<double>(estimate.Replications());
    projectedStarted += run->ProjectedReplications(rule);
    if (!ended)
      p.running.push_back(
          {run->Plan().name, estimate.Replications(), estimate.WidestShortfall() * rule.precision});
  }
  // Experiments not started yet are assumed to need what the started ones do.
  const double perExperiment = started ? projectedStarted / static_cast<double>(started)
                                       : static_cast<double>(rule.maxReplications);
  const double projected =
      projectedStarted + perExperiment * static_cast<double>(runs.size() - started);
  p.replications = static_cast<long>(counted);
  if (counted > 0 && p.elapsedSeconds > 1.0)
    p.remainingSeconds = (projected - counted) / (counted / p.elapsedSeconds);
  return p;
}

StudyRunner::StudyRunner(const StudyOptions& options, const StudyDescription& description,
                         ProgressDisplay& progress, Listener experimentEnded)
    : options_(options),
      description_(description),
      progress_(progress),
      experimentEnded_(std::move(experimentEnded)) {}

void StudyRunner::Run(StudyResult& result, StreamExchange* remote) {
  const SessionSettings settings = StudySessionSettings(options_, description_);
  const StopRule& rule = options_.stopRule;
  std::vector<std::unique_ptr<ExperimentRun>> runs;
  SessionPool pool(options_.jobs);
  for (ExperimentResult& e : result.experiments) {
    if (e.Finished() && e.reused) continue;
    runs.push_back(std::make_unique<ExperimentRun>(e, rule, options_.reportSize));
    ExperimentRun* run = runs.back().get();
    for (int s = 0; s < e.plan.Streams(); s++)
      if (!remote || remote->Local(runs.size() - 1, s))
        pool.Add(std::make_unique<SimulatorSession>(
                     e.plan, s, settings,
                     [run, s](Replication&& r) { run->Fold().Add(s, std::move(r)); }),
                 runs.size() - 1);
  }
  std::vector<ExperimentRun*> views;
  for (const auto& run : runs) views.push_back(run.get());
  std::vector<bool> reported(runs.size(), false);
  SignalPipe signals;
  StopEscalation escalation(pool);
  const Clock::time_point begin = Clock::now();
  Clock::time_point lastSave = begin;
  Clock::duration lastSaveCost{};
  bool roundsFolded = false;
  bool endUnsaved = false;

  auto recordAll = [&] {
    for (std::size_t r = 0; r < runs.size(); r++)
      if (!reported[r]) runs[r]->Record(escalation.Stopping());
  };
  auto save = [&] {
    const Clock::time_point start = Clock::now();
    recordAll();
    experimentEnded_(result);
    lastSave = Clock::now();
    lastSaveCost = lastSave - start;
    roundsFolded = false;
    endUnsaved = false;
  };
  auto onSignal = [&](int signal, Clock::time_point now) {
    if (!escalation.Signal(now)) return;
    result.interruptSignal = signal;
    progress_.Message(options_.program +
                      ": stopping the simulators; the results so far are written, "
                      "marked incomplete (signal again to kill them at once)");
    if (remote) {
      remote->Interrupt(signal);
      save();  // at once: the job may be killed before the simulators have stopped
    }
  };

  // An exception (out of memory, say) ends the study like an interruption:
  // the simulators are killed and the results gathered so far returned.
  try {
    for (;;) {
      const bool stopping = escalation.Stopping();
      Clock::time_point now = Clock::now();
      pool.StartDue(now, stopping);
      for (std::size_t i : pool.TakeStarted())
        runs[pool.Group(i)]->Stream(pool.At(i).Stream()).started = true;
      for (std::size_t i : pool.TakeFinished()) {
        SimulatorSession& s = pool.At(i);
        runs[pool.Group(i)]->EndStream(s.Stream(), s.Failure(), s.ProcessorSeconds());
        if (s.Failed()) progress_.Message(options_.program + ": " + s.FailureReport());
      }
      for (std::size_t i = 0; i < pool.Size(); i++) {
        SimulatorSession& s = pool.At(i);
        if (s.Started() && !s.Finished())
          runs[pool.Group(i)]->Stream(s.Stream()).processorSeconds = s.ProcessorSeconds();
      }
      if (remote) {
        std::vector<std::string> reports;
        remote->Receive(views, reports);
        for (const std::string& report : reports)
          progress_.Message(options_.program + ": " + report);
      }
      // Fold what arrived, then steer the streams by the folds.
      for (std::size_t r = 0; r < runs.size(); r++) {
        ExperimentFold& fold = runs[r]->Fold();
        const long round = fold.Round();
        fold.Fold();
        roundsFolded |= fold.Round() != round;
        if (remote) remote->Publish(r, *runs[r]);
      }
      SteerStreams(
          pool,
          [&](std::size_t r) {
            const ExperimentFold& fold = runs[r]->Fold();
            return FoldPosition{fold.Decision() != StopDecision::Continue, fold.Round()};
          },
          options_.reportSize, now);
      for (std::size_t r = 0; r < runs.size(); r++) {
        if (reported[r] || !runs[r]->Started() || !runs[r]->Settled(stopping)) continue;
        reported[r] = true;
        runs[r]->Record(stopping);
        endUnsaved = true;
      }
      const Clock::duration sinceSave = now - lastSave;
      if (!stopping && sinceSave >= kSaveSpacing * lastSaveCost &&
          (endUnsaved || (roundsFolded && sinceSave >= kRoundSaveInterval)))
        save();
      if (pool.Idle(stopping) && (!remote || remote->Done())) break;

      // Messages of other processes come without a descriptor to wait
      // for: they are looked at every 20 ms.
      const bool signalled = pool.Poll(signals.Fd(), remote ? 20 : 50);
      now = Clock::now();
      if (signalled)
        while (const int signal = signals.Take()) onSignal(signal, now);
      if (remote)
        if (const int signal = remote->TakeSignal()) onSignal(signal, now);
      progress_.Show([&] {
        return StudySnapshot(result, views, rule,
                             std::chrono::duration<double>(Clock::now() - begin).count());
      });
    }
  } catch (const std::exception& e) {
    result.internalError = e.what();
    pool.KillAll();
  }
  // Whatever is left over is folded as far as it goes.
  for (std::size_t i = 0; i < pool.Size(); i++) {
    SimulatorSession& s = pool.At(i);
    if (s.Started()) runs[pool.Group(i)]->EndStream(s.Stream(), s.Failure(), s.ProcessorSeconds());
  }
  recordAll();
}
