#include "MovingBlock/modelRJ.h"

#include "MovingBlock/GlobalVariables.h"

const char* modelRJ__SharedNames[4] = {"MAmessages", "MAtoRBC", "TPRmessages", "TPRtoRBC"};

modelRJ::modelRJ() : Join("join", 2, 4, modelRJ__SharedNames) {
  fleet = new modelRJ__fleet();
  fleet->DefineName("fleet");
  setChild(0, fleet);
  trackside = new tracksideSAN();
  trackside->DefineName("trackside");
  setChild(1, trackside);
  SetupActions();

  if (!AllChildrenEmpty()) {
    ownsSharedVariables = true;
    MAmessages = new maMsgOfTrains("MAmessages", "", nTrains);
    MAtoRBC = new Place("MAtoRBC", 0);
    TPRmessages = new tprMsgArrayOfTrains("TPRmessages", "", nTrains);
    TPRtoRBC = new Place("TPRtoRBC", 0);

    struct SharedName {
      BaseStateVariableClass* join;
      BaseStateVariableClass* fleet;
      BaseStateVariableClass* trackside;
    };
    const SharedName shared[] = {
        {MAmessages, fleet->MAmessages, trackside->MAmessages},
        {MAtoRBC, fleet->MAtoRBC, trackside->MAtoRBC},
        {TPRmessages, fleet->TPRmessages, trackside->TPRmessages},
        {TPRtoRBC, fleet->TPRtoRBC, trackside->TPRtoRBC}};
    for (int k = 0; k < 4; k++) {
      addSharedPtr(shared[k].join, modelRJ__SharedNames[k]);
      if (fleet->getNumStateVariables() > 0) {
        shared[k].join->share(shared[k].fleet);
        addSharingInfo(shared[k].fleet, shared[k].join, fleet);
      }
      if (trackside->getNumStateVariables() > 0) {
        shared[k].join->share(shared[k].trackside);
        addSharingInfo(shared[k].trackside, shared[k].join, trackside);
      }
    }
  }
  Setup();
}

modelRJ::~modelRJ() {
  if (ownsSharedVariables) {
    delete MAmessages;
    delete MAtoRBC;
    delete TPRmessages;
    delete TPRtoRBC;
  }
  delete fleet;
  delete trackside;
}
