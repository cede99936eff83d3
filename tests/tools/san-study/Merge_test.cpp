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

// A sweep split over the tasks of a job array (--part K/N, every N-th
// point) and merged is the study that runs the sweep at once: the same
// table, rows and JSON but for timing; the parts keep the streams the whole
// study gives each point (-j 8 shares the cores among the four points).
// A merge that lacks a part, or holds one twice, is refused.
TEST(StudyToolMerge, PartsOfASweepMakeTheWholeSweep) {
  const auto dir = results::freshDirectory("merge-parts");
  const std::vector<std::string> sweep{
      "-e",         "1",  "--sweep",    "d:netNotDeliveryProb=0:0.75:0.25",
      "-j",         "8",  "--min-reps", "20",
      "--max-reps", "60", "-n",         "5",
      "-q"};
  auto study = [&](const std::string& out, std::vector<std::string> more) {
    std::vector<std::string> args{"--simulator", FAKE_SIMULATOR, "--out", (dir / out).string()};
    args.insert(args.end(), sweep.begin(), sweep.end());
    args.insert(args.end(), more.begin(), more.end());
    return RunProgram(STUDY_TOOL, args);
  };
  const ToolRun whole = study("whole", {});
  ASSERT_EQ(whole.exitStatus, 2) << whole.err;
  for (const std::string k : {"1", "2", "3"}) {
    const ToolRun part = study("part" + k, {"--part", k + "/3"});
    ASSERT_EQ(part.exitStatus, 2) << part.err;
  }
  EXPECT_EQ(ReadCsv(dir / "part1" / "study.csv").size(), 2u * 13);  // points 1 and 4
  const ToolRun merge =
      RunProgram(STUDY_TOOL, {"merge", (dir / "merged").string(), (dir / "part3").string(),
                              (dir / "part1").string(), (dir / "part2").string()});
  EXPECT_EQ(merge.exitStatus, 2) << merge.err;
  EXPECT_EQ(merge.out, whole.out);
  EXPECT_EQ(Numbers(dir / "merged"), Numbers(dir / "whole"));
  auto json = [&](const std::string& out) {
    nlohmann::json j;
    std::ifstream(dir / out / "study.json") >> j;
    for (const char* timing : {"startTime", "endTime"}) j.erase(timing);
    for (auto& e : j["experiments"]) {
      e.erase("processorSeconds");
      e.erase("wastedReplications");
      for (auto& s : e["streams"]) s.erase("received");
    }
    return j;
  };
  const nlohmann::json merged = json("merged");
  EXPECT_EQ(merged, json("whole"));
  EXPECT_EQ(merged["experiments"][0]["streams"].size(), 2u);
  EXPECT_TRUE(merged["complete"]);

  const ToolRun missing = RunProgram(
      STUDY_TOOL,
      {"merge", (dir / "m2").string(), (dir / "part1").string(), (dir / "part3").string()});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find("part 2/3 is missing"), std::string::npos) << missing.err;
  const ToolRun twice = RunProgram(
      STUDY_TOOL, {"merge", (dir / "m3").string(), (dir / "part1").string(),
                   (dir / "part1").string(), (dir / "part2").string(), (dir / "part3").string()});
  EXPECT_EQ(twice.exitStatus, 1);
  EXPECT_NE(twice.err.find("is in both"), std::string::npos) << twice.err;
  const ToolRun mixed = RunProgram(
      STUDY_TOOL,
      {"merge", (dir / "m4").string(), (dir / "whole").string(), (dir / "part1").string()});
  EXPECT_EQ(mixed.exitStatus, 1);
  EXPECT_NE(mixed.err.find("is in both"), std::string::npos) << mixed.err;
  EXPECT_EQ(study("bad", {"--part", "4/3"}).exitStatus, 1);
}
