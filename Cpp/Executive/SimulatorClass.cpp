// Construction, run and destruction of the simulator.
#include "Executive/SimulatorClass.h"

#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "Executive/EventList.h"
#include "Executive/ProcessExitStatus.h"
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

// Every random number is drawn through the process-wide distribution object.
void EnsureDistributions() {
  if (TheDistribution == nullptr || TheDistribution->getGenerator() == nullptr)
    TheDistribution = new UserDistributions(0, RunSettings::DefaultSeed);
}
}  // namespace

SimulatorClass::SimulatorClass(int argc, char** argv) {
  EnsureDistributions();
  // The study first: -e is read within its experiments.
  study_ = GenerateStudy();
  const short parsed = ParseCommandLineOptions(argc, argv);
  if (parsed == 2) {  // -h: the options, then what this simulator's model offers them
    PrintUsage();
    std::cerr << study_->ModelHelp() << std::flush;
    std::exit(0);
  }
  if (parsed != 0) {
    PrintUsage();
    std::cerr << "ERROR: Parsing command line options" << std::endl;
    std::exit(1);
  }
  settings_.CheckOutputPaths();
  // Everything that can refuse the run is checked before a result or trace
  // file is opened, so that a refused run leaves existing files untouched:
  // the settings, then whether the model has variables of the simulation
  // type to observe.
  if (ConnectivityTable::ReadSimTest() < 0 || SetGlobalVariables() != 0) std::exit(1);
  PVModel* rewardModel = study_->GetPVModel(true);
  if (rewardModel != nullptr && !HasVariablesToObserve(*rewardModel)) std::exit(1);
  // The trace files first: a trace that cannot be opened then stops the run
  // before the result files are truncated.
  SetUpTracing();
  writer_.OpenResultFiles();
  if (settings_.OverrideString() != nullptr)
    std::cout << "Overriding global variables in simulator" << std::endl;
  AssembleAround(rewardModel);
}

SimulatorClass::SimulatorClass(RunSettings settings, PVModel* rewardModel)
    : settings_(std::move(settings)) {
  EnsureDistributions();
  settings_.CheckOutputPaths();
  if (ConnectivityTable::ReadSimTest() < 0) std::exit(1);
  SetUpTracing();
  writer_.OpenResultFiles();
  AssembleAround(rewardModel);
}

void SimulatorClass::AssembleAround(PVModel* rewardModel) {
  rewardModel_ = rewardModel;
  if (settings_.PlainTraceOn() || settings_.XMLTraceOn()) traceContainer_->addPVModel(rewardModel_);
  traceContainer_->printHeader();

  SelectObservedVariables();
  connectivity_.BuildTables(*rewardModel_);
  BuildConnectivity();
  events_ = std::make_unique<EventList>(connectivity_.NumGroups() + 1);
  connectivity_.UseEventList(events_.get());
  InstallGenerator();
}

short SimulatorClass::ParseCommandLineOptions(int argc, char** argv) {
  return settings_.Parse(argc, argv, study_);
}

int SimulatorClass::ExitStatus() { return ProcessExitStatus::Value(); }

short SimulatorClass::SetGlobalVariables() {
  const int32_t experiment = settings_.Experiment();
  if (experiment < 0 || static_cast<uint32_t>(experiment) >= study_->GetNumExps()) {
    std::cerr << "ERROR: Experiment " << experiment << " does not exist; the study has "
              << study_->GetNumExps() << " experiments." << std::endl;
    return 1;
  }
  study_->SetGVs(experiment);
  const char* overrides = settings_.OverrideString();
  if (overrides != nullptr && study_->overrideGVs(overrides) != 0) return 1;
  return static_cast<short>(study_->CheckGVs());
}

void SimulatorClass::SetUpTracing() {
  traceContainer_ = std::make_unique<TraceFileContainer>();
  const int32_t level = settings_.TraceLevel();
  if (settings_.PlainTraceOn() || settings_.XMLTraceOn()) traceContainer_->setTraceLevel(level);
  if (settings_.PlainTraceOn()) {
    if (settings_.TraceFileName() != nullptr) {
      const std::string path = settings_.PlainTracePath();
      errno = 0;
      plainTrace_ = std::make_unique<TraceFileCorvax>(path.c_str());
      RequireOpenTraceFile(*plainTrace_, path, errno);
    } else {
      std::cout << "Adding cout: " << std::endl;
      plainTrace_ = std::make_unique<TraceFileCorvax>(&std::cout);
    }
    plainTrace_->setTraceLevel(level);
    traceContainer_->AddTraceFile(plainTrace_.get());
  }
  if (settings_.XMLTraceOn()) {
    if (settings_.TraceFileName() != nullptr) {
      const std::string path = settings_.XMLTracePath();
      errno = 0;
      xmlTrace_ = std::make_unique<TraceFileXML>(path.c_str());
      RequireOpenTraceFile(*xmlTrace_, path, errno);
    } else {
      xmlTrace_ = std::make_unique<TraceFileXML>(&std::cout);
    }
    xmlTrace_->setTraceLevel(level);
    traceContainer_->AddTraceFile(xmlTrace_.get());
  }
  tracing_ = traceContainer_->getNumTraceFiles() > 0;
}

bool SimulatorClass::Observes(const PerformanceVariableNode& variable) const {
  return variable.getSlidingWindow() == (settings_.SimulationType() != 0 ? 0 : 1);
}

bool SimulatorClass::HasVariablesToObserve(PVModel& rewardModel) const {
  for (int i = 0; i < rewardModel.getNumPVs(); i++)
    if (Observes(*rewardModel.getPVs()[i])) return true;
  if (settings_.SimulationType() != 0)
    std::cerr << "ERROR: No terminating reward variable in this model (its variables are "
                 "steady-state ones): a terminating run has nothing to observe.  Run it as a "
                 "steady-state simulation, with -t 0."
              << std::endl;
  else
    std::cerr << "ERROR: No steady-state reward variable (window-sliding flag 1) in this model: "
                 "a steady-state run (-t 0) has nothing to observe.  Run it as a terminating "
                 "simulation, with -t 1."
              << std::endl;
  return false;
}

// A steady-state run observes the variables whose window slides, a
// terminating run the others; a variable not observed never completes.
void SimulatorClass::SelectObservedVariables() {
  pvs_ = rewardModel_->getPVs();
  numPVs_ = rewardModel_->getNumPVs();
  observed_.clear();
  for (int i = 0; i < numPVs_; i++) {
    if (Observes(*pvs_[i]))
      observed_.push_back(i);
    else
      pvs_[i]->SetCurrentStopTime(DBL_MAX);
  }
  rewardModel_->ConsiderOnly(observed_.data(), static_cast<int>(observed_.size()));
}

void SimulatorClass::BuildConnectivity() {
  const std::clock_t start = std::clock();
  const int simTest = ConnectivityTable::ReadSimTest();
  short failed = 0;
  if (simTest == 2) {
    std::cout << "GenerateConnectivityList()" << std::endl;
    failed = connectivity_.GenerateConnectivityList();
  } else if (simTest == 0 || simTest == 1) {
    std::cout << "GenerateConnectivityListOld()" << std::endl;
    failed = connectivity_.GenerateConnectivityListOld(simTest);
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
  for (int i = 0; i < connectivity_.NumActions(); i++)
    connectivity_.Action(i)->Reactivation = false;
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
  if (traceContainer_) traceContainer_->printFooter();
  std::cout << "Actions fired: " << loop_.ActionsFired() << std::endl;
  std::cout << "CPU time (s): " << loop_.ProcessorSecondsSinceStart() << std::endl;
}

SimulatorClass::~SimulatorClass() {
  // The affected lists hang off the actions, which the study's reward model
  // owns; they go while the actions are still there. The event list tells
  // the scheduling records of its events as it goes, so the tables and the
  // records go after it.
  connectivity_.DestructConnectivityList();
  events_.reset();
  connectivity_.Release();

  // Output side: sockets, trace, result files, packets.
  link_.Close();
  traceContainer_.reset();
  FinishTraceFiles();
  plainTrace_.reset();
  xmlTrace_.reset();
  writer_.CloseFiles();
  drain_.Release();
  if (study_ != nullptr) DestructStudy();
}
