// Misbehaving simulators and interruption: every fault is named, the other
// experiments carry on, every result is written, no simulator is left.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyOptions.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
std::vector<std::string> Args(const std::filesystem::path& dir, std::vector<std::string> more) {
  std::vector<std::string> args{"--simulator", FAKE_SIMULATOR, "--out",
                                dir.string(),  "--jobs",       "2"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}
}  // namespace

TEST(StudyToolFaults, CrashEarlyExitAndGarbageAreNamed) {
  const auto dir = results::freshDirectory("faults");
  const ToolRun run = RunProgram(
      STUDY_TOOL,
      Args(dir, {"--min-reps", "100", "--max-reps", "100", "-n", "10", "--abs-precision", "1"}),
      "1:crash,2:exit,3:garbage");
  EXPECT_EQ(run.exitStatus, 1);
  for (const char* text :
       {"Experiment 2 (-e 1 -s", "was killed by signal 6", "after 20 whole replications",
        "| fake simulator: assertion \"size > 0\" failed", "Experiment 3 (-e 2",
        "exited with status 3", "| fake simulator: giving up early", "Experiment 4 (-e 3",
        "malformed message", "section kind 7"})
    EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 4u * 13);
  EXPECT_EQ(rows[0].at("status"), "converged");
  EXPECT_EQ(rows[0].at("replications"), "100");
  EXPECT_EQ(rows[13].at("status"), "failed");
  EXPECT_EQ(rows[13].at("replications"), "20");  // what it sent before crashing is kept
  EXPECT_NE(rows[13].at("failure").find("signal 6"), std::string::npos);
  EXPECT_EQ(rows[39].at("replications"), "10");
  EXPECT_EQ(LiveTaggedSimulators(), 0);
}

// A failing stream is left out from its failure on; the experiment goes
// on with its other streams, counting what the failed one delivered.
TEST(StudyToolFaults, AFailedStreamLeavesTheOthersRunning) {
  const auto dir = results::freshDirectory("stream-fault");
  const std::uint32_t second = StreamSeed(31415, 0, "", 1, 0);
  const ToolRun run =
      RunProgram(STUDY_TOOL,
                 Args(dir, {"-e", "0", "--streams", "2", "--min-reps", "100", "--max-reps", "100",
                            "-n", "10", "--abs-precision", "1"}),
                 "s" + std::to_string(second) + ":crash");
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("Experiment 1 stream 1 (-e 0 -s " + std::to_string(second) +
                         "): the simulator was killed"),
            std::string::npos)
      << run.err;
  // The table says so too, beside the estimate of both streams' replications.
  EXPECT_NE(run.out.find("Experiment 1       100  converged! "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("! Experiment 1: 1 of 2 streams failed (see the messages above); its "
                         "estimate counts what every stream delivered up to the stop or its "
                         "failure (80 20 replications, stream 0 first)."),
            std::string::npos)
      << run.out;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0].at("status"), "converged");
  EXPECT_EQ(rows[0].at("replications"), "100");
  EXPECT_EQ(rows[0].at("stream_replications"), "80 20");  // the crash came after its second report
  EXPECT_EQ(rows[0].at("failure").rfind("stream 1: was killed by signal 6", 0), 0u)
      << rows[0].at("failure");
  EXPECT_EQ(LiveTaggedSimulators(), 0);
}

// A run that ends by itself in an absorbing state says so on its standard
// output only; the failure names that cause, not just the exit.
TEST(StudyToolFaults, AnAbsorbingStateIsNamedAsTheCause) {
  const auto dir = results::freshDirectory("absorbing");
  const ToolRun run = RunProgram(STUDY_TOOL,
                                 Args(dir, {"-e", "1", "--streams", "1", "--min-reps", "100",
                                            "--max-reps", "100", "-n", "10"}),
                                 "1:absorbing");
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_NE(run.err.find("Experiment 2 (-e 1 -s " + std::to_string(SimulatorSeed(31415, 1)) +
                         "): the simulator reached an absorbing state (no activity can fire) and "
                         "exited with status 0 after 30 whole replications"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("its standard output says:\n    | Simulator encountered an absorbing "
                         "state and is unable to proceed."),
            std::string::npos)
      << run.err;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0].at("status"), "failed");
  EXPECT_EQ(rows[0].at("replications"), "30");
  EXPECT_NE(rows[0].at("failure").find("reached an absorbing state"), std::string::npos);
}

// A healthy simulator may hold its reports back for longer than the
// silence limit; it answers pings meanwhile, and is not taken for hung.
// One that never reports a measure of the description is, at once, rather
// than sending on without end.
TEST(StudyToolFaults, HeldBackReportsAreNoStallButAMissingMeasureIsAFault) {
  const auto dir = results::freshDirectory("holdback");
  const ToolRun held =
      RunProgram(STUDY_TOOL,
                 Args(dir, {"-e", "0", "--streams", "1", "--stall-timeout", "1", "--min-reps",
                            "100", "--max-reps", "125", "-n", "5", "--abs-precision", "1"}),
                 "0:holdback");
  EXPECT_EQ(held.exitStatus, 0) << held.err;  // 125 replications of 20 ms came in one burst
  EXPECT_EQ(held.err.find("sent nothing"), std::string::npos) << held.err;

  const ToolRun fewer = RunProgram(
      STUDY_TOOL,
      Args(dir, {"-e", "0", "--streams", "1", "--min-reps", "10", "-n", "5", "--overwrite"}),
      "0:fewer");
  EXPECT_EQ(fewer.exitStatus, 1);
  EXPECT_NE(fewer.err.find("sent no observations of PV 12 in 1 reports, while its study "
                           "description has 13 measures"),
            std::string::npos)
      << fewer.err;
  EXPECT_EQ(LiveTaggedSimulators(), 0);
}

TEST(StudyToolFaults, SilentAndStubbornSimulatorsAreStopped) {
  const auto dir = results::freshDirectory("hangs");
  const ToolRun run = RunProgram(
      STUDY_TOOL,
      Args(dir, {"--experiments", "0,1", "--stall-timeout", "1", "--min-reps", "5", "-n", "5"}),
      "0:silent,1:stubborn");
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("Experiment 1 (-e 0"), std::string::npos);
  EXPECT_NE(run.err.find("did not announce its port within 1 s"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("| fake simulator: keeping its port to itself"), std::string::npos);
  EXPECT_NE(run.err.find("did not exit within 5 s of the quit command"), std::string::npos)
      << run.err;
  EXPECT_EQ(LiveTaggedSimulators(), 0);  // the stubborn one ignored SIGTERM too
}

TEST(StudyToolFaults, InterruptionWritesIncompleteResults) {
  const auto dir = results::freshDirectory("interrupt");
  const ToolRun run =
      RunProgram(STUDY_TOOL, Args(dir, {"--min-reps", "100000", "--max-reps", "100000", "-n", "5"}),
                 "1:stubborn,*:slow", 1.0);
  EXPECT_EQ(run.exitStatus, 128 + SIGTERM) << run.err;
  EXPECT_EQ(LiveTaggedSimulators(), 0);
  EXPECT_NE(run.out.find("these results are incomplete"), std::string::npos) << run.out;
  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  EXPECT_FALSE(json["complete"]);
  EXPECT_TRUE(json["interrupted"]);
  ASSERT_EQ(json["experiments"].size(), 4u);
  EXPECT_EQ(json["experiments"][0]["status"], "incomplete");
  EXPECT_GT(json["experiments"][0]["replications"], 0);
  EXPECT_EQ(json["experiments"][3]["status"], "not-run");
  EXPECT_EQ(ReadCsv(dir / "study.csv").size(), 4u * 13);
}

// A simulator started through a wrapper script is the script's child, in
// the script's process group: it goes when the script is stopped, and when
// the study itself is killed outright.
TEST(StudyToolFaults, WrappedSimulatorsDoNotOutliveTheStudy) {
  const auto dir = results::freshDirectory("wrapped");
  const auto wrapper = dir / "wrapped-sim.sh";
  std::ofstream(wrapper) << "#!/bin/sh\n\"" << FAKE_SIMULATOR << "\" \"$@\"\nexit $?\n";
  std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
  for (int signal : {SIGTERM, SIGKILL}) {
    const ToolRun run =
        RunProgram(STUDY_TOOL,
                   {"--simulator", wrapper.string(), "--description", FAKE_DESCRIPTION, "--out",
                    (dir / "out").string(), "--jobs", "2", "--experiments", "0,1"},
                   "*:deaf", 0.5, signal);
    EXPECT_EQ(run.exitStatus, 128 + signal) << run.err;
    EXPECT_TRUE(TaggedSimulatorsGone(3.0)) << "signal " << signal;
  }
}
