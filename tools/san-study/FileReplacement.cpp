#include "FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <regex>

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

std::vector<std::string> RemoveStaleTemporaries(const std::filesystem::path& directory) {
  // The study's own result files and the logs of counted replications; any
  // other dot file is left alone.
  static const std::regex temporary(
      R"(\.(study\.(csv|json|dat|gp|svg|html)|\.counted-[0-9]+\.bin)\.[A-Za-z0-9]{6})");
  std::vector<std::string> removed;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (!std::regex_match(name, temporary) || !entry.is_regular_file(error) ||
        entry.is_symlink(error))
      continue;
    if (std::filesystem::remove(entry.path(), error)) removed.push_back(name);
  }
  std::sort(removed.begin(), removed.end());
  return removed;
}
