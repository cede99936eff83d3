// movingblock-study end to end against the fake simulator: results, the
// agreement with the simulator's own result files, and refused options.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyOptions.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

TEST(StudyTool, TwoExperimentsAgreeWithTheSimulatorsOwnFiles) {
  const auto dir = results::freshDirectory("e2e");
  const ToolRun run = RunProgram(STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--experiments",
                                              "1,Experiment 1", "--min-reps", "12", "--max-reps", "40", "-n", "5",
                                              "--seed", "77", "--override", "d:netNotDeliveryProb:0.125"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("Experiment 2      0.125     40  max-reps"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Experiment 1      0.125     12  converged      1.000 ± 0.000"), std::string::npos);

  // Experiment 1 of the fake simulator: every replication has w - 1 trains
  // out by window w >= 2. Agreement with the real simulator's own result
  // files is shown by RealSimulator_test.
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  for (int e : {1, 0}) {
    for (int w = 0; w < 13; w++) {
      const auto& row = rows[(e == 1 ? 0 : 13) + w];
      EXPECT_EQ(row.at("experiment"), std::to_string(e));
      EXPECT_EQ(row.at("loss_probability"), "0.125");  // from the study code, after the override
      EXPECT_EQ(row.at("seed"), std::to_string(SimulatorSeed(77, e)));
      EXPECT_EQ(row.at("window_end"), std::to_string(100 + 50 * w));
      EXPECT_LE(std::stod(row.at("lower")), std::stod(row.at("mean")));
      EXPECT_TRUE(e != 0 || std::stod(row.at("mean")) == std::max(0, w - 1)) << "window " << w;
    }
  }

  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  EXPECT_TRUE(json["complete"]);
  ASSERT_EQ(json["experiments"].size(), 2u);
  EXPECT_EQ(json["experiments"][0]["globalVariables"]["netNotDeliveryProb"], "0.125");
  EXPECT_EQ(json["experiments"][1]["windows"][12]["halfWidth"], 0.0);
  std::ifstream svg(dir / "study.svg");
  std::string picture((std::istreambuf_iterator<char>(svg)), {});
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  EXPECT_NE(picture.find("[0, 700]"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "study.gp") && std::filesystem::exists(dir / "study.dat"));
}

TEST(StudyTool, InvalidOptionsAreRefusedBeforeAnythingStarts) {
  const auto dir = results::freshDirectory("refused") / "out";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--experiments", "4"}, "unknown experiment '4'"},
      {{"--experiments", "Experiment 9"}, "unknown experiment 'Experiment 9'"},
      {{"--confidence", "1"}, "--confidence must lie strictly between 0 and 1"},
      {{"--confidence", "0"}, "--confidence must lie strictly between 0 and 1"},
      {{"--precision", "0"}, "--precision must be above 0"},
      {{"--min-reps", "20", "--max-reps", "10"}, "--max-reps must not be below --min-reps"},
      {{"--override", "d:noSuchVariable:1"}, "no global variable 'noSuchVariable'"},
      {{"--override", "d:nTrains"}, "type:name:value triples"},
      {{"--simulator", "/nonexistent/sim"}, "cannot run the simulator"},
      {{"--jobs", "many"}, "--jobs"},
      {{"--stall-timeout", "1e300"}, "--stall-timeout must be at most 86400 seconds"},
      {{"--stall-timeout", "inf"}, "--stall-timeout must be at most 86400 seconds"},
      {{"--stall-timeout", "0"}, "--stall-timeout must be above 0"},
  };
  for (const auto& [args, message] : cases) {
    std::vector<std::string> all{"--simulator", FAKE_SIMULATOR, "--out", dir.string()};
    all.insert(all.end(), args.begin(), args.end());
    const ToolRun run = RunProgram(STUDY_TOOL, all);
    EXPECT_EQ(run.exitStatus, 1) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir)) << message;
  }
}
