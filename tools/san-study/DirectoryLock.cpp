#include "DirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "FileReplacement.h"

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) close(fd_);
}

std::optional<std::string> DirectoryLock::Take(const std::filesystem::path& directory) {
  const std::filesystem::path file = directory / ".study.lock";
  // Not through a link: the lock file is this program's own.
  const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, OrdinaryFileMode());
  if (fd < 0) return "cannot lock " + directory.string() + ": " + std::strerror(errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK)
      return "another study or merge is writing into " + directory.string() +
             "; wait for it to end, or choose another directory";
    return "cannot lock " + directory.string() + ": " + std::strerror(error);
  }
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  const std::vector<std::string> stale = RemoveStaleTemporaries(directory);
  if (!stale.empty())
    std::cerr << "note: removed " << stale.size() << " temporary file"
              << (stale.size() == 1 ? "" : "s") << " that a killed study left in "
              << directory.string() << "\n";
  return std::nullopt;
}
