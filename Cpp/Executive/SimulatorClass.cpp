// Construction, run and destruction of the simulator.
#include "Executive/SimulatorClass.h"

#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "BaseClasses/BaseGroupClass.h"
#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/EventList.h"
#include "Executive/PacketQueue.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SchedulingRecord.h"
#include "Executive/StopSignals.h"
#include "Random/Distributions.h"
#include "Random/MersenneTwister.h"
#include "Random/Tausworthe.h"
#include "Rewards/PVModel.h"
#include "Study/BaseStudyClass.h"
#include "Tracing/TraceFileContainer.h"
#include "Tracing/TraceFileCorvax.h"
#include "Tracing/TraceFileXML.h"

namespace {

double processorSeconds(std::clock_t ticks) { return static_cast<double>(ticks) / CLOCKS_PER_SEC; }
}  // namespace

SimulatorClass::SimulatorClass() = default;

SimulatorClass::SimulatorClass(int argc, char** argv) : SimulatorClass() {
  GroupList = new List<BaseGroupClass>();
  ActionList = new List<BaseActionClass>();
  if (TheDistribution == nullptr || TheDistribution->getGenerator() == nullptr)
    TheDistribution = new UserDistributions(0, RunSettings::DefaultSeed);

  // The study first: -e is read within its experiments.
  Study = GenerateStudy();
  if (ParseCommandLineOptions(argc, argv) != 0) {
    PrintUsage();
    std::cerr << "ERROR: Parsing command line options" << std::endl;
    std::exit(1);
  }
  settings_.CheckOutputPaths();
  // Everything that can refuse the run is checked before a result or trace
  // file is opened, so that a refused run leaves existing files untouched.
  if (ReadSimTest() < 0 || SetGlobalVariables() != 0) std::exit(1);
  // The trace files first: a trace that cannot be opened then stops the run
  // before the result files are truncated.
  SetUpTracing();
  writer_.OpenResultFiles();
  if (settings_.OverrideString() != nullptr)
    std::cout << "Overriding global variables in simulator" << std::endl;
  RewardModel = Study->GetPVModel(true);
  if (settings_.PlainTraceOn() || settings_.XMLTraceOn()) TraceContainer->addPVModel(RewardModel);
  TraceContainer->printHeader();

  SelectObservedVariables();
  BuildGroupAndActionTables();
  BuildConnectivity();
  Events = new EventList(NumGroups + 1);
  InstallGenerator();
  NumPVs = RewardModel->getNumPVs();
}

short SimulatorClass::ParseCommandLineOptions(int argc, char** argv) {
  return settings_.Parse(argc, argv, Study);
}

short SimulatorClass::SetGlobalVariables() {
  if (settings_.Experiment() < 0 || static_cast<uint32_t>(settings_.Experiment()) >= Study->GetNumExps()) {
    std::cerr << "ERROR: Experiment " << settings_.Experiment() << " does not exist; the study has "
              << Study->GetNumExps() << " experiments." << std::endl;
    return 1;
  }
  Study->SetGVs(settings_.Experiment());
  if (settings_.OverrideString() != nullptr && Study->overrideGVs(settings_.OverrideString()) != 0) return 1;
  return static_cast<short>(Study->CheckGVs());
}

void SimulatorClass::SetUpTracing() {
  TraceContainer = new TraceFileContainer();
  if (settings_.PlainTraceOn() || settings_.XMLTraceOn()) TraceContainer->setTraceLevel(settings_.TraceLevel());
  if (settings_.PlainTraceOn()) {
    if (settings_.TraceFileName() != nullptr) {
      const std::string path = settings_.PlainTracePath();
      errno = 0;
      PlainTrace = new TraceFileCorvax(path.c_str());
      RequireOpenTraceFile(*PlainTrace, path, errno);
    } else {
      std::cout << "Adding cout: " << std::endl;
      PlainTrace = new TraceFileCorvax(&std::cout);
    }
    PlainTrace->setTraceLevel(settings_.TraceLevel());
    TraceContainer->AddTraceFile(PlainTrace);
  }
  if (settings_.XMLTraceOn()) {
    if (settings_.TraceFileName() != nullptr) {
      const std::string path = settings_.XMLTracePath();
      errno = 0;
      XMLTrace = new TraceFileXML(path.c_str());
      RequireOpenTraceFile(*XMLTrace, path, errno);
    } else {
      XMLTrace = new TraceFileXML(&std::cout);
    }
    XMLTrace->setTraceLevel(settings_.TraceLevel());
    TraceContainer->AddTraceFile(XMLTrace);
  }
}

// A steady-state run observes the variables whose window slides, a
// terminating run the others; a variable not observed never completes.
void SimulatorClass::SelectObservedVariables() {
  PVs = RewardModel->getPVs();
  NumPVNodes = RewardModel->getNumPVs();
  const int wantedFlag = settings_.SimulationType() != 0 ? 0 : 1;
  std::vector<int> observed;
  for (int i = 0; i < NumPVNodes; i++) {
    if (PVs[i]->getSlidingWindow() == wantedFlag)
      observed.push_back(i);
    else
      PVs[i]->SetCurrentStopTime(DBL_MAX);
  }
  RewardModel->ConsiderOnly(observed.data(), static_cast<int>(observed.size()));
}

void SimulatorClass::BuildGroupAndActionTables() {
  RewardModel->listGroups(GroupList);
  Groups = GroupList->getList();
  NumGroups = GroupList->getNumItems();
  Records = new SchedulingRecord[NumGroups];
  for (int i = 0; i < NumGroups; i++) Groups[i]->Record = &Records[i];
  // The connectivity builders walk the action table, so it is filled here.
  RewardModel->listActions(ActionList);
  Actions = ActionList->getList();
  NumActions = ActionList->getNumItems();
}

void SimulatorClass::BuildConnectivity() {
  const std::clock_t start = std::clock();
  const int simTest = ReadSimTest();
  short failed = 0;
  if (simTest == 2) {
    std::cout << "GenerateConnectivityList()" << std::endl;
    failed = GenerateConnectivityList();
  } else if (simTest == 0 || simTest == 1) {
    std::cout << "GenerateConnectivityListOld()" << std::endl;
    failed = GenerateConnectivityListOld(simTest);
  } else {
    failed = 1;  // ReadSimTest has said why
  }
  if (failed != 0) {
    std::cerr << "Error Generating Connectivity List\n";
    std::exit(1);
  }
  std::cout << "GenerateConnectivityList() Time=" << processorSeconds(std::clock() - start)
            << std::endl;
}

void SimulatorClass::InstallGenerator() {
  if (settings_.GeneratorType() == TauswortheGenerator)
    TheDistribution->setGenerator(new Tausworthe());
  else if (settings_.GeneratorType() == MersenneTwisterGenerator)
    TheDistribution->setGenerator(new MersenneTwister());
  for (int i = 0; i < NumActions; i++) Actions[i]->Reactivation = false;
  TheDistribution->getGenerator()->srnd(settings_.SeedUsed());
}

void SimulatorClass::Run() {
  if (settings_.WaitForSocket()) link_.WaitForManager();
  if (settings_.SimulationType() != 0)
    TerminatingSimulation();
  else
    SteadyStateSimulation();
  if (StopSignals::Requested()) {
    std::cerr << "SIMULATOR::Stopped by signal " << StopSignals::Number() << " ("
              << ::strsignal(StopSignals::Number())
              << "); the observations of every completed replication are written." << std::endl;
  }
  writer_.FinishBinaryFileAtEndOfRun();
  if (TraceContainer) TraceContainer->printFooter();
  std::cout << "Actions fired: " << ActionsFired << std::endl;
  std::cout << "CPU time (s): " << ProcessorSecondsSinceStart() << std::endl;
}

SimulatorClass::~SimulatorClass() {
  // The affected lists hang off the actions, which the study's reward model
  // owns; they go while the action table is still at hand.
  DestructConnectivityList();
  delete Events;
  Events = nullptr;
  delete GroupList;
  delete ActionList;
  GroupList = nullptr;
  ActionList = nullptr;
  Groups = nullptr;
  Actions = nullptr;
  delete[] Records;
  Records = nullptr;

  // Output side: sockets, trace, result files, packets.
  link_.Close();
  delete TraceContainer;
  TraceContainer = nullptr;
  FinishTraceFiles();
  delete PlainTrace;
  delete XMLTrace;
  PlainTrace = nullptr;
  XMLTrace = nullptr;
  writer_.CloseFiles();
  drain_.Release();
  delete[] ClockAtStart;

  if (Study != nullptr) DestructStudy();
}
