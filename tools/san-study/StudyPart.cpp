#include "StudyPart.h"

#include <charconv>

namespace {
bool WholeNumber(const std::string& text, int& value) {
  if (text.empty() || text[0] == '0') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}
}  // namespace

std::optional<std::string> ParsePart(const std::string& text, StudyPart& part) {
  const std::size_t slash = text.find('/');
  StudyPart p;
  if (slash == std::string::npos || !WholeNumber(text.substr(0, slash), p.index) ||
      !WholeNumber(text.substr(slash + 1), p.count) || p.index > p.count)
    return "--part '" + text + "' is not K/N with 1 <= K <= N (e.g. 2/8)";
  part = p;
  return std::nullopt;
}

void KeepPart(const StudyPart& part, StudyPlan& plan) {
  std::vector<PlannedExperiment> kept;
  for (std::size_t i = static_cast<std::size_t>(part.index - 1); i < plan.experiments.size();
       i += static_cast<std::size_t>(part.count))
    kept.push_back(std::move(plan.experiments[i]));
  plan.experiments = std::move(kept);
}

std::optional<std::string> WholePositions(const std::vector<std::size_t>& partSizes,
                                          std::vector<std::vector<std::size_t>>& positions) {
  const std::size_t n = partSizes.size();
  std::size_t total = 0;
  for (std::size_t size : partSizes) total += size;
  positions.assign(n, {});
  // Position p of the whole plan went to part p mod N.
  for (std::size_t p = 0; p < total; p++) positions[p % n].push_back(p);
  for (std::size_t k = 0; k < n; k++)
    if (positions[k].size() != partSizes[k])
      return "part " + std::to_string(k + 1) + "/" + std::to_string(n) + " holds " +
             std::to_string(partSizes[k]) + " experiments where a split of " +
             std::to_string(total) + " gives it " + std::to_string(positions[k].size());
  return std::nullopt;
}
