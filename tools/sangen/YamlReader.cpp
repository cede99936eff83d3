#include "YamlReader.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "NumberText.h"
#include "ReservedNames.h"
#include "Spelling.h"

namespace sangen {

namespace {

const std::set<std::string>& cppKeywords() {
  static const std::set<std::string> keywords = {"alignas",       "alignof",     "and",
                                                 "and_eq",        "asm",         "auto",
                                                 "bitand",        "bitor",       "bool",
                                                 "break",         "case",        "catch",
                                                 "char",          "char8_t",     "char16_t",
                                                 "char32_t",      "class",       "compl",
                                                 "concept",       "const",       "consteval",
                                                 "constexpr",     "constinit",   "const_cast",
                                                 "continue",      "co_await",    "co_return",
                                                 "co_yield",      "decltype",    "default",
                                                 "delete",        "do",          "double",
                                                 "dynamic_cast",  "else",        "enum",
                                                 "explicit",      "export",      "extern",
                                                 "false",         "float",       "for",
                                                 "friend",        "goto",        "if",
                                                 "inline",        "int",         "long",
                                                 "mutable",       "namespace",   "new",
                                                 "noexcept",      "not",         "not_eq",
                                                 "nullptr",       "operator",    "or",
                                                 "or_eq",         "private",     "protected",
                                                 "public",        "register",    "reinterpret_cast",
                                                 "requires",      "return",      "short",
                                                 "signed",        "sizeof",      "static",
                                                 "static_assert", "static_cast", "struct",
                                                 "switch",        "template",    "this",
                                                 "thread_local",  "throw",       "true",
                                                 "try",           "typedef",     "typeid",
                                                 "typename",      "union",       "unsigned",
                                                 "using",         "virtual",     "void",
                                                 "volatile",      "wchar_t",     "while",
                                                 "xor",           "xor_eq"};
  return keywords;
}

Position positionOf(const YAML::Node& node) {
  const YAML::Mark mark = node.Mark();
  if (mark.is_null()) return {};
  return {mark.line + 1, mark.column + 1};
}

// Reads one model file; every read* operation reports what is wrong and
// returns what it could make of the node.
class Reader {
 public:
  Reader(const std::string& text, Diagnostics& diagnostics) : diagnostics_(diagnostics) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }

  ModelDescription readTop(const YAML::Node& root);

 private:
  void error(Position at, const std::string& message) { diagnostics_.error(at, message); }

  // A map whose keys must be among `known`; reports unknown and repeated
  // keys. get() returns an undefined node for an absent key.
  class Map {
   public:
    Map(Reader& reader, const YAML::Node& node, const std::string& what,
        std::initializer_list<const char*> known);
    bool ok() const { return isMap_; }
    bool has(const std::string& key) const { return keys_.count(key) > 0; }
    YAML::Node get(const std::string& key) const;
    Position keyPosition(const std::string& key) const;
    Position at() const { return position_; }
    // Reports a required key that is missing; false then.
    bool require(const std::string& key);

   private:
    Reader& reader_;
    std::string what_;
    Position position_;
    bool isMap_ = false;
    std::vector<std::pair<std::string, std::pair<YAML::Node, Position>>> entries_;
    std::set<std::string> keys_;
  };

  bool isScalar(const YAML::Node& node, const std::string& what);
  Name readName(const YAML::Node& node, const std::string& what);
  Name readWord(const YAML::Node& node, const std::string& what);
  Snippet readSnippet(const YAML::Node& node, const std::string& what);
  std::optional<double> readNumber(const YAML::Node& node, const std::string& what);
  std::vector<Name> readNameList(const YAML::Node& node, const std::string& what);
  std::vector<VariableUse> readUses(const YAML::Node& node, const std::string& what);
  std::vector<VariableUse> readReads(const YAML::Node& node, const std::string& what);
  StudyValue readStudyValue(const YAML::Node& node);
  // The nodes of a sequence; reports a node that is not one.
  std::vector<YAML::Node> sequence(const YAML::Node& node, const std::string& what);

  GlobalVariable readGlobal(const YAML::Node& node);
  std::optional<Range> readRange(const YAML::Node& node);
  RecordType readRecord(const YAML::Node& node);
  ArrayType readArray(const YAML::Node& node);
  AtomicModel readModel(const YAML::Node& node);
  StateVariable readVariable(const YAML::Node& node);
  Activity readActivity(const YAML::Node& node);
  Timing readTiming(const YAML::Node& node);
  Gate readGate(const YAML::Node& node, bool input);
  Case readCase(const YAML::Node& node, Position at);
  Reactivation readReactivation(const YAML::Node& node);
  ComposedNode readNode(const YAML::Node& node, int depth, Map* map = nullptr);
  Composition readComposition(const YAML::Node& node);
  Rewards readRewards(const YAML::Node& node);
  RewardVariable readRewardVariable(const YAML::Node& node);
  DerivedMeasure readDerived(const YAML::Node& node);
  std::optional<ObservationBound> readBound(const YAML::Node& node, const std::string& what);
  RateReward readRate(const YAML::Node& node);
  ImpulseReward readImpulse(const YAML::Node& node);
  Study readStudy(const YAML::Node& node);

  Diagnostics& diagnostics_;
  std::vector<std::string> lines_;
};

Reader::Map::Map(Reader& reader, const YAML::Node& node, const std::string& what,
                 std::initializer_list<const char*> known)
    : reader_(reader), what_(what), position_(positionOf(node)) {
  if (!node.IsMap()) {
    reader_.error(position_, what_ + " must be a map of keys and values");
    return;
  }
  isMap_ = true;
  const std::set<std::string> knownKeys(known.begin(), known.end());
  for (auto it = node.begin(); it != node.end(); ++it) {
    const Position at = positionOf(it->first);
    if (!it->first.IsScalar()) {
      reader_.error(at, "a key of " + what_ + " must be a word");
      continue;
    }
    const std::string key = it->first.Scalar();
    if (!knownKeys.count(key)) {
      std::string list;
      for (const char* k : known) list += std::string(list.empty() ? "" : ", ") + k;
      const std::string suggestion =
          reader_.diagnostics_.full() ? "" : didYouMean(key, {known.begin(), known.end()});
      reader_.error(
          at, "unknown key '" + key + "' in " + what_ + " (known: " + list + ")" + suggestion);
      continue;
    }
    if (keys_.count(key)) {
      reader_.error(at, "duplicate key '" + key + "' in " + what_);
      continue;
    }
    keys_.insert(key);
    entries_.push_back({key, {it->second, at}});
  }
}

YAML::Node Reader::Map::get(const std::string& key) const {
  for (const auto& entry : entries_)
    if (entry.first == key) return entry.second.first;
  return YAML::Node(YAML::NodeType::Undefined);
}

Position Reader::Map::keyPosition(const std::string& key) const {
  for (const auto& entry : entries_)
    if (entry.first == key) return entry.second.second;
  return position_;
}

bool Reader::Map::require(const std::string& key) {
  if (!isMap_) return false;
  if (has(key)) return true;
  reader_.error(position_, what_ + " needs '" + key + "'");
  return false;
}

bool Reader::isScalar(const YAML::Node& node, const std::string& what) {
  if (node.IsScalar()) return true;
  error(positionOf(node), what + " must be a single value");
  return false;
}

// A word that names something; it must be usable as a C++ identifier, and
// not one the C++ implementation keeps for itself.
Name Reader::readName(const YAML::Node& node, const std::string& what) {
  Name name = readWord(node, what);
  if (!name.text.empty() && !isIdentifier(name.text)) {
    error(name.at, what + " '" + name.text +
                       "' is not a valid name (letters, digits and _, not starting with a digit, "
                       "not a C++ keyword)");
    name.text.clear();
  } else if (isImplementationName(name.text)) {
    error(name.at, what + " '" + name.text +
                       "' is not a valid name: names with '__' or a leading '_' belong to the "
                       "C++ implementation");
    name.text.clear();
  }
  return name;
}

Name Reader::readWord(const YAML::Node& node, const std::string& what) {
  Name name{{}, positionOf(node)};
  if (!isScalar(node, what)) return name;
  name.text = node.Scalar();
  if (name.text.empty()) error(name.at, what + " must not be empty");
  return name;
}

// Block scalars ("|" or ">") start on the line after their indicator; the
// reader restores their indentation as Snippet::indent. A quoted scalar's
// text starts one column after its quote.
Snippet Reader::readSnippet(const YAML::Node& node, const std::string& what) {
  Snippet snippet;
  snippet.at = positionOf(node);
  if (!isScalar(node, what)) return snippet;
  snippet.text = node.Scalar();
  const int line = snippet.at.line - 1;
  const int column = snippet.at.column - 1;
  if (line >= 0 && line < static_cast<int>(lines_.size()) &&
      column < static_cast<int>(lines_[line].size())) {
    const char first = lines_[line][column];
    if (first == '|' || first == '>') {
      for (int l = line + 1; l < static_cast<int>(lines_.size()); l++) {
        const std::string& text = lines_[l];
        const auto indent = text.find_first_not_of(' ');
        if (indent == std::string::npos) continue;  // blank line before the text
        snippet.at = {l + 1, static_cast<int>(indent) + 1};
        snippet.indent = static_cast<int>(indent);
        break;
      }
      while (!snippet.text.empty() && snippet.text.back() == '\n') snippet.text.pop_back();
    } else if (first == '"' || first == '\'') {
      snippet.at.column++;
    }
  }
  if (snippet.text.find_first_not_of(" \t\n") == std::string::npos) {
    error(snippet.at, what + " must not be empty");
    snippet.text.clear();
  }
  return snippet;
}

std::optional<double> Reader::readNumber(const YAML::Node& node, const std::string& what) {
  if (!isScalar(node, what)) return std::nullopt;
  const std::optional<double> value = parseDouble(node.Scalar());
  if (!value) error(positionOf(node), what + " must be a number, not '" + node.Scalar() + "'");
  return value;
}

std::vector<YAML::Node> Reader::sequence(const YAML::Node& node, const std::string& what) {
  std::vector<YAML::Node> items;
  if (!node.IsSequence()) {
    error(positionOf(node), what + " must be a list");
    return items;
  }
  for (const YAML::Node& item : node) items.push_back(item);
  return items;
}

std::vector<Name> Reader::readNameList(const YAML::Node& node, const std::string& what) {
  std::vector<Name> names;
  for (const YAML::Node& item : sequence(node, what)) {
    Name name = readName(item, "an entry of " + what);
    if (!name.text.empty()) names.push_back(name);
  }
  return names;
}

// `uses`: a map from variable name to "read" or "change", in the order the
// variables are to be linked.
std::vector<VariableUse> Reader::readUses(const YAML::Node& node, const std::string& what) {
  std::vector<VariableUse> uses;
  if (!node.IsMap()) {
    error(positionOf(node), what + " must map each variable to 'read' or 'change'");
    return uses;
  }
  std::set<std::string> seen;
  for (auto it = node.begin(); it != node.end(); ++it) {
    VariableUse use;
    use.name = readName(it->first, "a variable of " + what);
    const Name access = readWord(it->second, "the access to " + use.name.text);
    if (use.name.text.empty() || access.text.empty()) continue;
    if (!seen.insert(use.name.text).second) {
      error(use.name.at, "variable '" + use.name.text + "' listed twice in " + what);
      continue;
    }
    if (access.text == "read") {
      use.access = Access::Read;
    } else if (access.text == "change") {
      use.access = Access::Change;
    } else {
      error(access.at, "access '" + access.text + "' must be 'read' or 'change'");
      continue;
    }
    uses.push_back(use);
  }
  return uses;
}

// `reads`: a list of variables read by an expression.
std::vector<VariableUse> Reader::readReads(const YAML::Node& node, const std::string& what) {
  std::vector<VariableUse> uses;
  std::set<std::string> seen;
  for (const Name& name : readNameList(node, what)) {
    if (!seen.insert(name.text).second) {
      error(name.at, "variable '" + name.text + "' listed twice in " + what);
      continue;
    }
    uses.push_back({name, Access::Read});
  }
  return uses;
}

ModelDescription Reader::readTop(const YAML::Node& root) {
  ModelDescription model;
  model.end = {static_cast<int>(lines_.size()) + 1, 1};
  if (root.IsNull()) {
    error({1, 1}, "the model file is empty");
    return model;
  }
  Map top(
      *this, root, "the model file",
      {"description", "globals", "records", "arrays", "models", "composition", "rewards", "study"});
  if (!top.ok()) return model;
  if (top.has("description")) readSnippet(top.get("description"), "description");
  if (top.has("globals"))
    for (const YAML::Node& n : sequence(top.get("globals"), "globals"))
      model.globals.push_back(readGlobal(n));
  if (top.has("records"))
    for (const YAML::Node& n : sequence(top.get("records"), "records"))
      model.records.push_back(readRecord(n));
  if (top.has("arrays"))
    for (const YAML::Node& n : sequence(top.get("arrays"), "arrays"))
      model.arrays.push_back(readArray(n));
  if (top.require("models"))
    for (const YAML::Node& n : sequence(top.get("models"), "models"))
      model.models.push_back(readModel(n));
  if (top.has("composition")) model.composition = readComposition(top.get("composition"));
  if (top.require("rewards")) model.rewards = readRewards(top.get("rewards"));
  if (top.require("study")) model.study = readStudy(top.get("study"));
  return model;
}

GlobalVariable Reader::readGlobal(const YAML::Node& node) {
  GlobalVariable global;
  Map map(*this, node, "a global variable", {"name", "type", "range", "description"});
  if (map.require("name")) global.name = readName(map.get("name"), "a global variable's name");
  if (map.require("type")) {
    const Name type = readWord(map.get("type"), "the type of " + global.name.text);
    const std::optional<ScalarType> scalar = scalarTypeNamed(type.text);
    if (scalar)
      global.type = *scalar;
    else if (!type.text.empty())
      error(type.at, "unknown type '" + type.text + "' of global variable '" + global.name.text +
                         "' (short, int, double, bool or char)");
  }
  if (map.has("range")) global.range = readRange(map.get("range"));
  return global;
}

// "[min, max]" with "(" or ")" for an open bound and inf for no bound.
std::optional<Range> Reader::readRange(const YAML::Node& node) {
  const Position at = positionOf(node);
  if (!isScalar(node, "a range")) return std::nullopt;
  std::string text = node.Scalar();
  Range range;
  range.at = at;
  range.text = text;
  const auto comma = text.find(',');
  auto trim = [](std::string s) {
    const auto b = s.find_first_not_of(' ');
    const auto e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  };
  text = trim(text);
  const bool shaped = text.size() >= 5 && (text.front() == '[' || text.front() == '(') &&
                      (text.back() == ']' || text.back() == ')') && comma != std::string::npos;
  std::optional<double> low, high;
  if (shaped) {
    const auto c = text.find(',');
    const std::string a = trim(text.substr(1, c - 1));
    const std::string b = trim(text.substr(c + 1, text.size() - c - 2));
    low = a == "-inf" ? std::optional<double>(-HUGE_VAL) : parseDouble(a);
    high = b == "inf" ? std::optional<double>(HUGE_VAL) : parseDouble(b);
  }
  if (!low || !high || *low > *high) {
    error(at, "range '" + range.text +
                  "' must read like [0, 1] or (0, inf): a bound each, '(' or ')' for an open "
                  "one, the lower not above the upper");
    return std::nullopt;
  }
  range.min = *low;
  range.max = *high;
  range.minOpen = text.front() == '(';
  range.maxOpen = text.back() == ')';
  return range;
}

RecordType Reader::readRecord(const YAML::Node& node) {
  RecordType record;
  Map map(*this, node, "a record type", {"name", "fields", "description"});
  if (map.require("name")) record.name = readName(map.get("name"), "a record type's name");
  if (!map.require("fields")) return record;
  const YAML::Node fields = map.get("fields");
  if (!fields.IsMap() || fields.size() == 0) {
    error(positionOf(fields), "the fields of record type '" + record.name.text +
                                  "' must map each field name to its type");
    return record;
  }
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    RecordField field;
    field.name = readName(it->first, "a field name");
    const Name type = readWord(it->second, "the type of field " + field.name.text);
    const std::optional<ScalarType> scalar = scalarTypeNamed(type.text);
    if (scalar && (*scalar == ScalarType::Short || *scalar == ScalarType::Int ||
                   *scalar == ScalarType::Double)) {
      field.type = *scalar;
    } else if (!type.text.empty()) {
      error(type.at, "field '" + field.name.text + "' must be of type short, int or double, not '" +
                         type.text + "'");
      continue;
    }
    if (!field.name.text.empty()) record.fields.push_back(field);
  }
  return record;
}

ArrayType Reader::readArray(const YAML::Node& node) {
  ArrayType array;
  Map map(*this, node, "an array type", {"name", "of", "length", "description"});
  if (map.require("name")) array.name = readName(map.get("name"), "an array type's name");
  if (map.require("of")) array.element = readWord(map.get("of"), "the element type");
  if (map.require("length")) array.length = readSnippet(map.get("length"), "the length");
  return array;
}

AtomicModel Reader::readModel(const YAML::Node& node) {
  AtomicModel model;
  Map map(*this, node, "an atomic model",
          {"name", "places", "activities", "functions", "description"});
  if (map.require("name")) model.name = readName(map.get("name"), "a model's name");
  if (map.has("places"))
    for (const YAML::Node& n : sequence(map.get("places"), "places"))
      model.variables.push_back(readVariable(n));
  if (map.require("activities"))
    for (const YAML::Node& n : sequence(map.get("activities"), "activities"))
      model.activities.push_back(readActivity(n));
  if (map.has("functions")) model.functions = readSnippet(map.get("functions"), "functions");
  return model;
}

StateVariable Reader::readVariable(const YAML::Node& node) {
  StateVariable variable;
  Map map(*this, node, "a place", {"name", "type", "initial", "description"});
  if (map.require("name")) variable.name = readName(map.get("name"), "a place's name");
  variable.type = {"place", map.at()};
  if (map.has("type")) variable.type = readWord(map.get("type"), "a place's type");
  if (!map.has("initial")) return variable;
  const YAML::Node initial = map.get("initial");
  if (initial.IsMap()) {
    for (auto it = initial.begin(); it != initial.end(); ++it) {
      Name field = readName(it->first, "a field name");
      Snippet value = readSnippet(it->second, "the initial value of " + field.text);
      if (!field.text.empty() && !value.empty()) variable.fieldInitials.push_back({field, value});
    }
  } else {
    variable.initial = readSnippet(initial, "the initial value of " + variable.name.text);
  }
  return variable;
}

Activity Reader::readActivity(const YAML::Node& node) {
  Activity activity;
  Map map(*this, node, "an activity",
          {"name", "timing", "priority", "input_arcs", "input_gates", "output_arcs", "output_gates",
           "cases", "case_selection", "reactivation", "description"});
  if (map.require("name")) activity.name = readName(map.get("name"), "an activity's name");
  if (map.require("timing")) activity.timing = readTiming(map.get("timing"));
  if (map.has("priority")) activity.priority = readSnippet(map.get("priority"), "the priority");
  if (map.has("input_arcs")) activity.inputArcs = readNameList(map.get("input_arcs"), "input_arcs");
  if (map.has("input_gates"))
    for (const YAML::Node& n : sequence(map.get("input_gates"), "input_gates"))
      activity.inputGates.push_back(readGate(n, true));
  if (map.has("cases")) {
    activity.hasCaseList = true;
    if (map.has("output_arcs") || map.has("output_gates"))
      error(map.keyPosition(map.has("output_arcs") ? "output_arcs" : "output_gates"),
            "activity '" + activity.name.text +
                "' has cases: its output arcs and gates belong to the cases");
    const std::vector<YAML::Node> cases = sequence(map.get("cases"), "cases");
    if (cases.empty() && map.get("cases").IsSequence())
      error(map.keyPosition("cases"), "activity '" + activity.name.text + "' has no case");
    for (const YAML::Node& n : cases) activity.cases.push_back(readCase(n, positionOf(n)));
  } else {
    Case only;
    only.at = map.at();
    if (map.has("output_arcs"))
      only.outputArcs = readNameList(map.get("output_arcs"), "output_arcs");
    if (map.has("output_gates"))
      for (const YAML::Node& n : sequence(map.get("output_gates"), "output_gates"))
        only.outputGates.push_back(readGate(n, false));
    activity.cases.push_back(only);
  }
  activity.selection = {"postselect", map.at()};
  if (map.has("case_selection"))
    activity.selection = readWord(map.get("case_selection"), "case_selection");
  if (map.has("reactivation")) activity.reactivation = readReactivation(map.get("reactivation"));
  return activity;
}

// "instantaneous", or a map of one distribution to its parameter (or list
// of parameters) and, optionally, the variables the parameters read.
Timing Reader::readTiming(const YAML::Node& node) {
  Timing timing;
  timing.at = positionOf(node);
  if (node.IsScalar()) {
    timing.distribution = readWord(node, "timing");
    return timing;
  }
  if (!node.IsMap()) {
    error(positionOf(node), "timing must be 'instantaneous' or a map such as {exponential: rate}");
    return timing;
  }
  for (auto it = node.begin(); it != node.end(); ++it) {
    const Name key = readWord(it->first, "a timing key");
    if (key.text == "reads") {
      timing.reads = readReads(it->second, "the timing's reads");
      continue;
    }
    if (key.text == "on_change") {
      timing.onChange = readWord(it->second, "on_change");
      continue;
    }
    if (!timing.distribution.text.empty()) {
      error(key.at, "timing names two distributions ('" + timing.distribution.text + "' and '" +
                        key.text + "')");
      continue;
    }
    timing.distribution = key;
    const YAML::Node value = it->second;  // a copy: the iterator gives a temporary
    if (value.IsSequence()) {
      for (const YAML::Node& p : value) {
        if (p.IsSequence()) {  // hyperexponential: [[rate, weight], ...]
          for (const YAML::Node& q : p) timing.parameters.push_back(readSnippet(q, "a parameter"));
        } else {
          timing.parameters.push_back(readSnippet(p, "a parameter"));
        }
      }
    } else {
      timing.parameters.push_back(readSnippet(value, "a parameter"));
    }
  }
  if (timing.distribution.text.empty()) error(positionOf(node), "timing names no distribution");
  return timing;
}

Gate Reader::readGate(const YAML::Node& node, bool input) {
  Gate gate;
  const std::string what = input ? "an input gate" : "an output gate";
  Map map = input ? Map(*this, node, what, {"name", "uses", "predicate", "function", "description"})
                  : Map(*this, node, what, {"name", "uses", "function", "description"});
  if (map.require("name")) gate.name = readName(map.get("name"), "a gate's name");
  if (map.has("uses")) gate.uses = readUses(map.get("uses"), "the uses of gate " + gate.name.text);
  if (input && map.require("predicate"))
    gate.predicate = readSnippet(map.get("predicate"), "the predicate");
  if (input ? map.has("function") : map.require("function"))
    gate.function = readSnippet(map.get("function"), "the function");
  return gate;
}

Case Reader::readCase(const YAML::Node& node, Position at) {
  Case result;
  result.at = at;
  Map map(*this, node, "a case", {"weight", "reads", "output_arcs", "output_gates", "description"});
  if (map.has("weight")) result.weight = readSnippet(map.get("weight"), "the weight");
  if (map.has("reads")) result.reads = readReads(map.get("reads"), "the case's reads");
  if (map.has("output_arcs"))
    result.outputArcs = readNameList(map.get("output_arcs"), "output_arcs");
  if (map.has("output_gates"))
    for (const YAML::Node& n : sequence(map.get("output_gates"), "output_gates"))
      result.outputGates.push_back(readGate(n, false));
  return result;
}

Reactivation Reader::readReactivation(const YAML::Node& node) {
  Reactivation reactivation;
  reactivation.at = positionOf(node);
  Map map(*this, node, "reactivation", {"reads", "predicate", "function"});
  if (map.has("reads"))
    reactivation.reads = readReads(map.get("reads"), "the reactivation's reads");
  if (map.require("predicate"))
    reactivation.predicate = readSnippet(map.get("predicate"), "the reactivation predicate");
  if (map.require("function"))
    reactivation.function = readSnippet(map.get("function"), "the reactivation function");
  return reactivation;
}

// A node: {join: name, shared, children}, {rep: name, replicas, shared,
// child} or {model: atomic model name}.
ComposedNode Reader::readNode(const YAML::Node& node, int depth, Map* outer) {
  ComposedNode result;
  if (depth > kMaxCompositionDepth) {
    error(positionOf(node), "the composition nests more than " +
                                std::to_string(kMaxCompositionDepth) + " levels of joins and reps");
    return result;
  }
  std::optional<Map> own;
  if (!outer) {
    own.emplace(*this, node, "a composed model node",
                std::initializer_list<const char*>{"join", "rep", "model", "shared", "children",
                                                   "replicas", "child"});
    outer = &*own;
  }
  Map& map = *outer;
  if (!map.ok()) return result;
  const int kinds = map.has("join") + map.has("rep") + map.has("model");
  if (kinds != 1) {
    error(map.at(), "a composed model node names exactly one of join, rep or model");
    return result;
  }
  if (map.has("model")) {
    result.kind = ComposedNode::Atomic;
    result.name = readName(map.get("model"), "a model name");
    for (const char* key : {"shared", "children", "replicas", "child"})
      if (map.has(key))
        error(map.keyPosition(key), std::string("a model node has no '") + key + "'");
    return result;
  }
  const bool join = map.has("join");
  result.kind = join ? ComposedNode::Join : ComposedNode::Rep;
  result.name = readName(map.get(join ? "join" : "rep"), "a node name");
  if (map.has("shared")) result.shared = readNameList(map.get("shared"), "shared");
  if (join) {
    for (const char* key : {"replicas", "child"})
      if (map.has(key)) error(map.keyPosition(key), std::string("a join has no '") + key + "'");
    if (map.require("children"))
      for (const YAML::Node& n : sequence(map.get("children"), "children"))
        result.children.push_back(readNode(n, depth + 1));
    if (map.has("children") && result.children.empty() && map.get("children").IsSequence())
      error(map.keyPosition("children"), "join '" + result.name.text + "' has no child");
  } else {
    if (map.has("children"))
      error(map.keyPosition("children"), "a rep has one 'child', not 'children'");
    if (map.require("replicas")) result.replicas = readSnippet(map.get("replicas"), "replicas");
    if (map.require("child")) result.children.push_back(readNode(map.get("child"), depth + 1));
  }
  return result;
}

Composition Reader::readComposition(const YAML::Node& node) {
  Composition composition;
  Map map(
      *this, node, "the composition",
      {"name", "join", "rep", "model", "shared", "children", "replicas", "child", "description"});
  if (map.require("name")) composition.name = readName(map.get("name"), "the composition's name");
  composition.root = readNode(node, 1, &map);
  return composition;
}

Rewards Reader::readRewards(const YAML::Node& node) {
  Rewards rewards;
  Map map(*this, node, "rewards", {"name", "variables", "derived", "description"});
  if (map.require("name")) rewards.name = readName(map.get("name"), "the rewards' name");
  if (map.require("variables"))
    for (const YAML::Node& n : sequence(map.get("variables"), "variables"))
      rewards.variables.push_back(readRewardVariable(n));
  if (map.has("derived"))
    for (const YAML::Node& n : sequence(map.get("derived"), "derived"))
      rewards.derived.push_back(readDerived(n));
  return rewards;
}

DerivedMeasure Reader::readDerived(const YAML::Node& node) {
  DerivedMeasure derived;
  Map map(*this, node, "a derived measure", {"name", "description", "ratio"});
  if (map.require("name")) derived.name = readName(map.get("name"), "a derived measure's name");
  if (map.has("description"))
    derived.description = readSnippet(map.get("description"), "a description").text;
  if (map.require("ratio")) {
    derived.ratioAt = map.keyPosition("ratio");
    Map ratio(*this, map.get("ratio"), "the ratio of " + derived.name.text,
              {"numerator", "denominator"});
    if (ratio.require("numerator"))
      derived.numerator = readName(ratio.get("numerator"), "the numerator");
    if (ratio.require("denominator"))
      derived.denominator = readName(ratio.get("denominator"), "the denominator");
  }
  return derived;
}

RewardVariable Reader::readRewardVariable(const YAML::Node& node) {
  RewardVariable variable;
  Map map(*this, node, "a reward variable",
          {"name", "rate", "impulses", "measure", "times", "windows", "steady_state", "bounds",
           "description"});
  if (map.require("name")) variable.name = readName(map.get("name"), "a reward variable's name");
  if (map.has("description"))
    variable.description = readSnippet(map.get("description"), "a description").text;
  if (map.has("bounds")) {
    Map bounds(*this, map.get("bounds"), "the bounds of " + variable.name.text, {"min", "max"});
    if (bounds.has("min")) variable.lowest = readBound(bounds.get("min"), "the lower bound");
    if (bounds.has("max")) variable.highest = readBound(bounds.get("max"), "the upper bound");
  }
  if (map.has("rate")) variable.rate = readRate(map.get("rate"));
  if (map.has("impulses"))
    for (const YAML::Node& n : sequence(map.get("impulses"), "impulses"))
      variable.impulses.push_back(readImpulse(n));
  if (map.require("measure")) {
    const Name measure = readWord(map.get("measure"), "measure");
    variable.measureAt = measure.at;
    if (measure.text == "instant-of-time")
      variable.measure = Measure::InstantOfTime;
    else if (measure.text == "interval-of-time")
      variable.measure = Measure::IntervalOfTime;
    else if (measure.text == "time-averaged")
      variable.measure = Measure::TimeAveraged;
    else if (!measure.text.empty())
      error(measure.at, "measure '" + measure.text +
                            "' must be instant-of-time, interval-of-time or time-averaged");
  }
  if (map.has("times")) {
    variable.windowsAt = map.keyPosition("times");
    variable.givenAsTimes = true;
    for (const YAML::Node& n : sequence(map.get("times"), "times"))
      if (std::optional<double> t = readNumber(n, "a time")) variable.windows.push_back({*t, *t});
  }
  if (map.has("windows")) {
    variable.windowsAt = map.keyPosition("windows");
    for (const YAML::Node& n : sequence(map.get("windows"), "windows")) {
      if (!n.IsSequence() || n.size() != 2) {
        error(positionOf(n), "a window must be a pair [start, stop]");
        continue;
      }
      const std::optional<double> start = readNumber(n[0], "a window's start");
      const std::optional<double> stop = readNumber(n[1], "a window's stop");
      if (start && stop) variable.windows.push_back({*start, *stop});
    }
  }
  if (map.has("steady_state")) {
    SteadyState steady;
    steady.at = map.keyPosition("steady_state");
    Map s(*this, map.get("steady_state"), "steady_state", {"start", "batch"});
    if (s.require("start"))
      if (auto v = readNumber(s.get("start"), "the start")) steady.start = *v;
    if (s.require("batch"))
      if (auto v = readNumber(s.get("batch"), "the batch length")) steady.batch = *v;
    variable.steadyState = steady;
  }
  return variable;
}

// A number, or the name of a global variable (checked by the checker).
std::optional<ObservationBound> Reader::readBound(const YAML::Node& node, const std::string& what) {
  if (!isScalar(node, what)) return std::nullopt;
  ObservationBound bound;
  bound.at = positionOf(node);
  if (std::optional<double> number = parseDouble(node.Scalar())) {
    if (!std::isfinite(*number)) {
      error(bound.at, what + " must be finite (leave it out for none)");
      return std::nullopt;
    }
    bound.number = *number;
    return bound;
  }
  const Name name = readName(node, what);
  if (name.text.empty()) return std::nullopt;
  bound.global = name.text;
  return bound;
}

RateReward Reader::readRate(const YAML::Node& node) {
  RateReward rate;
  rate.at = positionOf(node);
  Map map(*this, node, "a rate reward", {"model", "aggregate", "at_least", "reads", "value"});
  if (map.require("model")) rate.model = readName(map.get("model"), "a model name");
  if (map.has("aggregate")) {
    static const std::vector<std::pair<std::string, Aggregate>> kinds = {
        {"sum", Aggregate::Sum}, {"count", Aggregate::Count}, {"all", Aggregate::All},
        {"any", Aggregate::Any}, {"min", Aggregate::Min},     {"max", Aggregate::Max}};
    const Name word = readWord(map.get("aggregate"), "aggregate");
    rate.aggregateAt = word.at;
    std::vector<std::string> known;
    for (const auto& [text, kind] : kinds) {
      known.push_back(text);
      if (word.text == text) rate.aggregate = kind;
    }
    if (!word.text.empty() && std::find(known.begin(), known.end(), word.text) == known.end())
      error(word.at, "aggregate '" + word.text + "' must be sum, count, all, any, min or max" +
                         didYouMean(word.text, known));
  }
  if (map.has("at_least")) {
    rate.least = readBound(map.get("at_least"), "at_least");
    if (rate.least && rate.least->global.empty() &&
        (rate.least->number < 0 || rate.least->number != std::floor(rate.least->number)))
      error(rate.least->at, "at_least must be a whole number of copies, 0 or more");
    if (rate.aggregate != Aggregate::Count)
      error(map.keyPosition("at_least"),
            "at_least counts copies where the value holds: it goes with 'aggregate: count'");
    else if (rate.least)
      rate.aggregate = Aggregate::AtLeast;
  }
  if (map.has("reads")) rate.reads = readReads(map.get("reads"), "the rate's reads");
  if (map.require("value")) rate.value = readSnippet(map.get("value"), "the rate's value");
  return rate;
}

ImpulseReward Reader::readImpulse(const YAML::Node& node) {
  ImpulseReward impulse;
  impulse.at = positionOf(node);
  Map map(*this, node, "an impulse reward", {"activity", "case", "model", "reads", "value"});
  if (map.require("activity")) impulse.activity = readName(map.get("activity"), "an activity name");
  if (map.has("model")) impulse.model = readName(map.get("model"), "a model name");
  if (map.has("case")) {
    impulse.caseAt = positionOf(map.get("case"));
    const std::optional<double> number = readNumber(map.get("case"), "the case");
    if (number && !(*number >= 1 && *number <= 1e6 && *number == std::floor(*number)))
      error(impulse.caseAt, "the case must be a case number from 1 (a whole number)");
    else if (number)
      impulse.caseNumber = static_cast<int>(*number);
  }
  if (map.has("reads")) impulse.reads = readReads(map.get("reads"), "the impulse's reads");
  if (map.require("value")) impulse.value = readSnippet(map.get("value"), "the impulse's value");
  return impulse;
}

StudyValue Reader::readStudyValue(const YAML::Node& node) {
  StudyValue value;
  value.at = positionOf(node);
  if (!isScalar(node, "a study value")) return value;
  value.text = node.Scalar();
  value.quoted = node.Tag() == "!";
  return value;
}

Study Reader::readStudy(const YAML::Node& node) {
  Study study;
  Map map(*this, node, "the study",
          {"name", "experiments", "values", "constraints", "description"});
  if (map.require("name")) study.name = readName(map.get("name"), "the study's name");
  if (map.has("constraints"))
    for (const YAML::Node& n : sequence(map.get("constraints"), "constraints")) {
      Map c(*this, n, "a constraint", {"holds", "message", "description"});
      StudyConstraint constraint;
      if (c.require("holds")) constraint.holds = readSnippet(c.get("holds"), "the condition");
      if (c.require("message")) constraint.message = readSnippet(c.get("message"), "the message");
      study.constraints.push_back(constraint);
    }
  study.combination = {"product", map.at()};
  if (map.has("experiments")) study.combination = readWord(map.get("experiments"), "experiments");
  if (!map.has("values")) return study;
  const YAML::Node values = map.get("values");
  if (!values.IsMap()) {
    error(positionOf(values), "the study's values must map global variables to their values");
    return study;
  }
  for (auto it = values.begin(); it != values.end(); ++it) {
    StudySetting setting;
    setting.global = readName(it->first, "a global variable");
    const YAML::Node v = it->second;  // a copy: the iterator gives a temporary
    if (v.IsSequence()) {
      setting.isList = true;
      for (const YAML::Node& item : v) setting.values.push_back(readStudyValue(item));
      if (setting.values.empty()) error(positionOf(v), "the list of values is empty");
    } else if (v.IsMap()) {
      Map range(*this, v, "a range of values", {"from", "to", "step"});
      if (range.require("from")) setting.from = readStudyValue(range.get("from"));
      if (range.require("to")) setting.to = readStudyValue(range.get("to"));
      if (range.require("step")) setting.step = readStudyValue(range.get("step"));
    } else {
      setting.values.push_back(readStudyValue(v));
    }
    study.settings.push_back(setting);
  }
  return study;
}

}  // namespace

bool isIdentifier(const std::string& text) {
  if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return !cppKeywords().count(text);
}

namespace {

// The position of byte `offset` of `text`, 1-based, columns in bytes.
Position positionAt(const std::string& text, std::size_t offset) {
  Position at{1, 1};
  for (std::size_t i = 0; i < offset && i < text.size(); i++) {
    if (text[i] == '\n') {
      at.line++;
      at.column = 1;
    } else {
      at.column++;
    }
  }
  return at;
}

// The offset of the first byte that is not part of valid UTF-8 text (or a
// control character: of those, a file's text may hold tab, line feed and
// carriage return, a line none), or npos. Generated code, the study
// description (JSON) and the messages all need valid text.
std::size_t firstInvalidByte(const std::string& text, bool lines) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      const bool lineBreakOrTab = c == '\t' || c == '\n' || c == '\r';
      if ((c < 0x20 && !(lines && lineBreakOrTab)) || c == 0x7f) return i;
      i++;
      continue;
    }
    int length = 0;
    unsigned codePoint = 0;
    if (c >= 0xc2 && c <= 0xdf) {
      length = 2;
      codePoint = c & 0x1f;
    } else if (c >= 0xe0 && c <= 0xef) {
      length = 3;
      codePoint = c & 0x0f;
    } else if (c >= 0xf0 && c <= 0xf4) {
      length = 4;
      codePoint = c & 0x07;
    } else {
      return i;
    }
    if (i + static_cast<std::size_t>(length) > text.size()) return i;
    for (int k = 1; k < length; k++) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xc0) != 0x80) return i;
      codePoint = (codePoint << 6) | (next & 0x3f);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xd800 && codePoint <= 0xdfff;
    if (overlong || surrogate || codePoint > 0x10ffff) return i;
    i += static_cast<std::size_t>(length);
  }
  return std::string::npos;
}

// Walks the file's YAML events before it is loaded: refuses aliases (a
// model file has no use for them, and they let a small file stand for a
// huge or cyclic tree) and counts the nodes, so that a file too large for
// its memory is refused before the tree is built (the loaded tree takes
// some 600 bytes a node: a million nodes, some 300,000 places, take 600 MB).
class EventCheck : public YAML::EventHandler {
 public:
  static constexpr std::size_t kMaxNodes = 1'000'000;

  void OnDocumentStart(const YAML::Mark&) override {}
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark& mark, YAML::anchor_t) override { node(mark); }
  void OnAlias(const YAML::Mark& mark, YAML::anchor_t) override {
    if (!alias_) alias_ = mark;
  }
  void OnScalar(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                const std::string&) override {
    node(mark);
  }
  void OnSequenceStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                       YAML::EmitterStyle::value) override {
    node(mark);
  }
  void OnSequenceEnd() override {}
  void OnMapStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                  YAML::EmitterStyle::value) override {
    node(mark);
  }
  void OnMapEnd() override {}

  const std::optional<YAML::Mark>& alias() const { return alias_; }
  const std::optional<YAML::Mark>& tooMany() const { return tooMany_; }
  bool stop() const { return alias_ || tooMany_; }

 private:
  void node(const YAML::Mark& mark) {
    if (++nodes_ > kMaxNodes && !tooMany_) tooMany_ = mark;
  }
  std::size_t nodes_ = 0;
  std::optional<YAML::Mark> alias_;
  std::optional<YAML::Mark> tooMany_;
};

Position positionOf(const YAML::Mark& mark) { return {mark.line + 1, mark.column + 1}; }

}  // namespace

std::optional<ModelDescription> readModelText(const std::string& text, const std::string& path,
                                              const std::string& name, Diagnostics& diagnostics) {
  if (const std::size_t bad = firstInvalidByte(text, true); bad != std::string::npos) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(text[bad]));
    diagnostics.error(positionAt(text, bad),
                      std::string("the model file must be UTF-8 text without control "
                                  "characters; byte ") +
                          code + " is not");
    return std::nullopt;
  }
  YAML::Node root;
  try {
    std::istringstream events(text);
    YAML::Parser parser(events);
    EventCheck check;
    while (!check.stop() && parser.HandleNextDocument(check)) {
    }
    if (check.alias()) {
      diagnostics.error(positionOf(*check.alias()),
                        "aliases (*name) are not allowed in a model file: write the value out");
      return std::nullopt;
    }
    if (check.tooMany()) {
      diagnostics.error(positionOf(*check.tooMany()),
                        "the model file has more than " + std::to_string(EventCheck::kMaxNodes) +
                            " YAML nodes (keys, values and lists): it is too large to read");
      return std::nullopt;
    }
    root = YAML::Load(text);
  } catch (const YAML::Exception& e) {
    diagnostics.error({e.mark.line + 1, e.mark.column + 1}, e.msg);
    return std::nullopt;
  }
  Reader reader(text, diagnostics);
  ModelDescription model = reader.readTop(root);
  model.name = name;
  model.file = path;
  return model;
}

std::optional<ModelDescription> readModelFile(const std::string& path, Diagnostics& diagnostics) {
  namespace fs = std::filesystem;
  // The model is named after its file: the name of its simulator, of the
  // folder of its sources and of their include guards.
  const std::string name = fs::path(path).stem().string();
  const bool valid = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
                     std::all_of(name.begin(), name.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
                     });
  if (!valid) {
    diagnostics.error({1, 1}, "the model is named after its file, '" + name +
                                  "': the name must start with a letter and hold only letters, "
                                  "digits, '_' and '-'");
    return std::nullopt;
  }
  // Its longest file, <name>_all.cpp, and that file's temporary stay within
  // the file systems' 255 bytes.
  if (name.size() > 200) {
    diagnostics.error({1, 1}, "the model is named after its file, and the name '" +
                                  name.substr(0, 40) + "...' is longer than 200 characters");
    return std::nullopt;
  }
  // The path goes into the generated sources (#line directives, comments):
  // it must be text without control characters.
  if (firstInvalidByte(path, false) != std::string::npos) {
    diagnostics.error({}, "the model file's path must be UTF-8 text without control characters");
    return std::nullopt;
  }
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    diagnostics.error({}, "cannot read the model file: it is a directory");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    diagnostics.error({}, std::string("cannot read the model file: ") + std::strerror(errno));
    return std::nullopt;
  }
  // Read at most one byte more than the largest model file (a device such
  // as /dev/zero never ends).
  constexpr std::size_t kMaxBytes = 16u << 20;
  std::string text;
  char chunk[1 << 16];
  while (text.size() <= kMaxBytes && in.read(chunk, sizeof chunk).gcount() > 0)
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  if (in.bad()) {
    diagnostics.error({}, "cannot read the model file");
    return std::nullopt;
  }
  if (text.size() > kMaxBytes) {
    diagnostics.error({}, "the model file is larger than 16 MiB");
    return std::nullopt;
  }
  return readModelText(text, path, name, diagnostics);
}

}  // namespace sangen
