// The machine-readable description of a model's study, in the layout the
// study tool reads (san-study's StudyDescriptionReader): the kind of
// simulation, the global variables (types, declared ranges), the values of
// every experiment, and the reward variables in result-index order with
// their windows or time points and the declared bounds of one observation,
// then the derived measures (ratios of two reward variables).
#include <cmath>
#include <nlohmann/json.hpp>

#include "Generation.h"

namespace sangen {

namespace {

using Json = nlohmann::ordered_json;

// Integers of the integer types without a fraction; bool and char as their
// numeric value, which is what an override passes.
Json number(ScalarType type, double value) {
  if (type == ScalarType::Double) return value;
  return static_cast<long long>(value);
}

// The declared range: finite bounds only, an open flag only where it is set.
Json range(ScalarType type, const Range& r) {
  Json json = Json::object();
  if (std::isfinite(r.min)) {
    json["min"] = number(type, r.min);
    if (r.minOpen) json["minOpen"] = true;
  }
  if (std::isfinite(r.max)) {
    json["max"] = number(type, r.max);
    if (r.maxOpen) json["maxOpen"] = true;
  }
  return json;
}

Json bound(const ObservationBound& b) {
  if (!b.global.empty()) return b.global;
  return b.number;
}

const char* observation(Measure measure) {
  switch (measure) {
    case Measure::InstantOfTime:
      return "instant-of-time";
    case Measure::IntervalOfTime:
      return "interval-of-time";
    case Measure::TimeAveraged:
      return "time-averaged";
  }
  return "";
}

const char* kind(const RewardVariable& variable) {
  if (variable.rate && !variable.impulses.empty()) return "rate and impulse";
  return variable.rate ? "rate" : "impulse";
}

// The simulation settings: the kind of run and, for a steady-state study,
// each variable's batches.
Json simulation(const Rewards& rewards, bool steadyState) {
  Json json;
  json["type"] = steadyState ? "steady-state" : "terminating";
  if (steadyState) {
    Json batches = Json::object();
    for (const RewardVariable& variable : rewards.variables)
      batches[variable.name.text] = {{"start", variable.steadyState->start},
                                     {"length", variable.steadyState->batch}};
    json["batches"] = batches;
  }
  return json;
}

// The bounds of one observation: those the model declares, else those its
// reward implies. A condition over the copies (all, any, at least k) earns 0
// or 1 at every instant, so an observation at an instant or averaged over a
// window lies in [0, 1]; a count is never negative. They let the study tool
// bound the interval of a rare probability while every observation is 0.
std::pair<std::optional<ObservationBound>, std::optional<ObservationBound>> observationBounds(
    const RewardVariable& variable) {
  if (variable.lowest || variable.highest || !variable.rate || !variable.impulses.empty())
    return {variable.lowest, variable.highest};
  const Aggregate aggregate = variable.rate->aggregate;
  const bool indicator =
      aggregate == Aggregate::All || aggregate == Aggregate::Any || aggregate == Aggregate::AtLeast;
  if (!indicator && aggregate != Aggregate::Count) return {};
  std::optional<ObservationBound> one;
  if (indicator && variable.measure != Measure::IntervalOfTime) one = ObservationBound{{}, 1.0, {}};
  return {ObservationBound{{}, 0.0, {}}, one};
}

Json rewardVariable(const RewardVariable& variable) {
  Json json;
  json["name"] = variable.name.text;
  if (!variable.description.empty()) json["description"] = variable.description;
  json["kind"] = kind(variable);
  json["observation"] = observation(variable.measure);
  // The simulator reports one result index per time point or window, in
  // this order; a steady-state variable has one (its batch means).
  if (!variable.steadyState) {
    Json points = Json::array();
    for (const auto& [start, stop] : variable.windows) {
      if (variable.measure == Measure::InstantOfTime)
        points.push_back(stop);
      else
        points.push_back({start, stop});
    }
    json[variable.measure == Measure::InstantOfTime ? "timePoints" : "windows"] = points;
  }
  const auto [lowest, highest] = observationBounds(variable);
  if (lowest || highest) {
    Json limits = Json::object();
    if (lowest) limits["min"] = bound(*lowest);
    if (highest) limits["max"] = bound(*highest);
    json["valueRange"] = limits;
  }
  return json;
}

}  // namespace

std::optional<std::string> studyDescription(const CheckedModel& checked,
                                            const std::string& diagram) {
  const ModelDescription& model = checked.model();
  const ExperimentTable& table = checked.experiments();
  const Rewards& rewards = *model.rewards;
  std::size_t steady = 0;
  for (const RewardVariable& variable : rewards.variables) steady += variable.steadyState ? 1 : 0;
  // A run observes the variables of one kind; the study tool runs one kind.
  if (steady != 0 && steady != rewards.variables.size()) return std::nullopt;

  Json json;
  json["format"] = "san-study-description 1";
  json["model"] = model.name;
  if (model.study) json["study"] = model.study->name.text;
  json["simulation"] = simulation(rewards, steady != 0);

  Json globals = Json::array();
  for (const GlobalVariable& global : model.globals) {
    Json entry;
    entry["name"] = global.name.text;
    entry["type"] = cppName(global.type);
    if (global.range && !range(global.type, *global.range).empty())
      entry["range"] = range(global.type, *global.range);
    globals.push_back(entry);
  }
  json["globalVariables"] = globals;

  Json experiments = Json::array();
  for (int e = 0; e < table.count; e++) {
    Json values = Json::object();
    for (std::size_t g = 0; g < model.globals.size(); g++)
      values[model.globals[g].name.text] = number(model.globals[g].type, table.values[g][e]);
    experiments.push_back({{"name", "Experiment " + std::to_string(e + 1)}, {"values", values}});
  }
  json["experiments"] = experiments;

  Json variables = Json::array();
  for (const RewardVariable& variable : rewards.variables)
    variables.push_back(rewardVariable(variable));
  json["rewardVariables"] = variables;
  if (!diagram.empty()) json["diagram"] = diagram;
  // Left out when there are none, so that such a description keeps its form.
  if (!rewards.derived.empty()) {
    Json derived = Json::array();
    for (const DerivedMeasure& d : rewards.derived) {
      Json entry;
      entry["name"] = d.name.text;
      if (!d.description.empty()) entry["description"] = d.description;
      entry["ratio"] = {{"numerator", d.numerator.text}, {"denominator", d.denominator.text}};
      derived.push_back(entry);
    }
    json["derivedMeasures"] = derived;
  }
  return json.dump(2) + "\n";
}

}  // namespace sangen
