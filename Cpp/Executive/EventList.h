#ifndef CORVAX_EVENT_LIST_H
#define CORVAX_EVENT_LIST_H

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "Executive/Event.h"

struct SchedulingRecord;

// The pending firings: a binary min-heap of events ordered by firing time,
// then by the action's Rank() (higher first); among events tied on both the
// next one is chosen at random by the actions' weights. Every scheduled
// action's SchedulingRecord holds the address of the heap cell of its event,
// so that removal and re-keying are logarithmic. All events come from a
// fixed pool made at construction: nothing is allocated afterwards.
class EventList {
 public:
  explicit EventList(int capacity);
  EventList(const EventList&) = delete;
  EventList& operator=(const EventList&) = delete;
  ~EventList();

  // Copies *event (which stays the caller's) into a pooled event and
  // schedules it; returns its heap index. The action must have a record and
  // no event yet, and the list must not be full.
  int Insert(const Event* event);
  // Removes the event held in the given heap cell.
  void Remove(Event** slot);
  // Removes the event of the action owning this record.
  void Remove(SchedulingRecord* record);
  // Restores the order after the firing time of the event in slot changed.
  void ModifyKey(Event** slot);
  // The cell of the event to fire next, or null when the list is empty.
  // Draws one uniform number when several events tie in time and rank.
  Event** Earliest();
  // Returns every event to the pool and marks its action as unscheduled.
  void ClearEventList();
  void PrintList(std::ostream& stream) const;

  int BubbleUp(int i);
  void BubbleDown(int i);
  // Collects i and every descendant reachable through children that tie
  // (same time, same rank) with their parent, in pre-order.
  void FindEquals(int i);

  int Count() const { return count; }
  int Capacity() const { return capacity; }
  Event* At(int i) const { return heap[i]; }
  int IndexOf(Event** slot) const;

 private:
  // The fixed pool of unscheduled events: taken at the front, returned at
  // the back, in a ring of `capacity` cells.
  Event* TakeFromPool();
  void ReturnToPool(Event* event);

  // Stores event in cell i, tells its record and, while the ties of the
  // root are remembered, sets the cell's bit to whether it is one of them.
  void Place(int i, Event* event);
  bool Ties(Event* a, Event* b) const;

  // The events tied with the root, in the order of FindEquals(0). While
  // the root keeps the key it had at the last collection, the tied cells
  // are read from the bit set kept up to date by every placement; otherwise
  // they are collected afresh.
  void CollectTies();
  // The tied event to fire, by the actions' weights: the first in the order
  // of the ties whose running sum of weights exceeds a uniform number times
  // the total. With only unit weights the sums are known without asking.
  bool AllTiesUnitWeight() const;
  int ChooseAmongUnitWeights();
  int ChooseByWeights();
  // Draws the position of the chosen one among `tied` events of weight one.
  static int DrawUnitWeightTie(int tied);
  // With only events of weight one in the list and the root's ties in the
  // bit set, their number and the chosen one come from the bits directly.
  Event** ChooseFromTieBits();
  bool RootKeyRemembered() const;
  void SetTieBit(int i, bool tied);
  void ForgetTies();

  std::unique_ptr<Event[]> events;  // the pooled events themselves
  std::unique_ptr<Event*[]> pool;
  int poolFront = 0;
  int poolCount = 0;

  int capacity;
  std::unique_ptr<Event*[]> heap;  // cells at or beyond count are null
  int count = 0;
  std::unique_ptr<int[]> ties;
  int tieCount = 0;
  std::unique_ptr<double[]> tieWeights;  // Weight() of each tied event, asked once
  std::unique_ptr<int[]> tieStack;       // scratch of FindEquals
  // Cells in pre-order of the full tree: position of each cell and back.
  std::unique_ptr<int[]> preorderPosition;
  std::unique_ptr<int[]> cellAtPosition;
  // By pre-order position: the cells holding an event of the remembered
  // key (tieTime, tieRank), when tieKeyKnown.
  int tieWords;
  std::unique_ptr<uint64_t[]> tieBits;
  int tiedCells = 0;  // bits set in tieBits
  bool tieKeyKnown = false;
  int eventsNotOfUnitWeight = 0;  // scheduled events whose weight must be asked
  double tieTime = 0.0;
  int tieRank = 0;
};

#endif
