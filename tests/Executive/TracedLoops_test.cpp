// Traces written by the simulation loops around the clock test model, whose
// firings follow from its definition: tick every time unit while
// ticks < tickLimit, each tick adding one pending token that the
// instantaneous tie_0 takes at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "Executive/ProcessExitStatus.h"
#include "Executive/RunSettings.h"
#include "Executive/SimulatorClass.h"
#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"
#include "support/Capture.h"
#include "support/LoopTestModels.h"
#include "support/ResultReaders.h"

namespace {

// A simulator around the clock model writing a plain trace (and an XML one
// when asked) to <name>.txt / <name>.xml. The model outlives the simulator.
struct TracedRun {
  TracedRun(RunSettings settings, const ClockParams& params,
            std::vector<std::pair<double, double>> windows, int slidingWindow = 0)
      : model(makeClockRewardModel(params, std::move(windows), slidingWindow)) {
    TheDistribution->setGenerator(new LaggedFibonacci());  // a fresh generator for each run
    StdoutOf([&] { sim = std::make_unique<SimulatorClass>(settings, model.get()); });
  }
  // Runs the loop of the settings, then closes the trace files.
  void Run() {
    StdoutOf([&] {
      sim->Run();
      sim.reset();
    });
  }
  std::string ClockId() const { return std::to_string(model->getTopModel()->getModelId()); }

  std::unique_ptr<PVModel> model;
  std::unique_ptr<SimulatorClass> sim;
};

RunSettings TraceSettings(const std::string& name, int level, int maxBatches) {
  RunSettings settings;
  settings.SetPlainTrace(true);
  settings.SetTraceLevel(level);
  settings.SetTraceFileName(name);
  settings.SetMaxBatches(maxBatches);
  return settings;
}

ClockParams ThreeTicks() {
  ClockParams params;
  params.tickLimit = 3;
  params.tiesPerTick = 1;
  params.tieWeights = {1.0};
  return params;
}

// What the plain trace shows of one firing at the level.
std::string Firing(const std::string& id, int level, int time, const std::string& action,
                   const std::string& enabling, const std::string& affected) {
  if (level < 1) return "";
  std::string text =
      "#### Firing: " + std::to_string(time) + "  Action: (" + id + ")clock->" + action + "\n";
  if (level >= 2) text += "Enabling state before action firing:\n" + enabling;
  text += "#### After: (" + id + ")" + action + "->" + action + "\n";
  if (level >= 2) text += "Affected state after firing: \n" + affected;
  return text;
}

std::string State(const std::string& id, int ticks, int pending) {
  return "  Model: (" + id + ")clock\n    ticks = " + std::to_string(ticks) +
         "\n    pending = " + std::to_string(pending) + "\n";
}

TEST(TracedLoopsTest, TerminatingTraceShowsWhatEachLevelAsksFor) {
  for (int level = 0; level <= 4; level++) {
    const std::string name = results::tempPath("traced_" + std::to_string(level));
    TracedRun run(TraceSettings(name, level, 2), ThreeTicks(), {{0, 10}});
    run.Run();
    const std::string id = run.ClockId();

    // Each replication: tick at 1, 2, 3, each followed at once by tie_0.
    std::string replication;
    if (level >= 3) replication += "Initial Model State:\n" + State(id, 0, 0);
    for (int t = 1; t <= 3; t++) {
      replication += Firing(id, level, t, "tick", "  ticks = " + std::to_string(t - 1) + "\n",
                            "  ticks = " + std::to_string(t) + "\n  pending = 1\n");
      replication += Firing(id, level, t, "tie_0", "  pending = 1\n", "  pending = 0\n");
    }
    if (level >= 4) replication += "Model State:\n" + State(id, 3, 0);
    replication += "##### NEW BATCH #####\n";
    const std::string expected = std::string(38, '*') + "\n\t\tTRACE\n" + std::string(38, '*') +
                                 "\n" + "##### NEW BATCH #####\n" + replication + replication;
    EXPECT_EQ(results::readFile(name + ".txt"), expected) << "level " << level;
    std::remove((name + ".txt").c_str());
  }
}

// The writers only read the model: with ties drawn at random, a traced run
// fires the same events and observes the same values as an untraced one.
TEST(TracedLoopsTest, TracingChangesNoDrawAndNoObservation) {
  ClockParams params;
  params.tickLimit = 40;
  params.tiesPerTick = 2;
  params.tieWeights = {1.0, 3.0};
  auto observe = [&](bool traced) {
    const std::string name = results::tempPath(traced ? "drawn_traced" : "drawn_plain");
    RunSettings settings = TraceSettings(name, 4, 5);
    settings.SetPlainTrace(traced);
    settings.SetXMLTrace(traced);
    settings.SetASCIIFileName(name + ".ascii");
    // Seeded afresh by each simulator (the lagged Fibonacci generator's
    // buffer position carries over from one simulator to the next).
    settings.SetGeneratorType(RunSettings::MersenneTwisterGenerator);
    // Counts tie_1, whose firings depend on the draws among the tied events.
    auto model = std::make_unique<loopRewardModel>(
        new clockSAN(params),
        std::vector<LoopReward>{{{"tieCount", IntervalOfTime, {0}, {40}, "tie_1", "clock"}}});
    std::unique_ptr<SimulatorClass> sim;
    StdoutOf([&] {
      sim = std::make_unique<SimulatorClass>(settings, model.get());
      sim->Run();
    });
    const int64_t fired = sim->Loop().ActionsFired();
    StdoutOf([&] { sim.reset(); });
    const results::Observations observations = results::readAscii(name + ".ascii");
    if (traced) {
      const std::string plain = results::readFile(name + ".txt");
      size_t firings = 0;
      for (size_t at = plain.find("#### Firing: "); at != std::string::npos;
           at = plain.find("#### Firing: ", at + 1))
        firings++;
      EXPECT_EQ(static_cast<int64_t>(firings), fired);
      EXPECT_EQ(std::system(("xmllint --noout --nonet '" + name + ".xml'").c_str()), 0);
    }
    for (const char* suffix : {".txt", ".xml", ".ascii"}) std::remove((name + suffix).c_str());
    return std::pair{fired, observations};
  };
  const auto untraced = observe(false);
  const auto traced = observe(true);
  TheDistribution->setGenerator(new LaggedFibonacci());  // what the other tests expect
  EXPECT_EQ(traced.first, untraced.first);
  EXPECT_EQ(traced.second, untraced.second);
  ASSERT_EQ(traced.second.size(), 1u);
  // Two ties per tick, each tie_1 with probability 3/4: neither none nor all.
  for (double value : traced.second.begin()->second) EXPECT_TRUE(value > 0 && value < 80);
}

// Steady state: the state at every batch boundary, before the separator;
// the step after the last batch is still traced.
TEST(TracedLoopsTest, SteadyStateTraceMarksTheBatchBoundaries) {
  const std::string name = results::tempPath("traced_steady");
  ClockParams params = ThreeTicks();
  params.tickLimit = 100;
  RunSettings settings = TraceSettings(name, 4, 2);
  settings.SetSimulationType(0);
  TracedRun run(settings, params, {{0, 2}}, 1);
  run.Run();
  const std::string id = run.ClockId();
  auto tick = [&](int t) {
    return Firing(id, 4, t, "tick", "  ticks = " + std::to_string(t - 1) + "\n",
                  "  ticks = " + std::to_string(t) + "\n  pending = 1\n");
  };
  auto tie = [&](int t) { return Firing(id, 4, t, "tie_0", "  pending = 1\n", "  pending = 0\n"); };
  const std::string boundary = "##### NEW BATCH #####\n";
  const std::string expected = std::string(38, '*') + "\n\t\tTRACE\n" + std::string(38, '*') +
                               "\n" + boundary + "Initial Model State:\n" + State(id, 0, 0) +
                               tick(1) + tie(1) + "Model State:\n" + State(id, 1, 0) + boundary +
                               tick(2) + tie(2) + tick(3) + tie(3) + "Model State:\n" +
                               State(id, 3, 0) + boundary + tick(4);
  EXPECT_EQ(results::readFile(name + ".txt"), expected);
  std::remove((name + ".txt").c_str());
}

// A trace that cannot be written (a full disk) is reported at the next
// batch boundary and taken off; the run completes its observations and
// fails.
TEST(TracedLoopsTest, AFailedTraceIsReportedAndTheRunGoesOn) {
  const std::filesystem::path dir = results::freshDirectory("traced_full");
  std::filesystem::create_symlink("/dev/full", dir / "full.txt");
  RunSettings settings = TraceSettings((dir / "full").string(), 4, 3);
  settings.SetASCIIFileName((dir / "a.txt").string());
  ProcessExitStatus::Clear();
  TracedRun run(settings, ThreeTicks(), {{0, 10}});
  const std::string errors = StderrOf([&] { run.Run(); });
  EXPECT_EQ(errors, "ERROR: The trace file '" + (dir / "full.txt").string() +
                        "' could not be written; the run goes on without it\n");
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
  const results::Observations observations = results::readAscii((dir / "a.txt").string());
  ASSERT_EQ(observations.size(), 1u);
  EXPECT_EQ(observations.begin()->second, std::vector<double>(3, 3.0));  // three ticks each
  std::filesystem::remove_all(dir);
}

}  // namespace
