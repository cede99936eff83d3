#ifndef CORVAX_SIMULATOR_CLASS_H
#define CORVAX_SIMULATOR_CLASS_H

#include <cstdint>
#include <fstream>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "BaseClasses/List.h"
#include "Executive/ManagerLink.h"
#include "Executive/OutputDrain.h"
#include "Executive/ResultFileWriter.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"

class BaseActionClass;
class BaseGroupClass;
class BaseStudyClass;
class CorvaxSocket;
class DataPacket;
class Event;
class EventList;
class PacketQueue;
class PerformanceVariableNode;
class PVModel;
class TraceFile;
class TraceFileContainer;
class TraceFileCorvax;
class TraceFileXML;
template <class T>
class Heap;
struct SchedulingRecord;
struct AffectedActionNode;

// The simulator: run settings from the command line, the assembled model,
// the event list, the simulation loops and the output side. One object lives
// for the whole process.
class SimulatorClass {
 public:
  using RandomNumberGeneratorType = RunSettings::RandomNumberGeneratorType;
  using enum RunSettings::RandomNumberGeneratorType;

  // Parses the command line and assembles the whole simulator; ends the
  // process on a command-line error.
  SimulatorClass(int argc, char** argv);
  // Settings at their defaults and the output side; nothing else. The
  // starting point of the full constructor, and of tests.
  SimulatorClass();
  SimulatorClass(const SimulatorClass&) = delete;
  SimulatorClass& operator=(const SimulatorClass&) = delete;
  ~SimulatorClass();

  void Run();

  // The run's settings.
  const RunSettings& Settings() const { return settings_; }
  RunSettings& Settings() { return settings_; }
  // Status and batches completed of the run.
  RunProgress& Progress() { return progress_; }
  const RunProgress& Progress() const { return progress_; }
  // The output side: result files, manager link, report hand-over.
  ResultFileWriter& Results() { return writer_; }
  ManagerLink& Link() { return link_; }
  OutputDrain& Drain() { return drain_; }

  // Steps of the assembly, in the order the constructor takes them.
  // The experiment's values of the global variables, then the override
  // (-O), checked against the study's ranges; 0, or 1 after a message.
  short SetGlobalVariables();
  void SetUpTracing();
  // Ends the process with status 1 when the writer's trace file (path) did
  // not open; error is the errno of the attempt.
  static void RequireOpenTraceFile(const TraceFile& writer, const std::string& path, int error);
  // Flushes the trace files and syncs them to disk; failures are reported
  // and give exit status 1.
  void FinishTraceFiles();
  void SelectObservedVariables();
  void BuildGroupAndActionTables();
  void BuildConnectivity();
  void InstallGenerator();

  // Command line: fills the settings (RunSettings::Parse).
  short ParseCommandLineOptions(int argc, char** argv);
  static void PrintUsage() { RunSettings::PrintUsage(); }
  static std::string to_string(RandomNumberGeneratorType type) {
    return RunSettings::GeneratorName(type);
  }

  // Action connectivity and reactivation.
  short GenerateConnectivityList();
  // The older builder; deduplicates through a pair matrix when simTest is
  // 1 and by walking each list otherwise (SIMTEST 0). Without an argument
  // it takes the value from the environment (ReadSimTest).
  short GenerateConnectivityListOld();
  short GenerateConnectivityListOld(int simTest);
  // The value of the environment variable SIMTEST: 0 or 1 (the older
  // builder) or 2 (the default builder, also when it is unset); -1 after a
  // message on standard error for any other text.
  static int ReadSimTest();
  int AddActionAffects(BaseActionClass* target, BaseActionClass* action);
  int AddActionAffectsOld(BaseActionClass* target, BaseActionClass* action);
  void ClearActionAffectsList(BaseActionClass* action);
  void DestructConnectivityList();
  // Moves the affected lists of the action table into one block, each list
  // in its order, so that the walks after every firing read them in
  // sequence; the builders call it when they are done. Lists changed later
  // keep working (they may then mix packed and single nodes).
  void PackAffectedLists();
  bool IsPacked(const AffectedActionNode* node) const;
  void CheckReactivationList();
  void RemoveAffectedActions();
  void InsertAffectedActions();
  // Put an action at the front of the reactivation list (setting its flag
  // and its record's position) / take a node out. Nodes taken out are kept
  // for reuse, so that once the list has reached its usual size,
  // reactivation never allocates.
  void PushReactivation(BaseActionClass* action);
  void EraseReactivation(std::list<BaseActionClass*>::iterator position);

  // Simulation loops.
  void TerminatingSimulation();
  bool SimStep();
  int GenerateInitialEnabledList();
  short GenerateCompleteEventList();
  void HandleInvalidDistParams(BaseActionClass* action, std::string message);
  void SteadyStateSimulation();
  bool SimStepSS();
  short GenerateCompleteEventListSS();
  void CheckCompletedBatches(PerformanceVariableNode** variables, int* primaryCounts,
                             int* companionCounts);
  // Loop helpers. StartProcessorClock records the clock at start;
  // ProcessorSecondsSinceStart is the processor time since then in seconds
  // (0 before the clock was started).
  void StartProcessorClock();
  double ProcessorSecondsSinceStart() const;
  // Takes the earliest event as the current slot, time and action; false
  // when the event list is empty. Ends the process when the clock has not
  // advanced for MaxFiringsAtOneTime firings.
  bool TakeEarliestEvent();
  // The current time plus a delay sampled from the action. Ends the process
  // when a positive delay no longer advances the clock (time + delay ==
  // time in floating point): the clock is stuck.
  double FiringTimeOf(BaseActionClass* action);
  // Schedules one group at the current time plus its sample (and puts it in
  // the reactivation list when its predicate holds).
  void ScheduleGroup(BaseActionClass* group);
  // Empties the reactivation list, marking every listed action as not in it.
  void EmptyReactivationList();
  // End of a loop: frees the scratch event, the initial fired action, the
  // saved initial state and the enabled-group array.
  void ReleaseLoopState();

  // Observation packets and the output drain.
  // Assembled model and tracing.
  int NumPVs = 0;
  TraceFileContainer* TraceContainer = nullptr;
  TraceFileCorvax* PlainTrace = nullptr;
  TraceFileXML* XMLTrace = nullptr;
  int64_t ActionsFired = 0;  // 64 bits: a fast model passes 2^31 firings in minutes
  BaseStudyClass* Study = nullptr;
  PVModel* RewardModel = nullptr;
  PerformanceVariableNode** PVs = nullptr;
  int NumPVNodes = 0;
  List<BaseGroupClass>* GroupList = nullptr;
  BaseGroupClass** Groups = nullptr;
  int NumGroups = 0;
  List<BaseActionClass>* ActionList = nullptr;
  BaseActionClass** Actions = nullptr;
  int NumActions = 0;
  SchedulingRecord* Records = nullptr;
  EventList* Events = nullptr;
  std::list<BaseActionClass*> ReactivationList;
  std::list<BaseActionClass*> SpareReactivationNodes;  // recycled nodes, unused

  // Simulation loop state.
  double* ClockAtStart = nullptr;  // owned pair; [0] is the processor clock
  Event* ScratchEvent = nullptr;
  BaseActionClass* InitialFiredAction = nullptr;
  Event** CurrentSlot = nullptr;
  double CurrentTime = 0.0;
  BaseActionClass* CurrentAction = nullptr;
  BaseActionClass* FiredAction = nullptr;
  AffectedActionNode* AffectedCursor = nullptr;  // walks FiredAction's affected list
  AffectedActionNode* PackedNodes = nullptr;      // owned block of PackAffectedLists
  int NumPackedNodes = 0;
  BaseGroupClass** EnabledGroups = nullptr;
  int NumEnabledGroups = 0;
  char* InitialState = nullptr;
  // Firings since the clock last advanced, and the bound beyond which a run
  // is taken to be caught in zero-delay actions that enable one another.
  int64_t FiringsAtCurrentTime = 0;
  int64_t MaxFiringsAtOneTime = 10'000'000;
  // Steady-state loop: next window boundary and completed batches (-1 before
  // the first window) of every steady-state variable, by variable index.
  Heap<double>* BoundaryHeap = nullptr;
  Heap<int>* BatchCountHeap = nullptr;

 private:
  // Steady state: hands both packets over with the counts of the two
  // arrays, which restart.
  void ReportBatches(int* primaryCounts, int* companionCounts);

  RunSettings settings_;
  RunProgress progress_;
  ResultFileWriter writer_{settings_, progress_};
  ManagerLink link_{settings_, writer_, progress_};
  OutputDrain drain_{settings_, writer_, link_, progress_};
};

#endif
