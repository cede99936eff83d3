#include "Diagram.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "Generation.h"

namespace sangen {

namespace {

// A weight expression longer than this is left off its case's circle: the
// diagram shows the model's shape, the file holds the details.
constexpr std::size_t kShortExpression = 24;

std::string quoted(const std::string& text) { return "\"" + dotLabelText(text) + "\""; }

std::string joined(const std::vector<Name>& names) {
  std::string text;
  for (const Name& name : names) text += (text.empty() ? "" : ", ") + name.text;
  return text;
}

// One atomic model's cluster. Node names are "m<model>_<kind><index>", so
// that no text of the model ever stands outside a quoted label.
class AtomicCluster {
 public:
  AtomicCluster(std::ostringstream& out, const AtomicModel& atomic, std::size_t index)
      : out_(out), atomic_(atomic), prefix_("m" + std::to_string(index) + "_") {}

  void Write() {
    out_ << "  subgraph cluster_" << prefix_ << " {\n"
         << "    label=" << quoted("atomic model " + atomic_.name.text) << ";\n";
    for (std::size_t v = 0; v < atomic_.variables.size(); v++) Variable(v);
    for (std::size_t a = 0; a < atomic_.activities.size(); a++) Activity(a);
    out_ << "  }\n";
  }

 private:
  void Variable(std::size_t v) {
    const StateVariable& variable = atomic_.variables[v];
    const std::string id = prefix_ + "v" + std::to_string(v);
    variables_[variable.name.text] = id;
    std::string label = variable.name.text;
    if (variable.type.text != "place") label += "\n" + variable.type.text;
    // Every variable starts from zero unless the file says otherwise.
    if (variable.fieldInitials.empty())
      label += "\n" + (variable.initial.empty() ? std::string("0") : variable.initial.text);
    for (const auto& [field, initial] : variable.fieldInitials)
      label += "\n" + field.text + " = " + initial.text;
    out_ << "    " << id << " [shape=circle, label=" << quoted(label) << "];\n";
  }

  void Activity(std::size_t a) {
    const sangen::Activity& activity = atomic_.activities[a];
    const std::string id = prefix_ + "a" + std::to_string(a);
    // Timed: a thick bar; instantaneous: a thin one; the name beside it.
    out_ << "    " << id << " [shape=box, style=filled, fillcolor=black, label=\"\", height=0.6, "
         << "width=" << (activity.instantaneous() ? "0.04" : "0.2")
         << ", xlabel=" << quoted(activity.name.text) << "];\n";
    for (const Name& arc : activity.inputArcs) Edge(Variable(arc.text), id, "");
    for (std::size_t g = 0; g < activity.inputGates.size(); g++) {
      const std::string gate = id + "_ig" + std::to_string(g);
      GateNode(gate, activity.inputGates[g], "270");
      for (const VariableUse& use : activity.inputGates[g].uses)
        Edge(Variable(use.name.text), gate,
             use.access == Access::Change ? "style=dashed, dir=both" : "style=dashed");
      Edge(gate, id, "");
    }
    const bool drawCases = activity.hasCaseList || activity.cases.size() > 1;
    for (std::size_t c = 0; c < activity.cases.size(); c++) {
      const Case& outcome = activity.cases[c];
      std::string from = id;
      if (drawCases) {
        from = id + "_c" + std::to_string(c);
        std::string weight;
        if (outcome.weight && outcome.weight->text.size() <= kShortExpression)
          weight = outcome.weight->text;
        out_ << "    " << from
             << " [shape=circle, width=0.15, fixedsize=true, label=\"\", xlabel=" << quoted(weight)
             << "];\n";
        Edge(id, from, "arrowhead=none");
      }
      for (const Name& arc : outcome.outputArcs) Edge(from, Variable(arc.text), "");
      for (std::size_t g = 0; g < outcome.outputGates.size(); g++) {
        const std::string gate = from + "_og" + std::to_string(g);
        GateNode(gate, outcome.outputGates[g], "90");
        Edge(from, gate, "");
        for (const VariableUse& use : outcome.outputGates[g].uses)
          Edge(gate, Variable(use.name.text),
               use.access == Access::Change ? "style=dashed" : "style=dashed, dir=back");
      }
    }
  }

  // A gate: a triangle pointing along the flow, named beside it.
  void GateNode(const std::string& id, const Gate& gate, const char* orientation) {
    out_ << "    " << id << " [shape=triangle, orientation=" << orientation
         << ", width=0.3, height=0.3, fixedsize=true, label=\"\", xlabel=" << quoted(gate.name.text)
         << "];\n";
  }

  // The node of a variable of this model ("" for a name the checker would
  // have refused).
  std::string Variable(const std::string& name) const {
    const auto found = variables_.find(name);
    return found == variables_.end() ? "" : found->second;
  }

  void Edge(const std::string& from, const std::string& to, const std::string& attributes) {
    if (from.empty() || to.empty()) return;
    out_ << "    " << from << " -> " << to;
    if (!attributes.empty()) out_ << " [" << attributes << "]";
    out_ << ";\n";
  }

  std::ostringstream& out_;
  const AtomicModel& atomic_;
  std::string prefix_;
  std::map<std::string, std::string> variables_;  // variable name -> node
};

// The composition's tree: Rep and Join nodes over atomic models' leaves,
// each node numbered in depth-first order.
void CompositionNode(std::ostringstream& out, const ComposedNode& node, int& counter,
                     const std::string& parent) {
  const std::string id = "c" + std::to_string(counter++);
  std::string label;
  switch (node.kind) {
    case ComposedNode::Rep:
      label = "Rep " + node.name.text + "\nreplicas: " + node.replicas.text;
      break;
    case ComposedNode::Join:
      label = "Join " + node.name.text;
      break;
    case ComposedNode::Atomic:
      label = node.name.text;
      break;
  }
  if (node.kind != ComposedNode::Atomic)
    label += "\nshared: " + (node.shared.empty() ? std::string("none") : joined(node.shared));
  out << "    " << id << " [shape=" << (node.kind == ComposedNode::Atomic ? "ellipse" : "box")
      << ", label=" << quoted(label) << "];\n";
  if (!parent.empty()) out << "    " << parent << " -> " << id << ";\n";
  for (const ComposedNode& child : node.children) CompositionNode(out, child, counter, id);
}

}  // namespace

std::string dotLabelText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += ' ';
    } else if (byte < 0x20 || byte == 0x7f) {
      char code[8];
      std::snprintf(code, sizeof code, "\\\\x%02x", byte);
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

std::string modelDiagram(const CheckedModel& model, const std::string& modelFile) {
  const ModelDescription& description = model.model();
  std::ostringstream out;
  out << generatedBanner(modelFile) << "digraph model {\n"
      << "  graph [rankdir=LR, pad=0.2, fontname=\"Helvetica\", labelloc=t, label="
      << quoted("model " + description.name) << "];\n"
      << "  node [fontname=\"Helvetica\", fontsize=11];\n"
      << "  edge [arrowsize=0.7];\n";
  for (std::size_t m = 0; m < description.models.size(); m++)
    AtomicCluster(out, description.models[m], m).Write();
  if (description.composition) {
    out << "  subgraph cluster_composition {\n"
        << "    label=" << quoted("composition " + description.composition->name.text) << ";\n";
    int counter = 0;
    CompositionNode(out, description.composition->root, counter, "");
    out << "  }\n";
  }
  out << "}\n";
  return out.str();
}

}  // namespace sangen
