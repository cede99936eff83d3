#include "ResultFiles.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "ExactValues.h"
#include "FileReplacement.h"
#include "NumberFormat.h"
#include "RecordChecks.h"
#include "ResultReader.h"
#include "TableColumns.h"
#include "Utf8Text.h"

namespace {
using nlohmann::json;

std::string CsvNumber(double value) { return std::isfinite(value) ? ShortestText(value) : ""; }

std::string CsvText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : OneLineText(text)) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

json JsonNumber(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }
json JsonText(const std::string& text) { return EscapeInvalidUtf8(text); }

// A global variable's value as a JSON number of its type.
json TypedValue(VariableType type, double value) {
  if (IsIntegerType(type)) return static_cast<long long>(value);
  return JsonNumber(value);
}

}  // namespace

std::string TargetText(const StopRule& rule) {
  return "±" + ShortestText(100.0 * rule.precision) + "%" +
         (rule.absolutePrecision > 0 ? " or ±" + ShortestText(rule.absolutePrecision) : "");
}

namespace {
std::string GeneratorText(const StudyOptions& o) {
  return o.generator ? std::to_string(*o.generator) : "";
}

std::string SweepsText(const StudyPlan& plan) {
  std::string text;
  for (const Sweep& s : plan.sweeps) text += (text.empty() ? "" : " ") + s.text;
  return text;
}

// The settings that decide every experiment's numbers; a rerun with the
// same ones reproduces them, so --resume may reuse them.
json Settings(const ResultContext& c) {
  const StudyOptions& o = c.options;
  json sweeps = json::array();
  for (const Sweep& s : c.plan.sweeps) sweeps.push_back(JsonText(s.text));
  json settings = {{"model", JsonText(c.description.model)},
                   {"descriptionDigest", c.description.digest},
                   {"seed", o.seed},
                   {"generator", o.generator ? json(*o.generator) : json(nullptr)},
                   {"override", JsonText(o.overrideText)},
                   {"sweeps", sweeps},
                   {"confidence", o.stopRule.confidence},
                   {"precision", o.stopRule.precision},
                   {"absolutePrecision", o.stopRule.absolutePrecision},
                   {"minReplications", o.stopRule.minReplications},
                   {"maxReplications", o.stopRule.maxReplications},
                   {"reportSize", o.reportSize},
                   {"streams", o.streams ? json(*o.streams) : json(nullptr)}};
  // Exact values alone are no estimates: such results are never resumed
  // or merged with simulated ones. Absent otherwise, as before.
  if (o.solveOnly) settings["solveOnly"] = true;
  return settings;
}

bool WithExact(const StudyOptions& o) { return o.exact || o.solveOnly; }

// ",exact,exact_inside" of measure `m`: the value and whether the interval
// holds it ("yes", "no", empty without an estimate).
std::string ExactCells(const ExperimentResult& e, std::size_t m, const WindowResult& w) {
  if (m >= e.exact.size()) return ",,";
  const std::optional<bool> inside = ExactInside(w, e.replications, e.exact[m]);
  return "," + CsvNumber(e.exact[m]) + "," + (inside ? (*inside ? "yes" : "no") : "");
}

// "a b c" of each stream's value.
template <typename Value>
std::string StreamList(const ExperimentResult& e, Value value) {
  std::string list;
  for (const StreamResult& s : e.streams)
    list += (list.empty() ? "" : " ") + std::to_string(value(s));
  return list;
}

std::string ContextLines(const StudyResult& r, const ResultContext& c) {
  const StudyOptions& o = c.options;
  std::ostringstream out;
  out << "# " << o.program << " " << ToolVersion() << "; model " << OneLineText(c.description.model)
      << " (study description " << OneLineText(c.description.source) << ", digest "
      << OneLineText(c.description.digest) << ")\n"
      << "# started " << r.startTime << ", ended " << (r.endTime.empty() ? "-" : r.endTime)
      << ", host " << OneLineText(c.host) << (r.Complete() ? "" : "; incomplete") << "\n"
      << "# seed " << o.seed << ", generator "
      << (o.generator ? std::to_string(*o.generator) : "default") << ", override "
      << CsvText(o.overrideText) << ", sweeps " << CsvText(SweepsText(c.plan)) << ", confidence "
      << ShortestText(o.stopRule.confidence) << ", precision " << ShortestText(o.stopRule.precision)
      << (o.stopRule.absolutePrecision > 0
              ? ", absolute precision " + ShortestText(o.stopRule.absolutePrecision)
              : "")
      << ", replications " << o.stopRule.minReplications << " to " << o.stopRule.maxReplications
      << "\n";
  return EscapeInvalidUtf8(out.str());
}
}  // namespace

std::string CsvContent(const StudyResult& result, const ResultContext& c) {
  const StudyDescription& d = c.description;
  std::ostringstream out;
  out << ContextLines(result, c);
  out << "experiment,name,seed,generator,override,status,replications,processor_seconds,reward_"
         "variable,measure,"
         "window_start,window_end,mean,half_width,relative_half_width,lower,upper,confidence,"
         "interval,variance,"
         "window_converged,failure,streams,stream_seeds,stream_replications,wasted_replications";
  if (WithExact(c.options)) out << ",exact,exact_inside";
  for (const GlobalVariable& v : d.variables) out << ',' << CsvText(v.name);
  out << '\n';
  const std::string confidence = ShortestText(c.options.stopRule.confidence);
  for (const ExperimentResult& e : result.experiments) {
    std::string values;
    for (std::size_t v = 0; v < d.variables.size(); v++)
      values += "," + ValueText(d.variables[v].type, e.plan.values[v]);
    for (std::size_t m = 0; m < d.measures.size(); m++) {
      const Measure& measure = d.measures[m];
      const WindowResult w =
          m < e.windows.size() ? e.windows[m] : WindowResult{NAN, NAN, NAN, NAN, NAN, "none", NAN};
      const bool any = e.replications > 0;
      // An interval that is not symmetric has no half-width to give.
      const bool symmetric = any && w.Symmetric();
      out << e.plan.index << ',' << CsvText(e.plan.name) << ',' << e.plan.seed << ','
          << GeneratorText(c.options) << ',' << CsvText(e.plan.overrideText) << ',' << e.status
          << ',' << e.replications << ',' << CsvNumber(e.processorSeconds) << ','
          << CsvText(measure.rewardVariable) << ',' << CsvText(measure.label) << ','
          << CsvNumber(measure.start) << ',' << CsvNumber(measure.end) << ','
          << CsvNumber(any ? w.mean : NAN) << ',' << CsvNumber(symmetric ? w.halfWidth : NAN) << ','
          << CsvNumber(symmetric && std::isfinite(w.halfWidth) && w.mean != 0
                           ? w.halfWidth / std::fabs(w.mean)
                           : NAN)
          << ',' << CsvNumber(any ? w.lower : NAN) << ',' << CsvNumber(any ? w.upper : NAN) << ','
          << confidence << ',' << w.method << ','
          << CsvNumber(e.replications > 1 ? w.variance : NAN) << ',' << (w.converged ? "yes" : "no")
          << ',' << (e.failure.empty() ? "" : CsvText(e.failure)) << ',' << e.streams.size() << ','
          << StreamList(e, [](const StreamResult& s) { return s.seed; }) << ','
          << StreamList(e, [](const StreamResult& s) { return s.counted; }) << ',' << e.wasted
          << (WithExact(c.options) ? ExactCells(e, m, w) : "") << values << '\n';
    }
  }
  return out.str();
}

std::string JsonContent(const StudyResult& result, const ResultContext& c) {
  const StudyDescription& d = c.description;
  const StudyOptions& o = c.options;
  json variables = json::array(), measures = json::array(), experiments = json::array();
  for (const GlobalVariable& v : d.variables)
    variables.push_back({{"name", JsonText(v.name)},
                         {"type", TypeName(v.type)},
                         {"range", JsonText(v.range.Text())}});
  for (const Measure& m : d.measures) {
    measures.push_back({{"rewardVariable", JsonText(m.rewardVariable)},
                        {"label", JsonText(m.label)},
                        {"start", m.start},
                        {"end", m.end}});
    // A derived measure names its terms by their indices in this list.
    if (m.Derived())
      measures.back()["ratio"] = {{"numerator", m.numerator}, {"denominator", m.denominator}};
  }
  for (const ExperimentResult& e : result.experiments) {
    json values = json::object();
    for (std::size_t v = 0; v < d.variables.size(); v++)
      values[EscapeInvalidUtf8(d.variables[v].name)] =
          TypedValue(d.variables[v].type, e.plan.values[v]);
    json windows = json::array();
    const bool any = e.replications > 0;
    for (std::size_t m = 0; m < e.windows.size(); m++) {
      const WindowResult& w = e.windows[m];
      windows.push_back({{"mean", JsonNumber(any ? w.mean : NAN)},
                         {"variance", JsonNumber(e.replications > 1 ? w.variance : NAN)},
                         {"halfWidth", JsonNumber(any ? w.halfWidth : NAN)},
                         {"lower", JsonNumber(any ? w.lower : NAN)},
                         {"upper", JsonNumber(any ? w.upper : NAN)},
                         {"interval", w.method},
                         {"precisionReached", JsonNumber(w.reached)},
                         {"converged", w.converged}});
      if (m < e.exact.size()) {
        const std::optional<bool> inside = ExactInside(w, e.replications, e.exact[m]);
        windows.back()["exact"] = JsonNumber(e.exact[m]);
        windows.back()["exactInside"] = inside ? json(*inside) : json(nullptr);
      }
    }
    json streams = json::array();
    for (const StreamResult& s : e.streams)
      streams.push_back({{"seed", s.seed},
                         {"replications", s.counted},
                         {"received", s.received},
                         {"failure", s.failure.empty() ? json(nullptr) : JsonText(s.failure)}});
    experiments.push_back({{"experiment", e.plan.index},
                           {"name", JsonText(e.plan.name)},
                           {"key", JsonText(e.plan.Key())},
                           {"point", JsonText(e.plan.point)},
                           {"override", JsonText(e.plan.overrideText)},
                           {"seed", e.plan.seed},
                           {"status", e.status},
                           {"failure", e.failure.empty() ? json(nullptr) : JsonText(e.failure)},
                           {"replications", e.replications},
                           {"processorSeconds", e.processorSeconds},
                           {"globalVariables", values},
                           {"windows", windows},
                           {"streams", streams},
                           {"wastedReplications", e.wasted}});
  }
  json document = {
      {"tool", {{"name", o.program}, {"version", ToolVersion()}}},
      {"model", JsonText(d.model)},
      {"description",
       {{"file", JsonText(d.source)}, {"simulation", json::parse(d.settingsText, nullptr, false)}}},
      {"host", JsonText(c.host)},
      {"startTime", result.startTime},
      {"endTime", result.endTime.empty() ? json(nullptr) : json(result.endTime)},
      {"complete", result.Complete()},
      {"interrupted", result.Interrupted()},
      {"settings", Settings(c)},
      {"run",
       {{"jobs", o.jobs}, {"simulator", JsonText(o.simulator)}, {"stallTimeout", o.stallSeconds}}},
      {"xVariable",
       c.plan.xVariable >= 0 ? json(d.variables[c.plan.xVariable].name) : json(nullptr)},
      {"replicationRule",
       "the estimates of an experiment cover exactly the first 'replications' replications of each "
       "of its "
       "streams, each a simulator run with the stream's 'seed' and the experiment's 'override', "
       "folded in "
       "rounds of 'reportSize' replications per stream; replications received after the stop "
       "decision are "
       "not counted ('wastedReplications')"},
      {"globalVariables", variables},
      {"measures", measures},
      {"experiments", experiments}};
  // Only a part says so: the files of a whole study stay as they were.
  if (!o.part.empty()) document["part"] = o.part;
  // Every text is escaped above; should one slip through, it is replaced
  // rather than ending the program.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + '\n';
}

std::vector<std::string> WriteResultFiles(const StudyResult& result, const ResultContext& context,
                                          const std::filesystem::path& directory) {
  std::vector<std::string> errors;
  // Any exception while the content is made is reported as a failed write.
  auto write = [&](const char* name, auto makeContent) {
    const auto file = directory / name;
    try {
      if (auto error = ReplaceFile(file, makeContent())) errors.push_back(*error);
    } catch (const std::exception& e) {
      errors.push_back("cannot write " + file.string() + ": " + e.what());
    }
  };
  write("study.csv", [&] { return CsvContent(result, context); });
  write("study.json", [&] { return JsonContent(result, context); });
  return errors;
}

std::optional<std::string> TakeEarlierResults(const std::filesystem::path& directory,
                                              const ResultContext& c, StudyResult& result) {
  const auto file = directory / "study.json";
  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    if (c.options.resume) return "nothing to resume: " + file.string() + " does not exist";
    return std::nullopt;
  }
  if (c.options.overwrite) return std::nullopt;
  json earlier;
  try {
    std::ifstream in(file);
    earlier = json::parse(in);
    if (!earlier.is_object()) throw std::runtime_error("not a JSON object");
  } catch (const std::exception& e) {
    return file.string() + " is not a study's result file (" + e.what() +
           "); choose another --out, or --overwrite to replace it";
  }
  const json settings = Settings(c);
  json earlierSettings = earlier.value("settings", json::object());
  // The tool before streams ran every experiment as one stream and wrote no
  // "streams" setting: its results are those of the automatic choice,
  // and an experiment is reused below only where its stream seeds match.
  if (earlierSettings.is_object() && !earlierSettings.contains("streams"))
    earlierSettings["streams"] = nullptr;
  // Nor had it an absolute precision; its finished experiments are checked
  // against the stop rule below before they are reused.
  if (earlierSettings.is_object() && !earlierSettings.contains("absolutePrecision"))
    earlierSettings["absolutePrecision"] = 0.0;
  if (earlierSettings != settings) {
    std::string differ;
    for (const auto& [key, value] : settings.items())
      if (!earlierSettings.contains(key) || earlierSettings.at(key) != value)
        differ += (differ.empty() ? "" : ", ") + key;
    if (earlierSettings.is_object())
      for (const auto& [key, value] : earlierSettings.items())
        if (!settings.contains(key)) differ += (differ.empty() ? "" : ", ") + key;
    return directory.string() + " holds the results of a study with other settings (" + differ +
           "); choose another --out, or --overwrite to replace them";
  }
  if (!c.options.resume) return std::nullopt;
  for (const json& record : earlier.value("experiments", json::array())) {
    ExperimentResult before;
    try {
      const std::string status = record.value("status", "");
      if (status != ExperimentStatus::kConverged && status != ExperimentStatus::kMaxReps) continue;
      before = ExperimentFromJson(record, c.description);
    } catch (const std::exception& e) {
      return file.string() + " holds a malformed experiment (" + e.what() +
             "); choose another --out, or --overwrite to replace it";
    }
    if (auto fault = ImplausibleRecord(before, c.description, c.options.stopRule))
      return file.string() + " holds an experiment that this study cannot have written (" +
             OneLineText(before.plan.name) + ": " + OneLineText(*fault) +
             "); choose another --out, or --overwrite to replace it";
    if (!before.failure.empty()) continue;  // a stream failed: run it again
    // Results of a stop rule that called measures converged too early.
    if (!AgreesWithStopRule(before, c.options.stopRule)) continue;
    for (ExperimentResult& e : result.experiments) {
      // An experiment that went on from an earlier run's counts lists the
      // planned streams first, then those that went on (StudyRunner).
      const auto& planned = e.plan.streamSeeds;
      const auto& ran = before.plan.streamSeeds;
      if (e.plan.Key() != before.plan.Key() || ran.size() < planned.size() ||
          !std::equal(planned.begin(), planned.end(), ran.begin()))
        continue;
      const PlannedExperiment plan = e.plan;
      e = before;
      e.plan = plan;
      e.reused = true;
    }
  }
  return std::nullopt;
}

namespace {
// Characters, not bytes: "±" is two bytes.
std::size_t Characters(const std::string& text) {
  std::size_t chars = 0;
  for (unsigned char ch : text) chars += (ch & 0xC0) != 0x80;
  return chars;
}

// Right-aligns `text` in `width` characters.
std::string Pad(const std::string& text, std::size_t width) {
  const std::size_t chars = Characters(text);
  return std::string(width > chars ? width - chars : 0, ' ') + text;
}

// A relative half-width beside the target, with the absolute one too when
// the stop rule has an absolute precision: "±0.548%", "±12.1% (±0.153)".
std::string Figure(const WindowResult& w, const StopRule& rule) {
  std::string figure = "±" + PercentBeside(w.reached, rule.precision);
  if (rule.absolutePrecision > 0)
    figure += " (±" +
              (std::isfinite(w.halfWidth) ? SignificantText(w.halfWidth, 3) : std::string("?")) +
              ")";
  return figure;
}

// "[0.950, 2.436]", with "?" for a bound that is not known.
std::string Bounds(const WindowResult& w, const std::function<std::string(double)>& number) {
  auto bound = [&](double b) { return std::isfinite(b) ? number(b) : std::string("?"); };
  return "[" + bound(w.lower) + ", " + bound(w.upper) + "]";
}

// The table's cell: mean ± half-width for a symmetric interval, else the
// bounds, with three decimals, or three significant digits where the
// interval lies below 0.1 (a rare probability's 0.000395 ± 0.000080 or
// [0.00161, 0.00251]), so that a small value does not read as 0.000.
std::string Cell(const WindowResult& w) {
  const bool symmetric = w.Symmetric();
  const double bounds[] = {symmetric ? w.mean - w.halfWidth : w.lower,
                           symmetric ? w.mean + w.halfWidth : w.upper};
  double largest = 0.0;
  for (double bound : bounds)
    if (std::isfinite(bound)) largest = std::max(largest, std::fabs(bound));
  const int decimals = largest > 0.0 && largest < 0.1
                           ? std::min(9, 2 - static_cast<int>(std::floor(std::log10(largest))))
                           : 3;
  auto fixed = [decimals](double value) { return FixedText(value, decimals); };
  if (symmetric)
    return fixed(w.mean) + " ± " + (std::isfinite(w.halfWidth) ? fixed(w.halfWidth) : "?");
  return Bounds(w, fixed);
}

// The streams of an experiment that failed while others went on.
std::size_t FailedStreams(const ExperimentResult& e) {
  return static_cast<std::size_t>(
      std::count_if(e.streams.begin(), e.streams.end(),
                    [](const StreamResult& s) { return !s.failure.empty(); }));
}

bool SomeStreamsFailed(const ExperimentResult& e) {
  return e.status != ExperimentStatus::kFailed && FailedStreams(e) > 0;
}
}  // namespace

void PrintTable(const StudyResult& result, const ResultContext& c,
                const std::vector<std::string>& tableMeasures, const std::string& xTitle,
                std::ostream& out) {
  const StudyDescription& d = c.description;
  std::vector<std::size_t> shown;
  // --show was checked when the study started; a merge shows the defaults.
  if (ChooseMeasures(d, c.options.show, tableMeasures, shown))
    ChooseMeasures(d, {}, tableMeasures, shown);
  std::size_t nameWidth = 15;
  for (const ExperimentResult& e : result.experiments)
    nameWidth = std::max(nameWidth, OneLineText(e.plan.name).size() + 2);
  const int x = c.plan.xVariable;
  const std::string title =
      OneLineText(x < 0 ? "" : (xTitle.empty() ? d.variables[x].name : xTitle));
  const std::size_t xWidth = std::max<std::size_t>(8, title.size() + 2);
  out << std::left << std::setw(static_cast<int>(nameWidth)) << "experiment" << std::right;
  if (x >= 0) out << std::setw(static_cast<int>(xWidth)) << title;
  // The estimate of each shown measure, with its exact value in a column of
  // its own beside it (--exact), or the exact value alone (--solve-only).
  struct Column {
    std::size_t measure;
    bool exact;
  };
  const bool solveOnly = c.options.solveOnly, exact = c.options.exact || solveOnly;
  std::vector<Column> columns;
  for (std::size_t m : shown) {
    if (!solveOnly) columns.push_back({m, false});
    if (exact) columns.push_back({m, true});
  }
  // A column is 17 characters wide (an exact one 12), or wider for a
  // longer cell.
  std::vector<std::vector<std::string>> cells;
  auto heading = [&](const Column& column) {
    return column.exact && !solveOnly ? std::string("exact")
                                      : OneLineText(MeasureTitle(d, column.measure));
  };
  std::vector<std::size_t> widths;
  for (const Column& column : columns)
    widths.push_back(std::max<std::size_t>(column.exact && !solveOnly ? 12 : 17,
                                           Characters(heading(column)) + 2));
  for (const ExperimentResult& e : result.experiments) {
    cells.emplace_back();
    for (std::size_t k = 0; k < columns.size(); k++) {
      const std::size_t m = columns[k].measure;
      if (columns[k].exact)
        cells.back().push_back(m < e.exact.size() ? SignificantText(e.exact[m], 6) : "-");
      else
        cells.back().push_back(e.replications > 0 && m < e.windows.size() ? Cell(e.windows[m])
                                                                          : "-");
      widths[k] = std::max(widths[k], Characters(cells.back().back()) + 2);
    }
  }
  if (!solveOnly)
    out << std::setw(7) << "reps"
        << "  " << std::left << std::setw(11) << "status" << std::right;
  for (std::size_t k = 0; k < columns.size(); k++) out << Pad(heading(columns[k]), widths[k]);
  out << '\n';
  for (std::size_t i = 0; i < result.experiments.size(); i++) {
    const ExperimentResult& e = result.experiments[i];
    out << std::left << std::setw(static_cast<int>(nameWidth)) << OneLineText(e.plan.name)
        << std::right;
    if (x >= 0) {
      const double value = e.plan.values[x];
      out << std::setw(static_cast<int>(xWidth))
          << (IsIntegerType(d.variables[x].type) ? ValueText(d.variables[x].type, value)
                                                 : SignificantText(value, 6));
    }
    // A "!" marks an experiment some of whose streams failed (told below).
    if (!solveOnly)
      out << std::setw(7) << e.replications << "  " << std::left << std::setw(11)
          << e.status + (SomeStreamsFailed(e) ? "!" : "") << std::right;
    for (std::size_t k = 0; k < columns.size(); k++) out << Pad(cells[i][k], widths[k]);
    out << '\n';
  }
  if (const std::string leftOut = LeftOutLine(d, shown); !leftOut.empty())
    out << OneLineText(leftOut) << '\n';
  for (const ExperimentResult& e : result.experiments)
    if (SomeStreamsFailed(e))
      out << "! " << OneLineText(e.plan.name) << ": " << FailedStreams(e) << " of "
          << e.streams.size()
          << " streams failed (see the messages above); its estimate counts what every stream "
             "delivered up to the stop or its failure ("
          << StreamList(e, [](const StreamResult& s) { return s.counted; })
          << " replications, stream 0 first).\n";
  if (result.Aborted())
    out << "The study stopped on an internal error: these results are incomplete.\n";
  else if (result.Interrupted())
    out << "The study was interrupted: these results are incomplete.\n";
  else if (std::any_of(
               result.experiments.begin(), result.experiments.end(),
               [](const ExperimentResult& e) { return e.status == ExperimentStatus::kFailed; }))
    out << "Some experiments failed: see the messages above.\n";
}

std::vector<std::string> VerdictLines(const StudyResult& result, const ResultContext& c) {
  std::vector<std::string> lines;
  const std::string target = TargetText(c.options.stopRule);
  auto significant = [](double value) { return SignificantText(value, 4); };
  for (const ExperimentResult& e : result.experiments) {
    if (e.status != ExperimentStatus::kMaxReps) continue;
    std::string missed;
    int listed = 0, more = 0;
    for (std::size_t m = 0; m < e.windows.size() && m < c.description.measures.size(); m++) {
      const WindowResult& w = e.windows[m];
      if (w.converged) continue;
      if (listed++ >= 6) {
        more++;
        continue;
      }
      // What it saw: a symmetric interval's relative half-width, else its
      // bounds, and that no observation differed when none did.
      std::string seen = w.Symmetric() ? Figure(w, c.options.stopRule) : Bounds(w, significant);
      if (w.method == MethodName(IntervalMethod::AllEqual))
        seen += " (no variation in " + std::to_string(e.replications) + ")";
      missed +=
          (missed.empty() ? "" : ", ") + OneLineText(MeasureTitle(c.description, m)) + " " + seen;
    }
    if (more) missed += " and " + std::to_string(more) + " more";
    lines.push_back(OneLineText(e.plan.name) + " stopped at " + std::to_string(e.replications) +
                    " replications short of " + target + ": " + missed);
  }
  return lines;
}
