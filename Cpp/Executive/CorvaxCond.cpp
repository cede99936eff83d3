#include "Executive/CorvaxCond.h"

#include "Executive/CorvaxMutex.h"

void CorvaxCond::Wait(CorvaxMutex& m) {
  std::unique_lock<std::mutex> lock(countLock_);
  ++waiters_;
  m.Release();
  wakeUp_.wait(lock, [this] { return permits_ > 0; });
  --permits_;
  --waiters_;
  lock.unlock();
  m.Get();
}

void CorvaxCond::Signal() {
  std::lock_guard<std::mutex> lock(countLock_);
  // Each waiter gets at most one wake-up; surplus signals are lost.
  if (waiters_ > permits_) {
    ++permits_;
    wakeUp_.notify_one();
  }
}

int CorvaxCond::Waiters() {
  std::lock_guard<std::mutex> lock(countLock_);
  return waiters_;
}
