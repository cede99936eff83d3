#include "ResultReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
using nlohmann::json;

double NumberOr(const json& value, double otherwise) {
  return value.is_number() ? value.get<double>() : otherwise;
}

// "[0, 1]", "(0, inf)", "(-inf, inf)" back into bounds.
ValueBounds BoundsFromText(const std::string& text) {
  ValueBounds bounds;
  if (text.size() < 5) return bounds;
  const char* begin = text.c_str() + 1;
  char* end = nullptr;
  bounds.min = std::strtod(begin, &end);
  if (*end == ',') bounds.max = std::strtod(end + 1, nullptr);
  bounds.minOpen = text.front() == '(' && std::isfinite(bounds.min);
  bounds.maxOpen = text.back() == ')' && std::isfinite(bounds.max);
  return bounds;
}
}  // namespace

ExperimentResult ExperimentFromJson(const json& record, const StudyDescription& d) {
  ExperimentResult e;
  PlannedExperiment& p = e.plan;
  p.index = record.at("experiment").get<int>();
  p.name = record.at("name").get<std::string>();
  p.point = record.at("point").get<std::string>();
  p.overrideText = record.at("override").get<std::string>();
  p.seed = record.at("seed").get<std::uint32_t>();
  const json& values = record.at("globalVariables");
  for (const GlobalVariable& v : d.variables)
    p.values.push_back(NumberOr(values.value(v.name, json()), NAN));
  e.status = record.at("status").get<std::string>();
  e.failure = record.at("failure").is_string() ? record.at("failure").get<std::string>() : "";
  e.replications = record.at("replications").get<long>();
  e.processorSeconds = record.at("processorSeconds").get<double>();
  // Results of the tool before it had streams: one stream, the
  // experiment's seed, and no count of the replications beyond the stop.
  const json oneStream = json::array({{{"seed", p.seed},
                                       {"replications", e.replications},
                                       {"received", e.replications},
                                       {"failure", record.at("failure")}}});
  for (const json& stream : record.contains("streams") ? record.at("streams") : oneStream) {
    const json& failure = stream.at("failure");
    e.streams.push_back({stream.at("seed").get<std::uint32_t>(),
                         stream.at("replications").get<long>(), stream.at("received").get<long>(),
                         failure.is_string() ? failure.get<std::string>() : ""});
    p.streamSeeds.push_back(e.streams.back().seed);
  }
  e.wasted = record.value("wastedReplications", 0L);
  for (const json& w : record.at("windows"))
    e.windows.push_back({NumberOr(w.at("mean"), NAN), NumberOr(w.at("variance"), NAN),
                         NumberOr(w.at("lower"), -INFINITY), NumberOr(w.at("upper"), INFINITY),
                         NumberOr(w.at("halfWidth"), INFINITY), w.at("interval").get<std::string>(),
                         NumberOr(w.at("precisionReached"), INFINITY),
                         w.at("converged").get<bool>()});
  // The exact values, when the study had them (--exact, --solve-only).
  const json& windows = record.at("windows");
  if (!windows.empty() && windows.front().contains("exact"))
    for (const json& w : windows) e.exact.push_back(NumberOr(w.at("exact"), NAN));
  return e;
}

std::optional<std::string> ReadStudyRecord(const std::filesystem::path& directory, StudyRecord& r) {
  const auto file = directory / "study.json";
  std::ifstream in(file, std::ios::binary);
  if (!in) return "cannot read " + file.string();
  std::ostringstream text;
  text << in.rdbuf();
  return ParseStudyRecord(text.str(), file.string(), r);
}

std::optional<std::string> ParseStudyRecord(const std::string& text, const std::string& source,
                                            StudyRecord& r) {
  const std::string& file = source;
  try {
    const json document = json::parse(text);
    r.settings = document.at("settings");
    const json& s = r.settings;
    StudyDescription& d = r.description;
    d.model = s.at("model").get<std::string>();
    d.digest = s.at("descriptionDigest").get<std::string>();
    d.source = document.at("description").at("file").get<std::string>();
    const json& simulation = document.at("description").at("simulation");
    d.settingsText = simulation.dump();
    d.steadyState = simulation.value("type", "") == "steady-state";
    for (const json& v : document.at("globalVariables")) {
      const auto type = TypeFromName(v.at("type").get<std::string>());
      if (!type) return file + " names an unknown type " + v.at("type").dump();
      d.variables.push_back({v.at("name").get<std::string>(), *type,
                             BoundsFromText(v.at("range").get<std::string>())});
    }
    for (const json& m : document.at("measures")) {
      Measure measure;
      measure.rewardVariable = m.at("rewardVariable").get<std::string>();
      measure.label = m.at("label").get<std::string>();
      measure.start = m.at("start").get<double>();
      measure.end = m.at("end").get<double>();
      if (m.contains("ratio")) {
        measure.numerator = m.at("ratio").at("numerator").get<int>();
        measure.denominator = m.at("ratio").at("denominator").get<int>();
        const int observed = static_cast<int>(d.ObservedCount());
        if (measure.numerator < 0 || measure.denominator < 0 || measure.numerator >= observed ||
            measure.denominator >= observed)
          return file + ": a derived measure's terms are not observed measures before it";
      } else if (d.ObservedCount() != d.measures.size()) {
        return file + ": an observed measure follows a derived one";
      }
      d.measures.push_back(measure);
      // study.json keeps no list of reward variables; the table's columns
      // and the plot's panels group the measures by them, so the list is
      // rebuilt from the measures, in their order.
      const bool known = std::any_of(d.rewards.begin(), d.rewards.end(), [&](const auto& r) {
        return r.name == measure.rewardVariable;
      });
      if (!known)
        d.rewards.push_back({measure.rewardVariable, "", measure.Derived() ? "ratio" : "", ""});
    }
    StudyOptions& o = r.options;
    o.seed = s.at("seed").get<std::uint32_t>();
    if (s.at("generator").is_number()) o.generator = s.at("generator").get<int>();
    o.overrideText = s.at("override").get<std::string>();
    o.stopRule.confidence = s.at("confidence").get<double>();
    o.stopRule.precision = s.at("precision").get<double>();
    o.stopRule.absolutePrecision = s.value("absolutePrecision", 0.0);
    o.stopRule.minReplications = s.at("minReplications").get<long>();
    o.stopRule.maxReplications = s.at("maxReplications").get<long>();
    o.reportSize = s.at("reportSize").get<int>();
    if (s.value("streams", json()).is_number()) o.streams = s.at("streams").get<int>();
    const json& run = document.at("run");
    o.jobs = run.at("jobs").get<unsigned>();
    o.simulator = run.at("simulator").get<std::string>();
    o.stallSeconds = run.at("stallTimeout").get<double>();
    for (const json& text : s.at("sweeps")) {
      Sweep sweep;
      if (auto error = ParseSweep(text.get<std::string>(), d, sweep)) return file + ": " + *error;
      r.plan.sweeps.push_back(std::move(sweep));
    }
    for (const json& record : document.at("experiments")) {
      r.result.experiments.push_back(ExperimentFromJson(record, d));
      // A study that was running when its files were last written ended
      // without writing them again (killed, or its node lost).
      ExperimentResult& e = r.result.experiments.back();
      if (e.status == ExperimentStatus::kRunning) e.status = ExperimentStatus::kIncomplete;
      // An experiment that had not started when the files were written has
      // no results yet.
      if (e.windows.empty() && e.replications == 0)
        e.windows.assign(d.measures.size(),
                         WindowResult{NAN, NAN, -INFINITY, INFINITY, INFINITY,
                                      MethodName(IntervalMethod::None), INFINITY, false});
      if (r.result.experiments.back().windows.size() != d.measures.size())
        return file + ": an experiment has not one result per measure";
    }
    for (const ExperimentResult& e : r.result.experiments) {
      r.plan.experiments.push_back(e.plan);
      if (!e.exact.empty() && e.exact.size() != d.measures.size())
        return file + ": an experiment has not one exact value per measure";
      o.exact |= !e.exact.empty();
    }
    o.solveOnly = s.value("solveOnly", false);
    r.result.startTime = document.at("startTime").get<std::string>();
    r.result.endTime =
        document.at("endTime").is_string() ? document.at("endTime").get<std::string>() : "";
    r.host = document.at("host").get<std::string>();
    if (document.value("part", json()).is_string()) r.part = document.at("part").get<std::string>();
  } catch (const std::exception& e) {
    return file + " is not a study's result file (" + e.what() + ")";
  }
  return std::nullopt;
}
