#include "support/SimulatorAssembly.h"

#include "BaseClasses/BaseGroupClass.h"
#include "Executive/EventList.h"
#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"
#include "Tracing/TraceFileContainer.h"

SimulatorAssembly::SimulatorAssembly(std::unique_ptr<PVModel> model, int simulationType,
                                     int maxBatches, int reportSize)
    : rewardModel(std::move(model)) {
  sim.Settings().SetSimulationType(simulationType);
  sim.Settings().SetMaxBatches(maxBatches);
  sim.Settings().SetReportSize(reportSize);
  sim.TraceContainer = new TraceFileContainer();
  sim.RewardModel = rewardModel.get();
  sim.GroupList = new List<BaseGroupClass>();
  sim.ActionList = new List<BaseActionClass>();
  sim.SelectObservedVariables();
  sim.BuildGroupAndActionTables();
  sim.BuildConnectivity();
  sim.Events = new EventList(sim.NumGroups + 1);
  // The simulator keeps the lagged Fibonacci generator it has; a test wants
  // a fresh one.
  if (sim.Settings().GeneratorType() == SimulatorClass::LaggedFibonacciGenerator)
    TheDistribution->setGenerator(new LaggedFibonacci());
  sim.InstallGenerator();
  sim.NumPVs = rewardModel->getNumPVs();
}
