#ifndef MOVINGBLOCK_MODEL_RJ_H
#define MOVINGBLOCK_MODEL_RJ_H

#include "Composer/Join.h"
#include "MovingBlock/modelRJ__fleet.h"
#include "MovingBlock/tracksideSAN.h"

// Names the fleet and the trackside share, in declaration order.
extern const char* modelRJ__SharedNames[4];

// The composed model "join": the fleet joined with the trackside controller,
// which share the report and authority arrays and their two counters.
class modelRJ : public Join {
 public:
  modelRJ();
  ~modelRJ() override;

  modelRJ__fleet* fleet;
  tracksideSAN* trackside;

  maMsgOfTrains* MAmessages = nullptr;
  Place* MAtoRBC = nullptr;
  tprMsgArrayOfTrains* TPRmessages = nullptr;
  Place* TPRtoRBC = nullptr;

 private:
  bool ownsSharedVariables = false;
};

#endif
