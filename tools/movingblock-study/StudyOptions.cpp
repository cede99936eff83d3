#include "StudyOptions.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "StudyCatalog.h"

namespace {
constexpr double kMaxStallSeconds = 86400;

std::string DefaultSimulatorPath() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("movingblock-sim") : (self.parent_path() / "movingblock-sim").string();
}

// "7" or "2-5" (spaces allowed around the numbers).
bool ParseRange(const std::string& text, int& first, int& last) {
  std::istringstream in(text);
  char dash = 0;
  if (!(in >> first) || first < 0) return false;
  last = first;
  if (in >> dash && (dash != '-' || !(in >> last))) return false;
  in >> std::ws;
  return in.eof() && text.find_first_not_of("0123456789- ") == std::string::npos;
}

std::optional<std::string> CheckValues(const StudyOptions& o) {
  const StopRule& r = o.stopRule;
  if (!(r.confidence > 0.0 && r.confidence < 1.0))
    return "--confidence must lie strictly between 0 and 1";
  if (!(r.precision > 0.0)) return "--precision must be above 0";
  if (r.minReplications < 2) return "--min-reps must be at least 2";
  if (r.maxReplications < r.minReplications) return "--max-reps must not be below --min-reps";
  // Bounded so that a report (13 × 8 bytes per replication) stays far below
  // the largest message the parser accepts.
  if (o.reportSize < 1 || o.reportSize > 100000) return "--report-size must lie between 1 and 100000";
  if (o.jobs < 1) return "--jobs must be at least 1";
  if (!(o.stallSeconds > 0.0)) return "--stall-timeout must be above 0";
  // Bounded so that a deadline of now + the limit stays far inside the
  // clock's range (1e300 s would overflow it into the past).
  if (!(o.stallSeconds <= kMaxStallSeconds))
    return "--stall-timeout must be at most " + std::to_string(static_cast<int>(kMaxStallSeconds)) +
           " seconds (one day)";
  if (access(o.simulator.c_str(), X_OK) != 0) return "cannot run the simulator '" + o.simulator + "'";
  return std::nullopt;
}
}  // namespace

std::optional<int> ParseStudyOptions(int argc, char** argv, StudyOptions& o) {
  o.jobs = std::max(1u, std::thread::hardware_concurrency());
  o.simulator = DefaultSimulatorPath();
  CLI::App app{
      "Runs the moving-block study: every chosen experiment in a movingblock-sim process of its\n"
      "own, until the confidence interval of the number of trains that left the line is tight in\n"
      "every time window; writes a table, CSV, JSON and a plot."};
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);  // the last one wins
  app.add_option("-e,--experiments", o.experimentSelection,
                 "experiments to run, comma-separated: simulator -e numbers (0 is \"Experiment 1\"), "
                 "ranges such as 2-5, or names; default: all")
      ->delimiter(',')
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("-j,--jobs", o.jobs, "simulators running at once (default: number of cores)");
  app.add_option("-s,--seed", o.seed, "study seed; each experiment's seed is derived from it")
      ->capture_default_str();
  app.add_option("-O,--override", o.overrideText,
                 "global-variable override handed to every simulator as -O, e.g. s:nTrains:12");
  app.add_option("--confidence", o.stopRule.confidence, "confidence level")->capture_default_str();
  app.add_option("--precision", o.stopRule.precision,
                 "largest relative half-width of a converged window")
      ->capture_default_str();
  app.add_option("--min-reps", o.stopRule.minReplications, "fewest replications per experiment")
      ->capture_default_str();
  app.add_option("--max-reps", o.stopRule.maxReplications, "most replications per experiment")
      ->capture_default_str();
  app.add_option("-n,--report-size", o.reportSize, "replications per simulator report (its -n)")
      ->capture_default_str();
  app.add_option("-o,--out", o.outDir, "directory of the result files")->capture_default_str();
  app.add_option("--simulator", o.simulator, "simulator executable")->capture_default_str();
  app.add_option("--stall-timeout", o.stallSeconds,
                 "seconds a simulator may stay silent before it counts as hung")
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 1;
  }
  if (auto error = CheckValues(o)) {
    std::cerr << "movingblock-study: " << *error << "\n";
    return 1;
  }
  return std::nullopt;
}

std::optional<std::string> ResolveExperiments(StudyOptions& o, const StudyCatalog& catalog) {
  const auto& all = catalog.Experiments();
  const int count = static_cast<int>(all.size());
  o.experiments.clear();
  auto add = [&](int index) {
    if (std::find(o.experiments.begin(), o.experiments.end(), index) == o.experiments.end())
      o.experiments.push_back(index);
  };
  if (o.experimentSelection.empty())
    for (int i = 0; i < count; i++) add(i);
  const std::string known = count == 0 ? std::string(": the study has no experiments")
                                        : ": the study has experiments 0 to " + std::to_string(count - 1) + " (\"" +
                                              all.front().name + "\" to \"" + all.back().name + "\")";
  for (const std::string& item : o.experimentSelection) {
    int first = 0, last = 0;
    if (ParseRange(item, first, last)) {
      if (first > last || last >= count) return "unknown experiment '" + item + "'" + known;
      for (int i = first; i <= last; i++) add(i);
      continue;
    }
    auto named = std::find_if(all.begin(), all.end(), [&](const auto& e) { return e.name == item; });
    if (named == all.end()) return "unknown experiment '" + item + "'" + known;
    add(named->index);
  }
  if (o.experiments.empty()) return "no experiment chosen";
  return std::nullopt;
}

std::uint32_t SimulatorSeed(std::uint32_t studySeed, int experiment) {
  // splitmix64 of the pair; the simulator reads its seed as a signed int.
  std::uint64_t z = (std::uint64_t{studySeed} << 32) + static_cast<std::uint32_t>(experiment) +
                    0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  const auto seed = static_cast<std::uint32_t>(z >> 33);
  return seed == 0 ? 1 : seed;
}
