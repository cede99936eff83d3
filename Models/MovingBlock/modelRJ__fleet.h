#ifndef MOVINGBLOCK_MODEL_RJ_FLEET_H
#define MOVINGBLOCK_MODEL_RJ_FLEET_H

#include "Composer/Rep.h"
#include "MovingBlock/trainSAN.h"

// Names shared by all replicas of the train model, in declaration order.
extern const char* modelRJ__fleet__SharedNames[10];

// The fleet: nTrains replicas of the train model (each named "train"), whose
// variables of the shared names are one for the whole fleet.
class modelRJ__fleet : public Rep {
 public:
  modelRJ__fleet();
  ~modelRJ__fleet() override;

  trainSAN* replica(int i) const { return static_cast<trainSAN*>(Children[i]); }

  // The fleet-level variables, one per shared name.
  Place* Count = nullptr;
  maMsgOfTrains* MAmessages = nullptr;
  Place* MAtoRBC = nullptr;
  tprMsgArrayOfTrains* TPRmessages = nullptr;
  Place* TPRtoRBC = nullptr;
  shortArrayOfTrains* arrivalTime = nullptr;
  intArrayOfTrains* trainHeadPositions = nullptr;
  intArrayOfTrains* trainMAs = nullptr;
  shortArrayOfTrains* trainSpeeds = nullptr;
  intArrayOfTrains* trainTailPositions = nullptr;

 private:
  // The variable of shared name k in a train model, or in this fleet.
  static BaseStateVariableClass* trainVariable(trainSAN* train, int k);
  BaseStateVariableClass* fleetVariable(int k) const;
  bool ownsSharedVariables = false;
};

#endif
