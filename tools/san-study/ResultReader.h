#ifndef SAN_STUDY_RESULT_READER_H
#define SAN_STUDY_RESULT_READER_H

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "StudyDescriptionTypes.h"
#include "StudyOptions.h"
#include "StudyPlan.h"
#include "StudyResults.h"

// One experiment's record of study.json read back: its plan (index, name,
// point, override, stream seeds, the values of the description's global
// variables) and its result. Throws nlohmann::json::exception when a field
// is missing or of the wrong kind.
ExperimentResult ExperimentFromJson(const nlohmann::json& record,
                                    const StudyDescription& description);

// A study's result directory read back from its study.json, with what it
// takes to write the study's files again: the settings as options, the
// description's variables and measures, the sweeps and the experiments.
struct StudyRecord {
  nlohmann::json settings;  // as written, to compare studies
  StudyOptions options;
  StudyDescription description;
  StudyPlan plan;
  StudyResult result;
  std::string host;
  std::string part;  // "K/N" of a study run with --part; empty for a whole one
};

// An error text when the directory holds no readable study.json.
std::optional<std::string> ReadStudyRecord(const std::filesystem::path& directory,
                                           StudyRecord& record);

// The same from the text of a study.json; `source` names it in messages.
std::optional<std::string> ParseStudyRecord(const std::string& text, const std::string& source,
                                            StudyRecord& record);

#endif
