#ifndef MB_TEST_SIMULATOR_BUILDER_H
#define MB_TEST_SIMULATOR_BUILDER_H

#include <cstdint>
#include <memory>
#include <string>

#include "Executive/RunSettings.h"
#include "Executive/SimulatorClass.h"
#include "Rewards/PVModel.h"

class CorvaxSocket;

// A simulator assembled around a hand-written reward model, which outlives
// it (the simulator's tables point into the model).
struct BuiltSimulator {
  std::unique_ptr<PVModel> rewardModel;
  std::unique_ptr<SimulatorClass> sim;
};

// Builds a simulator for a test or a benchmark: the settings it chooses,
// then the assembly the real simulator makes once its study has handed the
// reward model over. The generator is always a fresh one (lagged Fibonacci,
// seed 31415), so that a test does not depend on what ran before it.
//
//   BuiltSimulator run = SimulatorBuilder(std::move(model)).MaxBatches(3).Build();
class SimulatorBuilder {
 public:
  explicit SimulatorBuilder(std::unique_ptr<PVModel> model) : model_(std::move(model)) {}

  // 1: terminating (the default), 0: steady state.
  SimulatorBuilder& SimulationType(int type);
  SimulatorBuilder& MaxBatches(int32_t batches);
  SimulatorBuilder& ReportSize(int32_t size);
  // The binary result file, opened (with its header) as the simulator is
  // assembled.
  SimulatorBuilder& BinaryFile(const std::string& path);
  // A connected socket that the simulator takes as its manager's (and
  // deletes), and the time each poll for a command may wait.
  SimulatorBuilder& Manager(CorvaxSocket* connected, int32_t pollMilliseconds = 0);
  // The bound on firings without the clock advancing.
  SimulatorBuilder& MaxFiringsAtOneTime(int64_t firings);

  BuiltSimulator Build();

 private:
  std::unique_ptr<PVModel> model_;
  RunSettings settings_;
  CorvaxSocket* manager_ = nullptr;
  int32_t pollMilliseconds_ = 0;
  int64_t maxFiringsAtOneTime_ = 0;  // 0: the simulator's own bound
};

#endif
