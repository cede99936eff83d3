#include "SettingsProbe.h"

#include <poll.h>

#include <chrono>

#include "ChildProcess.h"

std::optional<std::string> ProbeSettings(const StudyOptions& options, bool steadyState,
                                         const PlannedExperiment& experiment) {
  std::vector<std::string> argv = {options.simulator,
                                   "-e",
                                   std::to_string(experiment.index),
                                   "-s",
                                   std::to_string(experiment.seed),
                                   "-N",
                                   "1"};
  if (options.generator) argv.insert(argv.end(), {"-r", std::to_string(*options.generator)});
  if (steadyState) argv.insert(argv.end(), {"-t", "0"});
  if (!experiment.overrideText.empty()) argv.insert(argv.end(), {"-O", experiment.overrideText});
  ChildProcess child;
  std::string error;
  if (!child.Start(argv, error)) return "the simulator could not be started: " + error;
  OutputTail stderrTail;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(options.stallSeconds);
  // Both pipes are drained while it runs, so that a talkative simulator
  // does not block on a full pipe.
  while (!child.Reap()) {
    if (std::chrono::steady_clock::now() > deadline) {
      child.WaitFor(0);
      return "the simulator did not finish one replication of " + experiment.name + " within " +
             std::to_string(static_cast<long>(options.stallSeconds)) + " s (--stall-timeout)";
    }
    pollfd fds[2] = {{child.StdoutFd(), POLLIN, 0}, {child.StderrFd(), POLLIN, 0}};
    poll(fds, 2, 20);
    std::string out, err;
    if (child.StdoutFd() >= 0 && !ReadAvailable(child.StdoutFd(), out)) child.CloseStdout();
    if (child.StderrFd() >= 0 && !ReadAvailable(child.StderrFd(), err)) child.CloseStderr();
    stderrTail.Append(err.data(), err.size());
  }
  std::string err;
  if (child.StderrFd() >= 0) ReadAvailable(child.StderrFd(), err);
  stderrTail.Append(err.data(), err.size());
  if (child.ExitedCleanly()) return std::nullopt;
  std::string report = "the simulator refuses the settings of " + experiment.name +
                       " (a run of one replication " + child.EndDescription() +
                       "), so every experiment would fail";
  const std::string tail = stderrTail.LastLines(6);
  if (!tail.empty()) report += ":\n" + tail;
  return report;
}
