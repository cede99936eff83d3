// The steady-state loop: one long run observed by batch means. Every
// steady-state reward variable (window-sliding flag 1) has a window that
// slides on after each batch; one heap finds the next window boundary, the
// other the fewest batches completed by any variable.
#include <cassert>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "Executive/DataPacket.h"
#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/Heap.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"

namespace {
// A window that does not move forward would be closed again and again at
// one instant: the run could never go on.
[[noreturn]] void ReportStalledWindow(const PerformanceVariableNode* variable) {
  std::cerr << "ERROR: the batch window of steady-state reward variable " << variable->getName()
            << " [" << variable->getCurrentStartTime() << ", " << variable->getCurrentStopTime()
            << "] does not advance; batch windows need a positive length.  Terminating run."
            << std::endl;
  std::exit(1);
}
}  // namespace

void SimulatorClass::ReportBatches(int* primaryCounts, int* companionCounts) {
  for (int i = 0; i < NumPVs; i++) {
    drain_.Primary().Counts[i] = primaryCounts[i];
    drain_.Companion().Counts[i] = companionCounts[i];
    primaryCounts[i] = companionCounts[i] = 0;
  }
  drain_.CheckReportSize(ProcessorSecondsSinceStart());
}

void SimulatorClass::SteadyStateSimulation() {
  assert(NumPVs <= NumPVNodes);
  int steadyStateVariables = 0;
  for (int i = 0; i < NumPVs; i++)
    if (PVs[i]->getSlidingWindow() == 1) steadyStateVariables++;
  if (steadyStateVariables == 0) {
    // Nothing could ever be observed: stop before simulating anything, and
    // do not let the run count as a success.
    StartProcessorClock();
    progress_.Stop();
    ProcessExitStatus::Fail();
    std::cerr << "No steady-state reward variable (window-sliding flag 1) in this model: "
                 "a steady-state run has nothing to observe.  Terminating run."
              << std::endl;
    return;
  }
  for (int i = 0; i < NumPVs; i++)
    if (PVs[i]->getSlidingWindow() == 1 && !(PVs[i]->getCurrentStopTime() > PVs[i]->getCurrentStartTime()))
      ReportStalledWindow(PVs[i]);

  ScratchEvent = new Event();
  InitialFiredAction = new BaseActionClass();
  const int stateSize = RewardModel->StateSize();
  InitialState = new char[stateSize > 0 ? stateSize : 1]();
  RewardModel->CurrentState(InitialState);  // saved, not restored in this mode
  auto primaryCounts = std::make_unique<int[]>(NumPVs);
  auto companionCounts = std::make_unique<int[]>(NumPVs);

  CurrentTime = 0.0;
  FiringsAtCurrentTime = 0;
  GenerateInitialEnabledList();
  if (GenerateCompleteEventListSS() != 0) std::cerr << "ERROR: unable to generate event list\n";
  FiredAction = InitialFiredAction;

  BoundaryHeap = new Heap<double>(steadyStateVariables);
  BatchCountHeap = new Heap<int>(steadyStateVariables);
  for (int i = 0; i < NumPVs; i++) {
    if (PVs[i]->getSlidingWindow() != 1) continue;
    if (PVs[i]->getCurrentStartTime() == 0.0) {
      BoundaryHeap->Insert(PVs[i]->getCurrentStopTime(), i);
      BatchCountHeap->Insert(0, i);
    } else {
      BoundaryHeap->Insert(PVs[i]->getCurrentStartTime(), i);
      BatchCountHeap->Insert(-1, i);
    }
  }

  if (TraceContainer) TraceContainer->newBatch();
  drain_.StartPackets(NumPVs);

  StartProcessorClock();
  if (!TakeEarliestEvent()) progress_.FinishIfRunning();
  while (progress_.IsRunning()) {
    CheckCompletedBatches(PVs, primaryCounts.get(), companionCounts.get());
    // Tested before the step: one more firing follows the batch that
    // reaches the maximum.
    if (settings_.MaxBatches() > 0 && BatchCountHeap->TopKey() >= settings_.MaxBatches()) progress_.FinishIfRunning();
    if (!SimStepSS()) {
      progress_.FinishIfRunning();
      std::cout << "Simulator encountered an absorbing state and is unable to proceed.  "
                   "Terminating run."
                << std::endl;
    }
  }
  if (progress_.GetStatus() != RunProgress::Stopped) ReportBatches(primaryCounts.get(), companionCounts.get());

  delete BoundaryHeap;
  BoundaryHeap = nullptr;
  delete BatchCountHeap;
  BatchCountHeap = nullptr;
  ReleaseLoopState();
}

// The firing step is the same in both loops.
bool SimulatorClass::SimStepSS() { return SimStep(); }

short SimulatorClass::GenerateCompleteEventListSS() {
  for (int g = 0; g < NumGroups; g++) {
    CurrentAction = Groups[g];
    if (CurrentAction->Enabled()) ScheduleGroup(Groups[g]);
  }
  return 0;
}

void SimulatorClass::CheckCompletedBatches(PerformanceVariableNode** variables, int* primaryCounts,
                                           int* companionCounts) {
  while (BoundaryHeap->TopKey() <= CurrentTime) {
    const int i = BoundaryHeap->TopId();
    PerformanceVariableNode* variable = variables[i];
    const int batches = BatchCountHeap->Key(i);
    if (batches != -1) {  // the window has ended; -1: it has just begun
      const double stop = variable->getCurrentStopTime();
      variable->Accumulate(stop + 1.0, BaseModelClass::LastActionTime,
                           RewardModel->getLastActionFired());
      if (primaryCounts[i] == settings_.ReportSize() && progress_.GetStatus() != RunProgress::Stopped)
        ReportBatches(primaryCounts, companionCounts);
      // A stopped run makes no more reports: an observation without room in
      // the packet is dropped (the loop ends at its next status check).
      DataPacket& primary = drain_.Primary();
      DataPacket& companion = drain_.Companion();
      if (primaryCounts[i] < primary.Capacity)
        primary.ValuesOf(i)[primaryCounts[i]++] = variable->AccumulatedValue;
      if (companionCounts[i] < companion.Capacity)
        companion.ValuesOf(i)[companionCounts[i]++] = variable->AccumulatedSquare;
      variable->Reset();
      if (!(variable->getCurrentStopTime() > stop)) ReportStalledWindow(variable);
      if (StopSignals::Requested()) progress_.FinishIfRunning();  // after this batch, in order
    }
    BoundaryHeap->ChangeKey(i, variable->getCurrentStopTime());
    BatchCountHeap->ChangeKey(i, batches + 1);
    if (TraceContainer) TraceContainer->newBatch();
  }
}
