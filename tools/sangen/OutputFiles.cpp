#include "OutputFiles.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace sangen {

namespace fs = std::filesystem;

namespace {

bool sameContent(const fs::path& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream old;
  old << in.rdbuf();
  return old.str() == text;
}

// A temporary beside `path`, unique to this process.
fs::path temporaryFor(const fs::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".tmp" + std::to_string(getpid()));
}

}  // namespace

bool writeFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                const std::vector<std::pair<std::string, std::string>>& extra, std::string& error) {
  std::vector<std::pair<fs::path, std::string>> all;
  for (const GeneratedFile& file : files) all.push_back({fs::path(folder) / file.name, file.text});
  for (const auto& [path, text] : extra) all.push_back({fs::path(path), text});

  std::error_code ec;
  std::vector<std::pair<fs::path, fs::path>> staged;  // temporary, final
  auto discard = [&]() {
    for (const auto& entry : staged) fs::remove(entry.first, ec);
  };
  for (const auto& [path, text] : all) {
    fs::create_directories(path.parent_path(), ec);
    if (sameContent(path, text)) continue;
    const fs::path temporary = temporaryFor(path);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      error = "cannot write " + temporary.string();
      fs::remove(temporary, ec);
      discard();
      return false;
    }
    staged.push_back({temporary, path});
  }
  for (const auto& [temporary, path] : staged) {
    fs::rename(temporary, path, ec);
    if (ec) {
      error = "cannot rename " + temporary.string() + " to " + path.string() + ": " + ec.message();
      discard();
      return false;
    }
  }
  // Sources of an earlier generation (an atomic model since renamed, ...),
  // and temporaries of a run that was interrupted.
  std::set<std::string> wanted;
  for (const GeneratedFile& file : files) wanted.insert(file.name);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    const bool stale = (extension == ".h" || extension == ".cpp") && !wanted.count(name);
    const bool leftover = name.starts_with(".") && name.find(".tmp") != std::string::npos;
    if (stale || leftover) fs::remove(entry.path(), ec);
  }
  return true;
}

}  // namespace sangen
