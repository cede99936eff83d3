// san-study end to end against the fake simulator: results and their
// context, the verdict, and refused options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyOptions.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

TEST(StudyTool, TwoExperimentsWithTheirContext) {
  const auto dir = results::freshDirectory("e2e");
  const ToolRun run = RunProgram(
      STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--experiments",
                   "1,Experiment 1", "--min-reps", "12", "--max-reps", "80", "-n", "5", "--seed",
                   "77", "-r", "2", "--override", "d:netNotDeliveryProb:0.125"});
  // Experiment 1 of the fake simulator is deterministic: every replication
  // has w - 1 trains out by window w >= 2 (of at most nTrains = 30). After
  // 80 equal values another one has a chance of up to u = 1 - 0.05^(1/80),
  // so the mean of the first window lies in [0, 30 u]: no relative
  // precision is met at 0, and it stops at the maximum, as the noisy
  // experiment 2 does.
  ASSERT_EQ(run.exitStatus, 2) << run.err;
  const double u = 1.0 - std::pow(0.05, 1.0 / 80);
  char upper[32];
  std::snprintf(upper, sizeof upper, "%.3f", 30 * u);
  EXPECT_NE(run.out.find("Experiment 2        80  max-reps"), std::string::npos) << run.out;
  // The first window's column holds the interval, headed by its variable.
  const std::size_t header = run.out.find("numberOfTrains [0, 100]");
  const std::size_t row = run.out.find("Experiment 1        80  max-reps  ");
  ASSERT_NE(header, std::string::npos) << run.out;
  ASSERT_NE(row, std::string::npos) << run.out;
  const std::string cell = "[0.000, " + std::string(upper) + "]";
  // Both right-aligned: the cell ends where the heading ends (the table
  // starts the output).
  EXPECT_EQ(run.out.substr(row + header + 23 - cell.size(), cell.size()), cell) << run.out;
  EXPECT_NE(run.out.find(
                "Experiment 2 stopped at 80 replications short of ±5%: numberOfTrains [0, 100] ["),
            std::string::npos)
      << run.out;
  std::snprintf(upper, sizeof upper, "%.4g", 30 * u);
  EXPECT_NE(
      run.out.find(
          "Experiment 1 stopped at 80 replications short of ±5%: numberOfTrains [0, 100] [0, " +
          std::string(upper) + "] (no variation in 80)"),
      std::string::npos)
      << run.out;

  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  for (int e : {1, 0}) {
    for (int w = 0; w < 13; w++) {
      const auto& row = rows[(e == 1 ? 0 : 13) + w];
      EXPECT_EQ(row.at("experiment"), std::to_string(e));
      EXPECT_EQ(row.at("netNotDeliveryProb"), "0.125");  // typed values after the override
      EXPECT_EQ(row.at("nTrains"), "30");
      EXPECT_EQ(row.at("confidence"), "0.95");
      EXPECT_EQ(row.at("generator"), "2");
      EXPECT_EQ(row.at("override"), "d:netNotDeliveryProb:0.125");
      EXPECT_EQ(row.at("seed"), std::to_string(SimulatorSeed(77, e)));
      EXPECT_EQ(row.at("window_end"), std::to_string(100 + 50 * w));
      EXPECT_LE(std::stod(row.at("lower")), std::stod(row.at("mean")));
      EXPECT_TRUE(e != 0 || std::stod(row.at("mean")) == std::max(0, w - 1)) << "window " << w;
      EXPECT_TRUE(e != 0 || row.at("interval") == "all-equal");
      // Such an interval is not symmetric: no half-width is given for it.
      EXPECT_TRUE(e != 0 || row.at("half_width").empty());
    }
  }

  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  EXPECT_TRUE(json["complete"]);
  EXPECT_EQ(json["model"], "FakeLine");
  EXPECT_TRUE(json["host"].is_string() && json["startTime"].is_string() &&
              json["endTime"].is_string());
  EXPECT_EQ(json["tool"]["version"], ToolVersion());
  EXPECT_EQ(json["settings"]["generator"], 2);
  ASSERT_EQ(json["experiments"].size(), 2u);
  EXPECT_EQ(json["experiments"][0]["globalVariables"]["netNotDeliveryProb"],
            0.125);  // numbers, not texts
  EXPECT_EQ(json["experiments"][0]["globalVariables"]["nTrains"], 30);
  EXPECT_EQ(json["experiments"][1]["windows"][12]["interval"], "all-equal");
  std::ifstream svg(dir / "study.svg");
  std::string picture((std::istreambuf_iterator<char>(svg)), {});
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  EXPECT_NE(picture.find("[0, 700]"), std::string::npos);
  EXPECT_NE(picture.find("stopped short (--max-reps)"), std::string::npos);
}

TEST(StudyTool, InvalidOptionsAreRefusedBeforeAnythingStarts) {
  const auto dir = results::freshDirectory("refused") / "out";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--experiments", "4"}, "unknown experiment '4'"},
      {{"--experiments", "Experiment 9"}, "unknown experiment 'Experiment 9'"},
      {{"--confidence", "1"}, "--confidence must lie strictly between 0 and 1"},
      {{"--precision", "0"}, "--precision must be above 0"},
      {{"--min-reps", "20", "--max-reps", "10"}, "--max-reps must not be below --min-reps"},
      {{"--override", "d:noSuchVariable:1"}, "no global variable 'noSuchVariable'"},
      {{"--override", "d:nTrains"}, "type:name:value triples"},
      {{"--override", "d:netNotDeliveryProb:abc"},
       "the value 'abc' of netNotDeliveryProb is not a finite number"},
      {{"--override", "d:netNotDeliveryProb:1.5"}, "outside its valid range [0, 1]"},
      {{"--override", "d:netNotDeliveryProb:0.5,0.6"},
       "'0.5,0.6' of netNotDeliveryProb is not a finite number"},
      {{"--override", "s:nTrains:0"},
       "the value '0' of nTrains is outside its valid range [1, inf)"},
      {{"--override", "s:nTrains:65537"}, "outside the range of a short"},
      {{"--override", "d:nTrains:12"}, "the type letter 'd' does not fit nTrains, a short"},
      {{"--override", "i:lineLength:010"}, "is not a whole int number"},
      {{"--sweep", "d:netNotDeliveryProb=0:1.5:0.5"},
       "'1.5' of netNotDeliveryProb is outside its valid range"},
      {{"--sweep", "d:netNotDeliveryProb=0:1:0"}, "the step 0 does not lead from 0 to 1"},
      {{"--sweep", "s:nTrains=10,x"}, "the value 'x' of nTrains is not a whole short number"},
      {{"--sweep", "s:nTrains=1:3:0.5"}, "the value '1.5' of nTrains is not a whole short number"},
      {{"--sweep", "=0,1"}, "is not NAME=FIRST:LAST:STEP or NAME=V1,V2,..."},
      {{"--sweep", "d:nTrains=1,2"}, "(use nTrains=VALUES or s:nTrains=VALUES)"},
      {{"--sweep", "nTrains=1,2.5"}, "the value '2.5' of nTrains is not a whole short number"},
      {{"--show", "numberOfTrain"}, "--show: the model FakeLine has no measure 'numberOfTrain'"},
      {{"--sweep", "s:nTrains=1,2", "--sweep", "s:nTrains=3"}, "change the same variable"},
      {{"--sweep", "d:netNotDeliveryProb=0:1:0.00001"}, "more than 10000 values"},
      {{"--description", "/nonexistent.json"},
       "cannot read the study description /nonexistent.json"},
      {{"--simulator", "/nonexistent/sim"}, "cannot run the simulator"},
      {{"--jobs", "many"}, "--jobs"},
      {{"-r", "3"}, "--generator must be 0, 1 or 2"},
      {{"--stall-timeout", "1e300"}, "--stall-timeout must be at most 86400 seconds"},
      {{"--resume", "--overwrite"}, "exclude each other"},
      // Numbers are read whole and decimal, as the simulator reads its own:
      // never as octal or hexadecimal, never clamped.
      {{"-s", "010"}, "--seed: '010' is not a whole decimal number from 0 to 4294967295"},
      {{"-s", "0x10"}, "--seed: '0x10' is not a whole decimal number"},
      {{"--min-reps", "030"}, "--min-reps: '030' is not a whole decimal number"},
      {{"--max-reps", "99999999999999999999"},
       "--max-reps: '99999999999999999999' is not a whole decimal number from 0 to "
       "9223372036854775807"},
      {{"--precision", "0x1p-3"}, "--precision: '0x1p-3' is not a decimal number"},
      {{"--abs-precision", "-0.1"}, "--abs-precision must be 0 (none) or above"},
      // A sweep point given twice would be one experiment twice; a grid is
      // counted before it is built.
      {{"--sweep", "d:netNotDeliveryProb=0.5,0.5"},
       "the sweep 'd:netNotDeliveryProb=0.5,0.5' gives netNotDeliveryProb the value 0.5 twice"},
      {{"--sweep", "d:netNotDeliveryProb=0.5,0.50"}, "the value 0.50 as 0.5 already"},
      {{"--sweep", "i:lineLength=1:1001:1", "--sweep", "s:nTrains=1:1001:1", "--sweep",
        "d:netNotDeliveryProb=0:0.9:0.001"},
       "the study would run 902802901 experiments, more than 10000"},  // 1001 x 1001 x 901
  };
  for (const auto& [args, message] : cases) {
    std::vector<std::string> all{"--simulator", FAKE_SIMULATOR, "--out", dir.string()};
    all.insert(all.end(), args.begin(), args.end());
    const ToolRun run = RunProgram(STUDY_TOOL, all);
    EXPECT_EQ(run.exitStatus, 1) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir)) << message;
  }
  // A value the simulator itself refuses is found by one probe run, not by
  // starting every experiment.
  const ToolRun probed = RunProgram(
      STUDY_TOOL,
      {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--override", "s:nTrains:12"},
      "*:refuse");
  EXPECT_EQ(probed.exitStatus, 1);
  EXPECT_NE(probed.err.find("the simulator refuses the settings of Experiment 1"),
            std::string::npos)
      << probed.err;
  EXPECT_NE(probed.err.find("fake simulator: the override is refused"), std::string::npos)
      << probed.err;
  EXPECT_EQ(probed.err.find("Experiment 2"), std::string::npos) << probed.err;

  const ToolRun help = RunProgram(STUDY_TOOL, {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  for (const char* text : {"--sweep", "Examples:", "Exit status: 0", "128 + N"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  // --describe reads the description beside the simulator and runs nothing.
  const ToolRun described = RunProgram(STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--describe",
                                                    "--out", (dir / "described").string()});
  EXPECT_EQ(described.exitStatus, 0) << described.err;
  for (const char* text :
       {"Model FakeLine: terminating", "nTrains", "short", "[1, inf)", "Experiment 2",
        "numberOfTrains", "12  numberOfTrains [0, 700]", "--sweep netNotDeliveryProb="})
    EXPECT_NE(described.out.find(text), std::string::npos) << text << "\n" << described.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "described"));
  const ToolRun version = RunProgram(STUDY_TOOL, {"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_NE(version.out.find("san-study " + ToolVersion()), std::string::npos) << version.out;
}
