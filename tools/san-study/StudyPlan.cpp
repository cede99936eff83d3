#include "StudyPlan.h"

#include <algorithm>
#include <sstream>
#include <unordered_set>

#include "NumberFormat.h"

namespace {
// "7" or "2-5" (spaces allowed around the numbers).
bool ParseRange(const std::string& text, int& first, int& last) {
  if (text.find_first_not_of("0123456789- ") != std::string::npos) return false;
  std::istringstream in(text);
  char dash = 0;
  if (!(in >> first) || first < 0) return false;
  last = first;
  if (in >> dash && (dash != '-' || !(in >> last))) return false;
  in >> std::ws;
  return in.eof();
}

std::optional<std::string> SelectExperiments(const StudyOptions& o, const StudyDescription& d,
                                             std::vector<int>& chosen) {
  const int count = static_cast<int>(d.experiments.size());
  auto add = [&](int index) {
    if (std::find(chosen.begin(), chosen.end(), index) == chosen.end()) chosen.push_back(index);
  };
  if (o.experimentSelection.empty())
    for (int i = 0; i < (o.sweeps.empty() ? count : 1); i++) add(i);
  const std::string known = ": the study has experiments 0 to " + std::to_string(count - 1) +
                            " (\"" + d.experiments.front().name + "\" to \"" +
                            d.experiments.back().name + "\")";
  for (const std::string& item : o.experimentSelection) {
    int first = 0, last = 0;
    if (ParseRange(item, first, last)) {
      if (first > last || last >= count) return "unknown experiment '" + item + "'" + known;
      for (int i = first; i <= last; i++) add(i);
      continue;
    }
    auto named = std::find_if(d.experiments.begin(), d.experiments.end(),
                              [&](const auto& e) { return e.name == item; });
    if (named == d.experiments.end()) return "unknown experiment '" + item + "'" + known;
    add(static_cast<int>(named - d.experiments.begin()));
  }
  if (chosen.empty()) return "no experiment chosen";
  return std::nullopt;
}

// Every combination of the sweeps' values, the last sweep varying fastest.
std::vector<std::vector<Assignment>> Grid(const std::vector<Sweep>& sweeps) {
  std::vector<std::vector<Assignment>> grid(1);
  for (const Sweep& sweep : sweeps) {
    std::vector<std::vector<Assignment>> next;
    for (const auto& partial : grid)
      for (const Assignment& a : sweep.points) {
        next.push_back(partial);
        next.back().push_back(a);
      }
    grid = std::move(next);
  }
  return grid;
}

std::vector<ObservationBounds> Bounds(const StudyDescription& d,
                                      const std::vector<double>& values) {
  std::vector<ObservationBounds> bounds;
  for (const Measure& m : d.measures) {
    if (m.Derived()) break;
    ObservationBounds b;
    if (m.lowest) b.lowest = m.lowest->Resolve(values);
    if (m.highest) b.highest = m.highest->Resolve(values);
    bounds.push_back(b);
  }
  return bounds;
}
}  // namespace

int ChooseXVariable(const StudyPlan& plan, std::size_t variableCount) {
  if (!plan.sweeps.empty()) return plan.sweeps.front().variable;
  int x = -1;
  for (std::size_t v = 0; v < variableCount; v++) {
    const bool differs = std::any_of(
        plan.experiments.begin(), plan.experiments.end(),
        [&](const auto& e) { return e.values[v] != plan.experiments.front().values[v]; });
    if (!differs) continue;
    if (x >= 0) return -1;  // several differ: no single x
    x = static_cast<int>(v);
  }
  return x;
}

std::vector<int> AutomaticStreams(std::size_t experiments, unsigned cores) {
  std::vector<int> streams(experiments, 1);
  if (experiments == 0 || experiments >= cores) return streams;
  const unsigned each = cores / static_cast<unsigned>(experiments),
                 extra = cores % static_cast<unsigned>(experiments);
  for (std::size_t e = 0; e < experiments; e++)
    streams[e] = static_cast<int>(std::min<unsigned>(each + (e < extra), kMaxStreams));
  return streams;
}

void AssignStreamSeeds(std::uint32_t studySeed, std::vector<PlannedExperiment>& experiments,
                       const std::vector<int>& streams) {
  std::unordered_set<std::uint32_t> taken;
  for (std::size_t e = 0; e < experiments.size(); e++) {
    PlannedExperiment& x = experiments[e];
    x.streamSeeds.clear();
    for (int s = 0; s < streams[e]; s++) {
      std::uint32_t seed = s == 0 ? x.seed : StreamSeed(studySeed, x.index, x.point, s, 0);
      for (int attempt = 1; taken.count(seed); attempt++)
        seed = StreamSeed(studySeed, x.index, x.point, s, attempt);
      taken.insert(seed);
      x.streamSeeds.push_back(seed);
    }
    x.seed = x.streamSeeds.front();
  }
}

std::optional<std::string> PlanStudy(const StudyOptions& o, const StudyDescription& d,
                                     StudyPlan& plan, unsigned cores) {
  plan = StudyPlan{};
  if (auto error = ParseOverride(o.overrideText, d, plan.overrides)) return error;
  for (const std::string& text : o.sweeps) {
    Sweep sweep;
    if (auto error = ParseSweep(text, d, sweep)) return error;
    for (const Sweep& other : plan.sweeps)
      if (other.variable == sweep.variable)
        return "the sweeps '" + other.text + "' and '" + text + "' change the same variable";
    plan.sweeps.push_back(std::move(sweep));
  }
  std::vector<int> chosen;
  if (auto error = SelectExperiments(o, d, chosen)) return error;
  // Counted before the grid is built: three sweeps of 1000 points would
  // ask for a billion points' memory first.
  double points = static_cast<double>(chosen.size());
  for (const Sweep& sweep : plan.sweeps) points *= static_cast<double>(sweep.points.size());
  if (points > static_cast<double>(kMaxSweepPoints))
    return "the study would run " + ShortestText(points) + " experiments, more than " +
           std::to_string(kMaxSweepPoints);
  const auto grid = Grid(plan.sweeps);

  for (int index : chosen) {
    for (const auto& point : grid) {
      PlannedExperiment e;
      e.index = index;
      e.name = d.experiments[index].name;
      e.values = d.experiments[index].values;
      for (const Assignment& a : plan.overrides) e.values[a.variable] = a.value;
      std::string label;
      for (const Assignment& a : point) {
        e.values[a.variable] = a.value;
        label += (label.empty() ? "" : ", ") + d.variables[a.variable].name + "=" + a.text;
      }
      if (!label.empty()) e.name += " [" + label + "]";
      e.point = OverrideText(point, d);
      e.overrideText =
          o.overrideText + (o.overrideText.empty() || e.point.empty() ? "" : ":") + e.point;
      e.seed = SimulatorSeed(o.seed, index, e.point);
      e.bounds = Bounds(d, e.values);
      for (const Measure& m : d.measures)
        if (m.Derived()) e.ratios.push_back({m.numerator, m.denominator});
      plan.experiments.push_back(std::move(e));
    }
  }

  const std::vector<int> streams = o.streams ? std::vector<int>(plan.experiments.size(), *o.streams)
                                             : AutomaticStreams(plan.experiments.size(), cores);
  AssignStreamSeeds(o.seed, plan.experiments, streams);

  plan.xVariable = ChooseXVariable(plan, d.variables.size());
  return std::nullopt;
}
