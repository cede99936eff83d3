// The study description sangen writes, read back through the study tool's
// reader: the railway's (built by the project) and those of small model
// files for the layouts the railway does not use (time points, steady
// state, open ranges, bool and char variables).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "StudyDescriptionReader.h"
#include "support/ResultReaders.h"

namespace {

namespace fs = std::filesystem;

// Runs sangen on `modelText` (saved as <dir>/<name>.yaml) with the study
// description going to <dir>/<name>-study.json; returns its exit status and
// standard error.
std::pair<int, std::string> generate(const fs::path& dir, const std::string& name,
                                     const std::string& modelText) {
  std::ofstream(dir / (name + ".yaml")) << modelText;
  const std::string command = "cd '" + dir.string() + "' && '" SANGEN "' " + name +
                              ".yaml --out gen --study-json " + name +
                              "-study.json 2>stderr.txt >/dev/null";
  const int raw = std::system(command.c_str());
  return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          results::readFile((dir / "stderr.txt").string())};
}

int Index(const StudyDescription& d, const std::string& name) {
  const int index = d.VariableIndex(name);
  EXPECT_GE(index, 0) << name;
  return index;
}

TEST(SangenStudyDescription, RailwayReadsBackWithItsExperimentsVariablesAndRewards) {
  const StudyDescription d = ReadStudyDescription(RAILWAY_STUDY);
  EXPECT_EQ(d.model, "movingblock");
  EXPECT_FALSE(d.steadyState);

  ASSERT_EQ(d.variables.size(), 13u);
  const int loss = Index(d, "netNotDeliveryProb");
  const int trains = Index(d, "nTrains");
  const int delay = Index(d, "MAnetDelay");
  const int line = Index(d, "lineLength");
  EXPECT_EQ(d.variables[loss].type, VariableType::Double);
  EXPECT_EQ(d.variables[loss].range.Text(), (ValueBounds{0, 1, false, false}.Text()));
  EXPECT_EQ(d.variables[trains].type, VariableType::Short);
  EXPECT_EQ(d.variables[trains].range.max, 260);
  EXPECT_EQ(d.variables[line].type, VariableType::Int);
  EXPECT_EQ(d.variables[delay].range.min, 0.001);
  EXPECT_TRUE(std::isinf(d.variables[delay].range.max));

  // Eleven experiments; only the loss probability changes, 0.1 added to
  // 0.0 once per experiment in double arithmetic.
  ASSERT_EQ(d.experiments.size(), 11u);
  double p = 0.0;
  for (std::size_t e = 0; e < d.experiments.size(); e++) {
    const ExperimentDescription& experiment = d.experiments[e];
    EXPECT_EQ(experiment.name, "Experiment " + std::to_string(e + 1));
    EXPECT_EQ(experiment.values[loss], p) << e;
    EXPECT_EQ(experiment.values[trains], 30);
    EXPECT_EQ(experiment.values[line], 16000);
    EXPECT_EQ(experiment.values[delay], 0.2);
    p += 0.1;
  }

  // One reward variable observed in 13 windows [0, 100] ... [0, 700], each
  // observation between 0 and the number of trains.
  ASSERT_EQ(d.rewards.size(), 1u);
  EXPECT_EQ(d.rewards[0].name, "numberOfTrains");
  EXPECT_EQ(d.rewards[0].kind, "impulse");
  EXPECT_EQ(d.rewards[0].observation, "interval-of-time");
  EXPECT_FALSE(d.rewards[0].description.empty());
  ASSERT_EQ(d.measures.size(), 13u);
  for (std::size_t m = 0; m < d.measures.size(); m++) {
    const Measure& measure = d.measures[m];
    EXPECT_EQ(measure.rewardVariable, "numberOfTrains");
    EXPECT_EQ(measure.start, 0);
    EXPECT_EQ(measure.end, 100 + 50 * static_cast<double>(m));
    ASSERT_TRUE(measure.lowest && measure.highest);
    EXPECT_EQ(measure.lowest->Resolve(d.experiments[0].values), 0);
    EXPECT_EQ(measure.highest->Resolve(d.experiments[0].values), 30);
  }
  EXPECT_EQ(d.measures[0].label, "[0, 100]");
  EXPECT_EQ(d.measures[12].label, "[0, 700]");
}

const char* kStateModel =
    "globals:\n"
    "  - {name: rate, type: double, range: \"(0, 10)\"}\n"
    "  - {name: on, type: bool}\n"
    "  - {name: mark, type: char}\n"
    "models:\n"
    "  - name: m\n"
    "    places: [{name: p, initial: 1}]\n"
    "    activities:\n"
    "      - {name: flip, timing: {exponential: rate}, input_arcs: [p], output_arcs: [p]}\n"
    "rewards:\n"
    "  name: r\n"
    "  variables:\n";

TEST(SangenStudyDescription, TimePointsSteadyStateAndTypesReadBack) {
  const fs::path dir = results::freshDirectory("sangen-description");
  const std::string study = "study: {name: s, values: {rate: [0.5, 2.5], on: true, mark: 'x'}}\n";
  const auto instant = generate(dir, "instant",
                                std::string(kStateModel) +
                                    "    - {name: up, rate: {model: m, reads: [p], value: p}, "
                                    "measure: instant-of-time, times: [0.5, 2], "
                                    "bounds: {min: 0, max: 1}, description: marked}\n" +
                                    study);
  ASSERT_EQ(instant.first, 0) << instant.second;
  const StudyDescription a = ReadStudyDescription((dir / "instant-study.json").string());
  EXPECT_FALSE(a.steadyState);
  ASSERT_EQ(a.variables.size(), 3u);
  EXPECT_TRUE(a.variables[0].range.minOpen && a.variables[0].range.maxOpen);
  EXPECT_EQ(a.variables[0].range.max, 10);
  EXPECT_EQ(a.variables[1].type, VariableType::Bool);
  EXPECT_EQ(a.variables[2].type, VariableType::Char);
  ASSERT_EQ(a.experiments.size(), 2u);
  EXPECT_EQ(a.experiments[1].values, (std::vector<double>{2.5, 1, 'x'}));
  ASSERT_EQ(a.measures.size(), 2u);
  EXPECT_EQ(a.measures[0].label, "t = 0.5");
  EXPECT_EQ(a.measures[1].end, 2);
  EXPECT_EQ(a.measures[1].highest->Resolve(a.experiments[0].values), 1);
  EXPECT_EQ(a.rewards[0].observation, "instant-of-time");
  EXPECT_EQ(a.rewards[0].description, "marked");

  const auto steady = generate(dir, "steady",
                               std::string(kStateModel) +
                                   "    - {name: share, rate: {model: m, reads: [p], value: p}, "
                                   "measure: time-averaged, steady_state: {start: 5, batch: 20}, "
                                   "bounds: {min: 0, max: rate}}\n" +
                                   study);
  ASSERT_EQ(steady.first, 0) << steady.second;
  const StudyDescription b = ReadStudyDescription((dir / "steady-study.json").string());
  EXPECT_TRUE(b.steadyState);
  ASSERT_EQ(b.measures.size(), 1u);
  EXPECT_EQ(b.measures[0].label, "steady state");
  EXPECT_EQ(b.measures[0].highest->Resolve(b.experiments[1].values), 2.5);
  EXPECT_NE(b.settingsText.find("\"length\":20"), std::string::npos) << b.settingsText;
  fs::remove_all(dir);
}

// Conditions over copies earn 0 or 1 at every instant, so their observations
// have bounds without a `bounds` entry; a count is never negative; declared
// bounds win; a sum implies nothing.
TEST(SangenStudyDescription, AggregatesImplyTheBoundsOfTheirObservations) {
  const fs::path dir = results::freshDirectory("sangen-description-aggregates");
  auto variable = [](const std::string& name, const std::string& aggregate,
                     const std::string& measure, const std::string& extra = "") {
    return "    - {name: " + name + ", rate: {model: m, aggregate: " + aggregate +
           ", reads: [p], value: p == 1}, measure: " + measure + extra + "}\n";
  };
  const auto generated = generate(
      dir, "aggregates",
      std::string(kStateModel) + variable("all", "all", "instant-of-time, times: [1]") +
          variable("any", "any", "time-averaged, windows: [[0, 2]]") +
          variable("enough", "count, at_least: 1", "interval-of-time, windows: [[0, 2]]") +
          variable("count", "count", "instant-of-time, times: [1]") +
          variable("declared", "all", "instant-of-time, times: [1]", ", bounds: {max: 0.5}") +
          variable("sum", "sum", "instant-of-time, times: [1]") +
          "study: {name: s, values: {rate: 1, on: false, mark: 0}}\n");
  ASSERT_EQ(generated.first, 0) << generated.second;
  const StudyDescription d = ReadStudyDescription((dir / "aggregates-study.json").string());
  ASSERT_EQ(d.measures.size(), 6u);
  const auto& values = d.experiments[0].values;
  const double none = -1;  // no bound
  const std::vector<std::pair<double, double>> expected = {{0, 1},    {0, 1},      {0, none},
                                                           {0, none}, {none, 0.5}, {none, none}};
  for (std::size_t m = 0; m < expected.size(); m++) {
    const auto& measure = d.measures[m];
    EXPECT_EQ(measure.lowest ? measure.lowest->Resolve(values) : none, expected[m].first) << m;
    EXPECT_EQ(measure.highest ? measure.highest->Resolve(values) : none, expected[m].second) << m;
  }
  fs::remove_all(dir);
}

// A study runs one kind of simulation: a model mixing terminating and
// steady-state variables gets no description, and an old one is removed.
// A bound that names nothing is refused.
TEST(SangenStudyDescription, MixedKindsAndUnknownBounds) {
  const fs::path dir = results::freshDirectory("sangen-description-mixed");
  std::ofstream(dir / "mixed-study.json") << "{}";
  const auto mixed = generate(
      dir, "mixed",
      std::string(kStateModel) +
          "    - {name: up, rate: {model: m, reads: [p], value: p}, measure: instant-of-time, "
          "times: [1]}\n"
          "    - {name: share, rate: {model: m, reads: [p], value: p}, measure: time-averaged, "
          "steady_state: {start: 0, batch: 1}}\n"
          "study: {name: s, values: {rate: 1, on: false, mark: 0}}\n");
  EXPECT_EQ(mixed.first, 0) << mixed.second;
  EXPECT_FALSE(fs::exists(dir / "mixed-study.json"));
  EXPECT_NE(mixed.second.find("no study description"), std::string::npos) << mixed.second;

  const auto unknown = generate(
      dir, "unknown",
      std::string(kStateModel) +
          "    - {name: up, rate: {model: m, reads: [p], value: p}, measure: instant-of-time, "
          "times: [1], bounds: {max: nTrains}}\n"
          "study: {name: s, values: {rate: 1, on: false, mark: 0}}\n");
  EXPECT_EQ(unknown.first, 1);
  EXPECT_NE(unknown.second.find("unknown.yaml:13:"), std::string::npos) << unknown.second;
  EXPECT_NE(unknown.second.find("bound 'nTrains' is neither a number nor a global variable"),
            std::string::npos)
      << unknown.second;
  fs::remove_all(dir);
}

}  // namespace
