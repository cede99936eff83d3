#ifndef MB_TEST_SIMULATOR_ASSEMBLY_H
#define MB_TEST_SIMULATOR_ASSEMBLY_H

#include <memory>

#include "Executive/SimulatorClass.h"
#include "Rewards/PVModel.h"

// A simulator put together around a hand-written reward model by the steps
// SimulatorClass's constructor takes once the study has handed the reward
// model over (observed variables, group and action tables, connectivity,
// event list, generator), so that the simulation loops can run on `sim`.
// The generator is always a fresh one (lagged Fibonacci, seed 31415), so that
// a test does not depend on what ran before it.
//
// `sim` owns the tables, event list and trace container it is given, like
// the real simulator; the assembly owns `sim` and the reward model, which
// outlives `sim` because the tables point into it.
struct SimulatorAssembly {
  // simulationType: 1 terminating, 0 steady state.
  explicit SimulatorAssembly(std::unique_ptr<PVModel> model, int simulationType = 1,
                             int maxBatches = 0, int reportSize = 1000);

  std::unique_ptr<PVModel> rewardModel;
  SimulatorClass sim;
};

#endif
