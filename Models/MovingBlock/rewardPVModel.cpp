#include "MovingBlock/rewardPVModel.h"

#include "MovingBlock/modelRJ.h"

namespace {
constexpr int kNumTimePoints = 13;
const double kStartTimes[kNumTimePoints] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const double kStopTimes[kNumTimePoints] = {100, 150, 200, 250, 300, 350, 400,
                                           450, 500, 550, 600, 650, 700};
}  // namespace

rewardPV0Impulse0::rewardPV0Impulse0() : IntervalOfTimeImpulse(false) {
  AllocateReferenceSlots(1);
  SetReferenceSlot(0, &train);
}

double rewardPV0Impulse0::Impulse_Function(double) { return 1.0; }

ImpulseNodeClass** rewardPV0Impulse0::CreateImpulseWorkerList(int n) {
  auto** workers = new ImpulseNodeClass*[n];
  for (int i = 0; i < n; i++) workers[i] = new rewardPV0Impulse0();
  return workers;
}

rewardPV0::rewardPV0(int timeIndex) {
  Initialize("numberOfTrains", IntervalOfTime, kNumTimePoints, kStartTimes, kStopTimes, timeIndex,
             1, 0, 0);
  AddImpulse("trainExits", "train", &Impulse0);
}

void rewardPV0::CreateWorkerList() {}

rewardPVModel::rewardPVModel(bool expandTimes) {
  setTopModel(new modelRJ());
  DefineName("rewardPVModel");
  setLastActionFlag(1);
  CreatePVList(1, expandTimes);
  Initialize();
}

PerformanceVariableNode* rewardPVModel::createPVNode(int pvIndex, int timeIndex) {
  if (pvIndex == 0) return new rewardPV0(timeIndex);
  return nullptr;
}
