#include "Rewards/PerformanceVariableWorker.h"

#include <iostream>

void PerformanceVariableWorker::CurrentReward() {
  std::cerr << "!! Calling PerformanceVariableWorker::CurrentReward()" << std::endl;
}

void PerformanceVariableWorker::Reset() {
  Reward = 0.0;
  RewardSquared = 0.0;
}

void PerformanceVariableWorker::DefineName(const char* name, int index) {
  Name = name ? name : "";
  WorkerIndex = index;
}
