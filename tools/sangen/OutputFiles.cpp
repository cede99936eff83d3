#include "OutputFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace sangen {

namespace fs = std::filesystem;

namespace {

// The file's text, or nothing when it cannot be read.
std::optional<std::string> contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Whether the file at `path` starts as sangen's files do.
bool generatedFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string firstLine;
  return in && std::getline(in, firstLine) && isGeneratedText(firstLine);
}

// The name of the temporaries of `path`: ".<name>.tmp<pid>.<n>".
const std::regex& temporaryName() {
  static const std::regex pattern(R"(\..+\.tmp[0-9]+\.[0-9]+)");
  return pattern;
}

// Creates a new temporary beside `path` holding `text`; never opens an
// existing file or follows a link at the temporary's name.
bool writeTemporary(const fs::path& path, const std::string& text, fs::path& temporary,
                    std::string& error) {
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
    temporary = path.parent_path() / ("." + path.filename().string() + ".tmp" +
                                      std::to_string(getpid()) + "." + std::to_string(attempt));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = "cannot create a temporary beside " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0) {
    error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Whether the destinations can all be written without touching what is
// not sangen's; the reason in `error` when not.
bool destinationsFree(const std::vector<std::pair<fs::path, std::string>>& all,
                      std::size_t generatedCount, std::string& error) {
  std::error_code ec;
  for (std::size_t k = 0; k < all.size(); k++) {
    const fs::path& path = all[k].first;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) continue;
    if (fs::is_directory(fs::status(path, ec))) {
      error = path.string() + " is a directory; nothing was written";
      return false;
    }
    if (k < generatedCount && !generatedFile(path)) {
      error = path.string() +
              " exists and was not written by sangen (its first line is not the banner of "
              "generated files); nothing was written";
      return false;
    }
  }
  return true;
}

}  // namespace

bool writeFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                const std::vector<std::pair<std::string, std::string>>& extra, std::string& error) {
  std::vector<std::pair<fs::path, std::string>> all;
  for (const GeneratedFile& file : files) all.push_back({fs::path(folder) / file.name, file.text});
  for (const auto& [path, text] : extra) all.push_back({fs::path(path), text});
  if (!destinationsFree(all, files.size(), error)) return false;

  std::error_code ec;
  std::vector<std::pair<fs::path, fs::path>> staged;  // temporary, final
  auto discard = [&]() {
    for (const auto& entry : staged) fs::remove(entry.first, ec);
  };
  for (const auto& [path, text] : all) {
    if (!path.parent_path().empty() && !fs::is_directory(path.parent_path(), ec)) {
      fs::create_directories(path.parent_path(), ec);
      if (ec) {
        error = "cannot create the folder " + path.parent_path().string() + ": " + ec.message();
        discard();
        return false;
      }
    }
    if (const std::optional<std::string> old = contentOf(path); old && *old == text) continue;
    fs::path temporary;
    if (!writeTemporary(path, text, temporary, error)) {
      fs::remove(temporary, ec);
      discard();
      return false;
    }
    staged.push_back({temporary, path});
  }
  for (std::size_t k = 0; k < staged.size(); k++) {
    fs::rename(staged[k].first, staged[k].second, ec);
    if (ec) {
      error = "cannot rename " + staged[k].first.string() + " to " + staged[k].second.string() +
              ": " + ec.message();
      for (std::size_t rest = k; rest < staged.size(); rest++) fs::remove(staged[rest].first, ec);
      return false;
    }
  }
  // Sources of an earlier generation (an atomic model since renamed, ...),
  // and temporaries of a run that was interrupted: sangen's own files only.
  std::set<std::string> wanted;
  for (const GeneratedFile& file : files) wanted.insert(file.name);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    const bool stale = (extension == ".h" || extension == ".cpp") && !wanted.count(name);
    const bool leftover = std::regex_match(name, temporaryName());
    const bool empty = leftover && entry.file_size(ec) == 0;  // interrupted before the banner
    if ((stale || leftover) && (generatedFile(entry.path()) || empty)) fs::remove(entry.path(), ec);
  }
  return true;
}

}  // namespace sangen
