#include "Executive/LoopState.h"

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "BaseClasses/BaseGroupClass.h"
#include "Executive/ActionName.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"

LoopState::LoopState() = default;
LoopState::~LoopState() = default;

void LoopState::StartProcessorClock() { clockAtStart_ = static_cast<double>(std::clock()); }

double LoopState::ProcessorSecondsSinceStart() const {
  if (!clockAtStart_) return 0.0;
  return (static_cast<double>(std::clock()) - *clockAtStart_) / CLOCKS_PER_SEC;
}

void LoopState::ReportClockHeld(double now, const BaseActionClass* lastFired) const {
  std::cerr << "ERROR: " << maxFiringsAtOneTime_
            << " firings without the clock advancing beyond time " << now
            << " (last action fired: " << ActionName(lastFired)
            << "); zero-delay actions keep enabling one another.  Terminating run." << std::endl;
  std::exit(1);
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
