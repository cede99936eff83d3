#ifndef SAN_STUDY_STUDY_PART_H
#define SAN_STUDY_STUDY_PART_H

#include <optional>
#include <string>
#include <vector>

#include "StudyPlan.h"

// One of N parts of a study (--part K/N), for the tasks of a job array:
// part K runs the experiments at positions K - 1, K - 1 + N, K - 1 + 2N, ...
// of the whole study's plan (every N-th, so that the costly and the cheap
// points of a sweep spread over the tasks). The whole plan is made first,
// so each experiment keeps the seeds and streams it has in the whole study,
// and `merge` interleaves the parts back into the whole study's order.
struct StudyPart {
  int index = 1;  // K, from 1
  int count = 1;  // N

  bool Whole() const { return count == 1; }
  std::string Text() const { return std::to_string(index) + "/" + std::to_string(count); }
};

// "K/N" with 1 <= K <= N; an error text otherwise.
std::optional<std::string> ParsePart(const std::string& text, StudyPart& part);

// Keeps only the experiments of `part` in `plan`.
void KeepPart(const StudyPart& part, StudyPlan& plan);

// The positions in the whole plan of the experiments of each part, given
// how many each holds (parts in order 1..N); an error text when the counts
// do not come from one plan split N ways.
std::optional<std::string> WholePositions(const std::vector<std::size_t>& partSizes,
                                          std::vector<std::vector<std::size_t>>& positions);

#endif
