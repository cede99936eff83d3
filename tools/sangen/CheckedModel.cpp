#include "CheckedModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <set>

#include "NumberText.h"

namespace sangen {

namespace {

// Members of the framework classes that generated classes derive from; a
// model element of such a name would hide them.
const std::set<std::string>& reservedNames() {
  static const std::set<std::string> names = {"Actions",
                                              "ActivityInitialize",
                                              "AddAffectArc",
                                              "AddEnableArc",
                                              "AddedSharedPtrs",
                                              "AffectedListHead",
                                              "AffectedNodes",
                                              "AffectedNodesByImpulseReward",
                                              "AffectedNodesByRateReward",
                                              "Age",
                                              "AllChildrenEmpty",
                                              "AllocatePVImpulseDS",
                                              "AllocatePVRateDS",
                                              "CachedStateSize",
                                              "CalculateWeightDistribution",
                                              "Capacity",
                                              "ChildBuffers",
                                              "ChildStateSizes",
                                              "Children",
                                              "CompareState",
                                              "ComposerGroup",
                                              "ConstructLocalState",
                                              "CurrentSharedState",
                                              "CurrentState",
                                              "DeallocatePVImpulseDS",
                                              "DeallocatePVRateDS",
                                              "DefineName",
                                              "DestructLocalState",
                                              "DeterministicParamValue",
                                              "Disabled",
                                              "DistributionType",
                                              "Enabled",
                                              "EnablingChange",
                                              "EntriesInUse",
                                              "ErlangParamM",
                                              "ExecutionPolicy",
                                              "Fire",
                                              "Fired",
                                              "GeneralSetup",
                                              "GetChild",
                                              "GetGlobalActions",
                                              "GetLocalActions",
                                              "GetLocalState",
                                              "GetLocalStateVariables",
                                              "GetModelType",
                                              "GetNumberOfChildren",
                                              "GetSharedStateVariables",
                                              "GroupId",
                                              "Groups",
                                              "HasEvent",
                                              "HasLocalState",
                                              "HighestRank",
                                              "Id",
                                              "InlineCapacity",
                                              "InlineMembers",
                                              "IsAMember",
                                              "IsAnAffectingStateVariable",
                                              "LastActionTime",
                                              "LinkVariables",
                                              "Links",
                                              "LoopCounter",
                                              "MaxID",
                                              "Members",
                                              "ModelId",
                                              "Name",
                                              "NumActions",
                                              "NumChildren",
                                              "NumGroups",
                                              "NumMembers",
                                              "NumReadOnlyPlaces",
                                              "NumSharedNames",
                                              "NumSharedStateVariables",
                                              "NumStateVariables",
                                              "Parameters",
                                              "ParentId",
                                              "ParentModel",
                                              "Phase",
                                              "Places",
                                              "PrintInfo",
                                              "PrintSANModelInfo",
                                              "Probability",
                                              "Rank",
                                              "Rate",
                                              "Reactivation",
                                              "ReactivationFunction",
                                              "ReactivationPredicate",
                                              "ReadOnlyPlaces",
                                              "ReadyToFire",
                                              "Record",
                                              "ReplicaBuffer",
                                              "ReplicaOrder",
                                              "ReplicaStateSize",
                                              "Reserved",
                                              "ResetPhase",
                                              "ReturnDistributionParameters",
                                              "SampleDistribution",
                                              "SelectAction",
                                              "SelectedAction",
                                              "SetActions",
                                              "SetFired",
                                              "SetGroups",
                                              "SetLocalState",
                                              "SetParentId",
                                              "SetPlaces",
                                              "SetReadOnlyPlaces",
                                              "SetSharedState",
                                              "SetState",
                                              "Setup",
                                              "SetupActions",
                                              "SharedLinks",
                                              "SharedPtrs",
                                              "SharedStateNames",
                                              "SharedStateSize",
                                              "SharingLists",
                                              "StateSize",
                                              "UnitWeight",
                                              "Weight",
                                              "WeightTable",
                                              "addAffectedSV",
                                              "addEnablingSV",
                                              "addSharedPtr",
                                              "addSharingInfo",
                                              "appendGroup",
                                              "defineName",
                                              "enabled",
                                              "enlargeArrays",
                                              "getId",
                                              "getName",
                                              "getNumStateVariables",
                                              "initialize",
                                              "initializeSANModelNow",
                                              "isSync",
                                              "lastEnabling",
                                              "listActions",
                                              "listGroups",
                                              "listModels",
                                              "listSVs",
                                              "now",
                                              "ownsSharedVariables",
                                              "previouslyEnabled",
                                              "printState",
                                              "replica",
                                              "setChild",
                                              "setGroupId",
                                              "setMember",
                                              "takeEnabling"};
  return names;
}

// Sizes of the integral types the study writes.
bool fitsType(ScalarType type, double value) {
  switch (type) {
    case ScalarType::Short:
      return value >= -32768 && value <= 32767;
    case ScalarType::Int:
      return value >= -2147483648.0 && value <= 2147483647.0;
    case ScalarType::Char:
      return value >= -128 && value <= 127;
    case ScalarType::Bool:
      return value == 0 || value == 1;
    case ScalarType::Double:
      return std::isfinite(value);
  }
  return false;
}

class Checker {
 public:
  Checker(const ModelDescription& model, Diagnostics& diagnostics, CheckedModel& result)
      : model(model), diagnostics(diagnostics), result(result) {}

  void checkAll();
  std::map<const Activity*, ActivityWiring> wirings_;
  std::map<const ImpulseReward*, const AtomicModel*> impulseModels_;
  ExperimentTable table_;

 private:
  void error(Position at, const std::string& message) { diagnostics.error(at, message); }
  // Registers a name in a scope; reports a second use.
  bool declare(std::map<std::string, Position>& scope, const Name& name, const std::string& what);

  void checkGlobals();
  void checkTypes();
  void checkModel(const AtomicModel& atomic);
  void checkVariable(const AtomicModel& atomic, const StateVariable& variable);
  void checkActivity(const AtomicModel& atomic, const Activity& activity);
  // Resolves a used variable; reports an unknown one.
  bool known(const AtomicModel& atomic, const Name& name, const std::string& user);
  void checkArc(const AtomicModel& atomic, const Name& place, const std::string& user);
  void checkUses(const AtomicModel& atomic, const std::vector<VariableUse>& uses,
                 const std::string& user);
  void checkComposition();
  void checkNode(const ComposedNode& node, std::set<std::string>& classNames,
                 std::set<std::string>& usedModels, const std::string& className);
  void checkRewards();
  void checkRewardVariable(const RewardVariable& variable);
  void checkStudy();
  void checkClassNames();
  std::optional<double> studyValue(const GlobalVariable& global, const StudyValue& value);
  std::vector<double> expandRange(const GlobalVariable& global, const StudySetting& setting);

  const ModelDescription& model;
  Diagnostics& diagnostics;
  CheckedModel& result;
  std::map<std::string, Position> globalNames;
};

bool Checker::declare(std::map<std::string, Position>& scope, const Name& name,
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

void Checker::checkAll() {
  checkGlobals();
  checkTypes();
  std::map<std::string, Position> modelNames;
  for (const AtomicModel& atomic : model.models) {
    declare(modelNames, atomic.name, "a model");
    checkModel(atomic);
  }
  if (model.models.empty()) error(model.end, "the model file declares no atomic model");
  checkComposition();
  checkRewards();
  checkStudy();
  checkClassNames();
}

// Global variables and generated classes share the global namespace.
void Checker::checkClassNames() {
  std::map<std::string, Position> scope;
  // Claims base + suffix for the element named base (nothing for an
  // element whose name was already reported).
  auto claim = [&](const std::string& base, const std::string& suffix, Position at) {
    if (base.empty()) return;
    const auto [it, added] = scope.insert({base + suffix, at});
    if (!added)
      error(at, "duplicate name '" + base + suffix +
                    "': the name (or a class made from it) is "
                    "already used at line " +
                    std::to_string(it->second.line));
  };
  for (const GlobalVariable& g : model.globals) claim(g.name.text, "", g.name.at);
  for (const RecordType& r : model.records)
    for (const char* suffix : {"", "_state", "_view", "_const_view"})
      claim(r.name.text, suffix, r.name.at);
  for (const ArrayType& a : model.arrays) claim(a.name.text, "", a.name.at);
  for (const AtomicModel& m : model.models) claim(m.name.text, "SAN", m.name.at);
  if (model.composition) claim(model.composition->name.text, "RJ", model.composition->name.at);
  if (model.rewards) {
    claim(model.rewards->name.text, "PVModel", model.rewards->name.at);
    for (std::size_t i = 0; i < model.rewards->variables.size(); i++)
      claim(model.rewards->name.text, "PV" + std::to_string(i), model.rewards->name.at);
  }
  if (model.study) claim(model.study->name.text, "Study", model.study->name.at);
}

void Checker::checkGlobals() {
  for (const GlobalVariable& global : model.globals) {
    declare(globalNames, global.name, "a global variable");
    if (global.range && !global.range->text.empty()) {
      const Range& r = *global.range;
      if (global.type == ScalarType::Bool) error(r.at, "a bool global variable takes no range");
    }
  }
}

void Checker::checkTypes() {
  std::map<std::string, Position> typeNames;
  for (const char* builtin : {"place", "short", "int", "double", "char", "bool"})
    typeNames[builtin] = {};
  for (const RecordType& record : model.records) {
    if (typeNames.count(record.name.text) && typeNames[record.name.text].line == 0) {
      error(record.name.at, "'" + record.name.text + "' is a built-in type");
      continue;
    }
    declare(typeNames, record.name, "a type");
    std::map<std::string, Position> fields;
    for (const RecordField& field : record.fields) declare(fields, field.name, "a field");
  }
  for (const ArrayType& array : model.arrays) {
    if (typeNames.count(array.name.text) && typeNames[array.name.text].line == 0) {
      error(array.name.at, "'" + array.name.text + "' is a built-in type");
      continue;
    }
    declare(typeNames, array.name, "a type");
    const std::string& element = array.element.text;
    const std::optional<ScalarType> scalar = scalarTypeNamed(element);
    const bool scalarOk = scalar && (*scalar == ScalarType::Short || *scalar == ScalarType::Int ||
                                     *scalar == ScalarType::Double);
    if (!element.empty() && !scalarOk && !result.record(element))
      error(array.element.at, "unknown element type '" + element + "' of array type '" +
                                  array.name.text + "' (short, int, double or a record type)");
  }
}

void Checker::checkModel(const AtomicModel& atomic) {
  // Every name below becomes a member of the model's class.
  std::map<std::string, Position> members;
  for (const StateVariable& variable : atomic.variables) {
    if (declare(members, variable.name, "a place or an activity")) checkVariable(atomic, variable);
  }
  for (const Activity& activity : atomic.activities) {
    declare(members, activity.name, "a place or an activity");
    const std::string& name = activity.name.text;
    if (reservedNames().count(name))
      error(activity.name.at, "the name '" + name + "' is reserved by the framework");
    if (name.empty()) continue;
    const Name derived[] = {{name + "Activity", activity.name.at},
                            {name + "Group", activity.name.at}};
    for (const Name& d : derived)
      if (members.count(d.text))
        error(activity.name.at, "activity '" + name + "' needs the name '" + d.text +
                                    "', which another element of model '" + atomic.name.text +
                                    "' has");
    checkActivity(atomic, activity);
  }
  if (atomic.activities.empty())
    error(atomic.name.at, "model '" + atomic.name.text + "' has no activity");
  // Gates are named within the model.
  std::map<std::string, Position> gates;
  for (const Activity& activity : atomic.activities) {
    for (const Gate& gate : activity.inputGates) declare(gates, gate.name, "a gate");
    for (const Case& c : activity.cases)
      for (const Gate& gate : c.outputGates) declare(gates, gate.name, "a gate");
  }
}

void Checker::checkVariable(const AtomicModel& atomic, const StateVariable& variable) {
  const std::string& name = variable.name.text;
  if (globalNames.count(name))
    error(variable.name.at, "duplicate name '" + name +
                                "': a global variable of that name is "
                                "declared at line " +
                                std::to_string(globalNames[name].line));
  if (reservedNames().count(name))
    error(variable.name.at, "the name '" + name + "' is reserved by the framework");
  const VariableType type = result.typeOf(atomic, name);
  const std::string& typeName = variable.type.text;
  if (typeName != "place" && !scalarTypeNamed(typeName) && !result.record(typeName) &&
      !result.array(typeName)) {
    error(variable.type.at, "unknown type '" + typeName + "' of place '" + name + "'");
    return;
  }
  if (std::optional<ScalarType> scalar = scalarTypeNamed(typeName);
      scalar && *scalar != ScalarType::Short && *scalar != ScalarType::Int &&
      *scalar != ScalarType::Double) {
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
    for (const auto& [field, value] : variable.fieldInitials) {
      declare(seen, field, "a field initial value");
      const bool exists =
          std::any_of(fieldsOf->fields.begin(), fieldsOf->fields.end(),
                      [&](const RecordField& f) { return f.name.text == field.text; });
      if (!exists)
        error(field.at,
              "record type '" + fieldsOf->name.text + "' has no field '" + field.text + "'");
    }
  } else if (!variable.fieldInitials.empty()) {
    error(variable.fieldInitials.front().first.at,
          "'" + name + "' is " + type.describe() + ": its initial value is one expression");
  }
}

bool Checker::known(const AtomicModel& atomic, const Name& name, const std::string& user) {
  if (result.variable(atomic, name.text)) return true;
  error(name.at, user + " uses '" + name.text + "', which is not a place of model '" +
                     atomic.name.text + "'");
  return false;
}

void Checker::checkArc(const AtomicModel& atomic, const Name& place, const std::string& user) {
  if (!known(atomic, place, user)) return;
  const VariableType type = result.typeOf(atomic, place.text);
  if (!type.isCell() || type.scalar == ScalarType::Double)
    error(place.at, "an arc connects a place or a short or int typed place; '" + place.text +
                        "' is " + type.describe());
}

void Checker::checkUses(const AtomicModel& atomic, const std::vector<VariableUse>& uses,
                        const std::string& user) {
  for (const VariableUse& use : uses) known(atomic, use.name, user);
}

void Checker::checkActivity(const AtomicModel& atomic, const Activity& activity) {
  const std::string who = "activity '" + activity.name.text + "'";
  // Timing.
  const std::string& distribution = activity.distribution();
  if (!distribution.empty()) {
    if (distribution == "instantaneous") {
      if (!activity.timing.parameters.empty())
        error(activity.timing.distribution.at, "an instantaneous activity has no parameters");
    } else {
      const auto& parameters = distributionParameters();
      const auto it = parameters.find(distribution);
      if (it == parameters.end()) {
        std::string names;
        for (const auto& [n, p] : parameters) names += (names.empty() ? "" : ", ") + n;
        error(activity.timing.distribution.at,
              "unknown distribution '" + distribution + "' (instantaneous, " + names + ")");
      } else {
        const std::vector<std::string>& wanted = it->second;
        const std::size_t given = activity.timing.parameters.size();
        if (wanted.size() == 1 && wanted[0] == "*") {
          const bool pairs = distribution == "hyperexponential";
          if (given == 0 || (pairs && given % 2 != 0))
            error(activity.timing.distribution.at,
                  distribution + (pairs ? " needs a list of [rate, weight] pairs"
                                        : " needs a list of one or more rates"));
        } else if (given != wanted.size()) {
          std::string list;
          for (const std::string& p : wanted) list += (list.empty() ? "" : ", ") + p;
          error(
              activity.timing.distribution.at,
              distribution + " takes " + std::to_string(wanted.size()) + " parameter(s): " + list);
        }
      }
    }
  }
  checkUses(atomic, activity.timing.reads, who);
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
  if (selection != "postselect" && selection != "preselect")
    error(activity.selection.at,
          "case_selection must be postselect or preselect, not '" + selection + "'");
  if (activity.reactivation) checkUses(atomic, activity.reactivation->reads, who);

  // Wiring: affect arcs in the order input arcs, input gates, output arcs,
  // output gates; enable arcs from the input side.
  ActivityWiring wiring;
  auto add = [](std::vector<std::string>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
  };
  std::vector<std::string> input;
  for (const Name& arc : activity.inputArcs) add(input, arc.text);
  for (const Gate& gate : activity.inputGates)
    for (const VariableUse& use : gate.uses) add(input, use.name.text);
  for (const std::string& name : input) add(wiring.linked, name);
  for (const Case& c : activity.cases) {
    CaseWiring caseWiring;
    caseWiring.enabling = input;
    caseWiring.affected = input;
    for (const Name& arc : c.outputArcs) add(caseWiring.affected, arc.text);
    for (const Gate& gate : c.outputGates)
      for (const VariableUse& use : gate.uses) add(caseWiring.affected, use.name.text);
    for (const std::string& name : caseWiring.affected) add(wiring.linked, name);
    wiring.cases.push_back(caseWiring);
  }
  for (const VariableUse& use : activity.timing.reads) add(wiring.linked, use.name.text);
  for (const Case& c : activity.cases)
    for (const VariableUse& use : c.reads) add(wiring.linked, use.name.text);
  if (activity.reactivation)
    for (const VariableUse& use : activity.reactivation->reads) add(wiring.linked, use.name.text);
  // Only variables that exist are linked (unknown ones were reported).
  std::erase_if(wiring.linked,
                [&](const std::string& name) { return !result.variable(atomic, name); });
  for (CaseWiring& c : wiring.cases) {
    std::erase_if(c.affected, [&](const std::string& n) { return !result.variable(atomic, n); });
    std::erase_if(c.enabling, [&](const std::string& n) { return !result.variable(atomic, n); });
  }
  wirings_[&activity] = wiring;
}

void Checker::checkComposition() {
  if (!model.composition) {
    if (model.models.size() > 1)
      error(model.models[1].name.at,
            "a model file with more than one atomic model needs a composition");
    return;
  }
  std::set<std::string> classNames;
  std::set<std::string> usedModels;
  const Composition& composition = *model.composition;
  checkNode(composition.root, classNames, usedModels, composition.name.text + "RJ");
  for (const AtomicModel& atomic : model.models)
    if (!atomic.name.text.empty() && !usedModels.count(atomic.name.text))
      error(atomic.name.at, "model '" + atomic.name.text + "' is not part of the composition");
}

void Checker::checkNode(const ComposedNode& node, std::set<std::string>& classNames,
                        std::set<std::string>& usedModels, const std::string& className) {
  if (node.name.text.empty()) return;
  if (node.kind == ComposedNode::Atomic) {
    if (!result.atomic(node.name.text))
      error(node.name.at, "unknown model '" + node.name.text + "' in the composition");
    usedModels.insert(node.name.text);
    return;
  }
  if (!classNames.insert(className).second)
    error(node.name.at, "duplicate name '" + node.name.text + "' in the composition");
  for (const ComposedNode& child : node.children) {
    if (child.name.text.empty()) continue;
    const std::string childClass = child.kind == ComposedNode::Atomic
                                       ? child.name.text + "SAN"
                                       : className + "__" + child.name.text;
    checkNode(child, classNames, usedModels, childClass);
  }
  // Every shared name must be offered by a child, with one type.
  std::map<std::string, Position> seen;
  for (const Name& shared : node.shared) {
    declare(seen, shared, "a shared variable");
    std::optional<VariableType> type;
    bool found = false;
    for (const ComposedNode& child : node.children) {
      for (const auto& [name, childType] : result.exposed(child)) {
        if (name != shared.text) continue;
        found = true;
        if (type && !(*type == childType))
          error(shared.at, "type mismatch: '" + shared.text + "' is " + type->describe() +
                               " in one child and " + childType.describe() + " in '" +
                               child.name.text + "'");
        type = childType;
      }
    }
    if (!found)
      error(shared.at, "'" + node.name.text + "' shares '" + shared.text +
                           "', which no child of it has (a child shares only what it has; a "
                           "join or rep offers only its own shared variables)");
  }
}

void Checker::checkRewards() {
  if (!model.rewards) return;
  std::map<std::string, Position> names;
  for (const RewardVariable& variable : model.rewards->variables) {
    declare(names, variable.name, "a reward variable");
    checkRewardVariable(variable);
  }
  if (model.rewards->variables.empty())
    error(model.rewards->name.at, "the rewards declare no variable");
}

void Checker::checkRewardVariable(const RewardVariable& variable) {
  const std::string who = "reward variable '" + variable.name.text + "'";
  if (!variable.rate && variable.impulses.empty())
    error(variable.name.at, who + " has neither a rate nor an impulse");
  if (variable.rate) {
    const RateReward& rate = *variable.rate;
    const AtomicModel* atomic = result.atomic(rate.model.text);
    if (!atomic && !rate.model.text.empty())
      error(rate.model.at, who + " reads model '" + rate.model.text + "', which does not exist");
    if (atomic)
      for (const VariableUse& use : rate.reads)
        if (!result.variable(*atomic, use.name.text))
          error(use.name.at, who + " reads '" + use.name.text +
                                 "', which is not a place of model '" + atomic->name.text + "'");
  }
  for (const ImpulseReward& impulse : variable.impulses) {
    const AtomicModel* atomic = nullptr;
    if (impulse.model) {
      atomic = result.atomic(impulse.model->text);
      if (!atomic)
        error(impulse.model->at,
              who + " names model '" + impulse.model->text + "', which does not exist");
    } else {
      for (const AtomicModel& m : model.models)
        for (const Activity& a : m.activities)
          if (a.name.text == impulse.activity.text) {
            if (atomic)
              error(impulse.activity.at, "activity '" + impulse.activity.text +
                                             "' is in more than one model: name the model");
            atomic = &m;
          }
    }
    const Activity* activity = nullptr;
    if (atomic)
      for (const Activity& a : atomic->activities)
        if (a.name.text == impulse.activity.text) activity = &a;
    if (!activity && !impulse.activity.text.empty() && (atomic || !impulse.model)) {
      error(impulse.activity.at, who + " counts activity '" + impulse.activity.text +
                                     "', which does not exist" +
                                     (atomic ? " in model '" + atomic->name.text + "'" : ""));
      continue;
    }
    if (!activity) continue;
    impulseModels_[&impulse] = atomic;
    if (impulse.caseNumber > static_cast<int>(activity->cases.size()))
      error(impulse.caseAt, "activity '" + activity->name.text + "' has " +
                                std::to_string(activity->cases.size()) + " case(s)");
    for (const VariableUse& use : impulse.reads)
      if (!result.variable(*atomic, use.name.text))
        error(use.name.at, who + " reads '" + use.name.text + "', which is not a place of model '" +
                               atomic->name.text + "'");
  }
  // Times.
  const bool instant = variable.measure == Measure::InstantOfTime;
  if (variable.steadyState) {
    const SteadyState& s = *variable.steadyState;
    if (instant)
      error(s.at, who +
                      ": a steady-state variable measures an interval (interval-of-time or "
                      "time-averaged)");
    if (!(s.batch > 0) || s.start < 0)
      error(s.at, who + ": steady_state needs start >= 0 and a positive batch length");
    if (!variable.windows.empty())
      error(variable.windowsAt, who + " is steady-state: it takes no times or windows");
  } else if (variable.windows.empty()) {
    error(variable.measureAt,
          who + (instant ? " needs 'times'" : " needs 'windows' or 'steady_state'"));
  }
  if (!variable.windows.empty() && variable.givenAsTimes != instant)
    error(variable.windowsAt, instant
                                  ? who + " is instant-of-time: it takes 'times', not 'windows'"
                                  : who + " measures an interval: it takes 'windows', not 'times'");
  for (const auto& [start, stop] : variable.windows) {
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
  for (const std::optional<ObservationBound>* bound : {&variable.lowest, &variable.highest}) {
    if (!*bound || (*bound)->global.empty()) continue;
    const std::string& name = (*bound)->global;
    const bool known = std::any_of(model.globals.begin(), model.globals.end(),
                                   [&](const GlobalVariable& g) { return g.name.text == name; });
    if (!known)
      error((*bound)->at, who + ": bound '" + name + "' is neither a number nor a global variable");
  }
  if (variable.lowest && variable.highest && variable.lowest->global.empty() &&
      variable.highest->global.empty() && variable.lowest->number > variable.highest->number)
    error(variable.lowest->at, who + ": the lower bound is above the upper bound");
}

std::optional<double> Checker::studyValue(const GlobalVariable& global, const StudyValue& value) {
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
      if (std::optional<long long> code = parseInteger(text); code && fitsType(global.type, *code))
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
std::vector<double> Checker::expandRange(const GlobalVariable& global,
                                         const StudySetting& setting) {
  std::vector<double> values;
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

void Checker::checkStudy() {
  if (!model.study) return;
  const Study& study = *model.study;
  const std::string& combination = study.combination.text;
  if (combination != "product" && combination != "parallel")
    error(study.combination.at,
          "experiments must be product or parallel, not '" + combination + "'");
  std::map<std::string, Position> seen;
  std::vector<std::vector<double>> values(model.globals.size());
  std::vector<Position> settingAt(model.globals.size());
  for (const StudySetting& setting : study.settings) {
    if (!declare(seen, setting.global, "a setting")) continue;
    const auto g =
        std::find_if(model.globals.begin(), model.globals.end(),
                     [&](const GlobalVariable& v) { return v.name.text == setting.global.text; });
    if (g == model.globals.end()) {
      error(setting.global.at,
            "the study sets '" + setting.global.text + "', which is not a global variable");
      continue;
    }
    const std::size_t index = static_cast<std::size_t>(g - model.globals.begin());
    settingAt[index] = setting.global.at;
    if (setting.from) {
      values[index] = expandRange(*g, setting);
    } else {
      for (const StudyValue& value : setting.values)
        if (std::optional<double> v = studyValue(*g, value)) values[index].push_back(*v);
    }
  }
  for (std::size_t g = 0; g < model.globals.size(); g++)
    if (!seen.count(model.globals[g].name.text) && !model.globals[g].name.text.empty())
      error(model.globals[g].name.at,
            "global variable '" + model.globals[g].name.text + "' is not set by the study");
  if (diagnostics.failed()) return;

  // Experiments: every combination (the first setting changing slowest), or
  // the k-th value of every list together.
  table_.values.assign(model.globals.size(), {});
  if (combination == "parallel") {
    std::size_t count = 1;
    for (std::size_t g = 0; g < values.size(); g++) {
      if (values[g].size() == 1) continue;
      if (count != 1 && values[g].size() != count) {
        error(settingAt[g], "experiments: parallel needs lists of one length; '" +
                                model.globals[g].name.text + "' has " +
                                std::to_string(values[g].size()) + " values, another list " +
                                std::to_string(count));
        return;
      }
      count = values[g].size();
    }
    table_.count = static_cast<int>(count);
    for (std::size_t g = 0; g < values.size(); g++)
      for (std::size_t e = 0; e < count; e++)
        table_.values[g].push_back(values[g].size() == 1 ? values[g][0] : values[g][e]);
    return;
  }
  // Settings in file order decide the nesting.
  std::vector<std::size_t> order;
  for (const StudySetting& setting : study.settings)
    for (std::size_t g = 0; g < model.globals.size(); g++)
      if (model.globals[g].name.text == setting.global.text) order.push_back(g);
  double total = 1;
  for (std::size_t g : order) total *= static_cast<double>(values[g].size());
  if (total > 100000) {
    error(study.name.at, "the study has more than 100000 experiments");
    return;
  }
  table_.count = static_cast<int>(total);
  for (int e = 0; e < table_.count; e++) {
    int rest = e;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      const std::size_t n = values[*it].size();
      table_.values[*it].push_back(values[*it][static_cast<std::size_t>(rest) % n]);
      rest /= static_cast<int>(n);
    }
  }
}

}  // namespace

std::string VariableType::className() const {
  switch (kind) {
    case Place:
      return "Place";
    case Scalar:
      return std::string("ExtendedPlace<") + cppName(scalar) + ">";
    case Record:
      return record->name.text;
    case Array:
      return array->name.text;
  }
  return "Place";
}

bool VariableType::operator==(const VariableType& other) const {
  return kind == other.kind && scalar == other.scalar && record == other.record &&
         array == other.array;
}

std::string VariableType::describe() const {
  switch (kind) {
    case Place:
      return "a place";
    case Scalar:
      return std::string(scalar == ScalarType::Int ? "an " : "a ") + cppName(scalar) +
             " typed place";
    case Record:
      return "a record of type " + record->name.text;
    case Array:
      return "an array of type " + array->name.text;
  }
  return "";
}

const AtomicModel* CheckedModel::atomic(const std::string& name) const {
  for (const AtomicModel& m : description_->models)
    if (m.name.text == name) return &m;
  return nullptr;
}

const RecordType* CheckedModel::record(const std::string& name) const {
  for (const RecordType& r : description_->records)
    if (r.name.text == name) return &r;
  return nullptr;
}

const ArrayType* CheckedModel::array(const std::string& name) const {
  for (const ArrayType& a : description_->arrays)
    if (a.name.text == name) return &a;
  return nullptr;
}

const StateVariable* CheckedModel::variable(const AtomicModel& model,
                                            const std::string& name) const {
  for (const StateVariable& v : model.variables)
    if (v.name.text == name) return &v;
  return nullptr;
}

VariableType CheckedModel::typeOf(const AtomicModel& model, const std::string& name) const {
  VariableType type;
  const StateVariable* v = variable(model, name);
  if (!v) return type;
  const std::string& t = v->type.text;
  if (t == "place") return type;
  if (std::optional<ScalarType> scalar = scalarTypeNamed(t)) {
    type.kind = VariableType::Scalar;
    type.scalar = *scalar;
  } else if (const RecordType* r = record(t)) {
    type.kind = VariableType::Record;
    type.record = r;
  } else if (const ArrayType* a = array(t)) {
    type.kind = VariableType::Array;
    type.array = a;
    if (std::optional<ScalarType> element = scalarTypeNamed(a->element.text))
      type.scalar = *element;
    else
      type.record = record(a->element.text);
  }
  return type;
}

std::vector<const Activity*> CheckedModel::groupOrder(const AtomicModel& model) const {
  std::vector<const Activity*> order;
  for (const Activity& a : model.activities)
    if (!a.instantaneous()) order.push_back(&a);
  for (const Activity& a : model.activities)
    if (a.instantaneous()) order.push_back(&a);
  return order;
}

int CheckedModel::groupNumber(const AtomicModel& model, const Activity& activity) const {
  const std::vector<const Activity*> order = groupOrder(model);
  return static_cast<int>(std::find(order.begin(), order.end(), &activity) - order.begin());
}

std::vector<std::pair<std::string, VariableType>> CheckedModel::exposed(
    const ComposedNode& node) const {
  std::vector<std::pair<std::string, VariableType>> result;
  if (node.kind == ComposedNode::Atomic) {
    if (const AtomicModel* m = atomic(node.name.text))
      for (const StateVariable& v : m->variables)
        result.push_back({v.name.text, typeOf(*m, v.name.text)});
    return result;
  }
  // One entry per shared name, in declaration order, typed as in the first
  // child that has it.
  for (const Name& shared : node.shared) {
    for (const ComposedNode& child : node.children) {
      bool found = false;
      for (const auto& entry : exposed(child))
        if (entry.first == shared.text) {
          result.push_back(entry);
          found = true;
          break;
        }
      if (found) break;
    }
  }
  return result;
}

const AtomicModel* CheckedModel::rewardModel(const ImpulseReward& impulse) const {
  const auto it = impulseModels_.find(&impulse);
  return it == impulseModels_.end() ? nullptr : it->second;
}

const Activity* CheckedModel::impulseActivity(const ImpulseReward& impulse) const {
  const AtomicModel* m = rewardModel(impulse);
  if (!m) return nullptr;
  for (const Activity& a : m->activities)
    if (a.name.text == impulse.activity.text) return &a;
  return nullptr;
}

const std::map<std::string, std::vector<std::string>>& distributionParameters() {
  static const std::map<std::string, std::vector<std::string>> table_ = {
      {"exponential", {"rate"}},
      {"deterministic", {"value"}},
      {"uniform", {"lower", "upper"}},
      {"geometric", {"p"}},
      {"weibull", {"shape", "scale"}},
      {"conditional_weibull", {"shape", "scale", "age"}},
      {"pareto", {"scale", "shape"}},
      {"erlang", {"stages", "mean"}},
      {"hypoexponential", {"*"}},
      {"hyperexponential", {"*"}},
      {"triangular", {"minimum", "maximum", "mode"}},
      {"normal", {"mean", "variance"}},
      {"lognormal", {"mean", "variance"}},
      {"gamma", {"shape", "scale"}},
      {"beta", {"a", "b"}},
      {"binomial", {"trials", "p"}},
      {"negative_binomial", {"r", "p"}}};
  return table_;
}

std::optional<CheckedModel> checkModel(const ModelDescription& model, Diagnostics& diagnostics) {
  CheckedModel result;
  result.description_ = &model;
  Checker checker(model, diagnostics, result);
  checker.checkAll();
  if (diagnostics.failed()) return std::nullopt;
  result.wirings_ = std::move(checker.wirings_);
  result.impulseModels_ = std::move(checker.impulseModels_);
  result.table_ = std::move(checker.table_);
  return result;
}

}  // namespace sangen
