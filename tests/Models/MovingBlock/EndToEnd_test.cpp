// The assembled simulator run as users run it: console lines, result files,
// reproducibility, hand-computed model outcomes, overrides and traces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "SimulatorRun.h"

using namespace results;

namespace {

constexpr int kWindows = 13;

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

  const Observations ascii = readAscii(dir + "/a.txt");
  const BinaryResults binary = readBinary(dir + "/b.bin");
  ASSERT_EQ(ascii.size(), static_cast<size_t>(kWindows));
  EXPECT_EQ(binary.all(), ascii);
  // Without losses every train runs unhindered: train k leaves at 200 + 50k.
  for (int w = 0; w < kWindows; w++) {
    EXPECT_EQ(ascii.at(w).size(), 100u);
    const double stop = 100 + 50 * w;
    EXPECT_EQ(ascii.at(w).front(), stop < 200 ? 0 : (stop - 200) / 50 + 1) << "window " << w;
  }
  const std::string text = readFile(dir + "/a.txt");
  EXPECT_TRUE(text.starts_with(
      "#CORVAX_SIM_ASCII_FILE,CORVAX_VER=Version 2.5,FILE_VER=1,EXPERIMENTS=0,"
      "SEED=31415,RANDOMGEN=Lagged Fibonacci\n#FORMAT: (PV ID Number),(PV Value)\n"));
  EXPECT_TRUE(text.ends_with("#META_DATA,BATCHES=100\n"));
  EXPECT_TRUE(contains(binary.header, ",BATCHES=100,,"));

  ASSERT_EQ(runSimulator(dir, "-e 0 -N 100 -a a2.txt -b b2.bin").status, 0);
  EXPECT_EQ(readFile(dir + "/a2.txt"), text);
  EXPECT_EQ(readFile(dir + "/b2.bin"), readFile(dir + "/b.bin"));
}

TEST(EndToEnd, LossyNetworkDependsOnTheSeedAndCountsNeverDecrease) {
  const std::string dir = freshDirectory("lossy");
  for (const char* args : {"-a s1.txt", "-a s1again.txt", "-s 7 -a s7.txt"})
    ASSERT_EQ(runSimulator(dir, std::string("-e 5 -N 40 ") + args).status, 0) << args;
  const Observations first = readAscii(dir + "/s1.txt");
  EXPECT_EQ(readAscii(dir + "/s1again.txt"), first);
  EXPECT_NE(readAscii(dir + "/s7.txt"), first);
  // The first train is authorised to the end of the line whatever the
  // network loses, and no train can leave before it does at 200; by 700
  // at most the 11 trains that enter by 500 can have left.
  double total = 0;
  for (int r = 0; r < 40; r++) {
    EXPECT_EQ(first.at(0)[r], 0.0);
    EXPECT_EQ(first.at(1)[r], 0.0);
    EXPECT_EQ(first.at(2)[r], 1.0);
    for (int w = 3; w < kWindows; w++) EXPECT_GE(first.at(w)[r], first.at(w - 1)[r]);
    EXPECT_LE(first.at(kWindows - 1)[r], 11.0);
    total += first.at(kWindows - 1)[r];
  }
  EXPECT_LT(total / 40, 11.0);  // authorities get lost on the way: some trains are held up
}

TEST(EndToEnd, HandComputedOutcomes) {
  const std::string dir = freshDirectory("outcomes");
  // A single train enters at 0 at full speed and leaves at 16000 / 80 = 200.
  const RunResult single = runSimulator(dir, "-e 0 -N 5 -O s:nTrains:1 -a one.txt");
  ASSERT_EQ(single.status, 0) << single.err;
  EXPECT_TRUE(contains(single.out, "OverrideString is s:nTrains:1\n"));
  EXPECT_TRUE(contains(single.out, "Overriding global variables in simulator\n"));
  for (const auto& [window, counts] : readAscii(dir + "/one.txt"))
    EXPECT_EQ(counts, std::vector<double>(5, window >= 2 ? 1.0 : 0.0)) << "window " << window;

  // Nearly every message is lost (a delivery has weight 1e-16): only the
  // first train, authorised to the end of the line from the start, leaves,
  // at 200 as when it runs alone; the others never get an authority.
  ASSERT_EQ(runSimulator(dir, "-e 10 -N 20 -a lost.txt").status, 0);
  const Observations lost = readAscii(dir + "/lost.txt");
  ASSERT_EQ(lost.size(), static_cast<size_t>(kWindows));
  for (const auto& [window, counts] : lost)
    EXPECT_EQ(counts, std::vector<double>(20, window >= 2 ? 1.0 : 0.0)) << "window " << window;
}

TEST(EndToEnd, RefusalsAndRunsWithNothingToObserve) {
  const std::string dir = freshDirectory("refused");
  for (auto [args, message] :
       {std::pair{"-e 11 -N 1", "'-e' expects a whole number from 0 to 10, not '11'"},
        {"-e 0 -N 1 -O s:nTrains:0", "nTrains must lie in [1, 260], not 0"},
        {"-e 0 -N 1 -O s:nTrains:-2", "nTrains must lie in [1, 260], not -2"}}) {
    const RunResult run = runSimulator(dir, args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_FALSE(run.err.empty()) << args;
    EXPECT_TRUE(contains(run.err, message)) << run.err;
  }
  // The reward variable is not a steady-state one: the run is refused
  // before any file is opened, names the simulation type that fits, and
  // does not claim a good exit.
  std::ofstream(dir + "/ss.txt") << "kept\n";
  const RunResult steady = runSimulator(dir, "-e 0 -t 0 -N 5 -a ss.txt");
  EXPECT_EQ(steady.status, 1);
  EXPECT_TRUE(contains(steady.err, "nothing to observe")) << steady.err;
  EXPECT_TRUE(contains(steady.err, "with -t 1")) << steady.err;
  EXPECT_FALSE(contains(steady.out + steady.err, "GOOD EXIT")) << steady.out << steady.err;
  EXPECT_EQ(readFile(dir + "/ss.txt"), "kept\n");
}

TEST(EndToEnd, TracesAreWritten) {
  const std::string dir = freshDirectory("traces");
  ASSERT_EQ(runSimulator(dir, "-e 0 -N 2 -O s:nTrains:2 -m -l 2 -f plain").status, 0);
  const std::string plain = readFile(dir + "/plain.txt");
  EXPECT_TRUE(plain.starts_with("**************************************\n\t\tTRACE\n"));
  EXPECT_TRUE(contains(plain, "##### NEW BATCH #####\n"));

  ASSERT_EQ(runSimulator(dir, "-e 0 -N 2 -O s:nTrains:2 -x -f xmltrace").status, 0);
  const std::string xml = readFile(dir + "/xmltrace.xml");
  EXPECT_TRUE(contains(xml, "<Process id=\"p") && contains(xml, "<Undiraction id=\"a"));
  EXPECT_TRUE(xml.ends_with("</Trace>\n"));
  EXPECT_EQ(std::system(("xmllint --noout --nonet '" + dir + "/xmltrace.xml'").c_str()), 0);
}

}  // namespace
