#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "support/TestModels.h"

namespace {

std::vector<char> stateOf(BaseModelClass& model) {
  std::vector<char> buffer(model.StateSize());
  model.CurrentState(buffer.data());
  return buffer;
}

short shortAt(const std::vector<char>& buffer, int offset) {
  short value;
  std::memcpy(&value, buffer.data() + offset, sizeof value);
  return value;
}

TestModelParams withReplicas(int n) {
  TestModelParams params;
  params.replicas = n;
  return params;
}

// Replica chunk: busy (2 bytes) and served (2 ints); jobs is shared.
constexpr int Chunk = 10;

TEST(ComposerTest, RepWritesReplicasInCanonicalOrder) {
  poolRep pool(withReplicas(3));
  EXPECT_EQ(std::tuple(pool.GetModelType(), pool.getReplicaStateSize(), pool.StateSize()),
            std::tuple(3, Chunk, 3 * Chunk + 2 + 8));
  EXPECT_STREQ(pool.worker(2)->getName(), "worker");

  struct Case {
    short in[3], out[3];
  };
  for (const Case& c : {Case{{2, 1, 3}, {1, 2, 3}}, Case{{1, 3, 2}, {1, 2, 3}},
                        Case{{3, 2, 1}, {2, 1, 3}}, Case{{1, 2, 3}, {1, 2, 3}}}) {
    for (int i = 0; i < 3; i++) pool.worker(i)->busy->setMark(c.in[i]);
    std::vector<char> buffer = stateOf(pool);
    for (int i = 0; i < 3; i++) EXPECT_EQ(shortAt(buffer, i * Chunk), c.out[i]) << c.in[0];
  }

  // Round trip: the canonical buffer restores the replicas in its order.
  pool.worker(0)->busy->setMark(7);
  pool.worker(1)->served->at(1) = 4;  // shared by every replica and the pool
  pool.jobs->setMark(6);
  std::vector<char> saved = stateOf(pool);
  pool.worker(2)->busy->setMark(0);
  pool.worker(0)->served->at(1) = 0;
  pool.jobs->setMark(0);
  pool.SetState(saved.data());
  // worker 2 gets the largest, sorted last
  EXPECT_EQ(std::tuple(pool.worker(2)->busy->getMark(), pool.served->at(1),
                       pool.worker(1)->jobs->getMark()),
            std::tuple(7, 4, 6));
  EXPECT_TRUE(pool.CompareState(saved.data(), stateOf(pool).data()));

  poolRep empty(withReplicas(0));
  EXPECT_EQ(std::tuple(empty.StateSize(), empty.getNumStateVariables()), std::tuple(0, 0));
  EXPECT_EXIT(poolRep(withReplicas(-1)), testing::ExitedWithCode(1),
              "Number of reps for pool must be >= 0.");
  EXPECT_DEATH(pool.CurrentState(nullptr), "new_location");
}

TEST(ComposerTest, JoinSharesPlacesAndArraysAcrossTheTree) {
  TestModelParams params;
  params.jobs = 4;
  systemJoin system(params);
  // pool: 3 replicas x 3 - 6 shared copies + 2; join: 5 + 4 - 4 + 2.
  EXPECT_EQ(std::tuple(system.GetModelType(), system.pool->getNumStateVariables(),
                       system.getNumStateVariables(), system.jobs->getMark()),
            std::tuple(2, 5, 7, 4));

  // One cell behind every "jobs" and every "served" element; the activities'
  // linked pointers follow it.
  workerSAN* w1 = system.pool->worker(1);
  ASSERT_TRUE(w1->start.Enabled());
  w1->start.Fire();
  EXPECT_EQ(std::tuple(system.controller->jobs->getMark(), system.pool->worker(0)->jobs->getMark()),
            std::tuple(3, 3));
  w1->serve_case1.Fire();
  EXPECT_EQ(system.controller->served->at(0), 1);
  EXPECT_TRUE(system.controller->audit_case2.Enabled());
  system.controller->audit_case2.Fire();
  EXPECT_EQ(system.pool->worker(2)->jobs->getMark(), 4);

  // Layout: pool (3 chunks + its stored array), controller (served, audited,
  // budget), then the join's jobs and served.
  EXPECT_EQ(system.StateSize(), (3 * Chunk + 8) + (8 + 2 + 2) + (2 + 8));
  EXPECT_EQ(system.pool->getCachedStateSize(), 3 * Chunk + 8);  // "jobs" moved up
  std::vector<char> saved = stateOf(system);
  EXPECT_EQ(shortAt(saved, 3 * Chunk + 8 + 8), 1);   // audited
  EXPECT_EQ(shortAt(saved, 3 * Chunk + 8 + 12), 4);  // join-level jobs
  system.controller->audited->setMark(0);
  system.jobs->setMark(0);
  w1->busy->setMark(1);
  system.SetState(saved.data());
  EXPECT_EQ(std::tuple(system.controller->audited->getMark(), system.controller->jobs->getMark(),
                       w1->busy->getMark()),
            std::tuple(1, 4, 0));

  // Sharing records: the join's chain for "jobs" reaches every level.
  SharedStateVarLink* chain = system.getListOfSharedVariables(system.jobs);
  ASSERT_NE(chain, nullptr);
  for (Place* jobs : {system.pool->jobs, system.pool->worker(2)->jobs, system.controller->jobs})
    EXPECT_TRUE(chain->hasStateVar(jobs));
  EXPECT_EQ(system.getMainSharedVariable(system.pool->worker(2)->jobs), system.jobs);
  EXPECT_EQ(system.getListOfSharedVariables(system.pool->jobs),
            system.pool->getListOfSharedVariables(system.pool->jobs));
  EXPECT_EQ(system.getSharingList(0)->getNumItems(), 2);
  EXPECT_EQ(system.GetSharedStateVariables()[1], system.served);

  // Enumeration passes through the composers.
  List<BaseModelClass> workers, owners;
  system.listModels("worker", &workers);
  List<BaseStateVariableClass> variables;
  system.listSVs("worker", "busy", &variables, &owners);
  EXPECT_EQ(std::tuple(workers.getNumItems(), variables.getNumItems(), owners.getNumItems()),
            std::tuple(3, 3, 3));
  List<BaseActionClass> named;
  system.listActions("audit_case2", &named);
  ASSERT_EQ(named.getNumItems(), 1);
  EXPECT_EQ(named[0], &system.controller->audit_case2);
}

// A chain lists, per recorded variable in order, the variable and the
// chain a composer below merged into it: the pool's own variable, its
// replicas' in replica order, then the controller's.
TEST(ComposerTest, ChainOfAJoinOverManyReplicas) {
  systemJoin system(withReplicas(40));
  std::vector<std::pair<BaseStateVariableClass*, BaseModelClass*>> expected{
      {system.pool->jobs, system.pool}};
  for (int i = 0; i < 40; i++) expected.push_back({system.pool->worker(i)->jobs, nullptr});
  expected.push_back({system.controller->jobs, system.controller});
  std::vector<std::pair<BaseStateVariableClass*, BaseModelClass*>> chain;
  for (SharedStateVarLink* link = system.getListOfSharedVariables(system.jobs); link;
       link = link->Next)
    chain.push_back({link->StateVar, link->Model});
  EXPECT_EQ(chain, expected);
  EXPECT_EQ(system.pool->getSharingList(0)->getNumItems(), 40);
  EXPECT_EQ(system.getMainSharedVariable(system.pool->worker(39)->jobs), system.jobs);
}

TEST(ComposerTest, GroupsNumberedAcrossTheTreeAndActionKinds) {
  systemJoin system(withReplicas(2));
  ASSERT_EQ(system.getNumGroups(), 5);
  ASSERT_EQ(system.getNumActions(), 8);
  // The number reaches the activities (a case group passes it on).
  for (int g = 0; g < 5; g++) EXPECT_EQ(system.getGroup(g)->getPrintedAction()->GroupId, g);
  EXPECT_EQ(system.getGroup(3), &system.pool->worker(1)->serveGroup);
  EXPECT_EQ(std::tuple(system.pool->worker(1)->serve_case2.GroupId,
                       system.controller->audit_case1.GroupId),
            std::tuple(3, 4));
  EXPECT_EQ(system.getAction(3), &system.pool->worker(1)->start);
  List<BaseGroupClass> groups;
  system.listGroups(&groups);
  EXPECT_EQ(groups.getNumItems(), 5);

  // A replica's actions on the shared place "jobs" are global; the array
  // object keeps its own storage, so serve_case1 stays local.
  workerSAN* w = system.pool->worker(0);
  ActionSList global, local;
  w->GetGlobalActions(global);
  w->GetLocalActions(local);
  global.sort();
  ActionSList expected{&w->start, &w->serve_case2};
  expected.sort();
  EXPECT_EQ(global, expected);
  EXPECT_EQ(local, ActionSList{&w->serve_case1});
  EXPECT_DEATH(system.GetLocalActions(local), "false");
  EXPECT_DEATH(system.GetChild(2), "i < GetNumberOfChildren\\(\\)");
}

TEST(ComposerTest, SharedLocalStateAndMisuse) {
  systemJoin system;
  // The local state holds the shared part only: jobs and served.
  EXPECT_TRUE(system.HasLocalState());
  State* local = nullptr;
  system.ConstructLocalState(local);
  EXPECT_EQ(static_cast<Join::LocalState*>(local)->getSize(), 2 + 8);
  system.jobs->setMark(3);
  system.GetLocalState(local);
  system.controller->jobs->setMark(8);
  system.SetLocalState(local);
  EXPECT_EQ(system.pool->worker(0)->jobs->getMark(), 3);
  system.DestructLocalState(local);

  Place* budget = system.controller->budget;
  EXPECT_DEATH(system.addSharedPtr(system.jobs, "jobs"),
               "AddedSharedPtrs < NumSharedStateVariables");
  EXPECT_DEATH(system.addSharingInfo(budget, budget, system.controller), "VarIndex != -1");
  static const char* const two[] = {"jobs", "served"};
  Rep rep("r", 1, 2, two);
  Place place("p");
  EXPECT_DEATH(rep.addSharedPtr(&place, "served"),
               "0 == strcmp\\(VarName, SharedStateNames\\[AddedSharedPtrs\\]\\)");
}

}  // namespace
