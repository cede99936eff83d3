#ifndef CORVAX_EVENT_H
#define CORVAX_EVENT_H

class BaseActionClass;
struct SchedulingRecord;

// One pending firing: the action and the absolute time at which it fires.
// A plain record; the event list copies events into its own pool.
class Event {
 public:
  Event() = default;
  Event(double firingTime, double schedulingTime, BaseActionClass* action)
      : FiringTime(firingTime), SchedulingTime(schedulingTime), Action(action) {}

  double FiringTime = -1.0;         // absolute simulation time of the firing
  double SchedulingTime = 0.0;      // when the event was made; diagnostics only
  BaseActionClass* Action = nullptr;  // not owned

  // The action's Rank(), asked at most once while the event is scheduled
  // (the event list fills it on first need; a scheduled action's rank does
  // not change before it fires).
  int CachedRank = 0;
  bool RankKnown = false;
  // The action's Weight() is always exactly 1.0 (copied from the action).
  bool UnitWeight = false;
  // The action's scheduling record, told where the event sits in the heap.
  SchedulingRecord* Record = nullptr;
};

#endif
