// The railway model's composition and the behaviour of its activities,
// checked against hand-computed cases by firing activities directly.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "Study/BaseStudyClass.h"
#include "movingblock/GlobalVariables.h"
#include "movingblock/modelRJ.h"

namespace {

// Experiment 1's values with a chosen number of trains.
void setExperimentValues(short trains) {
  GenerateStudy()->SetGVs(0);
  nTrains = trains;
}

// The composed model as the reward model builds it: once composed, its
// activities take the element cells of the arrays they use.
class ComposedModel : public modelRJ {
 public:
  ComposedModel() { fillTables(); }
};

// The enabling as the simulator asks for it, through the virtual table (the
// cases' own Enabled() is inlined into their group, in the model's code).
[[gnu::noinline]] bool enabled(Activity& activity) { return activity.Enabled(); }

// Fires an activity as the simulator does, at the given time.
void fireAt(Activity& activity, double time) {
  BaseModelClass::LastActionTime = time;
  ASSERT_TRUE(enabled(activity)) << activity.getName();
  activity.Fire();
}

TEST(RailwayModel, CompositionSharesOneCellPerName) {
  setExperimentValues(3);
  ComposedModel model;
  modelRJ__fleet& fleet = *model.fleet;
  ASSERT_EQ(std::tuple(fleet.GetNumberOfChildren(), model.NumGroups), std::tuple(3, 3 * 7 + 2));
  EXPECT_EQ(std::tuple(std::string(fleet.replica(2)->Name), std::string(model.trackside->Name)),
            std::tuple("train", "trackside"));

  // The shared counter starts from the train model's initial marking.
  EXPECT_EQ(fleet.replica(0)->Count->getMark(), 3);
  fleet.replica(1)->Count->setMark(9);
  EXPECT_EQ(std::tuple(fleet.replica(2)->Count->getMark(), fleet.Count->getMark()),
            std::tuple(9, 9));

  // Fleet and trackside see the same report and authority cells.
  fleet.replica(2)->MAtoRBC->setMark(4);
  EXPECT_EQ(model.trackside->MAtoRBC->getMark(), 4);
  model.trackside->TPRmessages->Index(1)->position->Mark() = 1234;
  EXPECT_EQ(fleet.replica(0)->TPRmessages->Index(1)->position->Mark(), 1234);
  fleet.replica(0)->trainMAs->Index(2)->Mark() = 77;
  EXPECT_EQ(fleet.replica(1)->trainMAs->Index(2)->Mark(), 77);

  // Not shared: each replica has its own train number and report record.
  fleet.replica(0)->trainID->setMark(5);
  EXPECT_EQ(fleet.replica(1)->trainID->getMark(), 0);

  // Initial authorities and entry times.
  EXPECT_EQ(std::tuple(fleet.trainMAs->Index(0)->Mark(), fleet.trainMAs->Index(1)->Mark(),
                       fleet.arrivalTime->Index(2)->Mark(),
                       model.trackside->trackStatusAreasHeads->Index(0)->Mark(),
                       model.trackside->trackStatusAreasHeads->Index(1)->Mark()),
            std::tuple(16000, 0, 100, 16000, 0));
  EXPECT_STREQ(model.trackside->TPRmessages->Index(2)->timestamp->getPrefix(), "TPRmessages.2");
}

TEST(RailwayModel, TrainEntersMovesWithinAuthorityAndExits) {
  setExperimentValues(3);
  positionUpdatePeriod = 1.0;
  maxTrainSpeed = 10;
  lineLength = 45;
  trainLength = 5;
  ComposedModel model;
  trainSAN& train = *model.fleet->replica(0);

  fireAt(train.assigningID, 0.0);  // Count 3 -> train number 2
  EXPECT_EQ(std::tuple(train.trainID->getMark(), train.Count->getMark()), std::tuple(2, 2));
  EXPECT_FALSE(train.assigningID.Enabled());
  EXPECT_DOUBLE_EQ(train.trainArrival.SampleDistribution(), 2 * 50.0);

  train.trainMAs->Index(2)->Mark() = 25;
  fireAt(train.trainArrival, 100.0);
  // speed min((int)25, 10)
  EXPECT_EQ(
      std::tuple(train.trainSpeeds->Index(2)->Mark(), train.trainTailPositions->Index(2)->Mark()),
      std::tuple(10, -5));
  const std::tuple<int, int> expected[] = {{10, 10}, {20, 5}, {25, 0}, {25, 0}};  // head, speed
  for (int step = 0; step < 4; step++) {
    fireAt(train.updatePosition, 101.0 + step);
    EXPECT_EQ(
        std::tuple(train.trainHeadPositions->Index(2)->Mark(), train.trainSpeeds->Index(2)->Mark()),
        expected[step])
        << step;
  }
  // An authority behind the head gives a negative speed.
  train.trainMAs->Index(2)->Mark() = 20;
  fireAt(train.updatePosition, 105.0);
  EXPECT_EQ(train.trainSpeeds->Index(2)->Mark(), -5);

  // Reaching exactly the end of the line sets the exit flag.
  train.trainHeadPositions->Index(2)->Mark() = 35;
  train.trainSpeeds->Index(2)->Mark() = 10;
  EXPECT_FALSE(train.trainExits.Enabled());
  fireAt(train.updatePosition, 106.0);
  EXPECT_EQ(train.trainHasToExit->getMark(), 1);
  fireAt(train.trainExits, 106.0);
  EXPECT_FALSE(train.updatePosition.Enabled() || train.trainExits.Enabled());
}

TEST(RailwayModel, ReportsCrossTheNetworkAndAuthoritiesComeBack) {
  setExperimentValues(2);
  ComposedModel model;
  trainSAN& train = *model.fleet->replica(1);
  tracksideSAN& trackside = *model.trackside;
  fireAt(train.assigningID, 0.0);  // train number 1
  train.trainHeadPositions->Index(1)->Mark() = 700;
  train.trainSpeeds->Index(1)->Mark() = 12;

  fireAt(train.updateTPR_case1, 5.9);
  EXPECT_EQ(std::tuple(train.TPRmsg->timestamp->Mark(), train.TPRmsg->position->Mark(),
                       train.sendTPR->getMark()),
            std::tuple(5, 700, 1));
  fireAt(train.TPRNetworkDelay_case1, 6.4);
  EXPECT_EQ(std::tuple(trackside.TPRmessages->Index(1)->speed->Mark(),
                       train.TPRmsg->timestamp->Mark(), trackside.TPRtoRBC->getMark()),
            std::tuple(12, 0, 1));

  fireAt(trackside.evaluateOlderTPR, 6.4);
  EXPECT_EQ(trackside.idle->getMark(), 0);
  fireAt(trackside.RBCprocessing, 6.6);
  // The last train has no follower: only its own tail is recorded.
  EXPECT_EQ(std::tuple(trackside.trackStatusAreasTails->Index(1)->Mark(),
                       trackside.trackStatusAreasHeads->Index(0)->Mark(),
                       trackside.MAmessages->Index(1)->timestamp->Mark(),
                       trackside.MAmessages->Index(1)->EoA->Mark()),
            std::tuple(1000, 16000, 6, 0));

  fireAt(train.MANetworkDelay_case1, 6.8);
  EXPECT_EQ(std::tuple(train.trainMAs->Index(1)->Mark(), train.MAtoRBC->getMark()),
            std::tuple(0, 0));
  EXPECT_FALSE(enabled(train.MANetworkDelay_case1));
}

// A case group evaluates the enabling shared by its cases once and records
// it in both; with other members it answers as a plain PostselectGroup.
TEST(RailwayModel, CaseGroupsKeepBothCasesEnablingCurrent) {
  setExperimentValues(2);
  ComposedModel model;
  trainSAN& train = *model.fleet->replica(1);
  fireAt(train.assigningID, 0.0);  // train number 1
  auto& group = train.MANetworkDelayGroup;
  auto& lost = train.MANetworkDelay_case2;
  EXPECT_FALSE(group.Enabled());
  train.MAtoRBC->setMark(1);
  train.MAmessages->Index(1)->timestamp->Mark() = 7;
  EXPECT_TRUE(group.EnablingChange());
  EXPECT_FALSE(lost.EnablingChange());  // already recorded as enabled
  EXPECT_FALSE(group.EnablingChange());
  train.MAtoRBC->setMark(0);
  EXPECT_FALSE(group.Enabled());
  EXPECT_FALSE(lost.EnablingChange());  // already recorded as disabled

  group.replaceMember(&lost, &train.MANetworkDelay_case1);
  train.MAtoRBC->setMark(1);
  EXPECT_TRUE(group.Enabled());
  EXPECT_TRUE(lost.EnablingChange());                       // no longer a member: not told
  group.replaceMember(&train.MANetworkDelay_case1, &lost);  // both slots now hold the lost case
  EXPECT_TRUE(group.Enabled());
  EXPECT_DOUBLE_EQ(group.SampleDistribution(), MAnetDelay);
}

// The enabling reads the authority of the copy's own train number; it keeps
// that element between evaluations, so it must follow a change of the
// element's value and of the train number, and an index beyond the array
// still ends the run.
TEST(RailwayModel, EnablingFollowsTheTrainNumberItIndexesBy) {
  setExperimentValues(2);
  ComposedModel model;
  trainSAN& train = *model.fleet->replica(1);
  Activity& delivered = train.MANetworkDelay_case1;
  auto timestamp = [&](int id) -> int& { return train.MAmessages->Index(id)->timestamp->Mark(); };
  train.MAtoRBC->setMark(1);
  train.trainID->setMark(1);
  timestamp(1) = 7;
  EXPECT_TRUE(enabled(delivered));
  timestamp(1) = 0;
  EXPECT_FALSE(enabled(delivered));
  train.trainID->setMark(0);
  timestamp(0) = 3;
  EXPECT_TRUE(enabled(delivered));
  train.trainID->setMark(1);
  EXPECT_FALSE(enabled(delivered));
  train.trainID->setMark(2);
  EXPECT_EXIT(enabled(delivered), testing::ExitedWithCode(1),
              "index out of bounds\\. MAmessages\\[0\\.\\.1\\] indexed with 2");
}

TEST(RailwayModel, TracksideProcessesTheOldestReportAndMovesTheFollower) {
  setExperimentValues(3);
  ComposedModel model;
  tracksideSAN& trackside = *model.trackside;
  auto report = [&](int train, int timestamp, int position, short integrity) {
    tprMsg* r = trackside.TPRmessages->Index(train);
    r->timestamp->Mark() = timestamp;
    r->position->Mark() = position;
    r->integrityConfirmed->Mark() = integrity;
  };
  auto process = [&]() {
    trackside.msgIn->setMark(1);
    fireAt(trackside.RBCprocessing, 50.0);
  };
  report(0, 5, 1000, 1);
  report(1, 0, 0, 0);
  report(2, 3, 400, 1);
  process();  // train 2 (oldest), the last train: no follower moves
  EXPECT_EQ(std::tuple(trackside.TPRmessages->Index(2)->timestamp->Mark(),
                       trackside.MAmessages->Index(2)->timestamp->Mark()),
            std::tuple(0, 50));
  process();  // then train 0; its follower's area = head + margin + length
  EXPECT_EQ(std::tuple(trackside.trackStatusAreasHeads->Index(1)->Mark(),
                       trackside.MAmessages->Index(0)->EoA->Mark()),
            std::tuple(1300, 16000));

  report(0, 0, 0, 0);
  report(1, 7, 15900, 1);
  report(2, 0, 0, 0);
  process();  // train 1; the follower's area is cut at the end of the line
  EXPECT_EQ(trackside.trackStatusAreasHeads->Index(2)->Mark(), 16000);

  report(2, 0, 99, 0);
  process();  // nothing positive: the last train, integrity 0 changes nothing
  EXPECT_EQ(std::tuple(trackside.MAmessages->Index(2)->EoA->Mark(), trackside.MAtoRBC->getMark(),
                       trackside.idle->getMark()),
            std::tuple(16000, 4, 5));
}

}  // namespace
