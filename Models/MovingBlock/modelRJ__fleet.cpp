#include "MovingBlock/modelRJ__fleet.h"

#include "MovingBlock/GlobalVariables.h"

const char* modelRJ__fleet__SharedNames[10] = {
    "Count",       "MAmessages",  "MAtoRBC",  "TPRmessages", "TPRtoRBC",
    "arrivalTime", "trainHeadPositions", "trainMAs", "trainSpeeds", "trainTailPositions"};

namespace {
constexpr int kNumShared = 10;
}

modelRJ__fleet::modelRJ__fleet() : Rep("fleet", nTrains, kNumShared, modelRJ__fleet__SharedNames) {
  for (int i = 0; i < NumChildren; i++) setChild(i, new trainSAN());
  SetupActions();
  if (AllChildrenEmpty()) return;
  ownsSharedVariables = true;

  Count = new Place("Count", 0);
  MAmessages = new maMsgOfTrains("MAmessages", "", nTrains);
  MAtoRBC = new Place("MAtoRBC", 0);
  TPRmessages = new tprMsgArrayOfTrains("TPRmessages", "", nTrains);
  TPRtoRBC = new Place("TPRtoRBC", 0);
  arrivalTime = new shortArrayOfTrains("arrivalTime", "", nTrains);
  trainHeadPositions = new intArrayOfTrains("trainHeadPositions", "", nTrains);
  trainMAs = new intArrayOfTrains("trainMAs", "", nTrains);
  trainSpeeds = new shortArrayOfTrains("trainSpeeds", "", nTrains);
  trainTailPositions = new intArrayOfTrains("trainTailPositions", "", nTrains);

  // Each fleet variable takes over the first replica's variable (and value).
  for (int k = 0; k < kNumShared; k++) {
    addSharedPtr(fleetVariable(k), modelRJ__fleet__SharedNames[k]);
    fleetVariable(k)->share(trainVariable(replica(0), k));
  }
  for (int k = 0; k < kNumShared; k++)
    for (LoopCounter = 0; LoopCounter < NumChildren; LoopCounter++)
      addSharingInfo(trainVariable(replica(LoopCounter), k), fleetVariable(k), nullptr);
  Setup("train");
  // Every further replica joins the group the fleet variable keeps.
  for (int i = 1; i < NumChildren; i++)
    for (int k = 0; k < kNumShared; k++)
      trainVariable(replica(0), k)->share(trainVariable(replica(i), k));
}

modelRJ__fleet::~modelRJ__fleet() {
  if (ownsSharedVariables)
    for (int k = 0; k < kNumShared; k++) delete fleetVariable(k);
  for (int i = 0; i < NumChildren; i++) delete replica(i);
}

BaseStateVariableClass* modelRJ__fleet::trainVariable(trainSAN* train, int k) {
  BaseStateVariableClass* variables[kNumShared] = {
      train->Count,       train->MAmessages,         train->MAtoRBC,  train->TPRmessages,
      train->TPRtoRBC,    train->arrivalTime,        train->trainHeadPositions,
      train->trainMAs,    train->trainSpeeds,        train->trainTailPositions};
  return variables[k];
}

BaseStateVariableClass* modelRJ__fleet::fleetVariable(int k) const {
  BaseStateVariableClass* variables[kNumShared] = {
      Count,    MAmessages,  MAtoRBC,     TPRmessages, TPRtoRBC,
      arrivalTime, trainHeadPositions, trainMAs, trainSpeeds, trainTailPositions};
  return variables[k];
}
