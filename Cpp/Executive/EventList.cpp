// The event list: an indexed binary heap of pooled events.
#include "Executive/EventList.h"

#include <bit>
#include <cassert>
#include <cstdint>
#include <ostream>

#include "BaseClasses/BaseActionClass.h"
#include "Executive/SchedulingRecord.h"
#include "Random/Distributions.h"

// The rank of the event's action, asked of the action once per scheduling.
// Ranks are asked only for equal times: when the event meets another of its
// time in a comparison, or when it is placed with the time of the remembered
// ties (a group's first Rank() may make its selection, so it must come no
// earlier than the list operation that needs it).
inline int EventList::RankOf(Event* event) {
  if (!event->rankKnown_) {
    event->cachedRank_ = event->Action->Rank();
    event->rankKnown_ = true;
  }
  return event->cachedRank_;
}

// a fires before b: earlier, or at the same time with a higher rank.
inline bool EventList::Before(Event* a, Event* b) {
  if (a->FiringTime != b->FiringTime) return a->FiringTime < b->FiringTime;
  return RankOf(a) > RankOf(b);
}

EventList::EventList(int capacity)
    : events(new Event[capacity > 0 ? capacity : 0]),
      pool(new Event*[capacity > 0 ? capacity : 0]()),
      capacity(capacity > 0 ? capacity : 0),
      heap(new Event*[this->capacity]()),
      ties(new int[this->capacity]()),
      tieWeights(new double[this->capacity]()),
      tieStack(new int[this->capacity + 1]()),
      preorderPosition(new int[this->capacity]()),
      cellAtPosition(new int[this->capacity]()),
      tieWords((this->capacity + 63) / 64),
      tieBits(new uint64_t[tieWords > 0 ? tieWords : 1]()) {
  for (int i = 0; i < this->capacity; i++) ReturnToPool(&events[i]);
  // Pre-order numbering of the cells of the full tree.
  int* stack = tieStack.get();
  int depth = 0, position = 0;
  if (this->capacity > 0) stack[depth++] = 0;
  while (depth > 0) {
    const int cell = stack[--depth];
    preorderPosition[cell] = position;
    cellAtPosition[position++] = cell;
    const int left = 2 * cell + 1, right = left + 1;
    if (right < this->capacity) stack[depth++] = right;
    if (left < this->capacity) stack[depth++] = left;
  }
}

EventList::~EventList() { ClearEventList(); }

Event* EventList::TakeFromPool() {
  assert(poolCount > 0);
  Event* event = pool[poolFront];
  pool[poolFront] = nullptr;
  if (++poolFront == capacity) poolFront = 0;
  poolCount--;
  return event;
}

void EventList::ReturnToPool(Event* event) {
  assert(poolCount < capacity);
  int back = poolFront + poolCount;
  if (back >= capacity) back -= capacity;
  pool[back] = event;
  poolCount++;
}

inline void EventList::SetTieBit(int i, bool tied) {
  const int position = preorderPosition[i];
  const uint64_t bit = uint64_t{1} << (position & 63);
  uint64_t& word = tieBits[position >> 6];
  tiedCells += static_cast<int>(tied) - static_cast<int>((word & bit) != 0);
  word = tied ? (word | bit) : (word & ~bit);
}

inline void EventList::Place(int i, Event* event) {
  heap[i] = event;
  event->record_->heapSlot = &heap[i];
  if (tieKeyKnown) SetTieBit(i, event->FiringTime == tieTime && RankOf(event) == tieRank);
}

void EventList::ForgetTies() {
  tieKeyKnown = false;
  for (int w = 0; w < tieWords; w++) tieBits[w] = 0;
  tiedCells = 0;
}

int EventList::IndexOf(Event** slot) const {
  assert(slot >= &heap[0] && slot < &heap[0] + count);
  return static_cast<int>(slot - &heap[0]);
}

int EventList::Insert(const Event* event) {
  assert(event && event->Action && event->Action->Record);
  assert(event->Action->Record->heapSlot == nullptr);  // one event per action
  assert(count < capacity);
  Event* pooled = TakeFromPool();
  *pooled = *event;
  pooled->rankKnown_ = false;
  pooled->unitWeight_ = event->Action->unitWeight_;
  if (!pooled->unitWeight_) eventsNotOfUnitWeight++;
  pooled->record_ = event->Action->Record;
  event->Action->hasEvent_ = true;
  Place(count, pooled);
  count++;
  return BubbleUp(count - 1);
}

void EventList::Remove(Event** slot) {
  int i = IndexOf(slot);
  Event* removed = heap[i];
  ReturnToPool(removed);
  removed->Action->Record->heapSlot = nullptr;
  removed->Action->hasEvent_ = false;
  if (!removed->unitWeight_) eventsNotOfUnitWeight--;
  count--;
  if (tieKeyKnown) SetTieBit(count, false);
  if (i == count) {
    heap[i] = nullptr;
    return;
  }
  Place(i, heap[count]);
  heap[count] = nullptr;
  if (BubbleUp(i) == i) BubbleDown(i);
}

void EventList::Remove(SchedulingRecord* record) {
  assert(record && record->heapSlot);
  Remove(record->heapSlot);
}

void EventList::ModifyKey(Event** slot) {
  int i = IndexOf(slot);
  Place(i, heap[i]);  // its time was changed in place: its bit too
  if (BubbleUp(i) == i) BubbleDown(i);
}

// Both sifts compare and move as a chain of swaps would, but hold the
// moving event aside and place it once, at its final cell.
int EventList::BubbleUp(int i) {
  Event* moving = heap[i];
  const int start = i;
  while (i > 0) {
    const int parent = (i - 1) / 2;
    if (!Before(moving, heap[parent])) break;
    Place(i, heap[parent]);
    i = parent;
  }
  if (i != start) Place(i, moving);
  return i;
}

void EventList::BubbleDown(int i) {
  Event* moving = heap[i];
  const int start = i;
  while (2 * i + 1 < count) {
    int child = 2 * i + 1;
    if (child + 1 < count && Before(heap[child + 1], heap[child])) child++;
    if (!Before(heap[child], moving)) break;
    Place(i, heap[child]);
    i = child;
  }
  if (i != start) Place(i, moving);
}

bool EventList::Ties(Event* a, Event* b) const {
  return a->FiringTime == b->FiringTime && RankOf(a) == RankOf(b);
}

void EventList::FindEquals(int i) {
  // Pre-order over the children that tie with their parent, without
  // recursion: the right child waits on the stack while the left subtree is
  // collected.
  int* stack = tieStack.get();
  int depth = 0;
  stack[depth++] = i;
  while (depth > 0) {
    const int node = stack[--depth];
    ties[tieCount++] = node;
    const int left = 2 * node + 1, right = left + 1;
    if (right < count && Ties(heap[right], heap[node])) stack[depth++] = right;
    if (left < count && Ties(heap[left], heap[node])) stack[depth++] = left;
  }
}

bool EventList::RootKeyRemembered() const {
  const Event* root = heap[0];
  return tieKeyKnown && root->FiringTime == tieTime && root->rankKnown_ && root->cachedRank_ == tieRank;
}

void EventList::CollectTies() {
  Event* root = heap[0];
  if (RootKeyRemembered()) {
    // The cells tied with the root are those of its key (the heap order
    // admits no other), and their bits, by pre-order position, are current.
    int found = 0;
    for (int w = 0; w < tieWords; w++)
      for (uint64_t bits = tieBits[w]; bits != 0; bits &= bits - 1)
        ties[found++] = cellAtPosition[w * 64 + std::countr_zero(bits)];
    tieCount = found;
    return;
  }
  ForgetTies();
  FindEquals(0);
  // Remember the root's key once its rank is known (it is when anything tied
  // with it); from now on every placement keeps the bits of its cell.
  if (!root->rankKnown_) return;
  tieKeyKnown = true;
  tieTime = root->FiringTime;
  tieRank = root->cachedRank_;
  for (int k = 0; k < tieCount; k++) SetTieBit(ties[k], true);
}

Event** EventList::Earliest() {
  if (count == 0) return nullptr;
  if (eventsNotOfUnitWeight == 0 && RootKeyRemembered()) return ChooseFromTieBits();
  tieCount = 0;
  CollectTies();
  if (tieCount == 1) {
    tieCount = 0;
    return &heap[0];
  }
  int chosen = AllTiesUnitWeight() ? ChooseAmongUnitWeights() : ChooseByWeights();
  tieCount = 0;
  return &heap[chosen];
}

bool EventList::AllTiesUnitWeight() const {
  for (int k = 0; k < tieCount; k++)
    if (!heap[ties[k]]->unitWeight_) return false;
  return true;
}

int EventList::DrawUnitWeightTie(int tied) {
  // The weights are all 1.0, so their running sums are the exact integers
  // 1, 2, ..., tied: the first running sum above the threshold is the one
  // at floor(threshold), as the general rule would find.
  const double threshold = TheDistribution->getGenerator()->rnd() * static_cast<double>(tied);
  const int k = static_cast<int>(threshold);
  return k < tied ? k : tied - 1;  // no sum above it: the last tied event
}

int EventList::ChooseAmongUnitWeights() { return ties[DrawUnitWeightTie(tieCount)]; }

Event** EventList::ChooseFromTieBits() {
  if (tiedCells == 1) return &heap[0];
  // The k-th tied cell in pre-order: the k-th set bit.
  int k = DrawUnitWeightTie(tiedCells);
  for (int w = 0; w < tieWords; w++)
    for (uint64_t bits = tieBits[w]; bits != 0; bits &= bits - 1)
      if (k-- == 0) return &heap[cellAtPosition[w * 64 + std::countr_zero(bits)]];
  assert(false && "tiedCells counts the set tie bits");
  return &heap[0];
}

int EventList::ChooseByWeights() {
  double total = 0.0;
  for (int k = 0; k < tieCount; k++) {
    tieWeights[k] = heap[ties[k]]->Action->Weight();
    total += tieWeights[k];
  }
  double threshold = TheDistribution->getGenerator()->rnd() * total;
  // When the weights sum to 0, or rounding leaves no running sum above the
  // threshold, the last tied event is taken.
  int chosen = ties[tieCount - 1];
  double running = 0.0;
  for (int k = 0; k < tieCount; k++) {
    running += tieWeights[k];
    if (running > threshold) {
      chosen = ties[k];
      break;
    }
  }
  return chosen;
}

void EventList::ClearEventList() {
  for (int i = 0; i < count; i++) {
    SchedulingRecord* record = heap[i]->Action->Record;
    record->heapSlot = nullptr;
    heap[i]->Action->hasEvent_ = false;
    record->notInReactivationList = true;
    ReturnToPool(heap[i]);
    heap[i] = nullptr;
  }
  count = 0;
  eventsNotOfUnitWeight = 0;
  ForgetTies();
}

void EventList::PrintList(std::ostream& stream) const {
  stream << "------------------Event List-----------------\n";
  for (int i = 0; i < count; i++)
    stream << "(" << heap[i]->Action->getName() << ") " << heap[i]->SchedulingTime << " --> "
           << heap[i]->FiringTime << "\n";
  stream << "---------------------------------------------\n\n";
}
