#include "StudyDescriptionReader.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "NumberFormat.h"
#include "Utf8Text.h"

// The description's JSON layout:
//   {"format": "san-study-description 1", "model": NAME, "study": NAME (optional),
//    "simulation": {"type": "terminating" | "steady-state", ...},
//    "globalVariables": [{"name", "type", "range": {"min", "max", "minOpen", "maxOpen"}}],
//    "experiments": [{"name", "values": {VARIABLE: VALUE}}],
//    "rewardVariables": [{"name", "description", "kind", "observation",
//                         "windows": [[START, END], ...] | "timePoints": [T, ...],
//                         "valueRange": {"min": NUMBER | VARIABLE, "max": ...}}],
//    "diagram": SVG FILE (optional, relative to the description's folder),
//    "derivedMeasures": [{"name", "description",
//                         "ratio": {"numerator": VARIABLE, "denominator": VARIABLE}}]}
// A reward variable without windows or time points has one measure (its
// batch means in a steady-state run). A derived measure has one measure per
// measure of its numerator, paired with the denominator's in order.
namespace {
using nlohmann::json;

constexpr const char* kDescriptionFormat = "san-study-description 1";

[[noreturn]] void Fault(const std::string& source, const std::string& what) {
  throw std::runtime_error("study description " + source + ": " + what);
}

const json& Member(const json& object, const char* key, const std::string& where,
                   const std::string& source) {
  if (!object.is_object() || !object.contains(key))
    Fault(source, where + " has no \"" + key + "\"");
  return object.at(key);
}

std::string Text(const json& object, const char* key, const std::string& where,
                 const std::string& source) {
  const json& value = Member(object, key, where, source);
  if (!value.is_string()) Fault(source, where + ": \"" + key + "\" is not a text");
  return value.get<std::string>();
}

std::string OptionalText(const json& object, const char* key) {
  return object.contains(key) && object.at(key).is_string() ? object.at(key).get<std::string>()
                                                            : "";
}

double Number(const json& value, const std::string& where, const std::string& source) {
  if (!value.is_number()) Fault(source, where + " is not a number");
  return value.get<double>();
}

std::string Digest(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
  return buffer;
}

void ReadVariables(const json& list, StudyDescription& d) {
  if (!list.is_array()) Fault(d.source, "\"globalVariables\" is not a list");
  for (const json& item : list) {
    GlobalVariable v;
    v.name = Text(item, "name", "a global variable", d.source);
    const std::string where = "global variable " + v.name;
    const auto type = TypeFromName(Text(item, "type", where, d.source));
    if (!type) Fault(d.source, where + " has an unknown type");
    if (d.VariableIndex(v.name) >= 0) Fault(d.source, where + " is declared twice");
    v.type = *type;
    if (item.contains("range")) {
      const json& range = item.at("range");
      if (range.contains("min") && !range.at("min").is_null())
        v.range.min = Number(range.at("min"), where + " min", d.source);
      if (range.contains("max") && !range.at("max").is_null())
        v.range.max = Number(range.at("max"), where + " max", d.source);
      v.range.minOpen = range.value("minOpen", false);
      v.range.maxOpen = range.value("maxOpen", false);
      const bool empty = v.range.minOpen || v.range.maxOpen ? !(v.range.min < v.range.max)
                                                            : !(v.range.min <= v.range.max);
      if (empty) Fault(d.source, where + " has the empty range " + v.range.Text());
    }
    d.variables.push_back(std::move(v));
  }
}

void ReadExperiments(const json& list, StudyDescription& d) {
  if (!list.is_array()) Fault(d.source, "\"experiments\" is not a list");
  for (const json& item : list) {
    ExperimentDescription e;
    e.name = Text(item, "name", "an experiment", d.source);
    for (const ExperimentDescription& other : d.experiments)
      if (other.name == e.name) Fault(d.source, "two experiments are named " + e.name);
    const json& values = Member(item, "values", "experiment " + e.name, d.source);
    for (const GlobalVariable& v : d.variables) {
      if (!values.contains(v.name))
        Fault(d.source, "experiment " + e.name + " gives no value of " + v.name);
      const std::string what = "the value of " + v.name + " in " + e.name;
      const double value = Number(values.at(v.name), what, d.source);
      // Such a value would be converted, or refused by the simulator.
      const ValueBounds type = TypeBounds(v.type);
      if (!type.Contains(value) || (IsIntegerType(v.type) && value != std::trunc(value)))
        Fault(d.source, what + ", " + ShortestText(value) + ", is not a " + TypeName(v.type) + " " +
                            type.Text());
      if (!v.range.Contains(value))
        Fault(d.source,
              what + ", " + ShortestText(value) + ", is outside its range " + v.range.Text());
      e.values.push_back(value);
    }
    d.experiments.push_back(std::move(e));
  }
}

std::optional<ValueLimit> Limit(const json& range, const char* key, const std::string& where,
                                StudyDescription& d) {
  if (!range.contains(key) || range.at(key).is_null()) return std::nullopt;
  const json& value = range.at(key);
  ValueLimit limit;
  if (value.is_string()) {
    limit.variable = d.VariableIndex(value.get<std::string>());
    if (limit.variable < 0)
      Fault(d.source, where + ": no global variable " + value.get<std::string>());
  } else {
    limit.number = Number(value, where, d.source);
  }
  return limit;
}

void ReadRewards(const json& list, StudyDescription& d) {
  if (!list.is_array()) Fault(d.source, "\"rewardVariables\" is not a list");
  for (const json& item : list) {
    RewardVariable r;
    r.name = Text(item, "name", "a reward variable", d.source);
    const std::string where = "reward variable " + r.name;
    for (const RewardVariable& other : d.rewards)
      if (other.name == r.name) Fault(d.source, "two reward variables are named " + r.name);
    r.description = OptionalText(item, "description");
    r.kind = OptionalText(item, "kind");
    r.observation = OptionalText(item, "observation");
    Measure base;
    base.rewardVariable = r.name;
    if (item.contains("valueRange")) {
      base.lowest = Limit(item.at("valueRange"), "min", where + " valueRange min", d);
      base.highest = Limit(item.at("valueRange"), "max", where + " valueRange max", d);
    }
    if (item.contains("windows")) {
      for (const json& window : item.at("windows")) {
        if (!window.is_array() || window.size() != 2)
          Fault(d.source, where + ": a window is not [start, end]");
        Measure m = base;
        m.start = Number(window[0], where + " window start", d.source);
        m.end = Number(window[1], where + " window end", d.source);
        if (!(m.start <= m.end))
          Fault(d.source, where + ": the window [" + ShortestText(m.start) + ", " +
                              ShortestText(m.end) + "] ends before it starts");
        m.label = "[" + ShortestText(m.start) + ", " + ShortestText(m.end) + "]";
        d.measures.push_back(m);
      }
    } else if (item.contains("timePoints")) {
      for (const json& point : item.at("timePoints")) {
        Measure m = base;
        m.start = m.end = Number(point, where + " time point", d.source);
        m.label = "t = " + ShortestText(m.start);
        d.measures.push_back(m);
      }
    } else {
      Measure m = base;
      m.label = d.steadyState ? "steady state" : r.name;
      d.measures.push_back(m);
    }
    d.rewards.push_back(std::move(r));
  }
  if (d.measures.empty()) Fault(d.source, "no reward variable is observed");
}

// The drawing goes into study.html whole, so that a description can name
// only an SVG file in its own folder or below: never any file of the
// machine.
void ReadDiagram(const json& document, StudyDescription& d) {
  if (!document.contains("diagram")) return;
  const std::filesystem::path path(Text(document, "diagram", "the description", d.source));
  bool below = path.is_relative() && !path.empty();
  for (const std::filesystem::path& part : path) below &= part != "..";
  if (!below || path.extension() != ".svg")
    Fault(d.source, "the diagram '" + OneLineText(path.string()) +
                        "' is not an .svg file in the description's folder or below");
  d.diagram = path.string();
}

// The observed measures of a reward variable, in order.
std::vector<int> MeasuresOf(const StudyDescription& d, const std::string& variable) {
  std::vector<int> of;
  for (std::size_t m = 0; m < d.measures.size(); m++)
    if (d.measures[m].rewardVariable == variable) of.push_back(static_cast<int>(m));
  return of;
}

void ReadDerived(const json& list, StudyDescription& d) {
  if (!list.is_array()) Fault(d.source, "\"derivedMeasures\" is not a list");
  const std::size_t observed = d.measures.size();
  for (const json& item : list) {
    RewardVariable r;
    r.name = Text(item, "name", "a derived measure", d.source);
    const std::string where = "derived measure " + r.name;
    for (const RewardVariable& other : d.rewards)
      if (other.name == r.name) Fault(d.source, "two measures are named " + r.name);
    r.description = OptionalText(item, "description");
    r.kind = "ratio";
    const json& ratio = Member(item, "ratio", where, d.source);
    const std::string numerator = Text(ratio, "numerator", where, d.source);
    const std::string denominator = Text(ratio, "denominator", where, d.source);
    std::vector<int> over = MeasuresOf(d, numerator), under = MeasuresOf(d, denominator);
    if (over.empty() || under.empty() || over.back() >= static_cast<int>(observed) ||
        under.back() >= static_cast<int>(observed))
      Fault(d.source, where + ": its terms must be reward variables");
    if (over.size() != under.size())
      Fault(d.source, where + ": " + numerator + " and " + denominator +
                          " have different numbers of measures");
    for (const RewardVariable& term : d.rewards)
      if (term.name == numerator) r.observation = term.observation;
    for (std::size_t k = 0; k < over.size(); k++) {
      Measure m = d.measures[over[k]];
      m.rewardVariable = r.name;
      m.lowest = m.highest = std::nullopt;
      m.numerator = over[k];
      m.denominator = under[k];
      d.measures.push_back(m);
    }
    d.rewards.push_back(std::move(r));
  }
}
}  // namespace

StudyDescription ParseStudyDescription(const std::string& text, const std::string& source) {
  StudyDescription d;
  d.source = source;
  d.digest = Digest(text);
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& e) {
    Fault(source, std::string("not valid JSON: ") + e.what());
  }
  try {
    const std::string format = Text(document, "format", "the description", source);
    if (format != kDescriptionFormat)
      Fault(source, "the format '" + format + "' is not '" + kDescriptionFormat +
                        "' (a description for another version of the study tool?)");
    d.model = Text(document, "model", "the description", source);
    if (document.contains("study")) d.study = Text(document, "study", "the description", source);
    const json& simulation = Member(document, "simulation", "the description", source);
    const std::string type = Text(simulation, "type", "\"simulation\"", source);
    if (type != "terminating" && type != "steady-state")
      Fault(source, "simulation type '" + type + "' (terminating or steady-state)");
    d.steadyState = type == "steady-state";
    d.settingsText = simulation.dump();
    ReadVariables(Member(document, "globalVariables", "the description", source), d);
    ReadExperiments(Member(document, "experiments", "the description", source), d);
    if (d.experiments.empty()) Fault(source, "the study has no experiments");
    ReadRewards(Member(document, "rewardVariables", "the description", source), d);
    ReadDiagram(document, d);
    if (document.contains("derivedMeasures")) ReadDerived(document.at("derivedMeasures"), d);
  } catch (const json::exception& e) {
    Fault(source, e.what());
  }
  return d;
}

StudyDescription ReadStudyDescription(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the study description " + file);
  std::ostringstream text;
  text << in.rdbuf();
  return ParseStudyDescription(text.str(), file);
}
