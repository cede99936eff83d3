#ifndef MOVINGBLOCK_TRAIN_SAN_H
#define MOVINGBLOCK_TRAIN_SAN_H

#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/Place.h"
#include "MovingBlock/CaseGroup.h"
#include "MovingBlock/ModelActivities.h"
#include "MovingBlock/TrainArrays.h"

// One train on a single line under moving-block control: takes a train
// number at time 0, enters at its scheduled time, advances every
// positionUpdatePeriod within its movement authority, reports its position
// every TPRUpdatePeriod over a lossy network, takes up new authorities and
// leaves the line when its head reaches the end.
class trainSAN : public SANModel {
 public:
  // Instantaneous: takes the next free train number (Count counts down).
  class assigningIDActivity final : public InstantaneousModelActivity {
   public:
    Place* Start;
    short* Start_Mark;
    Place* waitForEntering;
    short* waitForEntering_Mark;
    Place* TPRwaiting;
    short* TPRwaiting_Mark;
    Place* trainID;
    short* trainID_Mark;
    Place* Count;
    short* Count_Mark;
    assigningIDActivity();
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // Instantaneous: the train leaves the line (the event the reward counts).
  class trainExitsActivity final : public InstantaneousModelActivity {
   public:
    Place* trainHasToExit;
    short* trainHasToExit_Mark;
    Place* trainMovement;
    short* trainMovement_Mark;
    trainExitsActivity();
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // After arrivalTime[id]: the train enters at position 0.
  class trainArrivalActivity final : public DeterministicModelActivity {
   public:
    Place* waitForEntering;
    short* waitForEntering_Mark;
    Place* trainMovement;
    short* trainMovement_Mark;
    Place* trainID;
    short* trainID_Mark;
    intArrayOfTrains* trainHeadPositions;
    intArrayOfTrains* trainTailPositions;
    intArrayOfTrains* trainMAs;
    shortArrayOfTrains* trainSpeeds;
    shortArrayOfTrains* arrivalTime;
    trainArrivalActivity();
    double DeterministicParamValue() override;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // Every positionUpdatePeriod: advance, then choose the next speed.
  class updatePositionActivity final : public DeterministicModelActivity {
   public:
    Place* trainMovement;
    short* trainMovement_Mark;
    Place* trainID;
    short* trainID_Mark;
    Place* trainHasToExit;
    short* trainHasToExit_Mark;
    intArrayOfTrains* trainHeadPositions;
    shortArrayOfTrains* trainSpeeds;
    intArrayOfTrains* trainTailPositions;
    intArrayOfTrains* trainMAs;
    updatePositionActivity();
    double DeterministicParamValue() override;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // After TPRnetDelay: the report is delivered to the trackside.
  class TPRNetworkDelayActivity_case1 final : public DeterministicModelActivity {
   public:
    Place* sendTPR;
    short* sendTPR_Mark;
    Place* TPRtoRBC;
    short* TPRtoRBC_Mark;
    Place* trainID;
    short* trainID_Mark;
    tprMsg* TPRmsg;
    tprMsgArrayOfTrains* TPRmessages;
    TPRNetworkDelayActivity_case1();
    double DeterministicParamValue() override;
    double Weight() override;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // After TPRnetDelay: the report is lost.
  class TPRNetworkDelayActivity_case2 final : public DeterministicModelActivity {
   public:
    Place* sendTPR;
    short* sendTPR_Mark;
    tprMsg* TPRmsg;
    TPRNetworkDelayActivity_case2();
    double DeterministicParamValue() override;
    double Weight() override;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // Every TPRUpdatePeriod: a position report is taken; case 1 confirms
  // integrity, case 2 does not.
  class updateTPRActivityBase : public DeterministicModelActivity {
   public:
    Place* TPRwaiting;
    short* TPRwaiting_Mark;
    Place* sendTPR;
    short* sendTPR_Mark;
    tprMsg* TPRmsg;
    Place* trainID;
    short* trainID_Mark;
    intArrayOfTrains* trainHeadPositions;
    shortArrayOfTrains* trainSpeeds;
    double DeterministicParamValue() override;
    bool Enabled() override;
    void LinkVariables() override;

   protected:
    void takeReport(short integrityConfirmed);
  };
  class updateTPRActivity_case1 final : public updateTPRActivityBase {
   public:
    updateTPRActivity_case1();
    double Weight() override;
    BaseActionClass* Fire() override;
  };
  class updateTPRActivity_case2 final : public updateTPRActivityBase {
   public:
    updateTPRActivity_case2();
    double Weight() override;
    BaseActionClass* Fire() override;
  };

  // After MAnetDelay: the pending authority of this train is delivered
  // (case 1) or lost (case 2).
  class MANetworkDelayActivityBase : public DeterministicModelActivity {
   public:
    Place* MAtoRBC;
    short* MAtoRBC_Mark;
    Place* trainID;
    short* trainID_Mark;
    maMsgOfTrains* MAmessages;
    double DeterministicParamValue() override;
    bool Enabled() override {
      previouslyEnabled = enabled;
      enabled = *MAtoRBC_Mark > 0 && pendingTimestamp(*trainID_Mark) > 0;
      return enabled;
    }
    void LinkVariables() override;

   private:
    // The timestamp cell of MAmessages[id], found again only when the train
    // number changes (cells do not move once the model is composed): the
    // enabling is evaluated for every train whenever an authority is sent.
    int& pendingTimestamp(short id) {
      if (id != cachedId) findPendingTimestamp(id);
      return *cachedTimestamp;
    }
    void findPendingTimestamp(short id);
    short cachedId = -1;
    int* cachedTimestamp = nullptr;
  };
  class MANetworkDelayActivity_case1 final : public MANetworkDelayActivityBase {
   public:
    intArrayOfTrains* trainMAs;
    MANetworkDelayActivity_case1();
    double Weight() override;
    BaseActionClass* Fire() override;
  };
  class MANetworkDelayActivity_case2 final : public MANetworkDelayActivityBase {
   public:
    MANetworkDelayActivity_case2();
    double Weight() override;
    BaseActionClass* Fire() override;
  };

  trainSAN();
  ~trainSAN() override;

  void CustomInitialization();
  void assignPlacesToActivitiesInst();
  void assignPlacesToActivitiesTimed();

  // State variables, in the order of the model's state-variable table.
  Place* trainID;
  Place* Start;
  Place* Count;
  Place* waitForEntering;
  Place* trainMovement;
  Place* sendTPR;
  Place* TPRtoRBC;
  Place* MAtoRBC;
  Place* TPRwaiting;
  Place* trainHasToExit;
  shortArrayOfTrains* arrivalTime;
  intArrayOfTrains* trainHeadPositions;
  intArrayOfTrains* trainTailPositions;
  shortArrayOfTrains* trainSpeeds;
  tprMsgArrayOfTrains* TPRmessages;
  intArrayOfTrains* trainMAs;
  tprMsg* TPRmsg;
  maMsgOfTrains* MAmessages;

  assigningIDActivity assigningID;
  trainExitsActivity trainExits;
  trainArrivalActivity trainArrival;
  updatePositionActivity updatePosition;
  TPRNetworkDelayActivity_case1 TPRNetworkDelay_case1;
  TPRNetworkDelayActivity_case2 TPRNetworkDelay_case2;
  updateTPRActivity_case1 updateTPR_case1;
  updateTPRActivity_case2 updateTPR_case2;
  MANetworkDelayActivity_case1 MANetworkDelay_case1;
  MANetworkDelayActivity_case2 MANetworkDelay_case2;

  TwoCaseGroup<TPRNetworkDelayActivity_case1, TPRNetworkDelayActivity_case2> TPRNetworkDelayGroup{
      &TPRNetworkDelay_case1, &TPRNetworkDelay_case2};
  TwoCaseGroup<updateTPRActivity_case1, updateTPRActivity_case2> updateTPRGroup{&updateTPR_case1,
                                                                                 &updateTPR_case2};
  TwoCaseGroup<MANetworkDelayActivity_case1, MANetworkDelayActivity_case2> MANetworkDelayGroup{
      &MANetworkDelay_case1, &MANetworkDelay_case2};

 private:
  void addArcs();
};

#endif
