// Command-line parsing: values, echoes, messages and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Executive/SimulatorClass.h"

namespace {

struct ParseResult {
  short status;
  std::string out;
  std::string err;
};

// Parses the given arguments (program name prepended) into `sim`.
ParseResult parse(SimulatorClass& sim, std::vector<std::string> args) {
  args.insert(args.begin(), "movingblock-sim");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  short status = sim.ParseCommandLineOptions(static_cast<int>(argv.size()), argv.data());
  std::string err = testing::internal::GetCapturedStderr();
  std::string out = testing::internal::GetCapturedStdout();
  return {status, out, err};
}

TEST(CommandLine, DefaultsAndEchoes) {
  SimulatorClass sim;
  auto r = parse(sim, {"-a", "out.txt", "-bres.bin", "-c", "7", "-e3", "-n", "25", "-N", "40",
                       "-p", "70001", "-s", "0", "-t", "0", "-w", "-r", "2", "-O", "d:x:1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_STREQ(sim.ASCIIFileName, "out.txt");
  EXPECT_STREQ(sim.BinFileName, "res.bin");
  EXPECT_EQ(sim.ClientID, 7);
  EXPECT_EQ(sim.Experiment, 3);
  EXPECT_EQ(sim.ReportSize, 25);
  EXPECT_EQ(sim.MaxBatches, 40);
  EXPECT_EQ(sim.Port, static_cast<uint16_t>(70001 & 0xFFFF));
  EXPECT_EQ(sim.Seed, 0u);
  EXPECT_EQ(sim.SimulationType, 0);
  EXPECT_TRUE(sim.WaitForSocket);
  EXPECT_EQ(sim.GeneratorType, SimulatorClass::MersenneTwisterGenerator);
  EXPECT_STREQ(sim.OverrideString, "d:x:1");
  EXPECT_FALSE(sim.PlainTraceOn);
  EXPECT_EQ(r.out,
            "ASCIIFilename: out.txt\nBinFilename: res.bin\nClientID: 7\nExperiment: 3\n"
            "ReportSize: 25\nMax Number of Batches: 40\nPort: 4465\nRandom Number Seed: 0\n"
            "Is Terminating Simulation: 0\nWait For Socket Enabled\n"
            "Random Number Generator: Mersenne Twister\nOverrideString is d:x:1\n");

  SimulatorClass fresh;
  EXPECT_EQ(parse(fresh, {"word", "-m"}).status, 0);  // a word without '-' is skipped
  EXPECT_EQ(fresh.ReportSize, 1000);
  EXPECT_EQ(fresh.Port, 10000);
  EXPECT_EQ(fresh.Seed, 31415u);
  EXPECT_EQ(fresh.SimulationType, 1);
  EXPECT_EQ(fresh.GeneratorType, SimulatorClass::LaggedFibonacciGenerator);
  EXPECT_TRUE(fresh.PlainTraceOn);
}

TEST(CommandLine, NegativeAndUnsignedValues) {
  SimulatorClass sim;
  auto r = parse(sim, {"-e-3", "-s-1"});  // attached values may begin with '-'
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(sim.Experiment, -3);
  EXPECT_EQ(sim.Seed, 0xFFFFFFFFu);
  EXPECT_EQ(r.out, "Experiment: 4294967293\nRandom Number Seed: 4294967295\n");
}

TEST(CommandLine, TraceSwitchedOnByLevelOrFile) {
  SimulatorClass byFile;
  ASSERT_EQ(parse(byFile, {"-f", "trace"}).status, 0);
  EXPECT_TRUE(byFile.PlainTraceOn);
  SimulatorClass byLevel;
  ASSERT_EQ(parse(byLevel, {"-l", "2"}).status, 0);
  EXPECT_TRUE(byLevel.PlainTraceOn);
  EXPECT_EQ(byLevel.TraceLevelSetting, 2);
  SimulatorClass xmlOnly;
  ASSERT_EQ(parse(xmlOnly, {"-f", "trace", "-x"}).status, 0);
  EXPECT_FALSE(xmlOnly.PlainTraceOn);
  EXPECT_TRUE(xmlOnly.XMLTraceOn);
}

TEST(CommandLine, ErrorsAndTheirMessages) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"-e", "-3"}, "Expect a parameter after '-e'\n"},  // -3 is not a parameter
      {{"-O"}, "Expect a parameter after '-O'\n"},
      {{"-O", "-w"}, "Expect a parameter after '-O'\n"},
      {{"-a"}, "Expect a parameter after '-a'\n"},
      {{"-m", "word"}, "Did not expect a parameter after '-m'\n"},
      {{"-xyz"}, "Did not expect a parameter after '-x'\n"},
      {{"-w", "1"}, "Did not expect a parameter after '-w'\n"},
      {{"-q"}, "ERROR: Unrecognized Command Line option: -q\n"},
      {{"-r", "3"}, ""},
      {{"-r-1"}, ""},
      {{"-n", "0"}, "Expect a parameter of at least 1 after '-n'\n"},
      {{"-a" + std::string(127, 'x')}, "ERROR: Command Line Argument Too Long, Limited to 128 Characters\n"},
  };
  for (const auto& c : cases) {
    SimulatorClass sim;
    auto r = parse(sim, c.args);
    EXPECT_EQ(r.status, 1) << c.args[0];
    EXPECT_EQ(r.err, c.err) << c.args[0];
  }
  SimulatorClass exact;
  EXPECT_EQ(parse(exact, {"-a" + std::string(126, 'x')}).status, 0);  // 128 characters
}

TEST(CommandLine, GeneratorNames) {
  EXPECT_EQ(SimulatorClass::to_string(SimulatorClass::LaggedFibonacciGenerator), "Lagged Fibonacci");
  EXPECT_EQ(SimulatorClass::to_string(SimulatorClass::TauswortheGenerator), "Tausworthe");
  EXPECT_EQ(SimulatorClass::to_string(SimulatorClass::MersenneTwisterGenerator), "Mersenne Twister");
  EXPECT_EQ(SimulatorClass::to_string(static_cast<SimulatorClass::RandomNumberGeneratorType>(3)),
            "Unknown");
}

TEST(CommandLineDeathTest, ErrorsPrintUsageAndExitWithStatusOne) {
  std::vector<std::string> args = {"movingblock-sim"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  EXPECT_EXIT(SimulatorClass(1, argv.data()), testing::ExitedWithCode(1),
              "ERROR: No command line options specified\nValid Options\n(.|\n)*-w: Simulator will "
              "wait(.|\n)*ERROR: Parsing command line options");
  std::vector<std::string> bad = {"movingblock-sim", "-r", "3"};
  std::vector<char*> badArgv;
  for (auto& a : bad) badArgv.push_back(a.data());
  EXPECT_EXIT(SimulatorClass(3, badArgv.data()), testing::ExitedWithCode(1),
              "^Valid Options\n(.|\n)*ERROR: Parsing command line options\n$");
}

}  // namespace
