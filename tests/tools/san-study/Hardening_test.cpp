// Texts, directories and records that come from someone else: a model's
// description or a results directory given to merge cannot run commands,
// inject rows or crash the tool; what does not fit is refused by name.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "ChildProcess.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
using nlohmann::json;

json ReadJson(const std::filesystem::path& file) {
  json document;
  std::ifstream(file) >> document;
  return document;
}

void WriteJson(const std::filesystem::path& file, const json& document) {
  std::ofstream(file) << document.dump(1);
}

// Anything in `dir` whose name starts with PWNED: what `!touch PWNED` in a
// gnuplot script would have made.
bool Pwned(const std::filesystem::path& dir) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.path().filename().string().rfind("PWNED", 0) == 0) return true;
  return false;
}

// Every line of study.gp: none may start a shell command.
void ExpectNoCommandLines(const std::filesystem::path& script) {
  std::ifstream in(script);
  int lines = 0;
  for (std::string line; std::getline(in, line); lines++) EXPECT_NE(line.rfind('!', 0), 0u) << line;
  EXPECT_GT(lines, 10);
}

int CommentLines(const std::filesystem::path& csv) {
  std::ifstream in(csv);
  int comments = 0;
  for (std::string line; std::getline(in, line);) comments += line.rfind('#', 0) == 0;
  return comments;
}
}  // namespace

TEST(StudyToolHardening, TextsOfAModelOrAMergedDirectoryRunNoCommand) {
  const auto dir = results::freshDirectory("injection");
  json description = ReadJson(FAKE_DESCRIPTION);
  const std::string payload = "\n!touch PWNED\n#";
  description["model"] = "FakeLine" + payload;
  description["globalVariables"][2]["name"] = "netNotDeliveryProb" + payload;
  for (json& e : description["experiments"]) {
    e["values"]["netNotDeliveryProb" + payload] = e["values"]["netNotDeliveryProb"];
    e["values"].erase("netNotDeliveryProb");
  }
  description["rewardVariables"][0]["name"] = "numberOfTrains" + payload;
  description["rewardVariables"][0]["description"] = "mean number" + payload;
  WriteJson(dir / "hostile-study.json", description);
  const ToolRun run = RunProgram(
      STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--description",
                   (dir / "hostile-study.json").string(), "--out", (dir / "study").string(), "-e",
                   "1,2", "--min-reps", "10", "--max-reps", "20", "-n", "5", "-q"});
  EXPECT_EQ(run.exitStatus, 2) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "study" / "study.svg")) << run.err;
  ExpectNoCommandLines(dir / "study" / "study.gp");
  EXPECT_EQ(CommentLines(dir / "study" / "study.csv"), 3);  // no row made by a newline
  EXPECT_EQ(ReadCsv(dir / "study" / "study.csv").size(), 2u * 13);
  EXPECT_EQ(run.out.find("\n!touch"), std::string::npos) << run.out;

  // A results directory edited to carry the same in a measure's label.
  json record = ReadJson(dir / "study" / "study.json");
  record["measures"][0]["label"] = "[0, 100]" + payload;
  WriteJson(dir / "study" / "study.json", record);
  const ToolRun merge =
      RunProgram(STUDY_TOOL, {"merge", (dir / "merged").string(), (dir / "study").string()});
  EXPECT_EQ(merge.exitStatus, 2) << merge.err;
  ExpectNoCommandLines(dir / "merged" / "study.gp");
  EXPECT_EQ(CommentLines(dir / "merged" / "study.csv"), 3);
  EXPECT_FALSE(Pwned(dir));
}

// A study.svg that is a link (to a file of someone else's, say) is
// replaced by the new picture; the file it pointed to is left alone.
TEST(StudyToolHardening, APictureThatIsALinkIsReplacedNotFollowed) {
  const auto dir = results::freshDirectory("svg-link");
  std::filesystem::create_directories(dir / "out");
  std::ofstream(dir / "precious.txt") << "keep me\n";
  std::filesystem::create_symlink(dir / "precious.txt", dir / "out" / "study.svg");
  const ToolRun run =
      RunProgram(STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--out", (dir / "out").string(), "-e",
                              "1", "--min-reps", "10", "--max-reps", "20", "-n", "5", "-q"});
  EXPECT_EQ(run.exitStatus, 2) << run.err;
  EXPECT_EQ(results::readFile((dir / "precious.txt").string()), "keep me\n");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "out" / "study.svg"));
  EXPECT_NE(results::readFile((dir / "out" / "study.svg").string()).find("<svg"),
            std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(dir / "out"))
    EXPECT_NE(entry.path().filename().string().rfind(".study.svg", 0), 0u) << entry.path();
}

// merge and --resume read directories that may have been edited: a
// directory of another model's variables or measures, or an experiment
// whose record no study can have written, is refused by name, and nothing
// is written; an experiment still "running" in a directory whose study
// was killed is merged as incomplete.
TEST(StudyToolHardening, MergeAndResumeRefuseRecordsTheyCannotTrust) {
  const auto dir = results::freshDirectory("untrusted");
  auto study = [&](const std::string& out, const std::string& experiment,
                   std::vector<std::string> more = {}) {
    std::vector<std::string> args{
        "--simulator", FAKE_SIMULATOR, "--out", (dir / out).string(), "-e", experiment, "--streams",
        "1",           "--min-reps",   "10",    "--max-reps",         "20", "-n",       "5",
        "-q"};
    args.insert(args.end(), more.begin(), more.end());
    return RunProgram(STUDY_TOOL, args);
  };
  ASSERT_EQ(study("first", "1").exitStatus, 2);
  ASSERT_EQ(study("second", "2").exitStatus, 2);
  const json second = ReadJson(dir / "second" / "study.json");
  const std::vector<std::pair<std::function<void(json&)>, std::string>> edits = {
      {[](json& j) { j["globalVariables"] = json::array(); }, "of other global variables"},
      {[](json& j) {
         j["measures"].erase(12);
         j["experiments"][0]["windows"].erase(12);
       },
       "of other measures"},
      {[](json& j) { j["experiments"][0]["replications"] = -7; },
       "(Experiment 3: -7 replications, outside 0 to 20)"},
      {[](json& j) { j["experiments"][0]["streams"][0]["replications"] = 19; },
       "(Experiment 3: streams that count 19 replications, not 20)"},
      {[](json& j) { j["experiments"][0]["windows"][5]["lower"] = 1e9; }, "that does not hold"},
      {[](json& j) { j["experiments"][0]["status"] = "finished"; }, "an unknown status 'finished'"},
  };
  for (const auto& [edit, message] : edits) {
    json edited = second;
    edit(edited);
    WriteJson(dir / "second" / "study.json", edited);
    const ToolRun merge = RunProgram(
        STUDY_TOOL,
        {"merge", (dir / "out").string(), (dir / "first").string(), (dir / "second").string()});
    EXPECT_EQ(merge.exitStatus, 1) << message;
    EXPECT_NE(merge.err.find(message), std::string::npos) << merge.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "study.json")) << message;
  }

  // --resume: an experiment edited to have converged at -7 replications.
  json edited = second;
  edited["experiments"][0]["replications"] = -7;
  edited["experiments"][0]["status"] = "converged";
  WriteJson(dir / "second" / "study.json", edited);
  const ToolRun resumed = study("second", "2", {"--resume"});
  EXPECT_EQ(resumed.exitStatus, 1);
  EXPECT_NE(resumed.err.find("holds an experiment that this study cannot have written "
                             "(Experiment 3: -7 replications, outside 0 to 20)"),
            std::string::npos)
      << resumed.err;

  edited = second;
  edited["experiments"][0]["status"] = "running";
  WriteJson(dir / "second" / "study.json", edited);
  const ToolRun merge = RunProgram(
      STUDY_TOOL,
      {"merge", (dir / "out").string(), (dir / "first").string(), (dir / "second").string()});
  EXPECT_EQ(merge.exitStatus, 2) << merge.err;
  const auto rows = ReadCsv(dir / "out" / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[13].at("status"), "incomplete");
}

// Two studies started on one directory: the second is refused while the
// first runs, and the first's results stay its own.
TEST(StudyToolHardening, OneStudyAtATimeWritesADirectory) {
  const auto dir = results::freshDirectory("locked");
  ChildProcess first;
  std::string error;
  ASSERT_TRUE(first.Start({"/usr/bin/env", "-i", "PATH=/usr/bin:/bin", "FAKE_SIM_FAULTS=*:slow",
                           STUDY_TOOL, "--simulator", FAKE_SIMULATOR, "--out", dir.string(), "-e",
                           "1", "--min-reps", "100000", "--max-reps", "100000", "-n", "5", "-q"},
                          error))
      << error;
  for (int i = 0; i < 500 && !std::filesystem::exists(dir / "study.json"); i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(std::filesystem::exists(dir / "study.json"));
  const ToolRun second = RunProgram(STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--out",
                                                 dir.string(), "-e", "2", "--overwrite", "-q"});
  EXPECT_EQ(second.exitStatus, 1);
  EXPECT_NE(second.err.find("another study or merge is writing into " + dir.string()),
            std::string::npos)
      << second.err;
  const ToolRun merge = RunProgram(STUDY_TOOL, {"merge", dir.string(), dir.string()});
  EXPECT_EQ(merge.exitStatus, 1);
  EXPECT_NE(merge.err.find("another study or merge is writing into"), std::string::npos)
      << merge.err;
  first.Signal(SIGTERM);
  EXPECT_TRUE(first.WaitFor(20.0));
  const json written = ReadJson(dir / "study.json");
  ASSERT_EQ(written["experiments"].size(), 1u);
  EXPECT_EQ(written["experiments"][0]["name"], "Experiment 2");
  EXPECT_EQ(written["experiments"][0]["status"], "incomplete");
}
