#include "MovingBlock/trainSAN.h"

#include "MovingBlock/GlobalVariables.h"

namespace {
// The speed for the next period: the distance to cover at most in one
// period, capped at the maximum speed (no lower bound). The cap is applied
// before the conversion to int (which gives the same speed as capping after
// it), since a long distance over a short period exceeds the int range.
int nextSpeed(double distance) {
  const double speed = distance / positionUpdatePeriod;
  if (speed > maxTrainSpeed) return maxTrainSpeed;
  return static_cast<int>(speed);
}

double now() { return BaseModelClass::LastActionTime; }
}  // namespace

// ---- assigningID ----

trainSAN::assigningIDActivity::assigningIDActivity() {
  ActivityInitialize("assigningID", 5, Instantaneous, RaceEnabled, 5, 1, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

bool trainSAN::assigningIDActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *Start_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::assigningIDActivity::Fire() {
  *Start_Mark -= 1;
  *trainID_Mark = static_cast<short>(*Count_Mark - 1);
  *Count_Mark -= 1;
  *waitForEntering_Mark += 1;
  *TPRwaiting_Mark += 1;
  return this;
}

void trainSAN::assigningIDActivity::LinkVariables() {
  Start->linkPointer(&Start_Mark);
  waitForEntering->linkPointer(&waitForEntering_Mark);
  TPRwaiting->linkPointer(&TPRwaiting_Mark);
  trainID->linkPointer(&trainID_Mark);
  Count->linkPointer(&Count_Mark);
}

// ---- trainExits ----

trainSAN::trainExitsActivity::trainExitsActivity() {
  ActivityInitialize("trainExits", 6, Instantaneous, RaceEnabled, 2, 2, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

bool trainSAN::trainExitsActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *trainHasToExit_Mark > 0 && *trainMovement_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::trainExitsActivity::Fire() {
  *trainHasToExit_Mark -= 1;
  *trainMovement_Mark -= 1;
  return this;
}

void trainSAN::trainExitsActivity::LinkVariables() {
  trainHasToExit->linkPointer(&trainHasToExit_Mark);
  trainMovement->linkPointer(&trainMovement_Mark);
}

// ---- trainArrival ----

trainSAN::trainArrivalActivity::trainArrivalActivity() {
  ActivityInitialize("trainArrival", 0, Deterministic, RaceEnabled, 7, 1, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

double trainSAN::trainArrivalActivity::DeterministicParamValue() {
  return static_cast<double>(arrivalTime->Index(*trainID_Mark)->Mark());
}

bool trainSAN::trainArrivalActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *waitForEntering_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::trainArrivalActivity::Fire() {
  const short id = *trainID_Mark;
  *waitForEntering_Mark -= 1;
  trainHeadPositions->Index(id)->Mark() = 0;
  trainTailPositions->Index(id)->Mark() = -trainLength;
  const int speed = nextSpeed(static_cast<double>(trainMAs->Index(id)->Mark()));
  trainSpeeds->Index(id)->Mark() = static_cast<short>(speed);
  *trainMovement_Mark += 1;
  return this;
}

void trainSAN::trainArrivalActivity::LinkVariables() {
  waitForEntering->linkPointer(&waitForEntering_Mark);
  trainMovement->linkPointer(&trainMovement_Mark);
  trainID->linkPointer(&trainID_Mark);
}

// ---- updatePosition ----

trainSAN::updatePositionActivity::updatePositionActivity() {
  ActivityInitialize("updatePosition", 1, Deterministic, RaceEnabled, 7, 1, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

double trainSAN::updatePositionActivity::DeterministicParamValue() { return positionUpdatePeriod; }

bool trainSAN::updatePositionActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *trainMovement_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::updatePositionActivity::Fire() {
  const short id = *trainID_Mark;
  *trainMovement_Mark -= 1;
  int& head = trainHeadPositions->Index(id)->Mark();
  const int newHead = static_cast<int>(static_cast<double>(trainSpeeds->Index(id)->Mark()) *
                                           positionUpdatePeriod +
                                       static_cast<double>(head));
  head = newHead;
  trainTailPositions->Index(id)->Mark() = newHead - trainLength;
  if (newHead < lineLength) {
    const int speed = nextSpeed(static_cast<double>(trainMAs->Index(id)->Mark() - newHead));
    trainSpeeds->Index(id)->Mark() = static_cast<short>(speed);
  } else if (newHead + trainLength >= lineLength) {
    *trainHasToExit_Mark = 1;
  }
  *trainMovement_Mark += 1;
  return this;
}

void trainSAN::updatePositionActivity::LinkVariables() {
  trainMovement->linkPointer(&trainMovement_Mark);
  trainID->linkPointer(&trainID_Mark);
  trainHasToExit->linkPointer(&trainHasToExit_Mark);
}

// ---- TPRNetworkDelay ----

trainSAN::TPRNetworkDelayActivity_case1::TPRNetworkDelayActivity_case1() {
  ActivityInitialize("TPRNetworkDelay_case1", 2, Deterministic, RaceEnabled, 5, 1, false);
}

double trainSAN::TPRNetworkDelayActivity_case1::DeterministicParamValue() { return TPRnetDelay; }
double trainSAN::TPRNetworkDelayActivity_case1::Weight() { return 1.0 - netNotDeliveryProb; }

bool trainSAN::TPRNetworkDelayActivity_case1::Enabled() {
  previouslyEnabled = enabled;
  enabled = *sendTPR_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::TPRNetworkDelayActivity_case1::Fire() {
  const short id = *trainID_Mark;
  *sendTPR_Mark -= 1;
  tprMsg* delivered = TPRmessages->Index(id);
  delivered->timestamp->Mark() = TPRmsg->timestamp->Mark();
  delivered->position->Mark() = TPRmsg->position->Mark();
  delivered->speed->Mark() = TPRmsg->speed->Mark();
  delivered->integrityConfirmed->Mark() = TPRmsg->integrityConfirmed->Mark();
  TPRmsg->timestamp->Mark() = 0;
  AddOneToCount(TPRtoRBC_Mark, "TPRtoRBC");
  return this;
}

void trainSAN::TPRNetworkDelayActivity_case1::LinkVariables() {
  sendTPR->linkPointer(&sendTPR_Mark);
  TPRtoRBC->linkPointer(&TPRtoRBC_Mark);
  trainID->linkPointer(&trainID_Mark);
}

trainSAN::TPRNetworkDelayActivity_case2::TPRNetworkDelayActivity_case2() {
  ActivityInitialize("TPRNetworkDelay_case2", 2, Deterministic, RaceEnabled, 2, 1, false);
}

double trainSAN::TPRNetworkDelayActivity_case2::DeterministicParamValue() { return TPRnetDelay; }
double trainSAN::TPRNetworkDelayActivity_case2::Weight() { return netNotDeliveryProb; }

bool trainSAN::TPRNetworkDelayActivity_case2::Enabled() {
  previouslyEnabled = enabled;
  enabled = *sendTPR_Mark > 0;
  return enabled;
}

BaseActionClass* trainSAN::TPRNetworkDelayActivity_case2::Fire() {
  *sendTPR_Mark -= 1;
  TPRmsg->timestamp->Mark() = 0;
  return this;
}

void trainSAN::TPRNetworkDelayActivity_case2::LinkVariables() {
  sendTPR->linkPointer(&sendTPR_Mark);
}

// ---- updateTPR ----

double trainSAN::updateTPRActivityBase::DeterministicParamValue() { return TPRUpdatePeriod; }

bool trainSAN::updateTPRActivityBase::Enabled() {
  previouslyEnabled = enabled;
  enabled = *TPRwaiting_Mark > 0;
  return enabled;
}

void trainSAN::updateTPRActivityBase::takeReport(short integrityConfirmed) {
  const short id = *trainID_Mark;
  *TPRwaiting_Mark -= 1;
  TPRmsg->timestamp->Mark() = static_cast<int>(now());
  TPRmsg->position->Mark() = trainHeadPositions->Index(id)->Mark();
  TPRmsg->speed->Mark() = trainSpeeds->Index(id)->Mark();
  TPRmsg->integrityConfirmed->Mark() = integrityConfirmed;
  AddOneToCount(sendTPR_Mark, "sendTPR");
  *TPRwaiting_Mark += 1;
}

void trainSAN::updateTPRActivityBase::LinkVariables() {
  TPRwaiting->linkPointer(&TPRwaiting_Mark);
  sendTPR->linkPointer(&sendTPR_Mark);
  trainID->linkPointer(&trainID_Mark);
}

trainSAN::updateTPRActivity_case1::updateTPRActivity_case1() {
  ActivityInitialize("updateTPR_case1", 3, Deterministic, RaceEnabled, 6, 1, false);
}
double trainSAN::updateTPRActivity_case1::Weight() { return 1.0 - integrityNotConfirmedProb; }
BaseActionClass* trainSAN::updateTPRActivity_case1::Fire() {
  takeReport(1);
  return this;
}

trainSAN::updateTPRActivity_case2::updateTPRActivity_case2() {
  ActivityInitialize("updateTPR_case2", 3, Deterministic, RaceEnabled, 6, 1, false);
}
double trainSAN::updateTPRActivity_case2::Weight() { return integrityNotConfirmedProb; }
BaseActionClass* trainSAN::updateTPRActivity_case2::Fire() {
  takeReport(0);
  return this;
}

// ---- MANetworkDelay ----

double trainSAN::MANetworkDelayActivityBase::DeterministicParamValue() { return MAnetDelay; }

void trainSAN::MANetworkDelayActivityBase::findPendingTimestamp(short id) {
  cachedTimestamp = &MAmessages->Index(id)->timestamp->Mark();
  cachedId = id;
}

void trainSAN::MANetworkDelayActivityBase::LinkVariables() {
  MAtoRBC->linkPointer(&MAtoRBC_Mark);
  trainID->linkPointer(&trainID_Mark);
}

trainSAN::MANetworkDelayActivity_case1::MANetworkDelayActivity_case1() {
  ActivityInitialize("MANetworkDelay_case1", 4, Deterministic, RaceEnabled, 4, 3, false);
}
double trainSAN::MANetworkDelayActivity_case1::Weight() { return 1.0 - netNotDeliveryProb; }
BaseActionClass* trainSAN::MANetworkDelayActivity_case1::Fire() {
  const short id = *trainID_Mark;
  *MAtoRBC_Mark -= 1;
  maMsg* authority = MAmessages->Index(id);
  trainMAs->Index(id)->Mark() = authority->EoA->Mark();
  authority->timestamp->Mark() = 0;
  return this;
}

trainSAN::MANetworkDelayActivity_case2::MANetworkDelayActivity_case2() {
  ActivityInitialize("MANetworkDelay_case2", 4, Deterministic, RaceEnabled, 3, 3, false);
}
double trainSAN::MANetworkDelayActivity_case2::Weight() { return netNotDeliveryProb; }
BaseActionClass* trainSAN::MANetworkDelayActivity_case2::Fire() {
  *MAtoRBC_Mark -= 1;
  MAmessages->Index(*trainID_Mark)->timestamp->Mark() = 0;
  return this;
}

// ---- the model ----

trainSAN::trainSAN() {
  trainID = new Place("trainID", 0);
  Start = new Place("Start", 1);
  Count = new Place("Count", nTrains);
  waitForEntering = new Place("waitForEntering", 0);
  trainMovement = new Place("trainMovement", 0);
  sendTPR = new Place("sendTPR", 0);
  TPRtoRBC = new Place("TPRtoRBC", 0);
  MAtoRBC = new Place("MAtoRBC", 0);
  TPRwaiting = new Place("TPRwaiting", 0);
  trainHasToExit = new Place("trainHasToExit", 0);
  arrivalTime = new shortArrayOfTrains("arrivalTime", "", nTrains);
  trainHeadPositions = new intArrayOfTrains("trainHeadPositions", "", nTrains);
  trainTailPositions = new intArrayOfTrains("trainTailPositions", "", nTrains);
  trainSpeeds = new shortArrayOfTrains("trainSpeeds", "", nTrains);
  TPRmessages = new tprMsgArrayOfTrains("TPRmessages", "", nTrains);
  trainMAs = new intArrayOfTrains("trainMAs", "", nTrains);
  TPRmsg = new tprMsg("TPRmsg", "", "TPRmsg", tprMsg_state{0, 0, 0, 0});
  MAmessages = new maMsgOfTrains("MAmessages", "", nTrains);

  TPRNetworkDelayGroup.initialize(2, "TPRNetworkDelayGroup");
  TPRNetworkDelayGroup.appendGroup(&TPRNetworkDelay_case1);
  TPRNetworkDelayGroup.appendGroup(&TPRNetworkDelay_case2);
  updateTPRGroup.initialize(2, "updateTPRGroup");
  updateTPRGroup.appendGroup(&updateTPR_case1);
  updateTPRGroup.appendGroup(&updateTPR_case2);
  MANetworkDelayGroup.initialize(2, "MANetworkDelayGroup");
  MANetworkDelayGroup.appendGroup(&MANetworkDelay_case1);
  MANetworkDelayGroup.appendGroup(&MANetworkDelay_case2);

  BaseStateVariableClass* places[] = {
      trainID,    Start,          Count,      waitForEntering,    trainMovement,
      sendTPR,    TPRtoRBC,       MAtoRBC,    TPRwaiting,         trainHasToExit,
      arrivalTime, trainHeadPositions, trainTailPositions, trainSpeeds, TPRmessages,
      trainMAs,   TPRmsg,         MAmessages};
  Activity* activities[] = {&assigningID,           &trainExits,           &trainArrival,
                            &updatePosition,        &TPRNetworkDelay_case1, &TPRNetworkDelay_case2,
                            &updateTPR_case1,       &updateTPR_case2,      &MANetworkDelay_case1,
                            &MANetworkDelay_case2};
  BaseGroupClass* groups[] = {&trainArrival,         &updatePosition, &TPRNetworkDelayGroup,
                              &updateTPRGroup,       &MANetworkDelayGroup, &assigningID,
                              &trainExits};
  initializeSANModelNow("train", 18, places, 0, nullptr, 10, activities, 7, groups);

  assignPlacesToActivitiesInst();
  assignPlacesToActivitiesTimed();
  addArcs();
  for (Activity* activity : activities) activity->LinkVariables();
  CustomInitialization();
}

trainSAN::~trainSAN() {
  delete trainID;
  delete Start;
  delete Count;
  delete waitForEntering;
  delete trainMovement;
  delete sendTPR;
  delete TPRtoRBC;
  delete MAtoRBC;
  delete TPRwaiting;
  delete trainHasToExit;
  delete arrivalTime;
  delete trainHeadPositions;
  delete trainTailPositions;
  delete trainSpeeds;
  delete TPRmessages;
  delete trainMAs;
  delete TPRmsg;
  delete MAmessages;
}

void trainSAN::CustomInitialization() {
  for (int i = 0; i < nTrains; i++)
    arrivalTime->Index(i)->Mark() = static_cast<short>(trainScheduling * i);
  trainMAs->Index(0)->Mark() = lineLength;
  for (int i = 1; i < nTrains; i++) trainMAs->Index(i)->Mark() = 0;
}

void trainSAN::assignPlacesToActivitiesInst() {
  assigningID.Start = Start;
  assigningID.waitForEntering = waitForEntering;
  assigningID.TPRwaiting = TPRwaiting;
  assigningID.trainID = trainID;
  assigningID.Count = Count;
  trainExits.trainHasToExit = trainHasToExit;
  trainExits.trainMovement = trainMovement;
}

void trainSAN::assignPlacesToActivitiesTimed() {
  trainArrival.waitForEntering = waitForEntering;
  trainArrival.trainMovement = trainMovement;
  trainArrival.trainID = trainID;
  trainArrival.trainHeadPositions = trainHeadPositions;
  trainArrival.trainTailPositions = trainTailPositions;
  trainArrival.trainMAs = trainMAs;
  trainArrival.trainSpeeds = trainSpeeds;
  trainArrival.arrivalTime = arrivalTime;

  updatePosition.trainMovement = trainMovement;
  updatePosition.trainID = trainID;
  updatePosition.trainHasToExit = trainHasToExit;
  updatePosition.trainHeadPositions = trainHeadPositions;
  updatePosition.trainSpeeds = trainSpeeds;
  updatePosition.trainTailPositions = trainTailPositions;
  updatePosition.trainMAs = trainMAs;

  TPRNetworkDelay_case1.sendTPR = sendTPR;
  TPRNetworkDelay_case1.TPRtoRBC = TPRtoRBC;
  TPRNetworkDelay_case1.trainID = trainID;
  TPRNetworkDelay_case1.TPRmsg = TPRmsg;
  TPRNetworkDelay_case1.TPRmessages = TPRmessages;
  TPRNetworkDelay_case2.sendTPR = sendTPR;
  TPRNetworkDelay_case2.TPRmsg = TPRmsg;

  for (updateTPRActivityBase* report :
       {static_cast<updateTPRActivityBase*>(&updateTPR_case1),
        static_cast<updateTPRActivityBase*>(&updateTPR_case2)}) {
    report->TPRwaiting = TPRwaiting;
    report->sendTPR = sendTPR;
    report->TPRmsg = TPRmsg;
    report->trainID = trainID;
    report->trainHeadPositions = trainHeadPositions;
    report->trainSpeeds = trainSpeeds;
  }

  for (MANetworkDelayActivityBase* authority :
       {static_cast<MANetworkDelayActivityBase*>(&MANetworkDelay_case1),
        static_cast<MANetworkDelayActivityBase*>(&MANetworkDelay_case2)}) {
    authority->MAtoRBC = MAtoRBC;
    authority->trainID = trainID;
    authority->MAmessages = MAmessages;
  }
  MANetworkDelay_case1.trainMAs = trainMAs;
}

// Affect arcs: every variable an activity's firing reads or changes; enable
// arcs: every variable its enabling predicate reads. Both in slot order.
void trainSAN::addArcs() {
  struct Arc {
    BaseStateVariableClass* variable;
    Activity* activity;
  };
  const Arc affectArcs[] = {
      {Start, &assigningID}, {waitForEntering, &assigningID}, {TPRwaiting, &assigningID},
      {trainID, &assigningID}, {Count, &assigningID},
      {trainHasToExit, &trainExits}, {trainMovement, &trainExits},
      {waitForEntering, &trainArrival}, {trainMovement, &trainArrival}, {trainID, &trainArrival},
      {trainHeadPositions, &trainArrival}, {trainTailPositions, &trainArrival},
      {trainMAs, &trainArrival}, {trainSpeeds, &trainArrival},
      {trainMovement, &updatePosition}, {trainID, &updatePosition},
      {trainHasToExit, &updatePosition}, {trainHeadPositions, &updatePosition},
      {trainSpeeds, &updatePosition}, {trainTailPositions, &updatePosition},
      {trainMAs, &updatePosition},
      {sendTPR, &TPRNetworkDelay_case1}, {TPRtoRBC, &TPRNetworkDelay_case1},
      {trainID, &TPRNetworkDelay_case1}, {TPRmsg, &TPRNetworkDelay_case1},
      {TPRmessages, &TPRNetworkDelay_case1},
      {sendTPR, &TPRNetworkDelay_case2}, {TPRmsg, &TPRNetworkDelay_case2},
      {TPRwaiting, &updateTPR_case1}, {sendTPR, &updateTPR_case1}, {TPRmsg, &updateTPR_case1},
      {trainID, &updateTPR_case1}, {trainHeadPositions, &updateTPR_case1},
      {trainSpeeds, &updateTPR_case1},
      {TPRwaiting, &updateTPR_case2}, {sendTPR, &updateTPR_case2}, {TPRmsg, &updateTPR_case2},
      {trainID, &updateTPR_case2}, {trainHeadPositions, &updateTPR_case2},
      {trainSpeeds, &updateTPR_case2},
      {MAtoRBC, &MANetworkDelay_case1}, {trainID, &MANetworkDelay_case1},
      {MAmessages, &MANetworkDelay_case1}, {trainMAs, &MANetworkDelay_case1},
      {MAtoRBC, &MANetworkDelay_case2}, {trainID, &MANetworkDelay_case2},
      {MAmessages, &MANetworkDelay_case2}};
  const Arc enableArcs[] = {
      {Start, &assigningID},
      {trainHasToExit, &trainExits}, {trainMovement, &trainExits},
      {waitForEntering, &trainArrival},
      {trainMovement, &updatePosition},
      {sendTPR, &TPRNetworkDelay_case1},
      {sendTPR, &TPRNetworkDelay_case2},
      {TPRwaiting, &updateTPR_case1},
      {TPRwaiting, &updateTPR_case2},
      {MAtoRBC, &MANetworkDelay_case1}, {trainID, &MANetworkDelay_case1},
      {MAmessages, &MANetworkDelay_case1},
      {MAtoRBC, &MANetworkDelay_case2}, {trainID, &MANetworkDelay_case2},
      {MAmessages, &MANetworkDelay_case2}};
  for (const Arc& arc : affectArcs) AddAffectArc(arc.variable, arc.activity);
  for (const Arc& arc : enableArcs) AddEnableArc(arc.variable, arc.activity);
}
