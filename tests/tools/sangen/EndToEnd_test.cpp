// A simulator generated from a model file (models/clockwork.yaml, built by
// the project), run end to end; the generator's command line on a bad file;
// and compiler messages about model-file code that point at the model file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "CommandRun.h"

namespace {

namespace fs = std::filesystem;
using results::Observations;
using sangen_test::CommandRun;
using sangen_test::run;

double mean(const std::vector<double>& values) {
  double sum = 0.0;
  for (double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

TEST(SangenEndToEnd, GeneratedSimulatorGivesTheKnownResults) {
  const fs::path dir = results::freshDirectory("clockwork");
  // Experiment 1: three clocks ticking every 1.0, alarm at a total of 15.
  const CommandRun first =
      run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -e 0 -N 2000 -s 7 -a a.txt");
  ASSERT_EQ(first.status, 0) << first.err;
  Observations values = results::readAscii((dir / "a.txt").string());
  ASSERT_EQ(values[0].size(), 2000u);
  for (int pv : {0, 2, 3, 4, 5, 6}) ASSERT_EQ(values[pv].size(), 2000u) << pv;
  for (int r = 0; r < 2000; r++) {
    EXPECT_EQ(values[0][r], 30.0);   // ticks in [0, 10]: 3 clocks x 10
    EXPECT_EQ(values[2][r], 13.5);   // time-averaged total: 3 (0 + 1 + ... + 9) / 10
    EXPECT_EQ(values[3][r], 0.0);    // no alarm at 2.5 (total 6)
    EXPECT_EQ(values[4][r], 1.0);    // alarm at 7.5 (total 15 reached at 5)
    EXPECT_EQ(values[5][r], 30.0);   // each clock's last tick at 10, one worker per clock
    EXPECT_EQ(values[6][r], 135.0);  // total integrated over [0, 10]
  }
  // Heads: binomial(30, 0.25) per replication, mean 7.5, variance 5.625;
  // the mean of 2000 lies within 4 standard deviations (0.21).
  EXPECT_NEAR(mean(values[1]), 7.5, 4 * std::sqrt(5.625 / 2000));

  // Experiment 2: one clock, alarm at 5.
  ASSERT_EQ(run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -e 1 -N 3 -a b.txt").status, 0);
  values = results::readAscii((dir / "b.txt").string());
  EXPECT_EQ(values[0], (std::vector<double>{10, 10, 10}));
  EXPECT_EQ(values[2], (std::vector<double>{4.5, 4.5, 4.5}));
  EXPECT_EQ(values[4], (std::vector<double>{1, 1, 1}));
  EXPECT_EQ(values[6], (std::vector<double>{45, 45, 45}));

  // Steady state: the lamp is lit half of every batch window of length 2.
  const CommandRun steady =
      run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -t 0 -N 4 -n 1 -a c.txt");
  ASSERT_EQ(steady.status, 0) << steady.err;
  values = results::readAscii((dir / "c.txt").string());
  ASSERT_GE(values[7].size(), 4u);
  for (double v : values[7]) EXPECT_EQ(v, 0.5);

  // Values outside a global variable's range, or that break a condition of
  // the study, are refused.
  const CommandRun refused = run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -N 1 -O s:copies:0");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ERROR: Override 's:copies:0': copies must lie in [1, 100], not 0"),
            std::string::npos)
      << refused.err;
  const CommandRun apart =
      run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -N 1 -O i:threshold:31");
  EXPECT_EQ(apart.status, 1);
  EXPECT_NE(apart.err.find("ERROR: the alarm would not ring before 10: threshold 31 > 30"),
            std::string::npos)
      << apart.err;
  fs::remove_all(dir);
}

// The Erlang loss system (models/erlangloss.yaml): calls end at a rate that
// reads the number of busy servers, serviceRate x busy, so the sampled time
// must follow the marking. The fraction of time all 5 servers are busy at
// offered load 3 is Erlang's B formula; the 99% interval of 30 batch means
// at a fixed seed holds it and is narrow enough to tell it from the 0.286
// that a rate frozen at its sampling gives.
// -h explains the simulator's own model, as the model file declares it:
// variables with their ranges, the experiments, the measures in result-index
// order, and an override of one of its own variables.
TEST(SangenEndToEnd, HelpDescribesTheSimulatorsOwnModel) {
  const fs::path dir = results::freshDirectory("clockwork-help");
  const CommandRun help = run(dir, std::string("\"") + CLOCKWORK_SIM + "\" -h");
  EXPECT_EQ(help.status, 0) << help.err;
  const std::string& text = help.err;
  for (const char* expected :
       {"-N <num>: Number of replications (terminating) or batches", "Trace Level 0 to 4",
        "the plain trace goes to <name>.txt, the XML trace (-x) to <name>.xml",
        "Model clockwork: terminating (-t 1", "copies     short   [1, 100]",
        "threshold  int     any", "Experiments (-e, 0 is the first): 2",
        "in every one: period=1 split=0.25", "  0  Experiment 1: copies=3 threshold=15",
        "  1  Experiment 2: copies=1 threshold=5", "  0  ticks [0, 10]", "  4  alarm t = 7.5",
        "  5  lastTicks t = 10.5", "  7  litShare (batch means: batches of 2 after 0)",
        "-O s:copies:1   the same with copies = 1"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(text.find("netNotDeliveryProb"), std::string::npos) << text;
  EXPECT_EQ(help.out, "");
}

TEST(SangenEndToEnd, RatesThatReadTheMarkingFollowIt) {
  double term = 1.0;  // a^k / k!
  double sum = 1.0;
  for (int k = 1; k <= 5; k++) {
    term *= 3.0 / k;
    sum += term;
  }
  const double erlangB = term / sum;
  ASSERT_NEAR(erlangB, 0.110054, 1e-6);

  const fs::path dir = results::freshDirectory("erlangloss");
  const CommandRun loss =
      run(dir, std::string("\"") + ERLANGLOSS_SIM + "\" -t 0 -N 30 -n 30 -s 4711 -a e.txt");
  ASSERT_EQ(loss.status, 0) << loss.err;
  const std::vector<double> batches = results::readAscii((dir / "e.txt").string())[0];
  ASSERT_EQ(batches.size(), 30u);
  const double m = mean(batches);
  double squares = 0.0;
  for (double b : batches) squares += (b - m) * (b - m);
  const double t = 2.756;  // Student's t, 29 degrees of freedom, 0.995 quantile
  const double halfWidth = t * std::sqrt(squares / 29.0 / 30.0);
  EXPECT_NEAR(m, erlangB, halfWidth);
  EXPECT_LT(halfWidth, 0.01);

  // An initial marking that a place cannot hold stops the simulator as the
  // model is built, rather than wrap around.
  const CommandRun overflow =
      run(dir, std::string("\"") + ERLANGLOSS_SIM + "\" -N 1 -O i:initiallyBusy:99999999");
  EXPECT_EQ(overflow.status, 1);
  EXPECT_NE(overflow.err.find("ERROR: the value 99999999 of 'busy' (erlangloss.yaml:18) lies "
                              "outside -32768 to 32767"),
            std::string::npos)
      << overflow.err;
  fs::remove_all(dir);
}

// A model with one place and one activity whose output gate is `code`.
std::string oneGateModel(const std::string& code) {
  return "globals:\n  - {name: rate, type: double}\n"
         "models:\n  - name: m\n    places: [{name: p, initial: 1}]\n    activities:\n"
         "      - name: go\n        timing: {exponential: rate}\n        output_gates:\n"
         "          - name: g\n            uses: {p: change}\n            function: |\n"
         "              p += 1;\n" +
         code +
         "rewards:\n  name: r\n  variables:\n"
         "    - {name: v, rate: {model: m, reads: [p], value: p}, measure: instant-of-time, "
         "times: [1]}\n"
         "study: {name: s, values: {rate: 1.0}}\n";
}

TEST(SangenEndToEnd, BadModelFileLeavesEarlierSourcesAlone) {
  const fs::path dir = results::freshDirectory("sangen_cli");
  std::ofstream(dir / "m.yaml") << oneGateModel("");
  ASSERT_EQ(run(dir, sangen_test::sangen() + " m.yaml --out out").status, 0);
  const fs::path source = dir / "out" / "m" / "mSAN.cpp";
  const std::string before = results::readFile(source.string());
  const auto stamp = fs::last_write_time(source);
  ASSERT_NE(before.find("p += 1;"), std::string::npos);

  // The same file with a mistake: nothing is written, the error names the
  // file, line and column, and the status is 1.
  std::ofstream(dir / "m.yaml") << oneGateModel("").replace(0, 7, "glowbals");
  const CommandRun bad = run(dir, sangen_test::sangen() + " m.yaml --out out");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("m.yaml:1:1: unknown key 'glowbals' in the model file"), std::string::npos)
      << bad.err;
  EXPECT_EQ(results::readFile(source.string()), before);
  EXPECT_EQ(fs::last_write_time(source), stamp);
  for (const fs::directory_entry& entry : fs::directory_iterator(dir / "out" / "m"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  fs::remove_all(dir);
}

TEST(SangenEndToEnd, CompilerMessagesPointIntoTheModelFile) {
  const fs::path dir = results::freshDirectory("sangen_line");
  // Line 14 of the model file, the undeclared name at column 20.
  std::ofstream(dir / "broken.yaml") << oneGateModel("              p += undeclared;\n");
  ASSERT_EQ(run(dir, sangen_test::sangen() + " broken.yaml --out out").status, 0);
  const CommandRun compile =
      run(dir, std::string("\"") + CXX_COMPILER + "\" -std=c++20 -fsyntax-only -I\"" +
                   ENGINE_INCLUDE + "\" -I out out/broken/broken_all.cpp");
  EXPECT_NE(compile.status, 0);
  EXPECT_TRUE(
      std::regex_search(compile.err, std::regex("broken\\.yaml:14:20: error: .*undeclared")))
      << compile.err;
  fs::remove_all(dir);
}

}  // namespace
