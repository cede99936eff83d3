// Command-line parsing: values, echoes, messages and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Executive/SimulatorClass.h"
#include "support/Capture.h"

namespace {

struct ParseResult {
  short status;
  std::string out;
  std::string err;
};

// argv of the given words, the program name first; `words` must outlive it.
std::vector<char*> argvOf(std::vector<std::string>& words) {
  words.insert(words.begin(), "movingblock-sim");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  return argv;
}

ParseResult parse(SimulatorClass& sim, std::vector<std::string> args) {
  std::vector<char*> argv = argvOf(args);
  ParseResult r;
  r.out = StdoutOf([&] { r.err = StderrOf([&] { r.status = sim.ParseCommandLineOptions(argv.size(), argv.data()); }); });
  return r;
}

TEST(CommandLine, ValuesAndEchoes) {
  SimulatorClass sim;
  auto r = parse(sim, {"-a", "out.txt", "-bres.bin", "-c", "7", "-e3", "-n", "25", "-N", "40",
                       "-p", "70001", "-s", "0", "-t", "0", "-w", "-r", "2", "-O", "d:x:1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_STREQ(sim.ASCIIFileName, "out.txt");
  EXPECT_STREQ(sim.BinFileName, "res.bin");
  EXPECT_STREQ(sim.OverrideString, "d:x:1");
  EXPECT_EQ(std::tuple(sim.ClientID, sim.Experiment, sim.ReportSize, sim.MaxBatches, sim.Port, sim.Seed,
                       sim.SimulationType, sim.WaitForSocket, sim.GeneratorType, sim.PlainTraceOn),
            std::tuple(7, 3, 25, 40, uint16_t{70001 & 0xFFFF}, 0u, 0, true,
                       SimulatorClass::MersenneTwisterGenerator, false));
  EXPECT_EQ(r.out,
            "ASCIIFilename: out.txt\nBinFilename: res.bin\nClientID: 7\nExperiment: 3\n"
            "ReportSize: 25\nMax Number of Batches: 40\nPort: 4465\nRandom Number Seed: 0\n"
            "Is Terminating Simulation: 0\nWait For Socket Enabled\n"
            "Random Number Generator: Mersenne Twister\nOverrideString is d:x:1\n");

  SimulatorClass fresh;  // defaults; a word without '-' is skipped
  EXPECT_EQ(parse(fresh, {"word", "-m"}).status, 0);
  EXPECT_EQ(std::tuple(fresh.ReportSize, fresh.Port, fresh.Seed, fresh.SimulationType, fresh.GeneratorType,
                       fresh.PlainTraceOn),
            std::tuple(1000, uint16_t{10000}, 31415u, 1, SimulatorClass::LaggedFibonacciGenerator, true));

  SimulatorClass negative;  // attached values may begin with '-'
  r = parse(negative, {"-e-3", "-s-1", "-r1"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(std::tuple(negative.Experiment, negative.Seed), std::tuple(-3, 0xFFFFFFFFu));
  EXPECT_EQ(r.out, "Experiment: 4294967293\nRandom Number Seed: 4294967295\nRandom Number Generator: Tausworthe\n");

  // The trace is switched on by a file name or a level; -x makes it XML only.
  for (auto [args, plain, xml, level] : {std::tuple{std::vector<std::string>{"-f", "t"}, true, false, 1},
                                         {{"-l", "2"}, true, false, 2},
                                         {{"-f", "t", "-x"}, false, true, 1}}) {
    SimulatorClass traced;
    ASSERT_EQ(parse(traced, args).status, 0);
    EXPECT_EQ(std::tuple(traced.PlainTraceOn, traced.XMLTraceOn, traced.TraceLevelSetting),
              std::tuple(plain, xml, level)) << args[0];
  }
}

TEST(CommandLine, ErrorsAndTheirMessages) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
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
  for (const auto& [args, err] : cases) {
    SimulatorClass sim;
    auto r = parse(sim, args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, err) << args[0];
  }
  SimulatorClass exact;
  EXPECT_EQ(parse(exact, {"-a" + std::string(126, 'x')}).status, 0);  // 128 characters
  EXPECT_EQ(SimulatorClass::to_string(static_cast<SimulatorClass::RandomNumberGeneratorType>(3)), "Unknown");
}

TEST(CommandLineDeathTest, ErrorsPrintUsageAndExitWithStatusOne) {
  std::vector<std::string> none, bad{"-r", "3"};
  std::vector<char*> noneArgv = argvOf(none), badArgv = argvOf(bad);
  EXPECT_EXIT(SimulatorClass(1, noneArgv.data()), testing::ExitedWithCode(1),
              "ERROR: No command line options specified\nValid Options\n(.|\n)*-w: Simulator will "
              "wait(.|\n)*ERROR: Parsing command line options");
  EXPECT_EXIT(SimulatorClass(3, badArgv.data()), testing::ExitedWithCode(1),
              "^Valid Options\n(.|\n)*ERROR: Parsing command line options\n$");
}

}  // namespace
