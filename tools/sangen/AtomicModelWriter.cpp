// One atomic SAN model: a SANModel subclass with one nested class per
// activity (and, for an activity with cases, one per case), its state
// variables, arcs and groups.
#include <algorithm>

#include "DistributionTable.h"
#include "Generation.h"

namespace sangen {

namespace {

// Whether an activity's sampled firing time follows the variables its
// timing reads: drawn again when the parameters' values have changed since
// it was drawn. An exponential timing does unless the file says to keep
// it; another does when the file says on_change: redraw; a reactivation
// block decides for itself.
bool followsReads(const Activity& activity) {
  const Timing& timing = activity.timing;
  if (timing.reads.empty() || activity.reactivation || activity.instantaneous()) return false;
  if (timing.onChange) return timing.onChange->text == "redraw";
  return activity.distribution() == "exponential";
}

// Writes the code of one atomic model.
class AtomicWriter {
 public:
  AtomicWriter(Generation& generation, const AtomicModel& atomic)
      : generation_(generation),
        checked_(generation.checked()),
        atomic_(atomic),
        className_(names::atomicClass(atomic.name.text)) {}

  void write();

 private:
  bool isCell(const std::string& variable) const {
    return checked_.typeOf(atomic_, variable).isCell();
  }
  // The type of the group of an activity's cases (postselection), inside
  // the model's class or, `qualified`, outside it.
  std::string caseGroupType(const Activity& a, bool qualified) const {
    return "san::CaseGroup<" + (qualified ? className_ + "::" : std::string()) +
           names::activityClass(a) + ", " + std::to_string(a.cases.size()) + ">";
  }
  std::vector<std::string> caseGroupTypes() const {
    std::vector<std::string> types;
    for (const Activity& a : atomic_.activities)
      if (a.hasCaseList && a.selection.text != "preselect") types.push_back(caseGroupType(a, true));
    return types;
  }

  void writeHeader();
  void writeActivityClass(CodeWriter& h, const Activity& a);
  void writeSource();
  void writeActivity(CodeWriter& cpp, const Activity& a);
  void writeTiming(CodeWriter& cpp, const Activity& a);
  void writeFiring(CodeWriter& cpp, const Activity& a);
  void writeInitialValues(CodeWriter& cpp);
  void writeConstructor(CodeWriter& cpp);
  // A member function of an activity class around a snippet: `result` is
  // its return type; the snippet is an expression unless `statements`.
  // `hot`: the function is inlined into its caller (enabling and
  // reactivation code, evaluated far more often than a firing).
  void writeSnippetFunction(CodeWriter& cpp, const std::string& owner, const std::string& result,
                            const std::string& function, const std::vector<VariableUse>& uses,
                            bool readOnly, const Snippet& code, bool statements, bool hot = false);
  // A function of the model's class giving an initial value of type
  // `type` from `code`, checked to fit when the model is built.
  void writeInitialFunction(CodeWriter& cpp, const std::string& function, const std::string& type,
                            bool array, const Snippet& code, const std::string& element);
  // The array variables an activity's code uses; each has an element table
  // in the activity (san::CellTable, san::ViewTable).
  std::vector<std::string> tabledArrays(const Activity& a) const;

  Generation& generation_;
  const CheckedModel& checked_;
  const AtomicModel& atomic_;
  std::string className_;
};

void AtomicWriter::write() {
  writeHeader();
  writeSource();
}

void AtomicWriter::writeHeader() {
  CodeWriter h = generation_.writer(className_ + ".h");
  const std::string guard = generation_.guard(className_ + ".h");
  h << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "#include \"BaseClasses/Activity.h\"\n"
    << "#include \"BaseClasses/PreselectGroup.h\"\n"
    << "#include \"BaseClasses/SANModel.h\"\n"
    << generation_.include("ModelTypes.h") << "\n"
    << "// Atomic model \"" << atomic_.name.text << "\" (" << generation_.origin(atomic_.name.at)
    << ").\n"
    << "class " << className_ << " : public SANModel {\n public:\n";
  for (const Activity& a : atomic_.activities) writeActivityClass(h, a);

  h << "  " << className_ << "();\n  ~" << className_ << "() override;\n"
    << "  // Fills the activities' element tables; called once the model is composed.\n"
    << "  void fillTables();\n\n"
    << "  // State variables, in the order of the model's state-variable table.\n";
  for (const StateVariable& v : atomic_.variables)
    h << "  " << checked_.typeOf(atomic_, v.name.text).className() << "* " << v.name.text << ";\n";
  h << "\n  // Activities, in the order of the model's action table.\n";
  for (const Activity& a : atomic_.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << "  " << names::caseClass(a, k) << " " << names::caseObject(a, k) << ";\n";
  bool anyGroup = false;
  for (const Activity& a : atomic_.activities) {
    if (!a.hasCaseList) continue;
    if (!anyGroup) h << "\n  // The groups of the activities' cases.\n";
    anyGroup = true;
    if (a.selection.text == "preselect") {
      h << "  PreselectGroup " << names::groupObject(a) << ";\n";
      continue;
    }
    h << "  " << caseGroupType(a, false) << " " << names::groupObject(a) << "{{";
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << (k ? ", " : "") << "&" << names::caseObject(a, k);
    h << "}};\n";
  }
  h << "\n private:\n"
    << "  void assignVariables();\n"
    << "  void addArcs();\n";
  for (const StateVariable& v : atomic_.variables) {
    const VariableType type = checked_.typeOf(atomic_, v.name.text);
    const char* parameters = type.kind == VariableType::Array ? "(int i);\n" : "();\n";
    if (!v.initial.empty())
      h << "  static " << type.cellType() << " " << names::initialFunction(v.name.text)
        << parameters;
    for (const auto& [field, value] : v.fieldInitials)
      h << "  static " << cppName(CheckedModel::fieldType(*type.record, field.text)) << " "
        << names::initialFunction(v.name.text, field.text) << parameters;
  }
  h << "};\n\n";
  // The case groups' members are instantiated once, with the model's code:
  // they inline the cases' enabling, which only the model's source defines.
  for (const std::string& group : caseGroupTypes()) h << "extern template class " << group << ";\n";
  h << "\n#endif\n";
  generation_.add(h);
}

void AtomicWriter::writeActivityClass(CodeWriter& h, const Activity& a) {
  const ActivityWiring& wiring = checked_.wiring(a);
  const bool cases = a.hasCaseList;
  const std::string base = names::activityClass(a);
  const char* overrideWord = cases ? " final;\n" : " override;\n";
  h << "  // " << a.name.text << ": " << a.distribution()
    << (cases ? ", " + std::to_string(a.cases.size()) + " cases" : "") << " ("
    << generation_.origin(a.name.at) << ").\n"
    << "  class " << base << (cases ? "" : " final") << " : public Activity {\n   public:\n";
  if (!cases) h << "    " << base << "();\n";
  for (const std::string& name : wiring.linked) {
    const VariableType type = checked_.typeOf(atomic_, name);
    h << "    " << type.className() << "* " << name << " = nullptr;\n";
    if (type.isCell())
      h << "    " << type.cellType() << "* " << names::cellPointer(name) << " = nullptr;\n";
  }
  // The cases' group calls the enabling directly; inlined there.
  h << (cases ? "    [[gnu::always_inline]] inline bool Enabled() final;\n"
              : "    bool Enabled() override;\n");
  if (cases) h << "    bool EnablingChange() final;\n";
  if (!cases) h << "    double Weight() override;\n";
  h << "    double Rate()" << overrideWord << "    bool ReactivationPredicate()" << overrideWord
    << "    bool ReactivationFunction()" << overrideWord << "    double SampleDistribution()"
    << overrideWord << "    double* ReturnDistributionParameters()" << overrideWord
    << "    int Rank()" << overrideWord;
  if (!cases) h << "    BaseActionClass* Fire() override;\n";
  h << "    void LinkVariables()" << overrideWord << "    const char* ModelFilePosition() const"
    << overrideWord;
  if (a.distribution() == "deterministic") h << "    double DeterministicParamValue();\n";
  if (cases)
    h << "    // The enabling at the last evaluation, and recording an evaluation\n"
      << "    // made by another case as Enabled() would (true when it changed).\n"
      << "    bool lastEnabling() const { return enabled; }\n"
      << "    bool takeEnabling(bool value) {\n"
      << "      const bool changed = value != enabled;\n"
      << "      previouslyEnabled = enabled;\n      enabled = value;\n      return changed;\n    "
         "}\n";
  const std::vector<std::string> arrays = tabledArrays(a);
  if (!arrays.empty())
    h << "    // Takes the element cells of the arrays the activity uses (once the\n"
      << "    // model is composed).\n    void fillTables();\n";
  h << (cases ? "\n   protected:\n" : "\n   private:\n")
    << "    [[gnu::always_inline]] inline bool enablingHolds();\n";
  if (cases) h << "    void fireInput();\n";
  for (std::size_t p = 0; p < a.timing.parameters.size(); p++)
    h << "    double parameter" << static_cast<int>(p) << "();\n";
  for (const Gate& g : a.inputGates) {
    h << "    [[gnu::always_inline]] inline bool " << names::gatePredicate(g.name.text) << "();\n";
    if (!g.function.empty()) h << "    void " << g.name.text << "();\n";
  }
  for (const Case& c : a.cases)
    for (const Gate& g : c.outputGates) h << "    void " << g.name.text << "();\n";
  for (std::size_t k = 0; k < a.cases.size(); k++)
    if (cases) h << "    double weight" << static_cast<int>(k + 1) << "();\n";
  if (a.priority) h << "    int priority();\n";
  if (a.reactivation)
    h << "    [[gnu::always_inline]] inline bool reactivationPredicate();\n"
      << "    [[gnu::always_inline]] inline bool reactivationFunction();\n";
  for (const std::string& name : arrays)
    h << "    " << tableType(checked_.typeOf(atomic_, name)) << " " << names::elementTable(name)
      << ";\n";
  const int numParameters = static_cast<int>(a.timing.parameters.size());
  if (!a.instantaneous()) h << "    double Parameters[" << numParameters << "] = {};\n";
  if (followsReads(a))
    h << "    // The parameters the firing time was last drawn with.\n"
      << "    double sampledParameters[" << numParameters << "] = {};\n";
  h << "  };\n";
  if (cases)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << "  class " << names::caseClass(a, k) << " final : public " << base << " {\n   public:\n"
        << "    " << names::caseClass(a, k) << "();\n"
        << "    double Weight() override;\n"
        << "    BaseActionClass* Fire() override;\n  };\n";
  h << "\n";
}

std::vector<std::string> AtomicWriter::tabledArrays(const Activity& a) const {
  std::vector<std::string> arrays;
  for (const std::string& name : checked_.wiring(a).linked)
    if (checked_.typeOf(atomic_, name).kind == VariableType::Array) arrays.push_back(name);
  return arrays;
}

void AtomicWriter::writeSnippetFunction(CodeWriter& cpp, const std::string& owner,
                                        const std::string& result, const std::string& function,
                                        const std::vector<VariableUse>& uses, bool readOnly,
                                        const Snippet& code, bool statements, bool hot) {
  cpp << (hot ? "inline " : "") << result << " " << className_ << "::" << owner << "::" << function
      << "() {\n";
  if (atomic_.functions)
    cpp << "  using namespace " << names::functionsNamespace(atomic_.name.text) << ";\n";
  cpp << "  [[maybe_unused]] const double now = BaseModelClass::LastActionTime;\n";
  declareViews(
      cpp, generation_, atomic_, uses, readOnly,
      [](const std::string& name) { return "this->" + name; },
      [this](const std::string& name) {
        return isCell(name) ? names::cellPointer(name) : std::string();
      },
      [](const std::string& name) { return names::elementTable(name); }, readOnly);
  if (statements) {
    cpp.snippet(code);
  } else {
    cpp << "  return static_cast<" << result << ">(\n";
    cpp.snippet(code);
    cpp << "  );\n";
  }
  cpp << "}\n\n";
}

void AtomicWriter::writeActivity(CodeWriter& cpp, const Activity& a) {
  const std::string scope = className_ + "::" + names::activityClass(a) + "::";
  const int group = checked_.groupNumber(a);
  const std::string& enumerator = distributionNamed(a.distribution())->enumerator;
  cpp << "// ---- " << a.name.text << " ----\n\n";

  // Construction: name, group number, distribution, policy, reactivation.
  for (std::size_t k = 0; k < a.cases.size(); k++) {
    const std::string cls = className_ + "::" + names::caseClass(a, k);
    cpp << cls << "::" << names::caseClass(a, k) << "() {\n"
        << "  ActivityInitialize(\"" << names::caseObject(a, k) << "\", " << group << ", "
        << enumerator << ", RaceEnabled, false);\n";
    if (!a.hasCaseList) cpp << "  DeclareUnitWeight();  // one case, of weight 1.0\n";
    cpp << "}\n\n";
  }
  cpp << "const char* " << scope << "ModelFilePosition() const { return "
      << stringLiteral(generation_.position(a.name.at)) << "; }\n\n";
  writeTiming(cpp, a);

  // Enabling: every input arc's place holds a token and every input gate's
  // predicate holds.
  for (const Gate& g : a.inputGates)
    writeSnippetFunction(cpp, names::activityClass(a), "bool", names::gatePredicate(g.name.text),
                         g.uses, true, g.predicate, false, true);
  cpp << "inline bool " << scope << "enablingHolds() {\n  return ";
  bool first = true;
  for (const Name& arc : a.inputArcs) {
    cpp << (first ? "" : " && ") << "*" << names::cellPointer(arc.text) << " > 0";
    first = false;
  }
  for (const Gate& g : a.inputGates) {
    cpp << (first ? "" : " && ") << names::gatePredicate(g.name.text) << "()";
    first = false;
  }
  cpp << (first ? "true" : "") << ";\n}\n\n"
      << (a.hasCaseList ? "inline " : "") << "bool " << scope << "Enabled() {\n"
      << "  previouslyEnabled = enabled;\n  enabled = enablingHolds();\n  return enabled;\n}\n\n";
  if (a.hasCaseList)
    cpp << "bool " << scope << "EnablingChange() { return Activity::EnablingChange(); }\n\n";
  writeFiring(cpp, a);

  // Links: the activity's pointers to place cells follow later shares.
  const std::vector<std::string> arrays = tabledArrays(a);
  if (!arrays.empty()) {
    cpp << "void " << scope << "fillTables() {\n";
    for (const std::string& name : arrays)
      cpp << "  " << names::elementTable(name) << ".fill(" << name << ");\n";
    cpp << "}\n\n";
  }
  cpp << "void " << scope << "LinkVariables() {\n";
  for (const std::string& name : checked_.wiring(a).linked)
    if (isCell(name))
      cpp << "  " << name << "->linkPointer(&" << names::cellPointer(name) << ");\n";
  cpp << "}\n\n";
}

// The firing time: its parameters, the sample, the rate, the rank and the
// rules for drawing it again.
void AtomicWriter::writeTiming(CodeWriter& cpp, const Activity& a) {
  const std::string owner = names::activityClass(a);
  const std::string scope = className_ + "::" + owner + "::";
  const DistributionKind& kind = *distributionNamed(a.distribution());
  const bool follows = followsReads(a);
  const int numParameters = static_cast<int>(a.timing.parameters.size());
  for (int p = 0; p < numParameters; p++)
    writeSnippetFunction(cpp, owner, "double", "parameter" + std::to_string(p), a.timing.reads,
                         true, a.timing.parameters[static_cast<std::size_t>(p)], false);
  // The parameters as arguments: evaluated, or (following the reads) as
  // recorded for the comparison that decides on a new draw.
  auto arguments = [&]() {
    std::string list;
    for (int p = 0; p < numParameters; p++)
      list += (p ? ", " : "") + (follows ? "sampledParameters[" + std::to_string(p) + "]"
                                         : "parameter" + std::to_string(p) + "()");
    return list;
  };
  std::string record;
  if (follows)
    for (int p = 0; p < numParameters; p++)
      record += "  sampledParameters[" + std::to_string(p) + "] = parameter" + std::to_string(p) +
                "();\n";
  switch (kind.sampling) {
    case DistributionKind::Instant:
      cpp << "double " << scope << "SampleDistribution() { return 0.0; }\n\n";
      break;
    case DistributionKind::Constant:
      cpp << "double " << scope << "DeterministicParamValue() { return parameter0(); }\n\n";
      if (follows)
        cpp << "double " << scope << "SampleDistribution() {\n"
            << record << "  return sampledParameters[0];\n}\n\n";
      else
        cpp << "double " << scope
            << "SampleDistribution() { return DeterministicParamValue(); }\n\n";
      break;
    case DistributionKind::Call:
      cpp << "double " << scope << "SampleDistribution() {\n"
          << record << "  return TheDistribution->" << kind.enumerator << "(" << arguments()
          << ");\n}\n\n";
      break;
    case DistributionKind::Rates:
    case DistributionKind::RatePairs:
      cpp << "double " << scope << "SampleDistribution() {\n"
          << record << "  double values[" << numParameters << "] = {" << arguments() << "};\n"
          << "  return TheDistribution->" << kind.enumerator << "("
          << (kind.sampling == DistributionKind::RatePairs ? numParameters / 2 : numParameters)
          << ", values);\n}\n\n";
      break;
  }
  if (kind.sampling == DistributionKind::Instant) {
    cpp << "double* " << scope << "ReturnDistributionParameters() { return nullptr; }\n\n";
  } else {
    cpp << "double* " << scope << "ReturnDistributionParameters() {\n";
    for (int p = 0; p < numParameters; p++)
      cpp << "  Parameters[" << p << "] = parameter" << p << "();\n";
    cpp << "  return Parameters;\n}\n\n";
  }
  cpp << "double " << scope << "Rate() { return "
      << (a.distribution() == "exponential" ? "parameter0()" : "0.0") << "; }\n\n";
  if (a.priority) {
    writeSnippetFunction(cpp, owner, "int", "priority", {}, true, *a.priority, false);
    cpp << "int " << scope << "Rank() { return priority(); }\n\n";
  } else {
    cpp << "int " << scope << "Rank() { return 1; }\n\n";
  }
  if (a.reactivation) {
    writeSnippetFunction(cpp, owner, "bool", "reactivationPredicate", a.reactivation->reads, true,
                         a.reactivation->predicate, false, true);
    writeSnippetFunction(cpp, owner, "bool", "reactivationFunction", a.reactivation->reads, true,
                         a.reactivation->function, false, true);
    cpp << "bool " << scope << "ReactivationPredicate() { return reactivationPredicate(); }\n"
        << "bool " << scope << "ReactivationFunction() { return reactivationFunction(); }\n\n";
  } else if (follows) {
    // Kept in the simulator's reactivation list while scheduled; after each
    // firing, drawn again from the time of the change when a parameter's
    // value differs from the one it was drawn with.
    cpp << "bool " << scope << "ReactivationPredicate() { return true; }\n"
        << "bool " << scope << "ReactivationFunction() {\n  return ";
    for (int p = 0; p < numParameters; p++)
      cpp << (p ? " ||\n         " : "") << "parameter" << p << "() != sampledParameters[" << p
          << "]";
    cpp << ";\n}\n\n";
  } else {
    cpp << "bool " << scope << "ReactivationPredicate() { return false; }\n"
        << "bool " << scope << "ReactivationFunction() { return false; }\n\n";
  }
}

// Firing: input gate functions, input arcs; then the case's output gates
// and output arcs.
void AtomicWriter::writeFiring(CodeWriter& cpp, const Activity& a) {
  const std::string owner = names::activityClass(a);
  const std::string scope = className_ + "::" + owner + "::";
  for (const Gate& g : a.inputGates)
    if (!g.function.empty())
      writeSnippetFunction(cpp, owner, "void", g.name.text, g.uses, false, g.function, true);
  for (const Case& c : a.cases)
    for (const Gate& g : c.outputGates)
      writeSnippetFunction(cpp, owner, "void", g.name.text, g.uses, false, g.function, true);
  auto writeInput = [&](CodeWriter& out) {
    for (const Gate& g : a.inputGates)
      if (!g.function.empty()) out << "  " << g.name.text << "();\n";
    for (const Name& arc : a.inputArcs) out << "  *" << names::cellPointer(arc.text) << " -= 1;\n";
  };
  auto writeOutput = [&](CodeWriter& out, const Case& c) {
    for (const Gate& g : c.outputGates) out << "  " << g.name.text << "();\n";
    for (const Name& arc : c.outputArcs)
      out << "  san::addToken(" << names::cellPointer(arc.text) << ", \"" << arc.text << "\");\n";
  };
  if (!a.hasCaseList) {
    cpp << "double " << scope << "Weight() { return 1.0; }\n\n"
        << "BaseActionClass* " << scope << "Fire() {\n";
    writeInput(cpp);
    writeOutput(cpp, a.cases.front());
    cpp << "  return this;\n}\n\n";
    return;
  }
  cpp << "void " << scope << "fireInput() {\n";
  writeInput(cpp);
  cpp << "}\n\n";
  for (std::size_t k = 0; k < a.cases.size(); k++) {
    const Case& c = a.cases[k];
    const std::string weight = "weight" + std::to_string(k + 1);
    writeSnippetFunction(cpp, owner, "double", weight, c.reads, true, *c.weight, false);
    const std::string cls = className_ + "::" + names::caseClass(a, k) + "::";
    cpp << "double " << cls << "Weight() { return " << weight << "(); }\n\n"
        << "BaseActionClass* " << cls << "Fire() {\n  fireInput();\n";
    writeOutput(cpp, c);
    cpp << "  return this;\n}\n\n";
  }
}

void AtomicWriter::writeSource() {
  CodeWriter cpp = generation_.writer(className_ + ".cpp");
  cpp << generation_.include(className_ + ".h") << "\n"
      << "#include \"Random/Distributions.h\"\n"
      << generation_.include("GlobalVariables.h") << "\n";
  if (atomic_.functions) {
    const std::string space = names::functionsNamespace(atomic_.name.text);
    cpp << "// Helper functions of model \"" << atomic_.name.text << "\".\nnamespace " << space
        << " {\n";
    cpp.snippet(*atomic_.functions);
    cpp << "}  // namespace " << space << "\n\n";
  }
  for (const Activity& a : atomic_.activities) writeActivity(cpp, a);
  cpp << "// ---- the model ----\n\n";
  writeInitialValues(cpp);
  writeConstructor(cpp);
  for (const std::string& group : caseGroupTypes()) cpp << "\ntemplate class " << group << ";\n";
  generation_.add(cpp);
}

void AtomicWriter::writeInitialFunction(CodeWriter& cpp, const std::string& function,
                                        const std::string& type, bool array, const Snippet& code,
                                        const std::string& element) {
  cpp << type << " " << className_ << "::" << function
      << (array ? "([[maybe_unused]] int i)" : "()") << " {\n  return san::initialValue<" << type
      << ">((\n";
  cpp.snippet(code);
  cpp << "      ), " << stringLiteral(element) << ");\n}\n\n";
}

void AtomicWriter::writeInitialValues(CodeWriter& cpp) {
  for (const StateVariable& v : atomic_.variables) {
    const VariableType type = checked_.typeOf(atomic_, v.name.text);
    const bool array = type.kind == VariableType::Array;
    const std::string where = " (" + generation_.position(v.name.at) + ")";
    if (!v.initial.empty())
      writeInitialFunction(cpp, names::initialFunction(v.name.text), type.cellType(), array,
                           v.initial, "'" + v.name.text + "'" + where);
    for (const auto& [field, value] : v.fieldInitials)
      writeInitialFunction(cpp, names::initialFunction(v.name.text, field.text),
                           cppName(CheckedModel::fieldType(*type.record, field.text)), array, value,
                           "field '" + field.text + "' of '" + v.name.text + "'" + where);
  }
}

void AtomicWriter::writeConstructor(CodeWriter& cpp) {
  cpp << className_ << "::" << className_ << "() {\n";
  for (const StateVariable& v : atomic_.variables) {
    const std::string& name = v.name.text;
    const VariableType type = checked_.typeOf(atomic_, name);
    std::string initial;
    if (type.kind == VariableType::Record && !v.fieldInitials.empty()) {
      initial = names::recordState(type.record->name.text) + "{";
      for (std::size_t k = 0; k < type.record->fields.size(); k++) {
        const std::string& field = type.record->fields[k].name.text;
        const bool given =
            std::any_of(v.fieldInitials.begin(), v.fieldInitials.end(),
                        [&](const auto& entry) { return entry.first.text == field; });
        initial += (k ? ", " : "") + (given ? names::initialFunction(name, field) + "()" : "0");
      }
      initial += "}";
    } else if (type.isCell() && !v.initial.empty()) {
      initial = names::initialFunction(name) + "()";
    }
    cpp << "  " << name << " = " << creation(name, type, initial) << ";\n";
    if (type.kind != VariableType::Array) continue;
    if (!v.initial.empty())
      cpp << "  for (int i = 0; i < " << name << "->getSize(); i++) " << name
          << "->Index(i)->Mark() = " << names::initialFunction(name) << "(i);\n";
    if (!v.fieldInitials.empty()) {
      cpp << "  for (int i = 0; i < " << name << "->getSize(); i++) {\n";
      for (const auto& [field, value] : v.fieldInitials)
        cpp << "    " << name << "->Index(i)->" << field.text
            << "->Mark() = " << names::initialFunction(name, field.text) << "(i);\n";
      cpp << "  }\n";
    }
  }
  for (const Activity& a : atomic_.activities) {
    if (!a.hasCaseList) continue;
    const std::string group = names::groupObject(a);
    cpp << "  " << group << ".initialize(" << static_cast<int>(a.cases.size()) << ", \"" << group
        << "\");\n";
    for (std::size_t k = 0; k < a.cases.size(); k++)
      cpp << "  " << group << ".appendGroup(&" << names::caseObject(a, k) << ");\n";
  }
  int numActions = 0;
  for (const Activity& a : atomic_.activities) numActions += static_cast<int>(a.cases.size());
  const int numPlaces = static_cast<int>(atomic_.variables.size());
  if (numPlaces > 0) {
    cpp << "\n  BaseStateVariableClass* places[] = {";
    for (int k = 0; k < numPlaces; k++) cpp << (k ? ", " : "") << atomic_.variables[k].name.text;
    cpp << "};\n";
  }
  cpp << "  Activity* activities[] = {";
  bool firstItem = true;
  for (const Activity& a : atomic_.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++) {
      cpp << (firstItem ? "" : ", ") << "&" << names::caseObject(a, k);
      firstItem = false;
    }
  cpp << "};\n  BaseGroupClass* groups[] = {";
  const std::vector<const Activity*> order = checked_.groupOrder(atomic_);
  for (std::size_t g = 0; g < order.size(); g++)
    cpp << (g ? ", " : "") << "&" << names::groupObject(*order[g]);
  cpp << "};\n"
      << "  SANModel::initializeSANModelNow(\"" << atomic_.name.text << "\", " << numPlaces << ", "
      << (numPlaces > 0 ? "places" : "nullptr") << ", 0, nullptr, " << numActions
      << ", activities, " << static_cast<int>(order.size()) << ", groups);\n\n"
      << "  assignVariables();\n  addArcs();\n"
      << "  for (Activity* activity : activities) activity->LinkVariables();\n}\n\n";

  cpp << className_ << "::~" << className_ << "() {\n";
  for (const StateVariable& v : atomic_.variables) cpp << "  delete " << v.name.text << ";\n";
  cpp << "}\n\n";

  cpp << "void " << className_ << "::fillTables() {\n";
  for (const Activity& a : atomic_.activities)
    if (!tabledArrays(a).empty())
      for (std::size_t k = 0; k < a.cases.size(); k++)
        cpp << "  " << names::caseObject(a, k) << ".fillTables();\n";
  cpp << "}\n\n";

  cpp << "// Each activity's pointers to the variables it uses.\n"
      << "void " << className_ << "::assignVariables() {\n";
  for (const Activity& a : atomic_.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      for (const std::string& name : checked_.wiring(a).linked)
        cpp << "  " << names::caseObject(a, k) << "." << name << " = " << name << ";\n";
  cpp << "}\n\n";

  cpp << "// Affect arcs: every variable an activity's firing reads or changes; enable\n"
      << "// arcs: every variable its enabling reads. Activities in table order.\n"
      << "void " << className_ << "::addArcs() {\n";
  for (const bool enable : {false, true})
    for (const Activity& a : atomic_.activities)
      for (std::size_t k = 0; k < a.cases.size(); k++) {
        const CaseWiring& wiring = checked_.wiring(a).cases[k];
        for (const std::string& name : enable ? wiring.enabling : wiring.affected)
          cpp << "  SANModel::" << (enable ? "AddEnableArc(" : "AddAffectArc(") << name << ", &"
              << names::caseObject(a, k) << ");\n";
      }
  cpp << "}\n";
}

}  // namespace

void writeAtomicModel(Generation& generation, const AtomicModel& atomic) {
  AtomicWriter(generation, atomic).write();
}

}  // namespace sangen
