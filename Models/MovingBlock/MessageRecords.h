#ifndef MOVINGBLOCK_MESSAGE_RECORDS_H
#define MOVINGBLOCK_MESSAGE_RECORDS_H

#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/StructStateVariable.h"

// Plain values of a train position report.
struct tprMsg_state {
  int timestamp;
  int position;
  short speed;
  short integrityConfirmed;
};

// Plain values of a movement authority.
struct maMsg_state {
  int timestamp;
  int EoA;
};

// A train position report: integral time it was taken (0: none held), head
// position, speed, and 1 when the train confirms it is complete.
class tprMsg : public StructStateVariable<tprMsg_state> {
 public:
  tprMsg(const char* name, const char* prefix);
  tprMsg(const char* name, const char* prefix, tprMsg_state initial);
  // With an explicit prefix for the fields (a standalone record whose fields
  // carry the record's name as prefix).
  tprMsg(const char* name, const char* prefix, const char* fieldPrefix, tprMsg_state initial);
  ~tprMsg() override;

  ExtendedPlace<int>* timestamp;
  ExtendedPlace<int>* position;
  ExtendedPlace<short>* speed;
  ExtendedPlace<short>* integrityConfirmed;
};

// A movement authority: integral time it was sent (0: none pending) and the
// end of authority, the position up to which the train may advance.
class maMsg : public StructStateVariable<maMsg_state> {
 public:
  maMsg(const char* name, const char* prefix);
  maMsg(const char* name, const char* prefix, maMsg_state initial);
  ~maMsg() override;

  ExtendedPlace<int>* timestamp;
  ExtendedPlace<int>* EoA;
};

#endif
