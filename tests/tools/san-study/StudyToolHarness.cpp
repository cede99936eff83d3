#include "StudyToolHarness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "support/ResultReaders.h"

namespace {
std::string tag;

bool Tagged(const std::filesystem::path& proc) {
  std::ifstream environ(proc / "environ", std::ios::binary);
  std::string entry;
  while (std::getline(environ, entry, '\0'))
    if (entry == "FAKE_SIM_TAG=" + tag) {
      std::error_code error;
      const auto exe = std::filesystem::read_symlink(proc / "exe", error).filename();
      return exe == "fake-movingblock-sim" || exe == "movingblock-sim";
    }
  return false;
}
}  // namespace

int LiveTaggedSimulators() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") == std::string::npos && Tagged(entry.path())) count++;
  }
  return count;
}

bool TaggedSimulatorsGone(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (LiveTaggedSimulators() > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

const std::string& RunTag() { return tag; }

ToolRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& faults, double interruptAfter, int interruptSignal,
                   const std::string& searchPath, const std::function<bool(double)>& whileRunning) {
  static int runs = 0;
  tag = std::to_string(getpid()) + "-" + std::to_string(++runs);
  // The program runs in an environment of its own, which its simulators
  // inherit: PATH and the fake simulator's settings, nothing else from the
  // test runner. env replaces itself with the program.
  std::vector<std::string> argv{"/usr/bin/env",        "-i",
                                "PATH=" + searchPath,  "FAKE_SIM_FAULTS=" + faults,
                                "FAKE_SIM_TAG=" + tag, program};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess child;
  std::string error;
  ToolRun run;
  if (!child.Start(argv, error)) return run;
  const auto begin = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  };
  double interruptAt = -1, firstSimulator = -1;
  bool signalled = false;
  while (!child.Reap() && elapsed() < 90) {
    if (child.StdoutFd() >= 0) ReadAvailable(child.StdoutFd(), run.out);
    if (child.StderrFd() >= 0) ReadAvailable(child.StderrFd(), run.err);
    if (whileRunning) {
      if (firstSimulator < 0 && LiveTaggedSimulators() > 0) firstSimulator = elapsed();
      if (whileRunning(firstSimulator < 0 ? -1.0 : elapsed() - firstSimulator) && !signalled)
        interruptAt = elapsed();
    }
    if (interruptAfter > 0 && interruptAt < 0 && LiveTaggedSimulators() > 0)
      interruptAt = elapsed() + interruptAfter;
    if (interruptAt > 0 && elapsed() >= interruptAt) {
      child.Signal(interruptSignal);
      interruptAfter = interruptAt = 0;
      signalled = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  child.WaitFor(0);
  if (child.StdoutFd() >= 0) ReadAvailable(child.StdoutFd(), run.out);
  if (child.StderrFd() >= 0) ReadAvailable(child.StderrFd(), run.err);
  const std::string end = child.EndDescription();
  if (end.rfind("exited with status ", 0) == 0)
    run.exitStatus = std::stoi(end.substr(19));
  else if (end.rfind("was killed by signal ", 0) == 0)
    run.exitStatus = 128 + std::stoi(end.substr(21));
  return run;
}

std::vector<std::map<std::string, std::string>> ReadCsv(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::map<std::string, std::string>> rows;
  std::vector<std::string> header;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind('#', 0) == 0) continue;  // the study's context lines
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); i++) {
      if (line[i] == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"')
        fields.back() += line[++i];
      else if (line[i] == '"')
        quoted = !quoted;
      else if (line[i] == ',' && !quoted)
        fields.emplace_back();
      else
        fields.back() += line[i];
    }
    if (header.empty()) {
      header = fields;
      continue;
    }
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < header.size() && i < fields.size(); i++) row[header[i]] = fields[i];
    rows.push_back(row);
  }
  return rows;
}

std::map<int, double> AsciiMeans(const std::filesystem::path& file) {
  std::map<int, double> means;
  for (const auto& [pv, values] : results::readAscii(file.string()))
    means[pv] = std::accumulate(values.begin(), values.end(), 0.0) / values.size();
  return means;
}
