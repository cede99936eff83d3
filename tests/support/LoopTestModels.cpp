#include "support/LoopTestModels.h"

#include "Random/Distributions.h"

clockSAN::clockActivity::clockActivity(clockSAN& model, Kind kind, const char* name, int groupId,
                                       double weight)
    : model(model), kind(kind), weight(weight) {
  ActivityInitialize(name, groupId, kind == Tick || kind == Watch ? Deterministic : Instantaneous,
                     RaceEnabled, false);
}

bool clockSAN::clockActivity::Enabled() {
  previouslyEnabled = enabled;
  switch (kind) {
    case Tick:
      enabled = *ticks_Mark < model.params.tickLimit;
      break;
    case Tie:
      enabled = *pending_Mark > 0;
      break;
    default:
      enabled = true;
  }
  return enabled;
}

BaseActionClass* clockSAN::clockActivity::Fire() {
  fireCount++;
  if (kind == Tick) {
    (*ticks_Mark)++;
    *pending_Mark += model.params.tiesPerTick;
  } else if (kind == Tie) {
    (*pending_Mark)--;
  }
  return this;
}

void clockSAN::clockActivity::LinkVariables() {
  model.ticks->linkPointer(&ticks_Mark);
  model.pending->linkPointer(&pending_Mark);
}

double clockSAN::clockActivity::SampleDistribution() {
  const ClockParams& p = model.params;
  if (p.log) p.log->push_back(getName());
  if (p.drawOnSample && (kind == Tick || kind == Watch)) TheDistribution->getGenerator()->rnd();
  switch (kind) {
    case Tick: {  // the delay before tick number ticks + 1
      const int n = static_cast<int>(p.tickDelays.size());
      return p.tickDelays[((*ticks_Mark % n) + n) % n];
    }
    case Watch:
      return 1e9;
    default:
      return 0.0;
  }
}

clockSAN::clockSAN(const ClockParams& clockParams)
    : params(clockParams), ticks(new Place("ticks", 0)), pending(new Place("pending", 0)) {
  if (params.tickDelays.empty()) params.tickDelays = {1.0};
  auto add = [&](clockActivity::Kind kind, const std::string& name, double weight) {
    const int group = static_cast<int>(activities.size());
    activities.push_back(std::make_unique<clockActivity>(*this, kind, name.c_str(), group, weight));
  };
  add(clockActivity::Tick, "tick", 1.0);
  for (std::size_t i = 0; i < params.tieWeights.size(); i++)
    add(clockActivity::Tie, "tie_" + std::to_string(i), params.tieWeights[i]);
  if (params.watcher) add(clockActivity::Watch, "watch", 1.0);
  if (params.spinner) add(clockActivity::Spin, "spin", 1.0);

  std::vector<Activity*> actions;
  std::vector<BaseGroupClass*> groups;
  for (auto& a : activities) {
    actions.push_back(a.get());
    groups.push_back(a.get());
  }
  BaseStateVariableClass* places[] = {ticks, pending};
  initializeSANModelNow("clock", 2, places, 0, nullptr, static_cast<int>(actions.size()),
                        actions.data(), static_cast<int>(groups.size()), groups.data());
  AddEnableArc(ticks, activities[0].get());
  AddAffectArc(ticks, activities[0].get());
  AddAffectArc(pending, activities[0].get());
  for (std::size_t i = 1; i <= params.tieWeights.size(); i++) {
    AddEnableArc(pending, activities[i].get());
    AddAffectArc(pending, activities[i].get());
  }
  for (auto& a : activities) a->LinkVariables();
}

clockSAN::~clockSAN() {
  delete ticks;
  delete pending;
}

clockSAN::clockActivity* clockSAN::activity(const std::string& name) const {
  for (auto& a : activities)
    if (name == a->getName()) return a.get();
  return nullptr;
}

loopRewardModel::loopRewardModel(BaseModelClass* top, std::vector<LoopReward> loopRewards)
    : rewards(std::move(loopRewards)) {
  TopModel = top;
  DefineName("loopRewardModel");
  LastActionFlag = 1;
  CreatePVList(static_cast<int>(rewards.size()), true);
  Initialize();
}

PerformanceVariableNode* loopRewardModel::createPVNode(int pvIndex, int timeIndex) {
  if (pvIndex < 0 || pvIndex >= static_cast<int>(rewards.size())) return nullptr;
  auto* node = new impulsePV(rewards[pvIndex].reward, timeIndex);
  node->SetSlidingWindow(rewards[pvIndex].slidingWindow);
  return node;
}

std::unique_ptr<loopRewardModel> makeClockRewardModel(
    const ClockParams& params, std::vector<std::pair<double, double>> windows, int slidingWindow,
    const std::string& action) {
  std::vector<LoopReward> rewards;
  for (auto [start, stop] : windows)
    rewards.push_back(
        {{action + "Count", IntervalOfTime, {start}, {stop}, action, "clock"}, slidingWindow});
  return std::make_unique<loopRewardModel>(new clockSAN(params), std::move(rewards));
}
