// movingblock-study with the real simulator and the railway model's study;
// skipped while build/movingblock-sim cannot simulate yet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ChildProcess.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {
const std::string kSimulator = MB_BINARY_DIR "/movingblock-sim";
const std::string kTool = MB_BINARY_DIR "/movingblock-study";

// Why the real simulator cannot take part yet; empty when it can.
std::string WhyNotReady() {
  if (access(kTool.c_str(), X_OK) != 0) return "movingblock-study is built only with the railway model";
  if (access(kSimulator.c_str(), X_OK) != 0) return "movingblock-sim is not built";
  ChildProcess probe;  // killed and reaped when it goes out of scope
  std::string error, out;
  if (!probe.Start({kSimulator, "-w", "-e", "0", "-n", "10", "-p", "29000"}, error)) return error;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (out.find("REGISTER:  Port: [") == std::string::npos && std::chrono::steady_clock::now() < deadline &&
         probe.StdoutFd() >= 0) {
    if (!ReadAvailable(probe.StdoutFd(), out)) probe.CloseStdout();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (out.find("REGISTER:  Port: [") == std::string::npos)
    return "movingblock-sim -w announces no port within 5 s: it cannot simulate yet";
  return "";
}
}  // namespace

TEST(RealSimulator, TwoExperimentsAgreeWithItsOwnResultFiles) {
  if (const std::string why = WhyNotReady(); !why.empty()) GTEST_SKIP() << why;
  const auto dir = results::freshDirectory("real");
  const ToolRun run = RunProgram(kTool, {"--simulator", kSimulator, "--out", dir.string(), "--experiments", "0,5",
                                         "--min-reps", "5", "--max-reps", "10", "-n", "5"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[13].at("name"), "Experiment 6");
  EXPECT_EQ(rows[13].at("loss_probability"), "0.5");
  for (std::size_t first : {0u, 13u}) {
    const auto& row = rows[first];
    const auto ascii = dir / ("experiment" + row.at("experiment") + ".txt");
    const ToolRun rerun = RunProgram(kSimulator, {"-e", row.at("experiment"), "-s", row.at("seed"), "-N",
                                                  row.at("replications"), "-a", ascii.string()});
    ASSERT_EQ(rerun.exitStatus, 0) << rerun.err;
    const auto means = AsciiMeans(ascii);
    ASSERT_EQ(means.size(), 13u);
    for (int w = 0; w < 13; w++) EXPECT_NEAR(std::stod(rows[first + w].at("mean")), means.at(w), 1e-9);
  }
}
