// movingblock-study with the real simulator and the railway model's study.
#include <gtest/gtest.h>

#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

TEST(RealSimulator, TwoExperimentsAgreeWithItsOwnResultFiles) {
  const std::string simulator = MB_BINARY_DIR "/movingblock-sim", tool = MB_BINARY_DIR "/movingblock-study";
  const auto dir = results::freshDirectory("real");
  const ToolRun run = RunProgram(tool, {"--simulator", simulator, "--out", dir.string(), "--experiments", "0,5",
                                        "--min-reps", "5", "--max-reps", "10", "-n", "5"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[13].at("name"), "Experiment 6");
  EXPECT_EQ(rows[13].at("loss_probability"), "0.5");
  for (std::size_t first : {0u, 13u}) {
    const auto& row = rows[first];
    const auto ascii = dir / ("experiment" + row.at("experiment") + ".txt");
    const ToolRun rerun = RunProgram(simulator, {"-e", row.at("experiment"), "-s", row.at("seed"), "-N",
                                                 row.at("replications"), "-a", ascii.string()});
    ASSERT_EQ(rerun.exitStatus, 0) << rerun.err;
    const auto means = AsciiMeans(ascii);
    ASSERT_EQ(means.size(), 13u);
    for (int w = 0; w < 13; w++) EXPECT_NEAR(std::stod(rows[first + w].at("mean")), means.at(w), 1e-9);
  }
}
