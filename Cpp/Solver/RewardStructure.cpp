#include "Solver/RewardStructure.h"

#include <cmath>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "Rewards/IntervalOfTimeImpulse.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"
#include "Solver/SolverError.h"

namespace {
// Impulse evaluations made at two times, to find impulses that read "now".
constexpr int kImpulseTimeChecks = 16;
constexpr double kCheckTime = 1.0 + 1.0 / 1024;
}  // namespace

RewardStructure::RewardStructure(PVModel& rewardModel)
    : noAction_(rewardModel.getNoActionFiredYet()), impulseTimeChecksLeft_(kImpulseTimeChecks) {
  PerformanceVariableNode** nodes = rewardModel.getPVs();
  for (int i = 0; i < rewardModel.getNumPVs(); i++) {
    PerformanceVariableNode* node = nodes[i];
    if (variables_.empty() || variables_.back().name != node->getName()) {
      RewardVariable variable;
      variable.name = node->getName();
      variable.instantOfTime = node->GetRewardType() == InstantOfTime;
      variable.steadyState = node->getSlidingWindow() == 1;
      if (node->GetNumberOfWorkers() > 0) variable.rateSlot = numRateSlots_++;
      if (node->getNumImpulses() > 0) {
        variable.impulseSlot = numImpulseSlots_++;
        bool averaged = false, plain = false;
        for (int k = 0; k < node->getNumImpulses(); k++) {
          auto* impulse = dynamic_cast<IntervalOfTimeImpulse*>(node->getImpulse(k));
          if (impulse == nullptr)
            throw SolverError("reward variable " + variable.name +
                              " has an impulse of a kind the solver does not know");
          (impulse->TimeAveraged ? averaged : plain) = true;
        }
        if (averaged && plain)
          throw SolverError("reward variable " + variable.name +
                            " mixes time-averaged and plain impulses");
        variable.timeAveragedImpulses = averaged;
      }
      variables_.push_back(std::move(variable));
    }
    variables_.back().points.push_back(
        {node, i, node->getCurrentStartTime(), node->getCurrentStopTime()});
  }
}

void RewardStructure::Rates(double* out) {
  for (RewardVariable& variable : variables_) {
    if (variable.rateSlot < 0) continue;
    PerformanceVariableNode* node = variable.points[0].node;
    // CurrentReward adds the workers' rewards of the present state to the
    // observation (and nothing for the placeholder action, which triggers
    // no impulse).
    node->AccumulatedValue = 0.0;
    node->CurrentReward(noAction_);
    const double r = node->AccumulatedValue;
    node->AccumulatedValue = 0.0;
    node->AccumulatedSquare = 0.0;
    if (!std::isfinite(r))
      throw SolverError("the rate reward of variable " + variable.name + " is " +
                        std::to_string(r) + " in a reachable marking");
    if (!variable.rateScalesKnown && r != 0.0) LearnRateScales(variable, r);
    out[variable.rateSlot] = r;
  }
}

void RewardStructure::LearnRateScales(RewardVariable& variable, double r) {
  variable.rateScalesKnown = true;
  if (variable.instantOfTime) return;  // the state's reward itself
  for (RewardTimePoint& point : variable.points) {
    const double length = point.stop - point.start;
    if (!(length > 0.0)) {
      point.rateScale = 0.0;  // a window of no length earns no rate reward
      continue;
    }
    // The simulator adds the first worker's weight for a span times the
    // rate reward; the span here is the whole window.
    PerformanceVariableNode* node = point.node;
    node->AccumulatedValue = 0.0;
    node->CommonAccumulate(point.stop, point.start, noAction_);
    point.rateScale = node->AccumulatedValue / (r * length);
    node->AccumulatedValue = 0.0;
    node->AccumulatedSquare = 0.0;
  }
}

double RewardStructure::ImpulseOf(RewardVariable& variable, BaseActionClass* fired) {
  double total = 0.0;
  PerformanceVariableNode* node = variable.points[0].node;
  const int k = node->getNodeNumber();
  if (k < fired->NumImpulsePVs() && fired->AffectedNodesByImpulseReward().contains(k)) {
    // The workers of the model instance in which the action fired, as the
    // reward model listed them for the action.
    FastSet& impulses = fired->ImpulseSets()[k];
    const int numImpulses = impulses.isFrozen() ? impulses.size() : 0;
    for (int n = 0; n < numImpulses; n++) {
      const int g = impulses[n];
      const int* list = fired->ImpulseWorkerLists()[k][g];
      const int count = fired->ImpulseWorkerCounts()[k][g];
      for (int c = 0; c < count; c++) {
        ImpulseNodeClass* worker = node->getImpulseWorker(g, list[c]);
        const double value = worker->Impulse_Function(0.0);
        if (impulseTimeChecksLeft_ > 0) {
          impulseTimeChecksLeft_--;
          const double later = worker->Impulse_Function(kCheckTime);
          if (!(later == value || (std::isnan(later) && std::isnan(value))))
            throw SolverError("an impulse of reward variable " + variable.name +
                              " changes with the time (now); the solver needs impulses "
                              "that depend on the marking only");
        }
        total += value;
      }
    }
  }
  if (fired->isSync()) {
    auto* group = dynamic_cast<BaseGroupClass*>(fired);
    for (int i = 0; group && i < group->getNumMembers(); i++)
      total += ImpulseOf(variable, group->getMember(i));
  }
  return total;
}

void RewardStructure::AddImpulses(BaseActionClass* fired, double scale, double* out) {
  if (fired == nullptr) return;
  for (RewardVariable& variable : variables_) {
    if (variable.impulseSlot < 0) continue;
    const double value = ImpulseOf(variable, fired);
    if (!std::isfinite(value))
      throw SolverError("an impulse of reward variable " + variable.name + " is " +
                        std::to_string(value) + " in a reachable marking");
    out[variable.impulseSlot] += scale * value;
  }
}
