// The global variables and the record and array types of a model, with the
// views through which gate and reward code reads and changes state.
#include <filesystem>

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

std::string header(const Generation& generation) {
  return "// Generated from " +
         std::filesystem::path(generation.description().file).filename().string() +
         "; do not edit.\n";
}

}  // namespace

void writeGlobals(Generation& generation) {
  const ModelDescription& model = generation.description();
  CodeWriter h = generation.writer("GlobalVariables.h");
  const std::string guard = generation.guard("GlobalVariables.h");
  h << header(generation) << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "// The model's global variables, read directly by the model code and written\n"
    << "// only by the study (experiment values and command-line overrides).\n";
  for (const GlobalVariable& g : model.globals)
    h << "extern " << cppName(g.type) << " " << g.name.text << ";\n";
  h << "\n#endif\n";
  generation.add(h);

  CodeWriter cpp = generation.writer("GlobalVariables.cpp");
  cpp << header(generation) << generation.include("GlobalVariables.h") << "\n";
  for (const GlobalVariable& g : model.globals)
    cpp << cppName(g.type) << " " << g.name.text << " = 0;\n";
  generation.add(cpp);
}

void writeTypes(Generation& generation) {
  const ModelDescription& model = generation.description();
  const CheckedModel& checked = generation.checked();
  CodeWriter h = generation.writer("ModelTypes.h");
  const std::string guard = generation.guard("ModelTypes.h");
  h << header(generation) << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "#include <algorithm>\n#include <array>\n#include <cassert>\n#include <cmath>\n#include "
       "<limits>\n#include <type_traits>\n#include <vector>\n\n"
    << "#include \"BaseClasses/PostselectGroup.h\"\n"
    << "#include \"BaseClasses/state/ArrayStateVariable.h\"\n"
    << "#include \"BaseClasses/state/ExtendedPlace.h\"\n"
    << "#include \"BaseClasses/state/Place.h\"\n"
    << "#include \"BaseClasses/state/StructStateVariable.h\"\n\n";

  h << R"(namespace san {

// Ends the run: an output arc would take the marking of `place` beyond the
// largest value its type holds (a 16-bit place's count would wrap around to
// a negative one and silently disable what waits for it).
[[noreturn]] void markingOverflow(const char* place, long long largest);

// What an output arc does: one more token in the place.
template <class T>
inline void addToken(T* marking, const char* place) {
  if (*marking == std::numeric_limits<T>::max()) [[unlikely]]
    markingOverflow(place, std::numeric_limits<T>::max());
  *marking += 1;
}

// The value cell of a place or a typed place.
inline short& cell(Place* place) { return *place->Mark; }
template <class T>
T& cell(ExtendedPlace<T>* place) {
  return place->Mark();
}

// The elements of an array as the code of one activity reaches them: the
// value cells of an array of places, the views of an array of records,
// taken once the model is composed (fill; cells do not move after the
// shares of composition), so that each access is one bounds check and one
// load (the activities' code runs for every firing and, for enabling
// predicates, for every copy of a model whenever a variable it reads
// changes). An index outside the array ends the run as the array's own
// access does.
//
// recent(i) serves the code that runs far more often than firings (enabling
// predicates, delays, weights): it indexes arrays mostly by a place of its
// own model copy (a train's number), which seldom changes, so the element
// of the index asked for last is kept and a repeated index costs one
// comparison instead of the bounds check and the table lookup. Cost: a
// miss (a loop over all elements) stores the index and element on top.
template <class Value>
class CellTable {
 public:
  template <class Array>
  void fill(Array* array) {
    storage.clear();
    for (int k = 0; k < array->getSize(); k++) storage.push_back(&array->Index(k)->Mark());
    cells = storage.data();
    count = static_cast<unsigned>(storage.size());
    source = array;
    lastIndex = kNoIndex;
  }
  Value& at(int i) const {
    if (static_cast<unsigned>(i) >= count) [[unlikely]]
      outside(i);
    return *cells[i];
  }
  Value& recent(int i) {
    if (i == lastIndex) [[likely]]
      return *last;
    last = &at(i);
    lastIndex = i;
    return *last;
  }
  // The number of elements (the array's length once filled).
  int size() const {
    assert(source && "element tables are filled once the model is composed");
    return static_cast<int>(count);
  }

 private:
  [[noreturn, gnu::noinline, gnu::cold]] void outside(int i) const {
    assert(source && "element tables are filled once the model is composed");
    ArrayIndexOutOfBounds(source->getName(), source->getSize(), i);
  }
  // Below every int index: no index repeats before the first lookup.
  static constexpr long long kNoIndex = std::numeric_limits<long long>::min();
  Value** cells = nullptr;
  unsigned count = 0;
  const BaseArrayStateVariable* source = nullptr;  // the array filled from
  std::vector<Value*> storage;
  long long lastIndex = kNoIndex;  // the index recent() was asked for last
  Value* last = nullptr;           // and its element
};

template <class View>
class ViewTable {
 public:
  template <class Array>
  void fill(Array* array) {
    storage.clear();
    for (int k = 0; k < array->getSize(); k++) storage.push_back(View::of(array->Index(k)));
    views = storage.data();
    count = static_cast<unsigned>(storage.size());
    source = array;
    lastIndex = kNoIndex;
  }
  const View& at(int i) const {
    if (static_cast<unsigned>(i) >= count) [[unlikely]]
      outside(i);
    return views[i];
  }
  const View& recent(int i) {
    if (i == lastIndex) [[likely]]
      return *last;
    last = &at(i);
    lastIndex = i;
    return *last;
  }
  // The number of elements (the array's length once filled).
  int size() const {
    assert(source && "element tables are filled once the model is composed");
    return static_cast<int>(count);
  }

 private:
  [[noreturn, gnu::noinline, gnu::cold]] void outside(int i) const {
    assert(source && "element tables are filled once the model is composed");
    ArrayIndexOutOfBounds(source->getName(), source->getSize(), i);
  }
  static constexpr long long kNoIndex = std::numeric_limits<long long>::min();
  const View* views = nullptr;
  unsigned count = 0;
  const BaseArrayStateVariable* source = nullptr;  // the array filled from
  std::vector<View> storage;
  long long lastIndex = kNoIndex;  // the index recent() was asked for last
  const View* last = nullptr;      // and its element
};

// An array of places as model code sees it: a[i] is element i's value
// (index checked), a.size() the number of elements (through the table when
// there is one, so that a loop up to it needs no bounds check). Value is
// const for read-only access; Recent: elements through the table's recent().
template <class Array, class Value, bool Recent = false>
class ScalarArrayView {
 public:
  using Cell = std::remove_const_t<Value>;
  explicit ScalarArrayView(Array* array, CellTable<Cell>* table = nullptr)
      : array(array), table(table) {}
  Value& operator[](int i) const {
    if (!table) return array->Index(i)->Mark();
    if constexpr (Recent) return table->recent(i);
    return table->at(i);
  }
  int size() const { return table ? table->size() : array->getSize(); }

 private:
  Array* array;
  CellTable<Cell>* table;
};

// An array of records as model code sees it: a[i].field. View is the
// record's view (changes) or const view (reads); Stored is its view;
// Recent and size() as for ScalarArrayView.
template <class Array, class View, class Stored, bool Recent = false>
class RecordArrayView {
 public:
  explicit RecordArrayView(Array* array, ViewTable<Stored>* table = nullptr)
      : array(array), table(table) {}
  View operator[](int i) const {
    if (!table) return View::of(array->Index(i));
    if constexpr (Recent) return View::of(table->recent(i));
    return View::of(table->at(i));
  }
  int size() const { return table ? table->size() : array->getSize(); }

 private:
  Array* array;
  ViewTable<Stored>* table;
};

// The group of an activity's N cases (a PostselectGroup). The cases share
// the activity's enabling predicate and timing, so the first case's
// evaluation is recorded in the others as their own Enabled() would record
// it, and the operations the executive asks of every affected group after
// each firing reach the cases by direct calls (Case declares them final).
// Should the members ever be other than the cases, the group answers as a
// PostselectGroup. The operations are defined outside the class, so that a
// model instantiates them once, in its own source (extern template in its
// header), where the cases' enabling they inline is defined.
template <class Case, int N>
class CaseGroup : public PostselectGroup {
 public:
  explicit CaseGroup(std::array<Case*, N> cases) : cases(cases) {}

  bool Enabled() override;
  bool EnablingChange() override;
  double SampleDistribution() override;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;

 private:
  bool holdsCases() const {
    if (NumMembers != N) return false;
    for (int k = 0; k < N; k++)
      if (Members[k] != cases[k]) return false;
    return true;
  }
  // Kept out of line, so that the usual path stays short.
  [[gnu::noinline]] bool enabledAsGroup() { return PostselectGroup::Enabled(); }

  std::array<Case*, N> cases;
};

template <class Case, int N>
bool CaseGroup<Case, N>::Enabled() {
  if (!holdsCases()) [[unlikely]]
    return enabledAsGroup();
  const bool enabled = cases[0]->Enabled();
  for (int k = 1; k < N; k++) cases[k]->takeEnabling(enabled);
  return enabled;
}

template <class Case, int N>
bool CaseGroup<Case, N>::EnablingChange() {
  if (!holdsCases()) return PostselectGroup::EnablingChange();
  bool changed = cases[0]->EnablingChange();
  const bool enabled = cases[0]->lastEnabling();
  for (int k = 1; k < N; k++) changed = cases[k]->takeEnabling(enabled) || changed;
  return changed;
}

template <class Case, int N>
double CaseGroup<Case, N>::SampleDistribution() {
  return holdsCases() ? cases[0]->SampleDistribution() : PostselectGroup::SampleDistribution();
}

template <class Case, int N>
bool CaseGroup<Case, N>::ReactivationPredicate() {
  return holdsCases() ? cases[0]->ReactivationPredicate() : PostselectGroup::ReactivationPredicate();
}

template <class Case, int N>
bool CaseGroup<Case, N>::ReactivationFunction() {
  return holdsCases() ? cases[0]->ReactivationFunction() : PostselectGroup::ReactivationFunction();
}

}  // namespace san

)";

  for (const RecordType& record : model.records) {
    const std::string& name = record.name.text;
    h << "// Record type " << name << " (" << generation.origin(record.name.at) << ").\n"
      << "struct " << name << "_state {\n";
    for (const RecordField& f : record.fields)
      h << "  " << cppName(f.type) << " " << f.name.text << ";\n";
    h << "};\n\n"
      << "class " << name << " : public StructStateVariable<" << name << "_state> {\n"
      << " public:\n"
      << "  // The fields carry the prefix \"<prefix>.<name>\", or \"<name>\" when the\n"
      << "  // prefix is empty (a record of its own rather than an array element).\n"
      << "  " << name << "(const char* name, const char* prefix, " << name
      << "_state initial = {});\n"
      << "  ~" << name << "() override;\n\n";
    for (const RecordField& f : record.fields)
      h << "  ExtendedPlace<" << cppName(f.type) << ">* " << f.name.text << ";\n";
    h << "};\n\n";
    for (const bool change : {true, false}) {
      const std::string view = name + (change ? "_view" : "_const_view");
      const std::string constness = change ? "" : "const ";
      h << "// " << (change ? "Reads and changes" : "Reads") << " the fields of a " << name << ".\n"
        << "struct " << view << " {\n";
      for (const RecordField& f : record.fields)
        h << "  " << constness << cppName(f.type) << "& " << f.name.text << ";\n";
      h << "  static " << view << " of(" << name << "* record) {\n    return {";
      for (std::size_t k = 0; k < record.fields.size(); k++)
        h << (k ? ", " : "") << "record->" << record.fields[k].name.text << "->Mark()";
      h << "};\n  }\n"
        << "  static " << view << " of(const " << name << "_view& view) {\n    return {";
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
  cpp << header(generation) << generation.include("ModelTypes.h")
      << "\n#include <cstdlib>\n#include <iostream>\n#include <string>\n\n"
      << "#include \"BaseClasses/BaseModelClass.h\"\n"
      << generation.include("GlobalVariables.h") << "\n"
      << "void san::markingOverflow(const char* place, long long largest) {\n"
      << "  std::cerr << \"ERROR: place \" << place << \" would hold more than \" << largest\n"
      << "            << \" at time \" << BaseModelClass::LastActionTime\n"
      << "            << \"; its marking cannot count further.  Terminating run.\" << std::endl;\n"
      << "  std::exit(1);\n}\n\n";
  for (const RecordType& record : model.records) {
    const std::string& name = record.name.text;
    cpp << name << "::" << name << "(const char* name, const char* prefix, " << name
        << "_state initial)\n"
        << "    : StructStateVariable<" << name << "_state>(name, prefix) {\n"
        << "  const std::string own = name ? name : \"\";\n"
        << "  const std::string fieldPrefix =\n"
        << "      prefix == nullptr || *prefix == '\\0' ? own : std::string(prefix) + \".\" + "
           "own;\n";
    for (const RecordField& f : record.fields) {
      const std::string& field = f.name.text;
      cpp << "  " << field << " = new ExtendedPlace<" << cppName(f.type) << ">(\"" << field
          << "\", fieldPrefix.c_str(), initial." << field << ");\n"
          << "  appendField(" << field << ", " << fieldKind(f.type) << ");\n";
    }
    cpp << "}\n\n" << name << "::~" << name << "() {\n";
    for (const RecordField& f : record.fields) cpp << "  delete " << f.name.text << ";\n";
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
        << "int " << name << "::length() {\n  return static_cast<int>(\n";
    cpp.snippet(array.length);
    cpp << "  );\n}\n\n";
  }
  generation.add(cpp);
}

}  // namespace sangen
