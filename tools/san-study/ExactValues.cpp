#include "ExactValues.h"

#include <poll.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChildProcess.h"
#include "CsvFields.h"
#include "NumberFormat.h"
#include "Utf8Text.h"

namespace {
std::optional<double> NumberIn(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return value;
}

bool SameTime(double a, double b) {
  return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(a));
}

// The values of the solver's CSV file, checked row by row against the
// description's measures; an error text when they do not match.
std::optional<std::string> ReadSolverCsv(const std::filesystem::path& file,
                                         const StudyDescription& d, std::vector<double>& values) {
  std::ifstream in(file);
  std::string line;
  if (!std::getline(in, line) || line != "experiment,variable,start,stop,value")
    return "the solver wrote no CSV file of values";
  values.clear();
  while (std::getline(in, line)) {
    const std::size_t row = values.size();
    const std::vector<std::string> f = CsvFields(line);
    const std::optional<double> value = f.size() == 5 ? NumberIn(f[4]) : std::nullopt;
    if (!value) return "the solver's CSV row " + std::to_string(row + 1) + " is malformed";
    if (row >= d.measures.size()) return "the solver gives more values than the study has measures";
    const Measure& m = d.measures[row];
    const std::optional<double> start = NumberIn(f[2]), stop = NumberIn(f[3]);
    if (f[1] != m.rewardVariable || (start && !SameTime(*start, m.start)) ||
        (stop && !SameTime(*stop, m.end)))
      return "the solver's value " + std::to_string(row + 1) + " is of " + OneLineText(f[1]) +
             ", not of the study's measure " + OneLineText(m.rewardVariable) + " " +
             OneLineText(m.label) + " (is the solver of another model?)";
    values.push_back(*value);
  }
  if (values.size() != d.measures.size())
    return "the solver gives " + std::to_string(values.size()) + " values for " +
           std::to_string(d.measures.size()) + " measures";
  return std::nullopt;
}

// A directory of this run's own for the solver's CSV file, removed with it.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string name = (std::filesystem::temp_directory_path() / "san-study-exact.XXXXXX").string();
    if (mkdtemp(name.data())) path_ = name;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};
}  // namespace

std::string SolverBeside(const std::string& simulator) {
  std::string path = simulator;
  const std::string suffix = "-sim";
  if (path.size() > suffix.size() &&
      path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
    path.erase(path.size() - suffix.size());
  return path + "-solve";
}

std::optional<std::string> SolveExperiment(const std::string& solver, const StudyDescription& d,
                                           const PlannedExperiment& experiment,
                                           std::vector<double>& values) {
  const ScratchDirectory scratch;
  if (scratch.Path().empty()) return "cannot create a temporary directory for the solver";
  const std::filesystem::path csv = scratch.Path() / "exact.csv";
  std::vector<std::string> argv = {solver,  "-q",        "-e", std::to_string(experiment.index),
                                   "--csv", csv.string()};
  if (!experiment.overrideText.empty()) argv.insert(argv.end(), {"-O", experiment.overrideText});
  ChildProcess child;
  std::string error;
  if (!child.Start(argv, error)) return "the solver could not be started: " + error;
  // Both pipes are drained while it runs, so that it never blocks on a
  // full one; its table is not needed (the CSV file has the values).
  OutputTail stderrTail;
  while (!child.Reap()) {
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
  if (!child.ExitedCleanly()) {
    std::string message = stderrTail.LastLines(6);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
      message.pop_back();
    return "the solver " + solver + " " + child.EndDescription() + " on " + experiment.name +
           (message.empty() ? "" : ":\n" + message);
  }
  return ReadSolverCsv(csv, d, values);
}

std::optional<std::string> SolveExperiments(const std::string& solver, const StudyDescription& d,
                                            StudyResult& result) {
  for (ExperimentResult& e : result.experiments)
    if (auto error = SolveExperiment(solver, d, e.plan, e.exact)) return error;
  return std::nullopt;
}

std::optional<bool> ExactInside(const WindowResult& w, long replications, double exact) {
  if (replications <= 0 || !std::isfinite(w.mean)) return std::nullopt;
  const double slack = 1e-9 * std::fabs(exact) + 1e-12;
  const double lower = std::isnan(w.lower) ? w.mean : w.lower;
  const double upper = std::isnan(w.upper) ? w.mean : w.upper;
  return exact >= lower - slack && exact <= upper + slack;
}

std::vector<std::string> ExactMissLines(const StudyResult& result, const StudyDescription& d) {
  std::vector<std::string> lines;
  auto number = [](double value) { return SignificantText(value, 6); };
  auto bound = [&](double value) { return std::isfinite(value) ? number(value) : "?"; };
  for (const ExperimentResult& e : result.experiments)
    for (std::size_t m = 0; m < e.exact.size() && m < e.windows.size() && m < d.measures.size();
         m++) {
      const WindowResult& w = e.windows[m];
      if (ExactInside(w, e.replications, e.exact[m]).value_or(true)) continue;
      lines.push_back(OneLineText(e.plan.name) + ": " + OneLineText(d.measures[m].rewardVariable) +
                      " " + OneLineText(d.measures[m].label) + ": exact " + number(e.exact[m]) +
                      " outside the interval [" + bound(w.lower) + ", " + bound(w.upper) +
                      "] of the estimate " + number(w.mean));
    }
  return lines;
}
