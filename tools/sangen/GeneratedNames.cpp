#include "GeneratedNames.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace sangen::names {

std::string atomicClass(const std::string& model) { return model + "SAN"; }
std::string functionsNamespace(const std::string& model) {
  return atomicClass(model) + "_functions";
}
std::string rootClass(const Composition& composition) { return composition.name.text + "RJ"; }

std::string childClass(const ComposedNode& child, const std::string& parentClass) {
  return child.kind == ComposedNode::Atomic ? atomicClass(child.name.text)
                                            : parentClass + "__" + child.name.text;
}

std::string sharedNamesArray(const std::string& composedClass) {
  return composedClass + "__SharedNames";
}

std::string rewardClass(const Rewards& rewards) { return rewards.name.text + "PVModel"; }

std::string variableClass(const Rewards& rewards, std::size_t i) {
  return rewards.name.text + "PV" + std::to_string(i);
}

std::string impulseClass(const Rewards& rewards, std::size_t i, std::size_t j) {
  return variableClass(rewards, i) + "Impulse" + std::to_string(j);
}

std::string workerClass(const Rewards& rewards, std::size_t i) {
  return variableClass(rewards, i) + "Worker";
}

std::string studyClass(const Study& study) { return study.name.text + "Study"; }

std::string recordState(const std::string& record) { return record + "_state"; }
std::string recordView(const std::string& record) { return record + "_view"; }
std::string recordConstView(const std::string& record) { return record + "_const_view"; }

std::string activityClass(const Activity& activity) { return activity.name.text + "Activity"; }

std::string caseClass(const Activity& activity, std::size_t k) {
  return activity.hasCaseList ? activityClass(activity) + "_case" + std::to_string(k + 1)
                              : activityClass(activity);
}

std::string caseObject(const Activity& activity, std::size_t k) {
  return activity.hasCaseList ? activity.name.text + "_case" + std::to_string(k + 1)
                              : activity.name.text;
}

std::string groupObject(const Activity& activity) {
  return activity.hasCaseList ? activity.name.text + "Group" : activity.name.text;
}

std::string cellPointer(const std::string& variable) { return variable + "_Mark"; }
std::string elementTable(const std::string& variable) { return variable + "_table"; }
std::string gatePredicate(const std::string& gate) { return gate + "_predicate"; }

std::string initialFunction(const std::string& variable, const std::string& field) {
  return "initial_" + variable + (field.empty() ? "" : "_" + field);
}

namespace {

// `name` is stem<digits>.
bool numbered(const std::string& name, const std::string& stem) {
  return name.size() > stem.size() && name.starts_with(stem) &&
         std::all_of(name.begin() + static_cast<long>(stem.size()), name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

bool isGeneratedMember(const std::string& name, MemberOf family) {
  static const std::set<std::string> activity = {
      "now",  // the local of every function around model-file code
      "DeterministicParamValue",
      "Parameters",
      "enablingHolds",
      "fillTables",
      "fireInput",
      "lastEnabling",
      "parametersChanged",
      "priority",
      "reactivationFunction",
      "reactivationPredicate",
      "sampledParameters",
      "takeEnabling"};
  static const std::set<std::string> atomicModel = {"addArcs", "assignVariables", "fillTables"};
  static const std::set<std::string> composer = {"fillTables", "ownsSharedVariables", "replica",
                                                 "replicas"};
  switch (family) {
    case MemberOf::Activity:
      return activity.count(name) || numbered(name, "parameter") || numbered(name, "weight");
    case MemberOf::AtomicModel:
      return atomicModel.count(name) || name.starts_with("initial_");
    case MemberOf::Composer:
      return composer.count(name);
    case MemberOf::Record:
      return name == "of";  // the views' constructor function
  }
  return false;
}

}  // namespace sangen::names
