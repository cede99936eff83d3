// Sweeps, results that survive a kill, --resume, and results of other
// settings that are not overwritten.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "StudyOptions.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
std::vector<std::string> Args(const std::filesystem::path& dir, std::vector<std::string> more) {
  std::vector<std::string> args{"--simulator", FAKE_SIMULATOR, "--out", dir.string()};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The CSV rows without what differs between two runs of the same study:
// the processor time the simulators report, the replications that arrived
// after the stop (how many depends on timing), and the '#' context lines.
std::vector<std::map<std::string, std::string>> Comparable(const std::filesystem::path& csv) {
  auto rows = ReadCsv(csv);
  for (auto& row : rows) {
    row.erase("processor_seconds");
    row.erase("wasted_replications");
  }
  return rows;
}
}  // namespace

TEST(StudyToolSweeps, AGridOfPointsEachNamedWithItsOwnSeed) {
  const auto dir = results::freshDirectory("sweep");
  const ToolRun run = RunProgram(
      STUDY_TOOL,
      Args(dir, {"-e", "1", "--sweep", "d:netNotDeliveryProb=0:1:0.25", "--sweep", "nTrains=10,20",
                 "--min-reps", "5", "--max-reps", "5", "-n", "5", "--seed", "9"}));
  EXPECT_EQ(run.exitStatus, 2) << run.err;  // five replications reach no precision
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 10u * 13);
  std::set<std::string> seeds;
  for (std::size_t p = 0; p < 10; p++) {
    const auto& row = rows[p * 13];
    const std::string prob[] = {"0", "0.25", "0.5", "0.75", "1"}, trains = p % 2 ? "20" : "10";
    EXPECT_EQ(row.at("name"),
              "Experiment 2 [netNotDeliveryProb=" + prob[p / 2] + ", nTrains=" + trains + "]");
    EXPECT_EQ(row.at("override"), "d:netNotDeliveryProb:" + prob[p / 2] + ":s:nTrains:" + trains);
    EXPECT_EQ(row.at("netNotDeliveryProb"), prob[p / 2]);
    EXPECT_EQ(row.at("nTrains"), trains);
    EXPECT_EQ(row.at("seed"), std::to_string(SimulatorSeed(9, 1, row.at("override"))));
    seeds.insert(row.at("seed"));
    EXPECT_NE(run.out.find(row.at("name")), std::string::npos);
  }
  EXPECT_EQ(seeds.size(), 10u);
  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  EXPECT_EQ(json["xVariable"], "netNotDeliveryProb");
  // The sweep without a type letter takes the short type from the
  // description (the override above says s:).
  EXPECT_EQ(json["settings"]["sweeps"][1], "nTrains=10,20");
  // The table names each column by variable and window, and tells which
  // of the thirteen windows it leaves out.
  EXPECT_NE(run.out.find("numberOfTrains [0, 100]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Not shown (9 of 13 measures"), std::string::npos) << run.out;
  // The x values in the plot's data as the shortest text of each.
  std::ifstream data(dir / "study.dat");
  std::string line, xs;
  while (std::getline(data, line))
    if (!line.empty() && line[0] != '#') xs += line.substr(0, line.find(' ')) + " ";
  EXPECT_EQ(xs.substr(0, 20), "0 0.25 0.5 0.75 1 0 ") << xs;
  const std::string script = results::readFile((dir / "study.gp").string());
  EXPECT_NE(script.find("set xrange [-0.03:1.03]"), std::string::npos) << script;
  EXPECT_NE(script.find("[0, 700] nTrains=20"), std::string::npos);
}

// A study killed outright keeps every experiment that had ended; --resume
// runs only the others, and the result is that of an uninterrupted run.
TEST(StudyToolResume, AKilledStudyResumesToTheSameResults) {
  const auto whole = results::freshDirectory("whole"), killed = results::freshDirectory("killed");
  const std::vector<std::string> settings{"--jobs",     "1",  "--min-reps", "80",
                                          "--max-reps", "80", "-n",         "10"};
  auto with = [&](const std::filesystem::path& dir, std::vector<std::string> more) {
    auto args = Args(dir, settings);
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const ToolRun uninterrupted = RunProgram(STUDY_TOOL, with(whole, {}), "*:slow");
  ASSERT_EQ(uninterrupted.exitStatus, 2) << uninterrupted.err;
  // Without a terminal, a plain progress line every few seconds.
  EXPECT_NE(uninterrupted.err.find("progress: "), std::string::npos) << uninterrupted.err;
  EXPECT_NE(uninterrupted.err.find(" left"), std::string::npos);

  auto ended = [](const nlohmann::json& e) {
    return e["status"] == "max-reps" || e["status"] == "converged";
  };
  // Killed just after the results were saved with an experiment finished
  // and the next one counting: the saved files lag the log of counted
  // replications by up to a second, so a fixed delay would race them.
  const ToolRun first = RunProgram(
      STUDY_TOOL, with(killed, {"--quiet"}), "*:slow", 0, SIGKILL, "/usr/bin:/bin", [&](double) {
        std::ifstream in(killed / "study.json");
        const auto saved = nlohmann::json::parse(in, nullptr, false);
        if (saved.is_discarded() || !saved.contains("experiments")) return false;
        bool finishedOne = false, counting = false;
        for (const auto& e : saved["experiments"]) {
          finishedOne |= ended(e);
          counting |= e["status"] == "running" && e["replications"].get<long>() > 0;
        }
        return finishedOne && counting;
      });
  EXPECT_EQ(first.exitStatus, 128 + SIGKILL);
  EXPECT_EQ(first.err.find("progress: "), std::string::npos);
  nlohmann::json partial;
  std::ifstream(killed / "study.json") >> partial;
  EXPECT_FALSE(partial["complete"]);
  int finished = 0;
  for (const auto& e : partial["experiments"]) finished += ended(e);
  ASSERT_GE(finished, 1);
  ASSERT_LT(finished, 4);

  const ToolRun resumed = RunProgram(STUDY_TOOL, with(killed, {"--resume"}), "*:slow");
  EXPECT_EQ(resumed.exitStatus, 2) << resumed.err;
  EXPECT_NE(resumed.err.find(std::to_string(finished) + " finished experiment"), std::string::npos)
      << resumed.err;
  // The experiment that was running went on from what it had counted, in a
  // stream of a new seed; the others are those of the uninterrupted run.
  auto rows = Comparable(killed / "study.csv"), expected = Comparable(whole / "study.csv");
  ASSERT_EQ(rows.size(), expected.size());
  int goneOn = 0;
  for (std::size_t i = 0; i < rows.size(); i++) {
    if (rows[i].at("stream_seeds") == expected[i].at("stream_seeds")) {
      EXPECT_EQ(rows[i], expected[i]);
      continue;
    }
    goneOn += i % 13 == 0;
    const std::size_t e = i / 13;
    EXPECT_EQ(partial["experiments"][e]["status"], "running");
    EXPECT_EQ(rows[i].at("stream_seeds"),
              expected[i].at("stream_seeds") + " " +
                  std::to_string(StreamSeed(31415, static_cast<int>(e), "", 1, 0)));
    const long carried = std::stol(rows[i].at("stream_replications"));
    EXPECT_GE(carried, partial["experiments"][e]["replications"].get<long>());
    EXPECT_EQ(rows[i].at("stream_replications"),
              std::to_string(carried) + " " + std::to_string(80 - carried));
  }
  EXPECT_EQ(goneOn, 1);
  // The reused experiments were not run again: their processor time is
  // the one the killed run recorded.
  nlohmann::json done;
  std::ifstream(killed / "study.json") >> done;
  for (std::size_t e = 0; e < 4; e++) {
    if (!ended(partial["experiments"][e])) continue;
    EXPECT_EQ(done["experiments"][e]["processorSeconds"],
              partial["experiments"][e]["processorSeconds"]);
  }

  // Other settings do not silently replace these results.
  const ToolRun other = RunProgram(STUDY_TOOL, with(killed, {"--seed", "5"}));
  EXPECT_EQ(other.exitStatus, 1);
  EXPECT_NE(other.err.find("holds the results of a study with other settings (seed)"),
            std::string::npos)
      << other.err;
  EXPECT_EQ(results::readFile((killed / "study.json").string()), done.dump(2) + "\n");
}

// Results written before experiments had streams (no "streams" setting,
// no streams per experiment) are still this study's: a rerun may replace
// them, --resume reuses them, and a malformed experiment is refused.
TEST(StudyToolResume, ResultsWithoutStreamsAreResumed) {
  const auto dir = results::freshDirectory("before-streams");
  const auto args =
      Args(dir, {"-e", "0,2", "--jobs", "1", "--min-reps", "40", "--max-reps", "40", "-n", "10"});
  ASSERT_EQ(RunProgram(STUDY_TOOL, args).exitStatus, 2);
  const auto expected = Comparable(dir / "study.csv");
  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  json["settings"].erase("streams");
  for (auto& e : json["experiments"]) {
    e.erase("streams");
    e.erase("wastedReplications");
  }
  auto writeJson = [&] { std::ofstream(dir / "study.json") << json.dump(2) << "\n"; };
  writeJson();
  // Every simulator would crash: what the rerun shows comes from the file.
  const ToolRun resumed = RunProgram(STUDY_TOOL, args, "*:crash");
  EXPECT_EQ(resumed.exitStatus, 1) << resumed.err;  // not resumed: run again, and crashed
  writeJson();
  auto resumeArgs = args;
  resumeArgs.push_back("--resume");
  const ToolRun reused = RunProgram(STUDY_TOOL, resumeArgs, "*:crash");
  EXPECT_EQ(reused.exitStatus, 2) << reused.err;
  EXPECT_NE(reused.err.find("2 finished experiment"), std::string::npos) << reused.err;
  EXPECT_EQ(Comparable(dir / "study.csv"), expected);

  json["experiments"][1]["windows"] = "none";
  writeJson();
  const ToolRun malformed = RunProgram(STUDY_TOOL, resumeArgs);
  EXPECT_EQ(malformed.exitStatus, 1);
  EXPECT_NE(malformed.err.find("holds a malformed experiment"), std::string::npos) << malformed.err;
}

// The plot is an extra: without gnuplot the results stand, and no earlier
// picture is left beside them.
TEST(StudyToolPlot, MissingGnuplotRemovesTheStalePicture) {
  const auto dir = results::freshDirectory("nognuplot");
  std::ofstream(dir / "study.svg") << "<svg>an earlier study</svg>\n";
  const ToolRun run =
      RunProgram(STUDY_TOOL, Args(dir, {"-e", "0", "--min-reps", "5", "--abs-precision", "0.5"}),
                 "", 0, SIGTERM, "/nonexistent");
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("gnuplot is not installed"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("the earlier study.svg is removed"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "study.svg"));
  EXPECT_TRUE(std::filesystem::exists(dir / "study.gp"));
}
