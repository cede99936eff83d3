#ifndef CORVAX_SCHEDULING_RECORD_H
#define CORVAX_SCHEDULING_RECORD_H

#include <list>

class BaseActionClass;
class Event;

// The executive's bookkeeping for one schedulable action (one per group):
// where its pending event sits in the event heap and whether, and where, it
// is in the reactivation list.
struct SchedulingRecord {
  Event** heapSlot = nullptr;
  bool notInReactivationList = true;
  std::list<BaseActionClass*>::iterator reactivationPosition{};
};

#endif
