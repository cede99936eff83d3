#ifndef SAN_STUDY_PLOT_WRITER_H
#define SAN_STUDY_PLOT_WRITER_H

#include <filesystem>
#include <optional>
#include <string>

#include "ResultFiles.h"

// Writes study.dat and study.gp into `directory` and runs gnuplot on them
// to draw study.svg: the mean and confidence interval of every measure
// against the x variable (the swept one, the one the experiments differ in,
// or else the experiment's position), one line per measure (and per value
// of the other swept variables); points that stopped at --max-reps short of
// the precision are circled. A problem text when there is no plot; any
// earlier study.svg is then removed, so that no stale picture stays beside
// the new results.
std::optional<std::string> WritePlot(const StudyResult& result, const ResultContext& context,
                                     const std::filesystem::path& directory);

#endif
