#ifndef CORVAX_THREAD_H
#define CORVAX_THREAD_H

#include <thread>

// A thread that runs one entry function with one argument. The simulator
// itself runs on one thread; this is available for an output thread.
class CorvaxThread {
 public:
  using EntryFunction = unsigned long (*)(void*);
  using Handle = std::thread::native_handle_type;

  CorvaxThread(EntryFunction entry, void* argument);
  CorvaxThread(const CorvaxThread&) = delete;
  CorvaxThread& operator=(const CorvaxThread&) = delete;
  // Waits for a started thread that nobody waited for.
  ~CorvaxThread();

  // Starts the thread at once and returns its handle.
  Handle Start();
  static void Sleep(int milliseconds);
  // Waits without limit for the thread to end; returns at once when it was
  // never started or has been waited for.
  void WaitUntilDone();
  // The entry function's result, valid after WaitUntilDone.
  unsigned long Result() const { return result_; }

 private:
  EntryFunction entry_;
  void* argument_;
  unsigned long result_ = 0;
  std::thread thread_;
};

#endif
