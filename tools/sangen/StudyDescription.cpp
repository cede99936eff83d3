// The machine-readable description of a model's study, for study tools that
// know no model: the global variables (types, ranges, values per
// experiment), the experiments, and the reward variables with the result
// indices under which the simulator reports them.
#include <nlohmann/json.hpp>

#include <cmath>

#include "Generation.h"

namespace sangen {

namespace {

nlohmann::ordered_json number(ScalarType type, double value) {
  switch (type) {
    case ScalarType::Double: return value;
    case ScalarType::Bool: return value != 0;
    case ScalarType::Char: return std::string(1, static_cast<char>(value));
    default: return static_cast<long long>(value);
  }
}

nlohmann::ordered_json bound(double value) {
  if (std::isinf(value)) return nullptr;  // unbounded
  return value;
}

const char* measureName(Measure measure) {
  switch (measure) {
    case Measure::InstantOfTime: return "instant-of-time";
    case Measure::IntervalOfTime: return "interval-of-time";
    case Measure::TimeAveraged: return "time-averaged";
  }
  return "";
}

}  // namespace

std::string studyDescription(const CheckedModel& checked, const std::string& simulator) {
  const ModelDescription& model = checked.model();
  const ExperimentTable& table = checked.experiments();
  nlohmann::ordered_json json;
  json["model"] = model.name;
  json["simulator"] = simulator;
  json["study"] = model.study->name.text;

  nlohmann::ordered_json globals = nlohmann::ordered_json::array();
  for (std::size_t g = 0; g < model.globals.size(); g++) {
    const GlobalVariable& global = model.globals[g];
    nlohmann::ordered_json entry;
    entry["name"] = global.name.text;
    entry["type"] = cppName(global.type);
    if (global.range) {
      entry["range"] = {{"text", global.range->text},
                        {"min", bound(global.range->min)},
                        {"minOpen", global.range->minOpen},
                        {"max", bound(global.range->max)},
                        {"maxOpen", global.range->maxOpen}};
    } else {
      entry["range"] = nullptr;
    }
    nlohmann::ordered_json values = nlohmann::ordered_json::array();
    for (double v : table.values[g]) values.push_back(number(global.type, v));
    entry["values"] = values;
    globals.push_back(entry);
  }
  json["globals"] = globals;

  nlohmann::ordered_json experiments = nlohmann::ordered_json::array();
  for (int e = 0; e < table.count; e++)
    experiments.push_back({{"index", e}, {"name", "Experiment " + std::to_string(e + 1)}});
  json["experiments"] = experiments;

  // Result indices: variable i with n time points is reported as n
  // consecutive indices (one per time point), after those of the variables
  // before it.
  nlohmann::ordered_json rewards = nlohmann::ordered_json::array();
  int index = 0;
  bool anySteady = false, anyTerminating = false;
  for (const RewardVariable& variable : model.rewards->variables) {
    nlohmann::ordered_json entry;
    entry["name"] = variable.name.text;
    nlohmann::ordered_json kinds = nlohmann::ordered_json::array();
    if (variable.rate) kinds.push_back("rate");
    if (!variable.impulses.empty()) kinds.push_back("impulse");
    entry["kind"] = kinds;
    entry["measure"] = measureName(variable.measure);
    if (variable.steadyState) {
      anySteady = true;
      entry["simulation"] = "steady-state";
      entry["batch"] = {{"start", variable.steadyState->start},
                        {"length", variable.steadyState->batch}};
      entry["resultIndices"] = {index};
      index += 1;
    } else {
      anyTerminating = true;
      entry["simulation"] = "terminating";
      nlohmann::ordered_json points = nlohmann::ordered_json::array();
      nlohmann::ordered_json indices = nlohmann::ordered_json::array();
      for (const auto& [start, stop] : variable.windows) {
        if (variable.measure == Measure::InstantOfTime)
          points.push_back(stop);
        else
          points.push_back({start, stop});
        indices.push_back(index++);
      }
      entry[variable.measure == Measure::InstantOfTime ? "times" : "windows"] = points;
      entry["resultIndices"] = indices;
    }
    rewards.push_back(entry);
  }
  json["rewards"] = rewards;
  // The simulator's -t option: 1 for terminating variables, 0 for
  // steady-state ones (a run observes the variables of its kind only).
  nlohmann::ordered_json simulations = nlohmann::ordered_json::array();
  if (anyTerminating) simulations.push_back("terminating");
  if (anySteady) simulations.push_back("steady-state");
  json["simulations"] = simulations;
  return json.dump(2) + "\n";
}

}  // namespace sangen
