// Simulators generated from model files whose answers are known in closed
// form, run at a fixed seed: the exact value lies inside the 99% confidence
// interval of the estimate, and the interval is narrow enough for that to
// mean something.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/MachineShopAnswers.h"
#include "support/ResultReaders.h"

namespace {

namespace fs = std::filesystem;

constexpr double kConfidence = 0.99;

struct Interval {
  double mean = 0.0;
  double halfWidth = 0.0;
};

// Student-t interval of the mean of independent observations.
Interval MeanInterval(const std::vector<double>& values) {
  const double n = static_cast<double>(values.size());
  double sum = 0.0;
  for (double v : values) sum += v;
  const double mean = sum / n;
  double squares = 0.0;
  for (double v : values) squares += (v - mean) * (v - mean);
  const boost::math::students_t t(n - 1);
  const double quantile = boost::math::quantile(t, 0.5 + kConfidence / 2);
  return {mean, quantile * std::sqrt(squares / (n - 1) / n)};
}

// Runs `simulator` with `options` in `dir`, its ASCII results in a.txt.
results::Observations RunSimulator(const fs::path& dir, const std::string& simulator,
                                   const std::string& options) {
  fs::remove(dir / "a.txt");
  const std::string command = "cd '" + dir.string() + "' && '" + simulator + "' " + options +
                              " -a a.txt >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << command << "\n"
      << results::readFile((dir / "stderr.txt").string());
  return results::readAscii((dir / "a.txt").string());
}

// M/M/1 with service rate 1: the steady-state mean number in system is
// rho / (1 - rho). 200 batch means of the time-averaged number in system.
TEST(KnownAnswers, MM1MeanNumberInSystemByBatchMeans) {
  const fs::path dir = results::freshDirectory("known-mm1");
  const struct {
    int experiment;
    double rho;
  } cases[] = {{0, 0.5}, {1, 0.8}};
  for (const auto& c : cases) {
    const results::Observations values =
        RunSimulator(dir, MM1_SIM, "-t 0 -N 200 -s 20261206 -e " + std::to_string(c.experiment));
    ASSERT_EQ(values.count(0), 1u) << c.rho;
    ASSERT_GE(values.at(0).size(), 200u);
    const std::vector<double> batches(values.at(0).begin(), values.at(0).begin() + 200);
    const double exact = c.rho / (1 - c.rho);
    const Interval estimate = MeanInterval(batches);
    EXPECT_NEAR(estimate.mean, exact, estimate.halfWidth) << "rho " << c.rho;
    EXPECT_LT(estimate.halfWidth, 0.05 * exact) << "rho " << c.rho;
  }
  fs::remove_all(dir);
}

// A component that fails at rate lambda = 1 and is repaired at rate mu = 4,
// up at time 0: A(t) = mu/(lambda+mu) + lambda/(lambda+mu) e^{-(lambda+mu)t}.
TEST(KnownAnswers, RepairableComponentAvailabilityAtInstantsOfTime) {
  const fs::path dir = results::freshDirectory("known-repairable");
  const results::Observations values =
      RunSimulator(dir, REPAIRABLE_SIM, "-N 40000 -s 20261206 -e 0");
  const double lambda = 1.0, mu = 4.0;
  const double times[] = {0.1, 0.25, 0.5, 1, 2, 5};
  for (int i = 0; i < 6; i++) {
    ASSERT_EQ(values.count(i), 1u) << i;
    ASSERT_EQ(values.at(i).size(), 40000u);
    const double exact =
        mu / (lambda + mu) + lambda / (lambda + mu) * std::exp(-(lambda + mu) * times[i]);
    const Interval estimate = MeanInterval(values.at(i));
    EXPECT_NEAR(estimate.mean, exact, estimate.halfWidth) << "t = " << times[i];
    EXPECT_LT(estimate.halfWidth, 0.01) << "t = " << times[i];
  }
  fs::remove_all(dir);
}

// A Poisson stream of rate 2 with an impulse of 1 per arrival: over a
// window of length L the count is Poisson with mean 2 L, and the count per
// unit of time has mean 2. Windows [0, 10] and [0, 50] close before the
// replication (up to 100) does, [20, 100] with it.
TEST(KnownAnswers, PoissonCountsAndRatesOverTerminatingWindows) {
  const fs::path dir = results::freshDirectory("known-poisson");
  const results::Observations values = RunSimulator(dir, POISSON_SIM, "-N 4000 -s 20261206 -e 0");
  const double rate = 2.0;
  const double windows[3][2] = {{0, 10}, {0, 50}, {20, 100}};
  for (int w = 0; w < 3; w++) {
    const double length = windows[w][1] - windows[w][0];
    const struct {
      int index;
      double exact;
    } measures[] = {{w, rate * length}, {3 + w, rate}};  // count, then time-averaged
    for (const auto& m : measures) {
      ASSERT_EQ(values.count(m.index), 1u) << m.index;
      ASSERT_EQ(values.at(m.index).size(), 4000u);
      const Interval estimate = MeanInterval(values.at(m.index));
      EXPECT_NEAR(estimate.mean, m.exact, estimate.halfWidth) << "index " << m.index;
      EXPECT_LT(estimate.halfWidth, 0.02 * m.exact) << "index " << m.index;
    }
  }
  fs::remove_all(dir);
}

// The M/M/1 queue in steady state: departures form a Poisson stream of the
// arrival rate rho (Burke), so the throughput and the arrival rate per unit
// of time are rho, and a batch of 100 sees 100 rho departures. 400 batch
// means of impulse rewards, time-averaged and interval-of-time.
TEST(KnownAnswers, MM1ThroughputByBatchMeansOfImpulses) {
  const fs::path dir = results::freshDirectory("known-throughput");
  const struct {
    int experiment;
    double rho;
  } cases[] = {{0, 0.5}, {1, 0.8}};
  for (const auto& c : cases) {
    const results::Observations values = RunSimulator(
        dir, THROUGHPUT_SIM, "-t 0 -N 400 -s 20261206 -e " + std::to_string(c.experiment));
    const double exact[] = {c.rho, 100 * c.rho, c.rho};  // throughput, departures, arrival rate
    for (int i = 0; i < 3; i++) {
      ASSERT_EQ(values.count(i), 1u) << i;
      ASSERT_GE(values.at(i).size(), 400u);
      const std::vector<double> batches(values.at(i).begin(), values.at(i).begin() + 400);
      const Interval estimate = MeanInterval(batches);
      EXPECT_NEAR(estimate.mean, exact[i], estimate.halfWidth) << "rho " << c.rho << " index " << i;
      EXPECT_LT(estimate.halfWidth, 0.05 * exact[i]) << "rho " << c.rho << " index " << i;
    }
  }
  fs::remove_all(dir);
}

// n independent repairable machines in a rep, measured by aggregates over
// the copies: all down, any down, the count up, at least k up, the least
// and greatest score, at two times, and the time all are down over [0, 2].
TEST(KnownAnswers, AggregatesOverTheCopiesOfARep) {
  const fs::path dir = results::freshDirectory("known-machines");
  const machine_shop::Shop shop{1.0, 2.0, 4, 3};
  const results::Observations values = RunSimulator(dir, MACHINES_SIM, "-N 40000 -s 20261207 -e 0");
  // Largest half-width per index: a probability, a count of 4, a score
  // between -1 and 3, a time within [0, 2].
  const double widest[] = {0.01, 0.01, 0.01, 0.01, 0.03, 0.03, 0.01,
                           0.01, 0.05, 0.05, 0.05, 0.05, 0.01};
  for (int i = 0; i < machine_shop::kIndices; i++) {
    ASSERT_EQ(values.count(i), 1u) << i;
    ASSERT_EQ(values.at(i).size(), 40000u);
    const Interval estimate = MeanInterval(values.at(i));
    EXPECT_NEAR(estimate.mean, machine_shop::Exact(shop, i), estimate.halfWidth) << "index " << i;
    EXPECT_LT(estimate.halfWidth, widest[i]) << "index " << i;
  }
  fs::remove_all(dir);
}

// Machines that share a repairer (models/sharedrepair.yaml): taking or
// freeing it changes a place every copy reads. Each aggregate, kept per copy
// and updated on the copies a firing changes, agrees in every replication
// with its twin computed from a sum over every copy.
TEST(KnownAnswers, AggregatesFollowAPlaceTheCopiesShare) {
  const fs::path dir = results::freshDirectory("known-sharedrepair");
  const int replications = 2000, machines = 5;
  const results::Observations values =
      RunSimulator(dir, SHAREDREPAIR_SIM, "-N 2000 -n 100 -s 20261207 -e 0");
  for (int i = 0; i <= 12; i++) ASSERT_EQ(values.at(i).size(), 2000u) << i;
  int waitingSeen = 0, twoWaitingSeen = 0, allUpSeen = 0;
  for (int r = 0; r < replications; r++) {
    for (int t = 0; t < 3; t++) EXPECT_EQ(values.at(t)[r], values.at(3 + t)[r]) << r;
    EXPECT_EQ(values.at(6)[r], values.at(7)[r]) << r;  // time waiting over [0, 3]
    EXPECT_EQ(values.at(8)[r], values.at(4)[r] >= 2 ? 1.0 : 0.0) << r;
    EXPECT_EQ(values.at(9)[r], values.at(10)[r]) << r;  // at most one machine in repair
    EXPECT_EQ(values.at(11)[r], values.at(12)[r] == machines ? 1.0 : 0.0) << r;
    waitingSeen += values.at(4)[r] > 0;
    twoWaitingSeen += values.at(8)[r] > 0;
    allUpSeen += values.at(11)[r] > 0;
  }
  // The replications reach the states that tell a kept count from a stale one.
  EXPECT_GT(waitingSeen, replications / 10);
  EXPECT_GT(twoWaitingSeen, replications / 20);
  EXPECT_GT(allUpSeen, replications / 50);
  fs::remove_all(dir);
}

}  // namespace
