#ifndef SAN_STUDY_TABLE_COLUMNS_H
#define SAN_STUDY_TABLE_COLUMNS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "StudyDescriptionTypes.h"

// Which measures the table shows, and how its columns and verdicts name
// them. A measure is one reward variable in one window or at one time
// point; the table names it by both ("served [0, 60]", "queueLength t = 60").

// "served [0, 60]", "queueLength t = 60"; a steady-state measure (one per
// variable) by the variable alone.
std::string MeasureTitle(const StudyDescription& description, std::size_t measure);

// Splits a --show text at the commas that lie outside brackets, so that
// "served [0, 60],utilisation" gives two items.
std::vector<std::string> SplitShowList(const std::string& text);

// The measures to show, in the description's order. `show` (from --show)
// holds reward variable names (all their measures), measure titles
// ("served [0, 60]"), measure labels ("[0, 60]": that window of every
// variable), or "all". Empty `show`: the measures labelled `defaults` (a
// model's own study command), or else every measure when there are at most
// six, or else up to four per reward variable (at least one each), spread
// over its windows. An error text for an item that names no measure.
std::optional<std::string> ChooseMeasures(const StudyDescription& description,
                                          const std::vector<std::string>& show,
                                          const std::vector<std::string>& defaults,
                                          std::vector<std::size_t>& chosen);

// The line under the table that names the measures left out and how to
// show them; empty when every measure is shown.
std::string LeftOutLine(const StudyDescription& description, const std::vector<std::size_t>& shown);

// A relative half-width as a percentage with the digits it takes to tell
// it from the target's (0.00548 against 0.005: "0.548%", not "0.5%").
std::string PercentBeside(double relative, double target);

#endif
