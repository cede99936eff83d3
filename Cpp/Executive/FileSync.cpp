#include "Executive/FileSync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

int SyncFileToDisk(const char* path) {
  // Without O_CREAT or O_TRUNC nothing is created or changed; non-blocking,
  // so that a FIFO never holds the run.
  constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(path, O_WRONLY | kFlags);
  if (fd < 0) fd = ::open(path, O_RDONLY | kFlags);
  if (fd < 0) return errno;
  int error = 0;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  return error;
}
