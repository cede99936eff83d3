// What the simulator refuses before it simulates: numbers on the command
// line, SIMTEST, overrides and the railway model's ranges. A refused run
// leaves an existing result file as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "SimulatorRun.h"
#include "Study/BaseStudyClass.h"
#include "support/Capture.h"

using namespace results;

namespace {

const std::string kKept = "results of an earlier run\n";

// Runs the simulator with existing result files named first on the command
// line; the run must be refused and leave both files untouched.
void expectRefused(const std::string& dir, const std::string& arguments, const std::string& message,
                   const std::string& environment = "") {
  for (const char* file : {"/kept.txt", "/kept.bin"}) std::ofstream(dir + file) << kKept;
  const RunResult run = runSimulator(dir, "-a kept.txt -b kept.bin " + arguments, environment);
  EXPECT_EQ(run.status, 1) << arguments;
  EXPECT_TRUE(run.err.starts_with("ERROR: ") && contains(run.err, message)) << arguments << "\n"
                                                                            << run.err;
  for (const char* file : {"/kept.txt", "/kept.bin"})
    EXPECT_EQ(readFile(dir + file), kKept) << arguments << " " << file;
  EXPECT_FALSE(contains(run.out, "SIMULATOR::Preparing to run()")) << arguments;
}

// The status of a call, with what it writes to standard error discarded.
template <class Call>
int quietly(Call call) {
  int status = 0;
  StderrOf([&] { status = call(); });
  return status;
}

TEST(InputRefusals, CommandLineNumbersNameTheirOption) {
  const std::string dir = freshDirectory("numbers");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"-e abc",
       "'-e' expects a whole number from 0 to 10, not 'abc' (the study has 11 experiments"},
      {"-e 99", "'-e' expects a whole number from 0 to 10, not '99'"},
      {"-p 70000", "'-p' expects a whole number from 0 to 65535, not '70000'"},
      {"-r abc", "'-r' expects a whole number from 0 to 2, not 'abc'"},
      {"-N-5", "'-N' expects a whole number from 0 to 2147483647, not '-5'"},
      {"-N 2147483648", "'-N' expects"},
      {"-n 4294967296", "'-n' expects a whole number from 1 to 100000, not '4294967296'"},
      {"-n 4294967295", "'-n' expects"},
      {"-n 2147483647", "'-n' expects"},
      {"-c 2147483648", "'-c' expects"},
      {"-e 0 -N 1 stray", "Unexpected command line argument 'stray'"},
  };
  for (const auto& [arguments, message] : refused) expectRefused(dir, arguments, message);
  EXPECT_TRUE(contains(runSimulator(dir, "-n 0").err, "Valid Options\n"));  // with the usage
}

TEST(InputRefusals, SimTestIsUnsetZeroOneOrTwo) {
  const std::string dir = freshDirectory("simtest");
  for (const char* value : {"5", "abc", "''", "-1"})
    expectRefused(dir, "-e 0 -N 1", "SIMTEST must be unset, 0, 1 or 2",
                  std::string("SIMTEST=") + value);
  for (auto [value, builder] : {std::pair{"0", "GenerateConnectivityListOld()\n"},
                                {"1", "GenerateConnectivityListOld()\n"},
                                {"2", "GenerateConnectivityList()\n"}}) {
    const RunResult run = runSimulator(dir, "-e 0 -N 1", std::string("SIMTEST=") + value);
    EXPECT_EQ(run.status, 0) << value << run.err;
    EXPECT_TRUE(contains(run.out, std::string("\n") + builder)) << value;
  }
}

TEST(InputRefusals, EveryOverrideErrorIsAnError) {
  const std::string dir = freshDirectory("overrides");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"d:nTrains", "Not enough double override tokens"},
      {"s:nTrains:0", "Override 's:nTrains:0': nTrains must lie in [1, 260], not 0"},
      {"x:nTrains:3", "Type x not recognized"},
      {"s:nTrain:3", "Global Variable nTrain does not exist."},
      {"s:nTrains:abc", "'abc' is not a short (s)"},
      {"i:nTrains:65537", "65537 is outside the range of type short"},
      {"d:nTrains:1e10", "1e10 is outside the range of type short"},
      {"d:MAnetDelay:nan", "'nan' is not a finite double (d)"},
      {"d:netNotDeliveryProb:5", "netNotDeliveryProb must lie in [0, 1], not 5"},
      {"d:positionUpdatePeriod:-1", "positionUpdatePeriod must lie in [0.001, inf), not -1"},
      {"d:positionUpdatePeriod:1e-300", "positionUpdatePeriod must lie in [0.001, inf)"},
      {"s:nTrains:200:i:trainScheduling:200",
       "the last train would enter at trainScheduling x "
       "(nTrains - 1) = 200 x 199 = 39800"},
  };
  for (const auto& [text, message] : refused) expectRefused(dir, "-e 0 -N 1 -O " + text, message);
}

// The ranges that the railway study declares: every experiment lies in
// them, the edges are accepted, the next values beyond are not.
TEST(ModelRanges, ExperimentsPassAndEdgesAreExact) {
  BaseStudyClass* study = GenerateStudy();
  for (int e = 0; e < 11; e++) {
    study->SetGVs(e);
    EXPECT_EQ(study->CheckGVs(), 0) << "experiment " << e;
  }
  std::vector<BaseStudyClass::GVAssignment> parsed;
  for (const char* edge :
       {"d:positionUpdatePeriod:0.001", "d:TPRUpdatePeriod:0.001", "d:MAnetDelay:1e300",
        "s:nTrains:1", "s:nTrains:260", "d:netNotDeliveryProb:0", "d:integrityNotConfirmedProb:1",
        "i:lineLength:1", "i:lineLength:500000000", "s:maxTrainSpeed:32767", "i:safetyMargin:0",
        "i:trainLength:500000000", "i:trainScheduling:0", "i:trainScheduling:32767"})
    EXPECT_EQ(study->ParseOverrides(edge, parsed), 0) << edge;
  for (const char* beyond :
       {"d:positionUpdatePeriod:0.000999", "d:RBCprocessingTime:0", "d:MAnetDelay:1e309",
        "s:nTrains:261", "d:netNotDeliveryProb:-0.001", "d:integrityNotConfirmedProb:1.001",
        "i:lineLength:0", "i:lineLength:500000001", "s:maxTrainSpeed:0", "i:safetyMargin:-1",
        "i:trainLength:0", "i:trainScheduling:-1", "i:trainScheduling:32768"})
    EXPECT_EQ(quietly([&] { return study->ParseOverrides(beyond, parsed); }), 1) << beyond;
  // Entry times are 16-bit: 126 x 259 = 32634 fits, 127 x 259 = 32893 does not.
  study->SetGVs(0);
  ASSERT_EQ(study->overrideGVs("s:nTrains:260:i:trainScheduling:126"), 0);
  EXPECT_EQ(study->CheckGVs(), 0);
  ASSERT_EQ(study->overrideGVs("i:trainScheduling:127"), 0);
  EXPECT_EQ(quietly([&] { return study->CheckGVs(); }), 1);
  study->SetGVs(0);  // the process's variables as the other tests expect them
  DestructStudy();
}

// The trackside's count of delivered reports is a 16-bit place. With a
// report every 0.5 time units it reaches 1399 n - 2.5 x 1398 at the last
// delivery before 700: 31478 with 25 trains, 32877 with 26. The run stops
// rather than let the count wrap around to a negative number.
TEST(ModelRanges, SixteenBitCountsStopTheRunInsteadOfWrapping) {
  const std::string dir = freshDirectory("counts");
  EXPECT_EQ(runSimulator(dir, "-e 0 -N 1 -O d:TPRUpdatePeriod:0.5:s:nTrains:25").status, 0);
  const RunResult run = runSimulator(dir, "-e 0 -N 1 -O d:TPRUpdatePeriod:0.5:s:nTrains:26");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.err, "ERROR: place TPRtoRBC would hold more than 32767 at time "))
      << run.err;
}

}  // namespace
