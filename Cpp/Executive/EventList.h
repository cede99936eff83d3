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
//
// Earliest() runs at every firing step, and models with periodic activities
// of equal periods put many events at one time, so the list keeps caches
// that spare it repeated questions to the actions. Each choice they make is
// the one the plain rule makes (collect the root's ties in pre-order, ask
// every tied action's Weight(), take the first running sum above one
// uniform draw times the total), with the same single draw:
// - Rank cache (per event): an action's Rank() is asked once per
//   scheduling, when a comparison first needs it, since ranks matter only
//   between equal times. Reason: Rank() is a virtual call that a group
//   answers by consulting its members. Cost: an int and a flag per event.
// - Unit weights (per event, copied from the action at Insert, with a count
//   of scheduled events lacking one): actions that declare Weight() to be
//   always 1.0 are not asked, and their running sums are the integers
//   1, 2, ..., n, so the draw picks position floor(u * n) directly.
//   Reason: one virtual Weight() per tied event per firing. Cost: a flag
//   per event and a counter kept by Insert, Remove and ClearEventList.
// - Remembered ties in a pre-order bit set: the cells of the full tree are
//   numbered once in pre-order (preorderPosition, cellAtPosition), and while
//   the root's key (time, rank) stays the one last collected, every
//   placement sets or clears its cell's bit according to whether the event
//   there has that key. The set bits, read in position order, are the ties
//   in the order FindEquals would collect them. Reason: collecting the
//   ties walks the tied part of the heap at every firing of a burst. Cost:
//   two int arrays of the capacity and one bit per cell, one bit update per
//   placement while a key is remembered (which may ask the rank of an event
//   placed at the remembered time), and a scan of capacity / 64 words per
//   choice.
// - The action's HasEvent() flag: set by Insert, cleared by Remove and
//   ClearEventList, a copy of whether its record holds a heap slot. Reason:
//   the walks after each firing skip unscheduled groups without loading
//   their records. Cost: one byte written per insertion and removal.
// The tie choice thus takes one of three paths, cheapest first:
// ChooseFromTieBits (only unit weights scheduled and the root's key
// remembered: count and pick straight from the bits), ChooseAmongUnitWeights
// (ties collected, all of unit weight: no Weight() asked) and ChooseByWeights
// (the plain rule). A root without ties returns at once and draws nothing.
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

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  Event* At(int i) const { return heap_[i]; }
  int IndexOf(Event** slot) const;

 private:
  static int RankOf(Event* event);
  static bool Before(Event* a, Event* b);

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

  std::unique_ptr<Event[]> events_;  // the pooled events themselves
  std::unique_ptr<Event*[]> pool_;
  int poolFront_ = 0;
  int poolCount_ = 0;

  int capacity_;
  std::unique_ptr<Event*[]> heap_;  // cells at or beyond count are null
  int count_ = 0;
  std::unique_ptr<int[]> ties_;
  int tieCount_ = 0;
  std::unique_ptr<double[]> tieWeights_;  // Weight() of each tied event, asked once
  std::unique_ptr<int[]> tieStack_;       // scratch of FindEquals
  // Cells in pre-order of the full tree: position of each cell and back.
  std::unique_ptr<int[]> preorderPosition_;
  std::unique_ptr<int[]> cellAtPosition_;
  // By pre-order position: the cells holding an event of the remembered
  // key (tieTime, tieRank), when tieKeyKnown.
  int tieWords_;
  std::unique_ptr<uint64_t[]> tieBits_;
  int tiedCells_ = 0;  // bits set in tieBits
  bool tieKeyKnown_ = false;
  int eventsNotOfUnitWeight_ = 0;  // scheduled events whose weight must be asked
  double tieTime_ = 0.0;
  int tieRank_ = 0;
};

#endif
