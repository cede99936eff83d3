#include "StudyRunner.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

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

// What an earlier, killed or interrupted run of the same study counted for
// `e` (its log in `directory`), when it is the same experiment with the
// same planned streams and counted anything.
std::optional<CountedReplications> EarlierCounts(const std::filesystem::path& directory,
                                                 std::size_t position, const ExperimentResult& e) {
  auto earlier =
      ReadFoldLog(FoldLogPath(directory, position), static_cast<int>(e.plan.bounds.size()));
  if (!earlier || earlier->key != e.plan.Key() || earlier->plannedSeeds != e.plan.streamSeeds ||
      earlier->replications.empty())
    return std::nullopt;
  return earlier;
}

// The seeds of the streams that go on from an earlier run's counts: the
// streams of run g (0 for the first) are numbered g S to g S + S - 1 (S
// streams) in StreamSeed, so that no simulator replays the random numbers
// of one whose replications were counted already; a seed taken already is
// derived again.
std::vector<std::uint32_t> ResumedStreamSeeds(std::uint32_t studySeed,
                                              const PlannedExperiment& plan,
                                              const CountedReplications& earlier) {
  std::set<std::uint32_t> taken(earlier.seeds.begin(), earlier.seeds.end());
  taken.insert(plan.streamSeeds.begin(), plan.streamSeeds.end());
  std::vector<std::uint32_t> seeds;
  const int streams = plan.Streams();
  for (int s = 0; s < streams; s++) {
    std::uint32_t seed = 0;
    for (int attempt = 0; seed == 0 || taken.count(seed); attempt++)
      seed = StreamSeed(studySeed, plan.index, plan.point, (earlier.generation + 1) * streams + s,
                        attempt);
    taken.insert(seed);
    seeds.push_back(seed);
  }
  return seeds;
}
}  // namespace

SessionSettings StudySessionSettings(const StudyOptions& options,
                                     const StudyDescription& description) {
  SessionSettings settings;
  settings.simulator = options.simulator;
  settings.generator = options.generator;
  settings.steadyState = description.steadyState;
  settings.measures = static_cast<int>(description.ObservedCount());
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
  // Each running experiment logs what it counts, so that --resume goes on
  // from it. Not in a distributed run: the other processes start their
  // streams from the plan alone.
  std::vector<std::unique_ptr<ExperimentFoldLog>> logs;
  const std::filesystem::path out(options_.outDir);
  std::error_code ignored;
  std::vector<std::size_t> positions;  // of the runs in result.experiments
  SessionPool pool(options_.jobs);
  for (std::size_t position = 0; position < result.experiments.size(); position++) {
    ExperimentResult& e = result.experiments[position];
    if (e.reused) std::filesystem::remove(FoldLogPath(out, position), ignored);
    if (e.Finished() && e.reused) continue;
    std::optional<CountedReplications> earlier;
    if (options_.resume && !remote) earlier = EarlierCounts(out, position, e);
    CountedReplications header{e.plan.Key(), e.plan.streamSeeds, 0, {}, {}};
    if (earlier) {
      header = *earlier;
      header.generation++;
      e.plan.streamSeeds = ResumedStreamSeeds(options_.seed, e.plan, *earlier);
    }
    runs.push_back(std::make_unique<ExperimentRun>(e, rule, options_.reportSize));
    positions.push_back(position);
    ExperimentRun* run = runs.back().get();
    if (earlier) run->Carry(*earlier);
    if (!remote) {
      logs.push_back(std::make_unique<ExperimentFoldLog>(FoldLogPath(out, position), header,
                                                         static_cast<int>(e.plan.bounds.size())));
      run->LogTo(*logs.back());
    }
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

  auto flushLogs = [&](bool durable) {
    for (std::size_t r = 0; r < logs.size(); r++)
      if (auto error = logs[r]->Flush(durable))
        progress_.Message(options_.program + ": " + *error + "; --resume would run " +
                          runs[r]->Plan().name + " from the start");
  };
  auto recordAll = [&] {
    for (std::size_t r = 0; r < runs.size(); r++)
      if (!reported[r]) runs[r]->Record(escalation.Stopping());
  };
  auto save = [&] {
    const Clock::time_point start = Clock::now();
    flushLogs(true);
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
      flushLogs(false);
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
        if (!logs.empty()) logs[r]->Close();
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
  // A finished experiment is in the result files; what is left is kept for --resume.
  logs.clear();
  for (std::size_t r = 0; r < runs.size(); r++)
    if (result.experiments[positions[r]].Finished())
      std::filesystem::remove(FoldLogPath(out, positions[r]), ignored);
}
