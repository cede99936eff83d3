// Command-line parsing: values, echoes, messages and exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "Executive/ConnectivityTable.h"
#include "Executive/RunSettings.h"
#include "Executive/SimulatorClass.h"
#include "Study/BaseStudyClass.h"
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

ParseResult parse(RunSettings& settings, std::vector<std::string> args,
                  const BaseStudyClass* study = nullptr) {
  std::vector<char*> argv = argvOf(args);
  ParseResult r;
  r.out = StdoutOf([&] {
    r.err = StderrOf([&] { r.status = settings.Parse(argv.size(), argv.data(), study); });
  });
  return r;
}

TEST(CommandLine, ValuesAndEchoes) {
  RunSettings sim;
  auto r =
      parse(sim, {"-a",   "out.txt", "-bres.bin", "-c", "7", "-e3", "-n", "25", "-N", "40",   "-p",
                  "4465", "-s",      "0",         "-t", "0", "-w",  "-r", "2",  "-O", "d:x:1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_STREQ(sim.ASCIIFileName(), "out.txt");
  EXPECT_STREQ(sim.BinFileName(), "res.bin");
  EXPECT_STREQ(sim.OverrideString(), "d:x:1");
  EXPECT_EQ(std::tuple(sim.ClientID(), sim.Experiment(), sim.ReportSize(), sim.MaxBatches(),
                       sim.Port(), sim.Seed(), sim.SimulationType(), sim.WaitForSocket(),
                       sim.GeneratorType(), sim.PlainTraceOn()),
            std::tuple(7, 3, 25, 40, uint16_t{4465}, 0u, 0, true,
                       SimulatorClass::MersenneTwisterGenerator, false));
  EXPECT_EQ(r.out,
            "ASCIIFilename: out.txt\nBinFilename: res.bin\nClientID: 7\nExperiment: 3\n"
            "ReportSize: 25\nMax Number of Batches: 40\nPort: 4465\nRandom Number Seed: 0\n"
            "Is Terminating Simulation: 0\nWait For Socket Enabled\n"
            "Random Number Generator: Mersenne Twister\nOverrideString is d:x:1\n");

  RunSettings fresh;  // defaults
  EXPECT_EQ(parse(fresh, {"-m"}).status, 0);
  EXPECT_EQ(
      std::tuple(fresh.ReportSize(), fresh.Port(), fresh.Seed(), fresh.SimulationType(),
                 fresh.GeneratorType(), fresh.PlainTraceOn()),
      std::tuple(1000, uint16_t{10000}, 31415u, 1, SimulatorClass::LaggedFibonacciGenerator, true));

  RunSettings negative;  // attached values may begin with '-'
  r = parse(negative, {"-c-3", "-s4294967295", "-r1"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(std::tuple(negative.ClientID(), negative.Seed()), std::tuple(-3, 0xFFFFFFFFu));
  EXPECT_EQ(r.out,
            "ClientID: -3\nRandom Number Seed: 4294967295\nRandom Number Generator: Tausworthe\n");

  // The trace is switched on by a file name or a level; -x makes it XML only.
  for (auto [args, plain, xml, level] :
       {std::tuple{std::vector<std::string>{"-f", "t"}, true, false, 1},
        {{"-l", "2"}, true, false, 2},
        {{"-f", "t", "-x"}, false, true, 1}}) {
    RunSettings traced;
    ASSERT_EQ(parse(traced, args).status, 0);
    EXPECT_EQ(std::tuple(traced.PlainTraceOn(), traced.XMLTraceOn(), traced.TraceLevel()),
              std::tuple(plain, xml, level))
        << args[0];
  }
}

TEST(CommandLine, ErrorsAndTheirMessages) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-e", "-3"}, "Expect a parameter after '-e'\n"},  // -3 is not a parameter
      {{"-O"}, "Expect a parameter after '-O'\n"},
      {{"-O", "-w"}, "Expect a parameter after '-O'\n"},
      {{"-a"}, "Expect a parameter after '-a'\n"},
      {{"-f", ""}, "ERROR: '-f' needs a file name, not an empty word\n"},
      {{"-b", ""}, "ERROR: '-b' needs a file name, not an empty word\n"},
      {{"-m", "word"}, "Did not expect a parameter after '-m'\n"},
      {{"-xyz"}, "Did not expect a parameter after '-x'\n"},
      {{"-w", "1"}, "Did not expect a parameter after '-w'\n"},
      {{"-q"}, "ERROR: Unrecognized Command Line option: -q\n"},
      {{"-", "x"}, "ERROR: Unrecognized Command Line option: -\n"},
      {{"-a" + std::string(127, 'x')},
       "ERROR: Command Line Argument Too Long, Limited to 128 Characters\n"},
  };
  for (const auto& [args, err] : cases) {
    RunSettings sim;
    auto r = parse(sim, args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, err) << args[0];
  }
  RunSettings exact;
  EXPECT_EQ(parse(exact, {"-a" + std::string(126, 'x')}).status, 0);  // 128 characters
  EXPECT_EQ(SimulatorClass::to_string(static_cast<SimulatorClass::RandomNumberGeneratorType>(3)),
            "Unknown");
}

TEST(CommandLineDeathTest, ErrorsPrintUsageAndExitWithStatusOne) {
  std::vector<std::string> none, bad{"-r", "3"};  // a refused number
  std::vector<char*> noneArgv = argvOf(none), badArgv = argvOf(bad);
  EXPECT_EXIT(SimulatorClass(1, noneArgv.data()), testing::ExitedWithCode(1),
              "ERROR: No command line options specified\nValid Options\n(.|\n)*-w: Simulator will "
              "wait(.|\n)*ERROR: Parsing command line options");
  EXPECT_EXIT(
      SimulatorClass(3, badArgv.data()), testing::ExitedWithCode(1),
      "^ERROR: '-r' expects a whole number from 0 to 2, not '3' \\(0 = Lagged Fibonacci, "
      "1 = Tausworthe, 2 = Mersenne Twister\\)\nValid Options\n(.|\n)*ERROR: Parsing command "
      "line options\n$");
}

// Every number is read whole, within its option's range, before it is
// stored: the values below used to be cut to their leading digits, wrapped
// to the option's type or taken as 0.
TEST(CommandLine, NumbersOutsideTheirRangesAreRefusedNamingTheOption) {
  // (The reproducers of the report are run on the executable in
  // tests/Models/MovingBlock; these are the other forms and the edges.)
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"-e3x"}, "'-e' expects a whole number from 0 to 2147483647, not '3x'"},
      {{"-e-1"}, "'-e' expects"},
      {{"-p-1"}, "'-p' expects a whole number from 0 to 65535, not '-1'"},
      {{"-r", "3"}, "'-r' expects a whole number from 0 to 2, not '3'"},
      {{"-n", "0"}, "'-n' expects a whole number from 1 to 100000, not '0'"},
      {{"-n", "100001"}, "'-n' expects"},
      {{"-s-1"}, "'-s' expects a whole number from 0 to 4294967295"},
      {{"-c-2147483649"}, "'-c' expects a whole number from -2147483648 to 2147483647"},
      {{"-t", "2"}, "'-t' expects a whole number from 0 to 1, not '2'"},
      {{"-l", "5"}, "'-l' expects a whole number from 0 to 4, not '5'"},
      {{"-N", " 5"}, "'-N' expects"},  // no blanks
      {{"-N", "5 "}, "'-N' expects"},
      {{"-N", "99999999999999999999"}, "'-N' expects"},            // beyond 64 bits
      {{"-N", "0x10"}, "'-N' expects"},                            // decimal only
      {{"-N", "5", "6"}, "Unexpected command line argument '6'"},  // after the echo of -N 5
      {{"word", "-m"}, "Unexpected command line argument 'word'"},
  };
  for (const auto& [args, message] : refused) {
    RunSettings sim;
    const ParseResult r = parse(sim, args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_NE(r.err.find("ERROR: " + message), std::string::npos) << r.err;
    if (args.size() < 3) {
      EXPECT_EQ(r.out, "") << args[0];  // nothing refused is echoed
    }
  }

  // The edges of every range are accepted and echoed as given.
  RunSettings edges;
  ParseResult r = parse(edges, {"-p", "0", "-s", "4294967295", "-c-2147483648", "-N", "2147483647",
                                "-n", "100000", "-l", "0", "-t", "1", "-r", "0", "-e", "+7"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "Port: 0\nRandom Number Seed: 4294967295\nClientID: -2147483648\n"
      "Max Number of Batches: 2147483647\nReportSize: 100000\nTraceLevel: 0\n"
      "Is Terminating Simulation: 1\nRandom Number Generator: Lagged Fibonacci\nExperiment: 7\n");
  RunSettings otherEdges;
  r = parse(otherEdges, {"-p65535", "-N0", "-n1", "-l4", "-t0", "-c2147483647", "-r2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::tuple(otherEdges.Port(), otherEdges.MaxBatches(), otherEdges.ReportSize(),
                       otherEdges.TraceLevel(), otherEdges.SimulationType(), otherEdges.ClientID()),
            std::tuple(uint16_t{65535}, 0, 1, 4, 0, 2147483647));

  // With a study, -e lies within its experiments (the test study has one).
  RunSettings withStudy;
  const BaseStudyClass* study = GenerateStudy();
  EXPECT_EQ(parse(withStudy, {"-e", "0"}, study).status, 0);
  r = parse(withStudy, {"-e", "1"}, study);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "ERROR: '-e' expects a whole number from 0 to 0, not '1' (the study has 1 experiments; "
            "'Experiment 1' is 0)\n");
}

TEST(CommandLine, SimTestIsUnsetZeroOneOrTwo) {
  unsetenv("SIMTEST");
  EXPECT_EQ(ConnectivityTable::ReadSimTest(), 2);
  for (auto [text, value] : {std::pair{"0", 0}, {"1", 1}, {"2", 2}}) {
    setenv("SIMTEST", text, 1);
    EXPECT_EQ(ConnectivityTable::ReadSimTest(), value) << text;
  }
  for (const char* text : {"5", "abc", "", "-1", "2x", " 1"}) {
    setenv("SIMTEST", text, 1);
    int value = 0;
    const std::string err = StderrOf([&] { value = ConnectivityTable::ReadSimTest(); });
    EXPECT_EQ(value, -1) << text;
    EXPECT_EQ(err, "ERROR: SIMTEST must be unset, 0, 1 or 2 (2 = the default builder), not '" +
                       std::string(text) + "'\n");
  }
  unsetenv("SIMTEST");
}

}  // namespace
