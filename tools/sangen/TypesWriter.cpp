// The global variables and the record and array types of a model, with the
// views through which gate and reward code reads and changes state.
#include "Generation.h"

namespace sangen {

namespace {

const char* elementKind(const ArrayType& array, const CheckedModel& model) {
  if (model.record(array.element.text)) return "RecordElement";
  const ScalarType type = *scalarTypeNamed(array.element.text);
  if (type == ScalarType::Short) return "ShortElement";
  if (type == ScalarType::Int) return "IntElement";
  return "DoubleElement";
}

const char* fieldKind(ScalarType type) {
  if (type == ScalarType::Short) return "ShortElement";
  if (type == ScalarType::Int) return "IntElement";
  return "DoubleElement";
}

}  // namespace

void writeGlobals(Generation& generation) {
  const ModelDescription& model = generation.description();
  CodeWriter h = generation.writer("GlobalVariables.h");
  const std::string guard = generation.guard("GlobalVariables.h");
  h << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "// The model's global variables, read directly by the model code and written\n"
    << "// only by the study (experiment values and command-line overrides).\n";
  for (const GlobalVariable& g : model.globals)
    h << "extern " << cppName(g.type) << " " << g.name.text << ";\n";
  h << "\n#endif\n";
  generation.add(h);

  CodeWriter cpp = generation.writer("GlobalVariables.cpp");
  cpp << generation.include("GlobalVariables.h") << "\n";
  for (const GlobalVariable& g : model.globals)
    cpp << cppName(g.type) << " " << g.name.text << " = 0;\n";
  generation.add(cpp);
}

void writeTypes(Generation& generation) {
  const ModelDescription& model = generation.description();
  const CheckedModel& checked = generation.checked();
  CodeWriter h = generation.writer("ModelTypes.h");
  const std::string guard = generation.guard("ModelTypes.h");
  h << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "#include <algorithm>\n#include <cmath>\n\n"
    << "#include \"BaseClasses/ModelRuntime.h\"\n"
    << "#include \"BaseClasses/state/StructStateVariable.h\"\n\n";

  for (const RecordType& record : model.records) {
    const std::string& name = record.name.text;
    const std::string state = names::recordState(name);
    h << "// Record type " << name << " (" << generation.origin(record.name.at) << ").\n"
      << "struct " << state << " {\n";
    for (const RecordField& f : record.fields)
      h << "  " << cppName(f.type) << " " << f.name.text << ";\n";
    h << "};\n\n"
      << "class " << name << " : public StructStateVariable<" << state << "> {\n"
      << " public:\n"
      << "  // The fields carry the prefix \"<prefix>.<name>\", or \"<name>\" when the\n"
      << "  // prefix is empty (a record of its own rather than an array element).\n"
      << "  " << name << "(const char* name, const char* prefix, " << state << " initial = {});\n"
      << "  ~" << name << "() override;\n\n";
    for (const RecordField& f : record.fields)
      h << "  ExtendedPlace<" << cppName(f.type) << ">* " << f.name.text << ";\n";
    h << "};\n\n";
    for (const bool change : {true, false}) {
      const std::string view = change ? names::recordView(name) : names::recordConstView(name);
      const std::string constness = change ? "" : "const ";
      h << "// " << (change ? "Reads and changes" : "Reads") << " the fields of a " << name << ".\n"
        << "struct " << view << " {\n";
      for (const RecordField& f : record.fields)
        h << "  " << constness << cppName(f.type) << "& " << f.name.text << ";\n";
      h << "  static " << view << " of(" << name << "* record) {\n    return {";
      for (std::size_t k = 0; k < record.fields.size(); k++)
        h << (k ? ", " : "") << "record->" << record.fields[k].name.text << "->Mark()";
      h << "};\n  }\n"
        << "  static " << view << " of(const " << names::recordView(name)
        << "& view) {\n    return {";
      for (std::size_t k = 0; k < record.fields.size(); k++)
        h << (k ? ", " : "") << "view." << record.fields[k].name.text;
      h << "};\n  }\n};\n\n";
    }
  }

  for (const ArrayType& array : model.arrays) {
    const std::string& name = array.name.text;
    const std::string element = checked.record(array.element.text)
                                    ? array.element.text
                                    : "ExtendedPlace<" + array.element.text + ">";
    h << "// Array type " << name << " (" << generation.origin(array.name.at)
      << "): elements \"0\",\n"
      << "// \"1\", ... of type " << element << ", carrying the array's name as prefix.\n"
      << "class " << name << " : public ArrayStateVariable<" << element << " > {\n"
      << " public:\n"
      << "  " << name << "(const char* name, const char* prefix, int length);\n"
      << "  ~" << name << "() override;\n"
      << "  // The length of the arrays of this type.\n"
      << "  static int length();\n"
      << "};\n\n";
  }
  h << "#endif\n";
  generation.add(h);

  CodeWriter cpp = generation.writer("ModelTypes.cpp");
  cpp << generation.include("ModelTypes.h") << "\n#include <string>\n\n"
      << generation.include("GlobalVariables.h") << "\n";
  // The fields are reached as this->field: a field may have the name of a
  // constructor parameter or local.
  for (const RecordType& record : model.records) {
    const std::string& name = record.name.text;
    const std::string state = names::recordState(name);
    cpp << name << "::" << name << "(const char* name, const char* prefix, " << state
        << " initial)\n"
        << "    : StructStateVariable<" << state << ">(name, prefix) {\n"
        << "  const std::string own = name ? name : \"\";\n"
        << "  const std::string fieldPrefix =\n"
        << "      prefix == nullptr || *prefix == '\\0' ? own : std::string(prefix) + \".\" + "
           "own;\n";
    for (const RecordField& f : record.fields) {
      const std::string& field = f.name.text;
      cpp << "  this->" << field << " = new ExtendedPlace<" << cppName(f.type) << ">(\"" << field
          << "\", fieldPrefix.c_str(), initial." << field << ");\n"
          << "  appendField(this->" << field << ", " << fieldKind(f.type) << ");\n";
    }
    cpp << "}\n\n" << name << "::~" << name << "() {\n";
    for (const RecordField& f : record.fields) cpp << "  delete this->" << f.name.text << ";\n";
    cpp << "}\n\n";
  }
  for (const ArrayType& array : model.arrays) {
    const std::string& name = array.name.text;
    const bool records = checked.record(array.element.text) != nullptr;
    const std::string element =
        records ? array.element.text : "ExtendedPlace<" + array.element.text + ">";
    cpp << name << "::" << name << "(const char* name, const char* prefix, int length)\n"
        << "    : ArrayStateVariable<" << element << " >(name, prefix, "
        << elementKind(array, checked) << ", length) {\n"
        << "  for (int i = 0; i < length; i++)\n"
        << "    appendElement(new " << element << "(std::to_string(i).c_str(), name"
        << (records ? "" : ", 0") << "));\n"
        << "}\n\n"
        << name << "::~" << name << "() { destroyElements(); }\n\n"
        << "int " << name << "::length() {\n  return san::arrayLength((\n";
    cpp.snippet(array.length);
    cpp << "      ), "
        << stringLiteral("array type '" + name + "' (" + generation.position(array.name.at) + ")")
        << ");\n}\n\n";
  }
  generation.add(cpp);
}

}  // namespace sangen
