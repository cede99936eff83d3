// Traces of the railway simulator. With one train the first firings follow
// from the model: at time 0 the train takes number 0 ("assigningID": Start
// 1 -> 0, trainID = Count - 1 = 0, Count 0, waitForEntering and TPRwaiting
// 1) and enters at once (arrivalTime[0] = 0 x trainScheduling: head 0, tail
// -trainLength = -300, authority lineLength = 16000, speed min(16000 / 1,
// maxTrainSpeed) = 80); then it advances 80 per time unit, so its head
// reaches lineLength at time 200, where it leaves the line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support/ResultReaders.h"

namespace {

const char* const kSimulator = "movingblock-sim";

struct RunResult {
  int status;
  std::string out, err;
};

// Runs a simulator in dir; standard output goes to stdout.txt unless
// stdoutTarget names another file.
RunResult RunSimulator(const std::string& simulator, const std::filesystem::path& dir,
                       const std::string& arguments,
                       const std::string& stdoutTarget = "stdout.txt") {
  const std::string command = "cd '" + dir.string() + "' && env -i PATH=/usr/bin:/bin '" +
                              MB_BINARY_DIR "/" + simulator + "' " + arguments + " >" +
                              stdoutTarget + " 2>stderr.txt";
  const int raw = std::system(command.c_str());
  return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          results::readFile((dir / "stdout.txt").string()),
          results::readFile((dir / "stderr.txt").string())};
}

int Count(const std::string& text, const std::string& what) {
  int found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) found++;
  return found;
}

int64_t ActionsFired(const std::string& out) {
  const size_t at = out.find("Actions fired: ");
  return at == std::string::npos ? -1 : std::stoll(out.substr(at + 15));
}

// The model ids, which depend on the tree's numbering, as "(#)".
std::string WithoutModelIds(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\(\d+\))"), "(#)");
}

std::string UpdatePosition(int t) {
  const std::string head = std::to_string(80 * t);
  return "#### Firing: " + std::to_string(t) +
         "  Action: (#)train->updatePosition\n"
         "Enabling state before action firing:\n  trainMovement = 1\n"
         "#### After: (#)updatePosition->updatePosition\nAffected state after firing: \n"
         "  trainMovement = 1\n  trainID = 0\n  trainHasToExit = 0\n  trainHeadPositions.0 = " +
         head + "\n  trainSpeeds.0 = 80\n  trainTailPositions.0 = " + std::to_string(80 * t - 300) +
         "\n  trainMAs.0 = 16000\n";
}

TEST(RailwayTraces, OneTrainShowsTheFiringsTheModelFixes) {
  std::string expected =
      std::string(38, '*') + "\n\t\tTRACE\n" + std::string(38, '*') +
      "\n##### NEW BATCH #####\n"
      "#### Firing: 0  Action: (#)train->assigningID\n"
      "Enabling state before action firing:\n  Start = 1\n"
      "#### After: (#)assigningID->assigningID\nAffected state after firing: \n"
      "  Start = 0\n  waitForEntering = 1\n  TPRwaiting = 1\n  trainID = 0\n  Count = 0\n"
      "#### Firing: 0  Action: (#)train->trainArrival\n"
      "Enabling state before action firing:\n  waitForEntering = 1\n"
      "#### After: (#)trainArrival->trainArrival\nAffected state after firing: \n"
      "  waitForEntering = 0\n  trainMovement = 1\n  trainID = 0\n  trainHeadPositions.0 = 0\n"
      "  trainTailPositions.0 = -300\n  trainMAs.0 = 16000\n  trainSpeeds.0 = 80\n";
  // The first position report is due at 5, together with an update: the
  // updates before it are the next firings.
  for (int t = 1; t <= 4; t++) expected += UpdatePosition(t);

  {
    const char* const simulator = kSimulator;
    const std::filesystem::path dir = results::freshDirectory(std::string("one_") + simulator);
    const RunResult run =
        RunSimulator(simulator, dir, "-e 0 -N 1 -O s:nTrains:1 -m -l 2 -f one -a a.txt");
    ASSERT_EQ(run.status, 0) << simulator << run.err;
    const std::string trace = results::readFile((dir / "one.txt").string());
    EXPECT_EQ(WithoutModelIds(trace.substr(0, expected.size())), expected) << simulator;
    // Every firing is traced, the exit once, at 200, and it is counted in
    // every window from [0, 200] on.
    EXPECT_EQ(Count(trace, "#### Firing: "), ActionsFired(run.out)) << simulator;
    EXPECT_EQ(Count(trace, "->trainExits\n"), 2) << simulator;  // Firing and After
    EXPECT_EQ(Count(WithoutModelIds(trace), "#### Firing: 200  Action: (#)train->trainExits\n"), 1)
        << simulator;
    const results::Observations counts = results::readAscii((dir / "a.txt").string());
    ASSERT_EQ(counts.size(), 13u);
    for (const auto& [window, values] : counts)
      EXPECT_EQ(values, std::vector<double>{window >= 2 ? 1.0 : 0.0}) << window;
    std::filesystem::remove_all(dir);
  }
}

TEST(RailwayTraces, EachLevelAddsItsOwnLines) {
  const std::filesystem::path dir = results::freshDirectory("levels");
  const std::string args = "-e 1 -N 2 -O s:nTrains:2 -m -x -f t -l ";
  for (int level = 1; level <= 4; level++) {
    const RunResult run = RunSimulator(kSimulator, dir, args + std::to_string(level));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string plain = results::readFile((dir / "t.txt").string());
    const int firings = Count(plain, "#### Firing: ");
    EXPECT_EQ(firings, ActionsFired(run.out));
    EXPECT_EQ(Count(plain, "#### After: "), firings);
    EXPECT_EQ(Count(plain, "Enabling state before action firing:\n"), level >= 2 ? firings : 0);
    EXPECT_EQ(Count(plain, "Affected state after firing: \n"), level >= 2 ? firings : 0);
    EXPECT_EQ(Count(plain, "Initial Model State:\n"), level >= 3 ? 2 : 0);
    EXPECT_EQ(Count(plain, "\nModel State:\n"), level >= 4 ? 2 : 0);
    EXPECT_EQ(Count(plain, "##### NEW BATCH #####\n"), 3);

    // The XML document holds the first replication: its firings, and its
    // initial state from level 3 on.
    const std::string xml = results::readFile((dir / "t.xml").string());
    EXPECT_EQ(std::system(("xmllint --noout --nonet '" + (dir / "t.xml").string() + "'").c_str()),
              0)
        << "level " << level;
    const size_t second = plain.find("##### NEW BATCH #####\n", plain.find("NEW BATCH") + 1);
    EXPECT_EQ(Count(xml, "<A id=\"a"), Count(plain.substr(0, second), "#### Firing: "));
    EXPECT_EQ(Count(xml, "<S>\n"), level >= 3 ? 1 : 0);
  }
  std::filesystem::remove_all(dir);
}

// A trace that cannot be written is reported and fails the run, whose
// results are complete all the same.
TEST(RailwayTraces, AFullDiskFailsTheRun) {
  const std::filesystem::path dir = results::freshDirectory("full");
  const std::string untraced = "-e 0 -N 3 -O s:nTrains:3 -a plain.txt";
  ASSERT_EQ(RunSimulator(kSimulator, dir, untraced).status, 0);

  std::filesystem::create_symlink("/dev/full", dir / "tr.txt");
  RunResult run = RunSimulator(kSimulator, dir, "-e 0 -N 3 -O s:nTrains:3 -a a.txt -m -l 4 -f tr");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Count(run.err, "ERROR: The trace file 'tr.txt' could not be written"), 1) << run.err;
  EXPECT_EQ(results::readAscii((dir / "a.txt").string()),
            results::readAscii((dir / "plain.txt").string()));

  // The trace on standard output, which is full.
  run = RunSimulator(kSimulator, dir, "-e 0 -N 3 -O s:nTrains:3 -m -l 4", "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Count(run.err, "ERROR: The trace on standard output could not be written"), 1)
      << run.err;
  std::filesystem::remove_all(dir);
}

}  // namespace
