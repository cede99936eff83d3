#include "support/TestRewards.h"

ImpulseReward ImpulseReward::thirteenWindows() {
  ImpulseReward reward;
  reward.starts.assign(13, 0.0);
  reward.stops.clear();
  for (int i = 0; i < 13; i++) reward.stops.push_back(100.0 + 50.0 * i);
  return reward;
}

countImpulse::countImpulse(bool timeAveraged, double value)
    : IntervalOfTimeImpulse(timeAveraged), value(value) {
  AllocateReferenceSlots(1);
  SetReferenceSlot(0, &workerRef);
}

double countImpulse::Impulse_Function(double) {
  calls++;
  return value;
}

ImpulseNodeClass** countImpulse::CreateImpulseWorkerList(int n) {
  auto** workers = new ImpulseNodeClass*[n > 0 ? n : 0];
  for (int i = 0; i < n; i++) workers[i] = new countImpulse(TimeAveraged, value);
  return workers;
}

impulsePV::impulsePV(const ImpulseReward& reward, int timeIndex)
    : Impulse0(reward.timeAveraged, reward.impulseValue) {
  Initialize(reward.name.c_str(), reward.type, static_cast<int>(reward.stops.size()),
             reward.starts.data(), reward.stops.data(), timeIndex, 1, 0, 0);
  AddImpulse(reward.action.c_str(), reward.model.c_str(), &Impulse0);
}

systemRewardModel::systemRewardModel(std::vector<ImpulseReward> rewards, bool expandTimes,
                                     const TestModelParams& params)
    : rewards(std::move(rewards)) {
  TopModel = new systemJoin(params);
  DefineName("systemRewardModel");
  LastActionFlag = 1;
  CreatePVList(static_cast<int>(this->rewards.size()), expandTimes);
  Initialize();
}

PerformanceVariableNode* systemRewardModel::createPVNode(int pvIndex, int timeIndex) {
  if (pvIndex < 0 || pvIndex >= static_cast<int>(rewards.size())) return nullptr;
  return new impulsePV(rewards[pvIndex], timeIndex);
}
