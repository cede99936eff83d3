// The solver programs of models whose answers are known in closed form
// (tests/Solver/models): every value of the CSV file within 1e-9 relative of
// the closed form, and the rows in result-index order with their windows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Solver/SolverRuns.h"
#include "support/MachineShopAnswers.h"

namespace {

namespace fs = std::filesystem;
using solver_runs::Row;

constexpr double kRelative = 1e-9;

// The CSV rows of one run of `model` with `arguments`.
std::vector<Row> Solve(const std::string& model, const std::string& arguments) {
  const fs::path dir = results::freshDirectory("solve-" + model);
  const solver_runs::Run run = solver_runs::RunSolver(dir, model, arguments + " --csv out.csv");
  EXPECT_EQ(run.status, 0) << model << " " << arguments << "\n" << run.err;
  std::vector<Row> rows = solver_runs::ReadCsv(dir / "out.csv");
  fs::remove_all(dir);
  return rows;
}

void ExpectClose(double value, double exact, const std::string& what) {
  EXPECT_NEAR(value, exact, kRelative * std::max(std::fabs(exact), 1e-300)) << what;
}

double Factorial(int n) { return n <= 1 ? 1.0 : n * Factorial(n - 1); }

// Long-run probabilities of a birth-death chain with the given birth and
// death rates out of each state.
std::vector<double> BirthDeath(const std::vector<double>& births,
                               const std::vector<double>& deaths) {
  std::vector<double> p{1.0};
  for (std::size_t n = 0; n < births.size(); n++) p.push_back(p.back() * births[n] / deaths[n]);
  double sum = 0.0;
  for (double x : p) sum += x;
  for (double& x : p) x /= sum;
  return p;
}

TEST(SolverKnownAnswers, MM1KQueueLengthThroughputAndLosses) {
  const struct {
    int experiment;
    double arrival, service;
    int capacity;
    std::string override;
  } cases[] = {{0, 0.5, 1.0, 10, ""},
               {1, 2.0, 1.5, 25, ""},
               {2, 1.0, 1.0, 7, ""},  // r = 1: every length equally likely
               {0, 0.9, 1.0, 40, " -O d:arrivalRate:0.9:s:capacity:40"}};
  for (const auto& c : cases) {
    const std::vector<Row> rows = Solve("mm1k", "-e " + std::to_string(c.experiment) + c.override);
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<double> p = BirthDeath(std::vector<double>(c.capacity, c.arrival),
                                             std::vector<double>(c.capacity, c.service));
    double mean = 0.0;
    for (int n = 0; n <= c.capacity; n++) mean += n * p[n];
    const std::string what = "experiment " + std::to_string(c.experiment) + c.override;
    EXPECT_EQ(rows[0].variable, "inSystem");
    EXPECT_EQ(rows[0].experiment, std::to_string(c.experiment));
    EXPECT_EQ(rows[0].start + rows[0].stop, "");  // steady state: no window
    ExpectClose(rows[0].value, mean, what + " mean number");
    ExpectClose(rows[1].value, p[c.capacity], what + " full");
    // An impulse per service, over a batch of 1000: 1000 mu (1 - p0).
    ExpectClose(rows[2].value, 1000 * c.service * (1 - p[0]), what + " served per batch");
    // Losses per unit of time (PASTA): lambda pK.
    ExpectClose(rows[3].value, c.arrival * p[c.capacity], what + " lost");
  }
}

TEST(SolverKnownAnswers, ErlangLossSystemThroughARepOfServers) {
  const struct {
    int experiment;
    double arrival, service;
    int servers;
  } cases[] = {{0, 3.0, 1.0, 5}, {1, 10.0, 0.5, 12}};
  for (const auto& c : cases) {
    const std::vector<Row> rows = Solve("erlang", "-e " + std::to_string(c.experiment));
    ASSERT_EQ(rows.size(), 4u);
    const double a = c.arrival / c.service;
    double sum = 0.0;
    for (int k = 0; k <= c.servers; k++) sum += std::pow(a, k) / Factorial(k);
    const double erlangB = std::pow(a, c.servers) / Factorial(c.servers) / sum;
    const std::string what = "servers " + std::to_string(c.servers);
    ExpectClose(rows[0].value, erlangB, what + " all busy");
    ExpectClose(rows[1].value, a * (1 - erlangB), what + " busy servers");
    ExpectClose(rows[2].value, c.arrival * erlangB, what + " loss rate");
    // Every accepted call is taken by one server, at an instant.
    ExpectClose(rows[3].value, 1000 * c.arrival * (1 - erlangB), what + " taken");
  }
}

TEST(SolverKnownAnswers, MachineRepairman) {
  const struct {
    int experiment;
    double failure, repair;
    int machines;
  } cases[] = {{0, 0.1, 1.0, 5}, {1, 0.5, 2.0, 8}};
  for (const auto& c : cases) {
    const std::vector<Row> rows = Solve("repairman", "-e " + std::to_string(c.experiment));
    ASSERT_EQ(rows.size(), 3u);
    std::vector<double> births, deaths;
    for (int n = 0; n < c.machines; n++) {
      births.push_back((c.machines - n) * c.failure);
      deaths.push_back(c.repair);
    }
    const std::vector<double> p = BirthDeath(births, deaths);
    double failed = 0.0;
    for (int n = 0; n <= c.machines; n++) failed += n * p[n];
    const std::string what = "machines " + std::to_string(c.machines);
    ExpectClose(rows[0].value, c.machines - failed, what + " working");
    ExpectClose(rows[1].value, 1 - p[0], what + " repairman busy");
    ExpectClose(rows[2].value, c.repair * (1 - p[0]), what + " repairs");
  }
}

// Availability of one component, up at time 0, and its integral.
struct Component {
  double failure, repair;
  double A(double t) const {
    const double c = failure + repair;
    return repair / c + failure / c * std::exp(-c * t);
  }
  double Uptime(double s, double t) const {
    const double c = failure + repair;
    return repair / c * (t - s) + failure / (c * c) * (std::exp(-c * s) - std::exp(-c * t));
  }
};

TEST(SolverKnownAnswers, TwoOutOfThreeSystemOverTime) {
  const Component component{0.2, 1.5};
  const double c = component.failure + component.repair;
  const double a = component.repair / c, b = component.failure / c;
  // 3 A^2 - 2 A^3 with A = a + b e^-ct, integrated term by term.
  auto up = [&](double t) {
    return 3 * std::pow(component.A(t), 2) - 2 * std::pow(component.A(t), 3);
  };
  auto uptime = [&](double s, double t) {
    auto e = [&](int k, double x) { return k == 0 ? x : -std::exp(-k * c * x) / (k * c); };
    auto primitive = [&](double x) {
      return 3 * (a * a * e(0, x) + 2 * a * b * e(1, x) + b * b * e(2, x)) -
             2 * (a * a * a * e(0, x) + 3 * a * a * b * e(1, x) + 3 * a * b * b * e(2, x) +
                  b * b * b * e(3, x));
    };
    return primitive(t) - primitive(s);
  };
  const std::vector<Row> rows = Solve("twoofthree", "");
  ASSERT_EQ(rows.size(), 11u);
  const double times[] = {0, 0.5, 1, 2, 10};
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(rows[k].variable, "systemUp");
    EXPECT_EQ(std::stod(rows[k].start), times[k]);
    EXPECT_EQ(rows[k].start, rows[k].stop);  // an instant
    ExpectClose(rows[k].value, up(times[k]), "up at " + rows[k].start);
  }
  ExpectClose(rows[5].value, uptime(0, 1), "uptime [0, 1]");
  ExpectClose(rows[6].value, uptime(0.5, 3), "uptime [0.5, 3]");
  EXPECT_EQ(rows[6].start + "," + rows[6].stop, "0.5,3");
  ExpectClose(rows[7].value, uptime(0, 10), "uptime [0, 10]");
  ExpectClose(rows[8].value, uptime(0, 1), "availability [0, 1]");
  ExpectClose(rows[9].value, uptime(2, 5) / 3, "availability [2, 5]");
  // A rate reward of every copy of a rep is summed over the copies.
  ExpectClose(rows[10].value, 3 * component.A(1), "components up at 1");
}

TEST(SolverKnownAnswers, AccumulatedUptimeFailuresAndLongRun) {
  const Component component{0.7, 2.5};
  const std::vector<Row> rows = Solve("uptime", "");
  ASSERT_EQ(rows.size(), 14u);
  const double l = component.failure;
  const double expected[] = {component.A(0.3),
                             component.A(2),
                             component.Uptime(0, 1),
                             component.Uptime(0, 4),
                             component.Uptime(1.5, 2.5),
                             0.0,  // [3, 3]: no time, no reward
                             component.Uptime(0, 4) / 4,
                             component.Uptime(1, 3) / 2,
                             l * component.Uptime(0, 4),  // a failure per unit of uptime
                             l * component.Uptime(1, 3),
                             l * component.Uptime(0, 4) / 4,
                             l * component.Uptime(1, 3) / 2,  // a window inside the run
                             component.repair / (l + component.repair),
                             10 * l * component.repair / (l + component.repair)};
  for (std::size_t k = 0; k < rows.size(); k++)
    ExpectClose(rows[k].value, expected[k],
                rows[k].variable + " " + rows[k].start + "-" + rows[k].stop);
}

TEST(SolverKnownAnswers, InstantaneousChoiceTwoBottomComponentsAndARetryLoop) {
  const std::vector<Row> rows = Solve("branches", "");
  ASSERT_EQ(rows.size(), 9u);
  const double left = 1.0 / 4, right = 3.0 / 4, settle = 2.0, alpha = 0.5, beta = 1.5, retry = 0.25;
  EXPECT_NEAR(rows[0].value, 0.0, 1e-15) << "done at 0";
  ExpectClose(rows[1].value, left * (1 - std::exp(-settle * 1)), "done at 1");
  ExpectClose(rows[2].value, left * (1 - std::exp(-settle * 3)), "done at 3");
  // The choice fires once, at time 0: counted in the windows that hold 0.
  ExpectClose(rows[3].value, 1.0, "choices [0, 1]");
  EXPECT_NEAR(rows[4].value, 0.0, 1e-15) << "choices [1, 2]";
  ExpectClose(rows[5].value, 1.0, "choices [0, 0]");
  ExpectClose(rows[6].value, left, "long-run done");
  ExpectClose(rows[7].value, right * beta / (alpha + beta), "long-run a");
  // Leaving b happens at rate beta in b, and takes 1/retry firings.
  ExpectClose(rows[8].value, right * alpha / (alpha + beta) * beta / retry, "retries");
}

TEST(SolverKnownAnswers, PreselectWithFixedWeightsActsAsPostselect) {
  const std::vector<Row> rows = Solve("refusals", "-e 0");
  ASSERT_EQ(rows.size(), 2u);
  ExpectClose(rows[0].value, 0.5 + 0.5 * std::exp(-2 * 0.5), "p at 0.5");
  // pick fires at rate 1 all the time, its first case half of the time.
  ExpectClose(rows[1].value, 0.5 * 2, "first-case picks in [0, 2]");
}

// Aggregates over the copies of a rep (Models/machines.yaml): all, any,
// count, at least k, min and max of n independent machines, at two times
// and over a window, for two sizes of the shop.
TEST(SolverKnownAnswers, AggregatesOverTheCopiesOfARep) {
  for (const auto& [override, shop] :
       {std::pair<std::string, machine_shop::Shop>{"", {1.0, 2.0, 4, 3}},
        {" -O s:machines:6:s:needUp:2:d:failureRate:0.3", {0.3, 2.0, 6, 2}}}) {
    const std::vector<Row> rows = Solve("machines", "-e 0" + override);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(machine_shop::kIndices)) << override;
    for (int i = 0; i < machine_shop::kIndices; i++)
      ExpectClose(rows[i].value, machine_shop::Exact(shop, i),
                  rows[i].variable + " at " + rows[i].start + override);
  }
}

}  // namespace
