#ifndef TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H
#define TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H

// Runs of the simulation loops on an assembled simulator whose reports go
// to a binary result file, read back report by report.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/LoopTestModels.h"
#include "support/ResultReaders.h"
#include "support/SimulatorAssembly.h"

namespace loop_test {

// One report: the observations of every variable that had any.
using Report = results::Observations;

struct LoopRun : SimulatorAssembly {
  // simulationType: 1 terminating, 0 steady state.
  LoopRun(std::unique_ptr<PVModel> model, int simulationType, int maxBatches, int reportSize = 1000)
      : SimulatorAssembly(std::move(model), simulationType, maxBatches, reportSize),
        path(results::tempPath("loops_" + std::to_string(counter++) + ".bin")) {
    sim.Settings().SetBinFileName(path);
    sim.Results().OpenBinaryFileNamed();
  }
  ~LoopRun() { std::remove(path.c_str()); }

  std::vector<Report> Reports() {
    sim.Results().BinStream()->flush();
    return results::readBinary(path).records;
  }
  clockSAN* Clock() { return static_cast<clockSAN*>(rewardModel->getTopModel()); }

  std::string path;
  static inline int counter = 0;
};

}  // namespace loop_test

#endif
