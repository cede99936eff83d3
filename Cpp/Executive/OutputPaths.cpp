#include "Executive/OutputPaths.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Links followed before a chain is taken as a loop (the system's own limit).
constexpr int kMaxLinkHops = 40;

// The absolute path a write would create or reach: the folder resolved, then
// the leaf followed while it is a symbolic link (dangling ones included,
// since opening one creates its target).
fs::path resolvedPath(const std::string& text) {
  std::error_code error;
  fs::path path = fs::absolute(text, error);
  for (int hop = 0; hop < kMaxLinkHops; hop++) {
    const fs::path leaf = path.filename();
    if (leaf.empty() || leaf == "." || leaf == "..") return fs::weakly_canonical(path, error);
    const fs::path folder = fs::weakly_canonical(path.parent_path(), error);
    path = folder / leaf;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;
    path = target.is_absolute() ? target : folder / target;
  }
  return path;
}

}  // namespace

std::string OutputPaths::Target(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0)
    return "#" + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
  return resolvedPath(path).string();
}

bool OutputPaths::SameFile(const std::string& first, const std::string& second) {
  if (Target(first) != Target(second)) return false;
  struct stat status {};
  return !(::stat(first.c_str(), &status) == 0 && S_ISCHR(status.st_mode));
}

std::pair<int, int> OutputPaths::FirstCollision(
    const std::vector<std::pair<std::string, std::string>>& outputs) {
  for (size_t i = 0; i < outputs.size(); i++)
    for (size_t j = i + 1; j < outputs.size(); j++)
      if (SameFile(outputs[i].second, outputs[j].second))
        return {static_cast<int>(i), static_cast<int>(j)};
  return {-1, -1};
}
