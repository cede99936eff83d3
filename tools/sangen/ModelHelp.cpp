// The model's part of its simulator's -h text: the simulation type, the
// global variables with their types and valid values, the experiments,
// the reward variables with their result indices, and command lines built
// from the model's own variables, so that every simulator explains itself.
#include <algorithm>
#include <iomanip>
#include <sstream>

#include "Generation.h"
#include "NumberText.h"

namespace sangen {

namespace {

// Experiments listed one by one; a product study can have thousands.
constexpr int kListedExperiments = 20;

std::string valueText(ScalarType type, double value) {
  if (type == ScalarType::Double) return shortestText(value);
  return std::to_string(static_cast<long long>(value));
}

// The override letter of a type: its C++ name's first letter (d, i, s, c, b).
char overrideLetter(ScalarType type) { return cppName(type)[0]; }

bool varies(const std::vector<double>& values) {
  return std::any_of(values.begin(), values.end(), [&](double v) { return v != values[0]; });
}

std::string assignments(const ModelDescription& model, const ExperimentTable& table, int e,
                        bool varying) {
  std::string text;
  for (std::size_t g = 0; g < model.globals.size(); g++)
    if (varies(table.values[g]) == varying)
      text += (text.empty() ? "" : " ") + model.globals[g].name.text + "=" +
              valueText(model.globals[g].type, table.values[g][e]);
  return text;
}

std::string timeText(const std::pair<double, double>& window, bool instant) {
  if (instant) return "t = " + shortestText(window.second);
  return "[" + shortestText(window.first) + ", " + shortestText(window.second) + "]";
}

void variables(const ModelDescription& model, std::ostream& out) {
  std::size_t width = 4;
  for (const GlobalVariable& g : model.globals) width = std::max(width, g.name.text.size());
  out << "Global variables (type, valid values), set with -O:\n";
  if (model.globals.empty()) out << "  none\n";
  for (const GlobalVariable& g : model.globals)
    out << "  " << std::left << std::setw(static_cast<int>(width)) << g.name.text << "  "
        << std::setw(6) << cppName(g.type) << "  " << (g.range ? g.range->text : "any")
        << std::right << "\n";
}

void experiments(const ModelDescription& model, const ExperimentTable& table, std::ostream& out) {
  out << "Experiments (-e, 0 is the first): " << table.count << "\n";
  if (table.count == 0) return;
  const std::string common = assignments(model, table, 0, false);
  if (!common.empty()) out << "  in every one: " << common << "\n";
  const int listed = std::min(table.count, kListedExperiments);
  for (int e = 0; e < listed; e++) {
    const std::string differ = assignments(model, table, e, true);
    out << "  " << std::setw(3) << e << "  Experiment " << e + 1
        << (differ.empty() ? "" : ": " + differ) << "\n";
  }
  if (table.count > listed) out << "  ... and " << table.count - listed << " more\n";
}

// A description on one line of the help: control characters become blanks.
std::string oneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return text;
}

void measures(const ModelDescription& model, std::ostream& out) {
  out << "Reward variables and their measures (the PV index of the result files):\n";
  int index = 0;
  for (const RewardVariable& r : model.rewards->variables) {
    out << "  " << r.name.text << (r.description.empty() ? "" : ": " + oneLine(r.description))
        << "\n";
    if (r.steadyState) {
      out << "    " << std::setw(3) << index++ << "  " << r.name.text
          << " (batch means: batches of " << shortestText(r.steadyState->batch) << " after "
          << shortestText(r.steadyState->start) << ")\n";
      continue;
    }
    for (const auto& window : r.windows)
      out << "    " << std::setw(3) << index++ << "  " << r.name.text << " "
          << timeText(window, r.measure == Measure::InstantOfTime) << "\n";
  }
}

// Command lines for this model: its first experiment, an override of its
// first variable that differs between experiments (else its first), and a
// trace.
void examples(const ModelDescription& model, const ExperimentTable& table, bool steadyState,
              std::ostream& out) {
  const std::string sim = "./build/" + model.name + "-sim";
  const std::string type = steadyState ? " -t 0" : "";
  out << "Examples:\n"
      << "  " << sim << type << " -e 0 -N 1000 -a out.txt   1000 "
      << (steadyState ? "batches" : "replications") << " of Experiment 1, results in out.txt\n";
  std::size_t chosen = model.globals.size();
  for (std::size_t g = 0; g < model.globals.size(); g++)
    if (model.globals[g].type != ScalarType::Char &&
        (chosen == model.globals.size() ||
         (varies(table.values[g]) && !varies(table.values[chosen]))))
      chosen = g;
  if (chosen < model.globals.size() && table.count > 0) {
    const GlobalVariable& g = model.globals[chosen];
    const std::vector<double>& values = table.values[chosen];
    const double value = values[values.size() > 1 ? values.size() - 1 : 0];
    const std::string text = valueText(g.type, value);
    out << "  " << sim << type << " -e 0 -N 1000 -a out.txt -O " << overrideLetter(g.type) << ":"
        << g.name.text << ":" << text << "   the same with " << g.name.text << " = " << text
        << "\n";
  }
  out << "  " << sim << type << " -e 0 -N 2 -m -l 2 -f trace   a plain trace of two "
      << (steadyState ? "batches" : "replications") << " in trace.txt\n";
}

}  // namespace

std::string modelHelp(const CheckedModel& checked) {
  const ModelDescription& model = checked.model();
  const ExperimentTable& table = checked.experiments();
  std::size_t steady = 0;
  for (const RewardVariable& r : model.rewards->variables) steady += r.steadyState ? 1 : 0;
  const bool steadyState = steady == model.rewards->variables.size();
  std::ostringstream out;
  out << "Model " << model.name << ": "
      << (steady == 0   ? "terminating (-t 1: independent replications)"
          : steadyState ? "steady state (run it with -t 0: batch means of one long run)"
                        : "terminating (-t 1: independent replications) for some variables, "
                          "steady state (-t 0: batch means of one long run) for the others")
      << "\n";
  variables(model, out);
  experiments(model, table, out);
  measures(model, out);
  examples(model, table, steadyState, out);
  return out.str();
}

}  // namespace sangen
