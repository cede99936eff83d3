#include "MovingBlock/tracksideSAN.h"

#include "MovingBlock/GlobalVariables.h"

// ---- RBCprocessing ----

tracksideSAN::RBCprocessingActivity::RBCprocessingActivity() {
  ActivityInitialize("RBCprocessing", 0, Deterministic, RaceEnabled, 7, 1, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

double tracksideSAN::RBCprocessingActivity::DeterministicParamValue() { return RBCprocessingTime; }

bool tracksideSAN::RBCprocessingActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *msgIn_Mark > 0;
  return enabled;
}

// The report with the smallest positive timestamp, the lowest train number
// among equal ones; an empty first entry is replaced by the next one
// whatever it holds, so with no positive timestamp the last train is chosen.
int tracksideSAN::RBCprocessingActivity::oldestReport() {
  if (nTrains < 2) return 0;
  if (reportTimestamps.size() != static_cast<size_t>(nTrains)) findReportTimestamps();
  int* const* timestamps = reportTimestamps.data();
  int chosen = 0;
  int best = *timestamps[0];
  for (int i = 1; i < nTrains; i++) {
    const int timestamp = *timestamps[i];
    if (best == 0 || (timestamp >= 1 && timestamp < best)) {
      chosen = i;
      best = timestamp;
    }
  }
  return chosen;
}

void tracksideSAN::RBCprocessingActivity::findReportTimestamps() {
  reportTimestamps.clear();
  for (int i = 0; i < nTrains; i++)
    reportTimestamps.push_back(&TPRmessages->Index(i)->timestamp->Mark());
}

BaseActionClass* tracksideSAN::RBCprocessingActivity::Fire() {
  *msgIn_Mark -= 1;
  const int s = oldestReport();
  tprMsg* report = TPRmessages->Index(s);
  const int position = report->position->Mark();
  const short integrity = report->integrityConfirmed->Mark();
  report->timestamp->Mark() = 0;
  if (integrity == 1) {
    trackStatusAreasTails->Index(s)->Mark() = position + trainLength;
    if (s < nTrains - 1) {
      // The follower may advance to the reported head plus margin and length.
      int& followerArea = trackStatusAreasHeads->Index(s + 1)->Mark();
      followerArea = position + safetyMargin + trainLength;
      if (followerArea > lineLength) followerArea = lineLength;
    }
  }
  maMsg* answer = MAmessages->Index(s);
  answer->timestamp->Mark() = static_cast<int>(BaseModelClass::LastActionTime);
  answer->EoA->Mark() = trackStatusAreasHeads->Index(s)->Mark();
  AddOneToCount(MAtoRBC_Mark, "MAtoRBC");
  *idle_Mark += 1;
  return this;
}

void tracksideSAN::RBCprocessingActivity::LinkVariables() {
  msgIn->linkPointer(&msgIn_Mark);
  MAtoRBC->linkPointer(&MAtoRBC_Mark);
  idle->linkPointer(&idle_Mark);
}

// ---- evaluateOlderTPR ----

tracksideSAN::evaluateOlderTPRActivity::evaluateOlderTPRActivity() {
  ActivityInitialize("evaluateOlderTPR", 1, Instantaneous, RaceEnabled, 3, 2, false);
  DeclareUnitWeight();  // one case, of weight 1.0
}

bool tracksideSAN::evaluateOlderTPRActivity::Enabled() {
  previouslyEnabled = enabled;
  enabled = *TPRtoRBC_Mark > 0 && *idle_Mark > 0;
  return enabled;
}

BaseActionClass* tracksideSAN::evaluateOlderTPRActivity::Fire() {
  *TPRtoRBC_Mark -= 1;
  *idle_Mark -= 1;
  *msgIn_Mark += 1;
  return this;
}

void tracksideSAN::evaluateOlderTPRActivity::LinkVariables() {
  TPRtoRBC->linkPointer(&TPRtoRBC_Mark);
  idle->linkPointer(&idle_Mark);
  msgIn->linkPointer(&msgIn_Mark);
}

// ---- the model ----

tracksideSAN::tracksideSAN() {
  TPRtoRBC = new Place("TPRtoRBC", 0);
  MAtoRBC = new Place("MAtoRBC", 0);
  idle = new Place("idle", 1);
  msgIn = new Place("msgIn", 0);
  TPRmessages = new tprMsgArrayOfTrains("TPRmessages", "", nTrains);
  trackStatusAreasHeads = new intArrayOfTrains("trackStatusAreasHeads", "", nTrains);
  trackStatusAreasTails = new intArrayOfTrains("trackStatusAreasTails", "", nTrains);
  MAmessages = new maMsgOfTrains("MAmessages", "", nTrains);

  BaseStateVariableClass* places[] = {TPRtoRBC,    MAtoRBC,
                                      idle,        msgIn,
                                      TPRmessages, trackStatusAreasHeads,
                                      trackStatusAreasTails, MAmessages};
  Activity* activities[] = {&RBCprocessing, &evaluateOlderTPR};
  BaseGroupClass* groups[] = {&RBCprocessing, &evaluateOlderTPR};
  initializeSANModelNow("trackside", 8, places, 0, nullptr, 2, activities, 2, groups);

  assignPlacesToActivitiesInst();
  assignPlacesToActivitiesTimed();
  addArcs();
  for (Activity* activity : activities) activity->LinkVariables();
  CustomInitialization();
}

tracksideSAN::~tracksideSAN() {
  delete TPRtoRBC;
  delete MAtoRBC;
  delete idle;
  delete msgIn;
  delete TPRmessages;
  delete trackStatusAreasHeads;
  delete trackStatusAreasTails;
  delete MAmessages;
}

void tracksideSAN::CustomInitialization() {
  trackStatusAreasHeads->Index(0)->Mark() = lineLength;
  for (int i = 1; i < nTrains; i++) trackStatusAreasHeads->Index(i)->Mark() = 0;
}

void tracksideSAN::assignPlacesToActivitiesInst() {
  evaluateOlderTPR.TPRtoRBC = TPRtoRBC;
  evaluateOlderTPR.idle = idle;
  evaluateOlderTPR.msgIn = msgIn;
}

void tracksideSAN::assignPlacesToActivitiesTimed() {
  RBCprocessing.msgIn = msgIn;
  RBCprocessing.MAtoRBC = MAtoRBC;
  RBCprocessing.idle = idle;
  RBCprocessing.TPRmessages = TPRmessages;
  RBCprocessing.trackStatusAreasTails = trackStatusAreasTails;
  RBCprocessing.trackStatusAreasHeads = trackStatusAreasHeads;
  RBCprocessing.MAmessages = MAmessages;
}

void tracksideSAN::addArcs() {
  AddAffectArc(TPRtoRBC, &evaluateOlderTPR);
  AddAffectArc(idle, &evaluateOlderTPR);
  AddAffectArc(msgIn, &evaluateOlderTPR);
  AddAffectArc(msgIn, &RBCprocessing);
  AddAffectArc(MAtoRBC, &RBCprocessing);
  AddAffectArc(idle, &RBCprocessing);
  AddAffectArc(TPRmessages, &RBCprocessing);
  AddAffectArc(trackStatusAreasTails, &RBCprocessing);
  AddAffectArc(trackStatusAreasHeads, &RBCprocessing);
  AddAffectArc(MAmessages, &RBCprocessing);
  AddEnableArc(TPRtoRBC, &evaluateOlderTPR);
  AddEnableArc(idle, &evaluateOlderTPR);
  AddEnableArc(msgIn, &RBCprocessing);
}
