#include "Executive/EventList.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "Executive/SchedulingRecord.h"
#include "ScriptedGenerator.h"

namespace {
// An action with a fixed rank and weight and a scheduling record of its own.
class RankedAction : public BaseActionClass {
 public:
  RankedAction(const char* name, int rank, double weight) : rank(rank), weight(weight) {
    defineName(name);
    Record = &record;
  }
  int Rank() override { return rank; }
  double Weight() override { return weight; }
  int rank;
  double weight;
  SchedulingRecord record;
};

BaseActionClass* ActionOf(Event** slot) { return slot ? (*slot)->Action : nullptr; }

// Every heap cell's event is not before its parent and its record names
// the cell; actions without an event have no slot.
void ExpectConsistent(EventList& list, const std::vector<std::unique_ptr<RankedAction>>& actions) {
  int scheduled = 0;
  for (auto& action : actions) {
    if (!action->record.heapSlot) continue;
    scheduled++;
    int i = list.IndexOf(action->record.heapSlot);
    ASSERT_EQ(list.At(i)->Action, action.get());
    if (i == 0) continue;
    Event* parent = list.At((i - 1) / 2);
    Event* child = list.At(i);
    ASSERT_LE(parent->FiringTime, child->FiringTime);
    if (parent->FiringTime == child->FiringTime) {
      ASSERT_GE(parent->Action->Rank(), child->Action->Rank());
    }
  }
  ASSERT_EQ(scheduled, list.Count());
}
}  // namespace

TEST(EventList, OrdersByTimeThenHigherRankWithoutDrawing) {
  ScriptedDistribution random({0.5});
  RankedAction late("late", 9, 1), low("low", 0, 1), high("high", 3, 1);
  EventList list(4);
  EXPECT_EQ(list.Earliest(), nullptr);
  Event scratch(2.0, 0.0, &late);
  list.Insert(&scratch);
  scratch = Event(1.0, 0.0, &low);
  list.Insert(&scratch);
  scratch = Event(1.0, 0.5, &high);
  EXPECT_EQ(list.Insert(&scratch), 0);
  scratch.FiringTime = 99.0;  // the list holds its own copy
  for (BaseActionClass* expected : {(BaseActionClass*)&high, (BaseActionClass*)&low,
                                    (BaseActionClass*)&late}) {
    Event** earliest = list.Earliest();
    ASSERT_EQ(ActionOf(earliest), expected);
    list.Remove(earliest);
    EXPECT_EQ(expected->Record->heapSlot, nullptr);
  }
  EXPECT_EQ(list.Earliest(), nullptr);
  EXPECT_EQ(random.Draws(), 0);
}

TEST(EventList, FullTiesAreChosenByWeightWithOneDraw) {
  RankedAction a("a", 1, 1.0), b("b", 1, 1.0), c("c", 1, 2.0), other("other", 0, 5.0);
  EventList list(5);
  for (RankedAction* action : {&a, &b, &c, &other}) {
    Event event(3.0, 0.0, action);
    list.Insert(&event);
  }
  // Threshold u * 4: the first running sum (1, 2, 4) above it wins.
  struct Case { double u; BaseActionClass* chosen; };
  for (Case expected : {Case{0.5, &c}, Case{0.49, &b}, Case{0.2, &a}, Case{0.25, &b}, Case{0.0, &a}}) {
    ScriptedDistribution random({expected.u});
    EXPECT_EQ(ActionOf(list.Earliest()), expected.chosen) << "u = " << expected.u;
    EXPECT_EQ(random.Draws(), 1);
  }
  // Weights summing to zero fall back to the last tied event.
  a.weight = b.weight = c.weight = 0.0;
  ScriptedDistribution random({0.7});
  EXPECT_EQ(ActionOf(list.Earliest()), &c);
  EXPECT_EQ(random.Draws(), 1);
}

TEST(EventList, RemovingInnerEventsAndModifyingKeysKeepSlotsRight) {
  ScriptedDistribution random({0.3});
  std::vector<std::unique_ptr<RankedAction>> actions;
  EventList list(8);
  const double times[] = {1, 10, 2, 11, 12, 3, 4, 13};  // heap order as inserted
  for (double time : times) {
    actions.push_back(std::make_unique<RankedAction>("x", 0, 1.0));
    Event event(time, 0.0, actions.back().get());
    list.Insert(&event);
  }
  // Removing 10 moves the last event (13) into cell 1, from where it sinks;
  // removing 13 then moves the last event (4) into cell 3, from where it rises.
  list.Remove(&actions[1]->record);
  ExpectConsistent(list, actions);
  EXPECT_EQ(list.IndexOf(actions[7]->record.heapSlot), 3);
  list.Remove(actions[7]->record.heapSlot);
  ExpectConsistent(list, actions);
  EXPECT_EQ(list.IndexOf(actions[6]->record.heapSlot), 1);
  (*actions[4]->record.heapSlot)->FiringTime = 0.5;
  list.ModifyKey(actions[4]->record.heapSlot);
  ExpectConsistent(list, actions);
  std::vector<double> drained;
  while (Event** earliest = list.Earliest()) {
    drained.push_back((*earliest)->FiringTime);
    list.Remove(earliest);
    ExpectConsistent(list, actions);
  }
  EXPECT_EQ(drained, (std::vector<double>{0.5, 1, 2, 3, 4, 11}));
  EXPECT_EQ(random.Draws(), 0);
}

TEST(EventList, ClearReturnsEveryEventAndMarksEveryAction) {
  std::vector<std::unique_ptr<RankedAction>> actions;
  EventList list(3);
  for (int round = 0; round < 2; round++) {  // the pool is reused after clearing
    actions.clear();
    for (int i = 0; i < 3; i++) {
      actions.push_back(std::make_unique<RankedAction>("x", 0, 1.0));
      actions.back()->record.notInReactivationList = false;
      Event event(i, 0.0, actions.back().get());
      list.Insert(&event);
    }
    list.ClearEventList();
    EXPECT_EQ(list.Count(), 0);
    for (auto& action : actions) {
      EXPECT_EQ(action->record.heapSlot, nullptr);
      EXPECT_TRUE(action->record.notInReactivationList);
    }
  }
}

TEST(EventList, PrintListShowsEveryCell) {
  RankedAction first("first", 0, 1.0), second("second", 0, 1.0);
  EventList list(2);
  Event event(2.5, 1.0, &first);
  list.Insert(&event);
  event = Event(4.0, 1.5, &second);
  list.Insert(&event);
  std::ostringstream out;
  list.PrintList(out);
  EXPECT_EQ(out.str(),
            "------------------Event List-----------------\n"
            "(first) 1 --> 2.5\n(second) 1.5 --> 4\n"
            "---------------------------------------------\n\n");
}

TEST(EventList, RandomisedOperationsKeepHeapOrderAndSlots) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> script(97);
  for (double& u : script) u = unit(rng);
  ScriptedDistribution random(script);
  const int n = 64;
  std::vector<std::unique_ptr<RankedAction>> actions;
  for (int i = 0; i < n; i++)
    actions.push_back(std::make_unique<RankedAction>("x", rng() % 2, 1.0 + rng() % 3));
  EventList list(n);
  for (int step = 0; step < 20000; step++) {
    RankedAction* action = actions[rng() % n].get();
    SchedulingRecord& record = action->record;
    double time = rng() % 20;  // few distinct times: many ties
    switch (rng() % 4) {
      case 0:
      case 1:
        if (!record.heapSlot) {
          Event event(time, 0.0, action);
          list.Insert(&event);
        }
        break;
      case 2:
        if (record.heapSlot) {
          (*record.heapSlot)->FiringTime = time;
          list.ModifyKey(record.heapSlot);
        } else if (list.Count() > 0) {
          list.Remove(list.At(rng() % list.Count())->Action->Record);
        }
        break;
      case 3:
        if (Event** earliest = list.Earliest()) {
          for (int i = 0; i < list.Count(); i++) {  // nothing comes before the choice
            ASSERT_GE(list.At(i)->FiringTime, (*earliest)->FiringTime);
            if (list.At(i)->FiringTime == (*earliest)->FiringTime) {
              ASSERT_LE(list.At(i)->Action->Rank(), (*earliest)->Action->Rank());
            }
          }
          list.Remove(earliest);
        }
        break;
    }
    ExpectConsistent(list, actions);
  }
  EXPECT_GT(random.Draws(), 0);
}

TEST(EventListDeathTest, SecondEventForOneActionOrOverfullListAsserts) {
  RankedAction a("a", 0, 1.0), b("b", 0, 1.0);
  EventList list(1);
  Event event(1.0, 0.0, &a);
  list.Insert(&event);
  EXPECT_DEATH(list.Insert(&event), "heapSlot == nullptr");
  event.Action = &b;
  EXPECT_DEATH(list.Insert(&event), "count < capacity");
}
