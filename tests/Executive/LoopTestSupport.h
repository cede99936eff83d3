#ifndef TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H
#define TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H

// Runs of the simulation loops on a simulator built around a test model,
// whose reports go to a binary result file, read back report by report.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/LoopTestModels.h"
#include "support/ResultReaders.h"
#include "support/SimulatorBuilder.h"

namespace loop_test {

// One report: the observations of every variable that had any.
using Report = results::Observations;

// A binary result file of its own for each run.
inline std::string NextResultPath() {
  static int counter = 0;
  return results::tempPath("loops_" + std::to_string(counter++) + ".bin");
}

struct LoopRun {
  // simulationType: 1 terminating, 0 steady state.
  LoopRun(std::unique_ptr<PVModel> model, int simulationType, int maxBatches, int reportSize = 1000)
      : LoopRun(SimulatorBuilder(std::move(model))
                    .SimulationType(simulationType)
                    .MaxBatches(maxBatches)
                    .ReportSize(reportSize)) {}
  // Built by the given builder, with a binary result file added.
  explicit LoopRun(SimulatorBuilder& builder, std::string resultPath = NextResultPath())
      : path(std::move(resultPath)), built(builder.BinaryFile(path).Build()), sim(*built.sim) {}
  explicit LoopRun(SimulatorBuilder&& builder) : LoopRun(builder) {}
  ~LoopRun() {
    built.sim.reset();  // closes the result file
    std::remove(path.c_str());
  }

  std::vector<Report> Reports() {
    if (std::ofstream* stream = sim.Results().BinStream()) stream->flush();
    return results::readBinary(path).records;
  }
  clockSAN* Clock() { return static_cast<clockSAN*>(built.rewardModel->getTopModel()); }
  PerformanceVariableNode* Variable(int i) { return built.rewardModel->getPVs()[i]; }

  std::string path;
  BuiltSimulator built;
  SimulatorClass& sim;
};

}  // namespace loop_test

#endif
