#include "ResultFiles.h"

#include <cmath>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>

#include "FileReplacement.h"
#include "NumberText.h"
#include "RewardWindows.h"
#include "Utf8Text.h"

namespace {
// Windows shown in the table: [0, 200], [0, 350], [0, 500], [0, 700].
constexpr int kTableWindows[] = {2, 5, 8, 12};

std::string CsvNumber(double value) { return std::isfinite(value) ? ShortestText(value) : ""; }

std::string CsvText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : EscapeInvalidUtf8(text)) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

nlohmann::json JsonNumber(double value) { return std::isfinite(value) ? nlohmann::json(value) : nullptr; }

nlohmann::json JsonText(const std::string& text) { return EscapeInvalidUtf8(text); }

// Right-aligns `text` in `width` characters (not bytes: "±" is two).
std::string Pad(const std::string& text, std::size_t width) {
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return std::string(width > chars ? width - chars : 0, ' ') + text;
}

std::string CsvContent(const StudyResult& result) {
  std::ostringstream out;
  out << "experiment,name,loss_probability,seed,status,replications,processor_seconds,"
         "window_start,window_end,mean,half_width,lower,upper,variance,window_converged,failure\n";
  for (const ExperimentResult& e : result.experiments) {
    for (const WindowResult& w : e.windows) {
      out << e.info.index << ',' << CsvText(e.info.name) << ',' << CsvNumber(e.info.lossProbability) << ','
          << e.seed << ',' << e.status << ',' << e.replications << ',' << CsvNumber(e.processorSeconds) << ','
          << CsvNumber(w.start) << ',' << CsvNumber(w.end) << ',' << CsvNumber(e.replications ? w.mean : NAN)
          << ',' << CsvNumber(w.halfWidth) << ',' << CsvNumber(w.mean - w.halfWidth) << ','
          << CsvNumber(w.mean + w.halfWidth) << ',' << CsvNumber(e.replications > 1 ? w.variance : NAN) << ','
          << (w.converged ? "yes" : "no") << ',' << (e.failure.empty() ? "" : CsvText(e.failure)) << '\n';
    }
  }
  return out.str();
}

std::string JsonContent(const StudyResult& result, const StudyOptions& options) {
  using nlohmann::json;
  json settings = {{"experiments", options.experiments},
                   {"seed", options.seed},
                   {"override", JsonText(options.overrideText)},
                   {"confidence", options.stopRule.confidence},
                   {"precision", options.stopRule.precision},
                   {"minReplications", options.stopRule.minReplications},
                   {"maxReplications", options.stopRule.maxReplications},
                   {"reportSize", options.reportSize},
                   {"jobs", options.jobs},
                   {"simulator", JsonText(options.simulator)}};
  json experiments = json::array();
  for (const ExperimentResult& e : result.experiments) {
    json variables = json::object();
    for (const GlobalVariableValue& gv : e.info.globalVariables)
      variables[EscapeInvalidUtf8(gv.name)] = JsonText(gv.value);
    json windows = json::array();
    for (const WindowResult& w : e.windows)
      windows.push_back({{"start", w.start},
                         {"end", w.end},
                         {"mean", JsonNumber(e.replications ? w.mean : NAN)},
                         {"variance", JsonNumber(e.replications > 1 ? w.variance : NAN)},
                         {"halfWidth", JsonNumber(w.halfWidth)},
                         {"lower", JsonNumber(w.mean - w.halfWidth)},
                         {"upper", JsonNumber(w.mean + w.halfWidth)},
                         {"converged", w.converged}});
    experiments.push_back({{"experiment", e.info.index},
                           {"name", JsonText(e.info.name)},
                           {"lossProbability", JsonNumber(e.info.lossProbability)},
                           {"seed", e.seed},
                           {"status", e.status},
                           {"failure", e.failure.empty() ? json(nullptr) : JsonText(e.failure)},
                           {"replications", e.replications},
                           {"processorSeconds", e.processorSeconds},
                           {"globalVariables", variables},
                           {"windows", windows}});
  }
  json document = {
      {"rewardVariable", "numberOfTrains"},
      {"complete", result.Complete()},
      {"interrupted", result.Interrupted()},
      {"settings", settings},
      {"replicationRule",
       "the estimates of an experiment cover exactly the first 'replications' replications its simulator "
       "ran with 'seed'; replications received after the stop decision are not counted"},
      {"experiments", experiments}};
  // Every text is escaped above; should one slip through, it is replaced
  // rather than ending the program.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + '\n';
}

// Any exception while the content is made is reported as a failed write.
template <typename MakeContent>
std::optional<std::string> WriteFile(const std::filesystem::path& file, MakeContent makeContent) {
  try {
    return ReplaceFile(file, makeContent());
  } catch (const std::exception& e) {
    return "cannot write " + file.string() + ": " + e.what();
  }
}
}  // namespace

std::optional<std::string> WriteCsv(const StudyResult& result, const std::filesystem::path& file) {
  return WriteFile(file, [&] { return CsvContent(result); });
}

std::optional<std::string> WriteJson(const StudyResult& result, const StudyOptions& options,
                                     const std::filesystem::path& file) {
  return WriteFile(file, [&] { return JsonContent(result, options); });
}

void PrintTable(const StudyResult& result, std::ostream& out) {
  out << std::left << std::setw(15) << "experiment" << std::right << std::setw(8) << "loss p" << std::setw(7)
      << "reps" << "  " << std::left << std::setw(11) << "status" << std::right;
  for (int w : kTableWindows)
    out << std::setw(17) << "[0," + ShortestText(WindowEnd(w)) + "]";
  out << '\n';
  for (const ExperimentResult& e : result.experiments) {
    out << std::left << std::setw(15) << e.info.name << std::right << std::setw(8)
        << FixedText(e.info.lossProbability, 3) << std::setw(7) << e.replications << "  " << std::left
        << std::setw(11) << e.status << std::right;
    for (int w : kTableWindows) {
      const WindowResult& window = e.windows[w];
      std::string cell = "-";
      if (e.replications > 0)
        cell = FixedText(window.mean, 3) + " ± " +
               (std::isfinite(window.halfWidth) ? FixedText(window.halfWidth, 3) : std::string("?"));
      out << Pad(cell, 17);
    }
    out << '\n';
  }
  if (result.Aborted())
    out << "The study stopped on an internal error: these results are incomplete.\n";
  else if (!result.Complete())
    out << (result.Interrupted() ? "The study was interrupted: these results are incomplete.\n"
                                 : "Some experiments failed: see the messages above.\n");
}
