#ifndef CORVAX_MUTEX_H
#define CORVAX_MUTEX_H

#include <mutex>
#include <string>

// A named mutex. Names are "mutex1", "mutex2", ... in order of creation
// within the process; nothing opens a mutex by its name.
class CorvaxMutex {
 public:
  CorvaxMutex();
  CorvaxMutex(const CorvaxMutex&) = delete;
  CorvaxMutex& operator=(const CorvaxMutex&) = delete;

  // Waits without limit until the calling thread owns the mutex.
  void Get();
  void Release();
  const std::string& Name() const { return name_; }

 private:
  friend class CorvaxCond;
  std::string name_;
  std::mutex mutex_;
};

#endif
