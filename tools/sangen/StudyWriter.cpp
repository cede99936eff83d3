// The study: a BaseStudyClass subclass holding every global variable's
// value in every experiment, and the study's entry points.
#include <algorithm>
#include <cmath>

#include "Generation.h"
#include "NumberText.h"

namespace sangen {

namespace {

std::string valuesName(const GlobalVariable& g) { return g.name.text + "Values"; }

// The GVRange of a global variable: its declared range, or any (finite)
// value.
std::string rangeEntry(const GlobalVariable& g) {
  if (!g.range) return "GVRange{}";
  const Range& r = *g.range;
  auto bound = [](double v) {
    return std::isinf(v) ? std::string(v > 0 ? "HUGE_VAL" : "-HUGE_VAL") : doubleLiteral(v);
  };
  return "GVRange{" + bound(r.min) + ", " + (r.minOpen ? "true" : "false") + ", " + bound(r.max) +
         ", " + (r.maxOpen ? "true" : "false") + "}";
}

}  // namespace

void writeStudy(Generation& generation) {
  const ModelDescription& model = generation.description();
  const ExperimentTable& table = generation.checked().experiments();
  const std::string cls = names::studyClass(*model.study);
  const int numGVs = static_cast<int>(model.globals.size());

  CodeWriter h = generation.writer(cls + ".h");
  const std::string guard = generation.guard(cls + ".h");
  h << "#ifndef " << guard << "\n#define " << guard
    << "\n\n#include <string>\n\n#include \"Study/BaseStudyClass.h\"\n\n"
    << "// The study of model \"" << model.name << "\": " << numGVs << " global variables and "
    << table.count << " experiments (" << generation.origin(model.study->name.at) << ").\n"
    << "class " << cls << " : public BaseStudyClass {\n public:\n"
    << "  " << cls << "();\n  ~" << cls << "() override;\n\n"
    << "  PVModel* GetPVModel(bool expandTimes) override;\n"
    << "  void SetGVs(int experiment) override;\n"
    << "  void PrintGlobalValues(int experiment) override;\n"
    << "  void* GetGVValue(const char* name) override;\n"
    << "  void OverrideGVValue(const char* name, void* value) override;\n"
    << "  const char* ModelHelp() const override;\n\n"
    << " protected:\n  std::string GVCombinationProblem() override;\n\n private:\n"
    << "  // The value of each global variable in each experiment.\n";
  for (const GlobalVariable& g : model.globals)
    h << "  " << cppName(g.type) << "* " << valuesName(g) << ";\n";
  h << "};\n\n#endif\n";
  generation.add(h);

  CodeWriter cpp = generation.writer(cls + ".cpp");
  cpp << generation.include(cls + ".h")
      << "\n#include <cmath>\n#include <cstdlib>\n#include <cstring>\n"
      << "#include <iostream>\n\n"
      << generation.include("GlobalVariables.h")
      << generation.include(names::rewardClass(*model.rewards) + ".h") << "\n";
  const std::string k = cls + "_";
  cpp << "static constexpr unsigned " << k << "NumGVs = " << numGVs << ";\n"
      << "static constexpr unsigned " << k << "NumExperiments = " << table.count << ";\n\n";
  if (numGVs > 0) {
    cpp << "static const char* const " << k << "GVNames[" << numGVs << "] = {";
    for (int g = 0; g < numGVs; g++)
      cpp << (g ? ", " : "") << "\"" << model.globals[g].name.text << "\"";
    cpp << "};\nstatic const char* const " << k << "GVTypes[" << numGVs << "] = {";
    for (int g = 0; g < numGVs; g++)
      cpp << (g ? ", " : "") << "\"" << cppName(model.globals[g].type) << "\"";
    cpp << "};\n// Address and size of each global variable, in table order.\n"
        << "static void* const " << k << "GVAddresses[" << numGVs << "] = {";
    for (int g = 0; g < numGVs; g++) cpp << (g ? ", " : "") << "&" << model.globals[g].name.text;
    cpp << "};\nstatic const unsigned " << k << "GVSizes[" << numGVs << "] = {";
    for (int g = 0; g < numGVs; g++)
      cpp << (g ? ", " : "") << "sizeof(" << model.globals[g].name.text << ")";
    cpp << "};\n// Valid values of each global variable, in table order.\n"
        << "static const GVRange " << k << "GVRanges[" << numGVs << "] = {\n";
    for (int g = 0; g < numGVs; g++)
      cpp << "    " << rangeEntry(model.globals[g]) << (g + 1 < numGVs ? "," : "") << "  // "
          << model.globals[g].name.text << "\n";
    cpp << "};\n\n";
  }
  cpp << "static int " << k << "gvIndex(const char* name) {\n";
  if (numGVs > 0)
    cpp << "  for (unsigned i = 0; i < " << k << "NumGVs; i++)\n"
        << "    if (std::strcmp(name, " << k << "GVNames[i]) == 0) return static_cast<int>(i);\n";
  else
    cpp << "  (void)name;\n";
  cpp << "  return -1;\n}\n\n"
      << "template <class T>\nstatic T* " << k << "constantValues(T value) {\n"
      << "  T* values = new T[" << k << "NumExperiments];\n"
      << "  for (unsigned e = 0; e < " << k << "NumExperiments; e++) values[e] = value;\n"
      << "  return values;\n}\n\n"
      << "static BaseStudyClass* " << k << "theStudy = nullptr;\n\n"
      << "BaseStudyClass* GenerateStudy() {\n"
      << "  if (!" << k << "theStudy) " << k << "theStudy = new " << cls << "();\n"
      << "  return " << k << "theStudy;\n}\n\n"
      << "void DestructStudy() {\n  delete " << k << "theStudy;\n  " << k
      << "theStudy = nullptr;\n}\n\n";

  cpp << cls << "::" << cls << "() {\n";
  if (numGVs > 0)
    cpp << "  SetGVTable(" << k << "NumGVs, " << k << "GVNames, " << k << "GVTypes);\n"
        << "  SetGVRanges(" << k << "GVRanges);\n";
  cpp << "  NumExps = " << k << "NumExperiments;\n";
  // Names are identifiers (checked), so they need no escaping in a literal.
  if (model.rewards)
    for (const DerivedMeasure& d : model.rewards->derived)
      cpp << "  AddDerivedRatio({\"" << d.name.text << "\", \"" << d.numerator.text << "\", \""
          << d.denominator.text << "\"});\n";
  for (int g = 0; g < numGVs; g++) {
    const GlobalVariable& global = model.globals[g];
    const std::vector<double>& values = table.values[g];
    const bool constant =
        std::all_of(values.begin(), values.end(), [&](double v) { return v == values[0]; });
    const std::string type = cppName(global.type);
    cpp << "  " << valuesName(global) << " = ";
    if (constant) {
      cpp << k << "constantValues<" << type << ">(" << literal(global.type, values[0]) << ");\n";
    } else {
      cpp << "new " << type << "[" << k << "NumExperiments]{";
      for (std::size_t e = 0; e < values.size(); e++)
        cpp << (e ? ", " : "") << (e % 8 == 0 && e ? "\n      " : "")
            << literal(global.type, values[e]);
      cpp << "};\n";
    }
  }
  cpp << "}\n\n" << cls << "::~" << cls << "() {\n";
  for (const GlobalVariable& g : model.globals) cpp << "  delete[] " << valuesName(g) << ";\n";
  cpp << "}\n\n";

  cpp << "PVModel* " << cls << "::GetPVModel(bool expandTimes) {\n"
      << "  delete ThePVModel;\n  ThePVModel = nullptr;\n"
      << "  ThePVModel = new " << names::rewardClass(*model.rewards) << "(expandTimes);\n"
      << "  return ThePVModel;\n}\n\n";

  // Conditions on the values together, after each was checked in its range.
  cpp << "std::string " << cls << "::GVCombinationProblem() {\n";
  for (const StudyConstraint& c : model.study->constraints) {
    cpp << "  if (!(\n";
    cpp.snippet(c.holds);
    cpp << "      ))\n    return std::string(\n";
    cpp.snippet(c.message);
    cpp << "    );\n";
  }
  cpp << "  return \"\";\n}\n\n";

  cpp << "void " << cls << "::SetGVs(int experiment) {\n"
      << "  // Experiments outside the table are refused by the simulator before it\n"
      << "  // gets here; never read outside the value arrays.\n"
      << "  if (experiment < 0 || static_cast<unsigned>(experiment) >= " << k
      << "NumExperiments) return;\n";
  for (const GlobalVariable& g : model.globals)
    cpp << "  " << g.name.text << " = " << valuesName(g) << "[experiment];\n";
  cpp << "}\n\n";

  cpp << "void " << cls << "::PrintGlobalValues(int experiment) {\n"
      << "  if (NumGVs == 0) {\n"
      << "    std::cout << \"There are no global variables.\" << std::endl;\n    return;\n  }\n"
      << "  SetGVs(experiment);\n"
      << "  std::cout << \"The Global Variable values for experiment \" << GetExpName(experiment)\n"
      << "            << \" are:\" << std::endl;\n";
  for (const GlobalVariable& g : model.globals)
    cpp << "  std::cout << \"" << g.name.text << "\\t" << cppName(g.type) << "\\t\" << "
        << g.name.text << " << std::endl;\n";
  cpp << "}\n\n";

  cpp << "const char* " << cls << "::ModelHelp() const {\n  return "
      << stringLiteral(modelHelp(generation.checked())) << ";\n}\n\n";

  cpp << "void* " << cls << "::GetGVValue(const char* name) {\n"
      << "  const int i = " << k << "gvIndex(name);\n"
      << "  if (i < 0) {\n"
      << "    std::cerr << \"!! " << cls
      << "::GetGVValue: Global Variable \" << name << \" does not exist.\"\n"
      << "              << std::endl;\n    return nullptr;\n  }\n";
  if (numGVs > 0)
    cpp << "  return " << k << "GVAddresses[i];\n}\n\n";
  else
    cpp << "  return nullptr;\n}\n\n";

  cpp << "void " << cls << "::OverrideGVValue(const char* name, void* value) {\n"
      << "  const int i = " << k << "gvIndex(name);\n"
      << "  if (i < 0) {\n"
      << "    std::cerr << \"!! " << cls << "::OverrideGVValue: Global Variable \" << name\n"
      << "              << \" does not exist.\" << std::endl;\n    return;\n  }\n";
  if (numGVs > 0)
    cpp << "  // The value is read with the variable's own type.\n"
        << "  std::memcpy(" << k << "GVAddresses[i], value, " << k << "GVSizes[i]);\n";
  else
    cpp << "  (void)value;\n";
  cpp << "}\n";
  generation.add(cpp);
}

}  // namespace sangen
