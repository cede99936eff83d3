#include "ModelChecker.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <unordered_set>

#include "DistributionTable.h"
#include "GeneratedNames.h"
#include "NumberText.h"
#include "ReservedNames.h"
#include "Spelling.h"

namespace sangen {

namespace {

// The values of the integral types the study writes and the places hold
// (nothing for a double, which holds every finite number).
std::optional<std::pair<double, double>> integralRange(ScalarType type) {
  switch (type) {
    case ScalarType::Short:
      return std::pair{-32768.0, 32767.0};
    case ScalarType::Int:
      return std::pair{-2147483648.0, 2147483647.0};
    case ScalarType::Char:
      return std::pair{-128.0, 127.0};
    case ScalarType::Bool:
      return std::pair{0.0, 1.0};
    case ScalarType::Double:
      break;
  }
  return std::nullopt;
}

bool fitsType(ScalarType type, double value) {
  const auto range = integralRange(type);
  return range ? value >= range->first && value <= range->second : std::isfinite(value);
}

// "a short (-32768 to 32767)", for messages.
std::string typeRange(ScalarType type) {
  const auto range = integralRange(type);
  return std::string(type == ScalarType::Int ? "an " : "a ") + cppName(type) + " (" +
         (range ? shortestText(range->first) + " to " + shortestText(range->second)
                : std::string("a finite number")) +
         ")";
}

// An initial value as written, for comparing the starts of shared
// variables: its text without blanks, a number in its shortest form, and
// "0" for none.
std::string normalised(const std::string& text) {
  std::string compact;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
  if (compact.empty()) return "0";
  if (const std::optional<double> number = parseDouble(compact)) return shortestText(*number);
  return compact;
}

std::string initialText(const StateVariable& variable) {
  if (variable.fieldInitials.empty()) return normalised(variable.initial.text);
  std::map<std::string, std::string> fields;
  for (const auto& [field, value] : variable.fieldInitials) {
    const std::string text = normalised(value.text);
    if (text != "0") fields[field.text] = text;
  }
  std::string text = "{";
  for (const auto& [field, value] : fields) text += field + ": " + value + ", ";
  if (fields.empty()) return "0";
  return text.substr(0, text.size() - 2) + "}";
}

}  // namespace

// The checks of one model description, filling the checked model with
// what it derives on the way.
class ModelChecker {
 public:
  ModelChecker(const ModelDescription& model, Diagnostics& diagnostics, CheckedModel& result)
      : model_(model), diagnostics_(diagnostics), result_(result) {}

  void checkAll();

 private:
  void error(Position at, const std::string& message) { diagnostics_.error(at, message); }
  // Registers a name in a scope; reports a second use.
  bool declare(std::map<std::string, Position>& scope, const Name& name, const std::string& what);
  // Reports a name that would clash (`clash` non-empty) in generated code.
  void refuse(const Name& name, const std::string& what, const std::string& clash);
  // " (did you mean ...?)" among `candidates`, unless no message is kept.
  std::string suggest(const std::string& word, const std::vector<std::string>& candidates) const;
  const std::vector<std::string>& variableNames(const AtomicModel& atomic);

  void checkGlobals();
  void checkTypes();
  void checkRecord(const RecordType& record);
  void checkModel(const AtomicModel& atomic);
  void checkVariable(const AtomicModel& atomic, const StateVariable& variable);
  void checkInitial(const Snippet& initial, ScalarType type, const std::string& what);
  void checkActivity(const AtomicModel& atomic, const Activity& activity);
  void checkTiming(const AtomicModel& atomic, const Activity& activity);
  void checkActivityMembers(const AtomicModel& atomic, const Activity& activity);
  void wire(const AtomicModel& atomic, const Activity& activity);
  // Resolves a used variable; reports an unknown one.
  bool known(const AtomicModel& atomic, const Name& name, const std::string& user);
  void checkArc(const AtomicModel& atomic, const Name& place, const std::string& user);
  void checkUses(const AtomicModel& atomic, const std::vector<VariableUse>& uses,
                 const std::string& user);
  void checkComposition();
  void checkNode(const ComposedNode& node, std::set<std::string>& usedModels, int depth);
  void exposeAtomic(const ComposedNode& node);
  void exposeShared(const ComposedNode& node);
  void checkRewards();
  void checkRewardVariable(const RewardVariable& variable);
  void checkImpulse(const RewardVariable& variable, const ImpulseReward& impulse);
  // A derived measure: a ratio of two reward variables observed alike.
  void checkDerived(const DerivedMeasure& derived);
  // The reward variable a derived measure names, or nullptr (reported).
  const RewardVariable* ratioTerm(const DerivedMeasure& derived, const Name& term,
                                  const std::string& role);
  // A bound or count given as a number or a global variable: the variable
  // must exist.
  void checkGlobalCount(const std::string& who, const ObservationBound& count,
                        const std::string& what);
  void checkStudy();
  void checkGlobalNames();
  std::optional<double> studyValue(const GlobalVariable& global, const StudyValue& value);
  std::vector<double> expandRange(const GlobalVariable& global, const StudySetting& setting);

  const ModelDescription& model_;
  Diagnostics& diagnostics_;
  CheckedModel& result_;
  std::map<std::string, Position> globalNames_;
  std::unordered_map<std::string, const GlobalVariable*> globals_;
  std::unordered_map<const AtomicModel*, std::vector<std::string>> variableNames_;
};

bool ModelChecker::declare(std::map<std::string, Position>& scope, const Name& name,
                           const std::string& what) {
  if (name.text.empty()) return false;
  const auto [it, added] = scope.insert({name.text, name.at});
  if (!added) {
    error(name.at, "duplicate name '" + name.text + "': " + what +
                       " of that name is already "
                       "declared at line " +
                       std::to_string(it->second.line));
    return false;
  }
  return true;
}

void ModelChecker::refuse(const Name& name, const std::string& what, const std::string& clash) {
  if (clash.empty() || name.text.empty()) return;
  error(name.at, "the name '" + name.text + "' cannot name " + what + ": " + clash);
}

std::string ModelChecker::suggest(const std::string& word,
                                  const std::vector<std::string>& candidates) const {
  return diagnostics_.full() ? "" : didYouMean(word, candidates);
}

const std::vector<std::string>& ModelChecker::variableNames(const AtomicModel& atomic) {
  std::vector<std::string>& names = variableNames_[&atomic];
  if (names.empty())
    for (const StateVariable& v : atomic.variables) names.push_back(v.name.text);
  return names;
}

void ModelChecker::checkAll() {
  checkGlobals();
  checkTypes();
  std::map<std::string, Position> modelNames;
  for (const AtomicModel& atomic : model_.models) {
    declare(modelNames, atomic.name, "a model");
    checkModel(atomic);
  }
  if (model_.models.empty()) error(model_.end, "the model file declares no atomic model");
  checkComposition();
  checkRewards();
  checkStudy();
  checkGlobalNames();
}

// Global variables and generated classes share the global namespace with
// each other and with the C and C++ libraries and the framework.
void ModelChecker::checkGlobalNames() {
  std::map<std::string, Position> scope;
  // File names stay below the file systems' 255 bytes, with room for the
  // temporary a file is first written to.
  constexpr std::size_t kLongestFile = 220;
  // Claims the class or variable `name` made from the element `base`
  // (nothing for an element whose name was already reported).
  auto claim = [&](const Name& base, const std::string& name, const std::string& what, bool file) {
    if (base.text.empty()) return;
    const auto [it, added] = scope.insert({name, base.at});
    if (!added)
      error(base.at, "duplicate name '" + name +
                         "': the name (or a class made from it) is "
                         "already used at line " +
                         std::to_string(it->second.line));
    const std::string clash = globalNameClash(name);
    if (!clash.empty())
      error(base.at, "the name '" + name + "' cannot name " + what + ": " + clash);
    if (file && name.size() + 4 > kLongestFile)
      error(base.at, "the name '" + base.text.substr(0, 40) + "...' is too long: the file '" +
                         name.substr(0, 40) + "....cpp' generated for " + what +
                         " would pass the file system's limit of 255 bytes");
  };
  for (const GlobalVariable& g : model_.globals)
    claim(g.name, g.name.text, "a global variable", false);
  for (const RecordType& r : model_.records) {
    claim(r.name, r.name.text, "a record type", false);
    claim(r.name, names::recordState(r.name.text), "a record type's value", false);
    claim(r.name, names::recordView(r.name.text), "a record type's view", false);
    claim(r.name, names::recordConstView(r.name.text), "a record type's view", false);
  }
  for (const ArrayType& a : model_.arrays) claim(a.name, a.name.text, "an array type", false);
  for (const AtomicModel& m : model_.models) {
    claim(m.name, names::atomicClass(m.name.text), "an atomic model's class", true);
    if (m.functions)
      claim(m.name, names::functionsNamespace(m.name.text), "a model's helper functions", false);
  }
  if (model_.composition && model_.composition->root.kind != ComposedNode::Atomic) {
    const Composition& composition = *model_.composition;
    // The composed classes, named after their parents.
    std::vector<std::pair<const ComposedNode*, std::string>> pending = {
        {&composition.root, names::rootClass(composition)}};
    while (!pending.empty()) {
      const auto [node, className] = pending.back();
      pending.pop_back();
      if (node->name.text.empty()) continue;
      claim(node == &composition.root ? composition.name : node->name, className,
            "a composed model's class", true);
      for (const ComposedNode& child : node->children)
        if (child.kind != ComposedNode::Atomic)
          pending.push_back({&child, names::childClass(child, className)});
    }
  }
  if (model_.rewards) {
    const Rewards& rewards = *model_.rewards;
    claim(rewards.name, names::rewardClass(rewards), "the reward model's class", true);
    for (std::size_t i = 0; i < rewards.variables.size(); i++) {
      claim(rewards.name, names::variableClass(rewards, i), "a reward variable's class", false);
      if (rewards.variables[i].rate)
        claim(rewards.name, names::workerClass(rewards, i), "a reward variable's class", false);
      for (std::size_t j = 0; j < rewards.variables[i].impulses.size(); j++)
        claim(rewards.name, names::impulseClass(rewards, i, j), "an impulse reward's class", false);
    }
  }
  if (model_.study)
    claim(model_.study->name, names::studyClass(*model_.study), "the study's class", true);
}

void ModelChecker::checkGlobals() {
  for (const GlobalVariable& global : model_.globals) {
    declare(globalNames_, global.name, "a global variable");
    globals_.try_emplace(global.name.text, &global);
    if (global.range && !global.range->text.empty() && global.type == ScalarType::Bool)
      error(global.range->at, "a bool global variable takes no range");
  }
}

void ModelChecker::checkTypes() {
  std::map<std::string, Position> typeNames;
  for (const char* builtin : {"place", "short", "int", "double", "char", "bool"})
    typeNames[builtin] = {};
  auto builtin = [&](const Name& name) {
    if (!typeNames.count(name.text) || typeNames[name.text].line != 0) return false;
    error(name.at, "'" + name.text + "' is a built-in type");
    return true;
  };
  for (const RecordType& record : model_.records) {
    if (builtin(record.name)) continue;
    declare(typeNames, record.name, "a type");
    checkRecord(record);
  }
  std::vector<std::string> elementTypes = {"short", "int", "double"};
  for (const RecordType& record : model_.records) elementTypes.push_back(record.name.text);
  for (const ArrayType& array : model_.arrays) {
    if (builtin(array.name)) continue;
    declare(typeNames, array.name, "a type");
    const std::string& element = array.element.text;
    const std::optional<ScalarType> scalar = scalarTypeNamed(element);
    const bool scalarOk = scalar && (*scalar == ScalarType::Short || *scalar == ScalarType::Int ||
                                     *scalar == ScalarType::Double);
    if (!element.empty() && !scalarOk && !result_.record(element))
      error(array.element.at, "unknown element type '" + element + "' of array type '" +
                                  array.name.text + "' (short, int, double or a record type)" +
                                  suggest(element, elementTypes));
    if (const std::optional<double> length = parseDouble(array.length.text))
      if (!(*length >= 0 && *length <= 2147483647.0 && *length == std::floor(*length)))
        error(array.length.at, "the length of array type '" + array.name.text +
                                   "' must be a whole number from 0 to 2147483647, not " +
                                   array.length.text);
  }
}

void ModelChecker::checkRecord(const RecordType& record) {
  const std::string& name = record.name.text;
  const std::set<std::string> own = {name, names::recordState(name), names::recordView(name),
                                     names::recordConstView(name)};
  std::map<std::string, Position> fields;
  for (const RecordField& field : record.fields) {
    if (!declare(fields, field.name, "a field")) continue;
    if (own.count(field.name.text))
      error(field.name.at, "field '" + field.name.text + "' of record type '" + name +
                               "' cannot have the name of the record type or of a class made "
                               "from it (" +
                               name + ", " + names::recordState(name) + ", " +
                               names::recordView(name) + ", " + names::recordConstView(name) + ")");
    refuse(field.name, "a field of a record", memberNameClash(field.name.text, {MemberOf::Record}));
  }
}

void ModelChecker::checkModel(const AtomicModel& atomic) {
  // The names below become members of the model's class: its variables,
  // and for each activity its object(s), its group and its class(es).
  std::map<std::string, Position> members;
  for (const StateVariable& variable : atomic.variables) {
    if (!declare(members, variable.name, "a place or an activity")) continue;
    refuse(variable.name, "a place",
           memberNameClash(variable.name.text, {MemberOf::AtomicModel, MemberOf::Activity}));
    checkVariable(atomic, variable);
  }
  for (const Activity& activity : atomic.activities) {
    if (!declare(members, activity.name, "a place or an activity")) continue;
    refuse(activity.name, "an activity",
           memberNameClash(activity.name.text, {MemberOf::AtomicModel}));
  }
  for (const Activity& activity : atomic.activities) {
    const std::string& name = activity.name.text;
    if (!name.empty()) {
      std::set<std::string> derived = {names::activityClass(activity),
                                       names::groupObject(activity)};
      for (std::size_t k = 0; k < activity.cases.size(); k++) {
        derived.insert(names::caseClass(activity, k));
        derived.insert(names::caseObject(activity, k));
      }
      derived.erase(name);
      for (const std::string& d : derived) {
        if (members.count(d))
          error(activity.name.at, "activity '" + name + "' needs the name '" + d +
                                      "', which another element of model '" + atomic.name.text +
                                      "' has");
        else if (const std::string clash = memberNameClash(d, {MemberOf::AtomicModel});
                 !clash.empty())
          error(activity.name.at, "activity '" + name + "' needs the name '" + d + "': " + clash);
      }
    }
    checkActivity(atomic, activity);
  }
  const std::vector<const Activity*> order = result_.groupOrder(atomic);
  for (std::size_t g = 0; g < order.size(); g++)
    result_.groupNumbers_[order[g]] = static_cast<int>(g);
  if (atomic.activities.empty() && !atomic.name.text.empty())
    error(atomic.name.at, "model '" + atomic.name.text + "' has no activity");
  // Gates are named within the model.
  std::map<std::string, Position> gates;
  for (const Activity& activity : atomic.activities) {
    for (const Gate& gate : activity.inputGates) declare(gates, gate.name, "a gate");
    for (const Case& c : activity.cases)
      for (const Gate& gate : c.outputGates) declare(gates, gate.name, "a gate");
  }
}

void ModelChecker::checkInitial(const Snippet& initial, ScalarType type, const std::string& what) {
  const std::optional<double> value = parseDouble(initial.text);
  if (!value) return;  // an expression: checked when the model is built
  const bool whole = type == ScalarType::Double || *value == std::floor(*value);
  if (!fitsType(type, *value) || !whole)
    error(initial.at,
          "the initial value " + initial.text + " of " + what + " does not fit " + typeRange(type));
}

void ModelChecker::checkVariable(const AtomicModel& atomic, const StateVariable& variable) {
  const std::string& name = variable.name.text;
  if (globalNames_.count(name))
    error(variable.name.at, "duplicate name '" + name +
                                "': a global variable of that name is "
                                "declared at line " +
                                std::to_string(globalNames_[name].line));
  const VariableType type = result_.typeOf(atomic, name);
  const std::string& typeName = variable.type.text;
  if (!type.known) {
    std::vector<std::string> typeNames = {"place", "short", "int", "double"};
    for (const RecordType& r : model_.records) typeNames.push_back(r.name.text);
    for (const ArrayType& a : model_.arrays) typeNames.push_back(a.name.text);
    if (!typeName.empty())
      error(variable.type.at, "unknown type '" + typeName + "' of place '" + name + "'" +
                                  suggest(typeName, typeNames));
    return;
  }
  if (type.kind == VariableType::Scalar && type.scalar != ScalarType::Short &&
      type.scalar != ScalarType::Int && type.scalar != ScalarType::Double) {
    error(variable.type.at,
          "a place holds place, short, int, double, a record or an array, not '" + typeName + "'");
    return;
  }
  const RecordType* fieldsOf = type.record;
  if (fieldsOf) {
    if (!variable.initial.empty())
      error(variable.initial.at,
            "the initial value of '" + name + "' gives its fields by name, e.g. {timestamp: 0}");
    std::map<std::string, Position> seen;
    std::vector<std::string> fieldNames;
    for (const RecordField& f : fieldsOf->fields) fieldNames.push_back(f.name.text);
    for (const auto& [field, value] : variable.fieldInitials) {
      declare(seen, field, "a field initial value");
      if (std::find(fieldNames.begin(), fieldNames.end(), field.text) == fieldNames.end())
        error(field.at, "record type '" + fieldsOf->name.text + "' has no field '" + field.text +
                            "'" + suggest(field.text, fieldNames));
      else
        checkInitial(value, CheckedModel::fieldType(*fieldsOf, field.text),
                     "field '" + field.text + "' of '" + name + "'");
    }
  } else if (!variable.fieldInitials.empty()) {
    error(variable.fieldInitials.front().first.at,
          "'" + name + "' is " + type.describe() + ": its initial value is one expression");
  } else if (!variable.initial.empty()) {
    checkInitial(variable.initial, type.scalar, "'" + name + "'");
  }
}

bool ModelChecker::known(const AtomicModel& atomic, const Name& name, const std::string& user) {
  if (result_.variable(atomic, name.text)) return true;
  error(name.at, user + " uses '" + name.text + "', which is not a place of model '" +
                     atomic.name.text + "'" + suggest(name.text, variableNames(atomic)));
  return false;
}

void ModelChecker::checkArc(const AtomicModel& atomic, const Name& place, const std::string& user) {
  if (!known(atomic, place, user)) return;
  const VariableType type = result_.typeOf(atomic, place.text);
  if (type.known && (!type.isCell() || type.scalar == ScalarType::Double))
    error(place.at, "an arc connects a place or a short or int typed place; '" + place.text +
                        "' is " + type.describe());
}

void ModelChecker::checkUses(const AtomicModel& atomic, const std::vector<VariableUse>& uses,
                             const std::string& user) {
  for (const VariableUse& use : uses) known(atomic, use.name, user);
}

void ModelChecker::checkTiming(const AtomicModel& atomic, const Activity& activity) {
  const std::string who = "activity '" + activity.name.text + "'";
  const Timing& timing = activity.timing;
  const std::string& distribution = activity.distribution();
  if (distribution.empty()) return;
  const DistributionKind* kind = distributionNamed(distribution);
  if (!kind) {
    std::string list;
    std::vector<std::string> known;
    for (const DistributionKind& k : distributionKinds()) {
      list += (list.empty() ? "" : ", ") + k.name;
      known.push_back(k.name);
    }
    error(timing.distribution.at, "unknown distribution '" + distribution + "' (" + list + ")" +
                                      suggest(distribution, known));
    return;
  }
  if (!kind->takes(timing.parameters.size())) {
    if (kind->sampling == DistributionKind::Instant)
      error(timing.distribution.at, "an instantaneous activity has no parameters");
    else
      error(timing.distribution.at,
            distribution + (kind->parameters.empty() ? " needs " : " takes ") + kind->expected());
  }
  checkUses(atomic, timing.reads, who);
  if (timing.onChange) {
    const Name& choice = *timing.onChange;
    if (choice.text != "keep" && choice.text != "redraw")
      error(choice.at, "on_change must be keep or redraw, not '" + choice.text + "'" +
                           suggest(choice.text, {"keep", "redraw"}));
    else if (activity.reactivation)
      error(choice.at, who +
                           " has a reactivation block: it decides when the firing time is "
                           "drawn again, so on_change does not apply");
    else if (timing.reads.empty())
      error(choice.at, who +
                           ": on_change applies to a timing that reads state variables "
                           "(reads)");
  } else if (!timing.reads.empty() && !activity.reactivation &&
             kind->sampling != DistributionKind::Instant && distribution != "exponential") {
    error(timing.at, who + ": its " + distribution +
                         " timing reads state variables, but a firing time drawn when the "
                         "activity is scheduled does not follow their later changes; say what "
                         "should happen: on_change: keep (keep the sampled time), on_change: "
                         "redraw (draw a new time from the time of the change) or a "
                         "reactivation block");
  }
}

void ModelChecker::checkActivity(const AtomicModel& atomic, const Activity& activity) {
  const std::string who = "activity '" + activity.name.text + "'";
  checkTiming(atomic, activity);
  // Input side.
  for (const Name& arc : activity.inputArcs) checkArc(atomic, arc, who);
  for (const Gate& gate : activity.inputGates)
    checkUses(atomic, gate.uses, "gate '" + gate.name.text + "'");
  // Cases.
  for (std::size_t k = 0; k < activity.cases.size(); k++) {
    const Case& c = activity.cases[k];
    if (activity.hasCaseList && !c.weight)
      error(c.at, "case " + std::to_string(k + 1) + " of " + who + " has no weight");
    checkUses(atomic, c.reads, who);
    for (const Name& arc : c.outputArcs) checkArc(atomic, arc, who);
    for (const Gate& gate : c.outputGates)
      checkUses(atomic, gate.uses, "gate '" + gate.name.text + "'");
  }
  const std::string& selection = activity.selection.text;
  if (!selection.empty() && selection != "postselect" && selection != "preselect")
    error(activity.selection.at, "case_selection must be postselect or preselect, not '" +
                                     selection + "'" +
                                     suggest(selection, {"postselect", "preselect"}));
  if (activity.reactivation) checkUses(atomic, activity.reactivation->reads, who);
  wire(atomic, activity);
  checkActivityMembers(atomic, activity);
}

// The members of the activity's class named after model elements: the
// variables it uses (with their cell pointers and element tables) and its
// gates' functions.
void ModelChecker::checkActivityMembers(const AtomicModel& atomic, const Activity& activity) {
  std::map<std::string, Position> members;
  const Position at = activity.name.at;
  auto member = [&](const std::string& name, Position where, const std::string& what) {
    const auto [it, added] = members.insert({name, where});
    if (!added)
      error(where, "activity '" + activity.name.text + "' would have two members named '" + name +
                       "' (" + what + " and the element at line " +
                       std::to_string(it->second.line) + ")");
  };
  for (const std::string& name : result_.wiring(activity).linked) {
    member(name, at, "a variable it uses");
    const VariableType type = result_.typeOf(atomic, name);
    if (type.isCell()) member(names::cellPointer(name), at, "a variable's value cell");
    if (type.kind == VariableType::Array) member(names::elementTable(name), at, "an array's table");
  }
  auto gateMembers = [&](const Gate& gate, bool input) {
    if (gate.name.text.empty()) return;
    refuse(gate.name, "a gate", memberNameClash(gate.name.text, {MemberOf::Activity}));
    member(gate.name.text, gate.name.at, "gate '" + gate.name.text + "'");
    if (input) member(names::gatePredicate(gate.name.text), gate.name.at, "a gate's predicate");
  };
  for (const Gate& gate : activity.inputGates) gateMembers(gate, true);
  for (const Case& c : activity.cases)
    for (const Gate& gate : c.outputGates) gateMembers(gate, false);
}

// Affect arcs in the order input arcs, input gates, output arcs, output
// gates; enable arcs from the input side; every variable once.
void ModelChecker::wire(const AtomicModel& atomic, const Activity& activity) {
  ActivityWiring wiring;
  struct OrderedSet {
    std::vector<std::string> list;
    std::unordered_set<std::string> seen;
    void add(const std::string& name) {
      if (seen.insert(name).second) list.push_back(name);
    }
  };
  auto exists = [&](const std::string& name) { return result_.variable(atomic, name) != nullptr; };
  OrderedSet input;
  for (const Name& arc : activity.inputArcs)
    if (exists(arc.text)) input.add(arc.text);
  for (const Gate& gate : activity.inputGates)
    for (const VariableUse& use : gate.uses)
      if (exists(use.name.text)) input.add(use.name.text);
  OrderedSet linked;
  for (const std::string& name : input.list) linked.add(name);
  for (const Case& c : activity.cases) {
    OrderedSet affected = input;
    for (const Name& arc : c.outputArcs)
      if (exists(arc.text)) affected.add(arc.text);
    for (const Gate& gate : c.outputGates)
      for (const VariableUse& use : gate.uses)
        if (exists(use.name.text)) affected.add(use.name.text);
    for (const std::string& name : affected.list) linked.add(name);
    wiring.cases.push_back({affected.list, input.list});
  }
  for (const VariableUse& use : activity.timing.reads)
    if (exists(use.name.text)) linked.add(use.name.text);
  for (const Case& c : activity.cases)
    for (const VariableUse& use : c.reads)
      if (exists(use.name.text)) linked.add(use.name.text);
  if (activity.reactivation)
    for (const VariableUse& use : activity.reactivation->reads)
      if (exists(use.name.text)) linked.add(use.name.text);
  wiring.linked = std::move(linked.list);
  result_.wirings_[&activity] = std::move(wiring);
}

void ModelChecker::checkComposition() {
  if (!model_.composition) {
    if (model_.models.size() > 1)
      error(model_.models[1].name.at,
            "a model file with more than one atomic model needs a composition");
    return;
  }
  std::set<std::string> usedModels;
  checkNode(model_.composition->root, usedModels, 1);
  for (const AtomicModel& atomic : model_.models)
    if (!atomic.name.text.empty() && !usedModels.count(atomic.name.text))
      error(atomic.name.at, "model '" + atomic.name.text + "' is not part of the composition");
}

void ModelChecker::exposeAtomic(const ComposedNode& node) {
  CheckedModel::Exposure& exposure = result_.exposures_[&node];
  const AtomicModel* atomic = result_.atomic(node.name.text);
  if (!atomic) return;
  for (const StateVariable& v : atomic->variables) {
    if (!exposure.index.try_emplace(v.name.text, exposure.variables.size()).second) continue;
    exposure.variables.push_back(
        {v.name.text, result_.typeOf(*atomic, v.name.text), initialText(v), v.name.at});
  }
}

// One variable per shared name, in declaration order, typed as in the
// first child that has it; every child that has it must have it with the
// same type and start it from the same initial value (the share would
// silently keep only one of them).
void ModelChecker::exposeShared(const ComposedNode& node) {
  CheckedModel::Exposure& exposure = result_.exposures_[&node];
  std::map<std::string, Position> seen;
  for (const Name& shared : node.shared) {
    if (!declare(seen, shared, "a shared variable")) continue;
    const ExposedVariable* first = nullptr;
    const ComposedNode* firstChild = nullptr;
    for (const ComposedNode& child : node.children) {
      if (!result_.offers(child, shared.text)) continue;
      const ExposedVariable& offered =
          result_.exposed(child)[result_.exposures_.at(&child).index.at(shared.text)];
      if (!first) {
        first = &offered;
        firstChild = &child;
        continue;
      }
      if (!(first->type == offered.type))
        error(shared.at, "type mismatch: '" + shared.text + "' is " + first->type.describe() +
                             " in one child and " + offered.type.describe() + " in '" +
                             child.name.text + "'");
      else if (first->initial != offered.initial)
        error(shared.at,
              "'" + node.name.text + "' shares '" + shared.text + "', which starts from " +
                  first->initial + " in '" + firstChild->name.text + "' (line " +
                  std::to_string(first->origin.line) + ") and from " + offered.initial + " in '" +
                  child.name.text + "' (line " + std::to_string(offered.origin.line) +
                  "): a shared variable has one initial value; give them the same");
    }
    if (!first) {
      std::vector<std::string> offered;
      for (const ComposedNode& child : node.children)
        for (const ExposedVariable& v : result_.exposed(child)) offered.push_back(v.name);
      error(shared.at, "'" + node.name.text + "' shares '" + shared.text +
                           "', which no child of it has (a child shares only what it has; a "
                           "join or rep offers only its own shared variables)" +
                           suggest(shared.text, offered));
      continue;
    }
    refuse(shared, "a shared variable", memberNameClash(shared.text, {MemberOf::Composer}));
    exposure.index.try_emplace(shared.text, exposure.variables.size());
    exposure.variables.push_back(*first);
  }
}

void ModelChecker::checkNode(const ComposedNode& node, std::set<std::string>& usedModels,
                             int depth) {
  result_.exposures_[&node];
  if (node.name.text.empty()) return;
  if (node.kind == ComposedNode::Atomic) {
    if (!result_.atomic(node.name.text)) {
      std::vector<std::string> models;
      for (const AtomicModel& m : model_.models) models.push_back(m.name.text);
      error(node.name.at, "unknown model '" + node.name.text + "' in the composition" +
                              suggest(node.name.text, models));
    }
    usedModels.insert(node.name.text);
    exposeAtomic(node);
    return;
  }
  if (depth > kMaxCompositionDepth) {
    error(node.name.at, "the composition nests more than " + std::to_string(kMaxCompositionDepth) +
                            " levels of joins and reps");
    return;
  }
  for (const ComposedNode& child : node.children) checkNode(child, usedModels, depth + 1);
  exposeShared(node);
  // A join's class has a member per child and per shared variable.
  if (node.kind == ComposedNode::Join) {
    std::map<std::string, Position> members;
    for (const ComposedNode& child : node.children) {
      if (child.name.text.empty()) continue;
      declare(members, child.name, "a child of join '" + node.name.text + "'");
      refuse(child.name, "a child of a join",
             memberNameClash(child.name.text, {MemberOf::Composer}));
    }
    for (const Name& shared : node.shared)
      if (members.count(shared.text))
        error(shared.at, "join '" + node.name.text + "' shares '" + shared.text +
                             "', the name of one of its children");
  }
}

void ModelChecker::checkRewards() {
  if (!model_.rewards) return;
  std::map<std::string, Position> names;
  for (const RewardVariable& variable : model_.rewards->variables) {
    declare(names, variable.name, "a reward variable");
    checkRewardVariable(variable);
  }
  if (model_.rewards->variables.empty())
    error(model_.rewards->name.at, "the rewards declare no variable");
  for (const DerivedMeasure& derived : model_.rewards->derived) {
    declare(names, derived.name, "a reward variable or derived measure");
    checkDerived(derived);
  }
}

const RewardVariable* ModelChecker::ratioTerm(const DerivedMeasure& derived, const Name& term,
                                              const std::string& role) {
  if (term.text.empty()) return nullptr;
  std::vector<std::string> candidates;
  for (const RewardVariable& v : model_.rewards->variables) {
    if (v.name.text == term.text) return &v;
    candidates.push_back(v.name.text);
  }
  const std::string who = "derived measure '" + derived.name.text + "'";
  for (const DerivedMeasure& d : model_.rewards->derived)
    if (d.name.text == term.text) {
      error(term.at, who + ": its " + role + " '" + term.text +
                         "' is a derived measure; a ratio takes reward variables only");
      return nullptr;
    }
  error(term.at, who + ": its " + role + " '" + term.text + "' is not a reward variable" +
                     suggest(term.text, candidates));
  return nullptr;
}

void ModelChecker::checkDerived(const DerivedMeasure& derived) {
  const RewardVariable* numerator = ratioTerm(derived, derived.numerator, "numerator");
  const RewardVariable* denominator = ratioTerm(derived, derived.denominator, "denominator");
  if (!numerator || !denominator) return;
  // One value per time point: both terms must be observed at the same ones.
  const bool sameSteadyState =
      numerator->steadyState.has_value() == denominator->steadyState.has_value() &&
      (!numerator->steadyState ||
       (numerator->steadyState->start == denominator->steadyState->start &&
        numerator->steadyState->batch == denominator->steadyState->batch));
  const std::string mismatch =
      numerator->measure != denominator->measure ? "measures"
      : !sameSteadyState                         ? "steady-state batches"
      : numerator->windows != denominator->windows
          ? (numerator->measure == Measure::InstantOfTime ? "times" : "windows")
          : "";
  if (!mismatch.empty())
    error(derived.denominator.at, "derived measure '" + derived.name.text + "': numerator '" +
                                      numerator->name.text + "' and denominator '" +
                                      denominator->name.text + "' have different " + mismatch);
}

void ModelChecker::checkImpulse(const RewardVariable& variable, const ImpulseReward& impulse) {
  const std::string who = "reward variable '" + variable.name.text + "'";
  const AtomicModel* atomic = nullptr;
  std::vector<std::string> models;
  for (const AtomicModel& m : model_.models) models.push_back(m.name.text);
  if (impulse.model) {
    atomic = result_.atomic(impulse.model->text);
    if (!atomic)
      error(impulse.model->at, who + " names model '" + impulse.model->text +
                                   "', which does not exist" +
                                   suggest(impulse.model->text, models));
  } else {
    for (const AtomicModel& m : model_.models)
      for (const Activity& a : m.activities)
        if (a.name.text == impulse.activity.text) {
          if (atomic && atomic != &m)
            error(impulse.activity.at, "activity '" + impulse.activity.text +
                                           "' is in more than one model: name the model");
          atomic = &m;
        }
  }
  const Activity* activity = nullptr;
  std::vector<std::string> activities;
  if (atomic)
    for (const Activity& a : atomic->activities) {
      if (a.name.text == impulse.activity.text && !activity) activity = &a;
      activities.push_back(a.name.text);
    }
  if (!activity) {
    if (!impulse.activity.text.empty() && (atomic || !impulse.model)) {
      if (!atomic)
        for (const AtomicModel& m : model_.models)
          for (const Activity& a : m.activities) activities.push_back(a.name.text);
      error(impulse.activity.at, who + " counts activity '" + impulse.activity.text +
                                     "', which does not exist" +
                                     (atomic ? " in model '" + atomic->name.text + "'" : "") +
                                     suggest(impulse.activity.text, activities));
    }
    return;
  }
  result_.impulseModels_[&impulse] = atomic;
  result_.impulseActivities_[&impulse] = activity;
  if (impulse.caseNumber > static_cast<int>(activity->cases.size()))
    error(impulse.caseAt, "activity '" + activity->name.text + "' has " +
                              std::to_string(activity->cases.size()) + " case(s)");
  for (const VariableUse& use : impulse.reads)
    if (!result_.variable(*atomic, use.name.text))
      error(use.name.at, who + " reads '" + use.name.text + "', which is not a place of model '" +
                             atomic->name.text + "'" +
                             suggest(use.name.text, variableNames(*atomic)));
}

void ModelChecker::checkGlobalCount(const std::string& who, const ObservationBound& count,
                                    const std::string& what) {
  if (count.global.empty() || globals_.count(count.global)) return;
  std::vector<std::string> globalNames;
  for (const GlobalVariable& g : model_.globals) globalNames.push_back(g.name.text);
  error(count.at, who + ": " + what + " '" + count.global +
                      "' is neither a number nor a global variable" +
                      suggest(count.global, globalNames));
}

void ModelChecker::checkRewardVariable(const RewardVariable& variable) {
  const std::string who = "reward variable '" + variable.name.text + "'";
  if (!variable.rate && variable.impulses.empty())
    error(variable.name.at, who + " has neither a rate nor an impulse");
  if (variable.rate) {
    const RateReward& rate = *variable.rate;
    const AtomicModel* atomic = result_.atomic(rate.model.text);
    if (!atomic && !rate.model.text.empty()) {
      std::vector<std::string> models;
      for (const AtomicModel& m : model_.models) models.push_back(m.name.text);
      error(rate.model.at, who + " reads model '" + rate.model.text + "', which does not exist" +
                               suggest(rate.model.text, models));
    }
    if (atomic)
      for (const VariableUse& use : rate.reads)
        if (!result_.variable(*atomic, use.name.text))
          error(use.name.at, who + " reads '" + use.name.text +
                                 "', which is not a place of model '" + atomic->name.text + "'" +
                                 suggest(use.name.text, variableNames(*atomic)));
    if (rate.least) checkGlobalCount(who, *rate.least, "at_least");
  }
  for (const ImpulseReward& impulse : variable.impulses) checkImpulse(variable, impulse);
  // Times.
  const bool instant = variable.measure == Measure::InstantOfTime;
  if (variable.steadyState) {
    const SteadyState& s = *variable.steadyState;
    if (instant)
      error(s.at, who +
                      ": a steady-state variable measures an interval (interval-of-time or "
                      "time-averaged)");
    if (!(s.batch > 0) || s.start < 0 || !std::isfinite(s.start) || !std::isfinite(s.batch))
      error(s.at, who +
                      ": steady_state needs a finite start >= 0 and a finite positive batch "
                      "length");
    if (!variable.windows.empty())
      error(variable.windowsAt, who + " is steady-state: it takes no times or windows");
  } else if (variable.windows.empty() && variable.measureAt.line > 0) {
    error(variable.measureAt,
          who + (instant ? " needs 'times'" : " needs 'windows' or 'steady_state'"));
  }
  if (!variable.windows.empty() && variable.givenAsTimes != instant)
    error(variable.windowsAt, instant
                                  ? who + " is instant-of-time: it takes 'times', not 'windows'"
                                  : who + " measures an interval: it takes 'windows', not 'times'");
  for (const auto& [start, stop] : variable.windows) {
    if (!std::isfinite(start) || !std::isfinite(stop)) {
      error(variable.windowsAt, who + ": every time must be a finite number");
      break;
    }
    if (start < 0 || stop < start || (variable.measure == Measure::TimeAveraged && stop == start)) {
      error(variable.windowsAt, who +
                                    ": every window needs 0 <= start <= stop (start < stop when "
                                    "time-averaged)");
      break;
    }
  }
  if (instant && !variable.impulses.empty())
    error(variable.impulses.front().at, who +
                                            ": an impulse is counted over an interval; an "
                                            "instant-of-time variable takes a rate only");
  // Bounds: numbers, or global variables of the model.
  for (const std::optional<ObservationBound>* bound : {&variable.lowest, &variable.highest})
    if (*bound) checkGlobalCount(who, **bound, "bound");
  if (variable.lowest && variable.highest && variable.lowest->global.empty() &&
      variable.highest->global.empty() && variable.lowest->number > variable.highest->number)
    error(variable.lowest->at, who + ": the lower bound is above the upper bound");
}

std::optional<double> ModelChecker::studyValue(const GlobalVariable& global,
                                               const StudyValue& value) {
  const std::string& text = value.text;
  const std::string who =
      "global variable '" + global.name.text + "' (" + cppName(global.type) + ")";
  std::optional<double> number;
  switch (global.type) {
    case ScalarType::Bool:
      if (text == "true" || text == "1") number = 1;
      if (text == "false" || text == "0") number = 0;
      if (!number)
        error(value.at, "type mismatch: " + who + " takes true or false, not '" + text + "'");
      return number;
    case ScalarType::Char:
      if (value.quoted && text.size() == 1) return static_cast<double>(text[0]);
      if (std::optional<long long> code = parseInteger(text);
          code && fitsType(global.type, static_cast<double>(*code)))
        return static_cast<double>(*code);
      error(value.at, "type mismatch: " + who +
                          " takes one character in quotes or a number "
                          "from -128 to 127, not '" +
                          text + "'");
      return std::nullopt;
    case ScalarType::Double:
      number = value.quoted ? std::nullopt : parseDouble(text);
      if (!number || !std::isfinite(*number)) {
        error(value.at, "type mismatch: " + who + " takes a finite number, not '" + text + "'");
        return std::nullopt;
      }
      break;
    case ScalarType::Short:
    case ScalarType::Int: {
      const std::optional<long long> integer = value.quoted ? std::nullopt : parseInteger(text);
      if (!integer || !fitsType(global.type, static_cast<double>(*integer))) {
        error(value.at, "type mismatch: " + who + " takes a whole number that a " +
                            cppName(global.type) + " holds, not '" + text + "'");
        return std::nullopt;
      }
      number = static_cast<double>(*integer);
      break;
    }
  }
  if (global.range && !global.range->holds(*number)) {
    error(value.at, "value " + text + " of global variable '" + global.name.text +
                        "' is outside its range " + global.range->text);
    return std::nullopt;
  }
  return number;
}

// from, from + step, from + step + step, ... up to `to`, added in the
// global's own arithmetic (double or integer).
std::vector<double> ModelChecker::expandRange(const GlobalVariable& global,
                                              const StudySetting& setting) {
  std::vector<double> values;
  if (!setting.from || !setting.to || !setting.step) return values;  // reported by the reader
  const std::optional<double> from = studyValue(global, *setting.from);
  const std::optional<double> to = studyValue(global, *setting.to);
  GlobalVariable unbounded = global;
  unbounded.range.reset();
  const std::optional<double> step = studyValue(unbounded, *setting.step);
  if (!from || !to || !step) return values;
  if (global.type == ScalarType::Bool || global.type == ScalarType::Char) {
    error(setting.from->at, "a range of values needs a number type (short, int or double)");
    return values;
  }
  if (!(*step > 0) || *from > *to) {
    error(setting.step->at, "a range of values needs from <= to and a positive step");
    return values;
  }
  constexpr std::size_t kMaxValues = 100000;
  for (double v = *from; v <= *to; v = v + *step) {
    values.push_back(v);
    if (values.size() > kMaxValues) {
      error(setting.step->at, "the range gives more than 100000 values");
      return {};
    }
  }
  return values;
}

void ModelChecker::checkStudy() {
  if (!model_.study) return;
  const Study& study = *model_.study;
  const std::string& combination = study.combination.text;
  if (combination != "product" && combination != "parallel")
    error(study.combination.at, "experiments must be product or parallel, not '" + combination +
                                    "'" + suggest(combination, {"product", "parallel"}));
  std::map<std::string, Position> seen;
  std::unordered_map<std::string, std::size_t> globalIndex;
  for (std::size_t g = 0; g < model_.globals.size(); g++)
    globalIndex.try_emplace(model_.globals[g].name.text, g);
  std::vector<std::vector<double>> values(model_.globals.size());
  std::vector<Position> settingAt(model_.globals.size());
  std::vector<std::size_t> order;  // the settings' globals, in file order
  for (const StudySetting& setting : study.settings) {
    if (!declare(seen, setting.global, "a setting")) continue;
    const auto g = globalIndex.find(setting.global.text);
    if (g == globalIndex.end()) {
      std::vector<std::string> globalNames;
      for (const GlobalVariable& global : model_.globals) globalNames.push_back(global.name.text);
      error(setting.global.at, "the study sets '" + setting.global.text +
                                   "', which is not a global variable" +
                                   suggest(setting.global.text, globalNames));
      continue;
    }
    const std::size_t index = g->second;
    const GlobalVariable& global = model_.globals[index];
    order.push_back(index);
    settingAt[index] = setting.global.at;
    if (setting.from) {
      values[index] = expandRange(global, setting);
    } else {
      for (const StudyValue& value : setting.values)
        if (std::optional<double> v = studyValue(global, value)) values[index].push_back(*v);
    }
  }
  for (std::size_t g = 0; g < model_.globals.size(); g++)
    if (!seen.count(model_.globals[g].name.text) && !model_.globals[g].name.text.empty())
      error(model_.globals[g].name.at,
            "global variable '" + model_.globals[g].name.text + "' is not set by the study");
  if (diagnostics_.failed()) return;

  // Experiments: every combination (the first setting changing slowest), or
  // the k-th value of every list together.
  ExperimentTable& table = result_.table_;
  table.values.assign(model_.globals.size(), {});
  if (combination == "parallel") {
    std::size_t count = 1;
    for (std::size_t g = 0; g < values.size(); g++) {
      if (values[g].size() == 1) continue;
      if (count != 1 && values[g].size() != count) {
        error(settingAt[g], "experiments: parallel needs lists of one length; '" +
                                model_.globals[g].name.text + "' has " +
                                std::to_string(values[g].size()) + " values, another list " +
                                std::to_string(count));
        return;
      }
      count = values[g].size();
    }
    table.count = static_cast<int>(count);
    for (std::size_t g = 0; g < values.size(); g++)
      for (std::size_t e = 0; e < count; e++)
        table.values[g].push_back(values[g].size() == 1 ? values[g][0] : values[g][e]);
    return;
  }
  double total = 1;
  for (std::size_t g : order) total *= static_cast<double>(values[g].size());
  if (total > 100000) {
    error(study.name.at, "the study has more than 100000 experiments");
    return;
  }
  table.count = static_cast<int>(total);
  for (int e = 0; e < table.count; e++) {
    int rest = e;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      const std::size_t n = values[*it].size();
      table.values[*it].push_back(values[*it][static_cast<std::size_t>(rest) % n]);
      rest /= static_cast<int>(n);
    }
  }
}

std::optional<CheckedModel> checkModel(const ModelDescription& model, Diagnostics& diagnostics) {
  CheckedModel result(model);
  ModelChecker checker(model, diagnostics, result);
  checker.checkAll();
  if (diagnostics.failed()) return std::nullopt;
  return result;
}

}  // namespace sangen
