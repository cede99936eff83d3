#ifndef SAN_STUDY_RESULT_FILES_H
#define SAN_STUDY_RESULT_FILES_H

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "StudyDescriptionTypes.h"
#include "StudyOptions.h"
#include "StudyPlan.h"
#include "StudyResults.h"

// Everything the result files say about how the results came about.
struct ResultContext {
  const StudyOptions& options;
  const StudyDescription& description;
  const StudyPlan& plan;
  std::string host;
};

// study.csv: a few '#' lines with the study's context (tool version, model,
// host, start and end, seed, generator, override, sweeps, stop rule), then
// one row per experiment and measure with its settings, estimate, interval
// and the typed value of every global variable.
std::string CsvContent(const StudyResult& result, const ResultContext& context);

// study.json: the same, with the settings that decide the results kept
// apart ("settings"), so that --resume can compare them.
std::string JsonContent(const StudyResult& result, const ResultContext& context);

// Writes both through a temporary file and a rename; error texts of the
// files that could not be written.
std::vector<std::string> WriteResultFiles(const StudyResult& result, const ResultContext& context,
                                          const std::filesystem::path& directory);

// What an earlier run left in `directory`. With `resume`, finished
// experiments of matching key and seed are copied into `result`. An error
// text when the directory holds results of other settings (and neither
// --resume nor --overwrite allow going on) or unreadable results with
// --resume.
std::optional<std::string> TakeEarlierResults(const std::filesystem::path& directory,
                                              const ResultContext& context, StudyResult& result);

// The table on standard output: per experiment the x variable, the
// replications, the status and the mean ± half-width of a few measures.
void PrintTable(const StudyResult& result, const ResultContext& context,
                const std::vector<std::string>& tableMeasures, const std::string& xTitle,
                std::ostream& out);

// The precision aimed at: "±5%", or "±5% or ±0.001" with an absolute one.
std::string TargetText(const StopRule& rule);

// One line per experiment that stopped at --max-reps short of the
// precision: which measures, and how far they got.
std::vector<std::string> VerdictLines(const StudyResult& result, const ResultContext& context);

#endif
