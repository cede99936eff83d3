// Binding of the reward variables to the model tree: workers per model
// instance, the actions' frozen lists, expanded time points, rate-reward
// model groups, and the set-up errors.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "support/TestRewards.h"

namespace {

TEST(SetUp, OneImpulseWorkerPerInstanceAndOnlyItCounts) {
  TestModelParams params;
  params.replicas = 4;
  systemRewardModel model({ImpulseReward::threeWindows()}, true, params);
  model.ConsiderOnly(nullptr, 0);
  PerformanceVariableNode* node = model.getPVs()[1];
  ASSERT_EQ(node->getNumImpulseWorkers(0), 4);
  for (int j = 0; j < 4; j++) {
    auto* worker = static_cast<countImpulse*>(node->getImpulseWorker(0, j));
    EXPECT_TRUE(worker->ServedModel == model.worker(j) && worker->workerRef == model.worker(j))
        << j;
    EXPECT_EQ(std::tuple(worker->WorkerIndex, worker->VariableNumber, worker->StopTime,
                         std::string(worker->getName())),
              std::tuple(j, 1, 150.0, "servedJobs"));
  }

  // serve_case1 of worker j calls worker j of every node; nothing else does.
  BaseActionClass* serve2 = &model.worker(2)->serve_case1;
  ASSERT_EQ(serve2->AffectedNodesByImpulseReward().size(), 3);
  ASSERT_EQ(serve2->ImpulseWorkerCounts()[1][0], 1);
  EXPECT_EQ(serve2->ImpulseWorkerLists()[1][0][0], 2);
  EXPECT_EQ(serve2->AffectedNodes().size(), 3);
  EXPECT_EQ(model.worker(2)->start.AffectedNodesByImpulseReward().size(), 0);
  EXPECT_EQ(model.system()->controller->audit_case1.AffectedNodes().size(), 0);
  EXPECT_EQ(model.getNumAffectingActions(), 4);
  EXPECT_EQ(node->getAffectingActions().size(), 4u);

  model.Accumulate(1.0);
  model.FireAction(serve2, 1.0);
  model.Accumulate(2.0);
  for (int j = 0; j < 4; j++)
    EXPECT_EQ(node->getImpulseWorker(0, j)->Value, j == 2 ? 1.0 : 0.0) << j;
}

TEST(SetUp, ExpandTimesMakesOneNodePerTimePoint) {
  systemRewardModel single({ImpulseReward::thirteenWindows()}, false);
  ASSERT_EQ(single.getNumPVs(), 1);
  EXPECT_EQ(std::tuple(single.getPVs()[0]->getCurrentStopTime(),
                       single.getPVs()[0]->GetNumTimePoints(), single.getLatestFinishingTime()),
            std::tuple(100.0, 13, 100.0));
  EXPECT_EQ(single.createPVNode(1, 0), nullptr);

  // Numbers restart in every reward model: they index its actions' tables.
  systemRewardModel expanded({ImpulseReward::thirteenWindows()}, true);
  ASSERT_EQ(expanded.getNumPVs(), 13);
  for (int k = 0; k < 13; k++) {
    PerformanceVariableNode* node = expanded.getPVs()[k];
    EXPECT_EQ(
        std::tuple(node->getNodeNumber(), node->getCurrentStartTime(), node->getCurrentStopTime()),
        std::tuple(k, 0.0, 100.0 + 50.0 * k));
  }
  EXPECT_EQ(expanded.getLatestFinishingTime(), 700.0);

  // Considering a subset: only those nodes move.
  const int observed[] = {12, 3};
  expanded.ConsiderOnly(observed, 2);
  ASSERT_EQ(expanded.getConsideredPVs().size(), 2u);
  EXPECT_EQ(expanded.getConsideredPVs()[0], expanded.getPVs()[12]);
  expanded.Accumulate(0.0);
  EXPECT_EQ(expanded.getPVs()[3]->getState(), PerformanceVariableNode::InProgress);
  EXPECT_EQ(expanded.getPVs()[4]->getState(), PerformanceVariableNode::NotStarted);
}

// A rate reward on the place "busy" of every worker: Reward = busy, weight
// = the elapsed time.
class busyWorker : public PerformanceVariableWorker {
 public:
  explicit busyWorker(PerformanceVariableNode* node) : node(node) {}
  void StateReward() override { Reward = busy(); }
  void IntervalReward(double t, double T) override {
    Reward = busy();
    Weight = t - T;
  }
  double busy() {
    auto* w = static_cast<workerSAN*>(node->getModelGroup(ModelGroupIndex).GetModel(0));
    return w->busy->getMark();
  }
  PerformanceVariableNode* node;
};

class busyPV : public PerformanceVariableNode {
 public:
  explicit busyPV(const char* model) {
    const double start = 0.0, stop = 10.0;
    Initialize("busyTime", IntervalOfTime, 1, &start, &stop, 0, 0, 1, 1);
    AddModelDependency(model);
    AddVariableDependency("busy", model);
  }
  void CreateWorkerList() override {
    for (int w = 0; w < GetNumberOfWorkers(); w++) Workers[w] = new busyWorker(this);
  }
};

class rateRewardModel : public PVModel {
 public:
  explicit rateRewardModel(const char* model) : model(model) {
    TopModel = new systemJoin();
    CreatePVList(1, false);
    Initialize();
  }
  PerformanceVariableNode* createPVNode(int i, int) override {
    return i == 0 ? new busyPV(model) : nullptr;
  }
  workerSAN* worker(int i) { return static_cast<systemJoin*>(TopModel)->pool->worker(i); }
  const char* model;
};

TEST(SetUp, RateWorkersPerModelInstance) {
  rateRewardModel model("worker");
  model.ConsiderOnly(nullptr, 0);
  PerformanceVariableNode* node = model.getPVs()[0];
  ASSERT_EQ(node->GetNumberOfWorkers(), 3);
  for (int w = 0; w < 3; w++) {
    EXPECT_EQ(node->getModelGroup(w).GetModel(0), model.worker(w));
    // The actions that change worker w's busy place touch rate worker w.
    FastSet& sets = model.worker(w)->start.RateSets()[0];
    ASSERT_EQ(sets.size(), 1);
    EXPECT_EQ(sets[0], w);
    EXPECT_EQ(model.worker(w)->serve_case2.AffectedNodes().size(), 1);
  }
  model.Accumulate(1.0);
  model.FireAction(&model.worker(0)->start, 1.0);  // busy 0 -> 1
  model.Accumulate(4.0);                           // 3 time units busy
  EXPECT_EQ(std::pair(node->AccumulatedValue, node->AccumulatedSquare), std::pair(3.0, 3.0));
}

// A rate reward over every (worker, controller) pair that reads the shared
// place "jobs" of the workers and the controller's own "budget".
class jobsPV : public PerformanceVariableNode {
 public:
  jobsPV() {
    const double start = 0.0, stop = 10.0;
    Initialize("jobsSeen", IntervalOfTime, 1, &start, &stop, 0, 0, 2, 2);
    AddModelDependency("worker");
    AddModelDependency("controller");
    AddVariableDependency("jobs", "worker");
    AddVariableDependency("budget", "controller");
  }
  void CreateWorkerList() override {
    for (int w = 0; w < GetNumberOfWorkers(); w++) Workers[w] = new busyWorker(this);
  }
};

class sharedRateModel : public PVModel {
 public:
  explicit sharedRateModel(const TestModelParams& params) {
    TopModel = new systemJoin(params);
    CreatePVList(1, false);
    Initialize();
  }
  PerformanceVariableNode* createPVNode(int i, int) override {
    return i == 0 ? new jobsPV() : nullptr;
  }
  systemJoin* system() { return static_cast<systemJoin*>(TopModel); }
};

// Every action's rate set is the union, over the (instance, variable) pairs
// the reward reads whose variable the action changes, of the workers of the
// instance: here every worker for the actions that change the shared jobs,
// and the budget's actions reach every worker through the one controller.
TEST(SetUp, RateSetsAreTheWorkersOfEveryInstanceTheActionReaches) {
  TestModelParams params;
  params.replicas = 40;
  sharedRateModel model(params);
  PerformanceVariableNode* node = model.getPVs()[0];
  ASSERT_EQ(node->GetNumberOfWorkers(), 40);
  List<BaseActionClass> actions;
  model.listActions(&actions);
  std::map<BaseActionClass*, std::set<int>> expected;
  for (auto [variable, modelName] : {std::pair{"jobs", "worker"}, {"budget", "controller"}}) {
    List<BaseStateVariableClass> variables;
    List<BaseModelClass> owners;
    model.listSVs(modelName, variable, &variables, &owners);
    for (int v = 0; v < variables.getNumItems(); v++)
      for (int a = 0; a < variables[v]->getNumAffectingActions(); a++)
        for (int w = 0; w < 40; w++)
          if (node->getModelGroup(w).IsDependentOnModel(owners[v]))
            expected[variables[v]->getAffectingAction(a)].insert(w);
  }
  for (int a = 0; a < actions.getNumItems(); a++) {
    BaseActionClass* action = actions[a];
    const FastSet& set = action->RateSets()[0];
    std::set<int> members;
    for (int i = 0; i < set.size(); i++) members.insert(set[i]);
    const auto reached = expected.find(action);
    EXPECT_EQ(members, reached == expected.end() ? std::set<int>{} : reached->second)
        << action->getName();
    EXPECT_EQ(action->AffectedNodesByRateReward().size(), reached == expected.end() ? 0 : 1);
  }
  EXPECT_EQ(expected[&model.system()->pool->worker(7)->start].size(), 40u);
  EXPECT_EQ(model.getNumAffectingActions(), static_cast<int>(expected.size()));
  // Actions that reach the same workers read one array.
  EXPECT_EQ(&model.system()->pool->worker(0)->start.RateSets()[0][0],
            &model.system()->pool->worker(39)->serve_case2.RateSets()[0][0]);
}

TEST(SetUpDeathTest, SetUpErrorsEndTheProcessWithStatusOne) {
  EXPECT_EXIT(rateRewardModel model("nosuch"), testing::ExitedWithCode(1),
              "Number of nosuch's was 0\\.  Model cannot be created\\.\n"
              "Model Name was: system\n\\.");
  EXPECT_EXIT(
      {
        impulsePV node(ImpulseReward::threeWindows(), 0);
        countImpulse stranger(false, 1.0);
        node.AddImpulseModelDependency("worker", &stranger);
      },
      testing::ExitedWithCode(1),
      "Model Dependency requested on undefined impulse\\.  Check code generator\\.  "
      "Error code GP0001\\.");
}

}  // namespace
