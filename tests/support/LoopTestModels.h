#ifndef MB_TEST_LOOP_TEST_MODELS_H
#define MB_TEST_LOOP_TEST_MODELS_H

// A clock model whose firing times a test chooses, and a reward model that
// wraps any top model, for tests and benchmarks of the simulation loops.
//
//   clockSAN   atomic model "clock". Places: ticks, pending. Activities, each
//              its own group, in this order:
//                tick     waits tickDelays[ticks mod size] (the delays in
//                         turn, cyclically) and fires while ticks < tickLimit;
//                         adds one tick and tiesPerTick pending tokens;
//                tie_<i>  one per tie weight: instantaneous, rank 1, enabled
//                         while pending > 0; takes one token;
//                watch    (optional) always enabled, scheduled 1e9 ahead; its
//                         reactivation predicate and function always hold, so
//                         it is resampled after every firing;
//                spin     (optional) instantaneous, always enabled, changes
//                         nothing: the clock never advances again.
//   loopRewardModel  wraps a given top model; one impulsePV (TestRewards.h)
//              per LoopReward, with the window-sliding flag as given.

#include <memory>
#include <string>
#include <vector>

#include "BaseClasses/Activity.h"
#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/Place.h"
#include "Rewards/PVModel.h"
#include "support/TestRewards.h"

struct ClockParams {
  std::vector<double> tickDelays{1.0};
  int tickLimit = 1 << 30;
  int tiesPerTick = 0;
  std::vector<double> tieWeights;
  bool watcher = false;
  bool spinner = false;
  // Every sample appends the activity's name; with drawOnSample, tick and
  // watch then draw one uniform each (the value is not used).
  std::vector<std::string>* log = nullptr;
  bool drawOnSample = false;
};

class clockSAN : public SANModel {
 public:
  class clockActivity : public Activity {
   public:
    enum Kind { Tick, Tie, Watch, Spin };
    clockActivity(clockSAN& model, Kind kind, const char* name, int groupId, double weight);
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
    double Weight() override { return weight; }
    int Rank() override { return kind == Tie ? 1 : 0; }
    double SampleDistribution() override;
    bool ReactivationPredicate() override { return kind == Watch; }
    bool ReactivationFunction() override { return kind == Watch; }

    int fireCount = 0;

   private:
    clockSAN& model;
    Kind kind;
    double weight;
    short* ticks_Mark = nullptr;
    short* pending_Mark = nullptr;
  };

  explicit clockSAN(const ClockParams& params = {});
  ~clockSAN() override;

  clockActivity* activity(const std::string& name) const;

  ClockParams params;
  Place* ticks;
  Place* pending;
  std::vector<std::unique_ptr<clockActivity>> activities;
};

struct LoopReward {
  ImpulseReward reward;
  int slidingWindow = 0;
};

class loopRewardModel : public PVModel {
 public:
  // Owns top; every time point of every reward becomes a node of its own.
  loopRewardModel(BaseModelClass* top, std::vector<LoopReward> rewards);
  PerformanceVariableNode* createPVNode(int pvIndex, int timeIndex) override;

 private:
  std::vector<LoopReward> rewards;
};

// A reward model around a clockSAN, counting the firings of `action` over
// each of the given windows (one variable per window).
std::unique_ptr<loopRewardModel> makeClockRewardModel(
    const ClockParams& params, std::vector<std::pair<double, double>> windows,
    int slidingWindow = 0, const std::string& action = "tick");

#endif
