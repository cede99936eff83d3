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
    : events_(new Event[capacity > 0 ? capacity : 0]),
      pool_(new Event*[capacity > 0 ? capacity : 0]()),
      capacity_(capacity > 0 ? capacity : 0),
      heap_(new Event*[capacity_]()),
      ties_(new int[capacity_]()),
      tieWeights_(new double[capacity_]()),
      tieStack_(new int[capacity_ + 1]()),
      preorderPosition_(new int[capacity_]()),
      cellAtPosition_(new int[capacity_]()),
      tieWords_((capacity_ + 63) / 64),
      tieBits_(new uint64_t[tieWords_ > 0 ? tieWords_ : 1]()) {
  for (int i = 0; i < capacity_; i++) ReturnToPool(&events_[i]);
  // Pre-order numbering of the cells of the full tree.
  int* stack = tieStack_.get();
  int depth = 0, position = 0;
  if (this->capacity_ > 0) stack[depth++] = 0;
  while (depth > 0) {
    const int cell = stack[--depth];
    preorderPosition_[cell] = position;
    cellAtPosition_[position++] = cell;
    const int left = 2 * cell + 1, right = left + 1;
    if (right < this->capacity_) stack[depth++] = right;
    if (left < this->capacity_) stack[depth++] = left;
  }
}

EventList::~EventList() { ClearEventList(); }

Event* EventList::TakeFromPool() {
  assert(poolCount_ > 0);
  Event* event = pool_[poolFront_];
  pool_[poolFront_] = nullptr;
  if (++poolFront_ == capacity_) poolFront_ = 0;
  poolCount_--;
  return event;
}

void EventList::ReturnToPool(Event* event) {
  assert(poolCount_ < capacity_);
  int back = poolFront_ + poolCount_;
  if (back >= capacity_) back -= capacity_;
  pool_[back] = event;
  poolCount_++;
}

inline void EventList::SetTieBit(int i, bool tied) {
  const int position = preorderPosition_[i];
  const uint64_t bit = uint64_t{1} << (position & 63);
  uint64_t& word = tieBits_[position >> 6];
  tiedCells_ += static_cast<int>(tied) - static_cast<int>((word & bit) != 0);
  word = tied ? (word | bit) : (word & ~bit);
}

inline void EventList::Place(int i, Event* event) {
  heap_[i] = event;
  event->record_->heapSlot = &heap_[i];
  if (tieKeyKnown_) SetTieBit(i, event->FiringTime == tieTime_ && RankOf(event) == tieRank_);
}

void EventList::ForgetTies() {
  tieKeyKnown_ = false;
  for (int w = 0; w < tieWords_; w++) tieBits_[w] = 0;
  tiedCells_ = 0;
}

int EventList::IndexOf(Event** slot) const {
  assert(slot >= &heap_[0] && slot < &heap_[0] + count_);
  return static_cast<int>(slot - &heap_[0]);
}

int EventList::Insert(const Event* event) {
  assert(event && event->Action && event->Action->Record);
  assert(event->Action->Record->heapSlot == nullptr);  // one event per action
  assert(count_ < capacity_);
  Event* pooled = TakeFromPool();
  *pooled = *event;
  pooled->rankKnown_ = false;
  pooled->unitWeight_ = event->Action->unitWeight_;
  if (!pooled->unitWeight_) eventsNotOfUnitWeight_++;
  pooled->record_ = event->Action->Record;
  event->Action->hasEvent_ = true;
  Place(count_, pooled);
  count_++;
  return BubbleUp(count_ - 1);
}

void EventList::Remove(Event** slot) {
  int i = IndexOf(slot);
  Event* removed = heap_[i];
  ReturnToPool(removed);
  removed->Action->Record->heapSlot = nullptr;
  removed->Action->hasEvent_ = false;
  if (!removed->unitWeight_) eventsNotOfUnitWeight_--;
  count_--;
  if (tieKeyKnown_) SetTieBit(count_, false);
  if (i == count_) {
    heap_[i] = nullptr;
    return;
  }
  Place(i, heap_[count_]);
  heap_[count_] = nullptr;
  if (BubbleUp(i) == i) BubbleDown(i);
}

void EventList::Remove(SchedulingRecord* record) {
  assert(record && record->heapSlot);
  Remove(record->heapSlot);
}

void EventList::ModifyKey(Event** slot) {
  int i = IndexOf(slot);
  Place(i, heap_[i]);  // its time was changed in place: its bit too
  if (BubbleUp(i) == i) BubbleDown(i);
}

// Both sifts compare and move as a chain of swaps would, but hold the
// moving event aside and place it once, at its final cell.
int EventList::BubbleUp(int i) {
  Event* moving = heap_[i];
  const int start = i;
  while (i > 0) {
    const int parent = (i - 1) / 2;
    if (!Before(moving, heap_[parent])) break;
    Place(i, heap_[parent]);
    i = parent;
  }
  if (i != start) Place(i, moving);
  return i;
}

void EventList::BubbleDown(int i) {
  Event* moving = heap_[i];
  const int start = i;
  while (2 * i + 1 < count_) {
    int child = 2 * i + 1;
    if (child + 1 < count_ && Before(heap_[child + 1], heap_[child])) child++;
    if (!Before(heap_[child], moving)) break;
    Place(i, heap_[child]);
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
  int* stack = tieStack_.get();
  int depth = 0;
  stack[depth++] = i;
  while (depth > 0) {
    const int node = stack[--depth];
    ties_[tieCount_++] = node;
    const int left = 2 * node + 1, right = left + 1;
    if (right < count_ && Ties(heap_[right], heap_[node])) stack[depth++] = right;
    if (left < count_ && Ties(heap_[left], heap_[node])) stack[depth++] = left;
  }
}

bool EventList::RootKeyRemembered() const {
  const Event* root = heap_[0];
  return tieKeyKnown_ && root->FiringTime == tieTime_ && root->rankKnown_ &&
         root->cachedRank_ == tieRank_;
}

void EventList::CollectTies() {
  Event* root = heap_[0];
  if (RootKeyRemembered()) {
    // The cells tied with the root are those of its key (the heap order
    // admits no other), and their bits, by pre-order position, are current.
    int found = 0;
    for (int w = 0; w < tieWords_; w++)
      for (uint64_t bits = tieBits_[w]; bits != 0; bits &= bits - 1)
        ties_[found++] = cellAtPosition_[w * 64 + std::countr_zero(bits)];
    tieCount_ = found;
    return;
  }
  ForgetTies();
  FindEquals(0);
  // Remember the root's key once its rank is known (it is when anything tied
  // with it); from now on every placement keeps the bits of its cell.
  if (!root->rankKnown_) return;
  tieKeyKnown_ = true;
  tieTime_ = root->FiringTime;
  tieRank_ = root->cachedRank_;
  for (int k = 0; k < tieCount_; k++) SetTieBit(ties_[k], true);
}

Event** EventList::Earliest() {
  if (count_ == 0) return nullptr;
  if (eventsNotOfUnitWeight_ == 0 && RootKeyRemembered()) return ChooseFromTieBits();
  tieCount_ = 0;
  CollectTies();
  if (tieCount_ == 1) {
    tieCount_ = 0;
    return &heap_[0];
  }
  int chosen = AllTiesUnitWeight() ? ChooseAmongUnitWeights() : ChooseByWeights();
  tieCount_ = 0;
  return &heap_[chosen];
}

bool EventList::AllTiesUnitWeight() const {
  for (int k = 0; k < tieCount_; k++)
    if (!heap_[ties_[k]]->unitWeight_) return false;
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

int EventList::ChooseAmongUnitWeights() { return ties_[DrawUnitWeightTie(tieCount_)]; }

Event** EventList::ChooseFromTieBits() {
  if (tiedCells_ == 1) return &heap_[0];
  // The k-th tied cell in pre-order: the k-th set bit.
  int k = DrawUnitWeightTie(tiedCells_);
  for (int w = 0; w < tieWords_; w++)
    for (uint64_t bits = tieBits_[w]; bits != 0; bits &= bits - 1)
      if (k-- == 0) return &heap_[cellAtPosition_[w * 64 + std::countr_zero(bits)]];
  assert(false && "tiedCells counts the set tie bits");
  return &heap_[0];
}

int EventList::ChooseByWeights() {
  double total = 0.0;
  for (int k = 0; k < tieCount_; k++) {
    tieWeights_[k] = heap_[ties_[k]]->Action->Weight();
    total += tieWeights_[k];
  }
  double threshold = TheDistribution->getGenerator()->rnd() * total;
  // When the weights sum to 0, or rounding leaves no running sum above the
  // threshold, the last tied event is taken.
  int chosen = ties_[tieCount_ - 1];
  double running = 0.0;
  for (int k = 0; k < tieCount_; k++) {
    running += tieWeights_[k];
    if (running > threshold) {
      chosen = ties_[k];
      break;
    }
  }
  return chosen;
}

void EventList::ClearEventList() {
  for (int i = 0; i < count_; i++) {
    SchedulingRecord* record = heap_[i]->Action->Record;
    record->heapSlot = nullptr;
    heap_[i]->Action->hasEvent_ = false;
    record->notInReactivationList = true;
    ReturnToPool(heap_[i]);
    heap_[i] = nullptr;
  }
  count_ = 0;
  eventsNotOfUnitWeight_ = 0;
  ForgetTies();
}

void EventList::PrintList(std::ostream& stream) const {
  stream << "------------------Event List-----------------\n";
  for (int i = 0; i < count_; i++)
    stream << "(" << heap_[i]->Action->getName() << ") " << heap_[i]->SchedulingTime << " --> "
           << heap_[i]->FiringTime << "\n";
  stream << "---------------------------------------------\n\n";
}
