#include "Executive/CorvaxThread.h"

#include <chrono>

CorvaxThread::CorvaxThread(EntryFunction entry, void* argument)
    : entry_(entry), argument_(argument) {}

CorvaxThread::~CorvaxThread() { WaitUntilDone(); }

CorvaxThread::Handle CorvaxThread::Start() {
  WaitUntilDone();
  thread_ = std::thread([this] { result_ = entry_(argument_); });
  return thread_.native_handle();
}

void CorvaxThread::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void CorvaxThread::WaitUntilDone() {
  if (thread_.joinable()) thread_.join();
}
