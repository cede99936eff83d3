// The steady-state loop: one long run observed by batch means. Every
// steady-state reward variable (window-sliding flag 1) has a window that
// slides on after each batch; one heap finds the next window boundary, the
// other the fewest batches completed by any variable.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "Executive/DataPacket.h"
#include "Executive/Event.h"
#include "Executive/Heap.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"

namespace {
// A window that does not move forward would be closed again and again at
// one instant: the run could never go on.
void ReportStalledWindow(const PerformanceVariableNode* variable) {
  std::cerr << "ERROR: the batch window of steady-state reward variable " << variable->getName()
            << " [" << variable->getCurrentStartTime() << ", " << variable->getCurrentStopTime()
            << "] does not advance; batch windows need a positive length.  Terminating run."
            << std::endl;
}

// The run ends, with its observations. Said on standard error too: that is
// where a manager looks for the cause of a run that ended by itself.
void ReportAbsorbingState() {
  static const char* const kAbsorbing =
      "Simulator encountered an absorbing state and is unable to proceed.  Terminating run.";
  std::cout << kAbsorbing << std::endl;
  std::cerr << kAbsorbing << std::endl;
}
}  // namespace

void SimulatorClass::ReportBatches(int* primaryCounts, int* companionCounts) {
  for (int i = 0; i < numPVs_; i++) {
    drain_.Primary().Counts[i] = primaryCounts[i];
    drain_.Companion().Counts[i] = companionCounts[i];
    primaryCounts[i] = companionCounts[i] = 0;
  }
  drain_.CheckReportSize(loop_.ProcessorSecondsSinceStart());
}

void SimulatorClass::SteadyStateSimulation() {
  if (StopIfNothingToObserve()) return;
  for (int i = 0; i < numPVs_; i++)
    if (pvs_[i]->getSlidingWindow() == 1 &&
        !(pvs_[i]->getCurrentStopTime() > pvs_[i]->getCurrentStartTime())) {
      ReportStalledWindow(pvs_[i]);
      std::exit(1);  // before the first firing: nothing simulated to write
    }

  loop_.SaveInitialState(*rewardModel_);  // saved, not restored in this mode
  auto primaryCounts = std::make_unique<int[]>(numPVs_);
  auto companionCounts = std::make_unique<int[]>(numPVs_);

  loop_.ResetFiringsAtOneTime();
  GenerateInitialEnabledList();
  if (GenerateCompleteEventListSS() != 0) std::cerr << "ERROR: unable to generate event list\n";
  loop_.StartBatchWindows(pvs_, numPVs_);

  if (traceContainer_) traceContainer_->newBatch();
  if (tracing_) TraceStartState();
  drain_.StartPackets(numPVs_);

  loop_.StartProcessorClock();
  Event** next = TakeEarliestEvent(0.0, nullptr);
  if (next == nullptr) progress_.FinishIfRunning();
  // While the run goes on there is a next event: a step that finds none
  // finishes the run.
  while (progress_.IsRunning()) {
    CheckCompletedBatches(pvs_, primaryCounts.get(), companionCounts.get(), (*next)->FiringTime);
    // Tested before the step: one more firing follows the batch that
    // reaches the maximum.
    const int32_t maxBatches = settings_.MaxBatches();
    if (maxBatches > 0 && loop_.BatchCounts().TopKey() >= maxBatches) progress_.FinishIfRunning();
    next = SimStepSS(next);
    if (next == nullptr) {
      // No event left, or a clock that has stalled (reported already): the
      // batches completed so far are reported below.
      progress_.FinishIfRunning();
      if (!loop_.Stalled()) ReportAbsorbingState();
    }
  }
  if (progress_.GetStatus() != RunProgress::Stopped)
    ReportBatches(primaryCounts.get(), companionCounts.get());

  loop_.Release();
}

short SimulatorClass::GenerateCompleteEventListSS() {
  for (int g = 0; g < connectivity_.NumGroups(); g++) {
    BaseGroupClass* group = connectivity_.Group(g);
    if (group->Enabled()) connectivity_.ScheduleGroup(group, 0.0);
  }
  return 0;
}

void SimulatorClass::CheckCompletedBatches(PerformanceVariableNode** variables, int* primaryCounts,
                                           int* companionCounts, double now) {
  Heap<double>& boundaries = loop_.Boundaries();
  Heap<int>& batchCounts = loop_.BatchCounts();
  bool stalled = false;
  while (!stalled && boundaries.TopKey() <= now) {
    const int i = boundaries.TopId();
    PerformanceVariableNode* variable = variables[i];
    const int batches = batchCounts.Key(i);
    if (batches != -1) {  // the window has ended; -1: it has just begun
      const double stop = variable->getCurrentStopTime();
      // A time beyond the window completes it: one time unit later, or the
      // next double where a unit no longer counts (stop beyond 2^53).
      const double past = stop + 1.0 > stop ? stop + 1.0 : std::nextafter(stop, INFINITY);
      variable->Accumulate(past, BaseModelClass::LastActionTime,
                           rewardModel_->getLastActionFired());
      if (primaryCounts[i] == settings_.ReportSize() &&
          progress_.GetStatus() != RunProgress::Stopped)
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
      if (!(variable->getCurrentStopTime() > stop)) [[unlikely]] {
        // Its length is lost at this time (a stop beyond 2^53 with windows
        // of one unit): the run ends after this batch, with every batch
        // completed so far written, and fails.
        ReportStalledWindow(variable);
        ProcessExitStatus::Fail();
        progress_.FinishIfRunning();
        stalled = true;
      }
      if (StopSignals::Requested()) progress_.FinishIfRunning();  // after this batch, in order
    }
    boundaries.ChangeKey(i, variable->getCurrentStopTime());
    batchCounts.ChangeKey(i, batches + 1);
    // The batches of the run: those every steady-state variable has
    // completed, as the maximum (-N) counts them.
    progress_.SetBatchesCompleted(std::max(0, batchCounts.TopKey()));
    if (tracing_) TraceNewBatch();
  }
}
