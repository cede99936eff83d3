// The terminating loop: independent replications from the saved initial
// state, each observed once per reward variable at the latest finishing time.
// Also the firing step and the scheduling of the enabled groups, which the
// steady-state loop shares. The order of every call that may draw a random
// number is fixed: a run is reproducible from its command line only while it
// stays so.
#include <cassert>
#include <cstdlib>
#include <iostream>
#include <string>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "Executive/ActionName.h"
#include "Executive/DataPacket.h"
#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"

void SimulatorClass::TerminatingSimulation() {
  if (StopIfNothingToObserve()) return;
  loop_.SaveInitialState(*rewardModel_);
  const int32_t reportSize = settings_.ReportSize();
  GenerateInitialEnabledList();

  loop_.StartProcessorClock();
  drain_.StartPackets(numPVs_);
  if (traceContainer_) traceContainer_->newBatch();

  int32_t k = 0;  // observations in the current packets
  while (progress_.IsRunning()) {
    const double finish = rewardModel_->getLatestFinishingTime();
    // An event later than the finishing time stays unfired.
    Event** next = StartReplication();
    if (tracing_) TraceStartState();
    while (next != nullptr && (*next)->FiringTime <= finish) next = SimStep(next);
    if (loop_.Stalled()) [[unlikely]] {
      // The replication cannot be completed: the ones before it are
      // reported, the held-back reports with them, and the run ends.
      progress_.SetStatus(RunProgress::Finishing);
      ReportReplications(k);
      break;
    }
    if (tracing_) TraceNewBatch();
    rewardModel_->EndAccumulate(finish);

    DataPacket& primary = drain_.Primary();
    DataPacket& companion = drain_.Companion();
    assert(k < primary.Capacity);
    for (int i : observed_) {
      primary.ValuesOf(i)[k] = pvs_[i]->AccumulatedValue;
      companion.ValuesOf(i)[k] = pvs_[i]->AccumulatedSquare;
    }
    k++;
    progress_.CompleteBatch();

    // A stop signal ends the run like a reached maximum: the replications
    // completed so far are reported and the files closed in order.
    bool report = k == reportSize;
    const int32_t maxBatches = settings_.MaxBatches();
    if ((maxBatches > 0 && progress_.BatchesCompleted() >= maxBatches) ||
        StopSignals::Requested()) {
      progress_.SetStatus(RunProgress::Finishing);
      report = true;
    }
    if (report) {
      ReportReplications(k);
      k = 0;
    }
    rewardModel_->SetState(loop_.InitialState());
    rewardModel_->PVReset();
  }

  loop_.Release();
}

bool SimulatorClass::StopIfNothingToObserve() {
  if (!observed_.empty()) return false;
  HasVariablesToObserve(*rewardModel_);
  loop_.StartProcessorClock();
  progress_.Stop();
  ProcessExitStatus::Fail();
  return true;
}

void SimulatorClass::ReportReplications(int32_t count) {
  DataPacket& primary = drain_.Primary();
  DataPacket& companion = drain_.Companion();
  for (int i = 0; i < numPVs_; i++) primary.Counts[i] = companion.Counts[i] = 0;
  for (int i : observed_) primary.Counts[i] = companion.Counts[i] = count;
  drain_.CheckReportSize(loop_.ProcessorSecondsSinceStart());
}

Event** SimulatorClass::StartReplication() {
  loop_.ResetFiringsAtOneTime();
  events_->ClearEventList();
  connectivity_.EmptyReactivationList();
  if (GenerateCompleteEventList() != 0) {
    std::cerr << "ERROR: unable to generate event list\n";
    std::exit(1);
  }
  return TakeEarliestEvent(0.0, nullptr);
}

// A run without a trace pays one predictable branch per firing for it; the
// traced firing is a function of its own, so that the firing step keeps
// the code it has without a trace.
Event** SimulatorClass::SimStep(Event** slot) {
  const Event& event = **slot;
  const double now = event.FiringTime;
  BaseActionClass* const action = event.Action;
  events_->Remove(slot);
  rewardModel_->Accumulate(now);
  BaseActionClass* fired;
  if (tracing_) [[unlikely]]
    fired = FireTraced(action, now);
  else
    fired = rewardModel_->FireAction(action, now);
  loop_.CountFiring();
  connectivity_.CheckReactivationList(now);
  connectivity_.RemoveAffectedActions(fired);
  connectivity_.InsertAffectedActions(fired, now);
  return TakeEarliestEvent(now, fired);
}

Event** SimulatorClass::TakeEarliestEvent(double now, const BaseActionClass* lastFired) {
  Event** slot = events_->Earliest();
  if (slot != nullptr && !loop_.NoteNextFiringTime((*slot)->FiringTime, now, lastFired))
    return nullptr;  // the clock has stalled
  return slot;
}

int SimulatorClass::GenerateInitialEnabledList() {
  loop_.CollectEnabledGroups(connectivity_.Groups(), connectivity_.NumGroups());
  return 0;
}

short SimulatorClass::GenerateCompleteEventList() {
  for (int i = 0; i < loop_.NumEnabledGroups(); i++) {
    BaseGroupClass* group = loop_.EnabledGroup(i);
    group->Enabled();  // brings the group's selection up to date
    connectivity_.ScheduleGroup(group, 0.0);
  }
  return 0;
}

void SimulatorClass::HandleInvalidDistParams(BaseActionClass* action, std::string message) {
  static const std::string marker = "INVALID_DIST_PARAMS:";
  const std::string::size_type at = message.find(marker);
  assert(at != std::string::npos &&
         "HandleInvalidDistParams needs an INVALID_DIST_PARAMS: message");
  message.erase(at, marker.size());
  std::cerr << "FATAL ERROR: In action " << ActionName(action) << "," << message << std::endl;
  std::exit(1);
}
