#ifndef MB_TEST_REWARDS_H
#define MB_TEST_REWARDS_H

// Reward models over the test system (systemJoin of TestModels.h), written
// the way the model generator writes reward models, for tests of the reward
// variables, the simulation loops and tracing.
//
//   ImpulseReward   one variable: an impulse reward earned by every
//                       firing of `action` in a model called `model` (by
//                       default "serve_case1" of "worker", 1.0 per firing)
//                       over the windows [starts[i], stops[i]].
//   countImpulse        its impulse class (an IntervalOfTimeImpulse with one
//                       reference slot, `workerRef`, which receives the
//                       model instance the worker serves).
//   impulsePV           its variable (one impulse, no rate reward).
//   systemRewardModel   the reward model: wraps a new systemJoin, name
//                       "systemRewardModel", last-action flag 1, one
//                       variable per reward; expandTimes as given.
//
// Helpers: threeWindows() = "servedJobs" over [0,100], [0,150],
// [0,200]; thirteenWindows() = "servedJobs" over [0,100], [0,150], ...,
// [0,700] like the railway model's reward (13 nodes with expandTimes true).

#include <string>
#include <vector>

#include "Rewards/IntervalOfTimeImpulse.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"
#include "support/TestModels.h"

struct ImpulseReward {
  std::string name = "servedJobs";
  RewardType type = IntervalOfTime;
  std::vector<double> starts{0.0, 0.0, 0.0};
  std::vector<double> stops{100.0, 150.0, 200.0};
  std::string action = "serve_case1";
  std::string model = "worker";
  bool timeAveraged = false;
  double impulseValue = 1.0;

  static ImpulseReward threeWindows() { return {}; }
  static ImpulseReward thirteenWindows();
};

class countImpulse : public IntervalOfTimeImpulse {
 public:
  countImpulse(bool timeAveraged, double value);
  double Impulse_Function(double T) override;
  ImpulseNodeClass** CreateImpulseWorkerList(int n) override;

  BaseModelClass* workerRef = nullptr;
  double value;
  int calls = 0;  // Impulse_Function calls
};

class impulsePV : public PerformanceVariableNode {
 public:
  impulsePV(const ImpulseReward& reward, int timeIndex);
  void CreateWorkerList() override {}

  countImpulse Impulse0;
};

class systemRewardModel : public PVModel {
 public:
  systemRewardModel(std::vector<ImpulseReward> rewards, bool expandTimes,
                    const TestModelParams& params = {});
  PerformanceVariableNode* createPVNode(int pvIndex, int timeIndex) override;

  systemJoin* system() const { return static_cast<systemJoin*>(TopModel); }
  workerSAN* worker(int i) const { return system()->pool->worker(i); }

 private:
  std::vector<ImpulseReward> rewards;
};

#endif
