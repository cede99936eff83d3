// The kind of run against the kind of variables, on simulators generated
// from model files: the M/M/1 queue's variables are steady-state ones only.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ResultReaders.h"

namespace {

namespace fs = std::filesystem;

struct SimulatorRun {
  int status = -1;
  std::string out, err;
};

SimulatorRun RunIn(const fs::path& dir, const std::string& options) {
  const std::string command =
      "cd '" + dir.string() + "' && '" MM1_SIM "' " + options + " >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  SimulatorRun run;
  run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = results::readFile((dir / "stdout.txt").string());
  run.err = results::readFile((dir / "stderr.txt").string());
  return run;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(RunKinds, ATerminatingRunOfSteadyStateVariablesIsRefusedBeforeAnyFile) {
  const fs::path dir = results::freshDirectory("run-kinds-refused");
  std::ofstream(dir / "a.txt") << "kept\n";
  const SimulatorRun run = RunIn(dir, "-e 0 -N 4 -a a.txt -b b.bin");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "No terminating reward variable")) << run.err;
  EXPECT_TRUE(Contains(run.err, "-t 0")) << run.err;
  EXPECT_FALSE(Contains(run.out + run.err, "GOOD EXIT")) << run.out << run.err;
  EXPECT_EQ(results::readFile((dir / "a.txt").string()), "kept\n");
  EXPECT_FALSE(fs::exists(dir / "b.bin"));
  fs::remove_all(dir);
}

// A steady-state run counts its batches in both files' headers and closing
// lines, and ends with the good-exit line on both streams.
TEST(RunKinds, ASteadyStateRunCountsItsBatches) {
  const fs::path dir = results::freshDirectory("run-kinds-batches");
  const SimulatorRun run = RunIn(dir, "-e 0 -t 0 -N 3 -n 2 -a a.txt -b b.bin");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "SIMULATOR::MAIN()-GOOD EXIT\n"));
  EXPECT_EQ(run.err, "SIMULATOR::MAIN()-GOOD EXIT\n");
  const results::Observations ascii = results::readAscii((dir / "a.txt").string());
  ASSERT_EQ(ascii.size(), 1u);
  EXPECT_EQ(ascii.at(0).size(), 3u);
  EXPECT_TRUE(results::readFile((dir / "a.txt").string()).ends_with("\n#META_DATA,BATCHES=3\n"));
  const results::BinaryResults binary = results::readBinary((dir / "b.bin").string());
  EXPECT_TRUE(Contains(binary.header, ",BATCHES=3,,")) << binary.header;
  ASSERT_EQ(binary.all().at(0).size(), 3u);
  for (int b = 0; b < 3; b++)  // the ASCII file has ten decimals
    EXPECT_NEAR(binary.all().at(0)[b], ascii.at(0)[b], 1e-10) << b;
  fs::remove_all(dir);
}

}  // namespace
