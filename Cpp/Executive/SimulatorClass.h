#ifndef CORVAX_SIMULATOR_CLASS_H
#define CORVAX_SIMULATOR_CLASS_H

#include <memory>
#include <string>
#include <vector>

#include "Executive/ConnectivityTable.h"
#include "Executive/LoopState.h"
#include "Executive/ManagerLink.h"
#include "Executive/OutputDrain.h"
#include "Executive/ResultFileWriter.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"

class BaseActionClass;
class BaseStudyClass;
class Event;
class EventList;
class PerformanceVariableNode;
class PVModel;
class TraceFile;
class TraceFileContainer;
class TraceFileCorvax;
class TraceFileXML;

// The simulator: run settings from the command line, the assembled model,
// the event list, the simulation loops and the output side. One object lives
// for the whole process.
//
// It is made of parts, each keeping its own data:
//   RunSettings        the values of the command line;
//   RunProgress        the run status and the batches completed;
//   ResultFileWriter   the ASCII and binary result files;
//   ManagerLink        the link to the simulation manager;
//   OutputDrain        the observation packets, report hand-over and drain;
//   ConnectivityTable  the group and action tables, the affected lists and
//                      the reactivation list;
//   LoopState          what the loops keep across firings and replications.
// The simulator assembles them (constructors), runs the loops over them
// (Run) and takes them down in order (destructor). The firing step passes
// the event it fires, the firing time and the action that fired on by
// argument.
class SimulatorClass {
 public:
  using RandomNumberGeneratorType = RunSettings::RandomNumberGeneratorType;
  using enum RunSettings::RandomNumberGeneratorType;

  // Parses the command line and assembles the whole simulator around the
  // study's reward model; ends the process on a command-line error.
  SimulatorClass(int argc, char** argv);
  // Assembles a simulator with the given settings around a reward model
  // that the caller built and keeps alive longer than the simulator: the
  // steps the full constructor takes once the study has handed its reward
  // model over (tracing, result files, observed variables, tables,
  // connectivity, event list, generator).
  SimulatorClass(RunSettings settings, PVModel* rewardModel);
  SimulatorClass(const SimulatorClass&) = delete;
  SimulatorClass& operator=(const SimulatorClass&) = delete;
  ~SimulatorClass();

  // Waits for the manager when asked to, runs the loop of the simulation
  // type, rewrites the binary header and prints the summary lines.
  void Run();

  // The command line: fills the settings (RunSettings::Parse). 0 to go on,
  // 1 after an error message, 2 for -h (the caller prints the usage).
  short ParseCommandLineOptions(int argc, char** argv);
  static void PrintUsage() { RunSettings::PrintUsage(); }
  static std::string to_string(RandomNumberGeneratorType type) {
    return RunSettings::GeneratorName(type);
  }

  // Simulation loops.
  void TerminatingSimulation();
  void SteadyStateSimulation();
  // The start of a replication at time 0: empties the event list and the
  // reactivation list, schedules the enabled groups and takes the earliest
  // event (null when there is none).
  Event** StartReplication();
  // One firing: fires the event in `slot` at its time, lets the reward
  // model accumulate up to it, and revisits the groups the firing affects;
  // with a trace on, the trace writers see the firing. Returns the cell of
  // the next event, or null when none remains.
  Event** SimStep(Event** slot);
  Event** SimStepSS(Event** slot) { return SimStep(slot); }
  // The groups enabled in the initial state; returns 0.
  int GenerateInitialEnabledList();
  // Schedule, at time 0, the groups of the initial enabled list / every
  // group enabled now; return 0.
  short GenerateCompleteEventList();
  short GenerateCompleteEventListSS();
  // Steady state: closes every batch window that ends at or before now.
  void CheckCompletedBatches(PerformanceVariableNode** variables, int* primaryCounts,
                             int* companionCounts, double now);
  // Ends the process after the message of an action whose distribution
  // parameters are invalid ("INVALID_DIST_PARAMS:" and the reason).
  static void HandleInvalidDistParams(BaseActionClass* action, std::string message);
  // The process exit status main returns (ProcessExitStatus).
  static int ExitStatus();

  // The parts.
  const RunSettings& Settings() const { return settings_; }
  RunProgress& Progress() { return progress_; }
  const RunProgress& Progress() const { return progress_; }
  const ResultFileWriter& Results() const { return writer_; }
  ManagerLink& Link() { return link_; }
  const OutputDrain& Drain() const { return drain_; }
  const ConnectivityTable& Connectivity() const { return connectivity_; }
  LoopState& Loop() { return loop_; }
  const LoopState& Loop() const { return loop_; }

 private:
  // Steps of the assembly, in the order the constructors take them. The
  // experiment's values of the global variables, then the override (-O),
  // checked against the study's ranges; 0, or 1 after a message.
  short SetGlobalVariables();
  void SetUpTracing();
  // Ends the process with status 1 when the writer's trace file (path) did
  // not open; error is the errno of the attempt.
  static void RequireOpenTraceFile(const TraceFile& writer, const std::string& path, int error);
  // Everything from the reward model on: trace header, observed variables,
  // tables and connectivity, event list, generator.
  void AssembleAround(PVModel* rewardModel);
  // A terminating run observes the variables whose window does not slide,
  // a steady-state run those whose window does.
  bool Observes(const PerformanceVariableNode& variable) const;
  // Whether the reward model has a variable this run observes; if not, a
  // message that names the simulation type that would observe its
  // variables.
  bool HasVariablesToObserve(PVModel& rewardModel) const;
  void SelectObservedVariables();
  void BuildConnectivity();
  void InstallGenerator();
  // Flushes the trace files and syncs them to disk; failures are reported
  // and give exit status 1.
  void FinishTraceFiles();

  // The firing of SimStep with a trace on: the firing and the enabling
  // state before it, the firing through the reward model, the fired action
  // and the affected state after it. The writers only read the model, so a
  // traced run fires, draws and observes exactly as an untraced one. Kept
  // out of SimStep, which calls it on a branch a run without a trace never
  // takes.
  [[gnu::noinline]] BaseActionClass* FireTraced(BaseActionClass* action, double now);

  // What the trace shows besides the firings, by trace level: from
  // kStateTraceLevel the model state at the start of each replication (of
  // the run, in steady state), from kFullTraceLevel also the model state at
  // every batch boundary.
  static constexpr int kStateTraceLevel = 3;
  static constexpr int kFullTraceLevel = 4;
  void TraceStartState();
  // At a batch boundary: the state (at the full level), the writers'
  // batch separator, and a check that the trace is still being written.
  void TraceNewBatch();
  // A trace writer that cannot write any more (a full disk, a closed
  // standard output) is reported at once and the run goes on without it;
  // the run then ends with exit status 1.
  void CheckTraceWriters();

  // The earliest event, the clock standing at now after the firing of
  // lastFired (null at the start); null when the list is empty or the
  // clock has stalled (LoopState::Stalled).
  Event** TakeEarliestEvent(double now, const BaseActionClass* lastFired);
  // Terminating: hands both packets over with count replications of each
  // observed variable.
  void ReportReplications(int32_t count);
  // A run with no variable to observe stops before it simulates anything,
  // with a message and a failed exit status; true when it did.
  bool StopIfNothingToObserve();
  // Steady state: hands both packets over with the counts of the two
  // arrays, which restart.
  void ReportBatches(int* primaryCounts, int* companionCounts);

  RunSettings settings_;
  RunProgress progress_;
  ResultFileWriter writer_{settings_, progress_};
  ManagerLink link_{settings_, writer_, progress_};
  OutputDrain drain_{settings_, writer_, link_, progress_};
  ConnectivityTable connectivity_;
  LoopState loop_;
  std::unique_ptr<EventList> events_;

  BaseStudyClass* study_ = nullptr;  // owns the reward model when there is one
  PVModel* rewardModel_ = nullptr;
  PerformanceVariableNode** pvs_ = nullptr;
  int numPVs_ = 0;
  // The indices of the variables this run observes, in the reward model's
  // order; the packets carry observations of these only.
  std::vector<int> observed_;
  std::unique_ptr<TraceFileContainer> traceContainer_;
  std::unique_ptr<TraceFileCorvax> plainTrace_;
  std::unique_ptr<TraceFileXML> xmlTrace_;
  bool tracing_ = false;  // a trace writer is on
  // Writers found failed during the run, reported and taken off.
  bool plainTraceLost_ = false;
  bool xmlTraceLost_ = false;
};

#endif
