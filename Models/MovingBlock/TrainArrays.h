#ifndef MOVINGBLOCK_TRAIN_ARRAYS_H
#define MOVINGBLOCK_TRAIN_ARRAYS_H

#include "BaseClasses/state/ArrayStateVariable.h"
#include "BaseClasses/state/ExtendedPlace.h"
#include "MovingBlock/MessageRecords.h"

// Per-train arrays: one element per train, indexed by train number. Element
// i is named "i" and carries the array's name as prefix; every element
// starts at 0 (records: every field 0).

class intArrayOfTrains : public ArrayStateVariable<ExtendedPlace<int> > {
 public:
  intArrayOfTrains(const char* name, const char* prefix, int numTrains);
  ~intArrayOfTrains() override;
};

class shortArrayOfTrains : public ArrayStateVariable<ExtendedPlace<short> > {
 public:
  shortArrayOfTrains(const char* name, const char* prefix, int numTrains);
  ~shortArrayOfTrains() override;
};

class tprMsgArrayOfTrains : public ArrayStateVariable<tprMsg> {
 public:
  tprMsgArrayOfTrains(const char* name, const char* prefix, int numTrains);
  ~tprMsgArrayOfTrains() override;
};

class maMsgOfTrains : public ArrayStateVariable<maMsg> {
 public:
  maMsgOfTrains(const char* name, const char* prefix, int numTrains);
  ~maMsgOfTrains() override;
};

#endif
