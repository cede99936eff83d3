#include "FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
std::string Failure(const std::filesystem::path& file, int error) {
  return "cannot write " + file.string() + ": " + std::strerror(error);
}

int WriteAll(int fd, const std::string& content) {
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Makes the rename itself durable.
void SyncDirectory(const std::filesystem::path& directory) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
}  // namespace

mode_t OrdinaryFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::optional<std::string> ReplaceFile(const std::filesystem::path& file,
                                       const std::string& content) {
  const std::filesystem::path directory = file.has_parent_path() ? file.parent_path() : ".";
  std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Failure(file, errno);
  int error = fchmod(fd, OrdinaryFileMode()) == 0 ? 0 : errno;
  if (!error) error = WriteAll(fd, content);
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && std::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
  if (error) {
    unlink(temporary.c_str());
    return Failure(file, error);
  }
  SyncDirectory(directory);
  return std::nullopt;
}
