#ifndef MB_TEST_SIMULATOR_ASSEMBLY_H
#define MB_TEST_SIMULATOR_ASSEMBLY_H

#include <cstdint>
#include <memory>

#include "BaseClasses/List.h"
#include "Executive/SimulatorClass.h"

class BaseActionClass;
class BaseGroupClass;
class EventList;
class PVModel;
class TraceFileContainer;
struct SchedulingRecord;

// Puts a simulator together around a hand-written reward model the way
// SimulatorClass's constructor does after the study has handed the reward
// model over: observed variables, group table with one scheduling record
// per group, action table, action connectivity, event list of groups + 1,
// generator. The simulation loops can then run on `sim`.
//
// The assembly owns everything it builds, and the reward model; on
// destruction it takes its tables back from `sim` first, so the simulator's
// own destructor never releases them.
class SimulatorAssembly {
 public:
  struct Settings {
    int32_t simulationType = 1;  // 1 terminating, 0 steady state
    int32_t reportSize = 1000;
    int32_t maxBatches = 0;
    uint32_t seed = 31415;
    SimulatorClass::RandomNumberGeneratorType generator = SimulatorClass::LaggedFibonacciGenerator;
    // Installs and seeds the generator; off for tests that install their own.
    bool seedGenerator = true;
  };

  SimulatorAssembly(std::unique_ptr<PVModel> rewardModel, const Settings& settings);
  explicit SimulatorAssembly(std::unique_ptr<PVModel> rewardModel)
      : SimulatorAssembly(std::move(rewardModel), Settings{}) {}
  SimulatorAssembly(const SimulatorAssembly&) = delete;
  SimulatorAssembly& operator=(const SimulatorAssembly&) = delete;
  ~SimulatorAssembly();

  // Each step of the constructor, in its order, on `sim` and `rewardModel`.
  // Observed variables: window-sliding flag 1 in a steady-state run, 0 in a
  // terminating one; every other variable never completes.
  static void SelectObservedVariables(SimulatorClass& sim, PVModel& rewardModel);
  // Group table and one record per group (records: an array of NumGroups).
  static void ListGroups(SimulatorClass& sim, PVModel& rewardModel, List<BaseGroupClass>& groups,
                         std::unique_ptr<SchedulingRecord[]>& records);
  // Action table; every action leaves the reactivation list. The builders of
  // the connectivity walk this table, so it is filled before them.
  static void ListActions(SimulatorClass& sim, PVModel& rewardModel, List<BaseActionClass>& actions);
  // The builder named by SIMTEST (unset or 2: the default one; 0, 1: the
  // older one; other values: none); false when it fails.
  static bool BuildConnectivity(SimulatorClass& sim);
  static void InstallGenerator(const SimulatorClass& sim);

  std::unique_ptr<PVModel> rewardModel;
  SimulatorClass sim;

 private:
  List<BaseGroupClass> groups;
  List<BaseActionClass> actions;
  std::unique_ptr<SchedulingRecord[]> records;
  std::unique_ptr<EventList> events;
  std::unique_ptr<TraceFileContainer> trace;
};

#endif
