// What the solver refuses, each with a message on standard error, status 1
// and no value: a timed activity that is not exponential (the railway), a
// state space beyond --max-states, instantaneous firings that never end, a
// rate that reads the time, a marking beyond its type, a preselect choice
// that the marking changes, and the simulator's invalid -e and -O. A CSV
// file that was there stays as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Solver/SolverRuns.h"

namespace {

namespace fs = std::filesystem;

const char kOldCsv[] = "an earlier file\n";

// Runs the solver in a fresh folder with an existing out.csv; the run must
// fail with a message holding every text in `expected`.
void ExpectRefused(const std::string& model, const std::string& arguments,
                   const std::vector<std::string>& expected) {
  const fs::path dir = results::freshDirectory("refused-" + model);
  {
    std::ofstream old(dir / "out.csv");
    old << kOldCsv;
  }
  const solver_runs::Run run = solver_runs::RunSolver(dir, model, arguments + " --csv out.csv");
  const std::string what = model + " " + arguments + ": " + run.err;
  EXPECT_EQ(run.status, 1) << what;
  for (const std::string& text : expected)
    EXPECT_NE(run.err.find(text), std::string::npos) << "expected '" << text << "' in " << what;
  EXPECT_EQ(run.out.find("Value"), std::string::npos) << "no table: " << run.out;
  EXPECT_EQ(results::readFile((dir / "out.csv").string()), kOldCsv) << what;
  fs::remove_all(dir);
}

TEST(SolverRefusals, TheRailwayHasDeterministicDelays) {
  ExpectRefused("movingblock", "",
                {"ERROR: ", "activity trainArrival", "model train",
                 "(movingblock.yaml:", "deterministic", "exponential"});
}

TEST(SolverRefusals, AStateSpaceBeyondMaxStatesSaysHowFarItGot) {
  // The M/M/1 queue is unbounded: markings 0, 1, 2, ... without end.
  ExpectRefused("mm1", "--max-states 500",
                {"more than --max-states 500", "501 reached", "raise --max-states"});
}

TEST(SolverRefusals, ModelsThatAreNoMarkovChain) {
  ExpectRefused("refusals", "-e 1", {"ping", "pong", "forever"});
  ExpectRefused("refusals", "-e 2", {"activity tick", "time (now)"});
  // The model's own check ends the run, and the solver says when.
  ExpectRefused("refusals", "-e 3", {"place count would hold more than 32767", "explored"});
  ExpectRefused("refusals", "-e 4", {"activity pick", "preselect", "change with the marking"});
  ExpectRefused("refusals", "-e 5", {"the firing of roll draws a random number"});
}

TEST(SolverRefusals, ExperimentsAndOverridesAreCheckedAsBySimulator) {
  ExpectRefused("mm1k", "-e 3", {"-e 3", "3 experiments"});
  ExpectRefused("mm1k", "-e x", {"-e x"});
  ExpectRefused("mm1k", "-O d:arrivalRate:-1", {"arrivalRate must lie in (0, inf)"});
  ExpectRefused("mm1k", "-O s:capacity:0.5", {"is not a short"});
  ExpectRefused("mm1k", "-O d:nothing:1", {"nothing does not exist"});
  ExpectRefused("mm1k", "--max-states 0", {"max-states"});
}

}  // namespace
