#include "Executive/LoopState.h"

#include <ctime>
#include <iomanip>
#include <iostream>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "Executive/ActionName.h"
#include "Executive/ProcessExitStatus.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"

LoopState::LoopState() = default;
LoopState::~LoopState() = default;

void LoopState::StartProcessorClock() { clockAtStart_ = static_cast<double>(std::clock()); }

double LoopState::ProcessorSecondsSinceStart() const {
  if (!clockAtStart_) return 0.0;
  return (static_cast<double>(std::clock()) - *clockAtStart_) / CLOCKS_PER_SEC;
}

void LoopState::ReportStall(double now, const BaseActionClass* lastFired) {
  stalled_ = true;
  ProcessExitStatus::Fail();
  const bool timed = lastFired != nullptr && lastFired->DistributionType != Instantaneous;
  std::cerr << std::setprecision(17) << "ERROR: the clock is stuck at time " << now << ": "
            << maxFiringsAtOneTime_
            << " firings without it advancing (last action fired: " << ActionName(lastFired)
            << (timed ? ", a timed action whose delays are 0 or below the clock's resolution at "
                        "this time"
                      : "; zero-delay actions keep enabling one another")
            << ").  Stopping the run; what was simulated is written to the result files."
            << std::endl;
}

void LoopState::SaveInitialState(PVModel& model) {
  const int size = model.StateSize();
  initialState_ = std::make_unique<char[]>(size > 0 ? size : 1);
  model.CurrentState(initialState_.get());
}

void LoopState::CollectEnabledGroups(BaseGroupClass** groups, int numGroups) {
  enabledGroups_.clear();
  enabledGroups_.reserve(numGroups > 0 ? numGroups : 1);
  for (int g = 0; g < numGroups; g++)
    if (groups[g]->Enabled()) enabledGroups_.push_back(groups[g]);
  if (NumEnabledGroups() < numGroups / 2) enabledGroups_.shrink_to_fit();  // keep only what is used
}

void LoopState::StartBatchWindows(PerformanceVariableNode** variables, int numVariables) {
  int sliding = 0;
  for (int i = 0; i < numVariables; i++)
    if (variables[i]->getSlidingWindow() == 1) sliding++;
  boundaries_ = std::make_unique<Heap<double>>(sliding);
  batchCounts_ = std::make_unique<Heap<int>>(sliding);
  for (int i = 0; i < numVariables; i++) {
    const PerformanceVariableNode* variable = variables[i];
    if (variable->getSlidingWindow() != 1) continue;
    if (variable->getCurrentStartTime() == 0.0) {
      boundaries_->Insert(variable->getCurrentStopTime(), i);
      batchCounts_->Insert(0, i);
    } else {
      boundaries_->Insert(variable->getCurrentStartTime(), i);
      batchCounts_->Insert(-1, i);
    }
  }
}

void LoopState::Release() {
  initialState_.reset();
  enabledGroups_.clear();
  enabledGroups_.shrink_to_fit();
  boundaries_.reset();
  batchCounts_.reset();
}
