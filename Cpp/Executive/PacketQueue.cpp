#include "Executive/PacketQueue.h"

#include <cassert>

#include "Executive/CorvaxMutex.h"
#include "Executive/DataPacket.h"

namespace {

// Holds a queue's mutex for one operation.
class Hold {
 public:
  explicit Hold(CorvaxMutex& mutex) : mutex_(mutex) { mutex_.Get(); }
  ~Hold() { mutex_.Release(); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

 private:
  CorvaxMutex& mutex_;
};

}  // namespace

PacketQueue::PacketQueue(int32_t capacity)
    : items_(new DataPacket*[capacity]()), capacity_(capacity), mutex_(new CorvaxMutex) {
  assert(capacity > 0);
}

PacketQueue::~PacketQueue() {
  delete[] items_;
  delete mutex_;
}

bool PacketQueue::Put(DataPacket* packet) {
  Hold hold(*mutex_);
  if (head_ == tail_ && wrapped_) return false;
  items_[tail_] = packet;
  if (++tail_ == capacity_) {
    tail_ = 0;
    wrapped_ = true;
  }
  return true;
}

bool PacketQueue::Take(DataPacket*& packet) {
  Hold hold(*mutex_);
  if (head_ == tail_ && !wrapped_) return false;
  packet = items_[head_];
  items_[head_] = nullptr;
  if (++head_ == capacity_) {
    head_ = 0;
    wrapped_ = false;
  }
  return true;
}

int32_t PacketQueue::CountLocked() const {
  return (tail_ < head_ || wrapped_) ? tail_ + capacity_ - head_ : tail_ - head_;
}

int32_t PacketQueue::FillCount() {
  Hold hold(*mutex_);
  return CountLocked();
}

bool PacketQueue::IsEmpty() {
  Hold hold(*mutex_);
  return CountLocked() == 0;
}

void PacketQueue::DeleteAll() {
  Hold hold(*mutex_);
  while (CountLocked() > 0) {
    delete items_[head_];
    items_[head_] = nullptr;
    if (++head_ == capacity_) {
      head_ = 0;
      wrapped_ = false;
    }
  }
}
