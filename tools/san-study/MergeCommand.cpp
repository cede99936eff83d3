#include "MergeCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <map>
#include <set>

#include "DirectoryLock.h"
#include "ExactValues.h"
#include "PlotWriter.h"
#include "RecordChecks.h"
#include "ResultFiles.h"
#include "ResultReader.h"
#include "StudyDescriptionReader.h"
#include "StudyPage.h"
#include "StudyPart.h"
#include "Utf8Text.h"

namespace {
// The settings in which `other` differs from `first`, comma-separated.
std::string DifferingSettings(const nlohmann::json& first, const nlohmann::json& other) {
  std::string differ;
  std::set<std::string> keys;
  for (const auto& [key, value] : first.items()) keys.insert(key);
  for (const auto& [key, value] : other.items()) keys.insert(key);
  for (const std::string& key : keys)
    if (!first.contains(key) || !other.contains(key) || first.at(key) != other.at(key))
      differ += (differ.empty() ? "" : ", ") + key;
  return differ;
}
// What of the model `other` declares otherwise than `first`: its global
// variables (names and types) or its measures (reward variables, labels,
// windows); std::nullopt when they are the same.
std::optional<std::string> DifferingModel(const StudyDescription& first,
                                          const StudyDescription& other) {
  auto sameVariable = [](const GlobalVariable& a, const GlobalVariable& b) {
    return a.name == b.name && a.type == b.type;
  };
  auto sameMeasure = [](const Measure& a, const Measure& b) {
    return a.rewardVariable == b.rewardVariable && a.label == b.label && a.start == b.start &&
           a.end == b.end && a.numerator == b.numerator && a.denominator == b.denominator;
  };
  if (!std::equal(first.variables.begin(), first.variables.end(), other.variables.begin(),
                  other.variables.end(), sameVariable))
    return "global variables";
  if (!std::equal(first.measures.begin(), first.measures.end(), other.measures.begin(),
                  other.measures.end(), sameMeasure))
    return "measures";
  return std::nullopt;
}

// Puts the experiments in the order of the study they come from: the parts
// of one study (--part K/N), all N of them, interleaved back into the whole
// study's order; otherwise in the order of the model's experiments, the
// points of one experiment as their study ran them.
std::optional<std::string> OrderParts(
    const std::vector<StudyRecord>& records, const std::vector<std::string>& inputs,
    std::vector<std::pair<std::size_t, ExperimentResult>>& experiments) {
  const bool parts = std::any_of(records.begin(), records.end(),
                                 [](const StudyRecord& r) { return !r.part.empty(); });
  if (!parts) {
    std::stable_sort(experiments.begin(), experiments.end(), [](const auto& a, const auto& b) {
      return a.second.plan.index < b.second.plan.index;
    });
    return std::nullopt;
  }
  std::vector<StudyPart> part(records.size());
  for (std::size_t i = 0; i < records.size(); i++)
    if (records[i].part.empty() || ParsePart(records[i].part, part[i]))
      return inputs[i] + " is not a part of a study (--part), unlike the others";
  const int count = part.front().count;
  std::vector<std::size_t> directoryOf(static_cast<std::size_t>(count), records.size());
  for (std::size_t i = 0; i < records.size(); i++) {
    if (part[i].count != count)
      return inputs[i] + " is part " + part[i].Text() + ", not one of " + std::to_string(count);
    std::size_t& slot = directoryOf[static_cast<std::size_t>(part[i].index - 1)];
    if (slot != records.size())
      return "part " + part[i].Text() + " is in both " + inputs[slot] + " and " + inputs[i];
    slot = i;
  }
  std::vector<std::size_t> sizes;
  for (int k = 0; k < count; k++) {
    const std::size_t i = directoryOf[static_cast<std::size_t>(k)];
    if (i == records.size())
      return "part " + std::to_string(k + 1) + "/" + std::to_string(count) + " is missing";
    sizes.push_back(records[i].result.experiments.size());
  }
  std::vector<std::vector<std::size_t>> positions;
  if (auto error = WholePositions(sizes, positions)) return error;
  std::vector<std::pair<std::size_t, ExperimentResult>> whole(experiments.size());
  for (auto& entry : experiments) {
    const std::size_t k = static_cast<std::size_t>(part[entry.first].index - 1);
    const std::size_t position = positions[k].front();
    positions[k].erase(positions[k].begin());
    whole[position] = std::move(entry);
  }
  experiments = std::move(whole);
  return std::nullopt;
}
}  // namespace

namespace {
// The study's name and the model's diagram, which the results do not
// record, from the study description the studies ran with, when it is
// still there unchanged (same digest); else the page goes without them.
void TakeDrawing(StudyDescription& description) {
  try {
    const StudyDescription original = ReadStudyDescription(description.source);
    if (original.digest != description.digest) return;
    description.study = original.study;
    description.diagram = original.diagram;
  } catch (const std::exception&) {
  }
}
}  // namespace

int RunMergeCommand(int argc, char** argv, const ToolProfile& profile) {
  const std::string program = profile.program + " merge";
  std::string outDir;
  std::vector<std::string> inputs;
  bool overwrite = false;
  CLI::App app{
      "Combines the result directories of studies with the same settings (each with other "
      "experiments, "
      "e.g. the tasks of a job array) into one study in OUT.",
      program};
  app.add_option("OUT", outDir, "directory of the combined results")->required();
  app.add_option("DIR", inputs, "result directories to combine")->required();
  app.add_flag("--overwrite", overwrite, "replace results in OUT that come from other settings");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 1;
  }
  auto refuse = [&](const std::string& message) {
    std::cerr << program << ": " << message << "\n";
    return 1;
  };

  std::vector<StudyRecord> records(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); i++)
    if (auto error = ReadStudyRecord(inputs[i], records[i])) return refuse(*error);
  StudyRecord& merged = records.front();
  std::map<std::string, std::string> seen;                            // experiment key -> directory
  std::vector<std::pair<std::size_t, ExperimentResult>> experiments;  // (directory, experiment)
  std::set<std::string> hosts;
  for (std::size_t i = 0; i < records.size(); i++) {
    const StudyRecord& r = records[i];
    if (r.settings != merged.settings)
      return refuse(inputs[i] + " holds a study with other settings than " + inputs[0] + " (" +
                    DifferingSettings(merged.settings, r.settings) + ")");
    if (auto differ = DifferingModel(merged.description, r.description))
      return refuse(inputs[i] + " holds a study of other " + *differ + " than " + inputs[0]);
    for (const ExperimentResult& e : r.result.experiments) {
      if (auto fault = ImplausibleRecord(e, r.description, r.options.stopRule))
        return refuse(inputs[i] +
                      " holds an experiment that no study with its settings can have "
                      "written (" +
                      OneLineText(e.plan.name) + ": " + OneLineText(*fault) + ")");
      const auto [at, fresh] = seen.emplace(e.plan.Key(), inputs[i]);
      if (!fresh)
        return refuse(OneLineText(e.plan.name) + " is in both " + at->second + " and " + inputs[i]);
      experiments.emplace_back(i, e);
    }
    hosts.insert(r.host);
  }
  if (auto error = OrderParts(records, inputs, experiments)) return refuse(*error);

  StudyResult result;
  result.startTime = merged.result.startTime;
  result.endTime = merged.result.endTime;
  for (const StudyRecord& r : records) {
    result.startTime = std::min(result.startTime, r.result.startTime);
    if (r.result.endTime.empty() || result.endTime.empty())
      result.endTime.clear();
    else
      result.endTime = std::max(result.endTime, r.result.endTime);
  }
  merged.plan.experiments.clear();
  for (auto& [directory, e] : experiments) {
    merged.plan.experiments.push_back(e.plan);
    result.experiments.push_back(std::move(e));
  }
  merged.plan.xVariable = ChooseXVariable(merged.plan, merged.description.variables.size());
  TakeDrawing(merged.description);
  merged.options.program = profile.program;
  merged.options.overwrite = overwrite;
  std::string host;
  for (const std::string& h : hosts) host += (host.empty() ? "" : " ") + h;
  const ResultContext context{merged.options, merged.description, merged.plan, host};

  const std::filesystem::path out(outDir);
  std::error_code created;
  std::filesystem::create_directories(out, created);
  if (created || access(out.c_str(), W_OK) != 0) return refuse("cannot write into " + out.string());
  DirectoryLock lock;
  if (auto error = lock.Take(out)) return refuse(*error);
  StudyResult unused;
  if (auto error = TakeEarlierResults(out, context, unused)) return refuse(*error);

  PrintTable(result, context, profile.tableMeasures, profile.xTitle, std::cout);
  const std::vector<std::string> verdict = VerdictLines(result, context);
  for (const std::string& line : verdict) std::cout << line << "\n";
  for (const std::string& line : ExactMissLines(result, merged.description))
    std::cout << line << "\n";
  std::cout.flush();
  const std::vector<std::string> errors = WriteResultFiles(result, context, out);
  for (const std::string& error : errors) std::cerr << program << ": " << error << "\n";
  std::string written = errors.empty() ? "study.csv, study.json" : "";
  const std::optional<std::string> noPlot = WritePlot(result, context, out);
  if (noPlot)
    std::cerr << program << ": no plot: " << *noPlot << "\n";
  else
    written += std::string(written.empty() ? "" : ", ") + "study.svg (from study.gp and study.dat)";
  if (auto error = StudyPage::Write(result, context, out, noPlot))
    std::cerr << program << ": " << *error << "\n";
  else
    written += std::string(written.empty() ? "" : ", ") + "study.html";
  std::cerr << program << ": " << result.experiments.size() << " experiments of " << inputs.size()
            << " directories in " << out.string() << ": " << written
            << (result.Complete() ? "" : "; marked incomplete") << "\n";
  if (result.AnyFailure() || !errors.empty()) return 1;
  return verdict.empty() ? 0 : 2;
}
