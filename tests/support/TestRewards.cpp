#include "support/TestRewards.h"

ImpulseRewardSpec ImpulseRewardSpec::thirteenWindows() {
  ImpulseRewardSpec spec;
  spec.starts.assign(13, 0.0);
  spec.stops.clear();
  for (int i = 0; i < 13; i++) spec.stops.push_back(100.0 + 50.0 * i);
  return spec;
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

impulsePV::impulsePV(const ImpulseRewardSpec& spec, int timeIndex)
    : Impulse0(spec.timeAveraged, spec.impulseValue) {
  Initialize(spec.name.c_str(), spec.type, static_cast<int>(spec.stops.size()),
             spec.starts.data(), spec.stops.data(), timeIndex, 1, 0, 0);
  AddImpulse(spec.action.c_str(), spec.model.c_str(), &Impulse0);
}

systemRewardModel::systemRewardModel(std::vector<ImpulseRewardSpec> specs, bool expandTimes,
                                     const TestModelParams& params)
    : specs(std::move(specs)) {
  TopModel = new systemJoin(params);
  DefineName("systemRewardModel");
  LastActionFlag = 1;
  CreatePVList(static_cast<int>(this->specs.size()), expandTimes);
  Initialize();
}

PerformanceVariableNode* systemRewardModel::createPVNode(int pvIndex, int timeIndex) {
  if (pvIndex < 0 || pvIndex >= static_cast<int>(specs.size())) return nullptr;
  return new impulsePV(specs[pvIndex], timeIndex);
}
