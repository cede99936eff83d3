#ifndef SAN_STUDY_DIRECTORY_LOCK_H
#define SAN_STUDY_DIRECTORY_LOCK_H

#include <filesystem>
#include <optional>
#include <string>

// The right to write the result files of one directory, for as long as
// the object lives: two studies (or merges) writing into one directory
// would each replace the other's files, and both report success. The lock
// is an flock on the file .study.lock in the directory, released by the
// kernel whenever the process ends, however it ends; the file stays.
class DirectoryLock {
 public:
  DirectoryLock() = default;
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  // Takes the lock of `directory`; an error text when another process
  // holds it or it cannot be taken. Once taken, it removes the temporary
  // result files a study killed mid-write left there (with a note on
  // standard error): no other writer can be using them.
  std::optional<std::string> Take(const std::filesystem::path& directory);

 private:
  int fd_ = -1;
};

#endif
