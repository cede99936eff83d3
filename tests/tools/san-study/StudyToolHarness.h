// Runs san-study (or the simulator) as a child process and reads
// the files it writes, for the end-to-end and fault tests.
#ifndef SAN_STUDY_TEST_HARNESS_H
#define SAN_STUDY_TEST_HARNESS_H

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct ToolRun {
  int exitStatus = -1;  // 128 + signal when killed
  std::string out;
  std::string err;
};

// Runs `program` with `args`, at most 90 s, in an environment of only
// PATH=`searchPath`, FAKE_SIM_FAULTS=`faults` and a tag that marks its simulators. With
// `interruptAfter` > 0 it sends `interruptSignal` that many seconds after the first simulator has
// appeared. `whileRunning`, if given, is called every 20 ms with the
// seconds since then (negative before); when it returns true the signal is
// sent at once, for tests that must interrupt at a given state of the files.
ToolRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& faults = "", double interruptAfter = 0,
                   int interruptSignal = SIGTERM, const std::string& searchPath = "/usr/bin:/bin",
                   const std::function<bool(double)>& whileRunning = {});

// The tag in the environment of the last run's processes (FAKE_SIM_TAG).
const std::string& RunTag();

// Simulators (fake or the railway's) of the last run that are still alive.
int LiveTaggedSimulators();
// Waits up to `seconds` for them to be gone (a simulator that is not this
// program's child dies a moment after the signal that kills it); true if
// they are.
bool TaggedSimulatorsGone(double seconds);

// study.csv as rows of named fields (the '#' context lines skipped).
std::vector<std::map<std::string, std::string>> ReadCsv(const std::filesystem::path& file);

// Per PV index, the mean of the observations in a simulator's ASCII file.
std::map<int, double> AsciiMeans(const std::filesystem::path& file);

#endif
