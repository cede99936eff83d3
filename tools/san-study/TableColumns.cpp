#include "TableColumns.h"

#include <algorithm>
#include <cmath>

#include "NumberFormat.h"

std::string MeasureTitle(const StudyDescription& d, std::size_t m) {
  const Measure& measure = d.measures[m];
  if (d.steadyState || measure.label == measure.rewardVariable) return measure.rewardVariable;
  return measure.rewardVariable + " " + measure.label;
}

std::vector<std::string> SplitShowList(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  int depth = 0;
  auto push = [&] {
    const std::size_t first = item.find_first_not_of(' ');
    if (first != std::string::npos)
      items.push_back(item.substr(first, item.find_last_not_of(' ') - first + 1));
    item.clear();
  };
  for (char c : text) {
    if (c == '[' || c == '(') depth++;
    if ((c == ']' || c == ')') && depth > 0) depth--;
    if (c == ',' && depth == 0) {
      push();
      continue;
    }
    item += c;
  }
  push();
  return items;
}

namespace {
// Up to `count` of the measures `of`, spread evenly from the first to the
// last.
void Spread(const std::vector<std::size_t>& of, std::size_t count,
            std::vector<std::size_t>& chosen) {
  if (of.size() <= count) {
    chosen.insert(chosen.end(), of.begin(), of.end());
    return;
  }
  for (std::size_t k = 0; k < count; k++)
    chosen.push_back(of[count == 1 ? of.size() - 1
                                   : static_cast<std::size_t>(
                                         std::lround(static_cast<double>(k * (of.size() - 1)) /
                                                     static_cast<double>(count - 1)))]);
}

std::vector<std::size_t> DefaultMeasures(const StudyDescription& d) {
  std::vector<std::size_t> chosen;
  const std::size_t count = d.measures.size();
  if (count <= 6) {
    for (std::size_t m = 0; m < count; m++) chosen.push_back(m);
    return chosen;
  }
  const std::size_t perVariable =
      std::max<std::size_t>(1, 4 / std::max<std::size_t>(1, d.rewards.size()));
  for (const RewardVariable& r : d.rewards) {
    std::vector<std::size_t> of;
    for (std::size_t m = 0; m < count; m++)
      if (d.measures[m].rewardVariable == r.name) of.push_back(m);
    Spread(of, perVariable, chosen);
  }
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}
}  // namespace

std::optional<std::string> ChooseMeasures(const StudyDescription& d,
                                          const std::vector<std::string>& show,
                                          const std::vector<std::string>& defaults,
                                          std::vector<std::size_t>& chosen) {
  chosen.clear();
  std::vector<bool> taken(d.measures.size(), false);
  for (const std::string& item : show) {
    bool found = false;
    for (std::size_t m = 0; m < d.measures.size(); m++) {
      const Measure& measure = d.measures[m];
      if (item == "all" || item == measure.rewardVariable || item == measure.label ||
          item == MeasureTitle(d, m)) {
        taken[m] = found = true;
      }
    }
    if (!found) {
      std::string names;
      for (const RewardVariable& r : d.rewards) names += (names.empty() ? "" : ", ") + r.name;
      return "--show: the model " + d.model + " has no measure '" + item +
             "' (reward variables: " + names + "; or a title such as '" +
             (d.measures.empty() ? std::string("NAME [0, 10]") : MeasureTitle(d, 0)) + "', or all)";
    }
  }
  if (show.empty())
    for (const std::string& label : defaults)
      for (std::size_t m = 0; m < d.measures.size(); m++)
        if (d.measures[m].label == label || MeasureTitle(d, m) == label) taken[m] = true;
  for (std::size_t m = 0; m < taken.size(); m++)
    if (taken[m]) chosen.push_back(m);
  if (chosen.empty()) chosen = DefaultMeasures(d);
  return std::nullopt;
}

std::string LeftOutLine(const StudyDescription& d, const std::vector<std::size_t>& shown) {
  std::string line;
  std::size_t leftOut = 0;
  std::string lastVariable;
  for (std::size_t m = 0; m < d.measures.size(); m++) {
    if (std::find(shown.begin(), shown.end(), m) != shown.end()) continue;
    leftOut++;
    const Measure& measure = d.measures[m];
    // "served [0, 60], [0, 120]": the variable's name once for its measures.
    const bool sameVariable = measure.rewardVariable == lastVariable;
    line += (line.empty() ? "" : ", ") +
            (sameVariable && !d.steadyState ? measure.label : MeasureTitle(d, m));
    lastVariable = measure.rewardVariable;
  }
  if (leftOut == 0) return "";
  return "Not shown (" + std::to_string(leftOut) + " of " + std::to_string(d.measures.size()) +
         " measures, all in study.csv): " + line +
         "; choose with --show VAR[,VAR...] (a reward variable, or a title such as '" +
         MeasureTitle(d, shown.empty() ? 0 : shown.front()) + "') or --show all";
}

std::string PercentBeside(double relative, double target) {
  if (!std::isfinite(relative)) return "?";
  std::string text;
  for (int digits = 3; digits <= 9; digits++) {
    text = SignificantText(100.0 * relative, digits);
    if (SignificantText(100.0 * target, digits) != text) break;
  }
  return text + "%";
}
