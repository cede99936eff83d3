// One atomic SAN model: a SANModel subclass with one nested class per
// activity (and, for an activity with cases, one per case), its state
// variables, arcs and groups.
#include <algorithm>
#include <filesystem>
#include <map>

#include "Generation.h"

namespace sangen {

namespace {

const std::map<std::string, std::string>& distributionEnumerators() {
  static const std::map<std::string, std::string> names = {
      {"instantaneous", "Instantaneous"},
      {"exponential", "Exponential"},
      {"deterministic", "Deterministic"},
      {"uniform", "Uniform"},
      {"geometric", "Geometric"},
      {"weibull", "Weibull"},
      {"conditional_weibull", "ConditionalWeibull"},
      {"pareto", "Pareto"},
      {"erlang", "Erlang"},
      {"hypoexponential", "HypoExponential"},
      {"hyperexponential", "HyperExponential"},
      {"triangular", "Triangular"},
      {"normal", "Normal"},
      {"lognormal", "Lognormal"},
      {"gamma", "Gamma"},
      {"beta", "Beta"},
      {"binomial", "Binomial"},
      {"negative_binomial", "NegativeBinomial"}};
  return names;
}

// Writes the code of one atomic model.
class AtomicWriter {
 public:
  AtomicWriter(Generation& generation, const AtomicModel& atomic)
      : generation(generation),
        checked(generation.checked()),
        atomic(atomic),
        className(Generation::atomicClass(atomic.name.text)) {}

  void write();

 private:
  // Names of an activity's classes and objects.
  std::string activityClass(const Activity& a) const { return a.name.text + "Activity"; }
  std::string caseClass(const Activity& a, std::size_t k) const {
    return a.hasCaseList ? activityClass(a) + "_case" + std::to_string(k + 1) : activityClass(a);
  }
  std::string caseObject(const Activity& a, std::size_t k) const {
    return a.hasCaseList ? a.name.text + "_case" + std::to_string(k + 1) : a.name.text;
  }
  std::string groupObject(const Activity& a) const {
    return a.hasCaseList ? a.name.text + "Group" : a.name.text;
  }
  bool isCell(const std::string& variable) const {
    return checked.typeOf(atomic, variable).isCell();
  }
  // The type of the group of an activity's cases (postselection), inside
  // the model's class or, `qualified`, outside it.
  std::string caseGroupType(const Activity& a, bool qualified) const {
    return "san::CaseGroup<" + (qualified ? className + "::" : std::string()) + activityClass(a) +
           ", " + std::to_string(a.cases.size()) + ">";
  }
  std::vector<std::string> caseGroupTypes() const {
    std::vector<std::string> types;
    for (const Activity& a : atomic.activities)
      if (a.hasCaseList && a.selection.text != "preselect") types.push_back(caseGroupType(a, true));
    return types;
  }

  void writeHeader();
  void writeActivityClass(CodeWriter& h, const Activity& a);
  void writeSource();
  void writeActivity(CodeWriter& cpp, const Activity& a);
  void writeConstructor(CodeWriter& cpp);
  // A member function of an activity class around a snippet: `result` is
  // its return type; the snippet is an expression unless `statements`.
  // `hot`: the function is inlined into its caller (enabling and
  // reactivation code, evaluated far more often than a firing).
  void writeSnippetFunction(CodeWriter& cpp, const std::string& owner, const std::string& result,
                            const std::string& function, const std::vector<VariableUse>& uses,
                            bool readOnly, const Snippet& code, bool statements, bool hot = false);
  void writeSnippetBody(CodeWriter& cpp, const std::vector<VariableUse>& uses, bool readOnly,
                        const Snippet& code, bool statements, const std::string& result);
  // The array variables an activity's code uses; each has an element table
  // in the activity (san::CellTable, san::ViewTable).
  std::vector<std::string> tabledArrays(const Activity& a) const;

  Generation& generation;
  const CheckedModel& checked;
  const AtomicModel& atomic;
  std::string className;
};

void AtomicWriter::write() {
  writeHeader();
  writeSource();
}

void AtomicWriter::writeHeader() {
  CodeWriter h = generation.writer(className + ".h");
  const std::string guard = generation.guard(className + ".h");
  h << "// Generated from "
    << std::filesystem::path(generation.description().file).filename().string()
    << "; do not edit.\n#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "#include \"BaseClasses/Activity.h\"\n"
    << "#include \"BaseClasses/PreselectGroup.h\"\n"
    << "#include \"BaseClasses/SANModel.h\"\n"
    << generation.include("ModelTypes.h") << "\n"
    << "// Atomic model \"" << atomic.name.text << "\" (" << generation.origin(atomic.name.at)
    << ").\n"
    << "class " << className << " : public SANModel {\n public:\n";
  for (const Activity& a : atomic.activities) writeActivityClass(h, a);

  h << "  " << className << "();\n  ~" << className << "() override;\n"
    << "  // Fills the activities' element tables; called once the model is composed.\n"
    << "  void fillTables();\n\n"
    << "  // State variables, in the order of the model's state-variable table.\n";
  for (const StateVariable& v : atomic.variables)
    h << "  " << checked.typeOf(atomic, v.name.text).className() << "* " << v.name.text << ";\n";
  h << "\n  // Activities, in the order of the model's action table.\n";
  for (const Activity& a : atomic.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << "  " << caseClass(a, k) << " " << caseObject(a, k) << ";\n";
  bool anyGroup = false;
  for (const Activity& a : atomic.activities) {
    if (!a.hasCaseList) continue;
    if (!anyGroup) h << "\n  // The groups of the activities' cases.\n";
    anyGroup = true;
    if (a.selection.text == "preselect") {
      h << "  PreselectGroup " << groupObject(a) << ";\n";
      continue;
    }
    h << "  " << caseGroupType(a, false) << " " << groupObject(a) << "{{";
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << (k ? ", " : "") << "&" << caseObject(a, k);
    h << "}};\n";
  }
  h << "\n private:\n"
    << "  void assignVariables();\n"
    << "  void addArcs();\n";
  for (const StateVariable& v : atomic.variables) {
    const VariableType type = checked.typeOf(atomic, v.name.text);
    if (!v.initial.empty())
      h << "  static " << type.cellType() << " initial_" << v.name.text
        << (type.kind == VariableType::Array ? "(int i);\n" : "();\n");
    for (const auto& [field, value] : v.fieldInitials) {
      ScalarType fieldType = ScalarType::Int;
      for (const RecordField& f : type.record->fields)
        if (f.name.text == field.text) fieldType = f.type;
      h << "  static " << cppName(fieldType) << " initial_" << v.name.text << "_" << field.text
        << (type.kind == VariableType::Array ? "(int i);\n" : "();\n");
    }
  }
  h << "};\n\n";
  // The case groups' members are instantiated once, with the model's code:
  // they inline the cases' enabling, which only the model's source defines.
  for (const std::string& group : caseGroupTypes()) h << "extern template class " << group << ";\n";
  h << "\n#endif\n";
  generation.add(h);
}

void AtomicWriter::writeActivityClass(CodeWriter& h, const Activity& a) {
  const ActivityWiring& wiring = checked.wiring(a);
  const bool cases = a.hasCaseList;
  const std::string base = activityClass(a);
  const char* overrideWord = cases ? " final;\n" : " override;\n";
  h << "  // " << a.name.text << ": " << (a.instantaneous() ? "instantaneous" : a.distribution())
    << (cases ? ", " + std::to_string(a.cases.size()) + " cases" : "") << " ("
    << generation.origin(a.name.at) << ").\n"
    << "  class " << base << (cases ? "" : " final") << " : public Activity {\n   public:\n";
  if (!cases) h << "    " << base << "();\n";
  for (const std::string& name : wiring.linked) {
    const VariableType type = checked.typeOf(atomic, name);
    h << "    " << type.className() << "* " << name << " = nullptr;\n";
    if (type.isCell()) h << "    " << type.cellType() << "* " << name << "_Mark = nullptr;\n";
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
  h << "    void LinkVariables()" << overrideWord;
  if (a.distribution() == "deterministic") h << "    double DeterministicParamValue();\n";
  if (cases)
    h << "    // The enabling at the last evaluation, and recording an evaluation\n"
      << "    // made by another case as Enabled() would (true when it changed).\n"
      << "    bool lastEnabling() const { return enabled; }\n"
      << "    bool takeEnabling(bool value) {\n"
      << "      const bool changed = value != enabled;\n"
      << "      previouslyEnabled = enabled;\n      enabled = value;\n      return changed;\n    "
         "}\n";
  h << (cases ? "\n   protected:\n" : "\n   private:\n")
    << "    [[gnu::always_inline]] inline bool enablingHolds();\n";
  if (cases) h << "    void fireInput();\n";
  h << "\n   public:\n"
    << "    // Takes the element cells of the arrays the activity uses (once the\n"
    << "    // model is composed).\n    void fillTables();\n"
    << (cases ? "\n   protected:\n" : "\n   private:\n");
  for (std::size_t p = 0; p < a.timing.parameters.size(); p++)
    h << "    double parameter" << static_cast<int>(p) << "();\n";
  for (const Gate& g : a.inputGates) {
    h << "    [[gnu::always_inline]] inline bool " << g.name.text << "_predicate();\n";
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
  for (const std::string& name : tabledArrays(a))
    h << "    " << tableType(checked.typeOf(atomic, name)) << " " << name << "_table;\n";
  if (!a.instantaneous())
    h << "    double Parameters[" << static_cast<int>(a.timing.parameters.size()) << "] = {};\n";
  h << "  };\n";
  if (cases)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      h << "  class " << caseClass(a, k) << " final : public " << base << " {\n   public:\n"
        << "    " << caseClass(a, k) << "();\n"
        << "    double Weight() override;\n"
        << "    BaseActionClass* Fire() override;\n  };\n";
  h << "\n";
}

std::vector<std::string> AtomicWriter::tabledArrays(const Activity& a) const {
  std::vector<std::string> arrays;
  for (const std::string& name : checked.wiring(a).linked)
    if (checked.typeOf(atomic, name).kind == VariableType::Array) arrays.push_back(name);
  return arrays;
}

void AtomicWriter::writeSnippetBody(CodeWriter& cpp, const std::vector<VariableUse>& uses,
                                    bool readOnly, const Snippet& code, bool statements,
                                    const std::string& result) {
  if (atomic.functions) cpp << "  using namespace " << className << "_functions;\n";
  cpp << "  [[maybe_unused]] const double now = BaseModelClass::LastActionTime;\n";
  declareViews(
      cpp, generation, atomic, uses, readOnly,
      [](const std::string& name) { return "this->" + name; },
      [this](const std::string& name) { return isCell(name) ? name + "_Mark" : std::string(); },
      [](const std::string& name) { return name + "_table"; }, readOnly);
  if (statements) {
    cpp.snippet(code);
  } else {
    cpp << "  return static_cast<" << result << ">(\n";
    cpp.snippet(code);
    cpp << "  );\n";
  }
}

void AtomicWriter::writeSnippetFunction(CodeWriter& cpp, const std::string& owner,
                                        const std::string& result, const std::string& function,
                                        const std::vector<VariableUse>& uses, bool readOnly,
                                        const Snippet& code, bool statements, bool hot) {
  cpp << (hot ? "inline " : "") << result << " " << className << "::" << owner << "::" << function
      << "() {\n";
  writeSnippetBody(cpp, uses, readOnly, code, statements, result);
  cpp << "}\n\n";
}

void AtomicWriter::writeActivity(CodeWriter& cpp, const Activity& a) {
  const ActivityWiring& wiring = checked.wiring(a);
  const std::string base = activityClass(a);
  const std::string scope = className + "::" + base + "::";
  const bool cases = a.hasCaseList;
  const int group = checked.groupNumber(atomic, a);
  const std::string& distribution = a.distribution();
  const std::string enumerator = distributionEnumerators().at(distribution);
  cpp << "// ---- " << a.name.text << " ----\n\n";

  // Construction: name, group number, distribution, policy, numbers of
  // affected and enabling variables.
  for (std::size_t k = 0; k < a.cases.size(); k++) {
    const std::string cls = className + "::" + caseClass(a, k);
    cpp << cls << "::" << caseClass(a, k) << "() {\n"
        << "  ActivityInitialize(\"" << caseObject(a, k) << "\", " << group << ", " << enumerator
        << ", RaceEnabled, " << static_cast<int>(wiring.cases[k].affected.size()) << ", "
        << static_cast<int>(wiring.cases[k].enabling.size()) << ", false);\n";
    if (!cases) cpp << "  DeclareUnitWeight();  // one case, of weight 1.0\n";
    cpp << "}\n\n";
  }

  // Timing.
  const std::vector<VariableUse>& timingReads = a.timing.reads;
  for (std::size_t p = 0; p < a.timing.parameters.size(); p++)
    writeSnippetFunction(cpp, base, "double", "parameter" + std::to_string(p), timingReads, true,
                         a.timing.parameters[p], false);
  const int numParameters = static_cast<int>(a.timing.parameters.size());
  auto parameters = [&]() {
    std::string list;
    for (int p = 0; p < numParameters; p++)
      list += (p ? ", " : "") + std::string("parameter") + std::to_string(p) + "()";
    return list;
  };
  if (distribution == "deterministic") {
    cpp << "double " << scope << "DeterministicParamValue() { return parameter0(); }\n\n"
        << "double " << scope << "SampleDistribution() { return DeterministicParamValue(); }\n\n";
  } else if (distribution == "instantaneous") {
    cpp << "double " << scope << "SampleDistribution() { return 0.0; }\n\n";
  } else if (distribution == "hypoexponential" || distribution == "hyperexponential") {
    cpp << "double " << scope << "SampleDistribution() {\n"
        << "  double values[" << numParameters << "] = {" << parameters() << "};\n"
        << "  return TheDistribution->" << enumerator << "("
        << (distribution == "hyperexponential" ? numParameters / 2 : numParameters)
        << ", values);\n}\n\n";
  } else {
    cpp << "double " << scope << "SampleDistribution() {\n  return TheDistribution->" << enumerator
        << "(" << parameters() << ");\n}\n\n";
  }
  if (distribution == "instantaneous") {
    cpp << "double* " << scope << "ReturnDistributionParameters() { return nullptr; }\n\n";
  } else {
    cpp << "double* " << scope << "ReturnDistributionParameters() {\n";
    for (int p = 0; p < numParameters; p++)
      cpp << "  Parameters[" << p << "] = parameter" << p << "();\n";
    cpp << "  return Parameters;\n}\n\n";
  }
  cpp << "double " << scope << "Rate() { return "
      << (distribution == "exponential" ? "parameter0()" : "0.0") << "; }\n\n";
  if (a.priority) {
    writeSnippetFunction(cpp, base, "int", "priority", {}, true, *a.priority, false);
    cpp << "int " << scope << "Rank() { return priority(); }\n\n";
  } else {
    cpp << "int " << scope << "Rank() { return 1; }\n\n";
  }
  if (a.reactivation) {
    writeSnippetFunction(cpp, base, "bool", "reactivationPredicate", a.reactivation->reads, true,
                         a.reactivation->predicate, false, true);
    writeSnippetFunction(cpp, base, "bool", "reactivationFunction", a.reactivation->reads, true,
                         a.reactivation->function, false, true);
    cpp << "bool " << scope << "ReactivationPredicate() { return reactivationPredicate(); }\n"
        << "bool " << scope << "ReactivationFunction() { return reactivationFunction(); }\n\n";
  } else {
    cpp << "bool " << scope << "ReactivationPredicate() { return false; }\n"
        << "bool " << scope << "ReactivationFunction() { return false; }\n\n";
  }

  // Enabling: every input arc's place holds a token and every input gate's
  // predicate holds.
  for (const Gate& g : a.inputGates)
    writeSnippetFunction(cpp, base, "bool", g.name.text + "_predicate", g.uses, true, g.predicate,
                         false, true);
  cpp << "inline bool " << scope << "enablingHolds() {\n  return ";
  bool first = true;
  for (const Name& arc : a.inputArcs) {
    cpp << (first ? "" : " && ") << "*" << arc.text << "_Mark > 0";
    first = false;
  }
  for (const Gate& g : a.inputGates) {
    cpp << (first ? "" : " && ") << g.name.text << "_predicate()";
    first = false;
  }
  cpp << (first ? "true" : "") << ";\n}\n\n"
      << (cases ? "inline " : "") << "bool " << scope << "Enabled() {\n"
      << "  previouslyEnabled = enabled;\n  enabled = enablingHolds();\n  return enabled;\n}\n\n";
  if (cases)
    cpp << "bool " << scope << "EnablingChange() { return Activity::EnablingChange(); }\n\n";

  // Firing: input gate functions, input arcs; then the case's output gates
  // and output arcs.
  for (const Gate& g : a.inputGates)
    if (!g.function.empty())
      writeSnippetFunction(cpp, base, "void", g.name.text, g.uses, false, g.function, true);
  for (const Case& c : a.cases)
    for (const Gate& g : c.outputGates)
      writeSnippetFunction(cpp, base, "void", g.name.text, g.uses, false, g.function, true);
  auto writeInput = [&](CodeWriter& out) {
    for (const Gate& g : a.inputGates)
      if (!g.function.empty()) out << "  " << g.name.text << "();\n";
    for (const Name& arc : a.inputArcs) out << "  *" << arc.text << "_Mark -= 1;\n";
  };
  auto writeOutput = [&](CodeWriter& out, const Case& c) {
    for (const Gate& g : c.outputGates) out << "  " << g.name.text << "();\n";
    for (const Name& arc : c.outputArcs)
      out << "  san::addToken(" << arc.text << "_Mark, \"" << arc.text << "\");\n";
  };
  if (cases) {
    cpp << "void " << scope << "fireInput() {\n";
    writeInput(cpp);
    cpp << "}\n\n";
    for (std::size_t k = 0; k < a.cases.size(); k++) {
      const Case& c = a.cases[k];
      const std::string weight = "weight" + std::to_string(k + 1);
      writeSnippetFunction(cpp, base, "double", weight, c.reads, true, *c.weight, false);
      const std::string cls = className + "::" + caseClass(a, k) + "::";
      cpp << "double " << cls << "Weight() { return " << weight << "(); }\n\n"
          << "BaseActionClass* " << cls << "Fire() {\n  fireInput();\n";
      writeOutput(cpp, c);
      cpp << "  return this;\n}\n\n";
    }
  } else {
    cpp << "double " << scope << "Weight() { return 1.0; }\n\n"
        << "BaseActionClass* " << scope << "Fire() {\n";
    writeInput(cpp);
    writeOutput(cpp, a.cases.front());
    cpp << "  return this;\n}\n\n";
  }

  // Links: the activity's pointers to place cells follow later shares.
  cpp << "void " << scope << "fillTables() {\n";
  for (const std::string& name : tabledArrays(a))
    cpp << "  " << name << "_table.fill(" << name << ");\n";
  cpp << "}\n\n";
  cpp << "void " << scope << "LinkVariables() {\n";
  for (const std::string& name : wiring.linked)
    if (isCell(name)) cpp << "  " << name << "->linkPointer(&" << name << "_Mark);\n";
  cpp << "}\n\n";
}

void AtomicWriter::writeSource() {
  CodeWriter cpp = generation.writer(className + ".cpp");
  cpp << "// Generated from "
      << std::filesystem::path(generation.description().file).filename().string()
      << "; do not edit.\n"
      << generation.include(className + ".h") << "\n"
      << "#include \"Random/Distributions.h\"\n"
      << generation.include("GlobalVariables.h") << "\n";
  if (atomic.functions) {
    cpp << "// Helper functions of model \"" << atomic.name.text << "\".\nnamespace " << className
        << "_functions {\n";
    cpp.snippet(*atomic.functions);
    cpp << "}  // namespace " << className << "_functions\n\n";
  }
  for (const Activity& a : atomic.activities) writeActivity(cpp, a);
  writeConstructor(cpp);
  for (const std::string& group : caseGroupTypes()) cpp << "\ntemplate class " << group << ";\n";
  generation.add(cpp);
}

void AtomicWriter::writeConstructor(CodeWriter& cpp) {
  cpp << "// ---- the model ----\n\n";
  // Initial values.
  for (const StateVariable& v : atomic.variables) {
    const VariableType type = checked.typeOf(atomic, v.name.text);
    const bool array = type.kind == VariableType::Array;
    if (!v.initial.empty()) {
      cpp << type.cellType() << " " << className << "::initial_" << v.name.text
          << (array ? "([[maybe_unused]] int i)" : "()") << " {\n  return static_cast<"
          << type.cellType() << ">(\n";
      cpp.snippet(v.initial);
      cpp << "  );\n}\n\n";
    }
    for (const auto& [field, value] : v.fieldInitials) {
      ScalarType fieldType = ScalarType::Int;
      for (const RecordField& f : type.record->fields)
        if (f.name.text == field.text) fieldType = f.type;
      cpp << cppName(fieldType) << " " << className << "::initial_" << v.name.text << "_"
          << field.text << (array ? "([[maybe_unused]] int i)" : "()")
          << " {\n  return static_cast<" << cppName(fieldType) << ">(\n";
      cpp.snippet(value);
      cpp << "  );\n}\n\n";
    }
  }

  cpp << className << "::" << className << "() {\n";
  for (const StateVariable& v : atomic.variables) {
    const std::string& name = v.name.text;
    const VariableType type = checked.typeOf(atomic, name);
    switch (type.kind) {
      case VariableType::Place:
      case VariableType::Scalar:
        cpp << "  " << name << " = new " << type.className() << "(\"" << name << "\", "
            << (v.initial.empty() ? std::string("0") : "initial_" + name + "()") << ");\n";
        break;
      case VariableType::Record: {
        cpp << "  " << name << " = new " << type.record->name.text << "(\"" << name << "\", \"\"";
        if (!v.fieldInitials.empty()) {
          cpp << ", " << type.record->name.text << "_state{";
          for (std::size_t k = 0; k < type.record->fields.size(); k++) {
            const std::string& field = type.record->fields[k].name.text;
            bool given = false;
            for (const auto& entry : v.fieldInitials) given = given || entry.first.text == field;
            cpp << (k ? ", " : "") << (given ? "initial_" + name + "_" + field + "()" : "0");
          }
          cpp << "}";
        }
        cpp << ");\n";
        break;
      }
      case VariableType::Array:
        cpp << "  " << name << " = new " << type.array->name.text << "(\"" << name << "\", \"\", "
            << type.array->name.text << "::length());\n";
        if (!v.initial.empty())
          cpp << "  for (int i = 0; i < " << name << "->getSize(); i++) " << name
              << "->Index(i)->Mark() = initial_" << name << "(i);\n";
        if (!v.fieldInitials.empty()) {
          cpp << "  for (int i = 0; i < " << name << "->getSize(); i++) {\n";
          for (const auto& [field, value] : v.fieldInitials)
            cpp << "    " << name << "->Index(i)->" << field.text << "->Mark() = initial_" << name
                << "_" << field.text << "(i);\n";
          cpp << "  }\n";
        }
        break;
    }
  }
  for (const Activity& a : atomic.activities) {
    if (!a.hasCaseList) continue;
    cpp << "  " << groupObject(a) << ".initialize(" << static_cast<int>(a.cases.size()) << ", \""
        << groupObject(a) << "\");\n";
    for (std::size_t k = 0; k < a.cases.size(); k++)
      cpp << "  " << groupObject(a) << ".appendGroup(&" << caseObject(a, k) << ");\n";
  }
  int numActions = 0;
  for (const Activity& a : atomic.activities) numActions += static_cast<int>(a.cases.size());
  const int numPlaces = static_cast<int>(atomic.variables.size());
  if (numPlaces > 0) {
    cpp << "\n  BaseStateVariableClass* places[] = {";
    for (int k = 0; k < numPlaces; k++) cpp << (k ? ", " : "") << atomic.variables[k].name.text;
    cpp << "};\n";
  }
  cpp << "  Activity* activities[] = {";
  bool firstItem = true;
  for (const Activity& a : atomic.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++) {
      cpp << (firstItem ? "" : ", ") << "&" << caseObject(a, k);
      firstItem = false;
    }
  cpp << "};\n  BaseGroupClass* groups[] = {";
  const std::vector<const Activity*> order = checked.groupOrder(atomic);
  for (std::size_t g = 0; g < order.size(); g++)
    cpp << (g ? ", " : "") << "&" << groupObject(*order[g]);
  cpp << "};\n"
      << "  SANModel::initializeSANModelNow(\"" << atomic.name.text << "\", " << numPlaces << ", "
      << (numPlaces > 0 ? "places" : "nullptr") << ", 0, nullptr, " << numActions
      << ", activities, " << static_cast<int>(order.size()) << ", groups);\n\n"
      << "  assignVariables();\n  addArcs();\n"
      << "  for (Activity* activity : activities) activity->LinkVariables();\n}\n\n";

  cpp << className << "::~" << className << "() {\n";
  for (const StateVariable& v : atomic.variables) cpp << "  delete " << v.name.text << ";\n";
  cpp << "}\n\n";

  cpp << "void " << className << "::fillTables() {\n";
  for (const Activity& a : atomic.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      cpp << "  " << caseObject(a, k) << ".fillTables();\n";
  cpp << "}\n\n";

  cpp << "// Each activity's pointers to the variables it uses.\n"
      << "void " << className << "::assignVariables() {\n";
  for (const Activity& a : atomic.activities)
    for (std::size_t k = 0; k < a.cases.size(); k++)
      for (const std::string& name : checked.wiring(a).linked)
        cpp << "  " << caseObject(a, k) << "." << name << " = " << name << ";\n";
  cpp << "}\n\n";

  cpp << "// Affect arcs: every variable an activity's firing reads or changes; enable\n"
      << "// arcs: every variable its enabling reads. Activities in table order.\n"
      << "void " << className << "::addArcs() {\n";
  for (const bool enable : {false, true})
    for (const Activity& a : atomic.activities)
      for (std::size_t k = 0; k < a.cases.size(); k++) {
        const CaseWiring& wiring = checked.wiring(a).cases[k];
        for (const std::string& name : enable ? wiring.enabling : wiring.affected)
          cpp << "  SANModel::" << (enable ? "AddEnableArc(" : "AddAffectArc(") << name << ", &"
              << caseObject(a, k) << ");\n";
      }
  cpp << "}\n";
}

}  // namespace

void writeAtomicModel(Generation& generation, const AtomicModel& atomic) {
  AtomicWriter(generation, atomic).write();
}

}  // namespace sangen
