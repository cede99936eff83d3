#ifndef CORVAX_SIMULATOR_CLASS_H
#define CORVAX_SIMULATOR_CLASS_H

#include <cstdint>
#include <fstream>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "BaseClasses/List.h"
#include "Executive/ManagerCommandReader.h"
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
  // Settings at their defaults and the two packet queues; nothing else.
  // The starting point of the full constructor, and of tests.
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
  DataPacket* CreateDataPacket(int numPVs);
  bool CheckReportSize(double processorTime);
  int OutputThreadFunc();
  void ResetDataPacketBuffer();

  // Result files and output primitives.
  std::ofstream* CreateAsciiFile(const char* fileName);
  std::ofstream* CreateBinFile(const char* fileName);
  std::string CreateBinFileHeader(int fileVersion);
  void UpdateBinFileHeader(std::ofstream& stream);
  void CloseBinFile(std::ofstream& stream);
  void CloseAsciiFile(std::ofstream& stream);
  static double EndianConvertDouble(double value);
  int Output(CorvaxSocket* socket, std::ostream* stream, const double* values, int n);
  int OutputInt(CorvaxSocket* socket, std::ostream* stream, int value);
  int OutputShort(CorvaxSocket* socket, std::ostream* stream, short value);
  int OutputByte(CorvaxSocket* socket, std::ostream* stream, char value);
  void WriteDataRecord(const DataPacket& packet, CorvaxSocket* socket, std::ostream* binStream);
  void WriteAsciiRecord(const DataPacket& packet, std::ostream& asciiStream);
  // Opens the files named by -a and -b and writes their headers; ends the
  // process with status 1 when one cannot be opened.
  void OpenResultFiles();
  // End of Run: final header, close, delete and forget the binary stream.
  void FinishBinaryFileAtEndOfRun();
  // The ASCII text of one observation value ("%.10lf" without surplus
  // trailing zeros).
  static std::string FormatAsciiValue(double value);

  // Simulation-manager link.
  CorvaxSocket* WaitForSimMgrConnection(int waitMilliseconds);
  void ListenToSimMgr(CorvaxSocket* socket);
  void ListenToSimMgrLoop(CorvaxSocket* socket);
  // Processor-time message and the 10-byte replies to the manager.
  void SendProcessorTime(CorvaxSocket* socket);
  void SendReply(CorvaxSocket* socket, unsigned char kind, unsigned char command);
  // Receives what the manager has sent (at most maxBytes) into the command
  // reader; false when it is gone (the link is then dropped and the run
  // stopped with status 1).
  bool ReceiveFromManager(CorvaxSocket* socket, size_t maxBytes);
  void HandleBinaryFileCommand(CorvaxSocket* socket, const std::string& text);
  // A refused or failed command, or a manager that is gone: message, run
  // stopped with exit status 1, link dropped. What was simulated is still
  // written to the result files by the drain that follows.
  void RefuseManagerCommand(CorvaxSocket* socket, const std::string& reason);
  void LoseManager(CorvaxSocket* socket, const std::string& cause);
  // A send to the manager failed. The link cannot be dropped in the middle
  // of a record, so it is marked lost (later sends are skipped) and dropped
  // after the drain. After the quit command this is no failure.
  void ManagerSendFailed();
  // Deletes the socket and forgets it (and any buffered command bytes).
  void DropManagerSocket(CorvaxSocket* socket);

  // Assembled model and tracing.
  int NumPVs = 0;
  TraceFileContainer* TraceContainer = nullptr;
  TraceFileCorvax* PlainTrace = nullptr;
  TraceFileXML* XMLTrace = nullptr;
  int64_t ActionsFired = 0;  // 64 bits: a fast model passes 2^31 firings in minutes
  std::ofstream* AsciiStream = nullptr;
  std::ofstream* BinStream = nullptr;
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

  // Output side.
  PacketQueue* FreeQueue = nullptr;
  PacketQueue* FullQueue = nullptr;
  DataPacket* Primary = nullptr;
  DataPacket* Companion = nullptr;
  int32_t DrainCounter = 1;
  double ProcessorTime = 0.0;
  CorvaxSocket* ListenSocket = nullptr;
  CorvaxSocket* ManagerSocket = nullptr;
  int32_t SelectSlice = 2000;
  int32_t ManagerWaitMilliseconds = 60000;  // how long Run waits for the manager
  int32_t PollTime = 0;
  // How long the text of a binary-file command may take to arrive, in
  // milliseconds: a manager sends it in one piece, so a few seconds are
  // plenty, and a stalled peer cannot hold the simulation longer.
  static constexpr int32_t CommandTextSeconds = 3;
  int32_t CommandTextTimeLimit = CommandTextSeconds * 1000;
  ManagerCommandReader CommandReader;  // bytes received and not yet handled
  bool ManagerQuit = false;            // the quit command was received
  bool ManagerLinkLost = false;        // a send failed: no further sends

 private:
  RunSettings settings_;
  RunProgress progress_;
};

#endif
