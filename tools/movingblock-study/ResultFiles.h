#ifndef MOVINGBLOCK_STUDY_RESULT_FILES_H
#define MOVINGBLOCK_STUDY_RESULT_FILES_H

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "StudyOptions.h"
#include "StudyResults.h"

// study.csv: one row per experiment and window. Each returns an error text
// when the file cannot be written.
std::optional<std::string> WriteCsv(const StudyResult& result, const std::filesystem::path& file);

// study.json: the settings, the replication rule and every experiment with
// its global variables and windows.
std::optional<std::string> WriteJson(const StudyResult& result, const StudyOptions& options,
                                     const std::filesystem::path& file);

// The table on standard output: per experiment the loss probability, the
// replications and the mean ± half-width in a few windows.
void PrintTable(const StudyResult& result, std::ostream& out);

#endif
