// movingblock-study and san-study with the real simulator and the railway
// model's study description: every mean can be recomputed from the
// simulator's own result file with the experiment, seed, replications and
// override of its CSV row.
#include <gtest/gtest.h>
#include <unistd.h>

#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
const std::string simulator = MB_BINARY_DIR "/movingblock-sim";

void ExpectMeansFromTheSimulatorsOwnFiles(const std::filesystem::path& dir, std::size_t rowCount) {
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), rowCount);
  for (std::size_t first = 0; first < rows.size(); first += 13) {
    const auto& row = rows[first];
    const auto ascii = dir / ("experiment" + std::to_string(first) + ".txt");
    std::vector<std::string> args{"-e", row.at("experiment"), "-s", row.at("seed"), "-N", row.at("replications"),
                                  "-a", ascii.string()};
    if (!row.at("override").empty()) args.insert(args.end(), {"-O", row.at("override")});
    const ToolRun rerun = RunProgram(simulator, args);
    ASSERT_EQ(rerun.exitStatus, 0) << rerun.err;
    const auto means = AsciiMeans(ascii);
    ASSERT_EQ(means.size(), 13u);
    for (int w = 0; w < 13; w++) EXPECT_NEAR(std::stod(rows[first + w].at("mean")), means.at(w), 1e-9);
  }
}
}  // namespace

TEST(RealSimulator, ExperimentsAndSweepPointsAgreeWithItsOwnResultFiles) {
  const auto dir = results::freshDirectory("real");
  const ToolRun run = RunProgram(MB_BINARY_DIR "/movingblock-study",
                                 {"--out", dir.string(), "--experiments", "0,5", "--min-reps", "5", "--max-reps", "10",
                                  "-n", "5"});
  ASSERT_EQ(run.exitStatus, 2) << run.err;  // ten replications reach no precision
  EXPECT_NE(run.out.find("loss p"), std::string::npos) << run.out;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[13].at("name"), "Experiment 6");
  EXPECT_EQ(rows[13].at("netNotDeliveryProb"), "0.5");
  ExpectMeansFromTheSimulatorsOwnFiles(dir, 26);

  // The generic tool finds the description beside the simulator.
  const auto swept = results::freshDirectory("real-sweep");
  const ToolRun sweep = RunProgram(MB_BINARY_DIR "/san-study",
                                   {"--simulator", simulator, "--out", swept.string(), "-e", "5", "--sweep",
                                    "d:netNotDeliveryProb=0.35,0.65", "-O", "s:nTrains:12", "--min-reps", "5",
                                    "--max-reps", "10", "-n", "5"});
  ASSERT_EQ(sweep.exitStatus, 2) << sweep.err;
  EXPECT_EQ(ReadCsv(swept / "study.csv")[13].at("override"), "s:nTrains:12:d:netNotDeliveryProb:0.65");
  ExpectMeansFromTheSimulatorsOwnFiles(swept, 26);
}
