#include "StudyTool.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <iostream>

#include "DescriptionText.h"
#include "DirectoryLock.h"
#include "ExactValues.h"
#include "MergeCommand.h"
#include "PlotWriter.h"
#include "ProgressDisplay.h"
#include "ResultFiles.h"
#include "SettingsProbe.h"
#include "StudyDescriptionReader.h"
#include "StudyPage.h"
#include "StudyPart.h"
#include "StudyPlan.h"
#include "StudyRunner.h"
#include "TableColumns.h"

namespace {
std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

int Study(int argc, char** argv, const ToolProfile& profile, StudyDistribution* distribution) {
  const std::string program = profile.program;
  auto refuse = [&](const std::string& message) {
    std::cerr << program << ": " << message << "\n";
    return 1;
  };
  // In a distributed run every process takes the same steps up to the
  // start, and each step's outcome is agreed on.
  auto agree = [&](std::optional<int> status) {
    return distribution ? distribution->Agree(status) : status;
  };
  StudyOptions options;
  if (auto status = agree(ParseStudyOptions(argc, argv, profile, options))) return *status;
  // Exact values alone need no simulator: nothing to share out.
  if (distribution && options.solveOnly)
    return refuse("--solve-only runs no simulator: run it without MPI");
  StudyDescription description;
  std::optional<int> failed;
  try {
    description = ReadStudyDescription(options.description);
  } catch (const std::exception& e) {
    failed = refuse(e.what());
  }
  if (!failed && options.describe) {
    if (!distribution || distribution->Leads()) DescribeStudy(description, program, std::cout);
    return 0;
  }
  std::vector<std::size_t> shown;
  if (!failed)
    if (auto error = ChooseMeasures(description, options.show, profile.tableMeasures, shown))
      failed = refuse(*error);
  if (auto status = agree(failed)) return *status;
  const unsigned cores = distribution ? distribution->Cores(options.jobs) : options.jobs;
  StudyPlan plan;
  if (auto error = PlanStudy(options, description, plan, cores)) failed = refuse(*error);
  // A part keeps what its experiments have in the whole plan: seeds, streams.
  StudyPart part;
  if (!failed && !ParsePart(options.part, part)) KeepPart(part, plan);
  if (auto status = agree(failed)) return *status;
  if (distribution && !distribution->Leads())
    return distribution->Follow(options, description, plan);

  const ResultContext context{options, description, plan, HostName()};
  StudyResult result;
  for (const PlannedExperiment& e : plan.experiments) result.experiments.push_back(FreshResult(e));
  const std::filesystem::path out(options.outDir);
  DirectoryLock lock;
  failed = [&]() -> std::optional<int> {
    std::error_code created;
    std::filesystem::create_directories(out, created);
    if (created || access(out.c_str(), W_OK) != 0)
      return refuse("cannot write into " + out.string());
    if (auto error = lock.Take(out)) return refuse(*error);
    if (auto error = TakeEarlierResults(out, context, result)) return refuse(*error);
    const PlannedExperiment* firstToRun = nullptr;
    for (const ExperimentResult& e : result.experiments)
      if (!e.reused && !firstToRun) firstToRun = &e.plan;
    // The exact values come first: a model the solver refuses ends the
    // study before any simulation.
    if (options.exact || options.solveOnly)
      if (auto error = SolveExperiments(options.solver, description, result)) return refuse(*error);
    if (options.solveOnly) return std::nullopt;
    if (firstToRun && !firstToRun->overrideText.empty())
      if (auto error = ProbeSettings(options, description.steadyState, *firstToRun))
        return refuse(*error);
    return std::nullopt;
  }();
  if (auto status = agree(failed)) return *status;
  std::size_t reused = 0;
  for (const ExperimentResult& e : result.experiments) reused += e.reused;

  const auto mode = options.quiet           ? ProgressDisplay::Mode::Quiet
                    : isatty(STDERR_FILENO) ? ProgressDisplay::Mode::Terminal
                                            : ProgressDisplay::Mode::Plain;
  ProgressDisplay progress(mode);
  if (reused)
    progress.Message(program + ": " + std::to_string(reused) + " finished experiment" +
                     (reused > 1 ? "s" : "") + " reused from " + out.string());
  result.startTime = UtcNow();
  std::vector<std::string> fileErrors;
  // Each error is told once, however often the files are written.
  auto save = [&](const StudyResult& sofar) {
    const std::vector<std::string> errors = WriteResultFiles(sofar, context, out);
    for (const std::string& error : errors)
      if (std::find(fileErrors.begin(), fileErrors.end(), error) == fileErrors.end()) {
        progress.Message(program + ": " + error);
        fileErrors.push_back(error);
      }
    return errors.empty();
  };
  save(result);  // marks the directory with these settings at once
  StreamExchange* remote = nullptr;
  if (distribution) {
    std::vector<std::size_t> runs;
    for (std::size_t i = 0; i < result.experiments.size(); i++)
      if (!result.experiments[i].reused) runs.push_back(i);
    remote = &distribution->Start(plan, runs);
  }
  if (options.solveOnly)
    for (ExperimentResult& e : result.experiments) {
      e.status = ExperimentStatus::kSolved;
      e.windows.assign(description.measures.size(),
                       WindowResult{NAN, NAN, -INFINITY, INFINITY, INFINITY,
                                    MethodName(IntervalMethod::None), INFINITY, false});
    }
  else
    StudyRunner(options, description, progress, save).Run(result, remote);
  result.endTime = UtcNow();
  progress.ClearLine();
  if (result.Aborted())
    progress.Message(program + ": stopped on an internal error: " + result.internalError);

  PrintTable(result, context, profile.tableMeasures, profile.xTitle, std::cout);
  const std::vector<std::string> verdict = VerdictLines(result, context);
  for (const std::string& line : verdict) std::cout << line << "\n";
  for (const std::string& line : ExactMissLines(result, description)) std::cout << line << "\n";
  std::cout.flush();

  const bool filesWritten = save(result);
  std::string written = filesWritten ? "study.csv, study.json" : "";
  const std::optional<std::string> noPlot = WritePlot(result, context, out);
  if (noPlot)
    progress.Message(program + ": no plot: " + *noPlot);
  else
    written += std::string(written.empty() ? "" : ", ") + "study.svg (from study.gp and study.dat)";
  if (auto error = StudyPage::Write(result, context, out, noPlot))
    progress.Message(program + ": " + *error);
  else
    written += std::string(written.empty() ? "" : ", ") + "study.html";
  long wasted = 0, replications = 0;
  bool streams = false;
  for (const ExperimentResult& e : result.experiments) {
    wasted += e.reused ? 0 : e.wasted;
    replications += e.reused ? 0 : e.replications;
    streams |= e.plan.Streams() > 1;
  }
  if (streams)
    progress.Message(program + ": " + std::to_string(wasted) +
                     " replications run beyond the stop were not counted (" +
                     std::to_string(replications) + " counted)");
  progress.Message(program + ": results in " + out.string() + ": " + written +
                   (result.Complete() ? "" : "; marked incomplete"));
  if (result.Interrupted()) return 128 + result.interruptSignal;
  if (result.AnyFailure() || result.Aborted() || !filesWritten) return 1;
  return verdict.empty() ? 0 : 2;
}
}  // namespace

// Whatever escapes the study (the runner and the file writers keep the
// results gathered so far themselves) ends it with a message, not an abort.
int RunStudyTool(int argc, char** argv, const ToolProfile& profile,
                 StudyDistribution* distribution) {
  try {
    if (!distribution && argc > 1 && std::string(argv[1]) == "merge")
      return RunMergeCommand(argc - 1, argv + 1, profile);
    return Study(argc, argv, profile, distribution);
  } catch (const std::exception& e) {
    std::cerr << profile.program << ": internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << profile.program << ": internal error\n";
  }
  return 1;
}
