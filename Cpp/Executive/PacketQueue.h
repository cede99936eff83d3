#ifndef CORVAX_PACKET_QUEUE_H
#define CORVAX_PACKET_QUEUE_H

#include <cstdint>

class CorvaxMutex;
class DataPacket;

// A fixed ring of packet pointers. Every operation holds the queue's own
// mutex for its duration. The queue does not own the packets it holds,
// except through DeleteAll.
class PacketQueue {
 public:
  explicit PacketQueue(int32_t capacity);
  PacketQueue(const PacketQueue&) = delete;
  PacketQueue& operator=(const PacketQueue&) = delete;
  ~PacketQueue();

  // Stores the pointer at the tail; false (and nothing stored) when full.
  bool Put(DataPacket* packet);
  // Takes the pointer at the head; false when empty.
  bool Take(DataPacket*& packet);
  int32_t FillCount();
  bool IsEmpty();
  int32_t Capacity() const { return capacity_; }
  // Takes every entry and deletes the packets, under the mutex.
  void DeleteAll();

 private:
  int32_t CountLocked() const;

  DataPacket** items_;
  int32_t capacity_;
  int32_t head_ = 0;
  int32_t tail_ = 0;
  bool wrapped_ = false;
  CorvaxMutex* mutex_;
};

#endif
