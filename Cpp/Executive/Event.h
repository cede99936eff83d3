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

  double FiringTime = -1.0;           // absolute simulation time of the firing
  double SchedulingTime = 0.0;        // when the event was made; diagnostics only
  BaseActionClass* Action = nullptr;  // not owned

 private:
  // The event list's bookkeeping of a scheduled event, set when it takes
  // the event into its pool (see EventList).
  friend class EventList;
  // The action's Rank(), asked at most once while the event is scheduled
  // (filled on first need; a scheduled action's rank does not change
  // before it fires).
  int cachedRank_ = 0;
  bool rankKnown_ = false;
  // The action declared its Weight() to be always exactly 1.0.
  bool unitWeight_ = false;
  // The action's scheduling record, told where the event sits in the heap.
  SchedulingRecord* record_ = nullptr;
};

#endif
