// Observation arithmetic of the reward variables, driven the way the
// simulation loops drive it: Accumulate(t) before every firing, FireAction,
// EndAccumulate at the end of a replication, PVReset between replications.
#include <gtest/gtest.h>

#include <tuple>

#include "BaseClasses/BaseGroupClass.h"
#include "support/TestRewards.h"

namespace {

struct Loop {
  systemRewardModel& model;
  void fire(BaseActionClass* action, double t) {
    model.Accumulate(t);
    model.FireAction(action, t);
  }
};

TEST(Accumulation, WindowBoundsAreInclusiveAndCompleteOnce) {
  systemRewardModel model({ImpulseReward::threeWindows()}, true);
  model.ConsiderOnly(nullptr, 0);
  ASSERT_EQ(model.getNumPVs(), 3);
  PerformanceVariableNode* w100 = model.getPVs()[0];
  PerformanceVariableNode* w150 = model.getPVs()[1];
  Loop loop{model};

  loop.fire(&model.worker(1)->serve_case1, 0.0);  // counts at exactly the start
  loop.fire(&model.worker(1)->start, 50.0);
  loop.fire(&model.worker(1)->serve_case1, 100.0);  // and at exactly the stop
  EXPECT_EQ(w100->getState(), PerformanceVariableNode::InProgress);
  EXPECT_EQ(w100->AccumulatedValue, 0.0);  // totalled only on completion

  loop.fire(&model.worker(0)->serve_case1, 100.0001);
  EXPECT_EQ(std::tuple(w100->getState(), w100->AccumulatedValue, w100->AccumulatedSquare),
            std::tuple(PerformanceVariableNode::Complete, 2.0, 4.0));  // worker 1's count squared
  EXPECT_EQ(w150->getState(), PerformanceVariableNode::InProgress);

  // A complete node ignores further calls.
  w100->Accumulate(50.0, 50.0, &model.worker(1)->serve_case1);
  w100->EndAccumulate(50.0, 50.0, &model.worker(1)->serve_case1);
  EXPECT_EQ(w100->AccumulatedValue, 2.0);

  model.EndAccumulate(149.5);  // within the 1.0 tolerance of 150, not of 200
  // Worker 1 earned 2, worker 0 earned 1: the square sums the workers' squares.
  EXPECT_EQ(std::tuple(w150->getState(), w150->AccumulatedValue, w150->AccumulatedSquare),
            std::tuple(PerformanceVariableNode::Complete, 3.0, 5.0));
  EXPECT_EQ(model.getPVs()[2]->getState(), PerformanceVariableNode::InProgress);
  EXPECT_EQ(model.getPVs()[2]->AccumulatedValue, 0.0);

  model.PVReset();
  for (int k = 0; k < 3; k++)
    EXPECT_EQ(std::tuple(model.getPVs()[k]->getState(), model.getPVs()[k]->AccumulatedValue),
              std::tuple(PerformanceVariableNode::NotStarted, 0.0));
  EXPECT_EQ(model.getLastActionFired(), model.getNoActionFiredYet());
  EXPECT_EQ(BaseModelClass::LastActionTime, 0.0);

  // End of a replication at 99 leaves [0, 100] open; at 99.5 it completes it.
  for (double end : {99.0, 99.5}) {
    loop.fire(&model.worker(2)->serve_case1, 10.0);
    model.EndAccumulate(end);
    EXPECT_EQ(std::tuple(w100->getState(), w100->AccumulatedValue),
              (end == 99.5 ? std::tuple(2, 1.0) : std::tuple(1, 0.0)))
        << end;
    model.PVReset();
  }
}

// Firings that reach no worker only move windows, and the reward model
// skips the walk while no window bound is passed; windows changed by the
// nodes' own operations, or written directly and noted, are seen at once.
TEST(Accumulation, WindowsMoveOnFiringsThatReachNoWorker) {
  systemRewardModel model({ImpulseReward::threeWindows()}, true);
  model.ConsiderOnly(nullptr, 0);
  PerformanceVariableNode** nodes = model.getPVs();
  BaseActionClass* plain = &model.worker(0)->start;  // triggers no impulse
  Loop loop{model};
  auto states = [&] {
    return std::tuple(nodes[0]->getState(), nodes[1]->getState(), nodes[2]->getState());
  };
  using S = std::tuple<int, int, int>;
  loop.fire(plain, 10.0);
  loop.fire(plain, 100.0);
  EXPECT_EQ(states(), S(1, 1, 1));
  loop.fire(plain, 120.0);
  EXPECT_EQ(states(), S(2, 1, 1));
  EXPECT_EQ(nodes[0]->AccumulatedValue, 0.0);

  nodes[0]->SetSlidingWindow(1);
  nodes[0]->Reset();  // as the steady-state loop does: now [100, 200]
  loop.fire(plain, 130.0);
  EXPECT_EQ(states(), S(1, 1, 1));
  nodes[1]->Reset();  // [0, 150] again, not started
  loop.fire(plain, 140.0);
  EXPECT_EQ(states(), S(1, 1, 1));
  nodes[2]->SetCurrentStopTime(141.0);
  loop.fire(plain, 145.0);
  EXPECT_EQ(states(), S(1, 1, 2));
  loop.fire(plain, 150.0);
  loop.fire(plain, 150.5);
  EXPECT_EQ(states(), S(1, 2, 2));
  model.PVReset();
  loop.fire(plain, 99.0);  // the slid window has not started yet
  EXPECT_EQ(states(), S(0, 1, 1));
}

TEST(Accumulation, ImpulseWindowOfOneWorker) {
  countImpulse impulse(false, 1.0);
  impulse.SetWindow(0.0, 100.0);
  for (double T : {0.0, 100.0, 100.0001, -0.0001}) impulse.Accumulate(200.0, T);
  impulse.completeAccumulation(50.0);  // not time-averaged: unchanged
  EXPECT_EQ(std::pair(impulse.Value, impulse.Counter), std::pair(2.0, 2));
  impulse.Reset();
  EXPECT_EQ(std::tuple(impulse.Value, impulse.Counter, impulse.StopTime),
            std::tuple(0.0, 0, 100.0));  // the window stays
}

TEST(Accumulation, TimeAveragedImpulseDividesBySimulatedPartOfWindow) {
  ImpulseReward reward;
  reward.stops = {100.0};
  reward.starts = {0.0};
  reward.timeAveraged = true;
  systemRewardModel model({reward}, true);
  model.ConsiderOnly(nullptr, 0);
  PerformanceVariableNode* node = model.getPVs()[0];
  Loop loop{model};
  for (double end : {50.0, 120.0}) {
    loop.fire(&model.worker(0)->serve_case1, 10.0);
    loop.fire(&model.worker(0)->serve_case1, 20.0);
    model.EndAccumulate(end);
    const double expected = 2.0 / (end < 100.0 ? 50.0 : 100.0);
    EXPECT_DOUBLE_EQ(node->getImpulseWorker(0, 0)->Value, expected) << end;
    if (end > 100.0) {
      EXPECT_DOUBLE_EQ(node->AccumulatedValue, expected);
      EXPECT_DOUBLE_EQ(node->AccumulatedSquare, expected * expected);
    }
    model.PVReset();
  }
}

// A window closes in one of several ways: a firing past its stop that
// reaches the variable's workers, one that reaches none (the reward model
// then only moves windows), UpdateAccumulate, a batch boundary, or the end
// of the replication. Whichever it is, a time-averaged impulse is the
// impulses earned divided by the length simulated of the window, once; an
// interval-of-time impulse is their sum.
TEST(Accumulation, EveryPathThatClosesAWindowAveragesItsImpulsesOnce) {
  for (bool timeAveraged : {true, false}) {
    ImpulseReward reward;
    reward.starts = {0.0};
    reward.stops = {10.0};
    reward.timeAveraged = timeAveraged;
    reward.impulseValue = 3.0;
    systemRewardModel model({reward}, true);
    model.ConsiderOnly(nullptr, 0);
    PerformanceVariableNode* node = model.getPVs()[0];
    BaseActionClass* counted = &model.worker(0)->serve_case1;
    BaseActionClass* plain = &model.worker(0)->start;  // reaches no worker
    Loop loop{model};
    // Two impulses of 3 in [0, 10]: a sum of 6, an average of 0.6 over 10.
    const double full = timeAveraged ? 6.0 / 10.0 : 6.0;
    const auto closedWith = [&](const char* path, double expected) {
      EXPECT_EQ(node->getState(), PerformanceVariableNode::Complete) << path;
      EXPECT_DOUBLE_EQ(node->AccumulatedValue, expected) << path << " " << timeAveraged;
      model.EndAccumulate(20.0);  // the end of the replication changes nothing more
      EXPECT_DOUBLE_EQ(node->AccumulatedValue, expected) << path << " " << timeAveraged;
      model.PVReset();
    };

    for (BaseActionClass* last : {counted, plain}) {
      loop.fire(counted, 2.0);
      loop.fire(last, 4.0);
      loop.fire(plain, 12.0);  // closes [0, 10] before firing
      closedWith(last == counted ? "a firing that reaches a worker" : "a quiet firing",
                 last == counted ? full : full / 2);
    }

    loop.fire(counted, 2.0);
    loop.fire(counted, 4.0);
    model.Accumulate(5.0);  // counts the firing at 4
    node->UpdateAccumulate(10.5);
    closedWith("UpdateAccumulate", full);

    // The replication ends at 9.5, within one time unit of the stop: the
    // average is over the 9.5 simulated. One that ends at 8 leaves the
    // window open; completed later, it is still divided only once.
    loop.fire(counted, 2.0);
    loop.fire(counted, 4.0);
    model.EndAccumulate(9.5);
    EXPECT_DOUBLE_EQ(node->AccumulatedValue, timeAveraged ? 6.0 / 9.5 : 6.0);
    model.PVReset();
    loop.fire(counted, 2.0);
    loop.fire(counted, 4.0);
    model.EndAccumulate(8.0);
    EXPECT_EQ(node->getState(), PerformanceVariableNode::InProgress);
    node->UpdateAccumulate(11.0);
    EXPECT_DOUBLE_EQ(node->AccumulatedValue, timeAveraged ? 6.0 / 8.0 : 6.0);
    model.PVReset();

    // Batches of a sliding window, closed as the steady-state loop closes
    // them: each one's impulses over the batch length.
    node->SetSlidingWindow(1);
    model.SteadyState();
    const double perImpulse = timeAveraged ? 3.0 / 10.0 : 3.0;
    for (int batch = 0; batch < 3; batch++) {
      for (int k = 0; k <= batch; k++) loop.fire(counted, 10.0 * batch + 1.0 + k);
      node->Accumulate(node->getCurrentStopTime() + 1.0, BaseModelClass::LastActionTime,
                       model.getLastActionFired());
      EXPECT_DOUBLE_EQ(node->AccumulatedValue, (batch + 1) * perImpulse) << batch;
      node->Reset();
      model.Accumulate(node->getCurrentStartTime());  // the next batch starts
    }
  }
}

TEST(Accumulation, SlidingWindowMovesTheImpulseWindowToo) {
  ImpulseReward reward;
  reward.starts = {0.0};
  reward.stops = {10.0};
  systemRewardModel model({reward}, true);
  model.ConsiderOnly(nullptr, 0);
  PerformanceVariableNode* node = model.getPVs()[0];
  node->SetSlidingWindow(1);
  model.SteadyState();
  EXPECT_EQ(node->getState(), PerformanceVariableNode::InProgress);
  Loop loop{model};

  loop.fire(&model.worker(0)->serve_case1, 5.0);
  node->Accumulate(11.0, BaseModelClass::LastActionTime, model.getLastActionFired());
  EXPECT_EQ(node->AccumulatedValue, 1.0);
  node->Reset();
  EXPECT_EQ(std::pair(node->getCurrentStartTime(), node->getCurrentStopTime()),
            std::pair(10.0, 20.0));
  // The firing at 5 was counted in the first window and is not counted again.
  loop.fire(&model.worker(0)->serve_case1, 15.0);
  loop.fire(&model.worker(0)->serve_case1, 16.0);
  loop.fire(&model.worker(0)->start, 21.0);
  EXPECT_EQ(std::tuple(node->getState(), node->AccumulatedValue),
            std::tuple(PerformanceVariableNode::Complete, 2.0));
}

TEST(Accumulation, FireActionRecordsTheFiredAction) {
  systemRewardModel model({ImpulseReward::threeWindows()}, false);
  workerSAN* w = model.worker(0);
  EXPECT_EQ(model.FireAction(&w->start, 3.0), &w->start);
  EXPECT_EQ(BaseModelClass::LastActionTime, 3.0);
  EXPECT_EQ(model.getLastActionFired(), &w->start);
  // A group with no selected member names no action: the placeholder stands.
  BaseGroupClass empty;
  EXPECT_EQ(model.FireAction(&empty, 4.0), model.getNoActionFiredYet());
  EXPECT_STREQ(model.getLastActionFired()->getName(), "No Action Fired Yet");
}

}  // namespace
