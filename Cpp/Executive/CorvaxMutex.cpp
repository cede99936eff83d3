#include "Executive/CorvaxMutex.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> mutexesCreated{0};
}

CorvaxMutex::CorvaxMutex() {
  char name[64];
  std::snprintf(name, sizeof name, "mutex%d", ++mutexesCreated);
  name_ = name;
}

void CorvaxMutex::Get() { mutex_.lock(); }

void CorvaxMutex::Release() { mutex_.unlock(); }
