// What the generator derives from a model file: the arcs of each activity
// (their order decides the order in which the simulator revisits groups),
// the numbering of groups, and the experiments of the study.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Generation.h"
#include "ModelChecker.h"
#include "YamlReader.h"

namespace {

using Names = std::vector<std::string>;

struct Checked {
  sangen::Diagnostics diagnostics{"model.yaml"};
  std::optional<sangen::ModelDescription> model;
  std::optional<sangen::CheckedModel> checked;
  explicit Checked(const std::string& text) {
    model = sangen::readModelText(text, "model.yaml", "model", diagnostics);
    if (model && !diagnostics.failed()) checked = sangen::checkModel(*model, diagnostics);
  }
};

const char* kActivities = R"yaml(globals:
  - {name: x, type: int}
  - {name: y, type: double}
models:
  - name: m
    places: [{name: a}, {name: b}, {name: c}, {name: d}, {name: e}, {name: f}]
    activities:
      - {name: first, timing: instantaneous, input_arcs: [a]}
      - name: second
        timing: {deterministic: "f + 1.0", reads: [f], on_change: keep}
        input_arcs: [a]
        input_gates:
          - {name: g, uses: {b: read, a: read}, predicate: b > 0}
        cases:
          - weight: 1
            output_arcs: [c, a]
            output_gates:
              - {name: h, uses: {d: change, b: read}, function: d = b;}
          - weight: 2
            output_gates:
              - {name: k, uses: {e: change}, function: e = 0;}
      - {name: third, timing: instantaneous, input_arcs: [b]}
      - {name: fourth, timing: {exponential: 2.0}, input_arcs: [c]}
rewards:
  name: r
  variables:
    - {name: v, rate: {model: m, value: 1}, measure: instant-of-time, times: [1]}
study:
  name: s
  experiments: product
  values: {y: {from: 0.0, to: 1.0, step: 0.1}, x: [1, 2]}
)yaml";

TEST(SangenDerivation, ArcsFollowTheDeclarationOrderOfArcsAndGates) {
  Checked model(kActivities);
  ASSERT_TRUE(model.checked) << model.diagnostics.errors().front();
  const sangen::AtomicModel& m = model.model->models.front();
  const sangen::ActivityWiring& wiring = model.checked->wiring(m.activities[1]);
  ASSERT_EQ(wiring.cases.size(), 2u);
  // Input arcs, input gates, then the case's output arcs and output gates,
  // each variable once, at its first place.
  EXPECT_EQ(wiring.cases[0].affected, (Names{"a", "b", "c", "d"}));
  EXPECT_EQ(wiring.cases[0].enabling, (Names{"a", "b"}));
  EXPECT_EQ(wiring.cases[1].affected, (Names{"a", "b", "e"}));
  EXPECT_EQ(wiring.cases[1].enabling, (Names{"a", "b"}));
  // The activity links every variable it uses, timing included.
  EXPECT_EQ(wiring.linked, (Names{"a", "b", "c", "d", "e", "f"}));

  // Groups: timed activities first, then the instantaneous ones, each in
  // file order.
  std::vector<std::string> groups;
  for (const sangen::Activity* a : model.checked->groupOrder(m)) groups.push_back(a->name.text);
  EXPECT_EQ(groups, (Names{"second", "fourth", "first", "third"}));
  EXPECT_EQ(model.checked->groupNumber(m.activities[0]), 2);
}

// Every activity's class gives the activity's line in the model file (for
// tools that name activities); the cases of an activity give the activity's.
TEST(SangenDerivation, ActivitiesKnowTheirPlaceInTheModelFile) {
  Checked model(kActivities);
  ASSERT_TRUE(model.checked);
  std::string source;
  for (const sangen::GeneratedFile& file :
       sangen::generateModel(*model.checked, "/out/model", "/models/model.yaml"))
    if (file.name == "mSAN.cpp") source = file.text;
  ASSERT_FALSE(source.empty());
  const std::string text = kActivities;
  for (const char* activity : {"first", "second", "third", "fourth"}) {
    // The line of "name: <activity>" in the model file.
    const std::size_t at = text.find(std::string("name: ") + activity);
    const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
    const std::string expected =
        std::string("m") + "SAN::" + activity +
        "Activity::ModelFilePosition() const { return \"model.yaml:" + std::to_string(line) +
        "\"; }";
    EXPECT_NE(source.find(expected), std::string::npos) << expected;
  }
}

TEST(SangenDerivation, StudyValuesAndExperiments) {
  Checked model(kActivities);
  ASSERT_TRUE(model.checked);
  const sangen::ExperimentTable& table = model.checked->experiments();
  // A range adds the step again and again in double arithmetic: the values
  // are those sums, not the doubles nearest to k / 10.
  std::vector<double> sums;
  for (double v = 0.0; v <= 1.0; v = v + 0.1) sums.push_back(v);
  ASSERT_EQ(sums.size(), 11u);
  EXPECT_EQ(sums[3], 0.30000000000000004);
  EXPECT_EQ(sums[10], 0.9999999999999999);
  // Product: the first setting (y) changes slowest.
  ASSERT_EQ(table.count, 22);
  for (int e = 0; e < 22; e++) {
    EXPECT_EQ(table.values[1][e], sums[e / 2]) << e;  // y
    EXPECT_EQ(table.values[0][e], 1 + e % 2) << e;    // x
  }

  // Parallel: the k-th value of every list, single values in every experiment.
  std::string text = kActivities;
  text.replace(text.find("experiments: product"), 20, "experiments: parallel");
  text.replace(text.find("{y: {from: 0.0, to: 1.0, step: 0.1}, x: [1, 2]}"), 47,
               "{y: [0.5, 0.25, 2], x: 7}");
  Checked parallel(text);
  ASSERT_TRUE(parallel.checked) << parallel.diagnostics.errors().front();
  const sangen::ExperimentTable& together = parallel.checked->experiments();
  ASSERT_EQ(together.count, 3);
  EXPECT_EQ(together.values[0], (std::vector<double>{7, 7, 7}));
  EXPECT_EQ(together.values[1], (std::vector<double>{0.5, 0.25, 2}));
}

}  // namespace
