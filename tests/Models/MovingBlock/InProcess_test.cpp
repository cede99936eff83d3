// The simulator assembled in this process around the railway model: the
// connectivity builders and the run without a manager.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "BaseClasses/BaseGroupClass.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "support/Capture.h"
#include "support/ReferenceConnectivity.h"

namespace {

// Builds a simulator from the words of a command line; its console output
// goes to `out`.
std::unique_ptr<SimulatorClass> buildSimulator(std::vector<std::string> words, std::string& out) {
  words.insert(words.begin(), "movingblock-sim");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  std::unique_ptr<SimulatorClass> simulator;
  out = StdoutOf([&] {
    simulator = std::make_unique<SimulatorClass>(static_cast<int>(argv.size()), argv.data());
  });
  return simulator;
}

TEST(InProcess, EveryConnectivityBuilderFindsTheSameGroups) {
  std::vector<std::set<int>> reference;
  for (const char* simTest : {"", "0", "1", "2"}) {
    if (*simTest)
      setenv("SIMTEST", simTest, 1);
    else
      unsetenv("SIMTEST");
    std::string out;
    auto simulator = buildSimulator({"-e", "3", "-N", "1"}, out);
    const bool old = *simTest == '0' || *simTest == '1';
    EXPECT_NE(
        out.find(old ? "\nGenerateConnectivityListOld()\n" : "\nGenerateConnectivityList()\n"),
        std::string::npos)
        << simTest;
    // Per action of the table, the groups its firing makes the simulator revisit.
    const ConnectivityTable& table = simulator->Connectivity();
    std::vector<std::set<int>> groups(table.NumActions());
    for (int i = 0; i < table.NumActions(); i++)
      for (BaseActionClass* target : AffectedTargets(table.Action(i)))
        groups[i].insert(target->getId() - table.Group(0)->getId());
    ASSERT_EQ(groups.size(), static_cast<size_t>(30 * 10 + 2));
    if (reference.empty()) {
      reference = groups;
      // An RBC firing (the trackside's first action) raises the authority
      // counter every train reads: all 30 authority groups, the report
      // pick-up and its own group are revisited.
      EXPECT_EQ(reference[reference.size() - 2].size(), 32u);
    }
    EXPECT_EQ(groups, reference) << "SIMTEST=" << simTest;
  }
  unsetenv("SIMTEST");
}

// Every builder's lists, group by group and in order, are those of the
// plain algorithms, also with enough trains for the readers of the shared
// arrays to be kept once.
TEST(InProcess, BuildersMatchThePlainAlgorithmsAtSeveralFleetSizes) {
  const std::tuple<ReferenceBuilder, const char*> builders[] = {{ReferenceBuilder::Default, "2"},
                                                                {ReferenceBuilder::OldFront, "1"},
                                                                {ReferenceBuilder::OldBack, "0"}};
  for (int trains : {12, 40, 70}) {
    for (const auto& [kind, simTest] : builders) {
      setenv("SIMTEST", simTest, 1);
      std::string out;
      auto simulator =
          buildSimulator({"-e", "1", "-N", "1", "-O", "s:nTrains:" + std::to_string(trains)}, out);
      const ConnectivityTable& table = simulator->Connectivity();
      std::vector<BaseActionClass*> actions;
      for (int i = 0; i < table.NumActions(); i++) actions.push_back(table.Action(i));
      const std::vector<ActionTargets> expected =
          ReferenceAffectedLists(table.Groups(), actions.data(), table.NumActions(), kind);
      for (int i = 0; i < table.NumActions(); i++)
        ASSERT_EQ(AffectedTargets(actions[i]), expected[i])
            << trains << " trains, SIMTEST=" << simTest << ", action " << actions[i]->getName();
    }
  }
  unsetenv("SIMTEST");
}

TEST(InProcess, RunWithoutManagerSimulatesNothingAndFails) {
  std::string out;
  auto simulator = buildSimulator({"-w", "-e", "0", "-N", "3", "-p", "23456"}, out);
  simulator->Link().SetWaitMilliseconds(100);
  simulator->Link().SetSelectSlice(50);
  std::string err;
  out = StdoutOf([&] { err = StderrOf([&] { simulator->Run(); }); });
  for (const char* line : {"REGISTER:  Port: [", "Actions fired: 0\n", "CPU time (s): "})
    EXPECT_NE(out.find(line), std::string::npos) << line;
  EXPECT_NE(err.find("No simulation manager connected"), std::string::npos) << err;
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
}

}  // namespace
