#ifndef CORVAX_COND_H
#define CORVAX_COND_H

#include <condition_variable>
#include <mutex>

class CorvaxMutex;

// A condition variable used with a CorvaxMutex. A signal wakes one waiter;
// a signal given while nobody waits is lost.
class CorvaxCond {
 public:
  CorvaxCond() = default;
  CorvaxCond(const CorvaxCond&) = delete;
  CorvaxCond& operator=(const CorvaxCond&) = delete;

  // The caller owns m. Releases m and starts waiting as one step, so that a
  // signal given after the release is not missed; returns owning m again.
  void Wait(CorvaxMutex& m);
  void Signal();
  int Waiters();

 private:
  std::mutex countLock_;
  std::condition_variable wakeUp_;
  int waiters_ = 0;
  int permits_ = 0;  // wake-ups given but not yet taken by a waiter
};

#endif
