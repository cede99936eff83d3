#ifndef MOVINGBLOCK_STUDY_PLOT_WRITER_H
#define MOVINGBLOCK_STUDY_PLOT_WRITER_H

#include <filesystem>
#include <optional>
#include <string>

#include "StudyResults.h"

// Writes study.dat (one block per window: loss probability, mean, lower
// and upper bound) and the gnuplot script study.gp beside it, then runs
// gnuplot to draw study.svg: the expected number of trains against the
// loss probability, one line per window, the intervals as error bars.
// Returns an error text when a file cannot be written or gnuplot fails.
std::optional<std::string> WritePlot(const StudyResult& result, const std::filesystem::path& directory);

#endif
