#include "support/SimulatorAssembly.h"

#include <limits>
#include <stdexcept>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "Executive/EventList.h"
#include "Executive/SchedulingRecord.h"
#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"
#include "Random/MersenneTwister.h"
#include "Random/Tausworthe.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"

SimulatorAssembly::SimulatorAssembly(std::unique_ptr<PVModel> model, const Settings& settings)
    : rewardModel(std::move(model)) {
  sim.SimulationType = settings.simulationType;
  sim.ReportSize = settings.reportSize;
  sim.MaxBatches = settings.maxBatches;
  sim.Seed = settings.seed;
  sim.GeneratorType = settings.generator;
  trace = std::make_unique<TraceFileContainer>();
  sim.TraceContainer = trace.get();
  sim.RewardModel = rewardModel.get();

  SelectObservedVariables(sim, *rewardModel);
  ListGroups(sim, *rewardModel, groups, records);
  ListActions(sim, *rewardModel, actions);
  if (!BuildConnectivity(sim)) throw std::runtime_error("connectivity could not be built");
  events = std::make_unique<EventList>(sim.NumGroups + 1);
  sim.Events = events.get();
  if (settings.seedGenerator) InstallGenerator(sim);
  sim.NumPVs = sim.NumPVNodes;
}

SimulatorAssembly::~SimulatorAssembly() {
  sim.DestructConnectivityList();
  sim.ReactivationList.clear();
  events.reset();  // reads the records of the actions it still holds
  for (int g = 0; g < sim.NumGroups; g++) sim.Groups[g]->Record = nullptr;
  sim.Events = nullptr;
  sim.Records = nullptr;
  sim.GroupList = nullptr;
  sim.Groups = nullptr;
  sim.NumGroups = 0;
  sim.ActionList = nullptr;
  sim.Actions = nullptr;
  sim.NumActions = 0;
  sim.TraceContainer = nullptr;
  sim.RewardModel = nullptr;
  sim.PVs = nullptr;
  sim.NumPVNodes = 0;
}

void SimulatorAssembly::SelectObservedVariables(SimulatorClass& sim, PVModel& model) {
  sim.PVs = model.getPVs();
  sim.NumPVNodes = model.getNumPVs();
  const int wanted = sim.SimulationType == 0 ? 1 : 0;
  std::vector<int> observed;
  for (int i = 0; i < sim.NumPVNodes; i++) {
    if (sim.PVs[i]->SlidingWindow == wanted)
      observed.push_back(i);
    else
      sim.PVs[i]->CurrentStopTime = std::numeric_limits<double>::max();
  }
  model.ConsiderOnly(observed.data(), static_cast<int>(observed.size()));
}

void SimulatorAssembly::ListGroups(SimulatorClass& sim, PVModel& model, List<BaseGroupClass>& groups,
                                   std::unique_ptr<SchedulingRecord[]>& records) {
  model.listGroups(&groups);
  sim.GroupList = &groups;
  sim.Groups = groups.getList();
  sim.NumGroups = groups.getNumItems();
  records = std::make_unique<SchedulingRecord[]>(sim.NumGroups > 0 ? sim.NumGroups : 1);
  sim.Records = records.get();
  for (int g = 0; g < sim.NumGroups; g++) sim.Groups[g]->Record = &records[g];
}

void SimulatorAssembly::ListActions(SimulatorClass& sim, PVModel& model, List<BaseActionClass>& actions) {
  model.listActions(&actions);
  sim.ActionList = &actions;
  sim.Actions = actions.getList();
  sim.NumActions = actions.getNumItems();
  for (int i = 0; i < sim.NumActions; i++) sim.Actions[i]->Reactivation = false;
}

bool SimulatorAssembly::BuildConnectivity(SimulatorClass& sim) {
  const int simTest = SimulatorClass::ReadSimTest();
  if (simTest == 2) return sim.GenerateConnectivityList() == 0;
  if (simTest == 0 || simTest == 1) return sim.GenerateConnectivityListOld(simTest) == 0;
  return true;
}

void SimulatorAssembly::InstallGenerator(const SimulatorClass& sim) {
  // A fresh generator of every type (the constructor keeps the one it has
  // for type 0), so that a test does not depend on what ran before it.
  switch (sim.GeneratorType) {
    case SimulatorClass::TauswortheGenerator:
      TheDistribution->setGenerator(new Tausworthe());
      break;
    case SimulatorClass::MersenneTwisterGenerator:
      TheDistribution->setGenerator(new MersenneTwister());
      break;
    default:
      TheDistribution->setGenerator(new LaggedFibonacci());
  }
  TheDistribution->getGenerator()->srnd(sim.Seed != 0 ? sim.Seed : 31415);
}
