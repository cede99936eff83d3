// The assembled simulator run as users run it: console lines, result files,
// reproducibility, hand-computed model outcomes, overrides and traces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SimulatorRun.h"

namespace {

constexpr int kWindows = 13;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(EndToEnd, ExperimentOneWritesBothFilesReproducibly) {
  const std::string dir = freshDirectory("experiment1");
  const RunResult run = runSimulator(dir, "-e 0 -N 100 -a a.txt -b b.bin");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* line :
       {"Experiment: 0\n", "Max Number of Batches: 100\n", "ASCIIFilename: a.txt\n",
        "BinFilename: b.bin\n", "GenerateConnectivityList()\n", "SIMULATOR::Preparing to run()\n",
        "Actions fired: ", "CPU time (s): ", "SIMULATOR::MAIN()-GOOD EXIT\n"})
    EXPECT_TRUE(contains(run.out, line)) << line;
  EXPECT_EQ(run.err, "SIMULATOR::MAIN()-GOOD EXIT\n");

  const auto ascii = readAsciiObservations(dir + "/a.txt");
  const BinaryResults binary = readBinaryResults(dir + "/b.bin");
  ASSERT_EQ(ascii.size(), static_cast<size_t>(kWindows));
  ASSERT_EQ(binary.values.size(), static_cast<size_t>(kWindows));
  for (int w = 0; w < kWindows; w++) {
    EXPECT_EQ(ascii.at(w).size(), 100u);
    EXPECT_EQ(binary.values.at(w), ascii.at(w)) << "window " << w;
  }
  const std::string text = readFile(dir + "/a.txt");
  EXPECT_EQ(text.rfind("#CORVAX_SIM_ASCII_FILE,CORVAX_VER=Version 2.5,FILE_VER=1,EXPERIMENTS=0,"
                       "SEED=31415,RANDOMGEN=Lagged Fibonacci\n#FORMAT: (PV ID Number),(PV Value)\n",
                       0),
            0u);
  EXPECT_TRUE(text.ends_with("#META_DATA,BATCHES=100\n"));
  EXPECT_TRUE(contains(binary.header, ",BATCHES=100,,"));

  // Without losses every train runs unhindered: train k leaves at 200 + 50k.
  for (int w = 0; w < kWindows; w++) {
    const double stop = 100 + 50 * w;
    const double expected = stop < 200 ? 0 : (stop - 200) / 50 + 1;
    EXPECT_EQ(ascii.at(w).front(), expected) << "window " << w;
  }

  const RunResult again = runSimulator(dir, "-e 0 -N 100 -a a2.txt -b b2.bin");
  ASSERT_EQ(again.status, 0);
  EXPECT_EQ(readFile(dir + "/a2.txt"), text);
  EXPECT_EQ(readFile(dir + "/b2.bin"), readFile(dir + "/b.bin"));
}

TEST(EndToEnd, LossyNetworkDependsOnTheSeedAndCountsNeverDecrease) {
  const std::string dir = freshDirectory("lossy");
  ASSERT_EQ(runSimulator(dir, "-e 5 -N 40 -a s1.txt").status, 0);
  ASSERT_EQ(runSimulator(dir, "-e 5 -N 40 -a s1again.txt").status, 0);
  ASSERT_EQ(runSimulator(dir, "-e 5 -N 40 -s 7 -a s7.txt").status, 0);
  const auto first = readAsciiObservations(dir + "/s1.txt");
  EXPECT_EQ(readAsciiObservations(dir + "/s1again.txt"), first);
  EXPECT_NE(readAsciiObservations(dir + "/s7.txt"), first);
  for (int r = 0; r < 40; r++)
    for (int w = 1; w < kWindows; w++) EXPECT_GE(first.at(w)[r], first.at(w - 1)[r]);

  // Authorities get lost on the way: some trains are held up.
  double total = 0;
  for (double count : first.at(kWindows - 1)) total += count;
  EXPECT_LT(total / 40, 11.0);
}

TEST(EndToEnd, HandComputedOutcomes) {
  const std::string dir = freshDirectory("outcomes");
  // A single train enters at 0 at full speed and leaves at 16000 / 80 = 200.
  const RunResult single = runSimulator(dir, "-e 0 -N 5 -O s:nTrains:1 -a one.txt");
  ASSERT_EQ(single.status, 0) << single.err;
  EXPECT_TRUE(contains(single.out, "OverrideString is s:nTrains:1\n"
                                   "Overriding global variables in simulator\n") ||
              contains(single.out, "Overriding global variables in simulator\n"));
  const auto one = readAsciiObservations(dir + "/one.txt");
  for (int w = 0; w < kWindows; w++)
    for (double count : one.at(w)) EXPECT_EQ(count, w >= 2 ? 1.0 : 0.0) << "window " << w;

  // Nearly every message is lost: only the first train, authorised to the
  // end of the line from the start, ever leaves.
  ASSERT_EQ(runSimulator(dir, "-e 10 -N 20 -a lost.txt").status, 0);
  for (const auto& [window, counts] : readAsciiObservations(dir + "/lost.txt"))
    for (double count : counts) EXPECT_LE(count, 1.0);
}

TEST(EndToEnd, BadExperimentAndTrainCountAreRefused) {
  const std::string dir = freshDirectory("refused");
  RunResult run = runSimulator(dir, "-e 11 -N 1");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.err, "Experiment 11 does not exist")) << run.err;
  run = runSimulator(dir, "-e 0 -N 1 -O s:nTrains:0");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.err, "nTrains is 0")) << run.err;
  run = runSimulator(dir, "-e 0 -N 1 -O s:nTrains:-2");
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(run.err.empty());
}

TEST(EndToEnd, SteadyStateRunStopsInAnOrderlyWay) {
  const std::string dir = freshDirectory("steady");
  const RunResult run = runSimulator(dir, "-e 0 -t 0 -N 5 -a ss.txt");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.err, "nothing to observe")) << run.err;
  EXPECT_TRUE(contains(run.out, "Actions fired: 0\n")) << run.out;
}

TEST(EndToEnd, ConnectivityBuildersGiveTheSameResults) {
  const std::string dir = freshDirectory("simtest");
  std::map<int, std::vector<double>> reference;
  for (const char* simTest : {"", "SIMTEST=0", "SIMTEST=1", "SIMTEST=2"}) {
    const RunResult run = runSimulator(dir, "-e 0 -N 3 -a r.txt", simTest);
    ASSERT_EQ(run.status, 0) << simTest;
    const bool old = std::string(simTest) == "SIMTEST=0" || std::string(simTest) == "SIMTEST=1";
    EXPECT_TRUE(contains(run.out, old ? "GenerateConnectivityListOld()\n"
                                      : "GenerateConnectivityList()\n"))
        << simTest;
    const auto values = readAsciiObservations(dir + "/r.txt");
    if (reference.empty()) reference = values;
    EXPECT_EQ(values, reference) << simTest;
  }
}

TEST(EndToEnd, TracesAreWritten) {
  const std::string dir = freshDirectory("traces");
  ASSERT_EQ(runSimulator(dir, "-e 0 -N 2 -m -l 2 -f plain").status, 0);
  const std::string plain = readFile(dir + "/plain.txt");
  EXPECT_TRUE(plain.starts_with("**************************************\n\t\tTRACE\n"));
  EXPECT_TRUE(contains(plain, "##### NEW BATCH #####\n"));

  ASSERT_EQ(runSimulator(dir, "-e 0 -N 2 -x -f xmltrace").status, 0);
  const std::string xml = readFile(dir + "/xmltrace.xml");
  EXPECT_TRUE(contains(xml, "<Process id=\"p"));
  EXPECT_TRUE(contains(xml, "<Undiraction id=\"a"));
  EXPECT_TRUE(xml.ends_with("</Trace>\n"));
  const std::string check = "xmllint --noout --nonet '" + dir + "/xmltrace.xml'";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

}  // namespace
