// Result files that survive: headers on disk from the start, a run stopped
// by SIGTERM or SIGINT that writes every completed replication and its
// closing line, and outputs that are refused before they could be damaged.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>

#include "SimulatorProcess.h"
#include "SimulatorRun.h"

using namespace results;

namespace {

const std::string kAsciiHeader =
    "#CORVAX_SIM_ASCII_FILE,CORVAX_VER=Version 2.5,FILE_VER=1,EXPERIMENTS=0,SEED=31415,"
    "RANDOMGEN=Lagged Fibonacci\n#FORMAT: (PV ID Number),(PV Value)\n";

int Batches(const std::string& asciiText) {
  const size_t closing = asciiText.rfind("#META_DATA,BATCHES=");
  return closing == std::string::npos ? -1 : std::stoi(asciiText.substr(closing + 19));
}

TEST(ResultsSurvive, StopSignalWritesEveryCompletedReplication) {
  for (const auto& [signal, managed] : {std::pair{SIGTERM, false}, {SIGINT, true}}) {
    SCOPED_TRACE(std::string(strsignal(signal)) + (managed ? " with a manager" : ""));
    const std::string dir = freshDirectory("stopped").string();
    std::vector<std::string> args{"-e", "0", "-n", "7", "-a", "a.txt", "-b", "b.bin"};
    if (managed) args.insert(args.end(), {"-w", "-p", "0"});
    SimulatorProcess process(dir, args);
    std::unique_ptr<CorvaxSocket> manager;
    if (managed) {
      ASSERT_TRUE(manager = ConnectManager(process.Port()));
      EXPECT_GT(ReceiveBytes(*manager, 1000).size(), 0u);
    }
    ASSERT_TRUE(
        SimulatorProcess::Eventually([&] { return readAscii(dir + "/a.txt").size() == 13; }));
    process.Signal(signal);
    EXPECT_EQ(process.Wait(20), 128 + signal) << process.Err();
    EXPECT_TRUE(contains(process.Err(), "Stopped by signal " + std::to_string(signal)))
        << process.Err();

    // The files are those of a run asked for exactly that many replications.
    const std::string ascii = readFile(dir + "/a.txt");
    const int batches = Batches(ascii);
    ASSERT_GE(batches, 7) << ascii.substr(ascii.size() > 200 ? ascii.size() - 200 : 0);
    const RunResult again =
        runSimulator(dir, "-e 0 -n 7 -N " + std::to_string(batches) + " -a a2.txt -b b2.bin");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ascii, readFile(dir + "/a2.txt"));
    EXPECT_EQ(readFile(dir + "/b.bin"), readFile(dir + "/b2.bin"));
  }
}

TEST(ResultsSurvive, HeadersAreOnDiskFromTheStart) {
  const std::string dir = freshDirectory("headers").string();
  // Waiting for a manager that never comes: nothing simulated yet.
  SimulatorProcess process(dir, {"-w", "-p", "0", "-e", "0", "-a", "a.txt", "-b", "b.bin"});
  ASSERT_GT(process.Port(), 0);
  EXPECT_EQ(readFile(dir + "/a.txt"), kAsciiHeader);
  const BinaryResults binary = readBinary(dir + "/b.bin");
  EXPECT_EQ(readFile(dir + "/b.bin").size(), 256u);
  EXPECT_TRUE(contains(binary.header, ",BATCHES=0,,")) << binary.header;
  process.Signal(SIGINT);
  EXPECT_EQ(process.Wait(20), 128 + SIGINT);
  EXPECT_EQ(readFile(dir + "/a.txt"), kAsciiHeader + "#META_DATA,BATCHES=0\n");
}

TEST(ResultsSurvive, CollidingOrUnopenableOutputsAreRefused) {
  const std::string dir = freshDirectory("outputs").string();
  std::filesystem::create_directory(dir + "/sub");
  for (const char* args : {"-a same -b same", "-a x.txt -b ./sub/../x.txt", "-a tr.txt -m -f tr",
                           "-b tr.xml -x -m -f tr"}) {
    std::ofstream(dir + "/same") << "kept";
    std::ofstream(dir + "/tr.txt") << "kept";
    const RunResult run = runSimulator(dir, std::string("-e 0 -N 1 ") + args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_TRUE(contains(run.err, "are the same file")) << run.err;
    EXPECT_EQ(readFile(dir + "/same"), "kept");
    EXPECT_EQ(readFile(dir + "/tr.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/tr.xml"));
  }
  for (const char* args : {"-m -f nodir/tr", "-x -f nodir/tr"}) {
    const RunResult run = runSimulator(dir, std::string("-e 0 -N 1 ") + args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_TRUE(contains(run.err, "Cannot open trace file 'nodir/tr.")) << run.err;
  }
}

}  // namespace
