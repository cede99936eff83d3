// The terminating loop: independent replications from the saved initial
// state, each observed once per reward variable at the latest finishing time.
// Also the firing step and the scheduling helpers that the steady-state loop
// shares. The order of every call that may draw a random number is fixed: a
// run is reproducible from its command line only while it stays so.
#include <cassert>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <string>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "Executive/DataPacket.h"
#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/SchedulingRecord.h"
#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"

namespace {
const char* NameOf(const BaseActionClass* action) {
  return action && action->getName() ? action->getName() : "(unnamed)";
}

// The delay is below the clock's resolution at this time: the action would
// fire again and again at one instant (a period) or before what it waits for
// (a delay); the model's time has run out of precision. Kept out of line, off
// the path of every scheduling.
[[noreturn, gnu::cold, gnu::noinline]] void ReportStuckClock(double time, double delay,
                                                              const BaseActionClass* action) {
  std::cerr << std::setprecision(17) << "ERROR: the clock is stuck at time " << time
            << ": the delay " << delay << " of action " << NameOf(action)
            << " no longer advances it in double precision.  Terminating run." << std::endl;
  std::exit(1);
}
}  // namespace

void SimulatorClass::StartProcessorClock() {
  if (ClockAtStart == nullptr) ClockAtStart = new double[2]();
  ClockAtStart[0] = static_cast<double>(std::clock());
}

double SimulatorClass::ProcessorSecondsSinceStart() const {
  if (ClockAtStart == nullptr) return 0.0;
  return (static_cast<double>(std::clock()) - ClockAtStart[0]) / CLOCKS_PER_SEC;
}

void SimulatorClass::TerminatingSimulation() {
  assert(NumPVs <= NumPVNodes);
  ScratchEvent = new Event();
  InitialFiredAction = new BaseActionClass();
  const int stateSize = RewardModel->StateSize();
  InitialState = new char[stateSize > 0 ? stateSize : 1]();
  RewardModel->CurrentState(InitialState);

  const int32_t reportSize = settings_.ReportSize() > 0 ? settings_.ReportSize() : 1;
  GenerateInitialEnabledList();

  StartProcessorClock();
  drain_.StartPackets(NumPVs);
  DataPacket* primary = &drain_.Primary();
  DataPacket* companion = &drain_.Companion();
  if (TraceContainer) TraceContainer->newBatch();

  int32_t k = 0;  // observations in the current packets
  while (progress_.IsRunning()) {
    CurrentTime = 0.0;
    FiringsAtCurrentTime = 0;
    Events->ClearEventList();
    EmptyReactivationList();
    if (GenerateCompleteEventList() != 0) {
      std::cerr << "ERROR: unable to generate event list\n";
      std::exit(1);
    }
    FiredAction = InitialFiredAction;
    const double finish = RewardModel->getLatestFinishingTime();

    if (TakeEarliestEvent()) {
      while (CurrentTime <= finish)
        if (!SimStep()) break;
    }
    if (TraceContainer) TraceContainer->newBatch();
    RewardModel->EndAccumulate(finish);

    assert(k < primary->Capacity);
    for (int i = 0; i < NumPVs; i++) {
      primary->ValuesOf(i)[k] = PVs[i]->AccumulatedValue;
      companion->ValuesOf(i)[k] = PVs[i]->AccumulatedSquare;
    }
    k++;
    progress_.CompleteBatch();

    // A stop signal ends the run like a reached maximum: the replications
    // completed so far are reported and the files closed in order.
    bool report = k == reportSize;
    if ((settings_.MaxBatches() > 0 && progress_.BatchesCompleted() >= settings_.MaxBatches()) || StopSignals::Requested()) {
      progress_.SetStatus(RunProgress::Finishing);
      report = true;
    }
    if (report) {
      for (int i = 0; i < NumPVs; i++) primary->Counts[i] = companion->Counts[i] = k;
      drain_.CheckReportSize(ProcessorSecondsSinceStart());
      // The hand-over gave the loop new packets.
      primary = &drain_.Primary();
      companion = &drain_.Companion();
      k = 0;
    }
    RewardModel->SetState(InitialState);
    RewardModel->PVReset();
  }

  ReleaseLoopState();
}

void SimulatorClass::ReleaseLoopState() {
  if (FiredAction == InitialFiredAction) FiredAction = nullptr;
  delete ScratchEvent;
  ScratchEvent = nullptr;
  delete InitialFiredAction;
  InitialFiredAction = nullptr;
  delete[] InitialState;
  InitialState = nullptr;
  delete[] EnabledGroups;
  EnabledGroups = nullptr;
  NumEnabledGroups = 0;
}

bool SimulatorClass::SimStep() {
  Events->Remove(CurrentSlot);
  RewardModel->Accumulate(CurrentTime);
  FiredAction = RewardModel->FireAction(CurrentAction, CurrentTime);
  ActionsFired++;
  AffectedCursor = FiredAction ? FiredAction->AffectedListHead : nullptr;
  CheckReactivationList();
  RemoveAffectedActions();
  InsertAffectedActions();
  return TakeEarliestEvent();
}

bool SimulatorClass::TakeEarliestEvent() {
  Event** slot = Events->Earliest();
  if (slot == nullptr) return false;
  const Event* next = *slot;
  // Zero-delay actions that keep enabling one another would hold the clock
  // forever; no real model fires this often at one instant.
  if (next->FiringTime == CurrentTime) {
    if (++FiringsAtCurrentTime > MaxFiringsAtOneTime) {
      std::cerr << "ERROR: " << MaxFiringsAtOneTime
                << " firings without the clock advancing beyond time " << CurrentTime
                << " (last action fired: " << NameOf(FiredAction)
                << "); zero-delay actions keep enabling one another.  Terminating run."
                << std::endl;
      std::exit(1);
    }
  } else {
    FiringsAtCurrentTime = 0;
  }
  CurrentSlot = slot;
  CurrentTime = next->FiringTime;
  CurrentAction = next->Action;
  return true;
}

int SimulatorClass::GenerateInitialEnabledList() {
  delete[] EnabledGroups;
  NumEnabledGroups = 0;
  EnabledGroups = new BaseGroupClass*[NumGroups > 0 ? NumGroups : 1];
  for (int g = 0; g < NumGroups; g++) {
    CurrentAction = Groups[g];
    if (CurrentAction->Enabled()) EnabledGroups[NumEnabledGroups++] = Groups[g];
  }
  if (NumEnabledGroups < NumGroups / 2) {  // keep only what is used
    auto* exact = new BaseGroupClass*[NumEnabledGroups > 0 ? NumEnabledGroups : 1];
    for (int i = 0; i < NumEnabledGroups; i++) exact[i] = EnabledGroups[i];
    delete[] EnabledGroups;
    EnabledGroups = exact;
  }
  return 0;
}

double SimulatorClass::FiringTimeOf(BaseActionClass* action) {
  const double delay = action->SampleDistribution();
  const double firingTime = CurrentTime + delay;
  if (firingTime == CurrentTime && delay > 0) [[unlikely]]
    ReportStuckClock(CurrentTime, delay, action);
  return firingTime;
}

void SimulatorClass::ScheduleGroup(BaseActionClass* group) {
  ScratchEvent->FiringTime = FiringTimeOf(group);
  ScratchEvent->SchedulingTime = CurrentTime;
  ScratchEvent->Action = group;
  if (group->ReactivationPredicate()) PushReactivation(group);
  Events->Insert(ScratchEvent);
}

short SimulatorClass::GenerateCompleteEventList() {
  for (int i = 0; i < NumEnabledGroups; i++) {
    CurrentAction = EnabledGroups[i];
    CurrentAction->Enabled();  // brings the group's selection up to date
    ScheduleGroup(EnabledGroups[i]);
  }
  return 0;
}

void SimulatorClass::EmptyReactivationList() {
  // A record left marked as listed would later erase a node that is gone.
  for (BaseActionClass* action : ReactivationList) {
    action->Reactivation = false;
    if (action->Record) action->Record->notInReactivationList = true;
  }
  SpareReactivationNodes.splice(SpareReactivationNodes.begin(), ReactivationList);
}

void SimulatorClass::HandleInvalidDistParams(BaseActionClass* action, std::string message) {
  static const std::string marker = "INVALID_DIST_PARAMS:";
  const std::string::size_type at = message.find(marker);
  assert(at != std::string::npos && "HandleInvalidDistParams needs an INVALID_DIST_PARAMS: message");
  message.erase(at, marker.size());
  std::cerr << "FATAL ERROR: In action " << NameOf(action) << "," << message << std::endl;
  std::exit(1);
}
