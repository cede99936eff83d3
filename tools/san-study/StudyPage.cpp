#include "StudyPage.h"

#include <fstream>
#include <sstream>

#include "CsvFields.h"
#include "ExactValues.h"
#include "FileReplacement.h"
#include "HtmlText.h"
#include "NumberFormat.h"

namespace {

// The CSV columns the table shows, in this order, when study.csv has them,
// with their headings; then the experiment's values of the global
// variables (the last columns of every row).
const std::pair<const char*, const char*> kColumns[] = {{"name", "experiment"},
                                                        {"status", "status"},
                                                        {"replications", "replications"},
                                                        {"reward_variable", "reward variable"},
                                                        {"measure", "measure"},
                                                        {"mean", "mean"},
                                                        {"half_width", "half-width"},
                                                        {"lower", "lower"},
                                                        {"upper", "upper"},
                                                        {"exact", "exact"},
                                                        {"exact_inside", "exact inside"}};

const char kStyle[] =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}"
    "dl{display:grid;grid-template-columns:max-content auto;gap:.2em 1em}dt{font-weight:bold}"
    "dd{margin:0}table{border-collapse:collapse;font-size:.9em}"
    "th,td{border:1px solid #bbb;padding:.2em .5em}th{background:#eee}"
    "td.number{text-align:right;font-variant-numeric:tabular-nums}"
    "img{max-width:100%;border:1px solid #ddd}.note{color:#555;font-style:italic}";

std::string Item(const std::string& term, const std::string& value) {
  return "<dt>" + HtmlEscaped(term) + "</dt><dd>" + HtmlEscaped(value) + "</dd>\n";
}

std::string Note(const std::string& text) {
  return "<p class=\"note\">" + HtmlEscaped(text) + "</p>\n";
}

std::optional<std::string> FileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

}  // namespace

StudyPage::StudyPage(const StudyResult& result, const ResultContext& context)
    : result_(result), context_(context) {}

std::string StudyPage::Content() const {
  const StudyDescription& d = context_.description;
  const std::string title =
      "Study " + (d.study.empty() ? std::string("") : d.study + " ") + "of the model " + d.model;
  std::ostringstream page;
  page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       << "<title>" << HtmlEscaped(title) << "</title>\n<style>" << kStyle << "</style>\n"
       << "</head>\n<body>\n<h1>" << HtmlEscaped(title) << "</h1>\n"
       << Context() << Table() << Verdicts() << Plot() << Diagram() << "</body>\n</html>\n";
  return page.str();
}

std::string StudyPage::Context() const {
  const StudyOptions& o = context_.options;
  const StudyDescription& d = context_.description;
  const StopRule& rule = o.stopRule;
  std::string text = "<h2>Context</h2>\n<dl>\n";
  text += Item("tool", o.program + " " + ToolVersion());
  if (!o.simulator.empty()) text += Item("simulator", o.simulator);
  text += Item("study description", d.source + " (digest " + d.digest + ")");
  text += Item("simulation", d.steadyState ? "steady state (batch means)" : "terminating");
  text += Item("experiments", std::to_string(result_.experiments.size()) +
                                  (result_.Complete() ? "" : " (results incomplete)"));
  text += Item("seed", std::to_string(o.seed));
  text += Item("generator", o.generator ? std::to_string(*o.generator) : "default");
  if (!o.overrideText.empty()) text += Item("override", o.overrideText);
  std::string sweeps;
  for (const Sweep& s : context_.plan.sweeps) sweeps += (sweeps.empty() ? "" : " ") + s.text;
  if (!sweeps.empty()) text += Item("sweeps", sweeps);
  text += Item("confidence", ShortestText(rule.confidence));
  text += Item("precision", TargetText(rule));
  text += Item("replications", std::to_string(rule.minReplications) + " to " +
                                   std::to_string(rule.maxReplications));
  text += Item("streams per experiment",
               o.streams ? std::to_string(*o.streams) : "chosen from the cores");
  return text + "</dl>\n";
}

std::string StudyPage::Table() const {
  std::istringstream csv(CsvContent(result_, context_));
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(csv, line);) {
    if (line.starts_with("#")) continue;
    if (header.empty())
      header = CsvFields(line);
    else
      rows.push_back(CsvFields(line));
  }
  const std::size_t globals = std::min(context_.description.variables.size(), header.size());
  std::vector<std::pair<std::size_t, std::string>> shown;  // column, heading
  for (const auto& [column, heading] : kColumns)
    for (std::size_t k = 0; k + globals < header.size(); k++)
      if (header[k] == column) shown.push_back({k, heading});
  for (std::size_t k = header.size() - globals; k < header.size(); k++)
    shown.push_back({k, header[k]});

  std::string text = "<h2>Estimates</h2>\n<table id=\"estimates\">\n<tr>";
  for (const auto& [column, heading] : shown) text += "<th>" + HtmlEscaped(heading) + "</th>";
  text += "</tr>\n";
  for (const std::vector<std::string>& row : rows) {
    text += "<tr>";
    for (const auto& [column, heading] : shown) {
      const std::string cell = column < row.size() ? row[column] : "";
      const bool number = column >= header.size() - globals || heading == "mean" ||
                          heading == "half-width" || heading == "lower" || heading == "upper" ||
                          heading == "exact" || heading == "replications";
      text += "<td" + std::string(number ? " class=\"number\"" : "") + " data-column=\"" +
              HtmlEscaped(header[column]) + "\">" + HtmlEscaped(cell) + "</td>";
    }
    text += "</tr>\n";
  }
  return text + "</table>\n";
}

std::string StudyPage::Verdicts() const {
  std::vector<std::string> lines = VerdictLines(result_, context_);
  for (const std::string& line : ExactMissLines(result_, context_.description))
    lines.push_back(line);
  for (const ExperimentResult& e : result_.experiments)
    if (!e.failure.empty()) lines.push_back(e.plan.name + " failed: " + e.failure);
  if (result_.Aborted()) lines.push_back("stopped on an internal error: " + result_.internalError);
  std::string text = "<h2>Verdicts</h2>\n";
  if (lines.empty())
    return text + "<p>No experiment stopped short of the precision aimed at (" +
           HtmlEscaped(TargetText(context_.options.stopRule)) + ") or failed.</p>\n";
  text += "<ul>\n";
  for (const std::string& line : lines) text += "<li>" + HtmlEscaped(line) + "</li>\n";
  return text + "</ul>\n";
}

std::string StudyPage::Plot() const {
  std::string text = "<h2>Plot</h2>\n";
  if (!noPlot_.empty()) return text + Note("No plot: " + noPlot_ + ".");
  return text + "<p>" + SvgImage(plot_, "the estimates and their confidence intervals") + "</p>\n";
}

std::string StudyPage::Diagram() const {
  const StudyDescription& d = context_.description;
  std::string text = "<h2>Model</h2>\n";
  if (d.diagram.empty()) return text + Note("No diagram: the study description names none.");
  const std::filesystem::path file = std::filesystem::path(d.source).parent_path() / d.diagram;
  const std::optional<std::string> svg = FileText(file);
  if (!svg)
    return text + Note("No diagram: cannot read " + file.string() +
                       " (Graphviz's dot draws it when the model is built).");
  return text + "<p>" + SvgImage(*svg, "the diagram of the model " + d.model) + "</p>\n";
}

std::optional<std::string> StudyPage::Write(const StudyResult& result, const ResultContext& context,
                                            const std::filesystem::path& directory,
                                            const std::optional<std::string>& noPlot) {
  StudyPage page(result, context);
  if (noPlot) {
    page.SetNoPlot(*noPlot);
  } else if (const std::optional<std::string> svg = FileText(directory / "study.svg")) {
    page.SetPlot(*svg);
  } else {
    page.SetNoPlot("cannot read study.svg");
  }
  return ReplaceFile(directory / "study.html", page.Content());
}
