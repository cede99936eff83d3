#include "StudyOptions.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <limits>
#include <regex>
#include <thread>

#include "ExactValues.h"
#include "StudyPart.h"
#include "TableColumns.h"

#ifndef SAN_STUDY_VERSION
#define SAN_STUDY_VERSION "unknown"
#endif
#ifndef SAN_STUDY_REVISION
#define SAN_STUDY_REVISION ""
#endif

namespace {
constexpr double kMaxStallSeconds = 86400;

std::filesystem::path ToolDirectory() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(".") : self.parent_path();
}

// build/movingblock-sim -> build/movingblock-study.json
std::string DescriptionBeside(const std::string& simulator) {
  std::string path = simulator;
  const std::string suffix = "-sim";
  if (path.size() > suffix.size() &&
      path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
    path.erase(path.size() - suffix.size());
  return path + "-study.json";
}

std::string Footer(const ToolProfile& profile) {
  const std::string p = profile.program;
  std::string simulator =
      profile.defaultSimulator.empty() ? " --simulator build/movingblock-sim" : "";
  return "\nExamples:\n"
         "  " +
         p + simulator +
         "                          every experiment of the model's study\n"
         "  " +
         p + simulator +
         " -e 0,5-7 --precision 0.02  four experiments, tighter intervals\n"
         "  " +
         p + simulator +
         " --sweep netNotDeliveryProb=0:1:0.05\n"
         "      one experiment per value, from the first experiment's other values\n"
         "  " +
         p + simulator +
         " --sweep nTrains=10,20,30 --sweep netNotDeliveryProb=0.1,0.5\n"
         "      a grid of six points\n"
         "  " +
         p + simulator +
         " --describe   the model's global variables, experiments and measures\n"
         "  " +
         p + simulator +
         " --show numberOfTrains   every window of a reward variable in the table\n"
         "  " +
         p + simulator +
         " -o results --resume   rerun only what a killed study had not finished\n"
         "  " +
         p + simulator +
         " -e 5 --streams 8 --precision 0.01   one experiment in eight simulators\n"
         "  " +
         p +
         " merge results task-0 task-1 ...   combine the results of sub-studies (see "
         "docs/cluster.md)\n"
         "\nExit status: 0 every experiment reached the precision; 1 invalid options, a failed\n"
         "simulator or an unwritable result file; 2 some experiment stopped at --max-reps without\n"
         "reaching the precision (named at the end); 128 + N stopped by signal N (Ctrl-C: 130).\n";
}

// Numbers are read as the simulator reads its own: whole decimal texts
// (no sign but '-', no leading zero, which C would read as octal, no 0x),
// within the option's type, never clamped.
CLI::Validator WholeNumber(long long lowest, long long highest) {
  return CLI::Validator(
      [lowest, highest](std::string& text) -> std::string {
        const std::string refused = "'" + text + "' is not a whole decimal number from " +
                                    std::to_string(lowest) + " to " + std::to_string(highest);
        const std::size_t digits = text.rfind('-', 0) == 0 ? 1 : 0;
        if (text.size() == digits || text.find_first_not_of("0123456789", digits) != text.npos ||
            (text[digits] == '0' && text.size() > digits + 1))
          return refused;
        long long value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < lowest ||
            value > highest)
          return refused;
        return "";
      },
      "INT");
}

template <typename Integer>
CLI::Validator WholeNumberOf(long long lowest = std::numeric_limits<Integer>::min()) {
  return WholeNumber(lowest, static_cast<long long>(std::numeric_limits<Integer>::max()));
}

// A plain decimal number: digits with an optional point, sign and
// exponent; no hexadecimal, "inf" or "nan".
const CLI::Validator kDecimalNumber(
    [](std::string& text) -> std::string {
      static const std::regex decimal(R"(-?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?)");
      return std::regex_match(text, decimal) ? "" : "'" + text + "' is not a decimal number";
    },
    "NUMBER");

std::optional<std::string> CheckValues(const StudyOptions& o) {
  const StopRule& r = o.stopRule;
  if (!(r.confidence > 0.0 && r.confidence < 1.0))
    return "--confidence must lie strictly between 0 and 1";
  if (!(r.precision > 0.0)) return "--precision must be above 0";
  if (!(r.absolutePrecision >= 0.0 && std::isfinite(r.absolutePrecision)))
    return "--abs-precision must be 0 (none) or above";
  if (r.minReplications < 2) return "--min-reps must be at least 2";
  if (r.maxReplications < r.minReplications) return "--max-reps must not be below --min-reps";
  // Bounded so that a report (8 bytes per observation) stays far below the
  // largest message the parser accepts.
  if (o.reportSize < 1 || o.reportSize > 100000)
    return "--report-size must lie between 1 and 100000";
  if (o.jobs < 1) return "--jobs must be at least 1";
  if (o.streams && (*o.streams < 1 || *o.streams > kMaxStreams))
    return "--streams must lie between 1 and " + std::to_string(kMaxStreams);
  if (o.generator && (*o.generator < 0 || *o.generator > 2)) return "--generator must be 0, 1 or 2";
  if (!(o.stallSeconds > 0.0)) return "--stall-timeout must be above 0";
  // Bounded so that a deadline of now + the limit stays far inside the
  // clock's range (1e300 s would overflow it into the past).
  if (!(o.stallSeconds <= kMaxStallSeconds))
    return "--stall-timeout must be at most " + std::to_string(static_cast<int>(kMaxStallSeconds)) +
           " seconds (one day)";
  if (o.resume && o.overwrite) return "--resume and --overwrite exclude each other";
  StudyPart part;
  if (!o.part.empty())
    if (auto error = ParsePart(o.part, part)) return error;
  if (o.simulator.empty()) return "no simulator given (--simulator build/MODEL-sim)";
  if (access(o.simulator.c_str(), X_OK) != 0)
    return "cannot run the simulator '" + o.simulator + "'";
  if ((o.exact || o.solveOnly) && access(o.solver.c_str(), X_OK) != 0)
    return "cannot run the solver '" + o.solver + "' (--solver)";
  return std::nullopt;
}
}  // namespace

std::string ToolVersion() {
  const std::string revision = SAN_STUDY_REVISION;
  return std::string(SAN_STUDY_VERSION) + (revision.empty() ? "" : " (git " + revision + ")");
}

std::optional<int> ParseStudyOptions(int argc, char** argv, const ToolProfile& profile,
                                     StudyOptions& o) {
  o.program = profile.program;
  o.stopRule = profile.stopRule;
  o.jobs = std::max(1u, std::thread::hardware_concurrency());
  if (!profile.defaultSimulator.empty())
    o.simulator = (ToolDirectory() / profile.defaultSimulator).string();
  CLI::App app{
      "Runs a model's study: every chosen experiment (or sweep point) in a simulator process of "
      "its\n"
      "own, until the confidence interval of every observed measure is tight enough; writes a\n"
      "table, CSV, JSON and a plot. What it knows of the model comes from the study description\n"
      "written beside the simulator.",
      profile.program};
  app.footer(Footer(profile));
  app.option_defaults()->multi_option_policy(
      CLI::MultiOptionPolicy::TakeLast);  // the last one wins
  app.set_version_flag("--version", profile.program + " " + ToolVersion());
  app.add_option("-e,--experiments", o.experimentSelection,
                 "experiments to run, comma-separated: simulator -e numbers (0 is the first), "
                 "ranges such as 2-5, or names; default: all (with --sweep: the first)")
      ->delimiter(',')
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option(
         "--sweep", o.sweeps,
         "NAME=FIRST:LAST:STEP or NAME=V1,V2,... (the type from the description; TYPE:NAME=... "
         "too): one experiment per value of a global variable; several sweeps form a grid")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("-j,--jobs", o.jobs, "simulators running at once (default: number of cores)")
      ->check(WholeNumberOf<unsigned>(0));
  app.add_option(
         "--streams", o.streams,
         "simulators (independent streams) per experiment, folded into one estimate; default: 1, "
         "or "
         "more when there are fewer experiments than --jobs (the results then depend on --jobs)")
      ->check(WholeNumberOf<int>());
  app.add_option("-s,--seed", o.seed, "study seed; each experiment's seed is derived from it")
      ->check(WholeNumberOf<std::uint32_t>(0))
      ->capture_default_str();
  app.add_option(
         "-r,--generator", o.generator,
         "random-number generator of the simulators (their -r: 0 lagged Fibonacci, 1 Tausworthe, "
         "2 Mersenne Twister); default: the simulator's")
      ->check(WholeNumberOf<int>());
  app.add_option("-O,--override", o.overrideText,
                 "global-variable override handed to every simulator as -O, e.g. s:nTrains:12");
  app.add_option("--confidence", o.stopRule.confidence, "confidence level")
      ->check(kDecimalNumber)
      ->capture_default_str();
  app.add_option("--precision", o.stopRule.precision,
                 "largest relative half-width of a converged measure")
      ->check(kDecimalNumber)
      ->capture_default_str();
  app.add_option("--abs-precision", o.stopRule.absolutePrecision,
                 "a measure whose half-width is at most this has converged too, whatever its "
                 "relative half-width (e.g. 0.001 for a probability near 0); 0: none")
      ->check(kDecimalNumber)
      ->capture_default_str();
  app.add_option("--min-reps", o.stopRule.minReplications, "fewest replications per experiment")
      ->check(WholeNumberOf<long>(0))
      ->capture_default_str();
  app.add_option("--max-reps", o.stopRule.maxReplications, "most replications per experiment")
      ->check(WholeNumberOf<long>(0))
      ->capture_default_str();
  app.add_option("-n,--report-size", o.reportSize, "replications per simulator report (its -n)")
      ->check(WholeNumberOf<int>(0))
      ->capture_default_str();
  app.add_option("-o,--out", o.outDir, "directory of the result files")->capture_default_str();
  app.add_option("--part", o.part,
                 "K/N: run only part K of N of the study (every N-th experiment or sweep point, "
                 "from the K-th), e.g. one task of a job array; 'merge' joins the parts");
  app.add_flag("--resume", o.resume,
               "reuse the finished experiments of --out when its settings match");
  app.add_flag("--overwrite", o.overwrite,
               "replace results in --out that come from other settings");
  app.add_option("--simulator", o.simulator, "simulator executable")->capture_default_str();
  app.add_option("--description", o.description,
                 "study description of the model (default: beside the simulator, NAME-sim -> "
                 "NAME-study.json)");
  app.add_option("--stall-timeout", o.stallSeconds,
                 "seconds a simulator may stay silent before it counts as hung")
      ->check(kDecimalNumber)
      ->capture_default_str();
  app.add_flag("--exact", o.exact,
               "also run the model's exact solver for every experiment and point, and show each "
               "exact value beside its estimate (Markovian models only)");
  app.add_flag("--solve-only", o.solveOnly,
               "the exact values alone, from the solver, without simulating");
  app.add_option("--solver", o.solver,
                 "exact solver executable (default: beside the simulator, NAME-sim -> "
                 "NAME-solve)");
  app.add_flag("-q,--quiet", o.quiet,
               "no progress lines, only messages, the table and the verdict");
  std::vector<std::string> show;
  app.add_option("--show", show,
                 "measures in the table, comma-separated: reward variables (all their windows and "
                 "time points), titles such as 'served [0, 60]', or all; default: a few of each "
                 "variable (every one of them in study.csv)")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_flag("--describe", o.describe,
               "print what the study description says of the model (global variables, "
               "experiments, measures) and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 1;
  }
  for (const std::string& text : show)
    for (const std::string& item : SplitShowList(text)) o.show.push_back(item);
  if (o.description.empty() && !o.simulator.empty()) o.description = DescriptionBeside(o.simulator);
  if (o.solver.empty() && !o.simulator.empty()) o.solver = SolverBeside(o.simulator);
  // --describe reads the description alone; the simulator need not run.
  if (o.describe && !o.description.empty()) return std::nullopt;
  if (auto error = CheckValues(o)) {
    std::cerr << profile.program << ": " << *error << "\n";
    return 1;
  }
  return std::nullopt;
}

namespace {
std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

std::uint64_t SplitMix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
}  // namespace

std::uint32_t SimulatorSeed(std::uint32_t studySeed, int experiment, const std::string& pointText) {
  // splitmix64 of the pair (and of the point's text, FNV-1a hashed); the
  // simulator reads its seed as a signed int.
  std::uint64_t z = (std::uint64_t{studySeed} << 32) + static_cast<std::uint32_t>(experiment) +
                    0x9E3779B97F4A7C15ull;
  if (!pointText.empty()) z ^= Fnv1a(pointText);
  const auto seed = static_cast<std::uint32_t>(SplitMix(z) >> 33);
  return seed == 0 ? 1 : seed;
}

std::uint32_t StreamSeed(std::uint32_t studySeed, int experiment, const std::string& pointText,
                         int stream, int attempt) {
  // Stream and attempt go through a round of their own, so that no stream
  // of one experiment lands on the mix of another experiment's numbers.
  std::uint64_t z = SplitMix((std::uint64_t{static_cast<std::uint32_t>(stream)} << 32) +
                             static_cast<std::uint32_t>(attempt) + 0x632BE59BD9B4E019ull);
  z ^= (std::uint64_t{studySeed} << 32) + static_cast<std::uint32_t>(experiment);
  if (!pointText.empty()) z ^= Fnv1a(pointText);
  return 1 + static_cast<std::uint32_t>(SplitMix(z + 0x9E3779B97F4A7C15ull) % kLargestStreamSeed);
}
