#include "DescriptionText.h"

#include <algorithm>
#include <iomanip>
#include <string>
#include <vector>

#include "TableColumns.h"
#include "Utf8Text.h"

namespace {
// Experiments listed one by one; a product study can have thousands.
constexpr std::size_t kListedExperiments = 20;

bool Varies(const StudyDescription& d, std::size_t v) {
  return std::any_of(d.experiments.begin(), d.experiments.end(),
                     [&](const auto& e) { return e.values[v] != d.experiments.front().values[v]; });
}

std::string Assignments(const StudyDescription& d, const ExperimentDescription& e, bool varying) {
  std::string text;
  for (std::size_t v = 0; v < d.variables.size(); v++)
    if (Varies(d, v) == varying)
      text += (text.empty() ? "" : " ") + d.variables[v].name + "=" +
              ValueText(d.variables[v].type, e.values[v]);
  return text;
}

void Variables(const StudyDescription& d, std::ostream& out) {
  std::size_t width = 4;
  for (const GlobalVariable& v : d.variables) width = std::max(width, v.name.size());
  out << "Global variables (type, valid values):\n";
  if (d.variables.empty()) out << "  none\n";
  for (const GlobalVariable& v : d.variables)
    out << "  " << std::left << std::setw(static_cast<int>(width)) << OneLineText(v.name) << "  "
        << std::setw(6) << TypeName(v.type) << "  " << v.range.Text() << std::right << "\n";
}

void Experiments(const StudyDescription& d, std::ostream& out) {
  out << "Experiments (the simulator's -e, 0 is the first): " << d.experiments.size() << "\n";
  if (d.experiments.empty()) return;
  const std::string common = Assignments(d, d.experiments.front(), false);
  if (!common.empty()) out << "  in every one: " << OneLineText(common) << "\n";
  const std::size_t listed = std::min(d.experiments.size(), kListedExperiments);
  for (std::size_t i = 0; i < listed; i++) {
    const std::string varying = Assignments(d, d.experiments[i], true);
    out << "  " << std::setw(3) << i << "  " << OneLineText(d.experiments[i].name)
        << (varying.empty() ? "" : ": " + OneLineText(varying)) << "\n";
  }
  if (d.experiments.size() > listed)
    out << "  ... and " << d.experiments.size() - listed << " more\n";
}

void Measures(const StudyDescription& d, std::ostream& out) {
  out << "Reward variables and their measures (the simulator's PV index):\n";
  for (const RewardVariable& r : d.rewards) {
    std::string what = r.kind;
    if (!r.observation.empty()) what += (what.empty() ? "" : ", ") + r.observation;
    out << "  " << OneLineText(r.name)
        << (r.description.empty() ? "" : ": " + OneLineText(r.description))
        << (what.empty() ? "" : " (" + what + ")") << "\n";
    for (std::size_t m = 0; m < d.measures.size(); m++) {
      const Measure& measure = d.measures[m];
      if (measure.rewardVariable != r.name) continue;
      // A derived measure has no PV index: the simulator does not observe it.
      if (measure.Derived())
        out << "         " << OneLineText(MeasureTitle(d, m)) << " = "
            << OneLineText(MeasureTitle(d, measure.numerator)) << " / "
            << OneLineText(MeasureTitle(d, measure.denominator)) << "\n";
      else
        out << "    " << std::setw(3) << m << "  " << OneLineText(MeasureTitle(d, m)) << "\n";
    }
  }
}

// An override and a sweep of the model's own first variable (the first
// that varies between experiments, if any), at its value in experiment 1.
void Examples(const StudyDescription& d, const std::string& program, std::ostream& out) {
  if (d.variables.empty() || d.experiments.empty()) return;
  std::size_t v = 0;
  for (std::size_t k = 0; k < d.variables.size(); k++)
    if (Varies(d, k)) {
      v = k;
      break;
    }
  const GlobalVariable& g = d.variables[v];
  std::vector<std::string> seen;
  std::string values;
  for (const ExperimentDescription& e : d.experiments) {
    const std::string value = ValueText(g.type, e.values[v]);
    if (std::find(seen.begin(), seen.end(), value) != seen.end()) continue;
    seen.push_back(value);
    values += (values.empty() ? "" : ",") + value;
  }
  const std::string first = ValueText(g.type, d.experiments.front().values[v]);
  out << "Examples:\n"
      << "  " << program << " ... -O " << OverrideLetter(g.type) << ":" << OneLineText(g.name)
      << ":" << first << "      every simulator with " << OneLineText(g.name) << " = " << first
      << "\n"
      << "  " << program << " ... --sweep " << OneLineText(g.name) << "=" << values
      << "      one experiment per value\n";
}
}  // namespace

void DescribeStudy(const StudyDescription& d, const std::string& program, std::ostream& out) {
  out << "Model " << OneLineText(d.model) << ": "
      << (d.steadyState ? "steady-state simulation (batch means of one long run, -t 0)"
                        : "terminating simulation (independent replications)")
      << "\nDescription: " << OneLineText(d.source) << "\n";
  Variables(d, out);
  Experiments(d, out);
  Measures(d, out);
  Examples(d, program, out);
}
