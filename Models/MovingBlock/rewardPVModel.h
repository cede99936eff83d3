#ifndef MOVINGBLOCK_REWARD_PV_MODEL_H
#define MOVINGBLOCK_REWARD_PV_MODEL_H

#include "BaseClasses/BaseModelClass.h"
#include "Rewards/IntervalOfTimeImpulse.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"

// The impulse of "numberOfTrains": 1.0 for every firing of "trainExits" in
// a train model, whatever the state and time.
class rewardPV0Impulse0 : public IntervalOfTimeImpulse {
 public:
  rewardPV0Impulse0();
  double Impulse_Function(double T) override;
  ImpulseNodeClass** CreateImpulseWorkerList(int n) override;

  BaseModelClass* train = nullptr;  // the train model a worker serves
};

// "numberOfTrains": the number of trains that have left the line within the
// window [0, stop] of one of 13 time points.
class rewardPV0 : public PerformanceVariableNode {
 public:
  explicit rewardPV0(int timeIndex);
  void CreateWorkerList() override;

  rewardPV0Impulse0 Impulse0;
};

// The reward model: the composed railway model and its one variable.
class rewardPVModel : public PVModel {
 public:
  explicit rewardPVModel(bool expandTimes);
  PerformanceVariableNode* createPVNode(int pvIndex, int timeIndex) override;
};

#endif
