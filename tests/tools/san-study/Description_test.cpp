// Study descriptions: the measures of steady-state and instant-of-time
// models, and descriptions the tool refuses.
#include <gtest/gtest.h>

#include <stdexcept>

#include "StudyDescriptionReader.h"
#include "StudyPlan.h"

TEST(StudyDescription, MeasuresOfEachKindOfModel) {
  const StudyDescription queue =
      ParseStudyDescription(R"({"format": "san-study-description 1", "model": "MM1",
      "simulation": {"type": "steady-state", "batches": 100},
      "globalVariables": [{"name": "rho", "type": "double", "range": {"min": 0, "max": 1, "minOpen": true, "maxOpen": true}}],
      "experiments": [{"name": "rho 0.5", "values": {"rho": 0.5}}, {"name": "rho 0.8", "values": {"rho": 0.8}}],
      "rewardVariables": [{"name": "inSystem", "kind": "rate", "observation": "steady-state",
                           "valueRange": {"min": 0}}]})",
                            "mm1.json");
  EXPECT_TRUE(queue.steadyState);
  ASSERT_EQ(queue.measures.size(), 1u);
  EXPECT_EQ(queue.measures[0].label, "steady state");
  EXPECT_EQ(queue.measures[0].lowest->Resolve({0.5}), 0.0);
  EXPECT_FALSE(queue.measures[0].highest);
  EXPECT_FALSE(queue.variables[0].range.Contains(1.0));  // open at 1
  EXPECT_TRUE(queue.variables[0].range.Contains(0.9));

  const StudyDescription component =
      ParseStudyDescription(R"({"format": "san-study-description 1", "model": "Repairable",
      "simulation": {"type": "terminating"},
      "globalVariables": [{"name": "lambda", "type": "double"}, {"name": "mu", "type": "double"}],
      "experiments": [{"name": "Experiment 1", "values": {"lambda": 1, "mu": 4}}],
      "rewardVariables": [{"name": "available", "kind": "rate", "observation": "instant-of-time",
                           "timePoints": [0.5, 1, 2, 5], "valueRange": {"min": 0, "max": 1}}]})",
                            "repairable.json");
  ASSERT_EQ(component.measures.size(), 4u);
  EXPECT_EQ(component.measures[3].label, "t = 5");
  EXPECT_EQ(component.measures[3].start, 5.0);

  // The x variable of a study is the one variable its experiments differ in.
  StudyOptions options;
  StudyPlan plan;
  ASSERT_FALSE(PlanStudy(options, queue, plan, 1));
  EXPECT_EQ(plan.xVariable, 0);
  options.overrideText = "d:rho:0.7";  // now they differ in nothing
  ASSERT_FALSE(PlanStudy(options, queue, plan, 1));
  EXPECT_EQ(plan.xVariable, -1);
  EXPECT_EQ(plan.experiments[1].values[0], 0.7);
}

TEST(StudyDescription, FaultsAreNamed) {
  const std::string variables = R"("globalVariables": [{"name": "n", "type": "short"}])";
  const std::string rewards = R"("rewardVariables": [{"name": "r", "windows": [[0, 1]]}])";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "not valid JSON"},
      {R"({"simulation": {"type": "terminating"}})", "has no \"format\""},
      {R"({"format": "san-study-description 2", "model": "m"})",
       "the format 'san-study-description 2' is not 'san-study-description 1'"},
      {R"({"format": "san-study-description 1", "simulation": {"type": "terminating"}})",
       "has no \"model\""},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "transient"}})",
       "simulation type 'transient'"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, "globalVariables": [{"name": "n", "type": "int64"}]})",
       "global variable n has an unknown type"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables + R"(, "experiments": [{"name": "e", "values": {}}]})",
       "experiment e gives no value of n"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables + R"(, "experiments": [], )" + rewards + "}",
       "the study has no experiments"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables +
           R"(, "experiments": [{"name": "e", "values": {"n": 1}}], "rewardVariables": [{"name": "r", "valueRange": {"max": "nTrains"}}]})",
       "no global variable nTrains"},
      // Values the simulator would convert or refuse, ranges that hold no
      // value, windows that end before they start, names given twice.
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, "globalVariables": [{"name": "n", "type": "int"}], "experiments": [{"name": "e", "values": {"n": 1e300}}]})",
       "the value of n in e, 1e+300, is not a int [-2147483648, 2147483647]"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables + R"(, "experiments": [{"name": "e", "values": {"n": 2.5}}]})",
       "the value of n in e, 2.5, is not a short"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, "globalVariables": [{"name": "p", "type": "double", "range": {"min": 0, "max": 1}}], "experiments": [{"name": "e", "values": {"p": 1.5}}]})",
       "the value of p in e, 1.5, is outside its range [0, 1]"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, "globalVariables": [{"name": "p", "type": "double", "range": {"min": 1, "max": 0}}]})",
       "global variable p has the empty range [1, 0]"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables +
           R"(, "experiments": [{"name": "e", "values": {"n": 1}}, {"name": "e", "values": {"n": 2}}]})",
       "two experiments are named e"},
      {R"({"format": "san-study-description 1", "model": "m", "simulation": {"type": "terminating"}, )" +
           variables +
           R"(, "experiments": [{"name": "e", "values": {"n": 1}}], "rewardVariables": [{"name": "r", "windows": [[5, 1]]}]})",
       "reward variable r: the window [5, 1] ends before it starts"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseStudyDescription(text, "bad.json");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("study description bad.json: "), std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}
