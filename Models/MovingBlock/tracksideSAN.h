#ifndef MOVINGBLOCK_TRACKSIDE_SAN_H
#define MOVINGBLOCK_TRACKSIDE_SAN_H

#include <vector>

#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/Place.h"
#include "MovingBlock/ModelActivities.h"
#include "MovingBlock/TrainArrays.h"

// The trackside controller: takes the delivered position reports one at a
// time, oldest first, keeps per train the end of the area it may enter, and
// answers each report with a movement authority to the reporting train.
class tracksideSAN : public SANModel {
 public:
  // After RBCprocessingTime: process the oldest report and answer it.
  class RBCprocessingActivity final : public DeterministicModelActivity {
   public:
    Place* msgIn;
    short* msgIn_Mark;
    Place* MAtoRBC;
    short* MAtoRBC_Mark;
    Place* idle;
    short* idle_Mark;
    tprMsgArrayOfTrains* TPRmessages;
    intArrayOfTrains* trackStatusAreasTails;
    intArrayOfTrains* trackStatusAreasHeads;
    maMsgOfTrains* MAmessages;
    RBCprocessingActivity();
    double DeterministicParamValue() override;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;

   private:
    int oldestReport();
    // The timestamp cells of TPRmessages[0 .. nTrains - 1], found again only
    // when the number of trains differs (cells do not move once the model is
    // composed): every report processed reads all of them.
    void findReportTimestamps();
    std::vector<int*> reportTimestamps;
  };

  // Instantaneous: the idle trackside takes one delivered report.
  class evaluateOlderTPRActivity final : public InstantaneousModelActivity {
   public:
    Place* TPRtoRBC;
    short* TPRtoRBC_Mark;
    Place* idle;
    short* idle_Mark;
    Place* msgIn;
    short* msgIn_Mark;
    evaluateOlderTPRActivity();
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  tracksideSAN();
  ~tracksideSAN() override;

  void CustomInitialization();
  void assignPlacesToActivitiesInst();
  void assignPlacesToActivitiesTimed();

  // State variables, in the order of the model's state-variable table.
  Place* TPRtoRBC;
  Place* MAtoRBC;
  Place* idle;
  Place* msgIn;
  tprMsgArrayOfTrains* TPRmessages;
  intArrayOfTrains* trackStatusAreasHeads;
  intArrayOfTrains* trackStatusAreasTails;
  maMsgOfTrains* MAmessages;

  RBCprocessingActivity RBCprocessing;
  evaluateOlderTPRActivity evaluateOlderTPR;

 private:
  void addArcs();
};

#endif
