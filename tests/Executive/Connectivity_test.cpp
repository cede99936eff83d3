#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "BaseClasses/PostselectGroup.h"
#include "BaseClasses/state/Place.h"
#include "Executive/ConnectivityTable.h"
#include "Executive/EventList.h"
#include "Executive/SchedulingRecord.h"
#include "support/ControlledActivity.h"
#include "support/ReferenceConnectivity.h"
#include "support/TestModels.h"

namespace {
class ReactivatingActivity : public ControlledActivity {
 public:
  using ControlledActivity::ControlledActivity;
  bool ReactivationFunction() override { return reactivationFunction; }
  bool reactivationFunction = false;
};
using Targets = std::vector<BaseActionClass*>;

// Groups 0: a, 1: b, 2: c = {c1, c2}, 3: d. a changes p1, p2; b changes p3;
// c2 changes p1; c1 and d change nothing. p1 enables b, c1; p2 enables c2,
// b; p3 enables d.
struct SmallModel {
  ReactivatingActivity a{"a"}, b{"b"}, c1{"c1"}, c2{"c2"}, d{"d"};
  PostselectGroup c;
  Place p1{"p1"}, p2{"p2"}, p3{"p3"};
  BaseGroupClass* groups[4] = {&a, &b, &c, &d};
  BaseActionClass* actions[5] = {&a, &b, &c1, &c2, &d};
  SchedulingRecord records[4];
  EventList events{5};
  ConnectivityTable table;  // destroyed first: it frees the actions' lists

  SmallModel() {
    c.initialize(2, "cGroup");
    c.appendGroup(&c1);
    c.appendGroup(&c2);
    for (int g = 0; g < 4; g++) {
      groups[g]->setGroupId(g);
      groups[g]->Record = &records[g];
    }
    for (auto [v, action] : {std::pair{&p1, &a}, {&p2, &a}, {&p3, &b}, {&p1, &c2}}) {
      v->appendAffectingAction(action);
      action->addAffectedSV(v);
    }
    for (auto [v, action] : {std::pair{&p1, &b}, {&p1, &c1}, {&p2, &c2}, {&p2, &b}, {&p3, &d}}) {
      v->appendEnabledAction(action);
      action->addEnablingSV(v);
    }
    table.UseTables(groups, 4, actions, 5);
    table.UseEventList(&events);
  }
  static Targets Affected(BaseActionClass* action) {
    Targets targets;
    ForEachAffected(action, [&](BaseActionClass* target) { targets.push_back(target); });
    return targets;
  }
  Targets Reactivation() {
    return {table.ReactivationList().begin(), table.ReactivationList().end()};
  }
  double FiringTime(int group) { return (*records[group].heapSlot)->FiringTime; }
};
}  // namespace

TEST(Connectivity, BuildersAgreeOnTheAffectedGroups) {
  SmallModel m;
  ASSERT_EQ(m.table.GenerateConnectivityList(), 0);
  // Groups in reverse of the order found: own group last, each group once.
  std::vector<Targets> expected = {{&m.c, &m.b, &m.a}, {&m.d, &m.b}, {&m.c}, {&m.b, &m.c}, {&m.d}};
  for (int i = 0; i < 5; i++) EXPECT_EQ(m.Affected(m.actions[i]), expected[i]) << i;
  for (const char* simTest : {"0", "1"}) {
    m.table.DestructConnectivityList();
    setenv("SIMTEST", simTest, 1);
    ASSERT_EQ(m.table.GenerateConnectivityListOld(), 0);
    for (int i = 0; i < 5; i++) {
      Targets list = m.Affected(m.actions[i]), sorted = expected[i];
      std::sort(list.begin(), list.end());
      std::sort(sorted.begin(), sorted.end());
      EXPECT_EQ(list, sorted) << simTest << " " << i;
    }
  }
  unsetenv("SIMTEST");
  EXPECT_EQ(m.Affected(&m.a), expected[0]);  // SIMTEST 1 inserts at the front, 0 appends
  // Lists changed after a build keep their order around the change.
  ASSERT_EQ(m.table.AddActionAffects(&m.d, &m.a), 0);
  ASSERT_EQ(m.table.AddActionAffectsOld(&m.a, &m.a), 0);  // present: unchanged
  ASSERT_EQ(m.table.AddActionAffectsOld(&m.a, &m.d), 0);  // after a packed node
  EXPECT_EQ(m.Affected(&m.a), (Targets{&m.d, &m.c, &m.b, &m.a}));
  EXPECT_EQ(m.Affected(&m.d), (Targets{&m.d, &m.a}));
  m.table.ClearActionAffectsList(&m.b);
  EXPECT_TRUE(m.Affected(&m.b).empty());
  m.table.DestructConnectivityList();
  ASSERT_EQ(m.table.GenerateConnectivityListOld(0), 0);
  EXPECT_EQ(m.Affected(&m.a), (Targets{&m.a, &m.b, &m.c}));
}

TEST(Connectivity, FailedBuildLeavesEveryListEmpty) {
  SmallModel m;
  // The last action names no group: a failure, not a crash, found after the
  // lists of the others were under way; a build from valid tables before
  // it must not leave its lists behind either.
  const std::pair<int, const char*> builders[] = {
      {2, "default"}, {1, "SIMTEST 1"}, {0, "SIMTEST 0"}};
  for (const auto& [simTest, name] : builders) {
    auto build = [&, simTest = simTest] {
      return simTest == 2 ? m.table.GenerateConnectivityList()
                          : m.table.GenerateConnectivityListOld(simTest);
    };
    m.d.GroupId = 3;
    ASSERT_EQ(build(), 0) << name;
    ASSERT_FALSE(m.Affected(&m.a).empty()) << name;
    for (int badId : {7, -1}) {
      m.d.GroupId = badId;
      EXPECT_EQ(build(), 1) << name << " " << badId;
      for (BaseActionClass* action : m.actions)
        EXPECT_TRUE(m.Affected(action).empty()) << name << " " << action->getName();
    }
  }
  m.d.GroupId = 3;
}

// Builds the lists with each builder and compares them, action by action,
// with the plain algorithms.
void ExpectListsOfEveryBuilder(BaseGroupClass** groups, int numGroups, BaseActionClass** actions,
                               int numActions, const std::string& model) {
  ConnectivityTable table;
  table.UseTables(groups, numGroups, actions, numActions);
  const std::tuple<ReferenceBuilder, int, const char*> builders[] = {
      {ReferenceBuilder::Default, 2, "default"},
      {ReferenceBuilder::OldFront, 1, "SIMTEST 1"},
      {ReferenceBuilder::OldBack, 0, "SIMTEST 0"}};
  for (const auto& [kind, simTest, name] : builders) {
    const short built = simTest == 2 ? table.GenerateConnectivityList()
                                     : table.GenerateConnectivityListOld(simTest);
    ASSERT_EQ(built, 0) << model << ", " << name;
    const std::vector<ActionTargets> expected =
        ReferenceAffectedLists(groups, actions, numActions, kind);
    for (int i = 0; i < numActions; i++)
      ASSERT_EQ(AffectedTargets(actions[i]), expected[i])
          << model << ", " << name << ", action " << i << " " << actions[i]->getName();
  }
}

// Whether two actions' lists read some group from the same storage.
bool ShareStorage(const BaseActionClass* a, const BaseActionClass* b) {
  for (int i = 0; i < a->NumAffectedSpans; i++)
    for (int j = 0; j < b->NumAffectedSpans; j++) {
      const AffectedSpan &x = a->AffectedSpans[i], &y = b->AffectedSpans[j];
      if (x.targets < y.targets + y.count && y.targets < x.targets + x.count) return true;
    }
  return false;
}

TEST(Connectivity, BuildersMatchThePlainAlgorithmsOnComposedModels) {
  for (int replicas : {3, 40, 100}) {
    TestModelParams params;
    params.replicas = replicas;
    systemJoin system(params);
    List<BaseGroupClass> groups;
    List<BaseActionClass> actions;
    system.listGroups(&groups);
    system.listActions(&actions);
    ExpectListsOfEveryBuilder(groups.getList(), groups.getNumItems(), actions.getList(),
                              actions.getNumItems(), std::to_string(replicas) + " workers");
    if (replicas < 100) continue;
    // Every start changes the shared jobs, read by all the starts: each
    // list holds them, from one sequence.
    ConnectivityTable table;
    table.UseTables(groups.getList(), groups.getNumItems(), actions.getList(),
                    actions.getNumItems());
    ASSERT_EQ(table.GenerateConnectivityList(), 0);
    workerSAN *first = system.pool->worker(0), *last = system.pool->worker(replicas - 1);
    EXPECT_EQ(AffectedTargets(&first->start).size(), static_cast<size_t>(replicas + 1));
    EXPECT_TRUE(ShareStorage(&first->start, &last->start));
  }
}

// A random model whose hub variables are read by most actions, so that the
// lists hold long shared sequences, several per list, with groups of two
// cases whose members read different variables.
TEST(Connectivity, BuildersMatchThePlainAlgorithmsOnRandomModels) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    std::vector<std::unique_ptr<ControlledActivity>> activities;
    std::vector<std::unique_ptr<PostselectGroup>> pairs;
    std::vector<BaseGroupClass*> groups;
    std::vector<BaseActionClass*> actions;
    for (int g = 0; g < 120; g++) {
      const std::string name = "a" + std::to_string(g);
      if (g % 5 == 0) {
        pairs.push_back(std::make_unique<PostselectGroup>());
        pairs.back()->initialize(2, name.c_str());
        for (int c = 0; c < 2; c++) {
          activities.push_back(std::make_unique<ControlledActivity>(name.c_str()));
          pairs.back()->appendGroup(activities.back().get());
          actions.push_back(activities.back().get());
        }
        groups.push_back(pairs.back().get());
      } else {
        activities.push_back(std::make_unique<ControlledActivity>(name.c_str()));
        groups.push_back(activities.back().get());
        actions.push_back(activities.back().get());
      }
      groups.back()->setGroupId(g);
    }
    std::vector<std::unique_ptr<Place>> places;
    for (int v = 0; v < 40; v++) places.push_back(std::make_unique<Place>("v"));
    auto place = [&](bool hub) { return places[hub ? random() % 4 : 4 + random() % 36].get(); };
    for (BaseActionClass* action : actions) {
      for (int k = random() % 4; k >= 0; k--) {
        Place* changed = place(random() % 3 == 0);
        changed->appendAffectingAction(action);
        action->addAffectedSV(changed);
      }
      for (int k = 1 + random() % 3; k > 0; k--) {
        Place* read = place(random() % 3 != 0);
        read->appendEnabledAction(action);
        action->addEnablingSV(read);
      }
    }
    ExpectListsOfEveryBuilder(groups.data(), static_cast<int>(groups.size()), actions.data(),
                              static_cast<int>(actions.size()), "seed " + std::to_string(seed));
  }
}

TEST(Connectivity, ReactivationListFollowsFiringsAndResamples) {
  SmallModel m;
  ASSERT_EQ(m.table.GenerateConnectivityList(), 0);
  for (ReactivatingActivity* x : {&m.a, &m.b, &m.c1}) x->reactivationPredicate = true;
  m.c2.isEnabled = false;
  m.b.delay = 5.0;
  // a fires at 0: schedules c, b, a in list order, each at the front
  m.table.RemoveAffectedActions(&m.a);
  m.table.InsertAffectedActions(&m.a, 0.0);
  EXPECT_EQ(m.Reactivation(), (Targets{&m.a, &m.b, &m.c}));
  EXPECT_TRUE(m.b.Reactivation && !m.records[1].notInReactivationList);

  // a has lost its event and leaves; b's function holds: resampled from now,
  // staying while its predicate holds.
  m.events.Remove(m.records[0].heapSlot);
  m.b.reactivationFunction = true;
  m.b.delay = 10.0;
  m.table.CheckReactivationList(2.0);
  EXPECT_EQ(m.Reactivation(), (Targets{&m.b, &m.c}));
  EXPECT_TRUE(!m.a.Reactivation && m.records[0].notInReactivationList);
  EXPECT_EQ(std::tuple(m.FiringTime(1), (*m.records[1].heapSlot)->SchedulingTime),
            std::tuple(12.0, 2.0));
  m.b.reactivationPredicate = false;
  m.table.CheckReactivationList(3.0);
  EXPECT_EQ(m.Reactivation(), (Targets{&m.c}));
  EXPECT_TRUE(!m.b.Reactivation && m.records[1].notInReactivationList);
  EXPECT_EQ(m.FiringTime(1), 13.0);
  m.c1.isEnabled = false;  // c disabled: its event and node go
  m.table.CheckReactivationList(3.0);
  EXPECT_TRUE(m.Reactivation().empty());
  EXPECT_EQ(m.records[2].heapSlot, nullptr);

  // c2 firing disables b, which is in the list: its event and node go.
  m.events.Remove(m.records[1].heapSlot);
  m.b.reactivationPredicate = true;
  m.table.InsertAffectedActions(&m.a, 3.0);
  EXPECT_EQ(m.Reactivation(), (Targets{&m.a, &m.b}));
  m.b.isEnabled = false;
  m.table.RemoveAffectedActions(&m.c2);
  m.table.InsertAffectedActions(&m.c2, 3.0);
  EXPECT_EQ(m.Reactivation(), (Targets{&m.a}));
  EXPECT_TRUE(m.records[1].heapSlot == nullptr && m.records[1].notInReactivationList);
  m.table.RemoveAffectedActions(&m.a);  // unchanged enabling, function false: a keeps its event
  EXPECT_TRUE(m.records[0].heapSlot != nullptr && m.events.Count() == 1);
}
