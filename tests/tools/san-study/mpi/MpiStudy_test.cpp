// san-study-mpi under mpirun with 1, 2 and 3 ranks on this machine: the
// numbers of the local tool with the same streams, a failed stream on
// another rank, and the results so far when the job is stopped or loses a
// rank, with no simulator left behind.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyOptions.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
const std::string simulator = MB_BINARY_DIR "/movingblock-sim";

// mpirun as root, with more ranks than cores (the harness gives the program
// an environment of its own, so these are options rather than variables).
ToolRun MpiRun(int ranks, std::vector<std::string> args, const std::string& faults = "",
               double interruptAfter = 0, const std::function<bool(double)>& whileRunning = {}) {
  args.insert(args.begin(), {"--allow-run-as-root", "--oversubscribe", "-np", std::to_string(ranks),
                             MPI_STUDY_TOOL});
  return RunProgram(MPIRUN, args, faults, interruptAfter, SIGTERM, "/usr/bin:/bin", whileRunning);
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

nlohmann::json Json(const std::filesystem::path& dir) {
  nlohmann::json json;
  std::ifstream(dir / "study.json") >> json;
  return json;
}

// The process of rank `rank` of the last run (not its watchdog, a fork of it).
pid_t RankProcess(int rank) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path() / "exe", error).filename() != "san-study-mpi")
      continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    bool tagged = false, ranked = false;
    for (std::string item; std::getline(environ, item, '\0');) {
      tagged |= item == "FAKE_SIM_TAG=" + RunTag();
      ranked |= item == "OMPI_COMM_WORLD_RANK=" + std::to_string(rank);
    }
    std::ifstream stat(entry.path() / "stat");
    std::string pid, comm, state, parent;
    stat >> pid >> comm >> state >> parent;
    const auto parentExe =
        std::filesystem::read_symlink("/proc/" + parent + "/exe", error).filename();
    if (tagged && ranked && parentExe != "san-study-mpi") return std::stoi(name);
  }
  return -1;
}
}  // namespace

TEST(MpiStudy, TheNumbersOfTheLocalToolUnderOneTwoAndThreeRanks) {
  const std::vector<std::string> settings{"--simulator", simulator, "-e", "3,5",        "--streams",
                                          "3",           "-j",      "1",  "--min-reps", "5",
                                          "--max-reps",  "40",      "-n", "5",          "-q"};
  const auto local = results::freshDirectory("mpi-local");
  auto args = settings;
  args.insert(args.end(), {"--out", local.string()});
  ASSERT_EQ(RunProgram(STUDY_TOOL, args).exitStatus, 2);
  const auto expected = Numbers(local);
  ASSERT_EQ(expected.size(), 26u);
  EXPECT_EQ(expected[0].at("stream_replications"), "15 15 10");
  for (int ranks : {1, 2, 3}) {
    const auto dir = results::freshDirectory("mpi-" + std::to_string(ranks));
    args = settings;
    args.insert(args.end(), {"--out", dir.string()});
    const ToolRun run = MpiRun(ranks, args);
    EXPECT_NE(run.exitStatus, 0) << run.err;  // rank 0's status 2: short of the precision
    EXPECT_NE(run.out.find("Experiment 6 stopped at 40 replications short of"), std::string::npos)
        << run.out;
    EXPECT_EQ(Numbers(dir), expected) << ranks << " ranks";
    EXPECT_TRUE(Json(dir)["complete"]);
  }
}

TEST(MpiStudy, AStreamFailingOnAnotherRankLeavesTheOthersRunning) {
  const auto dir = results::freshDirectory("mpi-fault");
  const std::uint32_t second = StreamSeed(31415, 0, "", 1, 0);  // stream 1 runs on rank 1
  const ToolRun run = MpiRun(
      2,
      {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "-e", "0", "--streams", "2", "-j", "1",
       "--min-reps", "100", "--max-reps", "100", "-n", "10", "-q", "--abs-precision", "1"},
      "s" + std::to_string(second) + ":crash");
  EXPECT_NE(run.exitStatus, 0);
  EXPECT_NE(run.err.find("Experiment 1 stream 1 (-e 0 -s " + std::to_string(second) +
                         "): the simulator was killed"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("(on rank 1)"), std::string::npos) << run.err;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0].at("status"), "converged");
  EXPECT_EQ(rows[0].at("stream_replications"), "80 20");
  EXPECT_TRUE(TaggedSimulatorsGone(3.0));
}

TEST(MpiStudy, AStoppedJobOrALostRankLeavesTheResultsSoFar) {
  const std::vector<std::string> settings{
      "--simulator", FAKE_SIMULATOR, "--streams", "2",  "-j", "1", "--min-reps",
      "100000",      "--max-reps",   "100000",    "-n", "5",  "-q"};
  const auto stopped = results::freshDirectory("mpi-stopped");
  auto args = settings;
  args.insert(args.end(), {"--out", stopped.string()});
  const ToolRun term = MpiRun(2, args, "*:slow", 2.0);
  EXPECT_NE(term.exitStatus, 0);
  EXPECT_TRUE(TaggedSimulatorsGone(5.0));
  nlohmann::json json = Json(stopped);
  EXPECT_FALSE(json["complete"]);
  EXPECT_TRUE(json["interrupted"]);
  EXPECT_GT(json["experiments"][0]["replications"], 0);

  // Rank 1 killed outright: the job ends, rank 0 has written what it had
  // folded, and the simulators of both ranks are gone.
  const auto lost = results::freshDirectory("mpi-lost");
  args = settings;
  args.insert(args.end(), {"--out", lost.string()});
  bool killed = false;
  const ToolRun run = MpiRun(2, args, "*:slow", 0, [&](double seconds) {
    if (killed || seconds < 2.0) return false;
    if (const pid_t rank1 = RankProcess(1); rank1 > 0) killed = kill(rank1, SIGKILL) == 0;
    return false;
  });
  ASSERT_TRUE(killed);
  EXPECT_NE(run.exitStatus, 0);
  EXPECT_TRUE(TaggedSimulatorsGone(5.0));
  json = Json(lost);
  EXPECT_FALSE(json["complete"]);
  EXPECT_GT(json["experiments"][0]["replications"], 0);
}
