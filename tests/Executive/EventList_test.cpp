#include "Executive/EventList.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "Executive/SchedulingRecord.h"
#include "support/ScriptedGenerator.h"

namespace {
class RankedAction : public BaseActionClass {
 public:
  RankedAction(int rank = 0, double weight = 1.0) : rank(rank), weight(weight) { Record = &record; }
  int Rank() override { return rank; }
  double Weight() override { return weight; }
  void DeclareUnitWeightIfOne() {
    if (weight == 1.0) DeclareUnitWeight();
  }
  int rank;
  double weight;
  SchedulingRecord record;
};
using Actions = std::vector<std::unique_ptr<RankedAction>>;

void Schedule(EventList& list, RankedAction* action, double time) {
  Event event(time, 0.0, action);
  list.Insert(&event);
}
BaseActionClass* ActionOf(Event** slot) { return slot ? (*slot)->Action : nullptr; }

// Event a does not fire after event b.
bool NotAfter(const Event* a, const Event* b) {
  return a->FiringTime < b->FiringTime ||
         (a->FiringTime == b->FiringTime && a->Action->Rank() >= b->Action->Rank());
}

// The event a fresh collection of the root's ties picks for the uniform u:
// the ties in pre-order of the heap (children that tie with their parent),
// then the first running weight above u times the total, else the last.
BaseActionClass* ReferenceChoice(const EventList& list, double u) {
  auto ties = [&](int a, int b) {
    return list.At(a)->FiringTime == list.At(b)->FiringTime &&
           list.At(a)->Action->Rank() == list.At(b)->Action->Rank();
  };
  std::vector<int> collected, stack{0};
  while (!stack.empty()) {
    int node = stack.back();
    stack.pop_back();
    collected.push_back(node);
    for (int child : {2 * node + 2, 2 * node + 1})
      if (child < list.Count() && ties(child, node)) stack.push_back(child);
  }
  if (collected.size() == 1) return list.At(0)->Action;
  double total = 0.0, running = 0.0;
  for (int cell : collected) total += list.At(cell)->Action->Weight();
  for (int cell : collected)
    if ((running += list.At(cell)->Action->Weight()) > u * total) return list.At(cell)->Action;
  return list.At(collected.back())->Action;
}

// Every cell is not before its parent and its action's record names it.
void ExpectConsistent(EventList& list, const Actions& actions) {
  int scheduled = 0;
  for (auto& action : actions) {
    ASSERT_EQ(action->HasEvent(), action->record.heapSlot != nullptr);
    if (!action->record.heapSlot) continue;
    scheduled++;
    int i = list.IndexOf(action->record.heapSlot);
    ASSERT_EQ(list.At(i)->Action, action.get());
    ASSERT_TRUE(NotAfter(list.At((i - 1) / 2), list.At(i)));
  }
  ASSERT_EQ(scheduled, list.Count());
}

class EventListTest : public ::testing::Test {
 protected:
  void TearDown() override { ScriptedGenerator::restoreDefaultGenerator(); }
};
}  // namespace

TEST_F(EventListTest, OrdersByTimeThenRankAndDrawsOnlyForFullTies) {
  ScriptedGenerator* random = ScriptedGenerator::install({0.5});
  RankedAction late(9), low(0), high(3), a(1, 1.0), b(1, 1.0), c(1, 2.0), other(0, 5.0);
  EventList list(4);  // its destructor still reads the actions' records
  Schedule(list, &late, 2.0);
  Schedule(list, &low, 1.0);
  Schedule(list, &high, 1.0);
  for (BaseActionClass* expected : std::vector<BaseActionClass*>{&high, &low, &late}) {
    Event** earliest = list.Earliest();
    ASSERT_EQ(ActionOf(earliest), expected);
    list.Remove(earliest);
  }
  EXPECT_EQ(list.Earliest(), nullptr);
  EXPECT_EQ(random->draws, 0);

  // Weights 1, 1, 2 at one time and rank: the first running sum above u * 4.
  for (RankedAction* action : {&a, &b, &c, &other}) Schedule(list, action, 3.0);
  std::pair<double, BaseActionClass*> cases[] = {{0.5, &c}, {0.49, &b}, {0.25, &b}, {0.0, &a}};
  for (auto [u, chosen] : cases) {
    random = ScriptedGenerator::install({u});
    EXPECT_EQ(ActionOf(list.Earliest()), chosen) << "u = " << u;
    EXPECT_EQ(random->draws, 1);
  }
  a.weight = b.weight = c.weight = 0.0;  // no sum exceeds the threshold: the last tie
  EXPECT_EQ(ActionOf(list.Earliest()), &c);
}

TEST_F(EventListTest, RemovalsAndKeyChangesKeepOrderAndSlots) {
  Actions actions;
  EventList list(8);
  for (double time : {1, 10, 2, 11, 12, 3, 4, 13}) {  // stays in this heap order
    actions.push_back(std::make_unique<RankedAction>());
    Schedule(list, actions.back().get(), time);
  }
  list.Remove(&actions[1]->record);  // 13 moves into cell 1 and sinks
  ExpectConsistent(list, actions);
  list.Remove(actions[7]->record.heapSlot);  // 4 moves into cell 3 and rises
  ExpectConsistent(list, actions);
  EXPECT_EQ(list.IndexOf(actions[6]->record.heapSlot), 1);
  for (auto& action : actions) action->record.notInReactivationList = !action->record.heapSlot;
  list.ClearEventList();
  for (auto& action : actions)
    EXPECT_TRUE(!action->record.heapSlot && action->record.notInReactivationList);

  std::mt19937 rng(12345);
  ScriptedGenerator* random = ScriptedGenerator::install({0.1, 0.9, 0.45, 0.7, 0.3});
  for (int i = 0; i < 56; i++)
    actions.push_back(std::make_unique<RankedAction>(rng() % 2, 1 + rng() % 3));
  EventList big(64);
  // First mixed weights, unit ones declared as such (they are not asked);
  // then weight one only, where the choice is read off the remembered ties.
  for (bool onlyUnitWeights : {false, true}) {
    for (auto& action : actions) {
      if (onlyUnitWeights) action->weight = 1.0;
      action->DeclareUnitWeightIfOne();
    }
    for (int step = 0; step < 20000; step++) {
      RankedAction* action = actions[rng() % actions.size()].get();
      double time = rng() % 6;  // few distinct times: many ties
      Event** slot = action->record.heapSlot;
      int operation = rng() % 4;
      if (operation < 2 && !slot) Schedule(big, action, time);
      if (operation == 2 && slot) {
        (*slot)->FiringTime = time;
        big.ModifyKey(slot);
      }
      if (operation == 2 && !slot && big.Count() > 0)
        big.Remove(big.At(rng() % big.Count())->Action->Record);
      if (operation == 3 && big.Count() > 0) {
        // The choice among ties is the one a fresh collection makes, also
        // when the list remembers the ties of an earlier call.
        const double u = (rng() % 1000) / 1000.0;
        BaseActionClass* expected = ReferenceChoice(big, u);
        random->setScript({u});
        Event** earliest = big.Earliest();
        ASSERT_EQ((*earliest)->Action, expected) << step;
        for (int i = 0; i < big.Count(); i++)
          ASSERT_TRUE(NotAfter(*earliest, big.At(i)));  // nothing fires before it
        big.Remove(earliest);
      }
      ExpectConsistent(big, actions);
    }
  }
  EXPECT_GT(random->draws, 0);
  big.ClearEventList();
  EXPECT_DEATH(Schedule(list, actions[0].get(), 1.0);
               Schedule(list, actions[0].get(), 2.0), "heapSlot == nullptr");
}
