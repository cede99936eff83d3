#include "ExperimentFoldLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "FileReplacement.h"

namespace {
constexpr char kMagic[8] = {'S', 'A', 'N', 'F', 'O', 'L', 'D', '1'};

void PutU32(std::string& out, std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

void PutReplication(std::string& out, std::uint32_t seed, const Replication& r) {
  PutU32(out, seed);
  out.append(reinterpret_cast<const char*>(r.data()), r.size() * sizeof(double));
}

// Reads a native-endian value at `at`; false past the end.
template <typename T>
bool Take(const std::string& in, std::size_t& at, T& value) {
  if (in.size() - at < sizeof(T)) return false;
  std::memcpy(&value, in.data() + at, sizeof(T));
  at += sizeof(T);
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}
}  // namespace

ExperimentFoldLog::ExperimentFoldLog(std::filesystem::path file, CountedReplications carried,
                                     int measures)
    : file_(std::move(file)), carried_(std::move(carried)), measures_(measures) {}

void ExperimentFoldLog::Append(std::uint32_t seed, const Replication& replication) {
  if (!failed_) PutReplication(pending_, seed, replication);
}

std::optional<std::string> ExperimentFoldLog::Flush(bool durable) {
  if (failed_ || (fd_ < 0 && pending_.empty())) return std::nullopt;
  std::optional<std::string> error;
  if (fd_ < 0) {
    // The header and what an earlier run counted, whole or not at all.
    std::string content(kMagic, sizeof kMagic);
    PutU32(content, static_cast<std::uint32_t>(carried_.key.size()));
    content += carried_.key;
    PutU32(content, static_cast<std::uint32_t>(measures_));
    PutU32(content, static_cast<std::uint32_t>(carried_.generation));
    PutU32(content, static_cast<std::uint32_t>(carried_.plannedSeeds.size()));
    for (std::uint32_t seed : carried_.plannedSeeds) PutU32(content, seed);
    for (std::size_t i = 0; i < carried_.replications.size(); i++)
      PutReplication(content, carried_.seeds[i], carried_.replications[i]);
    carried_ = {};
    error = ReplaceFile(file_, content);
    if (!error) fd_ = open(file_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (!error && fd_ < 0) error = "cannot open " + file_.string() + ": " + std::strerror(errno);
  }
  if (!error && !WriteAll(fd_, pending_))
    error = "cannot write " + file_.string() + ": " + std::strerror(errno);
  pending_.clear();
  if (error) {
    failed_ = true;
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    return error;
  }
  if (durable) fdatasync(fd_);
  return std::nullopt;
}

void ExperimentFoldLog::Close() {
  Flush(true);
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  failed_ = true;  // nothing more is written
}

std::filesystem::path FoldLogPath(const std::filesystem::path& directory, std::size_t position) {
  return directory / (".counted-" + std::to_string(position) + ".bin");
}

std::optional<CountedReplications> ReadFoldLog(const std::filesystem::path& file, int measures) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  const std::string in((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (in.size() < sizeof kMagic || in.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
    return std::nullopt;
  std::size_t at = sizeof kMagic;
  CountedReplications log;
  std::uint32_t keySize = 0, logMeasures = 0, generation = 0, seedCount = 0;
  if (!Take(in, at, keySize) || in.size() - at < keySize) return std::nullopt;
  log.key = in.substr(at, keySize);
  at += keySize;
  if (!Take(in, at, logMeasures) || !Take(in, at, generation) || !Take(in, at, seedCount) ||
      static_cast<int>(logMeasures) != measures || seedCount > (in.size() - at) / 4)
    return std::nullopt;
  log.generation = static_cast<int>(generation);
  log.plannedSeeds.resize(seedCount);
  for (std::uint32_t& seed : log.plannedSeeds) Take(in, at, seed);
  // Whole records only: a kill within a write leaves a torn last one.
  const std::size_t record = 4 + sizeof(double) * static_cast<std::size_t>(measures);
  while (in.size() - at >= record) {
    std::uint32_t seed = 0;
    Take(in, at, seed);
    Replication r(static_cast<std::size_t>(measures));
    std::memcpy(r.data(), in.data() + at, r.size() * sizeof(double));
    at += r.size() * sizeof(double);
    log.seeds.push_back(seed);
    log.replications.push_back(std::move(r));
  }
  return log;
}
