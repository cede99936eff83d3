// `san-study merge`: sub-studies of one study (a job array's tasks) make
// the study that runs them at once; other settings and doubled
// experiments are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
std::vector<std::string> Study(const std::filesystem::path& dir, const std::string& experiments,
                               std::vector<std::string> more = {}) {
  std::vector<std::string> args{"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "-e",
                                experiments,   "--streams",    "2",     "--min-reps", "20",
                                "--max-reps",  "60",           "-n",    "5",          "-q"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The rows without what depends on the processes' timing.
std::vector<std::map<std::string, std::string>> Numbers(const std::filesystem::path& dir) {
  auto rows = ReadCsv(dir / "study.csv");
  for (auto& row : rows) {
    row.erase("processor_seconds");
    row.erase("wasted_replications");
  }
  return rows;
}
}  // namespace

TEST(StudyToolMerge, SubStudiesMakeTheWholeStudy) {
  const auto dir = results::freshDirectory("merge");
  ASSERT_EQ(RunProgram(STUDY_TOOL, Study(dir / "whole", "0,1,3")).exitStatus, 2);
  ASSERT_EQ(RunProgram(STUDY_TOOL, Study(dir / "task0", "0")).exitStatus, 2);
  ASSERT_EQ(RunProgram(STUDY_TOOL, Study(dir / "task1", "3,1")).exitStatus, 2);
  const ToolRun merge = RunProgram(
      STUDY_TOOL,
      {"merge", (dir / "merged").string(), (dir / "task1").string(), (dir / "task0").string()});
  EXPECT_EQ(merge.exitStatus, 2)
      << merge.err;  // as the whole study: two experiments short of the precision
  EXPECT_NE(merge.out.find("Experiment 4 stopped at 60 replications"), std::string::npos)
      << merge.out;
  EXPECT_NE(merge.err.find("3 experiments of 2 directories"), std::string::npos) << merge.err;
  const auto merged = Numbers(dir / "merged"), whole = Numbers(dir / "whole");
  ASSERT_EQ(merged.size(), 3u * 13);
  EXPECT_EQ(merged, whole);
  nlohmann::json json;
  std::ifstream(dir / "merged" / "study.json") >> json;
  EXPECT_TRUE(json["complete"]);
  EXPECT_EQ(json["xVariable"], "netNotDeliveryProb");  // the experiments differ in it only together
  EXPECT_TRUE(std::filesystem::exists(dir / "merged" / "study.gp"));

  // Merging again into the same place is fine (its one experiment is short
  // of the precision); studies of other settings, or with the same
  // experiment, are not merged.
  EXPECT_EQ(RunProgram(STUDY_TOOL, {"merge", (dir / "merged").string(), (dir / "task0").string()})
                .exitStatus,
            2);
  ASSERT_EQ(RunProgram(STUDY_TOOL, Study(dir / "seed5", "2", {"--seed", "5"})).exitStatus, 2);
  ASSERT_EQ(RunProgram(STUDY_TOOL, Study(dir / "one-stream", "2", {"--streams", "1"})).exitStatus,
            2);
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"task0", "seed5"},
       "seed5 holds a study with other settings than " + (dir / "task0").string() + " (seed)"},
      {{"task0", "one-stream"}, "(streams)"},
      {{"task0", "whole"}, "Experiment 1 is in both"},
      {{"task0", "nothing"}, "cannot read " + (dir / "nothing" / "study.json").string()},
  };
  for (const auto& [inputs, message] : refused) {
    std::vector<std::string> args{"merge", (dir / "refused").string()};
    for (const std::string& input : inputs) args.push_back((dir / input).string());
    const ToolRun run = RunProgram(STUDY_TOOL, args);
    EXPECT_EQ(run.exitStatus, 1) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "refused" / "study.json"));
  }
  // Nor are results of other settings in the target replaced.
  const ToolRun over =
      RunProgram(STUDY_TOOL, {"merge", (dir / "seed5").string(), (dir / "task0").string()});
  EXPECT_EQ(over.exitStatus, 1);
  EXPECT_NE(over.err.find("holds the results of a study with other settings"), std::string::npos)
      << over.err;
}
