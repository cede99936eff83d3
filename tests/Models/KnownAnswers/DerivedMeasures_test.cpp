// Derived measures of Models/queue-ratios.yaml (an M/M/1/K queue, service
// rate 1) against their closed forms: the drop fraction P(K) = ρ^K (1 − ρ)
// / (1 − ρ^(K+1)) (arrivals see the time averages), and the mean response
// time by Little's law, E[N] / (λ (1 − P(K))), which for a capacity far
// above the queue's reach is the M/M/1's 1 / (1 − λ). The exact solver
// gives them to 1e-9; the study tool's 99% delta-method interval at a fixed
// seed covers them and is narrow.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "Solver/SolverRuns.h"
#include "support/ResultReaders.h"

namespace {

namespace fs = std::filesystem;

struct QueueCase {
  int experiment;
  double lambda;
  int capacity;
};
// The study's experiments (Models/queue-ratios.yaml).
constexpr QueueCase kCases[] = {{0, 0.5, 5}, {1, 0.8, 5}, {2, 0.5, 60}};

double DropFraction(double rho, int k) {
  return std::pow(rho, k) * (1 - rho) / (1 - std::pow(rho, k + 1));
}

double ResponseTime(double rho, int k) {
  const double inSystem =
      rho / (1 - rho) - (k + 1) * std::pow(rho, k + 1) / (1 - std::pow(rho, k + 1));
  return inSystem / (rho * (1 - DropFraction(rho, k)));
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DerivedMeasures, SolverGivesTheClosedForms) {
  const fs::path dir = results::freshDirectory("derived-solve");
  for (const QueueCase& c : kCases) {
    const solver_runs::Run run = solver_runs::RunSolver(
        dir, "queue-ratios", "-q -e " + std::to_string(c.experiment) + " --csv exact.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, double> value;
    for (const solver_runs::Row& row : solver_runs::ReadCsv(dir / "exact.csv"))
      value[row.variable] = row.value;
    ASSERT_EQ(value.size(), 6u);
    EXPECT_NEAR(value["dropFraction"], DropFraction(c.lambda, c.capacity), 1e-9);
    EXPECT_NEAR(value["responseTime"], ResponseTime(c.lambda, c.capacity), 1e-9);
    if (c.capacity == 60) {
      EXPECT_NEAR(value["responseTime"], 1 / (1 - c.lambda), 1e-9);
    }
  }
  fs::remove_all(dir);
}

TEST(DerivedMeasures, StudyIntervalsCoverTheClosedForms) {
  const fs::path dir = results::freshDirectory("derived-study");
  // Status 2: the third experiment sees no drop, so `drops` (and its
  // ratio) has no interval and runs to --max-reps.
  const int status =
      RunCommand("cd '" + dir.string() +
                 "' && '" STUDY_TOOL "' --simulator '" QUEUE_RATIOS_SIM
                 "' -s 20261207 -j 1 --confidence 0.99 --precision 0.03 --min-reps 100 "
                 "--max-reps 400 -q -o out >stdout.txt 2>stderr.txt");
  ASSERT_EQ(status, 2) << results::readFile((dir / "stderr.txt").string());
  const nlohmann::json study =
      nlohmann::json::parse(results::readFile((dir / "out" / "study.json").string()));
  const nlohmann::json& measures = study.at("measures");
  ASSERT_EQ(measures.size(), 6u);
  for (const QueueCase& c : kCases) {
    const nlohmann::json& windows = study.at("experiments").at(c.experiment).at("windows");
    for (std::size_t m = 0; m < measures.size(); m++) {
      const std::string name = measures[m].at("rewardVariable");
      if (!measures[m].contains("ratio")) continue;
      const nlohmann::json& w = windows.at(m);
      const double mean = w.at("mean");
      if (name == "dropFraction" && c.capacity == 60) {
        // P(K) is about 1e-19: no drop is seen, and no interval is given.
        EXPECT_EQ(w.at("interval"), "none");
        EXPECT_EQ(mean, 0.0);
        continue;
      }
      const double exact = name == "dropFraction" ? DropFraction(c.lambda, c.capacity)
                                                  : ResponseTime(c.lambda, c.capacity);
      ASSERT_EQ(w.at("interval"), "delta") << name;
      const double half = w.at("halfWidth");
      EXPECT_LE(w.at("lower").get<double>(), exact) << name << " lambda " << c.lambda;
      EXPECT_GE(w.at("upper").get<double>(), exact) << name << " lambda " << c.lambda;
      EXPECT_LT(half, 0.1 * exact) << name << " lambda " << c.lambda;
      EXPECT_NEAR(mean, exact, half);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
