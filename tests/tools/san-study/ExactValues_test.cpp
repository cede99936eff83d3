// san-study --exact and --solve-only with the real generated simulators and
// solvers of two models whose answers are known in closed form: an M/M/1/K
// queue and an Erlang loss system (a join of a source with a rep of
// servers). The railway, whose trains run on deterministic delays, is
// refused before anything is simulated.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
const std::string bin = MB_BINARY_DIR;

void ExpectRelative(const std::string& text, double expected, const std::string& what) {
  ASSERT_FALSE(text.empty()) << what;
  EXPECT_NEAR(std::stod(text), expected, 1e-9 * std::fabs(expected) + 1e-15) << what;
}

// M/M/1/K with r = lambda / mu: p_n = (1 - r) r^n / (1 - r^(K+1)), or
// 1 / (K + 1) each at r = 1. The mean number held, the probability of a
// full system, the services per batch of 1000 and the losses per unit of
// time.
std::vector<double> QueueAnswers(double lambda, double mu, int capacity) {
  const double r = lambda / mu;
  std::vector<double> p(capacity + 1);
  double total = 0.0;
  for (int n = 0; n <= capacity; n++) total += p[n] = std::pow(r, n);
  double mean = 0.0;
  for (int n = 0; n <= capacity; n++) mean += n * (p[n] /= total);
  return {mean, p[capacity], 1000.0 * mu * (1.0 - p[0]), lambda * p[capacity]};
}

// Erlang's B formula with A = lambda / mu offered and c servers: the
// probability that all are busy, the busy servers, the losses per unit of
// time and the calls taken per batch of 1000.
std::vector<double> ErlangAnswers(double lambda, double mu, int servers) {
  const double a = lambda / mu;
  double b = 1.0;
  for (int k = 1; k <= servers; k++) b = a * b / (k + a * b);
  return {b, a * (1.0 - b), lambda * b, 1000.0 * lambda * (1.0 - b)};
}
}  // namespace

TEST(ExactValues, BesideTheEstimatesOfASweepWithAnOverride) {
  const auto dir = results::freshDirectory("exact-mm1k");
  const ToolRun run =
      RunProgram(bin + "/san-study",
                 {"--simulator", bin + "/mm1k-sim", "--exact", "-e", "2", "-O", "s:capacity:5",
                  "--sweep", "d:arrivalRate=0.5,1.5", "--confidence", "0.99", "--precision", "0.05",
                  "-s", "7", "-j", "2", "-o", dir.string()});
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 2) << run.err << run.out;
  EXPECT_NE(run.out.find("exact"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("outside the interval"), std::string::npos) << run.out;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 8u);
  for (std::size_t i = 0; i < rows.size(); i++) {
    const double lambda = i < 4 ? 0.5 : 1.5;
    ExpectRelative(rows[i].at("exact"), QueueAnswers(lambda, 1.0, 5)[i % 4],
                   "row " + std::to_string(i));
    EXPECT_EQ(rows[i].at("exact_inside"), "yes") << "row " << i;
  }
  std::ifstream in(dir / "study.json");
  const nlohmann::json json = nlohmann::json::parse(in);
  EXPECT_FALSE(json.at("settings").contains("solveOnly"));
  const nlohmann::json& window = json.at("experiments").at(1).at("windows").at(3);
  EXPECT_NEAR(window.at("exact").get<double>(), QueueAnswers(1.5, 1.0, 5)[3], 1e-12);
  EXPECT_TRUE(window.at("exactInside").get<bool>());

  // Without --exact the files have no such columns at all.
  const auto plain = results::freshDirectory("exact-mm1k-plain");
  const ToolRun without =
      RunProgram(bin + "/san-study", {"--simulator", bin + "/mm1k-sim", "-e", "2", "--max-reps",
                                      "20", "--min-reps", "10", "-o", plain.string()});
  ASSERT_NE(without.exitStatus, 1) << without.err;
  EXPECT_EQ(ReadCsv(plain / "study.csv").at(0).count("exact"), 0u);
  EXPECT_EQ(without.out.find("exact"), std::string::npos) << without.out;
}

TEST(ExactValues, SolveOnlySimulatesNothingAndKeepsApartFromSimulatedResults) {
  const auto dir = results::freshDirectory("exact-erlang");
  const ToolRun run =
      RunProgram(bin + "/san-study", {"--simulator", bin + "/erlang-sim", "--solve-only", "-e", "1",
                                      "--sweep", "s:servers=1,4,12", "-o", dir.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out.find("reps"), std::string::npos) << run.out;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 12u);
  const int servers[] = {1, 4, 12};
  for (std::size_t i = 0; i < rows.size(); i++) {
    ExpectRelative(rows[i].at("exact"), ErlangAnswers(10.0, 0.5, servers[i / 4])[i % 4],
                   "row " + std::to_string(i));
    EXPECT_EQ(rows[i].at("status"), "solved");
    EXPECT_EQ(rows[i].at("replications"), "0");
    EXPECT_EQ(rows[i].at("mean"), "");
    EXPECT_EQ(rows[i].at("exact_inside"), "");
  }
  // The plot draws the exact values: one line per measure, four points each.
  std::ifstream gp(dir / "study.gp");
  const std::string script((std::istreambuf_iterator<char>(gp)), {});
  EXPECT_NE(script.find("using 1:7 with linespoints"), std::string::npos) << script;
  EXPECT_EQ(script.find("yerrorlines"), std::string::npos) << script;

  // A simulated study does not resume solve-only results, nor merge with them.
  const ToolRun resumed =
      RunProgram(bin + "/san-study", {"--simulator", bin + "/erlang-sim", "-e", "1", "--sweep",
                                      "s:servers=1,4,12", "--resume", "-o", dir.string()});
  EXPECT_EQ(resumed.exitStatus, 1);
  EXPECT_NE(resumed.err.find("other settings (solveOnly)"), std::string::npos) << resumed.err;
  const auto simulated = results::freshDirectory("exact-erlang-simulated");
  ASSERT_NE(RunProgram(bin + "/san-study", {"--simulator", bin + "/erlang-sim", "-e", "1",
                                            "--sweep", "s:servers=1,4,12", "--min-reps", "5",
                                            "--max-reps", "10", "-o", simulated.string()})
                .exitStatus,
            1);
  const ToolRun merged =
      RunProgram(bin + "/san-study", {"merge", results::freshDirectory("exact-merged").string(),
                                      dir.string(), simulated.string()});
  EXPECT_EQ(merged.exitStatus, 1);
  EXPECT_NE(merged.err.find("other settings"), std::string::npos) << merged.err;
  EXPECT_NE(merged.err.find("solveOnly"), std::string::npos) << merged.err;
}

TEST(ExactValues, ANonMarkovianModelIsRefusedBeforeAnySimulation) {
  for (const char* mode : {"--exact", "--solve-only"}) {
    const auto dir = results::freshDirectory(std::string("exact-refused") + mode);
    const ToolRun run = RunProgram(
        bin + "/san-study", {"--simulator", bin + "/movingblock-sim", mode, "-o", dir.string()});
    EXPECT_EQ(run.exitStatus, 1) << mode;
    EXPECT_NE(run.err.find("movingblock-solve exited with status 1 on Experiment 1:\nERROR: "
                           "activity trainArrival of model train"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("has a deterministic delay"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "study.json")) << mode;
  }
  const ToolRun missing =
      RunProgram(bin + "/san-study",
                 {"--simulator", bin + "/mm1k-sim", "--exact", "--solver", bin + "/no-such-solve"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find("cannot run the solver"), std::string::npos) << missing.err;
}
